// The two quality figures shown with the graph: the base error (the first
// point's error value) and the average deviation of the curve from the points.
#include <cmath>

#include "data/dataset.h"
#include "spline/evaluate.h"
#include "spline/fit.h"

namespace spline {

QualityFigures FitQuality(int32_t n, const long double* X, const long double* Y,
                          const long double* E, const SplineSegment* A) {
  QualityFigures q;
  if (n < 1 || A == nullptr) return q;  // no fit yet
  // The curve at each knot, as EvaluateSpline(X[i]) gives it, without the search.
  long double sum = 0;
  for (int32_t i = 1; i <= n; ++i) sum += std::fabs(Y[i] - KnotValue(n, X, A, i));
  q.BaseError = E[1];
  q.AverageDeviation = (1 / static_cast<long double>(n)) * sum;
  return q;
}

QualityFigures FitQuality() {
  const data::DataSetRecord& d = data::DataSet;
  return FitQuality(d.Count, d.XValues, d.YValues, d.ErrValues, Fit.Segments);
}

}  // namespace spline
