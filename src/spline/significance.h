// Which marks the data support: the significance z of every extremum and
// point of inflection, by the sign-change test of Chaudhuri and Marron
// (J. Amer. Statist. Assoc. 94 (1999) 807-823) on the pointwise Bayesian
// bands of the fit (uncertainty.h).
//
// A mark is where a derivative changes sign: S' for an extremum, S'' for an
// inflection (nu = 1 or 2). At every knot X[k], 1 < k < n, the ratio
//   r(k) = S^(nu)(X[k]) / sigma^(nu)(X[k])
// is how many sigmas the derivative stands from 0. Take the marks of one
// family (the extrema, or the inflections) in the order of X. Between two
// neighbouring marks the derivative keeps one sign, so the knots strictly
// between them form the gap the two marks share; the first gap begins at
// X[1] and the last ends at X[n], both ends left out (S'' is 0 there by the
// natural end condition, with sigma 0). With s the sign the derivative has
// left of the mark (+1 left of a maximum, -1 left of a minimum; for an
// inflection the opposite of the sign of its interval's d),
//   z_left  = max of  s r(k) over the gap left of the mark,
//   z_right = max of -s r(k) over the gap right of it,
//   z = max(0, min(z_left, z_right)),
// and z = 0 when a gap holds no knot or the bands are not defined (p = 0 or
// infinite). So z >= t means that on each side some knot shows the sign the
// mark needs at t sigmas: a pointwise test at each knot, not a simultaneous
// one, and only as good as the errors are one-sigma errors.
//
// Marks of a family that follow each other with the same sign on their left
// stand for one change of sign (a point on a knot, found by both intervals
// that meet there, or two roots a rounding apart): they share one z, and
// the knots between them belong to neither gap.
//
// All marks together cost one pass over the knots: O(n + marks).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "spline/analysis.h"
#include "spline/segment.h"
#include "spline/uncertainty.h"

namespace spline {

// Every mark of the segments A over X[1..n] in the order the marks are
// found (interval 1 to n-1, each interval's marks in the order
// AnalyseSegment gives them), with the interval of each.
void FindAllMarks(int32_t n, const long double* X, const SplineSegment* A, std::vector<CalculusMark>& marks,
                  std::vector<int32_t>& intervals);

// The one pass over the knots that the marks' slopes need: Var S' at
// every knot into `knots` (for z), and at every extremum the covariance of
// S and S' into `atMarks` (for its sigmas; zero for an inflection, whose
// sigmas come from the bands). Nothing when the marks hold no extremum or
// the bands are not defined.
void SlopesOfMarks(const CovarianceBands& bands, std::span<const CalculusMark> marks,
                   std::span<const int32_t> intervals, std::vector<long double>& knots,
                   std::vector<ValueAndSlope>& atMarks);

// The z of every mark of the segments, in the order FindAllMarks gives.
std::vector<long double> MarkSignificances(int32_t n, const long double* X, const SplineSegment* A,
                                           const CovarianceBands& bands);
// The same for marks already found, in that order, with the knots'
// variances of S' from SlopesOfMarks (made here when null and needed).
std::vector<long double> MarkSignificances(int32_t n, const long double* X, const SplineSegment* A,
                                           const CovarianceBands& bands, std::span<const CalculusMark> marks,
                                           const std::vector<long double>* knotSlopes = nullptr);

// The marks of one fit with all the report needs of them, made in one go:
// the marks and their intervals (FindAllMarks), the extrema's slopes
// (SlopesOfMarks) and, when asked, the z of each.
struct MarkScoreRecord {
  long double Threshold = 0;  // the program's MarkSignificance; 0: every mark is listed and drawn
  std::vector<CalculusMark> Marks;
  std::vector<int32_t> Intervals;
  std::vector<ValueAndSlope> Slopes;
  std::vector<long double> Z;  // empty when not asked
};
void ScoreMarks(int32_t n, const long double* X, const SplineSegment* A, const CovarianceBands& bands,
                bool withZ, MarkScoreRecord& out);

// The program's, for the latest fit of its data set: made after each fit
// from the fit's bands (LastBands) when `wanted` (the threshold or a report
// asks); otherwise it holds only the threshold.
extern MarkScoreRecord MarkScores;
void ScoreLatestMarks(long double threshold, bool wanted);

// Walks the marks interval by interval in the order above and drops from
// each interval's marks those whose z lies below the threshold. A sieve
// without scores (or without a threshold) keeps every mark.
struct MarkSieve {
  const std::vector<long double>* Z = nullptr;
  long double Threshold = 0;
  std::size_t Next = 0;  // the z of the next mark found
};
MarkSieve ProgramSieve();
void SiftMarks(MarkSieve& sieve, SegmentMarks& found);

}  // namespace spline
