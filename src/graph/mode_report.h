// The mode report: the list of graphics modes the drivers offer, written to
// the run log when the wanted driver or mode cannot be had, or on request.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace graph {

struct ModeEntry {
  int32_t Bpp, Width, Height;
};

struct DriverEntry {
  std::string Name;
  bool AnySize = false;  // accepts sizes beyond its list: marked "(!)"
  std::vector<ModeEntry> Modes;
};

// The report's lines, in order, without line ends.
std::vector<std::string> ModeReportLines(const std::vector<DriverEntry>& drivers);

// Writes the report of the drivers the graphics layer offers into the run
// log and stops with `status` (0 when the user asked for the list, 1 when a
// driver or mode could not be had, which standard error then says, after
// `hint`, and a window's message box too).
[[noreturn]] void ModeReport(int status, const std::string& hint = "");

}  // namespace graph
