// The posterior covariance of the smoothing spline, in O(n): M = T + p Q'D^2 Q
// and T are factored as L diag(pivot) L', and the band of each inverse is
// taken from the factors by the backward recurrence of Hutchinson and
// de Hoog (1985), S = diag(pivot)^-1 L^-1 + (I - L') S, of which only the
// band is ever formed. See uncertainty.h for the formulas.
#include "spline/uncertainty.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "spline/evaluate.h"

namespace spline {

namespace {

// h[k] = X[k+1] - X[k].
long double Width(const long double* X, int32_t k) { return X[k + 1] - X[k]; }

// The three entries of column j of D Q (rows j-1, j, j+1), 2 <= j <= n-1.
struct ColumnDQ {
  long double below, at, above;  // rows j-1, j, j+1
};

// Places the bands, rows 0..n each, in the block or in b.Own, and clears
// the rows the recurrences read but never write (0, 1 and n; they take
// rows past n as 0 themselves): the others are all written, so a million
// points need not be cleared again.
void ResetBands(int32_t n, CovarianceBands& b, void* block) {
  const std::size_t rows = static_cast<std::size_t>(n > 0 ? n : 0) + 1;
  if (block == nullptr) b.Own.resize(6 * rows);
  long double* base = block ? static_cast<long double*>(block) : b.Own.data();
  long double** bands[6] = {&b.m0, &b.m1, &b.m2, &b.m3, &b.t0, &b.t1};
  for (int k = 0; k < 6; ++k) {
    long double* v = *bands[k] = base + k * rows;
    for (std::size_t r : {std::size_t{0}, std::size_t{1}, rows - 1})
      if (r < rows) v[r] = 0;
  }
}

constexpr long double kThird = 1.0L / 3;

// Column j of D Q from the inverse widths g0 = 1/h[j-1] and g1 = 1/h[j].
ColumnDQ ColumnOf(const long double* E, int32_t j, long double g0, long double g1) {
  return ColumnDQ{E[j - 1] * g0, -E[j] * g0 - E[j] * g1, E[j + 1] * g1};
}

// Factors M = T + p Q'D^2 Q (pentadiagonal) into L diag(pivot) L': m0[j]
// gets 1/pivot, m1[j] = L[j+1][j], m2[j] = L[j+2][j], for j = 2..m. The
// backward sweep then overwrites them with the band of M^-1. The widths,
// their inverses and the columns of D Q move along with j, so that each is
// formed once: two divisions per knot.
void FactorM(int32_t n, const long double* X, const long double* E, long double p,
             CovarianceBands& b) {
  const int32_t m = n - 1;
  long double h0 = Width(X, 1), h1 = Width(X, 2), h2 = 0;  // h[j-1], h[j], h[j+1]
  long double g1 = 1 / h1, g2 = 0;
  ColumnDQ q = ColumnOf(E, 2, 1 / h0, g1), q1{};  // columns j and j+1
  if (3 <= m) h2 = Width(X, 3), g2 = 1 / h2, q1 = ColumnOf(E, 3, g1, g2);
  long double pivot1 = 0, pivot2 = 0, l1Before = 0;  // pivots of j-1, j-2; L[j][j-1]
  for (int32_t j = 2; j <= m; ++j) {
    long double h3 = 0, g3 = 0;
    ColumnDQ q2{};
    if (j + 2 <= m) h3 = Width(X, j + 2), g3 = 1 / h3, q2 = ColumnOf(E, j + 2, g2, g3);
    const long double diag = 2 * (h0 + h1) * kThird + p * (q.below * q.below + q.at * q.at + q.above * q.above);
    const long double l2Before = b.m2[j - 2];  // L[j][j-2]; rows 0 and 1 are 0
    const long double pivot = diag - l1Before * l1Before * pivot1 - l2Before * l2Before * pivot2;
    const long double inverse = 1 / pivot;
    long double l1 = 0, l2 = 0;
    if (j + 1 <= m) {
      const long double off1 = h1 * kThird + p * (q.at * q1.below + q.above * q1.at);
      // M[j+1][j] less the part already eliminated through row j-1.
      l1 = (off1 - b.m2[j - 1] * l1Before * pivot1) * inverse;
    }
    if (j + 2 <= m) l2 = p * q.above * q2.below * inverse;
    b.m0[j] = inverse, b.m1[j] = l1, b.m2[j] = l2;
    pivot2 = pivot1, pivot1 = pivot, l1Before = l1;
    h0 = h1, h1 = h2, h2 = h3, g2 = g3, q = q1, q1 = q2;
  }
}

// The band of M^-1 from the factor in m0..m2, from row m upwards. Rows past
// m are zero, which ends the recurrence there.
void InvertM(int32_t n, CovarianceBands& b) {
  for (int32_t j = n - 1; j >= 2; --j) {
    const long double inv = b.m0[j], l1 = b.m1[j], l2 = b.m2[j];
    const long double m0Next2 = j + 2 <= n ? b.m0[j + 2] : 0, m1Next2 = j + 2 <= n ? b.m1[j + 2] : 0;
    const long double s02 = -(l1 * b.m1[j + 1] + l2 * m0Next2);
    const long double s01 = -(l1 * b.m0[j + 1] + l2 * b.m1[j + 1]);
    const long double s03 = -(l1 * b.m2[j + 1] + l2 * m1Next2);
    b.m0[j] = inv - (l1 * s01 + l2 * s02);
    b.m1[j] = s01, b.m2[j] = s02, b.m3[j] = s03;
  }
}

// The tridiagonal band of T^-1, by the same two sweeps.
void InvertT(int32_t n, const long double* X, CovarianceBands& b) {
  const int32_t m = n - 1;
  long double pivot = 0, l = 0;
  for (int32_t j = 2; j <= m; ++j) {
    pivot = 2 * (Width(X, j - 1) + Width(X, j)) * kThird - l * l * pivot;
    const long double inverse = 1 / pivot;
    l = j < m ? Width(X, j) * kThird * inverse : 0;
    b.t0[j] = inverse, b.t1[j] = l;
  }
  for (int32_t j = m; j >= 2; --j) {
    const long double s01 = -b.t1[j] * b.t0[j + 1];
    b.t0[j] = b.t0[j] - b.t1[j] * s01;
    b.t1[j] = s01;
  }
}

// tr A = 2 + tr(M^-1 T): T has only the diagonal and the band beside it.
long double TraceOfInfluence(int32_t n, const long double* X, const CovarianceBands& b) {
  long double sum = 0;
  for (int32_t j = 2; j < n; ++j) {
    sum += b.m0[j] * 2 * (Width(X, j - 1) + Width(X, j)) * kThird;
    if (j + 1 < n) sum += 2 * b.m1[j] * Width(X, j) * kThird;
  }
  return 2 + sum;
}

// The row i of Q: its entries in columns i-1, i, i+1 (0 where a column is
// not an interior knot).
void RowOfQ(int32_t n, const long double* X, int32_t i, long double q[3]) {
  const long double g0 = i >= 2 ? 1 / Width(X, i - 1) : 0, g1 = i <= n - 1 ? 1 / Width(X, i) : 0;
  q[0] = i - 1 >= 2 ? g0 : 0;
  q[1] = i >= 2 && i <= n - 1 ? -g0 - g1 : 0;
  q[2] = i + 1 <= n - 1 ? g1 : 0;
}

bool Interior(int32_t n, int32_t j) { return j >= 2 && j <= n - 1; }

// Element (j, k) of a symmetric band given as its diagonals, 0 outside.
long double BandAt(const long double* const* bands, int32_t width, int32_t n,
                   int32_t j, int32_t k) {
  if (!Interior(n, j) || !Interior(n, k)) return 0;
  const int32_t lo = j < k ? j : k, off = j < k ? k - j : j - k;
  return off < width ? bands[off][lo] : 0;
}

// Fills w with the weights of a + b t + c t^2 + d t^3 on the interval
// (h wide) and of its second derivative.
void CubicWeights(long double h, long double t, PointWeights& w) {
  const long double t2 = t * t, t3 = t2 * t;
  const long double v[4] = {1 - t / h, t / h, -2 * h * t / 3 + t2 - t3 / (3 * h), -h * t / 3 + t3 / (3 * h)};
  const long double d2[4] = {0, 0, 2 - 2 * t / h, 2 * t / h};
  for (int k = 0; k < 4; ++k) w.Value[k] = v[k], w.D2[k] = d2[k];
}

// The tangent line at X[1] (t <= 0) or at X[n] (t >= 0, on interval n-1).
void TangentWeights(long double h, long double t, bool right, PointWeights& w) {
  const long double s[4] = {-1 / h, 1 / h, right ? h / 3 : -2 * h / 3, right ? 2 * h / 3 : -h / 3};
  for (int k = 0; k < 4; ++k) w.D2[k] = 0;
  for (int k = 0; k < 4; ++k) w.Value[k] = (k == (right ? 1 : 0) ? 1 : 0) + s[k] * t;
}

long double Root(long double variance) { return variance > 0 ? std::sqrt(variance) : 0; }

long double Dot4(const long double* a, const long double* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

}  // namespace

void ComputeCovarianceBands(int32_t n, const long double* X, const long double* E,
                            long double p, CovarianceBands& out, void* block) {
  out.n = n, out.p = p, out.X = X, out.E = E;
  out.Defined = n >= 2 && p > 0 && std::isfinite(p);
  ResetBands(n, out, block);
  if (!out.Defined) {
    out.Edf = p > 0 ? 2 : n;  // straight line, or interpolation
    if (n < 2) out.Edf = n;
    return;
  }
  // Two points have no interior knot: M and T are empty, their bands stay
  // zero and A = I (edf 2). The factoring reads the widths of the first two
  // intervals, which two points do not have.
  if (n >= 3) {
    FactorM(n, X, E, p, out);
    InvertM(n, out);
    InvertT(n, X, out);
  }
  out.Edf = TraceOfInfluence(n, X, out);
}

long double InverseM(const CovarianceBands& b, int32_t j, int32_t k) {
  const long double* bands[4] = {b.m0, b.m1, b.m2, b.m3};
  return BandAt(bands, 4, b.n, j, k);
}

long double InverseT(const CovarianceBands& b, int32_t j, int32_t k) {
  const long double* bands[2] = {b.t0, b.t1};
  return BandAt(bands, 2, b.n, j, k);
}

long double CovValues(const CovarianceBands& b, int32_t i, int32_t k) {
  long double qi[3], qk[3], sum = 0;
  RowOfQ(b.n, b.X, i, qi);
  RowOfQ(b.n, b.X, k, qk);
  for (int s = 0; s < 3; ++s)
    for (int t = 0; t < 3; ++t)
      if (qi[s] != 0 && qk[t] != 0) sum += qi[s] * InverseM(b, i - 1 + s, k - 1 + t) * qk[t];
  const long double ei = b.E[i] * b.E[i], ek = b.E[k] * b.E[k];
  return (i == k ? ei : 0) - b.p * ei * ek * sum;
}

// q' M^-1 q over rows i-1..i+1 straight from the bands (CV takes it at
// every knot of every trial): q[s] is 0 for a row outside the interior,
// and only entries of two interior rows are read.
long double ResidualShare(const CovarianceBands& b, int32_t i) {
  long double q[3], sum = 0;
  RowOfQ(b.n, b.X, i, q);
  if (q[0] != 0) sum += q[0] * q[0] * b.m0[i - 1];
  if (q[1] != 0) sum += q[1] * q[1] * b.m0[i];
  if (q[2] != 0) sum += q[2] * q[2] * b.m0[i + 1];
  if (q[0] != 0 && q[1] != 0) sum += 2 * q[0] * q[1] * b.m1[i - 1];
  if (q[1] != 0 && q[2] != 0) sum += 2 * q[1] * q[2] * b.m1[i];
  if (q[0] != 0 && q[2] != 0) sum += 2 * q[0] * q[2] * b.m2[i - 1];
  return b.p * b.E[i] * b.E[i] * sum;
}

long double CovValueCurvature(const CovarianceBands& b, int32_t i, int32_t k) {
  long double q[3], sum = 0;
  RowOfQ(b.n, b.X, i, q);
  for (int s = 0; s < 3; ++s)
    if (q[s] != 0) sum += q[s] * InverseM(b, i - 1 + s, k);
  return b.E[i] * b.E[i] * sum;
}

long double CovCurvatures(const CovarianceBands& b, int32_t i, int32_t k) {
  if (!Interior(b.n, i) || !Interior(b.n, k)) return 0;
  return (InverseT(b, i, k) - InverseM(b, i, k)) / b.p;
}

IntervalCovariance CovarianceOnInterval(const CovarianceBands& b, int32_t i) {
  IntervalCovariance c{};
  const int32_t a[2] = {i, i + 1};
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 2; ++t) {
      c.C[s][t] = CovValues(b, a[s], a[t]);
      c.C[s][2 + t] = c.C[2 + t][s] = CovValueCurvature(b, a[s], a[t]);
      c.C[2 + s][2 + t] = CovCurvatures(b, a[s], a[t]);
    }
  return c;
}

PointWeights WeightsOnInterval(const long double* X, int32_t i, long double t) {
  PointWeights w{};
  w.Interval = i;
  CubicWeights(Width(X, i), t, w);
  return w;
}

PointWeights WeightsAt(int32_t n, const long double* X, long double x) {
  PointWeights w{};
  if (x <= X[1]) {
    w.Interval = 1;
    TangentWeights(Width(X, 1), x - X[1], false, w);
  } else if (x >= X[n]) {
    w.Interval = n - 1;
    TangentWeights(Width(X, n - 1), x - X[n], true, w);
  } else {
    const int32_t k = FindInterval(n, X, x);
    w = WeightsOnInterval(X, k, x - X[k]);
  }
  return w;
}

long double FormVariance(const IntervalCovariance& c, const long double* w) {
  long double sum = 0;
  for (int s = 0; s < 4; ++s) sum += w[s] * Dot4(c.C[s], w);
  return sum;
}

PointSigmas SigmasAt(const CovarianceBands& b, long double x) {
  PointSigmas s;
  if (!b.Defined) return s;
  const PointWeights w = WeightsAt(b.n, b.X, x);
  const IntervalCovariance c = CovarianceOnInterval(b, w.Interval);
  s.Value = Root(FormVariance(c, w.Value));
  s.D2 = Root(FormVariance(c, w.D2));
  return s;
}

namespace {

// The 2 x 2 blocks of the values-and-slopes posterior: a symmetric one
// (xx, xs; xs, ss) and a general one (a, b; c, d).
struct Sym2 {
  long double xx, xs, ss;
};
struct Mat2 {
  long double a, b, c, d;
};

// The small blocks are inlined by force: a block returned by value goes
// through memory otherwise, which cost a seventh of the pass.
[[gnu::always_inline]] inline Sym2 Inverse(const Sym2& m) {
  const long double r = 1 / (m.xx * m.ss - m.xs * m.xs);
  return {m.ss * r, -m.xs * r, m.xx * r};
}

// The block of P that couples knot k with knot k+1, from g = 1/h[k] and
// lambda = p/2.
[[gnu::always_inline]] inline Mat2 Coupling(long double lambda, long double g) {
  const long double lg = lambda * g, lgg = lg * g;
  return {-12 * lgg * g, 6 * lgg, -6 * lgg, 2 * lg};
}

// m' S m for the coupling m and a symmetric S.
[[gnu::always_inline]] inline Sym2 Congruent(const Mat2& m, const Sym2& s) {
  const long double a = s.xx * m.a + s.xs * m.c, b = s.xx * m.b + s.xs * m.d;  // S m, first row
  const long double c = s.xs * m.a + s.ss * m.c, d = s.xs * m.b + s.ss * m.d;  // second row
  return {m.a * a + m.c * c, m.a * b + m.c * d, m.b * b + m.d * d};
}

// What an interval of inverse width g adds to the diagonal block of its
// left end (side +1) or its right end (side -1).
void AddInterval(Sym2& d, long double lambda, long double g, long double side) {
  const long double lg = lambda * g, lgg = lg * g;
  d.xx += 12 * lgg * g, d.xs += side * 6 * lgg, d.ss += 4 * lg;
}

// The covariance of S(x) and S'(x) for a point of interval k, from the
// blocks of the values and slopes at its two ends: `left` and `right` the
// diagonal blocks of P^-1 at knots k and k+1, `u` = (D_k^-1 P_{k,k+1})',
// tl and tr the diagonal of H_ss^-1 at both knots and l the factor that
// couples them in H_ss (its off-diagonal inverse is -l tr).
ValueAndSlope OnInterval(const Sym2& left, const Sym2& right, const Mat2& u, long double tl, long double tr,
                         long double l, long double inverseLambda, long double x0, long double x1,
                         long double x) {
  // Over (g0, s0, g1, s1), the slopes' covariances being the natural
  // spline's: the conditional part (2/p) H_ss^-1 taken off.
  const long double c02 = -(u.a * right.xx + u.c * right.xs), c03 = -(u.a * right.xs + u.c * right.ss);
  const long double c12 = -(u.b * right.xx + u.d * right.xs);
  const long double c13 = -(u.b * right.xs + u.d * right.ss) + l * tr * inverseLambda;
  const long double C[4][4] = {{left.xx, left.xs, c02, c03},
                               {left.xs, left.ss - tl * inverseLambda, c12, c13},
                               {c02, c12, right.xx, right.xs},
                               {c03, c13, right.xs, right.ss - tr * inverseLambda}};
  // Weights of S(x) and S'(x): the tangent lines beyond the ends, the
  // cubic of the two ends' values and slopes (Hermite's) in between.
  long double v[4] = {0, 0, 0, 0}, d[4] = {0, 0, 0, 0};
  if (x < x0) {
    v[0] = 1, v[1] = x - x0, d[1] = 1;
  } else if (x > x1) {
    v[2] = 1, v[3] = x - x1, d[3] = 1;
  } else {
    const long double h = x1 - x0, t = x - x0, u1 = t / h, u0 = 1 - u1;
    v[0] = u0 * u0 * (1 + 2 * u1), v[1] = t * u0 * u0, v[2] = u1 * u1 * (3 - 2 * u1), v[3] = -t * u1 * u0;
    d[0] = -6 * u1 * u0 / h, d[1] = u0 * (1 - 3 * u1), d[2] = -d[0], d[3] = u1 * (3 * u1 - 2);
  }
  ValueAndSlope out;
  for (int i = 0; i < 4; ++i) {
    const long double cv = Dot4(C[i], v), cd = Dot4(C[i], d);
    out.Value += v[i] * cv, out.Cross += d[i] * cv, out.Slope += d[i] * cd;
  }
  return out;
}

// The forward elimination's state at a knot, with the knots before it
// eliminated: the inverse pivot block of P and the pivot of H_ss with its
// inverse.
struct Forward {
  Sym2 inverse{};
  long double slopePivot = 0, inverseSlopePivot = 0;
};

// Eliminates knot k-1 from knot k: `before` = 1/h[k-1] (0 at the first
// knot, where nothing is eliminated), `after` = 1/h[k] (0 at the last).
// One division for each pivot and block.
[[gnu::always_inline]] inline void Eliminate(const long double* E, int32_t k, long double lambda,
                                             long double before, long double after, Forward& f) {
  Sym2 d{1 / (E[k] * E[k]), 0, 0};
  AddInterval(d, lambda, before, -1), AddInterval(d, lambda, after, 1);
  long double h = 4 * (before + after);
  if (k > 1) {
    const Sym2 eliminated = Congruent(Coupling(lambda, before), f.inverse);
    d.xx -= eliminated.xx, d.xs -= eliminated.xs, d.ss -= eliminated.ss;
    const long double l = 2 * before * f.inverseSlopePivot;
    h -= l * l * f.slopePivot;
  }
  f.inverse = Inverse(d), f.slopePivot = h, f.inverseSlopePivot = 1 / h;
}

// The states of knots first..last from the state before `first`.
void EliminateBlock(int32_t n, const long double* X, const long double* E, long double lambda, int32_t first,
                    int32_t last, Forward f, Forward* out) {
  long double before = first > 1 ? 1 / Width(X, first - 1) : 0;
  for (int32_t k = first; k <= last; ++k) {
    const long double after = k < n ? 1 / Width(X, k) : 0;
    Eliminate(E, k, lambda, before, after, f);
    out[k - first] = f, before = after;
  }
}

// Knots a block of the backward pass takes: their states (20 KB) stay in
// the cache.
constexpr int32_t kBlockKnots = 256;

}  // namespace

void KnotSlopeVariances(int32_t n, const long double* X, const long double* E, long double p,
                        std::vector<long double>& slope, std::span<const SlopePoint> points,
                        ValueAndSlope* atPoints) {
  slope.assign(static_cast<std::size_t>(n > 0 ? n : 0) + 1, 0.0L);
  if (n < 2) return;
  const long double lambda = p / 2;
  // Forward: only the state before each block of knots is kept (a block's
  // five reals, where every knot's would take 64 bytes a knot: 64 MB at
  // 10^6 points); the backward pass makes a block's states again from it,
  // by the same arithmetic, so that the results are the same to the bit,
  // for one more forward step a knot.
  const int32_t blocks = (n + kBlockKnots - 1) / kBlockKnots;  // block b: knots b B + 1 .. (b + 1) B
  std::vector<Forward> starts(static_cast<std::size_t>(blocks));
  Forward f;
  long double before = 0;
  for (int32_t k = 1; k <= n; ++k) {
    if ((k - 1) % kBlockKnots == 0) starts[static_cast<std::size_t>((k - 1) / kBlockKnots)] = f;
    const long double after = k < n ? 1 / Width(X, k) : 0;
    Eliminate(E, k, lambda, before, after, f);
    before = after;
  }
  // Backward: S_k = D_k^-1 + U S_{k+1} U' with U = D_k^-1 P_{k,k+1}, and
  // the same for the tridiagonal H_ss. The points are met from the last.
  const long double inverseLambda = 1 / lambda;
  Sym2 s = f.inverse;
  long double t = f.inverseSlopePivot;
  slope[n] = s.ss - t * inverseLambda;
  std::size_t next = points.size();
  Forward block[kBlockKnots];
  for (int32_t b = blocks - 1; b >= 0; --b) {
    const int32_t first = b * kBlockKnots + 1, last = std::min(n, first + kBlockKnots - 1);
    EliminateBlock(n, X, E, lambda, first, last, starts[static_cast<std::size_t>(b)], block);
    for (int32_t k = std::min(last, n - 1); k >= first; --k) {
      const Forward& kept = block[k - first];
      const Sym2& di = kept.inverse;
      const long double g = 1 / Width(X, k);
      const Mat2 c = Coupling(lambda, g);
      const Mat2 ut{di.xx * c.a + di.xs * c.c, di.xs * c.a + di.ss * c.c, di.xx * c.b + di.xs * c.d,
                    di.xs * c.b + di.ss * c.d};  // (D_k^-1 P_{k,k+1})'
      const Sym2 carried = Congruent(ut, s), right = s;
      const long double l = 2 * g * kept.inverseSlopePivot, tRight = t;
      s = {di.xx + carried.xx, di.xs + carried.xs, di.ss + carried.ss};
      t = kept.inverseSlopePivot + l * l * t;
      slope[k] = s.ss - t * inverseLambda;
      for (; next > 0 && points[next - 1].Interval == k; --next)
        atPoints[next - 1] = OnInterval(s, right, ut, t, tRight, l, inverseLambda, X[k], X[k + 1],
                                        points[next - 1].X);
    }
  }
}

SlopePoint SlopePointAt(int32_t n, const long double* X, long double x) {
  if (x <= X[1]) return {1, x};
  if (x >= X[n]) return {n - 1, x};
  return {FindInterval(n, X, x), x};
}

std::vector<long double> SlopeSigmasAt(const CovarianceBands& b, std::span<const long double> at) {
  std::vector<long double> sigma(at.size(), 0.0L);
  if (!b.Defined || at.empty()) return sigma;
  std::vector<SlopePoint> points(at.size());
  std::vector<std::size_t> order(at.size());
  for (std::size_t i = 0; i < at.size(); ++i) points[i] = SlopePointAt(b.n, b.X, at[i]), order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t i, std::size_t j) { return points[i].Interval < points[j].Interval; });
  std::vector<SlopePoint> sorted(at.size());
  for (std::size_t i = 0; i < at.size(); ++i) sorted[i] = points[order[i]];
  std::vector<ValueAndSlope> got(at.size());
  std::vector<long double> knots;
  KnotSlopeVariances(b.n, b.X, b.E, b.p, knots, sorted, got.data());
  for (std::size_t i = 0; i < at.size(); ++i) sigma[order[i]] = Root(got[i].Slope);
  return sigma;
}

MarkSigmas SigmasOfExtremum(const ValueAndSlope& v, long double slope, long double curvature) {
  MarkSigmas s;
  if (curvature == 0 || !std::isfinite(curvature)) return s;
  // The root x of S' moves by -dS'(x) / S''(x), and the ordinate with it.
  const long double k = slope / curvature;
  s.X = Root(v.Slope) / std::fabs(curvature);
  s.Y = Root(v.Value - 2 * k * v.Cross + k * k * v.Slope);
  s.Defined = true;
  return s;
}

MarkSigmas SigmasOfInflection(const CovarianceBands& b, int32_t interval, long double x, long double slope,
                              long double jerk) {
  MarkSigmas s;
  if (!b.Defined || jerk == 0 || !std::isfinite(jerk)) return s;
  const PointWeights w = WeightsOnInterval(b.X, interval, x - b.X[interval]);
  const IntervalCovariance c = CovarianceOnInterval(b, interval);
  // The root x of S'' moves by -dS''(x) / S''', and the ordinate with it.
  s.X = Root(FormVariance(c, w.D2)) / std::fabs(jerk);
  long double y[4];
  for (int k = 0; k < 4; ++k) y[k] = w.Value[k] - slope / jerk * w.D2[k];
  s.Y = Root(FormVariance(c, y));
  s.Defined = true;
  return s;
}

}  // namespace spline
