// Temporary files renamed over the result files when complete.
#include "output/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "driver/stop.h"

namespace output {
namespace {

// The mode a new file gets from fopen: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A temporary file beside `name`, with the old file's permissions and owner
// (or the permissions a new file would get). Null when none can be made.
std::FILE* OpenTemporary(const std::string& name, const struct stat* old, std::string& tempName) {
  std::vector<char> pattern(name.begin(), name.end());
  for (const char c : std::string(".XXXXXX")) pattern.push_back(c);
  pattern.push_back('\0');
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  tempName = pattern.data();
  // Only root can give the file to another owner; otherwise it is ours already.
  if (old) (void)::fchown(fd, old->st_uid, old->st_gid);
  const mode_t mode = old ? (old->st_mode & 07777) : NewFileMode();
  std::FILE* file = ::fchmod(fd, mode) == 0 ? ::fdopen(fd, "w") : nullptr;
  if (!file) {
    ::close(fd);
    ::unlink(tempName.c_str());
    tempName.clear();
  }
  return file;
}

}  // namespace

bool OpenReplacement(ReplacementFile& f, const std::string& name) {
  f.Name = name;
  f.TempName.clear();
  f.File = nullptr;
  struct stat old;
  const bool exists = ::lstat(name.c_str(), &old) == 0;
  if (!exists || (S_ISREG(old.st_mode) && old.st_nlink == 1))
    f.File = OpenTemporary(name, exists ? &old : nullptr, f.TempName);
  if (!f.File) f.File = std::fopen(name.c_str(), "w");
  return f.File != nullptr;
}

bool PublishReplacement(ReplacementFile& f) {
  if (f.TempName.empty()) return true;
  if (::rename(f.TempName.c_str(), f.Name.c_str()) != 0) return false;
  f.TempName.clear();
  return true;
}

void FailReplacement(ReplacementFile& f, int error) {
  if (!f.TempName.empty()) ::unlink(f.TempName.c_str());
  driver::FatalIoError(f.Name, error);
}

}  // namespace output
