// The analysis report of the run: what it gathers between fits (the factor
// keys, the cursor requests) and the report made from the program's state
// after every fit and every cursor request, when ReportFileName names it.
#pragma once
#include <cstdint>

#include "output/report_file.h"

namespace output {

// Gathered for the report since the start of the run.
struct AnalysisReportState {
  std::vector<std::string> FactorKeys;  // "0".."9", "`", "-", in the order pressed
  std::vector<ReportCursor> Cursors;    // one per F3, with the fit of its time
};
extern AnalysisReportState ReportState;

void NoteFactorKey(int32_t key);
// The values and sigmas at x from the latest fit; the report is rewritten.
void NoteCursor(long double x);

// The report's content from the program's state and the latest fit.
ReportContent GatherReport();
// Writes the report when ReportFileName is set; otherwise does nothing.
void WriteAnalysisReport();

}  // namespace output
