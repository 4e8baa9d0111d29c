// The curve walk's two guards: a step lost in the rounding of x goes on at
// the next knot, and a walk whose step a deep zoom has made tiny ends at
// X[n] after a bounded number of points.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "spline/curve_walk.h"

namespace {

// The number of points of the walk over the straight line through the
// knots, and the last `kept` of them.
struct Points {
  int64_t Count = 0;
  std::vector<long double> Last;
};
Points Walk(const std::vector<long double>& X, const spline::WalkScale& s, std::size_t kept) {
  const int32_t n = static_cast<int32_t>(X.size()) - 1;
  std::vector<spline::SplineSegment> A(X.size(), spline::SplineSegment{1, 1, 0, 0, 0});
  Points p;
  long double x;
  spline::Evaluation e;
  for (spline::CurveWalk w = spline::StartCurveWalk(n, X.data(), A.data(), s); spline::NextCurvePoint(w, x, e);) {
    ++p.Count;
    p.Last.push_back(x);
    if (p.Last.size() > kept) p.Last.erase(p.Last.begin());
  }
  return p;
}

TEST(CurveWalk, AStepLostInRoundingGoesOnAtTheNextKnot) {
  const std::vector<long double> X = {0, 1e6L, 1e6L + 1, 1e6L + 2};
  EXPECT_EQ(Walk(X, {1e-30L, 2, 1}, 4).Last, (std::vector<long double>{1e6L, 1e6L + 1, 1e6L + 2}));
}

// A step of 10^-15 of the range would take 10^15 points.
TEST(CurveWalk, ADeepZoomEndsAtTheBound) {
  const Points p = Walk({0, 0, 1}, {1e-15L, 1, 1}, 2);
  EXPECT_EQ(p.Count, spline::kMaxWalkPoints + 1);
  EXPECT_LT(p.Last[0], 1e-6L);
  EXPECT_EQ(p.Last[1], 1);
}

}  // namespace
