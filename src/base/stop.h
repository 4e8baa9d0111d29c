// The ways out of the program. Any subsystem may end the run, so the stops
// are declared here, on the ground floor; they are carried out by the
// driver (driver/stop.cpp), the one file that knows what a run holds and
// must release. Every ending goes through StopProgram.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

namespace base {

// Exit statuses: 0 for every ending the user asked for, 1 for an error stop,
// 2 for a failed read or write of a file and for a command line that is
// not understood.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitErrorStop = 1;
inline constexpr int kExitIoFailure = 2;
inline constexpr int kExitUsageError = 2;

// Ends the run with `status`. An error stop (status 1) with `logLines`
// shows them first in a message box when the run has a window (see
// dialogs::ShowStopBox). `errorText` goes to standard error (as it
// stands), then each of `logLines` to the run log when it is open; the
// log is closed, the arrays, the helper threads and the mouse are released
// and temporary files removed. Status 2 ends at once after the text: no
// file is written or flushed any more, since one of them has just failed.
[[noreturn]] void StopProgram(int status, const std::vector<std::string>& logLines = {},
                              const std::string& errorText = "");

// An error stop: each line goes to the run log and, as "kurvex: LINE", to
// standard error (not when a message box has just written it there), then
// the run ends with status 1.
[[noreturn]] void ErrorStop(std::initializer_list<std::string> lines,
                            bool onStandardErrorAlready = false);

// A file the program opened (or tried to) cannot be read or written: with
// a window "NAME: reason" in a message box, then one line
// "kurvex: NAME: reason" on standard error, status 2, nothing in the log.
[[noreturn]] void FatalIoError(const std::string& fileName, int error);
// The same with a reason of the program's own ("in use by another run").
[[noreturn]] void FatalIoError(const std::string& fileName, const char* reason);

}  // namespace base
