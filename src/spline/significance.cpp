// The significance of the marks: one pass over the knots that keeps, for
// each family, the largest ratio of either sign in every gap between its
// marks.
#include "spline/significance.h"

#include <algorithm>
#include <cmath>

#include "data/dataset.h"
#include "spline/criterion.h"
#include "spline/fit.h"

namespace spline {

MarkScoreRecord MarkScores;

namespace {

// One mark of a family: where it lies, the sign left of it and its place
// in the order the marks are found.
struct FamilyMark {
  long double X;
  int Sign;
  std::size_t Index;
};

// A run of marks with one sign: one change of sign (see the header).
struct SignChange {
  long double First, Last;
  int Sign;
};

// The largest r |r| and the largest -r |r| above 0 over a gap's knots,
// each kept as the fraction S |S| / Var it is, so that a knot costs no
// division. A denominator of 0: none above 0.
struct Extreme {
  long double Num = 0, Den = 0;
};
struct Gap {
  Extreme Up, Down;
};

void Raise(Extreme& e, long double num, long double den) {
  if (e.Den == 0 || num * e.Den > e.Num * den) e.Num = num, e.Den = den;
}

struct Family {
  std::vector<FamilyMark> Marks;
  std::vector<SignChange> Changes;
  std::vector<Gap> Gaps;  // Changes.size() + 1: before each change, and after the last
  std::size_t Next = 0;   // the first change not yet passed by the knots
};

int SignLeftOf(const CalculusMark& m) {
  switch (m.Kind) {
    case MarkKind::Maximum: return 1;
    case MarkKind::Minimum: return -1;
    default: return m.NegativeD ? 1 : -1;
  }
}

// The marks come interval by interval, nearly in order of X (two roots of
// one interval may come the other way round): an insertion sort is linear.
void GroupChanges(Family& f) {
  std::vector<FamilyMark>& m = f.Marks;
  for (std::size_t i = 1; i < m.size(); ++i)
    for (std::size_t j = i; j > 0 && m[j].X < m[j - 1].X; --j) std::swap(m[j], m[j - 1]);
  for (const FamilyMark& k : m) {
    if (!f.Changes.empty() && f.Changes.back().Sign == k.Sign) f.Changes.back().Last = k.X;
    else f.Changes.push_back({k.X, k.X, k.Sign});
  }
  f.Gaps.assign(f.Changes.size() + 1, Gap{});
}

// Knot x, where the derivative is d with variance v > 0, joins the gap it
// lies in; a knot inside a run of marks joins none.
void AddKnot(Family& f, long double x, long double d, long double v) {
  while (f.Next < f.Changes.size() && f.Changes[f.Next].Last < x) ++f.Next;
  if (f.Next < f.Changes.size() && f.Changes[f.Next].First <= x) return;
  Gap& g = f.Gaps[f.Next];
  // A side whose best is not above 0 gives z = 0, as an empty one does:
  // only the sign a knot has can raise a side.
  const long double q = d * std::fabs(d);
  if (q > 0) Raise(g.Up, q, v);
  else if (q < 0) Raise(g.Down, -q, v);
}

// The side of a gap a change with left sign s reads: s r on its left, -s r
// on its right; 0 when no knot of the gap has the sign wanted.
long double Side(const Gap& g, int s) {
  const Extreme& e = s > 0 ? g.Up : g.Down;
  return e.Den == 0 ? 0 : std::sqrt(e.Num / e.Den);
}

// `scale` turns the ratios the knots entered with into sigmas.
void ScoreFamily(const Family& f, long double scale, std::vector<long double>& z) {
  std::size_t c = 0;
  for (std::size_t k = 0; k < f.Marks.size(); ++k) {
    const FamilyMark& m = f.Marks[k];
    while (f.Changes[c].Last < m.X) ++c;
    const int s = f.Changes[c].Sign;
    z[m.Index] = scale * std::max(0.0L, std::min(Side(f.Gaps[c], s), Side(f.Gaps[c + 1], -s)));
  }
}

}  // namespace

void FindAllMarks(int32_t n, const long double* X, const SplineSegment* A, std::vector<CalculusMark>& marks,
                  std::vector<int32_t>& intervals) {
  marks.clear(), intervals.clear();
  for (int32_t i = 1; i < n; ++i) {
    SegmentMarks found;
    AnalyseSegment(n, X, A, i, found);
    marks.insert(marks.end(), found.Mark, found.Mark + found.Count);
    intervals.insert(intervals.end(), static_cast<std::size_t>(found.Count), i);
  }
}

void SlopesOfMarks(const CovarianceBands& bands, std::span<const CalculusMark> marks,
                   std::span<const int32_t> intervals, std::vector<long double>& knots,
                   std::vector<ValueAndSlope>& atMarks) {
  knots.clear(), atMarks.clear();
  std::vector<SlopePoint> points;
  std::vector<std::size_t> index;
  for (std::size_t k = 0; k < marks.size(); ++k)
    if (marks[k].Kind != MarkKind::Inflection) points.push_back({intervals[k], marks[k].X}), index.push_back(k);
  if (!bands.Defined || points.empty()) return;
  std::vector<ValueAndSlope> got(points.size());
  KnotSlopeVariances(bands.n, bands.X, bands.E, bands.p, knots, points, got.data());
  atMarks.assign(marks.size(), ValueAndSlope{});
  for (std::size_t k = 0; k < points.size(); ++k) atMarks[index[k]] = got[k];
}

std::vector<long double> MarkSignificances(int32_t n, const long double* X, const SplineSegment* A,
                                           const CovarianceBands& bands, std::span<const CalculusMark> marks,
                                           const std::vector<long double>* knotSlopes) {
  Family extrema, inflections;
  for (std::size_t k = 0; k < marks.size(); ++k) {
    Family& f = marks[k].Kind == MarkKind::Inflection ? inflections : extrema;
    f.Marks.push_back({marks[k].X, SignLeftOf(marks[k]), k});
  }
  std::vector<long double> z(marks.size(), 0.0L);
  if (!bands.Defined || marks.empty()) return z;
  GroupChanges(extrema), GroupChanges(inflections);
  // Each knot's ratio r enters as r |r| = S |S| / Var, which orders alike,
  // so that a knot costs neither a root nor a division. For S'' = 2 c with
  // Var = 4 (t0 - m0) / p that is p c |c| / (t0 - m0): the knots enter
  // without p, and the z take its root once.
  if (!extrema.Marks.empty()) {
    std::vector<long double> made;
    if (knotSlopes == nullptr) KnotSlopeVariances(n, X, bands.E, bands.p, made);
    const std::vector<long double>& slope = knotSlopes ? *knotSlopes : made;
    for (int32_t k = 2; k < n; ++k)
      if (slope[k] > 0) AddKnot(extrema, X[k], A[k].b, slope[k]);
    ScoreFamily(extrema, 1, z);
  }
  if (!inflections.Marks.empty()) {
    for (int32_t k = 2; k < n; ++k) {
      const long double v = bands.t0[k] - bands.m0[k];
      if (v > 0) AddKnot(inflections, X[k], A[k].c, v);
    }
    ScoreFamily(inflections, std::sqrt(bands.p), z);
  }
  return z;
}

std::vector<long double> MarkSignificances(int32_t n, const long double* X, const SplineSegment* A,
                                           const CovarianceBands& bands) {
  std::vector<CalculusMark> marks;
  std::vector<int32_t> intervals;
  FindAllMarks(n, X, A, marks, intervals);
  return MarkSignificances(n, X, A, bands, marks);
}

void ScoreMarks(int32_t n, const long double* X, const SplineSegment* A, const CovarianceBands& bands,
                bool withZ, MarkScoreRecord& out) {
  std::vector<long double> knots;
  FindAllMarks(n, X, A, out.Marks, out.Intervals);
  SlopesOfMarks(bands, out.Marks, out.Intervals, knots, out.Slopes);
  out.Z.clear();
  if (withZ) out.Z = MarkSignificances(n, X, A, bands, out.Marks, knots.empty() ? nullptr : &knots);
}

void ScoreLatestMarks(long double threshold, bool wanted) {
  MarkScoreRecord& r = MarkScores;
  const data::DataSetRecord& d = data::DataSet;
  r = MarkScoreRecord{};
  r.Threshold = threshold;
  if (wanted) ScoreMarks(d.Count, d.XValues, Fit.Segments, LastBands, true, r);
}

MarkSieve ProgramSieve() {
  const MarkScoreRecord& r = MarkScores;
  return r.Threshold > 0 ? MarkSieve{&r.Z, r.Threshold, 0} : MarkSieve{};
}

void SiftMarks(MarkSieve& sieve, SegmentMarks& found) {
  if (sieve.Z == nullptr) return;
  int32_t kept = 0;
  for (int32_t k = 0; k < found.Count; ++k, ++sieve.Next)
    if (sieve.Next < sieve.Z->size() && (*sieve.Z)[sieve.Next] >= sieve.Threshold)
      found.Mark[kept++] = found.Mark[k];
  found.Count = kept;
}

}  // namespace spline
