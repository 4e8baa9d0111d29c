// The choice of the smoothing parameter: the residual iteration of the fit,
// a p given by the user, or the p that minimises an estimate of the risk
// (Wahba 1983; Craven and Wahba, Numer. Math. 31 (1979) 377-403):
//   UBRE, for errors known as one-sigma values: F(p) + 2 edf(p);
//   GCV, for errors known up to a common factor: n F(p) / (n - edf(p))^2;
// with F the weighted residual sum and edf = tr A (uncertainty.h).
#pragma once
#include <cstdint>

#include "config/smoothing_criterion.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

namespace spline {

// The criteria and their names are the settings' (config/smoothing_criterion.h).
using Criterion = config::Criterion;

// How a run chooses p. A fixed p wins over the criterion.
struct SmoothingChoice {
  Criterion Kind = Criterion::Residual;
  bool FixedP = false;
  long double P = 0;
};

// What the latest fit of the run was, for the report.
struct FitRecordType {
  FitStatus Status = FitStatus::Converged;
  FitOutcome Outcome;
  Criterion Kind = Criterion::Residual;
  bool FixedP = false;
  long double CriterionValue = 0;  // UBRE or GCV at the chosen p
  int32_t Fits = 0;                // fits the search made
};
extern FitRecordType LastFit;
// The bands of the latest fit, when a report, the band or a criterion asked.
extern CovarianceBands LastBands;

// The criterion's value for a fit with residual sum F and edf over n points.
long double CriterionValue(Criterion kind, int32_t n, long double F, long double edf);

// The search: the criterion over log p on a grid of at most kGridFits fits
// from well below p0 = tr T / tr(Q'D^2 Q) (edf near n) to far above it (edf
// near 2), then a golden-section search of kGoldenFits fits around the best
// grid point; the segments in A are then those of the best p. `bands` is
// reused for every fit and lies in the workspace R (see
// ComputeCovarianceBands), so it holds until R's next fit. Returns false
// when no p can be weighed (errors all zero, or no interior knot): nothing
// is fitted then.
constexpr int32_t kGridFits = 30, kGoldenFits = 28;
struct SearchResult {
  long double P = 0, Value = 0;
  int32_t Fits = 0;
  FitStatus Status = FitStatus::Converged;
  FitOutcome Outcome;  // of the fit at P
};
bool SearchSmoothing(Criterion kind, int32_t n, const long double* X, const long double* Y,
                     const long double* E, double* R, SplineSegment* A,
                     CovarianceBands& bands, SearchResult& out);

// The fit of the run's data set as chosen, recorded in LastFit; with
// `wantBands` (or a criterion) LastBands is made for the p of the fit.
FitStatus FitAsChosen(int32_t maxIteration, const SmoothingChoice& choice, bool wantBands);

}  // namespace spline
