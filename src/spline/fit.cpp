// The smoothing-spline fit by Reinsch's method (Numer. Math. 10 (1967)
// 177-183) and the conversion of its solution into segment records. The
// pentadiagonal system is factored and solved in place, linear in n.
#include "spline/fit.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "base/allocate.h"
#include "data/dataset.h"

namespace spline {

namespace {

// ---- Where the fit keeps its numbers ----
//
// The fit works in columns: one extended real per knot, rows 0..n, column
// after column, so that each sweep reads only what it needs. Eleven columns
// fill the workspace R and the segment array A, which the fit may use until
// it builds the segments at its end: the R block holds six (r, r1, u, v and
// the bands b, c of Q'D^2 Q), the A block five (a, t, t1 as in Reinsch's
// set-up, the band d and the interval widths dx, which building the
// segments no longer reads; u and v it does read, so they stay in R).
// Reinsch's r2 is not kept: the factor's r2[i] is (d[i] p) r[i], formed
// again where needed; nor are the squared errors: E[i] E[i] is formed where
// needed (the same operation, so the same bits), which spares a column of
// memory and its first touch and costs no time (measured; forming the widths
// again from X as well cost more than their column saved).
//
// A cell holds a real in 16 bytes, written and read with memcpy. Every sweep
// stores a value per knot, and an 80-bit store costs several times the
// arithmetic around it, so the fit first runs with split cells and falls back
// to whole ones only when a split was not exact. Both give the same bits: a
// cell returns exactly the value put into it.

// A column: rows 0..n of one real, in 16 (n + 1) bytes.
struct Column {
  unsigned char* base;
  std::size_t rows;
};

// Two doubles: hi, the value rounded to double, and lo = value - hi, which is
// exact in extended precision and has at most 11 significant bits, so it is a
// double too. The split is exact for every finite value whose magnitude lies
// between about 2^-1011 and 2^1024, and for zero. Outside that range storing hi
// overflows, or storing hi or lo rounds a tiny value (underflow), or an
// infinite value gives inf - inf (invalid): each raises its flag. The his of a
// column come first, then its los, so that no two stores can be merged into
// one wide store that would have to wait for both.
struct SplitCell {
  static constexpr bool kCanLose = true;
  static void Put(const Column& c, int32_t i, long double x) {
    const double hi = static_cast<double>(x), lo = static_cast<double>(x - hi);
    std::memcpy(c.base + 8 * static_cast<std::size_t>(i), &hi, sizeof hi);
    std::memcpy(c.base + 8 * (c.rows + static_cast<std::size_t>(i)), &lo, sizeof lo);
  }
  static long double Get(const Column& c, int32_t i) {
    double hi, lo;
    std::memcpy(&hi, c.base + 8 * static_cast<std::size_t>(i), sizeof hi);
    std::memcpy(&lo, c.base + 8 * (c.rows + static_cast<std::size_t>(i)), sizeof lo);
    return static_cast<long double>(hi) + static_cast<long double>(lo);
  }
};

// The 80-bit value itself in the cell's 16 bytes: exact for every value.
struct WholeCell {
  static constexpr bool kCanLose = false;
  static void Put(const Column& c, int32_t i, long double x) {
    std::memcpy(c.base + 16 * static_cast<std::size_t>(i), &x, sizeof x);
  }
  static long double Get(const Column& c, int32_t i) {
    long double x;
    std::memcpy(&x, c.base + 16 * static_cast<std::size_t>(i), sizeof x);
    return x;
  }
};
static_assert(sizeof(long double) == 16, "a cell holds one extended real");
static_assert(sizeof(SplineSegment) == 5 * 16, "the segment array holds five columns");

constexpr int kSplitLossFlags = FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID;

// True when split cells may have lost bits since the flags were cleared.
template <typename Cell>
bool SplitLost() {
  if constexpr (Cell::kCanLose) return std::fetestexcept(kSplitLossFlags) != 0;
  return false;
}


struct Columns {
  Column r, r1, u, v, b, c;  // in R
  Column a, t, t1, d, dx;    // in A, until the segments are built
};
static_assert(kWorkspaceColumns == 6, "R holds r, r1, u, v, b and c");

Columns ColumnsOf(double* R, SplineSegment* A, int32_t n) {
  const std::size_t rows = static_cast<std::size_t>(n) + 1, size = 16 * rows;
  unsigned char* r = reinterpret_cast<unsigned char*>(R);
  unsigned char* a = reinterpret_cast<unsigned char*>(A);
  auto in = [&](unsigned char* block, std::size_t k) { return Column{block + size * k, rows}; };
  return Columns{in(r, 0), in(r, 1), in(r, 2), in(r, 3), in(r, 4), in(r, 5),
                 in(a, 0), in(a, 1), in(a, 2), in(a, 3), in(a, 4)};
}

// One fit's inputs and its workspace.
struct Problem {
  int32_t n;
  const long double *X, *Y, *E;
  Columns w;
};

// ---- Set-up ----

// Rows 0, 1 and n are read by the sweeps but never written by them.
template <typename Cell>
void ClearEnds(const Problem& P) {
  const Columns& w = P.w;
  for (int32_t i : {0, 1, P.n})
    for (const Column& column : {w.r, w.r1, w.u, w.v, w.b, w.c, w.d, w.a, w.t, w.t1})
      Cell::Put(column, i, 0);
}

// Per interior knot the second difference of Y (a), the tridiagonal T (t,
// t1) and the three entries of Q'D (r2, parked in the u column, r1, r).
template <typename Cell>
void SetUpRows(const Problem& P) {
  const int32_t n = P.n;
  const long double *X = P.X, *Y = P.Y, *E = P.E;
  const Columns& w = P.w;
  for (int32_t i = 1; i < n; ++i) Cell::Put(w.dx, i, X[i + 1] - X[i]);
  for (int32_t i = 2; i < n; ++i) {
    const long double dx0 = X[i] - X[i - 1], dx1 = X[i + 1] - X[i];
    const long double s0 = (Y[i] - Y[i - 1]) / dx0, s1 = (Y[i + 1] - Y[i]) / dx1;
    Cell::Put(w.a, i, s1 - s0);
    Cell::Put(w.t, i, 2 * (dx0 + dx1) / 3);
    Cell::Put(w.t1, i, dx1 / 3);
    Cell::Put(w.u, i, E[i - 1] / dx0);
    Cell::Put(w.r, i, E[i + 1] / dx1);
    Cell::Put(w.r1, i, -E[i] / dx0 - E[i] / dx1);
  }
}

// The three bands of Q'D^2 Q into b (diagonal), c and d (upper bands). Row n
// of the set-up is zero, which ends the bands at row n - 1.
template <typename Cell>
void SetUpBands(const Problem& P) {
  const int32_t m = P.n - 1;
  const Columns& w = P.w;
  for (int32_t i = 2; i <= m; ++i) {
    const long double r = Cell::Get(w.r, i), r1 = Cell::Get(w.r1, i), r2 = Cell::Get(w.u, i);
    Cell::Put(w.b, i, r * r + r1 * r1 + r2 * r2);
    Cell::Put(w.c, i, r * Cell::Get(w.r1, i + 1) + r1 * Cell::Get(w.u, i + 1));
    Cell::Put(w.d, i, i < m ? r * Cell::Get(w.u, i + 2) : 0);
  }
}

// ---- The sweeps of one iteration ----

// Factors p Q'D^2 Q + T and solves the forward half for u. Overwrites r and r1
// with the factor (r1 in rows 1..m-1; row m keeps its set-up value). Reinsch
// carries g and h from step to step, h = d[i] p and g the h before; both start
// at 0, which steps 2 and 3 keep. They are formed afresh from d here, the same
// products, so that fewer extended values are carried (x87 has eight
// registers, and a spilled one costs an 80-bit store). r[i-1], u[i-1] and
// u[i-2] are carried: reading them back from their cells would lengthen the
// chains from one step to the next (a split cell is stored and loaded
// twice), which set the pace of the sweep.
template <typename Cell>
void ForwardElimination(const Problem& P, long double p) {
  const Columns& w = P.w;
  long double f = 0, rBefore = Cell::Get(w.r, 1);
  long double u1 = Cell::Get(w.u, 1), u2 = Cell::Get(w.u, 0);  // u[i-1], u[i-2]
  for (int32_t i = 2; i < P.n; ++i) {
    const long double g = i >= 4 ? Cell::Get(w.d, i - 2) * p : 0;
    const long double h = i >= 3 ? Cell::Get(w.d, i - 1) * p : 0;
    const long double r1 = f * rBefore;
    const long double r2 = g * Cell::Get(w.r, i - 2);
    Cell::Put(w.r1, i - 1, r1);
    const long double r = 1 / (p * Cell::Get(w.b, i) + Cell::Get(w.t, i) - f * r1 - g * r2);
    Cell::Put(w.r, i, r);
    const long double u = Cell::Get(w.a, i) - r1 * u1 - r2 * u2;
    Cell::Put(w.u, i, u);
    f = p * Cell::Get(w.c, i) + Cell::Get(w.t1, i) - h * r1;
    rBefore = r;
    u2 = u1, u1 = u;
  }
}

// The factor's r2[i] as the forward elimination formed it, for 2 <= i <= m-2:
// the g of its step, d[i] p, times r[i].
template <typename Cell>
long double FactorR2(const Columns& w, int32_t i, long double p) {
  return Cell::Get(w.d, i) * p * Cell::Get(w.r, i);
}

// u becomes half the second derivative at the knots; u[1] = u[n] = 0. Row
// m-1's r2 was never overwritten by the elimination: it is the set-up value.
// u[i+1] and u[i+2] are carried, for the same reason as r in the elimination.
template <typename Cell>
void BackSubstitution(const Problem& P, long double p, long double setUpR2) {
  const int32_t m = P.n - 1;
  const Columns& w = P.w;
  long double u1 = Cell::Get(w.u, m + 1), u2 = 0;
  for (int32_t i = m; i >= 2; --i) {
    long double u = Cell::Get(w.r, i) * Cell::Get(w.u, i) - Cell::Get(w.r1, i) * u1;
    if (i < m) {
      const long double r2 = i < m - 1 ? FactorR2<Cell>(w, i, p) : setUpR2;
      u = u - r2 * u2;
    }
    Cell::Put(w.u, i, u);
    u2 = u1, u1 = u;
  }
}

// v = D^2 Q u, so that Y - p v are the fitted values; returns e = |D Q u|^2,
// the weighted residual sum divided by p^2.
template <typename Cell>
long double ResidualTerms(const Problem& P) {
  const int32_t n = P.n;
  const Columns& w = P.w;
  const long double* E = P.E;
  long double e = 0, g = 0, h = 0, uAt = Cell::Get(w.u, 1);
  for (int32_t i = 1; i < n; ++i) {
    const long double uNext = Cell::Get(w.u, i + 1);
    g = h;
    h = (uNext - uAt) / Cell::Get(w.dx, i);
    const long double v = (h - g) * (E[i] * E[i]);
    Cell::Put(w.v, i, v);
    e = e + v * (h - g);
    uAt = uNext;
  }
  const long double vn = -h * (E[n] * E[n]);
  Cell::Put(w.v, n, vn);
  return e - vn * h;
}

// The sum that the Newton step on p needs. Reinsch leaves its terms in r;
// here the terms of the two steps before are carried (g1, g2), and rows 0
// and 1 of r and r2 are zero.
template <typename Cell>
long double NewtonTerms(const Problem& P, long double p) {
  const int32_t n = P.n;
  const Columns& w = P.w;
  long double f = 0, g = 0, g1 = 0, g2 = 0, vAt = Cell::Get(w.v, 2);
  long double h = (vAt - Cell::Get(w.v, 1)) / Cell::Get(w.dx, 1);
  for (int32_t i = 2; i < n; ++i) {
    const long double vNext = Cell::Get(w.v, i + 1);
    const long double r2 = i - 2 >= 2 ? FactorR2<Cell>(w, i - 2, p) : 0;
    g = h;
    h = (vNext - vAt) / Cell::Get(w.dx, i);
    g = h - g - Cell::Get(w.r1, i - 1) * g1 - r2 * g2;
    f = f + g * Cell::Get(w.r, i) * g;
    g2 = g1, g1 = g, vAt = vNext;
  }
  return f;
}

// How the iteration ended: as a fit ends, or with one of two outcomes the
// fit deals with itself.
enum class Ending {
  Converged, StraightLine, IterationLimit,
  SplitLost,    // the split cells lost bits: the fit must be done again
  BeyondRange,  // the sums left the range of extended reals and the straight
                // line meets the errors: the segments are that line
};

// True when a pass's sums have left the range of extended reals: e infinite
// or not a number (squared errors that overflow), or e = 0 after the first
// pass (a first pass with e = 0 has already ended the fit, so a later 0 is
// an underflow). This happens only for errors thousands of decades above Y.
bool SumsOutOfRange(long double e, int32_t k) {
  return !std::isfinite(e) || (e == 0 && k > 1);
}

// The integral from X[1] to every knot: per interval the trapezoid rule with
// its cubic correction, which is exact for a cubic.
void BuildIntegrals(int32_t n, const long double* X, SplineSegment* A) {
  A[1].Int = 0;
  long double a0 = A[1].a, c0 = A[1].c, sum = 0;
  for (int32_t i = 2; i <= n; ++i) {
    const long double dx = X[i] - X[i - 1];
    const long double dx3 = dx * dx * dx;
    const long double a1 = A[i].a, c1 = A[i].c;
    sum = sum + (a0 + a1) * dx / 2 - (c0 + c1) * dx3 / 12;
    A[i].Int = sum;
    a0 = a1, c0 = c1;
  }
}

// The line that the iteration approaches as p grows without bound, when the
// errors are too large for its sums: the least-squares line with weights
// 1/E^2, which are taken relative to the smallest error so that they stay in
// range. True, with the line's segments in A, when it meets the errors
// (weighted residual sum below n), as the straight-line limit requires;
// false when it does not or cannot be formed (an error zero or not finite,
// all weight on one point).
bool FitStraightLine(const Problem& P, SplineSegment* A, FitOutcome& out) {
  const int32_t n = P.n;
  const long double *X = P.X, *Y = P.Y, *E = P.E;
  long double least = INFINITY;
  for (int32_t i = 1; i <= n; ++i) {
    if (!(E[i] > 0 && std::isfinite(E[i]))) return false;
    least = std::fmin(least, E[i]);
  }
  auto weight = [&](int32_t i) { const long double r = least / E[i]; return r * r; };
  long double sw = 0, swx = 0, swy = 0;
  for (int32_t i = 1; i <= n; ++i) {
    const long double w = weight(i);
    sw += w, swx += w * X[i], swy += w * Y[i];
  }
  const long double xMean = swx / sw, yMean = swy / sw;
  long double sxx = 0, sxy = 0;
  for (int32_t i = 1; i <= n; ++i) {
    const long double w = weight(i), dx = X[i] - xMean;
    sxx += w * dx * dx, sxy += w * dx * (Y[i] - yMean);
  }
  const long double slope = sxy / sxx;
  if (!std::isfinite(slope)) return false;
  long double F = 0;
  for (int32_t i = 1; i <= n; ++i) {
    const long double r = (Y[i] - (yMean + slope * (X[i] - xMean))) / E[i];
    F += r * r;
  }
  if (!(F < n)) return false;
  A[0] = SplineSegment{};
  for (int32_t i = 1; i <= n; ++i) A[i] = SplineSegment{yMean + slope * (X[i] - xMean), slope, 0, 0, 0};
  BuildIntegrals(n, X, A);
  out.P = INFINITY;
  out.ResidualSum = F;
  return true;
}

// ---- The straight-line limit ----
//
// The fit solves (T + p Q'D^2 Q) u = Q'y (Reinsch 1967): T, from the joins of
// the cubics, is the curvature term, p Q'D^2 Q the smoothing term. As p grows
// the residual sum F rises towards that of the weighted least-squares line;
// when that sum is below n the target is out of reach and the iteration must
// be stopped at a p where the curve is as close to the line as the fit can
// bring it. |(X[n] - X[1]) p| > 10^6 alone does not say so: p has the unit of
// X^3 / E^2 (T grows with X, Q'D^2 Q with E^2 / X^2), so the left side grows
// with the fourth power of the unit of X. The same data in nanometres pass
// the test 10^12 times sooner than in micrometres, and it stopped such fits
// at a curve nowhere near a line.
//
// In the fit's own scaling the two terms weigh alike at p0 = tr T /
// tr(Q'D^2 Q), the sums of the set-up's columns t and b, and p / p0 is the
// same in any unit of X, Y and E. Beyond p0 times 2^64, the inverse of the
// unit roundoff of the extended reals the fit works in, T's share of the
// diagonal of T + p Q'D^2 Q is below what those reals resolve: the sweeps
// factor the smoothing term alone, the fitted values Y - p D^2 Q u no longer
// move with p, and F can rise no further. (A million points on three peaks
// converge near p0 times 10^18, where F already wavers by a few percent
// from one pass to the next.) The limit holds only when both tests hold; the
// second only ever lets the iteration go on where the first alone would
// have stopped it, so every fit that converged with the first converges
// with both, bit for bit.
constexpr long double kUnitRoundoffInverse = 0x1p64L;

// True when p tr(Q'D^2 Q) exceeds 2^64 tr T. A sum of b that overflows only
// means that the smoothing term outweighs; the flags of the sums are put
// back, so that they do not pass for lost bits of split cells.
template <typename Cell>
bool SmoothingOutweighsCurvature(const Problem& P, long double p) {
  std::fexcept_t flags;
  std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
  long double curvature = 0, smoothing = 0;
  for (int32_t i = 2; i < P.n; ++i) {
    curvature = curvature + Cell::Get(P.w.t, i);
    smoothing = smoothing + Cell::Get(P.w.b, i);
  }
  const bool outweighs = p / kUnitRoundoffInverse * smoothing > curvature;
  std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
  return outweighs;
}

// True when p has left the finite reals: a Newton step overflowed, or gave
// not a number from sums that did (the units of X, Y or E lie beyond what
// the sums can hold). Asked after a pass whose sums were out of range and
// whose straight line missed the errors: every later pass would be that
// pass again, so the fit stops at once; more iterations cannot help.
bool ScaleOverflowed(long double p, FitOutcome& out) {
  out.ScaleOverflow = !std::isfinite(p);
  return out.ScaleOverflow;
}

// The iteration on p. A zero Newton denominator q means p can move no
// further (e = 0 on the first pass: all errors zero, or the points on one
// line). With `onePass` the p in out.P is kept: the first pass is the last.
template <typename Cell>
Ending Iterate(const Problem& P, int32_t maxIteration, bool onePass, SplineSegment* A,
              FitOutcome& out) {
  const int32_t n = P.n;
  const long double* X = P.X;
  const long double S = n;
  // Row m-1's r2 keeps its set-up value, parked in the u column until the
  // first elimination overwrites it.
  const long double setUpR2 = n - 2 >= 2 ? Cell::Get(P.w.u, n - 2) : 0;
  long double& p = out.P;
  for (int32_t k = 1;; ++k) {
    out.Iterations = k;
    ForwardElimination<Cell>(P, p);
    BackSubstitution<Cell>(P, p, setUpR2);
    const long double e = ResidualTerms<Cell>(P);
    // Data beyond the split's range would otherwise go on for every pass.
    if (SplitLost<Cell>()) return Ending::SplitLost;
    if (SumsOutOfRange(e, k) && FitStraightLine(P, A, out)) return Ending::BeyondRange;
    const long double F = e * (p * p);
    out.ResidualSum = F;
    if (onePass) return Ending::Converged;
    if (SumsOutOfRange(e, k) && ScaleOverflowed(p, out)) return Ending::IterationLimit;
    if (std::fabs((X[n] - X[1]) * p) > 1000000 && F < S && SmoothingOutweighsCurvature<Cell>(P, p))
      return Ending::StraightLine;
    if (std::fabs(F - S) <= S / 10000) return Ending::Converged;
    const long double q = e - p * NewtonTerms<Cell>(P, p);
    if (q == 0) return Ending::Converged;
    const long double delta = (S - F) / ((std::sqrt(S / e) + p) * q);
    p = k == 1 ? p + delta : p + delta * std::sqrt(S / F);
    if (k >= maxIteration) return Ending::IterationLimit;
  }
}

// ---- Segments ----

// Turns the solution (u, v) for smoothing parameter p into the segment
// records A[1..n], with the running integral; A[0] stays zero. The columns
// kept in A are no longer needed.
template <typename Cell>
void BuildSegments(const Problem& P, long double p, SplineSegment* A) {
  const int32_t n = P.n, m = n - 1;
  const long double *X = P.X, *Y = P.Y;
  const Columns& w = P.w;
  long double aNext = Y[n] - p * Cell::Get(w.v, n), cNext = 0;
  A[n] = SplineSegment{aNext, 0, 0, 0, 0};
  for (int32_t i = m; i >= 1; --i) {
    const long double dx = X[i + 1] - X[i];
    const long double c = Cell::Get(w.u, i);
    const long double a = Y[i] - p * Cell::Get(w.v, i);
    A[i] = SplineSegment{a, (aNext - a) / dx - (2 * c + cNext) * dx / 3,
                         c, (cNext - c) / (3 * dx), 0};
    aNext = a, cNext = c;
  }
  A[0] = SplineSegment{};
  // The end record holds the slope at X[n] and no curvature.
  A[n].b = A[m].b + (A[m].c + A[n].c) * (X[n] - X[m]);
  BuildIntegrals(n, X, A);
}

// One whole fit with the given cells, from a cleared workspace to segments;
// for a given p (`fixed`) the same set-up, sweeps and segments as the
// iteration's last pass, so that the p an iteration ended with gives the
// same segments bit for bit.
template <typename Cell>
Ending FitWith(const Problem& P, int32_t maxIteration, const long double* fixed,
              SplineSegment* A, FitOutcome& out) {
  out = FitOutcome{};
  if (fixed) out.P = *fixed;
  ClearEnds<Cell>(P);
  SetUpRows<Cell>(P);
  SetUpBands<Cell>(P);
  const Ending ending = Iterate<Cell>(P, maxIteration, fixed != nullptr, A, out);
  if (fixed) out.Iterations = 0;
  if (ending == Ending::SplitLost || ending == Ending::BeyondRange) return ending;
  // At the iteration limit this is the p just updated, with u and v of the
  // last pass.
  BuildSegments<Cell>(P, out.P, A);
  return ending;
}

FitStatus StatusOf(Ending ending) {
  switch (ending) {
    case Ending::StraightLine: case Ending::BeyondRange: return FitStatus::StraightLine;
    case Ending::IterationLimit: return FitStatus::IterationLimit;
    default: return FitStatus::Converged;
  }
}

// A single point (never passed by the program) is the constant through it.
FitStatus FitOnePoint(const long double* Y, SplineSegment* A, FitOutcome& out) {
  A[0] = SplineSegment{};
  A[1] = SplineSegment{Y[1], 0, 0, 0, 0};
  out = FitOutcome{};
  return FitStatus::Converged;
}

// The fit by iteration, or for the given p. The one place that runs the
// sweeps, so that each of them is inlined into it.
FitStatus FitWithCells(int32_t n, int32_t maxIteration, const long double* fixed,
                       const long double* X, const long double* Y, const long double* E,
                       double* R, SplineSegment* A, FitOutcome* outcome) {
  FitOutcome local;
  FitOutcome& out = outcome ? *outcome : local;
  out = FitOutcome{};
  if (n < 2) return n == 1 ? FitOnePoint(Y, A, out) : FitStatus::Converged;
  const Problem P{n, X, Y, E, ColumnsOf(R, A, n)};
  std::feclearexcept(kSplitLossFlags);
  Ending ending = FitWith<SplitCell>(P, maxIteration, fixed, A, out);
  // A flag raised anywhere in the fit means some split may have lost bits:
  // the fit is done again with whole cells, which cannot.
  if (ending == Ending::SplitLost || SplitLost<SplitCell>())
    ending = FitWith<WholeCell>(P, maxIteration, fixed, A, out);
  return StatusOf(ending);
}

}  // namespace

FitRecord Fit;

void AllocateFitArrays(int32_t rowBound) {
  base::AllocateRows(Fit.Segments, 'A', 0, 5, rowBound);
  // Seven reals per row, in the doubles the fit lays them out in.
  base::AllocateRows(Fit.Workspace, 'R', 0, kLoggedWorkspaceColumns, rowBound, WorkspaceDoubles(0));
}

void ReleaseFitArrays() {
  delete[] Fit.Segments;
  delete[] Fit.Workspace;
  Fit = FitRecord{};
}


FitStatus FitSmoothingSpline(int32_t n, int32_t maxIteration, const long double* X,
                             const long double* Y, const long double* E, double* R,
                             SplineSegment* A, FitOutcome* outcome) {
  return FitWithCells(n, maxIteration, nullptr, X, Y, E, R, A, outcome);
}

FitStatus FitSmoothingSplineAt(int32_t n, long double p, const long double* X,
                               const long double* Y, const long double* E, double* R,
                               SplineSegment* A, FitOutcome* outcome) {
  return FitWithCells(n, 1, &p, X, Y, E, R, A, outcome);
}

FitStatus FitSmoothingSplineAt(long double p, FitOutcome* outcome) {
  data::DataSetRecord& d = data::DataSet;
  return FitSmoothingSplineAt(d.Count, p, d.XValues, d.YValues, d.ErrValues, Fit.Workspace,
                              Fit.Segments, outcome);
}

FitStatus FitSmoothingSpline(int32_t maxIteration, FitOutcome* outcome) {
  data::DataSetRecord& d = data::DataSet;
  return FitSmoothingSpline(d.Count, maxIteration, d.XValues, d.YValues, d.ErrValues,
                            Fit.Workspace, Fit.Segments, outcome);
}

}  // namespace spline
