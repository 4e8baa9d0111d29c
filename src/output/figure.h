// A figure of a fit for reports and papers: the data as open circles, the
// curve as one cubic Bezier per interval (each interval of the spline is
// exactly a cubic, so the curve is exact at any zoom), the +-2 sigma band,
// the marks with their sigma_x, in a frame with round ticks, drawn with
// cairo into SVG, PDF or PNG. Made from explicit records, so that a test
// draws it in memory; the program's figure is written after every fit when
// FigureFileName names it, replaced whole like the other result files.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "output/report_file.h"
#include "spline/segment.h"
#include "spline/uncertainty.h"

namespace output {

// The round ticks of an axis: multiples of 1, 2 or 5 x 10^k inside the
// range, and their numbers in the program's compact form with the fewest
// digits that keep neighbouring ticks apart and read back to the tick.
struct FigureTicks {
  long double Step = 0;
  std::vector<long double> At;
  std::vector<std::string> Text;
};
FigureTicks RoundTicks(long double lo, long double hi);

// The range an axis shows for values from lo to hi: a little wider, so
// that no point sits on the frame; a range of zero width (one point, a
// constant) is widened around its value.
struct FigureRange {
  long double Lo = 0, Hi = 1;
};
FigureRange AxisRange(long double lo, long double hi);

// The cubic of an interval from x0 to x1 (t = x - x0) as a Bezier curve:
// P0 = S(x0), P1 = P0 + h/3 (1, S'(x0)), P2 = P3 - h/3 (1, S'(x1)),
// P3 = S(x1), h = x1 - x0. An affine map of the points (the figure's
// scale) gives the Bezier of the mapped curve.
struct CubicBezier {
  long double X[4], Y[4];
};
CubicBezier SegmentBezier(const spline::SplineSegment& s, long double x0, long double x1);

enum class FigureFormat { Svg, Pdf, Png };
// By the name's ending, in any case: .svg, .png, else PDF.
FigureFormat FigureFormatOf(const std::string& name);

struct FigureMark {
  long double X, Y;
  long double SigmaX;  // not finite or <= 0: unknown, no bar
  long double Z = 0;   // the significance: labels go to the largest first
  // "minimum", "maximum" or "inflection"; D1 is the slope there, which
  // tells on which side of an inflection the curve leaves room.
  const char* Kind = "inflection";
  long double D1 = 0;
};

// A mark's label: its position and sigma, rounded as a measurement is
// quoted (the sigma to two significant digits when they read below 35,
// else one, the position to the same decimal place), e.g.
// "21.5170 ± 0.0008"; in exponent form when the larger of the two is below
// 1E-4 or from 1E+6, "(1.2346 ± 0.0003)E-9"; both in FormatCompact's form
// when the sigma lies below the position's precision, and the position
// alone in its 6 digits when the sigma is unknown.
std::string MarkLabelText(long double x, long double sigma);

// What a figure is drawn from. The arrays are indexed from 1.
struct FigureInputs {
  int32_t N = 0;
  const long double *X = nullptr, *Y = nullptr, *Err = nullptr;
  const spline::SplineSegment* A = nullptr;
  const spline::CovarianceBands* Bands = nullptr;  // null or not Defined: no band
  bool ErrorBars = false;                          // +-Err[i] at every point
  std::vector<FigureMark> Marks;
  bool Labels = false;  // a label at the marks, the largest z first, as many as find room
  std::string XLabel = "X", YLabel = "Y";
  long double WidthMm = 160, HeightMm = 100;
  int32_t Dpi = 300;  // PNG only
  FigureFormat Format = FigureFormat::Pdf;
};

// The figure's size in pixels as a PNG: millimetres at Dpi, rounded.
int32_t FigurePixels(long double mm, int32_t dpi);

// Draws the figure into `sink` (a file's sink hands it on a megabyte at a
// time). A failed write is the fatal stop with the file's name.
void WriteFigure(ReportSink& sink, const FigureInputs& in);

// The marks a figure draws: every one the report found, or with a
// threshold (MarkSignificance) only those that reach it.
std::vector<FigureMark> FigureMarksOf(std::span<const ReportMark> marks, long double threshold);

}  // namespace output
