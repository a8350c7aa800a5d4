#include "app/platform_start.h"

#include "bits/provider/bits_provider.h"

void StartPlatform() {
  // Lives for the whole run: every snapshot and control operation connects to it.
  static BitsProvider provider;
  FillSampleQueue(provider);
  InstallBitsProvider(&provider);
}
