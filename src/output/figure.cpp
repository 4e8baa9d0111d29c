// Drawing the figure with cairo. Every number is formed in long double;
// cairo takes doubles, converted where it is called. Lengths are in points
// (1/72 inch): a PDF's and an SVG's own unit, and a PNG's pixels are
// points scaled by Dpi/72.
#include "output/figure.h"

#include "output/cairo_calls.h"


#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "base/convert.h"
#include "base/number_format.h"
#include "base/stop.h"
#include "spline/evaluate.h"

namespace output {

namespace {

constexpr long double kPointsPerMm = 72.0L / 25.4L;
// Room around the frame for the numbers and the labels, in points.
constexpr long double kLeft = 52, kRight = 12, kTop = 10, kBottom = 34;
constexpr long double kTick = 4, kFontSize = 8.5L, kCircle = 1.8L, kMark = 2.6L;
// The band is sampled at this many x across the data; the sigma is smooth
// between knots, so a fine grid shows it whatever the number of points.
constexpr int32_t kBandSamples = 512;
// A cairo image surface is at most this many pixels wide or high.
constexpr long double kMaxPixels = 32767;

// The frame: data coordinates to figure coordinates (y down).
struct Frame {
  long double X0, X1, Y0, Y1;       // data ranges
  long double Left, Right, Top, Bottom;  // in points
  long double FX(long double x) const { return Left + (x - X0) / (X1 - X0) * (Right - Left); }
  long double FY(long double y) const { return Bottom - (y - Y0) / (Y1 - Y0) * (Bottom - Top); }
};

double D(long double x) { return static_cast<double>(x); }

// The cubic of interval i at x1 = X[i+1]: its value and slope.
void EndOf(const spline::SplineSegment& s, long double h, long double& value, long double& slope) {
  value = s.a + h * (s.b + h * (s.c + h * s.d));
  slope = s.b + h * (2 * s.c + 3 * s.d * h);
}

// The y range: the data (with their bars) and the curve at the knots.
FigureRange YRangeOf(const FigureInputs& in) {
  long double lo = in.Y[1], hi = in.Y[1];
  for (int32_t i = 1; i <= in.N; ++i) {
    const long double e = in.ErrorBars ? std::fabs(in.Err[i]) : 0;
    lo = std::fmin(lo, std::fmin(in.Y[i] - e, in.A[i].a));
    hi = std::fmax(hi, std::fmax(in.Y[i] + e, in.A[i].a));
  }
  return AxisRange(lo, hi);
}

Frame FrameOf(const FigureInputs& in, long double width, long double height) {
  const FigureRange x = AxisRange(in.X[1], in.X[in.N]), y = YRangeOf(in);
  return Frame{x.Lo, x.Hi, y.Lo, y.Hi, kLeft, width - kRight, kTop, height - kBottom};
}

void ClipToFrame(cairo_t* cr, const Frame& f) {
  Cairo.rectangle(cr, D(f.Left), D(f.Top), D(f.Right - f.Left), D(f.Bottom - f.Top));
  Cairo.clip(cr);
}

void ShowText(cairo_t* cr, const std::string& text, long double x, long double y, long double alignX,
              long double alignY) {
  cairo_text_extents_t e;
  Cairo.text_extents(cr, text.c_str(), &e);
  Cairo.move_to(cr, D(x - alignX * e.width - e.x_bearing), D(y - alignY * e.height - e.y_bearing));
  Cairo.show_text(cr, text.c_str());
}

// The frame with inward ticks on all four sides, numbered below and left.
void DrawFrame(cairo_t* cr, const Frame& f) {
  Cairo.set_source_rgb(cr, 0, 0, 0);
  Cairo.set_line_width(cr, 0.6);
  Cairo.rectangle(cr, D(f.Left), D(f.Top), D(f.Right - f.Left), D(f.Bottom - f.Top));
  Cairo.stroke(cr);
  const FigureTicks tx = RoundTicks(f.X0, f.X1), ty = RoundTicks(f.Y0, f.Y1);
  for (std::size_t k = 0; k < tx.At.size(); ++k) {
    const long double x = f.FX(tx.At[k]);
    Cairo.move_to(cr, D(x), D(f.Bottom)), Cairo.line_to(cr, D(x), D(f.Bottom - kTick));
    Cairo.move_to(cr, D(x), D(f.Top)), Cairo.line_to(cr, D(x), D(f.Top + kTick));
    ShowText(cr, tx.Text[k], x, f.Bottom + 3, 0.5L, 0);
  }
  for (std::size_t k = 0; k < ty.At.size(); ++k) {
    const long double y = f.FY(ty.At[k]);
    Cairo.move_to(cr, D(f.Left), D(y)), Cairo.line_to(cr, D(f.Left + kTick), D(y));
    Cairo.move_to(cr, D(f.Right), D(y)), Cairo.line_to(cr, D(f.Right - kTick), D(y));
    ShowText(cr, ty.Text[k], f.Left - 3, y, 1, 0.5L);
  }
  Cairo.stroke(cr);
}

void DrawLabels(cairo_t* cr, const Frame& f, const FigureInputs& in, long double height) {
  ShowText(cr, in.XLabel, (f.Left + f.Right) / 2, height - 4, 0.5L, 1);
  Cairo.save(cr);
  Cairo.translate(cr, 4, D((f.Top + f.Bottom) / 2));
  Cairo.rotate(cr, -M_PI / 2);
  ShowText(cr, in.YLabel, 0, 0, 0.5L, 0);
  Cairo.restore(cr);
}

// The +-2 sigma band as one filled area: the upper edge forward, the
// lower one back.
void DrawBand(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  if (in.Bands == nullptr || !in.Bands->Defined || in.N < 2) return;
  const long double from = in.X[1], span = in.X[in.N] - in.X[1];
  std::vector<long double> x(kBandSamples + 1), lo(kBandSamples + 1), hi(kBandSamples + 1);
  for (int32_t k = 0; k <= kBandSamples; ++k) {
    x[k] = k == kBandSamples ? in.X[in.N] : from + span * k / kBandSamples;
    spline::Evaluation e;
    spline::EvaluateSpline(in.N, in.X, in.A, x[k], e);
    const long double s = 2 * spline::SigmasAt(*in.Bands, x[k]).Value;
    lo[k] = e.Value - s, hi[k] = e.Value + s;
  }
  for (int32_t k = 0; k <= kBandSamples; ++k) Cairo.line_to(cr, D(f.FX(x[k])), D(f.FY(hi[k])));
  for (int32_t k = kBandSamples; k >= 0; --k) Cairo.line_to(cr, D(f.FX(x[k])), D(f.FY(lo[k])));
  Cairo.close_path(cr);
  Cairo.set_source_rgba(cr, 0.25, 0.45, 0.85, 0.22);
  Cairo.fill(cr);
}

// Points per spot of the device: a PDF's or an SVG's unit is the point, a
// PNG's the pixel.
long double SpotsPerPoint(const FigureInputs& in) {
  return in.Format == FigureFormat::Png ? in.Dpi / 72.0L : 1;
}

// Open circles, each spot of the device once (with its bar, when bars are
// drawn): a million points that fall on a few thousand spots make a
// figure of a few thousand circles, which look as the million would.
void DrawPoints(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  const long double kSameSpot = SpotsPerPoint(in);
  std::unordered_set<uint64_t> drawn;
  Cairo.set_source_rgb(cr, 0, 0, 0);
  Cairo.set_line_width(cr, 0.5);
  for (int32_t i = 1; i <= in.N; ++i) {
    const long double x = f.FX(in.X[i]), y = f.FY(in.Y[i]);
    const long double bar = in.ErrorBars ? std::fabs(f.FY(in.Y[i] + in.Err[i]) - y) : 0;
    const uint64_t spot = (static_cast<uint64_t>(std::llroundl(x * kSameSpot)) & 0xFFFFFu) |
                          (static_cast<uint64_t>(std::llroundl(y * kSameSpot)) & 0xFFFFFu) << 20 |
                          (static_cast<uint64_t>(std::llroundl(std::fmin(bar, 1e5L) * kSameSpot)) & 0xFFFFFFu) << 40;
    if (!drawn.insert(spot).second) continue;
    Cairo.new_sub_path(cr);
    Cairo.arc(cr, D(x), D(y), D(kCircle), 0, 2 * M_PI);
    if (bar > kCircle) {
      Cairo.move_to(cr, D(x), D(y - bar)), Cairo.line_to(cr, D(x), D(y - kCircle));
      Cairo.move_to(cr, D(x), D(y + kCircle)), Cairo.line_to(cr, D(x), D(y + bar));
    }
    if (drawn.size() % 4096 == 0) Cairo.stroke(cr);  // keeps cairo's path short
  }
  Cairo.stroke(cr);
}

void DrawCurve(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  if (in.N < 2) return;
  Cairo.set_source_rgb(cr, 0.8, 0.1, 0.1);
  Cairo.set_line_width(cr, 1.0);
  for (int32_t i = 1; i < in.N; ++i) {
    const CubicBezier b = SegmentBezier(in.A[i], in.X[i], in.X[i + 1]);
    if (i == 1) Cairo.move_to(cr, D(f.FX(b.X[0])), D(f.FY(b.Y[0])));
    Cairo.curve_to(cr, D(f.FX(b.X[1])), D(f.FY(b.Y[1])), D(f.FX(b.X[2])), D(f.FY(b.Y[2])),
                   D(f.FX(b.X[3])), D(f.FY(b.Y[3])));
  }
  Cairo.stroke(cr);
}

// Each mark a small filled diamond with a bar of +-sigma_x where known.
void DrawMarks(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  Cairo.set_source_rgb(cr, 0.1, 0.3, 0.75);
  Cairo.set_line_width(cr, 0.7);
  for (const FigureMark& m : in.Marks) {
    const long double x = f.FX(m.X), y = f.FY(m.Y);
    if (std::isfinite(m.SigmaX) && m.SigmaX > 0) {
      const long double l = f.FX(m.X - m.SigmaX), r = f.FX(m.X + m.SigmaX);
      Cairo.move_to(cr, D(l), D(y)), Cairo.line_to(cr, D(r), D(y));
      Cairo.move_to(cr, D(l), D(y - 2)), Cairo.line_to(cr, D(l), D(y + 2));
      Cairo.move_to(cr, D(r), D(y - 2)), Cairo.line_to(cr, D(r), D(y + 2));
      Cairo.stroke(cr);
    }
    Cairo.move_to(cr, D(x), D(y - kMark)), Cairo.line_to(cr, D(x + kMark), D(y));
    Cairo.line_to(cr, D(x), D(y + kMark)), Cairo.line_to(cr, D(x - kMark), D(y));
    Cairo.close_path(cr);
    Cairo.fill(cr);
  }
}

void Draw(cairo_t* cr, const FigureInputs& in, long double width, long double height) {
  Cairo.set_source_rgb(cr, 1, 1, 1);
  Cairo.paint(cr);
  Cairo.select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  Cairo.set_font_size(cr, D(kFontSize));
  if (in.N < 1) return;
  const Frame f = FrameOf(in, width, height);
  Cairo.save(cr);
  ClipToFrame(cr, f);
  DrawBand(cr, f, in);
  DrawPoints(cr, f, in);
  DrawCurve(cr, f, in);
  DrawMarks(cr, f, in);
  Cairo.restore(cr);
  DrawFrame(cr, f);
  DrawLabels(cr, f, in, height);
}

// Where cairo's bytes go: the sink, handed on to its file a megabyte at a
// time. A failed write is kept and reported after cairo has returned, so
// that no stop leaves through cairo's own frames.
struct FigureStream {
  ReportSink* Sink;
  int Error = 0;
};

cairo_status_t WriteBytes(void* closure, const unsigned char* data, unsigned int length) {
  FigureStream& s = *static_cast<FigureStream*>(closure);
  if (s.Error != 0) return CAIRO_STATUS_WRITE_ERROR;
  s.Sink->Text.append(reinterpret_cast<const char*>(data), length);
  base::ReplacementFile* f = s.Sink->File;
  if (f == nullptr || s.Sink->Text.size() < (std::size_t{1} << 20)) return CAIRO_STATUS_SUCCESS;
  if (std::fwrite(s.Sink->Text.data(), 1, s.Sink->Text.size(), f->File) != s.Sink->Text.size()) {
    s.Error = errno != 0 ? errno : EIO;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  s.Sink->Text.clear();
  return CAIRO_STATUS_SUCCESS;
}

// A failure after cairo has finished: the write's own, else cairo's.
void CheckFigure(const FigureStream& s, cairo_status_t status) {
  if (s.Error != 0 && s.Sink->File != nullptr) base::FailReplacement(*s.Sink->File, s.Error);
  if (status == CAIRO_STATUS_NO_MEMORY) base::ErrorStop({"There is not enough memory!"});
  if (status != CAIRO_STATUS_SUCCESS)
    base::ErrorStop({std::string("The figure could not be drawn: ") + Cairo.status_to_string(status)});
}

cairo_surface_t* VectorSurface(const FigureInputs& in, FigureStream& s, long double w, long double h) {
  if (in.Format == FigureFormat::Svg) return Cairo.svg_surface_create_for_stream(WriteBytes, &s, D(w), D(h));
  return Cairo.pdf_surface_create_for_stream(WriteBytes, &s, D(w), D(h));
}

}  // namespace

FigureRange AxisRange(long double lo, long double hi) {
  // A width the values' own precision cannot tell from zero counts as zero.
  if (!(hi - lo > 1e-15L * std::fmax(std::fabs(lo), std::fabs(hi)))) {
    const long double half = lo == 0 ? 1 : std::fabs(lo) / 10;
    return {lo - half, lo + half};
  }
  const long double pad = (hi - lo) / 25;
  return {lo - pad, hi + pad};
}

FigureTicks RoundTicks(long double lo, long double hi) {
  FigureTicks t;
  if (!(hi > lo) || !std::isfinite(hi - lo)) return t;
  const long double raw = (hi - lo) / 6;  // about six ticks
  const long double scale = powl(10, floorl(log10l(raw))), f = raw / scale;
  t.Step = (f < 1.5L ? 1 : f < 3.5L ? 2 : f < 7.5L ? 5 : 10) * scale;
  // A tick on an end of the range counts, whatever the last bit of the quotient.
  const long double slack = 1e-9L;
  // At most a few dozen, however narrow the range is against its values.
  for (long double k = ceill(lo / t.Step - slack); k <= hi / t.Step + slack && t.At.size() < 40; ++k)
    t.At.push_back(k * t.Step + 0.0L);
  // The fewest digits whose numbers differ and read back to their ticks.
  for (int32_t digits = 1; digits <= 20; ++digits) {
    t.Text.clear();
    bool fits = true;
    for (const long double x : t.At) {
      long double back;
      t.Text.push_back(base::FormatCompact(x, digits));
      if (!base::ParseReal(t.Text.back(), back) || std::fabs(back - x) > t.Step / 1000) fits = false;
      if (t.Text.size() > 1 && t.Text.back() == t.Text[t.Text.size() - 2]) fits = false;
    }
    if (fits) break;
  }
  return t;
}

CubicBezier SegmentBezier(const spline::SplineSegment& s, long double x0, long double x1) {
  const long double h = x1 - x0;
  long double y3, slope3;
  EndOf(s, h, y3, slope3);
  return CubicBezier{{x0, x0 + h / 3, x1 - h / 3, x1},
                     {s.a, s.a + h / 3 * s.b, y3 - h / 3 * slope3, y3}};
}

FigureFormat FigureFormatOf(const std::string& name) {
  auto endsWith = [&](const char* end) {
    const std::size_t n = std::strlen(end);
    if (name.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
      if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != end[i]) return false;
    return true;
  };
  if (endsWith(".svg")) return FigureFormat::Svg;
  if (endsWith(".png")) return FigureFormat::Png;
  return FigureFormat::Pdf;
}

int32_t FigurePixels(long double mm, int32_t dpi) {
  return static_cast<int32_t>(std::fmin(std::roundl(mm / 25.4L * dpi), kMaxPixels));
}

void WriteFigure(ReportSink& sink, const FigureInputs& in) {
  if (std::string reason; !LoadCairo(reason))
    base::ErrorStop({"The figure could not be drawn: cairo cannot be loaded: " + reason});
  const long double w = in.WidthMm * kPointsPerMm, h = in.HeightMm * kPointsPerMm;
  FigureStream s{&sink};
  cairo_surface_t* surface;
  if (in.Format == FigureFormat::Png)
    surface = Cairo.image_surface_create(CAIRO_FORMAT_RGB24, FigurePixels(in.WidthMm, in.Dpi),
                                         FigurePixels(in.HeightMm, in.Dpi));
  else
    surface = VectorSurface(in, s, w, h);
  cairo_t* cr = Cairo.create(surface);
  if (in.Format == FigureFormat::Png)  // a size cut at the largest image keeps its shape
    Cairo.scale(cr, D(Cairo.image_surface_get_width(surface) / w),
                D(Cairo.image_surface_get_height(surface) / h));
  Draw(cr, in, w, h);
  cairo_status_t status = Cairo.status(cr);
  Cairo.destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && in.Format == FigureFormat::Png)
    status = Cairo.surface_write_to_png_stream(surface, WriteBytes, &s);
  Cairo.surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = Cairo.surface_status(surface);
  Cairo.surface_destroy(surface);
  CheckFigure(s, status);
}

std::vector<FigureMark> FigureMarksOf(std::span<const ReportMark> marks, long double threshold) {
  std::vector<FigureMark> drawn;
  for (const ReportMark& m : marks)
    if (threshold <= 0 || m.Significant)
      drawn.push_back({m.X, m.Y, m.SigmaX.Reason ? NAN : m.SigmaX.Value});
  return drawn;
}

}  // namespace output
