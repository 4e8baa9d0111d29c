// The required-values file: one row of x, value, three derivatives and the
// integral per request from the graph. Created with its header on the first
// request of a run, so a run without requests leaves an older file alone.
#pragma once
#include <cstdint>
#include <string>

namespace output {

// The file's three header lines for the task text and the field width W:
// the banner, the task in quotes, and the six column labels. Each row is
// ValuesRow (spline_file.h) of the cursor's x.
std::string RequiredValuesHead(const std::string& task, int32_t width);

// Appends the row for x, creating the file first when it is not open yet.
// Every row reaches the file as soon as it is complete.
void AppendRequiredValues(long double x);

// Closes the file at the normal end, when it was opened.
void CloseRequiredValues();

}  // namespace output
