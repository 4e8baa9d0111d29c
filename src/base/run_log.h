// The run log: how the latest run went. Created anew as the first act of a
// run; every line reaches the file as soon as it is complete, so the log is
// whole even when the run is killed.
#pragma once
#include <cstdint>
#include <string>

namespace base {

// Creates (or empties) the log. A failure is the fatal input/output stop.
void OpenRunLog(const std::string& fileName);
bool RunLogIsOpen();

// Writes text without a line end and hands it to the system at once.
void LogText(const std::string& text);
// Writes one line and its line end and hands it to the system at once.
void LogLine(const std::string& line);
void CloseRunLog();

// "Allocating X[1..57,1..1] " filled with "." to 38 characters (cut at 38).
std::string AllocationLine(char letter, int32_t firstRow, int32_t lastRow,
                           int32_t firstColumn, int32_t lastColumn);

}  // namespace base
