// Opening a file or web address with the desktop's program for it, where there is no Windows shell.
#pragma once

#include <cstdint>
#include <string>

// Answers as ShellExecuteW would for the same cause: above 32 on success, otherwise its error code.
intptr_t ShellOpenWithDesktop(const std::string& target);
