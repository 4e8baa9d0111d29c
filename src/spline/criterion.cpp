// Choosing p: the fit as the run asks for it, and the search for the p that
// minimises UBRE or GCV. Each trial is one fit for a fixed p and one band of
// M^-1 for its trace.
#include "spline/criterion.h"

#include <cmath>
#include <limits>

#include "data/dataset.h"

namespace spline {

FitRecordType LastFit;
CovarianceBands LastBands;

namespace {

// The scale at which the penalty and the data weigh alike:
// tr T / tr(Q'D^2 Q); 0 when there is nothing to weigh.
long double BalancedP(int32_t n, const long double* X, const long double* E) {
  long double trT = 0, trB = 0;
  for (int32_t j = 2; j < n; ++j) {
    const long double h0 = X[j] - X[j - 1], h1 = X[j + 1] - X[j];
    const long double below = E[j - 1] / h0, at = -E[j] / h0 - E[j] / h1, above = E[j + 1] / h1;
    trT += 2 * (h0 + h1) / 3;
    trB += below * below + at * at + above * above;
  }
  const long double p0 = trT / trB;
  return trB > 0 && std::isfinite(p0) && p0 > 0 ? p0 : 0;
}

// One trial: fits for p = 10^t and weighs the fit.
struct Trial {
  Criterion kind;
  int32_t n;
  const long double *X, *Y, *E;
  double* R;
  SplineSegment* A;
  CovarianceBands& bands;
  int32_t fits = 0;
  long double bestT = 0, bestValue = std::numeric_limits<long double>::infinity();
};

long double Weigh(Trial& s, long double t) {
  const long double p = std::pow(10.0L, t);
  FitOutcome out;
  const FitStatus status = FitSmoothingSplineAt(s.n, p, s.X, s.Y, s.E, s.R, s.A, &out);
  ComputeCovarianceBands(s.n, s.X, s.E, p, s.bands, s.R);  // in the workspace, idle until the next fit
  ++s.fits;
  long double value = CriterionValue(s.kind, s.n, out.ResidualSum, s.bands.Edf);
  if (status != FitStatus::Converged || !std::isfinite(value)) value = std::numeric_limits<long double>::infinity();
  if (value < s.bestValue) s.bestValue = value, s.bestT = t;
  return value;
}

// The grid point with the least value; returns its index.
int32_t SearchGrid(Trial& s, long double lo, long double step) {
  int32_t best = 0;
  long double bestValue = std::numeric_limits<long double>::infinity();
  for (int32_t k = 0; k < kGridFits; ++k) {
    const long double v = Weigh(s, lo + k * step);
    if (v < bestValue) bestValue = v, best = k;
  }
  return best;
}

// Golden-section search on [a, b]; the best point seen is kept in s.
void SearchGolden(Trial& s, long double a, long double b) {
  const long double g = (std::sqrt(5.0L) - 1) / 2;
  long double x1 = b - g * (b - a), x2 = a + g * (b - a);
  long double f1 = Weigh(s, x1), f2 = Weigh(s, x2);
  for (int32_t k = 2; k < kGoldenFits; ++k) {
    if (f1 <= f2) {
      b = x2, x2 = x1, f2 = f1;
      x1 = b - g * (b - a), f1 = Weigh(s, x1);
    } else {
      a = x1, x1 = x2, f1 = f2;
      x2 = a + g * (b - a), f2 = Weigh(s, x2);
    }
  }
}

}  // namespace

long double CriterionValue(Criterion kind, int32_t n, long double F, long double edf) {
  switch (kind) {
    case Criterion::Ubre: return F + 2 * edf;
    case Criterion::Gcv: return n * F / ((n - edf) * (n - edf));
    default: return F;
  }
}

bool SearchSmoothing(Criterion kind, int32_t n, const long double* X, const long double* Y,
                     const long double* E, double* R, SplineSegment* A,
                     CovarianceBands& bands, SearchResult& out) {
  const long double p0 = n >= 3 ? BalancedP(n, X, E) : 0;
  if (p0 == 0) return false;
  // edf is near n a few decades below p0 and near 2 some 4 log10(n) decades
  // above it (the smoothest shape of n knots is damped by about n^-4).
  const long double lo = std::log10(p0) - 4, hi = std::log10(p0) + 4 * std::log10(n) + 2;
  const long double step = (hi - lo) / (kGridFits - 1);
  Trial s{kind, n, X, Y, E, R, A, bands};
  const int32_t k = SearchGrid(s, lo, step);
  SearchGolden(s, lo + (k - 1) * step, lo + (k + 1) * step);
  out.P = std::pow(10.0L, s.bestT);
  out.Status = FitSmoothingSplineAt(n, out.P, X, Y, E, R, A, &out.Outcome);
  ComputeCovarianceBands(n, X, E, out.P, bands, R);
  out.Value = CriterionValue(kind, n, out.Outcome.ResidualSum, bands.Edf);
  out.Fits = s.fits + 1;
  return true;
}

FitStatus FitAsChosen(int32_t maxIteration, const SmoothingChoice& choice, bool wantBands) {
  const data::DataSetRecord& d = data::DataSet;
  FitRecordType& r = LastFit;
  r = FitRecordType{};
  r.Kind = choice.Kind, r.FixedP = choice.FixedP;
  LastBands.Defined = false;  // they lie in the workspace, which the fit now overwrites
  SearchResult found;
  const bool search = !choice.FixedP && choice.Kind != Criterion::Residual;
  if (choice.FixedP) {
    r.Status = FitSmoothingSplineAt(choice.P, &r.Outcome);
  } else if (search && SearchSmoothing(choice.Kind, d.Count, d.XValues, d.YValues,
                                       d.ErrValues, Fit.Workspace, Fit.Segments, LastBands, found)) {
    r.Status = found.Status, r.Outcome = found.Outcome, r.Fits = found.Fits;
    r.Outcome.Iterations = found.Fits;
    r.CriterionValue = found.Value;
    return r.Status;
  } else {
    r.Kind = Criterion::Residual;  // also when the search has nothing to weigh
    r.Status = FitSmoothingSpline(maxIteration, &r.Outcome);
  }
  if (wantBands || search) {
    ComputeCovarianceBands(d.Count, d.XValues, d.ErrValues, r.Outcome.P, LastBands, Fit.Workspace);
    r.CriterionValue = CriterionValue(r.Kind, d.Count, r.Outcome.ResidualSum, LastBands.Edf);
  }
  return r.Status;
}

}  // namespace spline
