// New result files beside the old ones, given their names when complete;
// the locks that keep two runs from replacing each other's files; and the
// temporary names that every ending removes.
#include "base/replace_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/stop.h"

namespace base {

bool UseUnnamedFiles = true;

namespace {

constexpr const char* kInUse = "in use by another run";

// ---- Temporary names: fixed slots, so that a signal handler can walk them.

constexpr int kSlots = 8;
constexpr std::size_t kPathRoom = 4096;
struct NameSlot {
  char Path[kPathRoom];
  std::atomic<bool> Used;
};
NameSlot Slots[kSlots];

int RememberName(const std::string& path) {
  if (path.size() >= kPathRoom) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (Slots[i].Used.load()) continue;
    std::memcpy(Slots[i].Path, path.c_str(), path.size() + 1);
    Slots[i].Used.store(true);
    return i;
  }
  return -1;
}

void ForgetName(int& slot) {
  if (slot >= 0) Slots[slot].Used.store(false);
  slot = -1;
}

void OnTerminationSignal(int signal) {
  const int saved = errno;
  RemoveTemporaryNames();
  std::raise(signal);  // the default action again (SA_RESETHAND), once this returns
  errno = saved;
}

// ---- The files this run holds locked, by identity, so that the check for
// another run's lock does not find our own.

struct Identity {
  dev_t Dev;
  ino_t Ino;
};
std::vector<Identity> held;

void Hold(int fd) {
  struct stat st;
  if (::fstat(fd, &st) == 0) held.push_back({st.st_dev, st.st_ino});
}

void Release(int& fd) {
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) == 0)
    for (auto it = held.begin(); it != held.end(); ++it)
      if (it->Dev == st.st_dev && it->Ino == st.st_ino) {
        held.erase(it);
        break;
      }
  ::close(fd);
  fd = -1;
}

bool HeldHere(const struct stat& st) {
  for (const Identity& h : held)
    if (h.Dev == st.st_dev && h.Ino == st.st_ino) return true;
  return false;
}

// A shared lock is refused only while another run holds the exclusive one.
// A file that cannot be read cannot be asked, and counts as free.
bool HeldByAnotherRun(const std::string& name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || HeldHere(st)) return false;
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return busy;
}

// ---- Locks taken at the start of the run and held to its end (see
// HoldForTheRun), and the empty files made only to hold one. A placeholder
// sits in a fixed slot with its identity, so that an ending, a signal
// handler included, removes it only while it is still at its name, empty.

struct RunLock {
  int Fd;
  dev_t Dev;
  ino_t Ino;
};
std::vector<RunLock> runLocks;

struct PlaceholderSlot {
  char Path[kPathRoom];
  dev_t Dev;
  ino_t Ino;
  std::atomic<bool> Used;
};
PlaceholderSlot Placeholders[kSlots];

void RememberPlaceholder(const std::string& path, int fd) {
  struct stat st;
  if (path.size() >= kPathRoom || ::fstat(fd, &st) != 0) return;
  for (PlaceholderSlot& p : Placeholders) {
    if (p.Used.load()) continue;
    std::memcpy(p.Path, path.c_str(), path.size() + 1);
    p.Dev = st.st_dev, p.Ino = st.st_ino;
    p.Used.store(true);
    return;
  }
}

void RemovePlaceholders() {
  for (PlaceholderSlot& p : Placeholders) {
    struct stat st;
    if (p.Used.load() && ::stat(p.Path, &st) == 0 && st.st_dev == p.Dev && st.st_ino == p.Ino &&
        st.st_size == 0)
      ::unlink(p.Path);
  }
}

// A file about to be locked for writing may be one this run locked at its
// start: that lock is let go first, or the two would refuse each other.
void GiveUpRunLock(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return;
  for (auto it = runLocks.begin(); it != runLocks.end(); ++it)
    if (it->Dev == st.st_dev && it->Ino == st.st_ino) {
      Release(it->Fd);
      runLocks.erase(it);
      return;
    }
}

// The exclusive lock on a file to be written; a file system without locks
// gives none and is written all the same.
void LockOrStop(int fd, const std::string& name) {
  GiveUpRunLock(fd);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    base::FatalIoError(name, kInUse);
  }
  Hold(fd);
}

// ---- Making the new file.

// The mode a new file gets from fopen: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// An unnamed file is named through /proc/self/fd, which a chroot may lack.
bool UnnamedFilesUsable() {
  static const bool proc = ::access("/proc/self/fd", X_OK) == 0;
  return UseUnnamedFiles && proc;
}

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Six letters and digits that another name beside it is unlikely to have;
// a clash is caught by the exclusive link or create that uses them.
std::string RandomSuffix() {
  static uint64_t counter = 0;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  uint64_t v = (uint64_t(::getpid()) << 40) ^ uint64_t(now.tv_nsec) ^ uint64_t(now.tv_sec) ^
               (++counter * 0x9E3779B97F4A7C15u);
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s = ".";
  for (int i = 0; i < 6; ++i, v /= 62) s += kLetters[v % 62];
  return s;
}

int MakeNamedTemporary(ReplacementFile& f, const std::string& nameLike) {
  std::vector<char> pattern(nameLike.begin(), nameLike.end());
  for (const char c : std::string(".XXXXXX")) pattern.push_back(c);
  pattern.push_back('\0');
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  f.TempName = pattern.data();
  f.Slot = RememberName(f.TempName);
  return fd;
}

// Drops the new file: its descriptors, its temporary name. The stream, if
// any, is left to the caller (it must not be flushed into a failing file).
void DropNew(ReplacementFile& f) {
  Release(f.NameFd);
  if (!f.TempName.empty()) ::unlink(f.TempName.c_str());
  ForgetName(f.Slot);
  f.TempName.clear();
  f.Unnamed = false;
}

// Only root can give a file to another owner or to a group it is not in;
// a replacement that cannot keep them would change who owns the result.
bool KeepOwner(int fd, const struct stat* old) {
  struct stat st;
  if (old == nullptr || ::fstat(fd, &st) != 0) return true;
  if (st.st_uid == old->st_uid && st.st_gid == old->st_gid) return true;
  return ::fchown(fd, old->st_uid, old->st_gid) == 0;
}

constexpr int kWriteInPlace = -1;

// A folder that refuses new files leaves the old file to be written in
// place, as a plain truncating open would; a lack of space or inodes, or
// anything else, is a failure, never a reason to cut the old file.
int Refusal(int error) {
  return error == EACCES || error == EPERM || error == EROFS ? kWriteInPlace : error;
}

// 0 with the new file open, kWriteInPlace, or an errno.
int MakeNew(ReplacementFile& f, const std::string& nameLike, const struct stat* old) {
  int fd = -1;
  if (UnnamedFilesUsable()) {
    fd = ::open(FolderOf(nameLike).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
      f.Unnamed = true;
    else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
      return Refusal(errno);
  }
  if (fd < 0 && (fd = MakeNamedTemporary(f, nameLike)) < 0) return Refusal(errno);
  const mode_t mode = old != nullptr ? (old->st_mode & 07777) : NewFileMode();
  int result = 0;
  if (!KeepOwner(fd, old))
    result = kWriteInPlace;
  else if (::fchmod(fd, mode) != 0 || (f.NameFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) < 0)
    result = errno;
  else if ((f.File = ::fdopen(fd, "w")) == nullptr)
    result = errno;
  if (result != 0) {
    ::close(fd);
    DropNew(f);
    return result;
  }
  (void)::flock(f.NameFd, LOCK_EX | LOCK_NB);  // a new file: nobody else can hold it
  Hold(f.NameFd);
  return 0;
}

// Writing in place: the old file emptied and written, or a
// device or FIFO opened for writing.
void OpenInPlace(ReplacementFile& f) {
  f.InPlace = true;
  struct stat st;
  const bool regular = ::stat(f.Name.c_str(), &st) != 0 || S_ISREG(st.st_mode);
  if (!regular) {
    f.File = std::fopen(f.Name.c_str(), "w");
    if (f.File == nullptr) base::FatalIoError(f.Name, errno);
    return;
  }
  const int fd = ::open(f.Name.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) base::FatalIoError(f.Name, errno);
  Release(f.HeldFd);  // the same file, held since the last pass: its lock moves
  LockOrStop(fd, f.Name);
  if (::ftruncate(fd, 0) != 0 || (f.NameFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0)) < 0 ||
      (f.File = ::fdopen(fd, "w")) == nullptr)
    base::FatalIoError(f.Name, errno);
}

void StartNew(ReplacementFile& f, const std::string& name) {
  f.File = nullptr;
  f.Name = name;
  f.NameFd = -1;
  f.Unnamed = f.InPlace = false;
  f.TempName.clear();
  f.Slot = -1;
}

// The published file is held from now on; the one before it is let go.
void HoldPublished(ReplacementFile& f) {
  Release(f.HeldFd);
  f.HeldFd = f.NameFd;
  f.NameFd = -1;
}

// An unnamed file gets a temporary name of its own (exclusively), which the
// rename then moves over the old file in one step.
void NameTemporarily(ReplacementFile& f) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = f.Name + RandomSuffix();
    f.Slot = RememberName(temp);
    if (::linkat(AT_FDCWD, ProcPath(f.NameFd).c_str(), AT_FDCWD, temp.c_str(),
                 AT_SYMLINK_FOLLOW) == 0) {
      f.TempName = temp;
      f.Unnamed = false;
      return;
    }
    const int error = errno;
    ForgetName(f.Slot);
    if (error != EEXIST) FailReplacement(f, error);
  }
  FailReplacement(f, EEXIST);
}

}  // namespace

void OpenReplacement(ReplacementFile& f, const std::string& name) {
  StartNew(f, name);
  struct stat old;
  const bool exists = ::lstat(name.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || old.st_nlink != 1)) return OpenInPlace(f);
  if (exists) {
    CheckNotInUse(name);
    // Where a truncating open would fail, so does the replacement.
    if (::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0)
      base::FatalIoError(name, errno);
  }
  const int made = MakeNew(f, name, exists ? &old : nullptr);
  if (made == kWriteInPlace) return OpenInPlace(f);
  if (made != 0) base::FatalIoError(name, made);
}

void PublishReplacement(ReplacementFile& f) {
  if (f.NameFd < 0) return;  // published already, or a device written in place
  if (f.InPlace) return HoldPublished(f);
  if (HeldByAnotherRun(f.Name)) {
    DropNew(f);
    base::FatalIoError(f.Name, kInUse);
  }
  if (f.Unnamed) NameTemporarily(f);
  if (::rename(f.TempName.c_str(), f.Name.c_str()) != 0) FailReplacement(f, errno);
  ForgetName(f.Slot);
  f.TempName.clear();
  HoldPublished(f);
}

void FailReplacement(ReplacementFile& f, int error) {
  DropNew(f);
  base::FatalIoError(f.Name, error);
}

bool OpenNewBeside(ReplacementFile& f, const std::string& nameLike) {
  StartNew(f, nameLike);
  const int made = MakeNew(f, nameLike, nullptr);
  if (made == 0) return true;
  errno = made == kWriteInPlace ? EACCES : made;
  return false;
}

bool PublishExclusive(ReplacementFile& f, const std::string& name) {
  const int linked =
      f.Unnamed ? ::linkat(AT_FDCWD, ProcPath(f.NameFd).c_str(), AT_FDCWD, name.c_str(),
                           AT_SYMLINK_FOLLOW)
                : ::link(f.TempName.c_str(), name.c_str());
  if (linked != 0) return false;
  f.Name = name;
  f.Unnamed = false;
  DropNew(f);  // the temporary name goes; the file keeps its new one
  return true;
}

void LetGo(ReplacementFile& f) { Release(f.HeldFd); }

void DiscardReplacement(ReplacementFile& f) {
  if (f.File != nullptr) std::fclose(f.File);
  f.File = nullptr;
  DropNew(f);
}

std::FILE* OpenLockedLog(const std::string& name) {
  ReplacementFile log;
  StartNew(log, name);
  OpenInPlace(log);
  return log.File;  // its descriptor holds the lock while the log is open
}

void CheckNotInUse(const std::string& name) {
  if (HeldByAnotherRun(name)) base::FatalIoError(name, kInUse);
}

void RemoveTemporaryNames() {
  for (NameSlot& s : Slots)
    if (s.Used.load()) ::unlink(s.Path);
  RemovePlaceholders();
}

void HoldForTheRun(const std::string& name) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    struct stat st;
    int fd;
    if (::stat(name.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode) || HeldHere(st)) return;
      // A file that cannot be read cannot be locked; it counts as free.
      if ((fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) < 0) return;
    } else if (errno != ENOENT) {
      return;
    } else if ((fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                            0666)) >= 0) {
      RememberPlaceholder(name, fd);
    } else if (errno == EEXIST) {
      continue;  // another run made it just now: ask its lock
    } else {
      return;  // a folder that takes no new file: writing it will say so
    }
    LockOrStop(fd, name);
    if (::fstat(fd, &st) == 0) runLocks.push_back({fd, st.st_dev, st.st_ino});
    return;
  }
}

void RemoveTemporaryNamesOnSignals() {
  // Every signal whose default ends the process and that a user, a shell
  // or a batch scheduler sends (SIGXCPU is a CPU-time limit).
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU,
                           SIGVTALRM, SIGPROF}) {
    struct sigaction old{};
    if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction action{};
    action.sa_handler = OnTerminationSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

void PausePoint(const char* point) {
  static const char* wanted = std::getenv("KURVEX_TEST_PAUSE");
  if (wanted != nullptr && std::strcmp(wanted, point) == 0) std::raise(SIGSTOP);
}

}  // namespace base
