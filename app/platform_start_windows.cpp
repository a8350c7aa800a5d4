#include "app/platform_start.h"

void StartPlatform() {}
