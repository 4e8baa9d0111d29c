// Choosing p: the fit as the run asks for it, the search for the p that
// minimises UBRE, GCV or CV (each trial one fit for a fixed p and one band
// of M^-1 for its trace and diagonal), and the one for the p of a given edf
// (each trial the band alone).
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
  long double value = CriterionValueOfFit(s.kind, s.n, s.Y, s.E, s.A, out.ResidualSum, s.bands);
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

// ---- The p of a given edf ----

// edf falls from n (p -> 0) to 2 (p -> infinity) as log p grows, along a
// sigmoid that regula falsi would crawl along; its logit
// ln((edf - 2) / (n - edf)) falls from +inf to -inf nearly straight at both
// ends (n - edf grows as p, edf - 2 falls as p^-1/4), so the steps are taken
// on that and the bracket is kept by edf itself.
struct EdfSearch {
  int32_t n;
  const long double *X, *E;
  double* R;
  CovarianceBands& bands;
  long double target;
  int32_t trials = 0;
};

long double EdfAt(EdfSearch& s, long double t) {
  ComputeCovarianceBands(s.n, s.X, s.E, std::pow(10.0L, t), s.bands, s.R);  // in the workspace, no fit
  ++s.trials;
  return s.bands.Edf;
}

long double Logit(const EdfSearch& s, long double edf) { return std::log((edf - 2) / (s.n - edf)); }

// Widens [lo, hi] until edf(lo) > target > edf(hi); false when the range
// of the extended reals does not reach so far (p = 0 gives n and an
// infinite p 2, so only a target within rounding of n or 2 fails).
bool BracketEdf(EdfSearch& s, long double& lo, long double& elo, long double& hi, long double& ehi) {
  elo = EdfAt(s, lo), ehi = EdfAt(s, hi);
  for (int32_t k = 0; k < kEdfWidenings && !(elo > s.target); ++k) lo -= kEdfWidening, elo = EdfAt(s, lo);
  for (int32_t k = 0; k < kEdfWidenings && !(ehi < s.target); ++k) hi += kEdfWidening, ehi = EdfAt(s, hi);
  return elo > s.target && ehi < s.target;
}

// The edf the bands give is itself only so exact: with heavy smoothing of
// many points M is ill-conditioned, and near edf 3 its rounding noise is
// about 1e-8 at n = 10^4 and 1e-4 at n = 10^5; the search then ends when
// the bracket is one t wide and takes the nearest edf seen.
//
// Regula falsi with the Illinois step (the far end's value is halved when
// one end stays twice, so that it moves too) on the logit, a bisection
// where the logit is not finite; returns the t whose edf came nearest the
// target.
long double SolveEdf(EdfSearch& s, long double a, long double ea, long double b, long double eb) {
  const long double goal = Logit(s, s.target);
  long double fa = Logit(s, ea) - goal, fb = Logit(s, eb) - goal;
  long double best = std::fabs(ea - s.target) < std::fabs(eb - s.target) ? a : b;
  long double bestGap = std::numeric_limits<long double>::infinity();
  int32_t side = 0;
  for (int32_t k = 0; k < kEdfTrials; ++k) {
    long double t = std::isfinite(fa) && std::isfinite(fb) ? (a * fb - b * fa) / (fb - fa) : (a + b) / 2;
    if (!(t > a && t < b)) t = (a + b) / 2;
    if (!(t > a && t < b)) break;  // the bracket is one t wide
    const long double e = EdfAt(s, t), f = Logit(s, e) - goal, gap = std::fabs(e - s.target);
    if (gap < bestGap) bestGap = gap, best = t;
    if (gap <= kEdfTolerance * s.target) break;
    if (e > s.target) {
      a = t, fa = f;
      if (side == 1) fb /= 2;
      side = 1;
    } else {
      b = t, fb = f;
      if (side == -1) fa /= 2;
      side = -1;
    }
  }
  return best;
}

bool SearchEdf(int32_t n, const long double* X, const long double* Y, const long double* E,
               double* R, SplineSegment* A, CovarianceBands& bands, long double lo, long double hi,
               long double target, SearchResult& out) {
  if (!(target > 2 && target < n)) return false;
  EdfSearch s{n, X, E, R, bands, target};
  long double elo, ehi;
  if (!BracketEdf(s, lo, elo, hi, ehi)) return false;
  out.P = std::pow(10.0L, SolveEdf(s, lo, elo, hi, ehi));
  out.Status = FitSmoothingSplineAt(n, out.P, X, Y, E, R, A, &out.Outcome);
  ComputeCovarianceBands(n, X, E, out.P, bands, R);
  out.Value = bands.Edf;
  out.Fits = s.trials + 1;
  return true;
}

}  // namespace

long double CriterionValue(Criterion kind, int32_t n, long double F, long double edf) {
  switch (kind) {
    case Criterion::Ubre: return F + 2 * edf;
    case Criterion::Gcv: return n * F / ((n - edf) * (n - edf));
    case Criterion::Edf: return edf;
    default: return F;
  }
}

long double CrossValidation(int32_t n, const long double* Y, const long double* E,
                            const SplineSegment* A, const CovarianceBands& bands) {
  if (!bands.Defined) return NAN;
  long double sum = 0;
  for (int32_t i = 1; i <= n; ++i) {
    const long double r = (Y[i] - A[i].a) / (E[i] * ResidualShare(bands, i));
    sum += r * r;
  }
  return sum / n;
}

long double CriterionValueOfFit(Criterion kind, int32_t n, const long double* Y, const long double* E,
                                const SplineSegment* A, long double F, const CovarianceBands& bands) {
  return kind == Criterion::Cv ? CrossValidation(n, Y, E, A, bands) : CriterionValue(kind, n, F, bands.Edf);
}

bool SearchSmoothing(Criterion kind, int32_t n, const long double* X, const long double* Y,
                     const long double* E, double* R, SplineSegment* A,
                     CovarianceBands& bands, SearchResult& out, long double edfTarget) {
  const long double p0 = n >= 3 ? BalancedP(n, X, E) : 0;
  if (p0 == 0) return false;
  // edf is near n a few decades below p0 and near 2 some 4 log10(n) decades
  // above it (the smoothest shape of n knots is damped by about n^-4).
  const long double lo = std::log10(p0) - 4, hi = std::log10(p0) + 4 * std::log10(n) + 2;
  if (kind == Criterion::Edf) return SearchEdf(n, X, Y, E, R, A, bands, lo, hi, edfTarget, out);
  const long double step = (hi - lo) / (kGridFits - 1);
  Trial s{kind, n, X, Y, E, R, A, bands};
  const int32_t k = SearchGrid(s, lo, step);
  SearchGolden(s, lo + (k - 1) * step, lo + (k + 1) * step);
  out.P = std::pow(10.0L, s.bestT);
  out.Status = FitSmoothingSplineAt(n, out.P, X, Y, E, R, A, &out.Outcome);
  ComputeCovarianceBands(n, X, E, out.P, bands, R);
  out.Value = CriterionValueOfFit(kind, n, Y, E, A, out.Outcome.ResidualSum, bands);
  out.Fits = s.fits + 1;
  return true;
}

FitStatus FitAsChosen(int32_t maxIteration, const SmoothingChoice& choice, bool wantBands) {
  const data::DataSetRecord& d = data::DataSet;
  FitRecordType& r = LastFit;
  r = FitRecordType{};
  r.Kind = choice.Kind, r.FixedP = choice.FixedP, r.EdfTarget = choice.EdfTarget;
  LastBands.Defined = false;  // they lie in the workspace, which the fit now overwrites
  SearchResult found;
  const bool search = !choice.FixedP && choice.Kind != Criterion::Residual;
  if (choice.FixedP) {
    r.Status = FitSmoothingSplineAt(choice.P, &r.Outcome);
  } else if (search && SearchSmoothing(choice.Kind, d.Count, d.XValues, d.YValues, d.ErrValues,
                                       Fit.Workspace, Fit.Segments, LastBands, found, choice.EdfTarget)) {
    r.Status = found.Status, r.Outcome = found.Outcome, r.Fits = found.Fits;
    r.Outcome.Iterations = found.Fits;
    r.CriterionValue = found.Value;
    return r.Status;
  } else {
    r.Kind = Criterion::Residual;  // also when the search has nothing to weigh, or no such edf
    r.Status = FitSmoothingSpline(maxIteration, &r.Outcome);
  }
  if (wantBands || search) {
    ComputeCovarianceBands(d.Count, d.XValues, d.ErrValues, r.Outcome.P, LastBands, Fit.Workspace);
    r.CriterionValue = CriterionValueOfFit(r.Kind, d.Count, d.YValues, d.ErrValues, Fit.Segments,
                                           r.Outcome.ResidualSum, LastBands);
  }
  return r.Status;
}

}  // namespace spline
