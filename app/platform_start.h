// What the platform needs before the main window is built and for the whole run: on Windows, COM
// on this thread (the GUI thread) with the process's COM security; elsewhere the in-memory BITS
// service with the sample queue. main holds the answer until the event loop has returned; letting
// it go ends what it holds (COM's initialisation, once).
#pragma once

#include <memory>

std::shared_ptr<void> StartPlatform();
