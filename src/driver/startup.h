// The start-up sequence of a run, from the run log to the first pass of the
// graph, and the normal end.
#pragma once

namespace driver {

// Runs every start-up step in order, with the command line already read;
// returns when the graph can start.
void StartUp();

// The normal end after the quit key: kurvex.cal closed, the closing line,
// the log closed, the stop.
[[noreturn]] void NormalEnd();

}  // namespace driver
