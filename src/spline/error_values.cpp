// The error values that weight the fit: their completion after reading, the
// optional estimate from the scatter of the data, and the weighting keys with
// the most recent factor that "-" undoes.
#include <cmath>
#include <memory>
#include <new>

#include "data/dataset.h"
#include "spline/fit.h"

namespace spline {

namespace {

// Factor of the most recent factor key; 1 until one is pressed, so that "-"
// before any factor key leaves the values as they are.
long double MostRecentFactor = 1;

// The factor of a weighting key, or 0 for any other key.
long double KeyFactor(int key) {
  switch (key) {
    case '0': return 0.5L;
    case '1': return 1.1L;
    case '`': return 1.01L;
    default: return key >= '2' && key <= '9' ? key - '0' : 0;
  }
}

// The largest of Y[1..n] less the smallest (n >= 1).
long double RangeOf(int32_t n, const long double* Y) {
  long double ymin = Y[1], ymax = Y[1];
  for (int32_t i = 2; i <= n; ++i) {
    if (Y[i] < ymin) ymin = Y[i];
    if (Y[i] > ymax) ymax = Y[i];
  }
  return ymax - ymin;
}

// Points i-w .. i+w cut to 1..n, without forming i + w when it would overflow.
void ScatterWindow(int32_t n, int32_t i, int32_t w, int32_t& lo, int32_t& hi) {
  lo = i > w ? i - w : 1;
  hi = w < n - i ? i + w : n;
}

// The least-squares slope of Y on X over X[lo..hi], taken about the window's
// means. The textbook form (n Sxy - Sx Sy) / (n Sxx - Sx^2) is the same slope,
// but its sums cancel when X lies far from 0 compared with its spacing: with
// time stamps near 1.7e9 s one second apart it is off by up to a quarter in
// half the windows, and further out it divides 0 by 0.
long double WindowSlope(const long double* X, const long double* Y, int32_t lo, int32_t hi) {
  const long double nw = hi - lo + 1;
  long double mx = 0, my = 0;
  for (int32_t j = lo; j <= hi; ++j) {
    mx += X[j];
    my += Y[j];
  }
  mx /= nw;
  my /= nw;
  long double sxx = 0, sxy = 0;
  for (int32_t j = lo; j <= hi; ++j) {
    const long double dx = X[j] - mx;
    sxx += dx * dx;
    sxy += dx * (Y[j] - my);
  }
  return sxx > 0 ? sxy / sxx : 0;  // one point, or X equal: no slope
}

// The unscaled scatter errors: sqrt(|slope|) over each point's window.
// Windows cut to the whole data set at both ends (all of them once 2w + 1
// reaches n) are one and the same window, so its slope is formed once;
// every other window costs w steps, the whole estimate about n times 2w.
struct ScatterErrors {
  int32_t n, w;
  const long double *X, *Y;
  bool haveWhole = false;
  long double whole = 0;

  long double At(int32_t i) {
    int32_t lo, hi;
    ScatterWindow(n, i, w, lo, hi);
    if (lo > 1 || hi < n) return std::sqrt(std::fabs(WindowSlope(X, Y, lo, hi)));
    if (!haveWhole) whole = std::sqrt(std::fabs(WindowSlope(X, Y, 1, n)));
    haveWhole = true;
    return whole;
  }
};

}  // namespace

void CompleteErrors(int32_t n, const long double* Y, long double* E, int32_t columnError,
                    bool columnInY) {
  if (n < 1) return;
  const long double r = RangeOf(n, Y) / 1000000;
  const bool scale = columnError > 0 && !columnInY;
  for (int32_t i = 1; i <= n; ++i) {
    if (E[i] < 0) E[i] = r;
    else if (scale) E[i] = E[i] * r;
  }
}

ErrorColumnSpan SpanOfErrorColumn(int32_t n, const long double* Y, const long double* E) {
  ErrorColumnSpan span;
  if (n < 1) return span;
  span.YRange = RangeOf(n, Y);
  for (int32_t i = 1; i <= n; ++i) {
    if (E[i] < 0) continue;
    if (span.Count == 0 || E[i] < span.Low) span.Low = E[i];
    if (span.Count == 0 || E[i] > span.High) span.High = E[i];
    ++span.Count;
  }
  return span;
}

bool LooksLikeUnitsOfY(const ErrorColumnSpan& span) {
  return span.Count > 0 && span.YRange > 0 && span.Low >= span.YRange / 1000 && span.High <= span.YRange;
}

void EstimateErrorsFromScatter(int32_t n, const long double* X, const long double* Y,
                               long double* E, int32_t w) {
  if (w <= 0 || n < 1) return;
  ScatterErrors scatter{n, w, X, Y};
  // Each error is formed once and kept for the scaling; without room for
  // them they are formed again, to the same bits.
  std::unique_ptr<long double[]> kept(new (std::nothrow) long double[static_cast<size_t>(n) + 1]);
  long double sold = 0, snew = 0;
  for (int32_t i = 1; i <= n; ++i) sold += E[i];
  for (int32_t i = 1; i <= n; ++i) {
    const long double e = scatter.At(i);
    if (kept) kept[i] = e;
    snew += e;
  }
  // All slopes 0 (constant Y, say): there is no scale to keep, so the
  // completed values stay. The first pass only sums, so they are still there.
  if (!(snew > 0) || !std::isfinite(snew)) return;
  const long double factor = sold / snew;
  for (int32_t i = 1; i <= n; ++i) E[i] = (kept ? kept[i] : scatter.At(i)) * factor;
}

void ScaleErrors(int key, int32_t n, long double* E) {
  if (key == '-') {
    for (int32_t i = 1; i <= n; ++i) E[i] = E[i] / MostRecentFactor;
    return;
  }
  const long double factor = KeyFactor(key);
  if (factor == 0) return;
  MostRecentFactor = factor;
  for (int32_t i = 1; i <= n; ++i) E[i] = E[i] * factor;
}

void ResetErrorScaling() { MostRecentFactor = 1; }

void CompleteErrors(int32_t columnError, bool columnInY) {
  data::DataSetRecord& d = data::DataSet;
  CompleteErrors(d.Count, d.YValues, d.ErrValues, columnError, columnInY);
}

ErrorColumnSpan SpanOfErrorColumn() {
  const data::DataSetRecord& d = data::DataSet;
  return SpanOfErrorColumn(d.Count, d.YValues, d.ErrValues);
}

void EstimateErrorsFromScatter(int32_t w) {
  data::DataSetRecord& d = data::DataSet;
  EstimateErrorsFromScatter(d.Count, d.XValues, d.YValues, d.ErrValues, w);
}

void ScaleErrors(int key) {
  data::DataSetRecord& d = data::DataSet;
  ScaleErrors(key, d.Count, d.ErrValues);
}

}  // namespace spline
