#include "report/export_file.h"

#include <windows.h>

#include "bits/utf8.h"

// FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or junction itself instead of what it points
// to, so that it can be seen and refused; OPEN_ALWAYS creates a missing file without emptying an
// existing one, which is emptied only once it has passed.
bool OpenExportFile(const std::string& utf8Path, ExportFileHandle& file) {
  const WideText path = FromUtf8(utf8Path);
  // A name that is not UTF-8 would reach the system with replacement characters, as another name.
  if (path.empty() || ToUtf8(path) != utf8Path) return false;
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                  nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  // A device or a pipe is no disk file; a folder opened for writing is refused by the system.
  const bool plainFile =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information) &&
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
          0 &&
      information.nNumberOfLinks == 1;
  // Just opened, the file's position is its start, where SetEndOfFile cuts it.
  if (!plainFile || !SetEndOfFile(handle)) {
    CloseHandle(handle);
    return false;
  }
  file = reinterpret_cast<ExportFileHandle>(handle);
  return true;
}

bool WriteExportFile(ExportFileHandle file, const char* bytes, size_t size) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

bool CloseExportFile(ExportFileHandle file) {
  return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}
