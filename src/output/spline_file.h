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

// Label cells filled or cut to width + 1 characters each, then a line end.
std::string HeaderLine(std::initializer_list<const char*> labels, int32_t width);

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
void WriteSegmentRow(int32_t i);
// "  Minimum at x=", "  Maximum at x=" or "  Point of inflection at x=" and x.
void WriteAnalysisLine(const char* label, long double x);
// The closing row at X[n], without a line end; the file is then closed and
// replaces the previous one.
void EndSplineFile();
// When the fit fails: the file, holding only its head, is closed and
// replaces the previous one, as a finished pass would.
void EndSplineFileAfterFailedFit();

}  // namespace output
