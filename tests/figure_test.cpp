// The figure: round ticks and their numbers, the Bezier form of an
// interval's cubic, the curve as written into an SVG, the three formats
// with their sizes, and the program's figure end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/analysis_settings.h"
#include "output/figure.h"
#include "png_read.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct TickCase {
  long double Lo, Hi;
  std::vector<std::string> Text;
};

TEST(FigureTicks, RoundNumbersWithTheFewestDigitsThatTellThemApart) {
  const std::vector<TickCase> cases = {
      {0, 10, {"0", "2", "4", "6", "8", "10"}},
      {-3.7L, 12.2L, {"-2", "0", "2", "4", "6", "8", "10", "12"}},
      {1e-12L, 5e-12L, {"1E-12", "1.5E-12", "2E-12", "2.5E-12", "3E-12", "3.5E-12", "4E-12", "4.5E-12", "5E-12"}},
      {0, 1e12L, {"0", "2E+11", "4E+11", "6E+11", "8E+11", "1E+12"}},
  };
  for (const TickCase& c : cases) {
    const output::FigureTicks t = output::RoundTicks(c.Lo, c.Hi);
    EXPECT_EQ(t.Text, c.Text) << c.Lo << " " << c.Hi;
    ASSERT_EQ(t.At.size(), t.Text.size());
    for (std::size_t k = 1; k < t.At.size(); ++k) EXPECT_NEAR(t.At[k] - t.At[k - 1], t.Step, t.Step * 1e-12L);
  }
  // A range of zero width is widened around its value and still has ticks.
  const output::FigureRange one = output::AxisRange(3, 3), zero = output::AxisRange(0, 0);
  EXPECT_TRUE(one.Lo < 3 && one.Hi > 3 && zero.Lo < 0 && zero.Hi > 0);
  // A width below the values' precision is zero width too.
  const output::FigureRange narrow = output::AxisRange(1e6L, 1e6L + 1e-13L);
  EXPECT_EQ(narrow.Hi - narrow.Lo, 2e5L);
  EXPECT_EQ(output::RoundTicks(one.Lo, one.Hi).Text,
            (std::vector<std::string>{"2.7", "2.8", "2.9", "3", "3.1", "3.2", "3.3"}));
  EXPECT_EQ(output::RoundTicks(zero.Lo, zero.Hi).Text,
            (std::vector<std::string>{"-1", "-0.8", "-0.6", "-0.4", "-0.2", "0", "0.2", "0.4", "0.6", "0.8", "1"}));
}

// The Bezier of an interval traces its cubic: at every parameter u the
// point is (x0 + u h, S(x0 + u h)).
TEST(FigureCurve, TheBezierOfAnIntervalIsItsCubic) {
  const spline::SplineSegment s{1.25L, 2, -3, 0.5L, 0};
  const long double x0 = 2, x1 = 3.5L, h = x1 - x0;
  const output::CubicBezier b = output::SegmentBezier(s, x0, x1);
  for (long double u = 0; u <= 1; u += 0.125L) {
    const long double v = 1 - u, w[4] = {v * v * v, 3 * u * v * v, 3 * u * u * v, u * u * u};
    long double x = 0, y = 0;
    for (int k = 0; k < 4; ++k) x += w[k] * b.X[k], y += w[k] * b.Y[k];
    const long double t = u * h;
    EXPECT_NEAR(x, x0 + t, 1e-17L) << u;
    EXPECT_NEAR(y, s.a + t * (s.b + t * (s.c + t * s.d)), 1e-16L) << u;
  }
}

// A small curve: y = x^3 - 4x on the knots 0..6 as the exact cubic on
// every interval, with points on it.
struct SmallFit {
  std::vector<long double> X{0, 0, 0.5L, 1, 2, 3, 3.5L, 5}, Y, E;
  std::vector<spline::SplineSegment> A;
  static long double F(long double x) { return x * x * x - 4 * x; }
  SmallFit() {
    for (const long double x : X) {
      Y.push_back(F(x)), E.push_back(0.5L);
      A.push_back({F(x), 3 * x * x - 4, 3 * x, 1, 0});
    }
  }
  output::FigureInputs Inputs(output::FigureFormat format) {
    output::FigureInputs in;
    in.N = static_cast<int32_t>(X.size()) - 1;
    in.X = X.data(), in.Y = Y.data(), in.Err = E.data(), in.A = A.data();
    in.ErrorBars = true;
    in.Marks = {{2 / std::sqrt(3.0L), F(2 / std::sqrt(3.0L)), 0.05L}, {0, 0, NAN}};
    in.Format = format;
    return in;
  }
};

std::string Draw(const output::FigureInputs& in) {
  output::ReportSink sink;
  output::WriteFigure(sink, in);
  return sink.Text;
}

std::vector<long double> Numbers(const std::string& text) {
  std::vector<long double> v;
  std::istringstream in(std::regex_replace(text, std::regex("[A-Za-z]"), " "));
  for (long double x; in >> x;) v.push_back(x);
  return v;
}

// The curve's path in the SVG (the one stroke in its colour): one move
// and a Bezier per interval, whose end points are the knots mapped by one
// affine map per axis.
TEST(FigureCurve, TheSvgCurveAndMarksLieWhereTheSplineIs) {
  SmallFit fit;
  const std::string svg = Draw(fit.Inputs(output::FigureFormat::Svg));
  ASSERT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"(stroke:rgb\(80%,10%,10%\)[^>]*d="([^"]*)\")")));
  const std::string d = m[1];
  const std::vector<long double> v = Numbers(d);
  const int32_t n = static_cast<int32_t>(fit.X.size()) - 1;
  ASSERT_EQ(v.size(), static_cast<std::size_t>(2 + 6 * (n - 1))) << d;
  // The figure's x and y of knot k (the path's end points).
  auto fx = [&](int32_t k) { return k == 1 ? v[0] : v[2 + 6 * (k - 2) + 4]; };
  auto fy = [&](int32_t k) { return k == 1 ? v[1] : v[2 + 6 * (k - 2) + 5]; };
  const long double sx = (fx(n) - fx(1)) / (fit.X[n] - fit.X[1]);
  const long double sy = (fy(n) - fy(1)) / (fit.Y[n] - fit.Y[1]);
  EXPECT_GT(sx, 0);
  EXPECT_LT(sy, 0);  // y grows upwards
  for (int32_t k = 2; k < n; ++k) {
    EXPECT_NEAR(fx(k), fx(1) + sx * (fit.X[k] - fit.X[1]), 0.01L) << k;
    EXPECT_NEAR(fy(k), fy(1) + sy * (SmallFit::F(fit.X[k]) - fit.Y[1]), 0.01L) << k;
  }
  // Each mark a filled diamond centred where the same map puts the mark.
  const output::FigureInputs in = fit.Inputs(output::FigureFormat::Svg);
  const std::regex diamond(R"(fill:rgb\(10%,30%,75%\)[^>]*d="([^"]*)\")");
  std::size_t k = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), diamond); it != std::sregex_iterator(); ++it, ++k) {
    ASSERT_LT(k, in.Marks.size());
    const std::vector<long double> p = Numbers((*it)[1]);  // top, right, bottom, left, top
    ASSERT_GE(p.size(), 8u);
    EXPECT_NEAR((p[2] + p[6]) / 2, fx(1) + sx * (in.Marks[k].X - fit.X[1]), 0.01L) << k;
    EXPECT_NEAR((p[1] + p[5]) / 2, fy(1) + sy * (in.Marks[k].Y - fit.Y[1]), 0.01L) << k;
  }
  EXPECT_EQ(k, in.Marks.size());
}

TEST(FigureLabels, PositionAndSigmaRoundedAsAMeasurementIsQuoted) {
  const struct {
    long double X, Sigma;
    const char* Text;
  } cases[] = {
      {21.517021L, 0.000812L, "21.5170 \u00b1 0.0008"},  // leading digits 81: one
      {21.517021L, 0.00123L, "21.5170 \u00b1 0.0012"},   // 12: two
      {-0.5L, 0.00096L, "-0.5000 \u00b1 0.0010"},        // rounds up a decade
      {12345.6L, 230, "12350 \u00b1 230"},
      {0, 0.25L, "0.00 \u00b1 0.25"},
      {1.234567e-9L, 3e-13L, "(1.23457 \u00b1 0.00030)E-9"},  // 30: two
      {-2.5e7L, 1.2e4L, "(-2.5000 \u00b1 0.0012)E+7"},
      {1, 2e10L, "(0.0 \u00b1 2.0)E+10"},                // the larger sets the power
      {21.5L, 3e-30L, "21.5 \u00b1 3E-30"},               // below the position's precision
      {5, NAN, "5"},
  };
  for (const auto& c : cases) EXPECT_EQ(output::MarkLabelText(c.X, c.Sigma), c.Text) << c.Text;
}

// Text in an SVG is text: the tick numbers, the axis labels (escaped) and
// the marks' labels are <text> elements a reader can find.
TEST(FigureLabels, TheSvgHoldsItsTextAsText) {
  SmallFit fit;
  output::FigureInputs in = fit.Inputs(output::FigureFormat::Svg);
  in.XLabel = "t < 5 & s", in.Labels = true;
  const std::string svg = Draw(in);
  std::vector<std::string> texts;
  const std::regex element("<text [^>]*>([^<]*)</text>");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), element); it != std::sregex_iterator(); ++it)
    texts.push_back((*it)[1]);
  auto has = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
  const output::FigureRange xr = output::AxisRange(fit.X[1], fit.X.back());
  for (const std::string& t : output::RoundTicks(xr.Lo, xr.Hi).Text) EXPECT_TRUE(has(t)) << t;
  EXPECT_TRUE(has("t &lt; 5 &amp; s"));
  EXPECT_TRUE(has(output::MarkLabelText(in.Marks[0].X, in.Marks[0].SigmaX)));
  EXPECT_EQ(svg.find("</svg>"), svg.size() - 7);
}

TEST(FigureFormats, PdfSvgAndPngByTheNameWithThePngAtItsDpi) {
  EXPECT_EQ(output::FigureFormatOf("a.SVG"), output::FigureFormat::Svg);
  EXPECT_EQ(output::FigureFormatOf("a.png"), output::FigureFormat::Png);
  EXPECT_EQ(output::FigureFormatOf("a.pdf"), output::FigureFormat::Pdf);
  EXPECT_EQ(output::FigureFormatOf("a.eps"), output::FigureFormat::Pdf);
  SmallFit fit;
  EXPECT_EQ(Draw(fit.Inputs(output::FigureFormat::Pdf)).rfind("%PDF-", 0), 0u);
  const std::string png = Draw(fit.Inputs(output::FigureFormat::Png));
  ASSERT_GT(png.size(), 24u);
  ASSERT_EQ(png.compare(1, 3, "PNG"), 0);
  auto be32 = [&](std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(png[at + i]);
    return v;
  };
  EXPECT_EQ(be32(16), 1890u);  // 160 mm at 300 dpi
  EXPECT_EQ(be32(20), 1181u);  // 100 mm
}

// With bars asked for, every point has one above and one below: two more
// moves in the points' path for each point.
TEST(FigureFormats, ErrorBarsAtEveryPointWhenAsked) {
  SmallFit fit;
  for (long double& e : fit.E) e = 5;
  auto moves = [&](bool bars) {
    output::FigureInputs in = fit.Inputs(output::FigureFormat::Svg);
    in.ErrorBars = bars;
    const std::string svg = Draw(in);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(svg, m, std::regex(R"(stroke-width:0.5;[^>]*stroke:rgb\(0%,0%,0%\)[^>]*d="([^"]*)\")")));
    const std::string d = m[1];
    return std::count(d.begin(), d.end(), 'M');
  };
  EXPECT_EQ(moves(true), moves(false) + 2 * (static_cast<long>(fit.X.size()) - 1));
}

// A million points on a few spots of the figure are a few circles.
TEST(FigureFormats, PointsOnOneSpotAreDrawnOnce) {
  SmallFit fit;
  output::FigureInputs in = fit.Inputs(output::FigureFormat::Svg);
  const std::size_t few = Draw(in).size();
  std::vector<long double> X(2001), Y(2001, 0), E(2001, 0.5L);
  std::vector<spline::SplineSegment> A(2001, {0, 0, 0, 0, 0});
  for (int32_t i = 1; i <= 2000; ++i) X[i] = i <= 1000 ? 0 + i * 1e-9L : 1 + i * 1e-9L;
  in.N = 2000, in.X = X.data(), in.Y = Y.data(), in.Err = E.data(), in.A = A.data(), in.Marks = {};
  const std::string many = Draw(in);
  EXPECT_LT(many.size(), few + 4 * 2000) << "2000 points on two spots";
}

// A curve of many more intervals than the figure has spots across is drawn
// by columns: a few points for each, none outside the curve's values.
TEST(FigureCurve, IntervalsNarrowerThanASpotAreDrawnByColumns) {
  const int32_t n = 100000;
  std::vector<long double> X(n + 1), Y(n + 1), E(n + 1, 1);
  std::vector<spline::SplineSegment> A(n + 1);
  for (int32_t i = 1; i <= n; ++i) {
    X[i] = 10.0L * (i - 1) / (n - 1), Y[i] = std::sin(X[i]);
    A[i] = {Y[i], std::cos(X[i]), -Y[i] / 2, -std::cos(X[i]) / 6, 0};
  }
  output::FigureInputs in;
  in.N = n, in.X = X.data(), in.Y = Y.data(), in.Err = E.data(), in.A = A.data();
  in.Format = output::FigureFormat::Svg;
  const std::string svg = Draw(in);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"(stroke:rgb\(80%,10%,10%\)[^>]*d="([^"]*)\")")));
  const std::vector<long double> v = Numbers(m[1]);
  const long double width = 160 * 72 / 25.4L;  // points: one column each
  EXPECT_LE(v.size() / 2, static_cast<std::size_t>(4 * width + 8));
  EXPECT_GE(v.size() / 2, static_cast<std::size_t>(width / 2));
  long double top = 1e9L, bottom = -1e9L;
  for (std::size_t k = 1; k < v.size(); k += 2) top = std::fmin(top, v[k]), bottom = std::fmax(bottom, v[k]);
  // sin spans 2 of the axis's 2 (1 + 2/25) around it, mapped onto the frame's height.
  const long double frame = 100 * 72 / 25.4L - 44;
  EXPECT_NEAR(bottom - top, frame * 2 / (2 * (1 + 2.0L / 25)), 0.5L);
}

TEST(FigureSettings, SizeInMillimetresWithinItsBounds) {
  long double w = 1, h = 1;
  EXPECT_TRUE(config::SettleFigureSize("120x80.5", w, h));
  EXPECT_TRUE(w == 120 && h == 80.5L);
  EXPECT_FALSE(config::SettleFigureSize("10x80", w, h));
  EXPECT_FALSE(config::SettleFigureSize("120", w, h));
  EXPECT_TRUE(w == 120 && h == 80.5L);
  EXPECT_EQ(config::SettleFigureDPI("600"), 600);
  EXPECT_EQ(config::SettleFigureDPI("0"), 300);
}

TEST(FigureEndToEnd, TheTitrationExampleInThreeFormatsLeavesTheResultFileAsItWas) {
  const std::string example = std::string(KURVEX_SOURCE_DIR) + "/examples/titration/";
  std::string out[2];
  for (int run = 0; run < 2; ++run) {
    testutil::TempDir dir;
    fs::copy_file(example + "titration.dat", dir / "titration.dat");
    fs::copy_file(example + "kurvex.cfg", dir / "kurvex.cfg");
    std::vector<std::string> args = {KURVEX_BINARY, "--batch"};
    if (run == 1) args.insert(args.end(), {"-c", "FigureFileName=t%n.svg", "-c", "FigureLabels=YES"});
    const testutil::RunResult r = testutil::RunProgram(dir.Path(), args, "");
    ASSERT_EQ(r.Status, 0) << r.Err;
    out[run] = testutil::ReadFile(dir / "kurvex.out");
    if (run == 0) continue;
    // The most significant inflection labelled; the axes named in the example's settings.
    const std::string svg = testutil::ReadFile(dir / "ttitration.svg");
    EXPECT_NE(svg.find(">21.5170 \u00b1 0.0008</text>"), std::string::npos);
    EXPECT_NE(svg.find(">V / mL</text>"), std::string::npos);
    // The significant marks only, as a PNG at 150 dpi and as a PDF.
    for (const char* name : {"t.png", "t.pdf"})
      ASSERT_EQ(testutil::RunProgram(dir.Path(), {KURVEX_BINARY, "--batch", "-c", std::string("FigureFileName=") + name,
                                                  "-c", "FigureDPI=150", "-c", "MarkSignificance=3", "-c",
                                                  "FigureLabels=YES"}, "").Status, 0);
    // A reviewed picture: every pixel was looked at before the hash was taken.
    const pngread::Image png = pngread::ReadPng(dir / "t.png");
    EXPECT_TRUE(png.Width == 945 && png.Height == 591);
    EXPECT_EQ(pngread::PixelHash(png), 11874052648446883746ull) << "look at the picture before taking its hash";
    // The PDF is one page a reader renders at the figure's size.
    const testutil::RunResult pdf = testutil::RunProgram(dir.Path(), {"pdftoppm", "-r", "50", "-png", "t.pdf", "page"}, "", "/usr/bin/pdftoppm");
    ASSERT_EQ(pdf.Status, 0) << pdf.Err;
    const pngread::Image page = pngread::ReadPng(dir / "page-1.png");
    EXPECT_TRUE(page.Width == 315 && page.Height == 197) << page.Width << "x" << page.Height;
    EXPECT_FALSE(fs::exists(dir / "page-2.png"));
  }
  EXPECT_EQ(out[0], out[1]);
}

}  // namespace
