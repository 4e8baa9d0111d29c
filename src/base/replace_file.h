// Writing a result file so that the one it replaces stays whole until the
// new one is complete: the text goes to a new file beside it, which gets the
// name only when it is complete. Where the folder can hold files without a
// name (Linux's O_TMPFILE), the new file has none until then, so that no
// ending of the run, a kill or a power loss included, leaves anything
// behind; elsewhere it is a temporary file "NAME.XXXXXX" that every ending
// the program sees removes.
//
// A file is replaced only where a plain truncating open would have
// succeeded: a file the user may not write is refused. It is written in
// place where a replacement could not stand for it: a name that is no
// regular file (a device, a FIFO, a symbolic link), a file with further hard
// links (they would keep the old text), one whose owner the new file cannot
// keep, and one in a folder that refuses new files.
//
// Each run holds an advisory lock (flock) on its result files from its
// start to its end, and on its run log; a second run that finds one of
// them held stops with "NAME: in use by another run" instead of replacing it.
#pragma once
#include <cstdio>
#include <string>

namespace base {

struct ReplacementFile {
  std::FILE* File = nullptr;
  std::string Name;      // the name the user gave, used in every message
  int NameFd = -1;       // a second descriptor of the new file: names it, holds its lock
  bool Unnamed = false;  // the new file has no name yet
  std::string TempName;  // the temporary name, when the folder has no unnamed files
  int Slot = -1;         // TempName's place among the names removed at any ending
  bool InPlace = false;  // written into the old file itself
  int HeldFd = -1;       // the file published last, kept open for its lock
};

// Opens a new file for `name` with the old file's permissions and owner, or
// the old file itself where it must be written in place (see above). Every
// failure is the fatal input/output stop with the old file untouched.
void OpenReplacement(ReplacementFile& f, const std::string& name);

// Puts what has been written under the name (the stream may stay open and
// go on writing into it, or be closed already). Everything written must
// have been flushed. A failure is the fatal stop.
void PublishReplacement(ReplacementFile& f);

// Lets go of the lock on the file published last, for a writer that is no
// run of the program (the Python module), which must not keep another run
// from writing it.
void LetGo(ReplacementFile& f);

// The fatal stop for a failed write: the new file is dropped, so that the
// old file stays as it was, and the user's name is reported with the
// reason. The stream is not flushed again.
[[noreturn]] void FailReplacement(ReplacementFile& f, int error);

// For images: a new file without a name beside `nameLike` (the stream is
// f.File). False, with errno, when none can be made.
bool OpenNewBeside(ReplacementFile& f, const std::string& nameLike);
// Gives the complete new file the name `name` only when no file has it:
// false with errno EEXIST when the name is taken (the file stays unnamed,
// for another name), false with another errno on failure.
bool PublishExclusive(ReplacementFile& f, const std::string& name);
// Closes the stream and drops a new file that got no name.
void DiscardReplacement(ReplacementFile& f);

// Opens the run log for writing in place, emptied, with its lock; a log
// held by another run, or any failure, is the fatal stop.
std::FILE* OpenLockedLog(const std::string& name);
// The fatal stop when a live run holds the file at `name`.
void CheckNotInUse(const std::string& name);
// Takes this run's lock on the file at `name` at its start and holds it to
// its end, so that a second run that would write the same file stops at
// its own start ("in use by another run") instead of replacing this run's
// result later. Where no file is, an empty one is made to hold the lock;
// every ending the program sees removes it while it is still empty and at
// its name. A name that is no regular file, or a file that cannot be read
// or made, is not locked.
void HoldForTheRun(const std::string& name);

// Removes every temporary name still on the disk, and every empty file made
// to hold a lock. Safe in a signal handler; called by every ending of the run.
void RemoveTemporaryNames();
// SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU,
// SIGVTALRM and SIGPROF remove the temporary names and then end the run as
// the signal would have (a signal ignored at start stays ignored).
void RemoveTemporaryNamesOnSignals();

// A test's hook: when the environment's KURVEX_TEST_PAUSE names `point`,
// the run stops itself (SIGSTOP) there, so that a test can send a signal
// at exactly that moment.
void PausePoint(const char* point);

// Whether new files may be made without a name where the folder allows it;
// tests switch it off to try temporary names.
extern bool UseUnnamedFiles;

}  // namespace base
