// What the platform needs before the main window is built: on Windows nothing, since BITS is the
// system's; elsewhere the in-memory BITS service with the sample queue.
#pragma once

void StartPlatform();
