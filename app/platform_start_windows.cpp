// On Windows the jobs are the system's: BITS is already there, so nothing is set up before the main
// window is built.
#include "app/platform_start.h"

void StartPlatform() {}
