// The text of the mode report: a four-column table of 19-character cells
// under a centred title per driver.
#include "graph/mode_report.h"

#include <cstdio>

#include "base/text.h"
#include "base/stop.h"
#include "graph/graphics_setup.h"
#include "base/number_format.h"
#include "base/run_log.h"
#include "dialogs/dialogs.h"

namespace graph {

namespace {

std::string ModeCell(const ModeEntry& m) {
  std::string cell = base::IntText(m.Bpp, 3) + " " + base::IntText(m.Width, 5) +
                     "x" + base::IntText(m.Height) + "        ";
  cell.resize(19, ' ');
  return cell;
}

// The title is right-justified in (length of label) div 2 + 45 characters,
// which centres it over the 76-character table.
std::string DriverTitle(const DriverEntry& d) {
  std::string label = d.Name + (d.AnySize ? " (!)" : "");
  if (label.size() > 19) label.resize(19);
  return base::PadLeft("*** Driver: " + label + " ***",
                         static_cast<int32_t>(label.size() / 2 + 45));
}

void AddDriverBlock(std::vector<std::string>& lines, const DriverEntry& d) {
  lines.push_back(DriverTitle(d));
  std::string line;
  for (std::size_t i = 0; i < d.Modes.size(); ++i) {
    line += ModeCell(d.Modes[i]);
    if (i % 4 == 3) lines.push_back(std::move(line)), line.clear();
  }
  if (d.Modes.size() % 4 != 0) lines.push_back(line);
}

// The lines told on standard error without the program's name before
// each: what a window's box shows of the stop (the table is for the log).
std::vector<std::string> ToldLines(const std::string& told) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = told.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = told.substr(start, end - start);
    if (line.rfind("kurvex: ", 0) == 0) line.erase(0, 8);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::vector<std::string> ModeReportLines(const std::vector<DriverEntry>& drivers) {
  std::vector<std::string> lines = {
      "",
      "The required graphic mode cannot be initialized. Supported graphic modes for",
      "the available drivers are (BPP: color depth in bits, Width and Height:",
      "horizontal and vertical sizes of the graph given in pixels):",
      "",
      "BPP Width Height   BPP Width Height   BPP Width Height   BPP Width Height   "};
  for (const DriverEntry& d : drivers) AddDriverBlock(lines, d);
  const std::vector<std::string> closing = {
      "Behind the driver name, (!) denotes that (besides the standard sizes) the",
      "driver allows to choose arbitrary width and height within the physical",
      "limitation of the graphics adapter and the RAM.",
      "",
      "Please, choose valid graphic driver and mode (i.e. correct BPP, width and",
      "height values) in the \"kurvex.cfg\" configuration file!",
      "",
      std::string(base::ProgramBanner) + " has stopped."};
  lines.insert(lines.end(), closing.begin(), closing.end());
  return lines;
}

void ModeReport(int status, const std::string& hint) {
  const std::string told = status == base::kExitNormal
                               ? hint
                               : hint + "kurvex: The required graphic mode cannot be initialized; "
                                        "the supported modes are listed in the run log.\n";
  // The box comes before the drivers are listed: listing selects each of
  // them in turn, which closes the window.
  if (status != base::kExitNormal) dialogs::ShowStopBox(ToldLines(told));
  base::StopProgram(status, ModeReportLines(AvailableDrivers()), told);
}

}  // namespace graph
