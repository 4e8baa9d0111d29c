// The choice of the smoothing parameter: the residual iteration of the fit,
// a p given by the user, the p whose edf is a given k, or the p that
// minimises an estimate of the risk (Wahba 1983; Craven and Wahba, Numer.
// Math. 31 (1979) 377-403):
//   UBRE, for errors known as one-sigma values: F(p) + 2 edf(p);
//   GCV, for errors known up to a common factor: n F(p) / (n - edf(p))^2;
//   CV, leave-one-out cross-validation:
//     (1/n) sum(((y_i - g_i) / (E_i (1 - A_ii)))^2),
//     the mean squared standardized error of predicting each point from the
//     fit to all others at the same p, which this shortcut gives exactly;
// with F the weighted residual sum, g_i the fit at knot i, A the influence
// matrix and edf = tr A (uncertainty.h).
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
  long double EdfTarget = 0;  // with EDF: k; outside 2 < k < n the residual iteration is taken
};

// What the latest fit of the run was, for the report.
struct FitRecordType {
  FitStatus Status = FitStatus::Converged;
  FitOutcome Outcome;
  Criterion Kind = Criterion::Residual;
  bool FixedP = false;
  long double CriterionValue = 0;  // UBRE, GCV, CV or edf at the chosen p
  int32_t Fits = 0;                // fits the search made (EDF: trials of edf, and one fit)
  long double EdfTarget = 0;       // with EDF: the k asked for
};
extern FitRecordType LastFit;
// The bands of the latest fit, when a report, the band or a criterion asked.
extern CovarianceBands LastBands;

// The criterion's value for a fit with residual sum F and edf over n points
// (for EDF the edf itself; CV needs more, below).
long double CriterionValue(Criterion kind, int32_t n, long double F, long double edf);
// The CV score of the fit in A to Y with errors E, from its bands; NaN when
// the bands are not defined (p = 0 or infinite).
long double CrossValidation(int32_t n, const long double* Y, const long double* E,
                            const SplineSegment* A, const CovarianceBands& bands);
// The criterion's value for the fit in A with residual sum F and its bands.
long double CriterionValueOfFit(Criterion kind, int32_t n, const long double* Y, const long double* E,
                                const SplineSegment* A, long double F, const CovarianceBands& bands);

// The search: the criterion over log p on a grid of at most kGridFits fits
// from well below p0 = tr T / tr(Q'D^2 Q) (edf near n) to far above it (edf
// near 2), then a golden-section search of kGoldenFits fits around the best
// grid point; the segments in A are then those of the best p. `bands` is
// reused for every fit and lies in the workspace R (see
// ComputeCovarianceBands), so it holds until R's next fit. Returns false
// when no p can be weighed (errors all zero, or no interior knot): nothing
// is fitted then.
//
// EDF instead solves edf(p) = edfTarget: edf needs the bands alone, no fit,
// so each trial is one ComputeCovarianceBands, on the same range of log p,
// widened by kEdfWidening decades at a time (at most kEdfWidenings times)
// until edf brackets the target, then regula falsi until edf is the target
// within kEdfTolerance relative (at most kEdfTrials trials); one fit at
// that p follows. It returns false as well for a target outside 2 < k < n,
// or one that no p in the range of the extended reals reaches.
constexpr int32_t kGridFits = 30, kGoldenFits = 28;
constexpr int32_t kEdfWidening = 4, kEdfWidenings = 64, kEdfTrials = 100;
constexpr long double kEdfTolerance = 1e-13L;
struct SearchResult {
  long double P = 0, Value = 0;
  int32_t Fits = 0;
  FitStatus Status = FitStatus::Converged;
  FitOutcome Outcome;  // of the fit at P
};
bool SearchSmoothing(Criterion kind, int32_t n, const long double* X, const long double* Y,
                     const long double* E, double* R, SplineSegment* A,
                     CovarianceBands& bands, SearchResult& out, long double edfTarget = 0);

// The fit of the run's data set as chosen, recorded in LastFit; with
// `wantBands` (or a criterion) LastBands is made for the p of the fit.
FitStatus FitAsChosen(int32_t maxIteration, const SmoothingChoice& choice, bool wantBands);

}  // namespace spline
