#include "report/export_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// O_NOFOLLOW makes the open fail at a symbolic link, a dangling one included, which O_CREAT would
// otherwise follow to create its target. O_NONBLOCK keeps a FIFO at that name from holding the
// open until a reader comes; it is then refused as no regular file, and a regular file ignores it.
bool OpenExportFile(const std::string& utf8Path, ExportFileHandle& file) {
  const int descriptor = open(utf8Path.c_str(),
                              O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                              0666);
  if (descriptor < 0) return false;
  struct stat status {};
  const bool plainFile =
      fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1;
  if (!plainFile || ftruncate(descriptor, 0) != 0) {
    close(descriptor);
    return false;
  }
  file = descriptor;
  return true;
}

bool WriteExportFile(ExportFileHandle file, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t written = write(static_cast<int>(file), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool CloseExportFile(ExportFileHandle file) { return close(static_cast<int>(file)) == 0; }
