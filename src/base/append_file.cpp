// Whole lines added to a file that many runs share: one write under an
// exclusive lock, on a descriptor that appends.
#include "base/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/stop.h"

namespace base {
namespace {

// Read and write, so that the file's last byte can be looked at; a file
// that may be written but not read is appended to without that look.
int OpenForAppending(const std::string& name, bool& readable) {
  constexpr int flags = O_APPEND | O_CREAT | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(name.c_str(), O_RDWR | flags, 0666);
  readable = fd >= 0;
  if (fd < 0 && errno == EACCES) fd = ::open(name.c_str(), O_WRONLY | flags, 0666);
  if (fd < 0) FatalIoError(name, errno);
  return fd;
}

// Waits for the other runs' additions; a signal that the run survives asks
// again. A file system without locks gives none, and is written all the
// same (the appending write alone still keeps each addition in one piece).
void LockExclusively(int fd) {
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

// True when the file has text whose last line has no line end.
bool EndsInsideALine(int fd, off_t size, bool readable) {
  char last = '\n';
  return readable && size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

// Everything at once; what a full disk cuts short is written on, and what
// cannot be written is taken back, so that the file ends where it ended.
void WriteAll(int fd, const std::string& name, const std::string& text, off_t size, bool regular) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    const int error = n < 0 ? errno : EIO;
    if (n < 0 && error == EINTR) continue;
    if (regular) (void)::ftruncate(fd, size);
    FatalIoError(name, error);
  }
}

}  // namespace

void AppendLines(const std::string& name, const std::string& header, const std::string& lines) {
  bool readable = false;
  const int fd = OpenForAppending(name, readable);
  LockExclusively(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) FatalIoError(name, errno);
  const bool regular = S_ISREG(st.st_mode);
  // A header only where a file starts: a device or a pipe would get one
  // with every addition.
  std::string text = regular && st.st_size == 0 ? header : "";
  if (regular && EndsInsideALine(fd, st.st_size, readable)) text += '\n';
  text += lines;
  WriteAll(fd, name, text, st.st_size, regular);
  if (::close(fd) != 0) FatalIoError(name, errno);  // also lets go of the lock
}

}  // namespace base
