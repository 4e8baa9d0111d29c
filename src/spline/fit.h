// The smoothing-spline fit and the error values that weight it: completion
// and scatter estimate of the errors, the fit by Reinsch's method, the
// segment records, the error-scaling keys and the two quality figures.
#pragma once
#include <cstdint>
#include <string>

#include "spline/segment.h"

namespace spline {

// The spline's own state, for the whole run: the segment array A (rows
// 0..N, the finished spline after every fit) and the fit's workspace R
// (WorkspaceDoubles(N) doubles), allocated once after the data arrays.
struct FitRecord {
  SplineSegment* Segments = nullptr;
  double* Workspace = nullptr;
};
extern FitRecord Fit;

// Allocates A and R for rows 0..N, each with its line in the run log (a
// failure is the out-of-memory stop); releases them at the stop.
void AllocateFitArrays(int32_t rowBound);
void ReleaseFitArrays();

// Arrays follow the data set: X, Y and E are indexed from 1 to n (element 0
// is never read), the segments A have rows 0..n, and the workspace R holds
// WorkspaceDoubles(n) doubles.

// Turns the error values as read into the ones the fit uses. With r one
// millionth of the Y range: a negative value becomes r; otherwise, when the
// errors come from a column (columnError > 0), the value is taken in units
// of r, or as it stands when the column is in units of Y (columnInY).
void CompleteErrors(int32_t n, const long double* Y, long double* E, int32_t columnError,
                    bool columnInY = false);

// The values an error column gave, before CompleteErrors: how many (a
// negative value is a missing one), the smallest and largest, and the range
// of Y they are read against.
struct ErrorColumnSpan {
  int32_t Count = 0;
  long double Low = 0, High = 0, YRange = 0;
};
ErrorColumnSpan SpanOfErrorColumn(int32_t n, const long double* Y, const long double* E);
// Every value from a thousandth of the Y range to the whole of it: as
// sigmas in units of Y they would be usual, read as millionths they make
// errors below a millionth of the range, a curve through every point.
bool LooksLikeUnitsOfY(const ErrorColumnSpan& span);

// Replaces every error value by the square root of the absolute least-squares
// slope of Y on X over the points i-w..i+w (cut at the ends), rescaled so
// that the sum of the errors is kept. Nothing changes when w <= 0 or when
// every slope is 0 (no scale to rescale from).
void EstimateErrorsFromScatter(int32_t n, const long double* X, const long double* Y,
                               long double* E, int32_t w);

// What a fit ended with, for callers that want more than the status.
struct FitOutcome {
  long double P = 0;            // smoothing parameter the segments were built with
  long double ResidualSum = 0;  // weighted residual sum of the last pass
  int32_t Iterations = 0;       // passes made
  // With FitStatus::IterationLimit: the iteration stopped before its limit
  // because p overflowed (left the finite extended reals), which more
  // iterations cannot mend; the units of the data lie beyond the fit's sums.
  bool ScaleOverflow = false;
};

// Fits the cubic smoothing spline to X[1..n] (strictly increasing, n >= 2),
// Y and the errors E (Reinsch, Numer. Math. 10 (1967) 177-183): the smoothing
// parameter p is raised from 0 until the weighted residual sum
// sum(((Y[i] - S(X[i])) / E[i])^2) is n within n/10000. Works in R and A only
// and always leaves the finished segments in A[0..n].
FitStatus FitSmoothingSpline(int32_t n, int32_t maxIteration, const long double* X,
                             const long double* Y, const long double* E, double* R,
                             SplineSegment* A, FitOutcome* outcome = nullptr);

// The same spline for a given smoothing parameter p >= 0, without the
// iteration: the segments are built as the iteration's last pass builds
// them, so the p an iterated fit ended with reproduces its segments bit for
// bit. Returns 0 (1 when the sums leave the range of extended reals and the
// straight line is taken); outcome->Iterations is 0.
FitStatus FitSmoothingSplineAt(int32_t n, long double p, const long double* X,
                               const long double* Y, const long double* E, double* R,
                               SplineSegment* A, FitOutcome* outcome = nullptr);

// The weighting keys: "0" halves E[1..n], "1" multiplies it by 1.1, "2" to
// "9" by the digit, the backquote by 1.01; "-" divides by the factor of the
// most recent of these keys (by 1 before any). Other keys change nothing.
void ScaleErrors(int key, int32_t n, long double* E);
// Forgets the most recent factor key, as at the start of a run.
void ResetErrorScaling();

// Base error (E[1]) and average deviation of the curve from the points.
struct QualityFigures {
  long double BaseError = 0;
  long double AverageDeviation = 0;
};
QualityFigures FitQuality(int32_t n, const long double* X, const long double* Y,
                          const long double* E, const SplineSegment* A);

// The same operations on the program's data set (data::DataSet).
void CompleteErrors(int32_t columnError, bool columnInY);
ErrorColumnSpan SpanOfErrorColumn();
void EstimateErrorsFromScatter(int32_t w);
FitStatus FitSmoothingSpline(int32_t maxIteration, FitOutcome* outcome = nullptr);
FitStatus FitSmoothingSplineAt(long double p, FitOutcome* outcome = nullptr);
void ScaleErrors(int key);
QualityFigures FitQuality();

}  // namespace spline
