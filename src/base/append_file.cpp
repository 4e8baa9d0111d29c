// Whole lines added to a file that many runs share: one write under an
// exclusive lock, on a descriptor that appends.
#include "base/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

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

// True when the file begins with `header`, or is a beginning of it (a
// header cut by a kill): a table this program made.
bool BeginsWith(int fd, const std::string& header, off_t size) {
  const std::size_t n = std::min(header.size(), static_cast<std::size_t>(size));
  std::string head(n, '\0');
  return !header.empty() && ::pread(fd, head.data(), n, 0) == static_cast<ssize_t>(n) &&
         header.compare(0, n, head) == 0;
}

// Where the file's last line end is, read backwards a block at a time; 0
// when it has none.
off_t AfterLastLineEnd(int fd, off_t size) {
  char block[4096];
  for (off_t end = size; end > 0;) {
    const off_t start = end > static_cast<off_t>(sizeof block) ? end - static_cast<off_t>(sizeof block) : 0;
    const ssize_t n = ::pread(fd, block, static_cast<std::size_t>(end - start), start);
    if (n != end - start) return size;  // unreadable: nothing is taken away
    for (ssize_t i = n; i > 0; --i)
      if (block[i - 1] == '\n') return start + i;
    end = start;
  }
  return 0;
}

// The last line of a table this program made has no line end only when a
// run was killed while its write was under way (the kernel may cut a write
// between two pages): that piece of a row is taken away, so that the table
// holds whole rows only. Any other file keeps its text; the new lines then
// begin on a line of their own.
off_t MendCutRow(int fd, const std::string& name, const std::string& header, off_t size, std::string& text) {
  if (!BeginsWith(fd, header, size)) {
    text += '\n';
    return size;
  }
  const off_t whole = AfterLastLineEnd(fd, size);
  if (::ftruncate(fd, whole) != 0) FatalIoError(name, errno);
  return whole;
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
  off_t size = st.st_size;
  std::string text;
  if (regular && EndsInsideALine(fd, size, readable)) size = MendCutRow(fd, name, header, size, text);
  if (regular && size == 0) text = header;
  text += lines;
  WriteAll(fd, name, text, size, regular);
  if (::close(fd) != 0) FatalIoError(name, errno);  // also lets go of the lock
}

}  // namespace base
