// The analysis report of the run: what it gathers between fits (the factor
// keys, the cursor requests) and the report made from the program's state
// after every fit and every cursor request, when ReportFileName names it.
#pragma once
#include <cstdint>

#include "output/report_file.h"
#include "spline/analysis.h"

namespace output {

// Gathered for the report since the start of the run.
struct AnalysisReportState {
  std::vector<std::string> FactorKeys;  // "0".."9", "`", "-", in the order pressed
  std::vector<ReportCursor> Cursors;    // one per F3, with the fit of its time
  // The marks of the latest fit with their sigmas, as the drawing pass met
  // them; without them (no pass has noted any) the report finds them itself.
  std::vector<ReportMark> Marks;
  bool MarksNoted = false;
};
extern AnalysisReportState ReportState;

void NoteFactorKey(int32_t key);
// A fitting pass starts: the marks noted so far belong to the fit before.
void StartNotingMarks();
// One mark of interval i of the latest fit, in the result file's order.
void NoteMark(const spline::CalculusMark& m, int32_t interval);
// The values and sigmas at x from the latest fit; the report is rewritten.
void NoteCursor(long double x);

// The report's content from the program's state and the latest fit.
ReportContent GatherReport();
// Writes the report when ReportFileName is set; otherwise does nothing.
void WriteAnalysisReport();

}  // namespace output
