// The ways out of the program. Every ending goes through StopProgram; the
// error stops write their message to the run log and to standard error first.
#pragma once
#include <initializer_list>
#include <string>

namespace driver {

// Exit statuses: 0 for every ending the user asked for, 1 for an error stop,
// 2 for a failed read or write of a file and for a command line that is
// not understood.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitErrorStop = 1;
inline constexpr int kExitIoFailure = 2;
inline constexpr int kExitUsageError = 2;

extern bool MouseInUse;          // the graphics mouse must be released
extern bool RequiredValuesOpen;  // the required-values file must be closed

// Releases the arrays and the mouse and ends the process with `status`.
// Writes nothing and closes no file itself.
[[noreturn]] void StopProgram(int status);

// An error stop: each line goes to the run log and to standard error (once:
// not again when a message box has just written it there), then the run
// ends with status 1.
[[noreturn]] void ErrorStop(std::initializer_list<std::string> lines,
                            bool onStandardErrorAlready = false);

// A file the program opened (or tried to) cannot be read or written: one
// line "kurvex: NAME: reason" on standard error, status 2, nothing in the log.
[[noreturn]] void FatalIoError(const std::string& fileName, int error);
// The same with a reason of the program's own ("in use by another run").
[[noreturn]] void FatalIoError(const std::string& fileName, const char* reason);

}  // namespace driver
