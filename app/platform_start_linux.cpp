#include "app/platform_start.h"

#include "bits/provider/bits_provider.h"

std::shared_ptr<void> StartPlatform() {
  // Lives for the whole run: every read of the queue and every control operation connects to it.
  static BitsProvider provider;
  FillSampleQueue(provider);
  InstallBitsProvider(&provider);
  return nullptr;
}
