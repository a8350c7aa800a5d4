// The one way into COM and BITS for the job catalogue. The build puts the platform's folder
// (bits/platform/windows or bits/platform/linux) on the include path, so the code that includes
// this header is the same on every platform.
#pragma once

#include "bits_platform.h"
