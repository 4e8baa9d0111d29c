// What the two result files share: the task text quoted in both headers,
// their header line of column labels, and whether kurvex.cal is open.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

#include "config/settings.h"

namespace output {

// The result files' state for the whole run.
struct ResultFilesRecord {
  std::string ParameterText;        // built once at start-up, see below
  bool RequiredValuesOpen = false;  // kurvex.cal has its header and is open
};
extern ResultFilesRecord ResultFiles;

// "data.dat x1 y2 r0 e3 1": the data file and the column, row and ratio
// settings in effect.
std::string BuildParameterText(const std::string& dataFileName, const config::SettingsRecord& s);

// Label cells filled or cut to width + 1 characters each, then a line end.
std::string HeaderLine(std::initializer_list<const char*> labels, int32_t width);

}  // namespace output
