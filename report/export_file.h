// The file that an export replaces, opened, written and closed through the system's own calls, one
// small file per platform (export_file_linux.cpp, export_file_windows.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The system's handle of an open export file: a descriptor, or a HANDLE's value.
using ExportFileHandle = intptr_t;

// Opens the file at `utf8Path` for writing, creating it when there is none, without following a
// symbolic link or junction at that name and without emptying it first. The program runs
// elevated, and another user may have left a link or an extra hard link at the name the user
// typed: a name that is a link or other reparse point, that is no plain file (a folder, a device,
// a pipe), or a file with more than one name is refused and left as it was (false). Only a file
// that passed is emptied. No sharing restriction is put on other programs.
bool OpenExportFile(const std::string& utf8Path, ExportFileHandle& file);

// Writes all `size` bytes at the end of what was written so far; false when the system took fewer.
bool WriteExportFile(ExportFileHandle file, const char* bytes, size_t size);

// Closes the file; false when the system reports a failure, such as a write it had delayed.
bool CloseExportFile(ExportFileHandle file);
