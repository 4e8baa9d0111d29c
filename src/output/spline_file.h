// The spline data file: one fit's polynomials, values, derivatives,
// integrals and error values at every data X, the extrema and points of
// inflection, and the curve points of the walk along the curve. Written from
// the records below alone, to a file (which replaces the old one only when
// complete) or to a string in memory.
#pragma once
#include <cstdint>
#include <string>

#include "spline/analysis.h"
#include "spline/curve_walk.h"
#include "spline/evaluate.h"
#include "spline/significance.h"

namespace output {

// What the file is written from. The arrays are indexed from 1 and are only
// read; the segments may be filled after BeginSplineFile (the head is
// written before the fit, so a fit that fails leaves it).
struct SplineFileContent {
  int32_t N = 0;                             // the knots X[1..N], N >= 2
  const long double* X = nullptr;            // increasing
  const long double* Err = nullptr;          // each point's error as the fit used it
  const spline::SplineSegment* A = nullptr;  // the fit's segments, rows 0..N
  spline::WalkScale Walk;                    // the curve walk's step and extents
  int32_t NumberWidth = 13;                  // W: every real is a field of W characters
  bool WriteCurve = true;                    // the curve rows
  bool ShowCalculus = true;                  // the minima, maxima and inflections
  std::string Task;                          // the task line's text, "data.dat x1 y2 r0 e3 1"
  spline::MarkSieve Sieve;                   // which marks are listed: all by default
};

// x, value, Der1, Der2, Der3 and Int as six fields of `width` and a line
// end: a curve row, and a row of the required-values file.
std::string ValuesRow(long double x, const spline::Evaluation& e, int32_t width);

// The whole file for `c`, written as `fileName` (holding no lock on it
// afterwards, unlike a pass of the program) or returned as text.
void WriteSplineFile(const SplineFileContent& c, const std::string& fileName);
std::string SplineFileText(const SplineFileContent& c);

// The same, a piece at a time, for a pass that walks the curve and the
// intervals for a picture too. One file is written at a time, in the order
// of the calls below.
//
// Starts the file (a temporary file beside `fileName`, see replace_file.h,
// or the string `memory`) and writes its head: the banner line, the task
// line and, with WriteCurve on, the curve header. `c` must outlive the file.
void BeginSplineFile(const SplineFileContent& c, const std::string& fileName);
void BeginSplineFileInMemory(const SplineFileContent& c, std::string& memory);
// After the fit, for a long table: starts formatting the segment rows on a
// second thread, ahead of WriteSegmentRow; EndSplineFile waits for it.
void FormatSegmentRowsAhead();
// One point of the curve walk (only with WriteCurve on).
void WriteCurveRow(long double x, const spline::Evaluation& e);
// The segment table's heading, after the curve rows.
void WriteTableHead();
// The row of segment i (1 <= i < N): Xmin, Xmax, A..D, the values at Xmin,
// Err. Rows are written in order, 1 to N - 1.
void WriteSegmentRow(int32_t i);
// "  Minimum at x=", "  Maximum at x=" or "  Point of inflection at x=" and
// the mark's x, after the row of its interval (only with ShowCalculus on).
void WriteMarkLine(const spline::CalculusMark& m);
// The closing row at X[N], without a line end; the file is then closed and
// replaces the previous one.
void EndSplineFile();
// When the fit fails: the new file, holding only its head, is dropped, so
// that the previous result stays whole (a file written in place, such as
// a FIFO, keeps the head).
void AbandonSplineFile();
// Ends the thread that formats rows ahead and the one that writes the
// buffers of a long file, before the program stops (the data they read are
// about to be released); a failed write is then not reported.
void StopHelperThreads();

}  // namespace output
