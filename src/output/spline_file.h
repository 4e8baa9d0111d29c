// The spline data file: one fit's polynomials, values, derivatives,
// integrals and error values at every data X, the extrema and points of
// inflection, and the curve points the plot is drawn through. Rewritten
// whole by every pass that has results pending.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

#include "spline/evaluate.h"

namespace output {

// x, value, Der1, Der2, Der3 and Int as six fields and a line end: a curve
// row, and a row of the required-values file.
std::string ValuesRow(long double x, const spline::Evaluation& e);

// Starts the file named by OutputFileName anew (in a temporary file beside
// it, see replace_file.h) and writes its head:
// the banner line, the task line and, with WriteCurve on, the curve header.
void BeginSplineFile();
void WriteCurveRow(long double x, const spline::Evaluation& e);
// The segment table's heading, after the curve rows.
void WriteTableHead();
// The row of segment i (1 <= i < n): Xmin, Xmax, A..D, the values at Xmin, Err.
// Rows are written in order, 1 to n - 1, once per pass.
void WriteSegmentRow(int32_t i);
// After the fit, for a long table: starts formatting the segment rows on a
// second thread, ahead of WriteSegmentRow; EndSplineFile waits for it.
void FormatSegmentRowsAhead();
// Ends that thread and the one that writes the file's buffers of a long
// file, before the program stops (the data they read are about to be
// released); a failed write is then not reported.
void StopHelperThreads();
// "  Minimum at x=", "  Maximum at x=" or "  Point of inflection at x=" and x.
void WriteAnalysisLine(const char* label, long double x);
// The closing row at X[n], without a line end; the file is then closed and
// replaces the previous one.
void EndSplineFile();
// When the fit fails: the file, holding only its head, is closed and
// replaces the previous one, as a finished pass would.
void EndSplineFileAfterFailedFit();

}  // namespace output
