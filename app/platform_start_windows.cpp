#include "app/platform_start.h"

#include "bits/com_owners.h"

std::shared_ptr<void> StartPlatform() {
  // COM for the whole run on the GUI thread. Every BITS operation still initialises and
  // uninitialises it on its own; this keeps the process's settings below in force between them.
  auto apartment = std::make_shared<ComApartment>();
  if (apartment->initialised()) {
    // Set once per process, before any BITS call. The program runs elevated and is a client of
    // objects in other users' processes (a job's notification callback): they may learn who calls
    // them but not act as this caller, no marshalling code of theirs runs in this process, and no
    // activation runs as this caller. Should COM refuse, its defaults stay, as they were before.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IDENTIFY, nullptr,
                         EOAC_NO_CUSTOM_MARSHAL | EOAC_DISABLE_AAA, nullptr);
  }
  return apartment;
}
