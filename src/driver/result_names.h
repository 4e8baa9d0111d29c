// The files a run writes, checked before it writes any of them: none may
// be the data file, and no two may be the same file, since the one written
// later would replace the other.
#pragma once
#include <string>

namespace driver {

// The data file as the start-up will choose it: argument 1, else
// InputFileName; "" when the file dialog is to choose it.
std::string NamedDataFile();

// Compares the run log, kurvex.out, kurvex.cal, the report and the tables
// with each other and with the data file when it is named on the command
// line or in InputFileName. A clash is a usage error naming both (status
// 2) before anything is written. A name with %n is compared only once the
// data file is known (config::DataFileForNames).
void CheckResultNames();

// Takes this run's lock on every file it replaces but the log (which has
// its own when it is opened), from now to its end: a second run that would
// write one of them stops at its start. The shared tables are not held. A
// name with %n is held only once the data file is known.
void HoldResultFiles();

// The data file as chosen (also in the file dialog), compared once more
// with the files the run writes; the same stop.
void CheckDataFileIsNoResult(const std::string& dataFile);

}  // namespace driver
