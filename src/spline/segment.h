// The records the fit produces and works in. Both arrays are allocated once,
// with the data arrays, for rows 0..N; row 0 stays zero.
#pragma once
#include <cstddef>
#include <cstdint>

namespace spline {

// The cubic a + b*t + c*t^2 + d*t^3 with t = x - X[i] on [X[i], X[i+1]], and
// Int, the integral of the spline from X[1] to X[i]. Record n holds the value
// and slope at X[n] (c = d = 0) and the integral up to X[n].
struct SplineSegment {
  long double a, b, c, d, Int;
};

// The fit's workspace R: six reals per row for rows 0..n (the fit's r, r1,
// u, v and two bands of Q'D^2 Q; it keeps further columns in the segment
// array until the segments are built), column after column, so that each
// sweep reads only the columns it needs. A real takes the room of two
// doubles: the fit keeps it as two doubles whose sum is exactly that real,
// because storing doubles costs a fraction of storing the 80-bit format and
// the sweeps store a value per point, and where that split would not be exact
// it keeps the 80-bit value itself in those 16 bytes (see FitSmoothingSpline).
// The run log shows the array as Reinsch lays it out, seven reals a row
// (R[0..N,0..6]); columns that are formed again from others need no room.
constexpr int32_t kWorkspaceColumns = 6;
constexpr int32_t kLoggedWorkspaceColumns = 7;
constexpr std::size_t WorkspaceDoubles(int32_t n) {
  return 2 * static_cast<std::size_t>(kWorkspaceColumns) * (static_cast<std::size_t>(n) + 1);
}

// How a fit ended; the numbers are those the program reports.
enum class FitStatus : int {
  Converged = 0,       // or the iteration could go no further
  StraightLine = 1,    // the straight-line limit, the residual sum still below n
  IterationLimit = 2,  // MaxIteration passes used up
};

// The cubic of one segment in absolute x, A x^3 + B x^2 + C x + D, for the
// segment that starts at x0: the coefficients the result file shows, and the
// A and B from which the curve analysis takes the second derivative.
struct PowerForm {
  long double A, B, C, D;
};

inline PowerForm PowerCoefficients(const SplineSegment& s, long double x0) {
  const long double x02 = x0 * x0, x03 = x02 * x0;
  return PowerForm{s.d, s.c - 3 * s.d * x0, s.b - 2 * s.c * x0 + 3 * s.d * x02,
                   s.a - s.b * x0 + s.c * x02 - s.d * x03};
}

}  // namespace spline
