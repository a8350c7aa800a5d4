#include "app/platform_start.h"

#include "bits/com_owners.h"

namespace {

// Who may call into this process's COM objects (the toolkit's drop target, for one): the system
// and elevated administrators. An absolute security descriptor with owner and group, as
// CoInitializeSecurity takes it; COM keeps no pointer into it after the call.
struct CallerAccess {
  alignas(DWORD) BYTE system[SECURITY_MAX_SID_SIZE];
  alignas(DWORD) BYTE administrators[SECURITY_MAX_SID_SIZE];
  alignas(DWORD) BYTE acl[128];
  SECURITY_DESCRIPTOR descriptor;
};

bool MakeCallerAccess(CallerAccess& access) {
  DWORD size = sizeof access.system;
  if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, access.system, &size)) return false;
  size = sizeof access.administrators;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, access.administrators, &size))
    return false;
  const auto acl = reinterpret_cast<PACL>(access.acl);
  const DWORD rights = COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL;
  return InitializeAcl(acl, sizeof access.acl, ACL_REVISION) &&
         AddAccessAllowedAce(acl, ACL_REVISION, rights, access.system) &&
         AddAccessAllowedAce(acl, ACL_REVISION, rights, access.administrators) &&
         InitializeSecurityDescriptor(&access.descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorOwner(&access.descriptor, access.administrators, FALSE) &&
         SetSecurityDescriptorGroup(&access.descriptor, access.administrators, FALSE) &&
         SetSecurityDescriptorDacl(&access.descriptor, TRUE, acl, FALSE);
}

}  // namespace

std::shared_ptr<void> StartPlatform() {
  // COM for the whole run on the GUI thread. Every BITS operation still initialises and
  // uninitialises it on its own; this keeps the process's settings below in force between them.
  auto apartment = std::make_shared<ComApartment>();
  CallerAccess access;
  if (apartment->initialised() && MakeCallerAccess(access)) {
    // Set once per process, before any BITS call. The program runs elevated and is a client of
    // objects in other users' processes (a job's notification callback): they may learn who calls
    // them but not act as this caller, no marshalling code of theirs runs in this process, and no
    // activation runs as this caller. Should COM refuse, its defaults stay, as they were before.
    CoInitializeSecurity(&access.descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IDENTIFY, nullptr,
                         EOAC_NO_CUSTOM_MARSHAL | EOAC_DISABLE_AAA, nullptr);
  }
  return apartment;
}
