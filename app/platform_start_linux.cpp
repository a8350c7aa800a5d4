// Without Windows there is no BITS service to ask, so the program lists the in-memory service's
// sample queue.
#include "app/platform_start.h"

#include "bits/provider/bits_provider.h"

void StartPlatform() {
  // Lives for the whole run: every snapshot and control operation connects to it.
  static BitsProvider provider;
  FillSampleQueue(provider);
  InstallBitsProvider(&provider);
}
