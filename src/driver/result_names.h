// The files a run writes, checked before it writes any of them: none may
// be the data file, and no two may be the same file, since the one written
// later would replace the other.
#pragma once
#include <string>

namespace driver {

// Compares the run log, kurvex.out, kurvex.cal and the report with each
// other and with the data file when it is named on the command line or in
// InputFileName. A clash is a usage error naming both (status 2) before
// anything is written.
void CheckResultNames();

// Takes this run's lock on every file it writes but the log (which has its
// own when it is opened), from now to its end: a second run that would
// write one of them stops at its start.
void HoldResultFiles();

// The data file as chosen (also in the file dialog), compared once more
// with the files the run writes; the same stop.
void CheckDataFileIsNoResult(const std::string& dataFile);

}  // namespace driver
