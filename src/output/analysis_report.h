// The analysis report: gathered from explicit records of the data, the fit
// and its covariance bands, so that the program and the Python module make
// it alike; and the program's own report, which keeps what it gathers
// between fits (the factor keys, the cursor requests) and is written after
// every fit and every cursor request when ReportFileName names it, and
// whose rows go to the shared tables.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "output/report_file.h"
#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/significance.h"
#include "spline/uncertainty.h"

namespace output {

// What a report is gathered from. The arrays are indexed from 1.
struct ReportInputs {
  int32_t N = 0;
  const long double *X = nullptr, *Y = nullptr, *Err = nullptr;
  const spline::SplineSegment* A = nullptr;  // the fit's segments
  long double YMin = 0, YMax = 0;
  const spline::FitRecordType* Fit = nullptr;     // how the fit went
  const spline::CovarianceBands* Bands = nullptr;  // its bands, for the sigmas
  std::string Task;                 // the result files' task text
  const char* Errors = "default";   // see ErrorSourceName
  int32_t Ratio = 0;                // the scatter estimate's half-width
  bool ErrorsInY = false;           // the error column in units of Y
  std::string Separator;            // see ReportContent: "" when no key chose the format
  bool DecimalComma = false, FormatGuessed = false;
  bool ShowCalculus = true;         // the marks are listed
  long double Threshold = 0;        // MarkSignificance; 0: none
  // The marks with their slopes and z when already made for this fit (the
  // program makes them once per fit); null: made here, the z only when
  // WithZ (otherwise every z is 0).
  const spline::MarkScoreRecord* Scores = nullptr;
  bool WithZ = true;
  bool Knots = false;               // the per-knot arrays
};

// Where the errors came from: "scatter" (estimated), "column", "value"
// (one value for all, errorFill >= 0) or "default" (a millionth of the range).
const char* ErrorSourceName(bool estimated, int32_t columnError, long double errorFill);

// The marks of every interval with their sigmas and significance, in the
// result file's order; none when ShowCalculus is off.
std::vector<ReportMark> FindReportMarks(const ReportInputs& in);
// The values and sigmas at x.
ReportCursor CursorAt(const ReportInputs& in, long double x);
// The report's content; it refers to `marks` and `cursors`, which must
// outlive it.
ReportContent GatherReport(const ReportInputs& in, const std::vector<ReportMark>& marks,
                           const std::vector<std::string>& factors,
                           const std::vector<ReportCursor>& cursors);

// ---- The program's report ----

// Gathered since the start of the run.
struct AnalysisReportState {
  std::vector<std::string> FactorKeys;  // "0".."9", "`", "-", in the order pressed
  std::vector<ReportCursor> Cursors;    // one per F3, with the fit of its time
  std::vector<ReportMark> Marks;        // those of the latest fit
  int32_t Fits = 0;                     // the fits of the run so far
};
extern AnalysisReportState ReportState;

void NoteFactorKey(int32_t key);
// After a fit: its marks are found, the report is written when
// ReportFileName is set, and the fit's rows are added to the tables that
// FitTableFileName and MarkTableFileName name (fit_tables.h), and the
// figure is drawn when FigureFileName names it (figure.h); without these
// keys nothing is done.
void WriteAnalysisReport();
// The values and sigmas at x from the latest fit; the report is rewritten.
void NoteCursor(long double x);
// The figure of the latest fit drawn again when FigureFileName names one
// (the window's image key asks for it with its picture).
void RedrawFigure();

}  // namespace output
