// Drawing the figure with cairo. Every number is formed in long double;
// cairo takes doubles, converted where it is called. Lengths are in points
// (1/72 inch): a PDF's and an SVG's own unit, and a PNG's pixels are
// points scaled by Dpi/72.
#include "output/figure.h"

#include "output/cairo_calls.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
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

// Text in an SVG is written as <text> elements after cairo has finished
// (cairo's own SVG draws each glyph as a shape, which no reader can search
// or edit); PDF and PNG take cairo's text. The extents are cairo's in every
// format, so that the text sits alike in all three.
struct Writing {
  cairo_t* Cr;
  std::string* Svg;  // the elements of an SVG's text; null: cairo draws it
};

void AppendEscaped(std::string& out, const std::string& text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::string SvgNumber(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

// The text with its ink box's point (alignX, alignY) of the box's width and
// height at (x, y) of the current user space (which may be turned).
void ShowText(const Writing& w, const std::string& text, long double x, long double y, long double alignX,
              long double alignY, bool turned = false) {
  cairo_text_extents_t e;
  Cairo.text_extents(w.Cr, text.c_str(), &e);
  double ox = D(x - alignX * e.width - e.x_bearing), oy = D(y - alignY * e.height - e.y_bearing);
  if (w.Svg == nullptr) {
    Cairo.move_to(w.Cr, ox, oy);
    Cairo.show_text(w.Cr, text.c_str());
    return;
  }
  Cairo.user_to_device(w.Cr, &ox, &oy);
  std::string& out = *w.Svg;
  out += "<text x=\"" + SvgNumber(ox) + "\" y=\"" + SvgNumber(oy) + "\"";
  if (turned) out += " transform=\"rotate(-90 " + SvgNumber(ox) + " " + SvgNumber(oy) + ")\"";
  out += " font-family=\"DejaVu Sans\" font-size=\"" + SvgNumber(D(kFontSize)) + "\">";
  AppendEscaped(out, text);
  out += "</text>\n";
}

// The frame with inward ticks on all four sides, numbered below and left;
// returns the width of the widest number on the left.
long double DrawFrame(const Writing& w, const Frame& f) {
  cairo_t* cr = w.Cr;
  Cairo.set_source_rgb(cr, 0, 0, 0);
  Cairo.set_line_width(cr, 0.6);
  Cairo.rectangle(cr, D(f.Left), D(f.Top), D(f.Right - f.Left), D(f.Bottom - f.Top));
  Cairo.stroke(cr);
  const FigureTicks tx = RoundTicks(f.X0, f.X1), ty = RoundTicks(f.Y0, f.Y1);
  for (std::size_t k = 0; k < tx.At.size(); ++k) {
    const long double x = f.FX(tx.At[k]);
    Cairo.move_to(cr, D(x), D(f.Bottom)), Cairo.line_to(cr, D(x), D(f.Bottom - kTick));
    Cairo.move_to(cr, D(x), D(f.Top)), Cairo.line_to(cr, D(x), D(f.Top + kTick));
    ShowText(w, tx.Text[k], x, f.Bottom + 3, 0.5L, 0);
  }
  long double widest = 0;
  for (std::size_t k = 0; k < ty.At.size(); ++k) {
    cairo_text_extents_t e;
    Cairo.text_extents(cr, ty.Text[k].c_str(), &e);
    widest = std::fmax(widest, e.width);
    const long double y = f.FY(ty.At[k]);
    Cairo.move_to(cr, D(f.Left), D(y)), Cairo.line_to(cr, D(f.Left + kTick), D(y));
    Cairo.move_to(cr, D(f.Right), D(y)), Cairo.line_to(cr, D(f.Right - kTick), D(y));
    ShowText(w, ty.Text[k], f.Left - 3, y, 1, 0.5L);
  }
  Cairo.stroke(cr);
  return widest;
}

// The Y label stands beside the widest number of its axis, not at the
// figure's edge, so that short numbers leave no gap.
void DrawAxisLabels(const Writing& w, const Frame& f, const FigureInputs& in, long double height,
                    long double widest) {
  ShowText(w, in.XLabel, (f.Left + f.Right) / 2, height - 4, 0.5L, 1);
  Cairo.save(w.Cr);
  Cairo.translate(w.Cr, D(std::fmax(4, f.Left - 3 - widest - 5 - kFontSize)), D((f.Top + f.Bottom) / 2));
  Cairo.rotate(w.Cr, -M_PI / 2);
  ShowText(w, in.YLabel, 0, 0, 0.5L, 0, true);
  Cairo.restore(w.Cr);
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

// A PNG's circle is drawn once into a small image and that image is
// painted at every spot: a copy of a few hundred pixels instead of
// stroking a path, which for a cloud of a million points is seconds apart.
struct Stamp {
  cairo_surface_t* Image = nullptr;
  int Size = 0;  // pixels a side; the circle's centre is at Size / 2
  cairo_matrix_t ToPixels;
};

Stamp MakeStamp(cairo_t* cr) {
  Stamp s;
  Cairo.get_matrix(cr, &s.ToPixels);
  const double scale = s.ToPixels.xx, reach = (kCircle + 0.5) * scale;
  s.Size = 2 * static_cast<int>(std::ceil(reach)) + 2;
  s.Image = Cairo.image_surface_create(CAIRO_FORMAT_ARGB32, s.Size, s.Size);
  cairo_t* c = Cairo.create(s.Image);
  Cairo.scale(c, scale, s.ToPixels.yy);
  Cairo.arc(c, s.Size / 2.0 / scale, s.Size / 2.0 / s.ToPixels.yy, D(kCircle), 0, 2 * M_PI);
  Cairo.set_source_rgb(c, 0, 0, 0);
  Cairo.set_line_width(c, 0.5);
  Cairo.stroke(c);
  Cairo.destroy(c);
  return s;
}

// Paints the stamp centred on the pixel of (x, y); the path being built
// and the source are left as they were.
void PaintStamp(cairo_t* cr, const Stamp& s, long double x, long double y) {
  const double px = D(s.ToPixels.xx * x + s.ToPixels.x0), py = D(s.ToPixels.yy * y + s.ToPixels.y0);
  Cairo.save(cr);
  Cairo.identity_matrix(cr);
  Cairo.set_source_surface(cr, s.Image, std::round(px - s.Size / 2.0), std::round(py - s.Size / 2.0));
  Cairo.paint(cr);
  Cairo.restore(cr);
}

// Open circles, each spot of the device once (with its bar, when bars are
// drawn): a million points that fall on a few thousand spots make a
// figure of a few thousand circles, which look as the million would.
void DrawPoints(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  const long double kSameSpot = SpotsPerPoint(in);
  std::unordered_set<uint64_t> drawn;
  const bool stamped = in.Format == FigureFormat::Png;
  const Stamp stamp = stamped ? MakeStamp(cr) : Stamp{};
  Cairo.set_source_rgb(cr, 0, 0, 0);
  Cairo.set_line_width(cr, 0.5);
  for (int32_t i = 1; i <= in.N; ++i) {
    const long double x = f.FX(in.X[i]), y = f.FY(in.Y[i]);
    const long double bar = in.ErrorBars ? std::fabs(f.FY(in.Y[i] + in.Err[i]) - y) : 0;
    const uint64_t spot = (static_cast<uint64_t>(std::llroundl(x * kSameSpot)) & 0xFFFFFu) |
                          (static_cast<uint64_t>(std::llroundl(y * kSameSpot)) & 0xFFFFFu) << 20 |
                          (static_cast<uint64_t>(std::llroundl(std::fmin(bar, 1e5L) * kSameSpot)) & 0xFFFFFFu) << 40;
    if (!drawn.insert(spot).second) continue;
    if (stamped) PaintStamp(cr, stamp, x, y);
    else Cairo.new_sub_path(cr), Cairo.arc(cr, D(x), D(y), D(kCircle), 0, 2 * M_PI);
    if (bar > kCircle) {
      Cairo.move_to(cr, D(x), D(y - bar)), Cairo.line_to(cr, D(x), D(y - kCircle));
      Cairo.move_to(cr, D(x), D(y + kCircle)), Cairo.line_to(cr, D(x), D(y + bar));
    }
    if (drawn.size() % 4096 == 0) Cairo.stroke(cr);  // keeps cairo's path short
  }
  Cairo.stroke(cr);
  if (stamp.Image != nullptr) Cairo.surface_destroy(stamp.Image);
}

// The end points of intervals narrower than a spot, gathered per column of
// spots: a line to the first, the lowest and the highest (in the order
// they came) and the last covers every spot the run of tiny intervals
// would, with four points a column however many intervals fall in it.
struct Column {
  bool Open = false;
  long double Index = 0;
  long double X[4], Y[4];  // first, lowest, highest, last
  int LowAt = 0, HighAt = 0;  // the order in which the lowest and the highest came
  int Seen = 0;
};

void AddToColumn(Column& c, long double x, long double y) {
  if (!c.Open) {
    c.Open = true, c.Seen = 0, c.LowAt = c.HighAt = 0;
    for (int k = 0; k < 4; ++k) c.X[k] = x, c.Y[k] = y;
  }
  ++c.Seen;
  if (y < c.Y[1]) c.X[1] = x, c.Y[1] = y, c.LowAt = c.Seen;
  if (y > c.Y[2]) c.X[2] = x, c.Y[2] = y, c.HighAt = c.Seen;
  c.X[3] = x, c.Y[3] = y;
}

void CloseColumn(cairo_t* cr, Column& c) {
  if (!c.Open) return;
  const int order[4] = {0, c.LowAt <= c.HighAt ? 1 : 2, c.LowAt <= c.HighAt ? 2 : 1, 3};
  for (const int k : order) Cairo.line_to(cr, D(c.X[k]), D(c.Y[k]));
  c.Open = false;
}

// The curve: an interval a spot wide or wider as the exact Bezier it is,
// a run of narrower ones by the columns they fall in, so that a million
// knots on a page's width draw as a few thousand lines, spot for spot the
// same picture.
void DrawCurve(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  if (in.N < 2) return;
  Cairo.set_source_rgb(cr, 0.8, 0.1, 0.1);
  Cairo.set_line_width(cr, 1.0);
  const long double spot = 1 / SpotsPerPoint(in);
  Column column;
  for (int32_t i = 1; i < in.N; ++i) {
    const CubicBezier b = SegmentBezier(in.A[i], in.X[i], in.X[i + 1]);
    if (i == 1) Cairo.move_to(cr, D(f.FX(b.X[0])), D(f.FY(b.Y[0])));
    const long double x3 = f.FX(b.X[3]), y3 = f.FY(b.Y[3]);
    if (x3 - f.FX(b.X[0]) < spot) {
      const long double index = floorl(x3 / spot);
      if (column.Open && index != column.Index) CloseColumn(cr, column);
      column.Index = index;
      AddToColumn(column, x3, y3);
      continue;
    }
    CloseColumn(cr, column);
    Cairo.curve_to(cr, D(f.FX(b.X[1])), D(f.FY(b.Y[1])), D(f.FX(b.X[2])), D(f.FY(b.Y[2])), D(x3), D(y3));
  }
  CloseColumn(cr, column);
  Cairo.stroke(cr);
}

// Each mark a small filled diamond with a bar of +-sigma_x where known. A
// bar wider than the frame would cross the whole figure like a grid line
// and show nothing of where the mark may be: such a mark (its position
// undetermined at the figure's scale) goes without; a label still gives
// its sigma.
void DrawMarks(cairo_t* cr, const Frame& f, const FigureInputs& in) {
  Cairo.set_source_rgb(cr, 0.1, 0.3, 0.75);
  Cairo.set_line_width(cr, 0.7);
  for (const FigureMark& m : in.Marks) {
    const long double x = f.FX(m.X), y = f.FY(m.Y);
    if (std::isfinite(m.SigmaX) && m.SigmaX > 0 && 2 * m.SigmaX <= f.X1 - f.X0) {
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

// A label's box in figure coordinates.
struct Box {
  long double L, T, R, B;
  bool Meets(const Box& o) const { return L < o.R && o.L < R && T < o.B && o.T < B; }
};

// True when the curve passes through the box: sampled across its width,
// finely enough for a box a few characters wide.
bool CurveCrosses(const Frame& f, const FigureInputs& in, const Box& b) {
  constexpr int kSamples = 24;
  for (int k = 0; k <= kSamples; ++k) {
    const long double px = b.L + (b.R - b.L) * k / kSamples;
    const long double x = f.X0 + (px - f.Left) / (f.Right - f.Left) * (f.X1 - f.X0);
    if (x < in.X[1] || x > in.X[in.N]) continue;
    spline::Evaluation e;
    spline::EvaluateSpline(in.N, in.X, in.A, x, e);
    const long double py = f.FY(e.Value);
    if (py >= b.T && py <= b.B) return true;
  }
  return false;
}

// The places a label may take around its mark, best first: above a
// maximum, below a minimum, and beside an inflection on the side the curve
// leaves open (below right of a rising one, above right of a falling one).
// Each is the point of the box (as ShowText aligns) put at the offset.
struct Place {
  long double DX, DY, AlignX, AlignY;
};
std::vector<Place> PlacesFor(const FigureMark& m) {
  const long double g = kMark + 2;
  const Place above{0, -g, 0.5L, 1}, below{0, g, 0.5L, 0}, right{g, 0, 0, 0.5L}, left{-g, 0, 1, 0.5L};
  const Place upRight{g, -g, 0, 1}, upLeft{-g, -g, 1, 1}, downRight{g, g, 0, 0}, downLeft{-g, g, 1, 0};
  if (std::strcmp(m.Kind, "maximum") == 0) return {above, upRight, upLeft, right, left, below};
  if (std::strcmp(m.Kind, "minimum") == 0) return {below, downRight, downLeft, right, left, above};
  if (m.D1 > 0) return {downRight, upLeft, right, left, below, above};
  return {upRight, downLeft, right, left, above, below};
}

// At most this many labels, so that the figure stays readable, tried on
// at most the most significant few times as many marks: a curve of 10^5
// marks would otherwise measure the text of every one.
constexpr std::size_t kMaxLabels = 8, kLabelTries = 8 * kMaxLabels;

// The labels of the marks, the largest z first: each at the first of its
// places that stays in the frame, clear of the labels before it and of the
// curve, else at the first clear of the labels only; a mark with no such
// place goes without. A white ground under the text keeps it legible over
// the points and the band.
void DrawMarkLabels(const Writing& w, const Frame& f, const FigureInputs& in) {
  if (!in.Labels) return;
  std::vector<std::size_t> order(in.Marks.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return std::fabs(in.Marks[a].Z) > std::fabs(in.Marks[b].Z); });
  const Box frame{f.Left, f.Top, f.Right, f.Bottom};
  std::vector<Box> placed;
  if (order.size() > kLabelTries) order.resize(kLabelTries);
  for (const std::size_t k : order) {
    if (placed.size() == kMaxLabels) break;
    const FigureMark& m = in.Marks[k];
    const std::string text = MarkLabelText(m.X, m.SigmaX);
    cairo_text_extents_t e;
    Cairo.text_extents(w.Cr, text.c_str(), &e);
    const long double mx = f.FX(m.X), my = f.FY(m.Y), pad = 1;
    std::optional<Box> chosen;
    for (const Place& p : PlacesFor(m)) {
      Box box;
      box.L = mx + p.DX - p.AlignX * e.width - pad, box.T = my + p.DY - p.AlignY * e.height - pad;
      box.R = box.L + e.width + 2 * pad, box.B = box.T + e.height + 2 * pad;
      if (box.L < frame.L || box.R > frame.R || box.T < frame.T || box.B > frame.B) continue;
      if (std::any_of(placed.begin(), placed.end(), [&](const Box& o) { return o.Meets(box); })) continue;
      const bool crosses = CurveCrosses(f, in, box);
      if (!chosen || !crosses) chosen = box;
      if (!crosses) break;
    }
    if (!chosen) continue;
    const Box& b = *chosen;
    placed.push_back(b);
    Cairo.set_source_rgba(w.Cr, 1, 1, 1, 0.8);
    Cairo.rectangle(w.Cr, D(b.L), D(b.T), D(b.R - b.L), D(b.B - b.T));
    Cairo.fill(w.Cr);
    Cairo.set_source_rgb(w.Cr, 0, 0, 0);
    ShowText(w, text, b.L + pad, b.T + pad, 0, 0);
  }
}

void Draw(const Writing& w, const FigureInputs& in, long double width, long double height) {
  cairo_t* cr = w.Cr;
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
  DrawMarkLabels(w, f, in);
  DrawAxisLabels(w, f, in, height, DrawFrame(w, f));
}

// Where cairo's bytes go: the sink, handed on to its file a megabyte at a
// time. A failed write is kept and reported after cairo has returned, so
// that no stop leaves through cairo's own frames.
struct FigureStream {
  ReportSink* Sink;
  int Error = 0;
  // Bytes kept back from the file at every hand-on, so that the SVG's
  // closing tag is still in the sink when its text is put before it.
  std::size_t Keep = 0;
};

cairo_status_t WriteBytes(void* closure, const unsigned char* data, unsigned int length) {
  FigureStream& s = *static_cast<FigureStream*>(closure);
  if (s.Error != 0) return CAIRO_STATUS_WRITE_ERROR;
  s.Sink->Text.append(reinterpret_cast<const char*>(data), length);
  base::ReplacementFile* f = s.Sink->File;
  if (f == nullptr || s.Sink->Text.size() < (std::size_t{1} << 20)) return CAIRO_STATUS_SUCCESS;
  const std::size_t out = s.Sink->Text.size() - s.Keep;
  if (std::fwrite(s.Sink->Text.data(), 1, out, f->File) != out) {
    s.Error = errno != 0 ? errno : EIO;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  s.Sink->Text.erase(0, out);
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
  std::string svgText;
  if (in.Format == FigureFormat::Svg) s.Keep = 64;
  Draw(Writing{cr, in.Format == FigureFormat::Svg ? &svgText : nullptr}, in, w, h);
  cairo_status_t status = Cairo.status(cr);
  Cairo.destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && in.Format == FigureFormat::Png)
    status = Cairo.surface_write_to_png_stream(surface, WriteBytes, &s);
  Cairo.surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = Cairo.surface_status(surface);
  Cairo.surface_destroy(surface);
  if (status == CAIRO_STATUS_SUCCESS && s.Error == 0 && !svgText.empty()) {
    const std::size_t end = sink.Text.rfind("</svg>");
    if (end != std::string::npos) sink.Text.insert(end, svgText);
  }
  CheckFigure(s, status);
}

std::vector<FigureMark> FigureMarksOf(std::span<const ReportMark> marks, long double threshold) {
  std::vector<FigureMark> drawn;
  for (const ReportMark& m : marks)
    if (threshold <= 0 || m.Significant)
      drawn.push_back({m.X, m.Y, m.SigmaX.Reason ? NAN : m.SigmaX.Value, m.Z, m.Kind, m.D1});
  return drawn;
}

std::string MarkLabelText(long double x, long double sigma) {
  if (!(sigma > 0) || !std::isfinite(sigma) || !std::isfinite(x)) return base::FormatCompact(x, 6);
  // Far from 1 the numbers share one power of ten, written after them;
  // the larger sets it, so that neither needs hundreds of digits.
  const long double size = std::fmax(std::fabs(x), sigma);
  // A sigma below the position's own precision cannot be rounded to.
  if (sigma < size * 1e-15L) return base::FormatCompact(x, 16) + " \u00b1 " + base::FormatCompact(sigma, 2);
  const int32_t shift = size < 1e-4L || size >= 1e6L ? static_cast<int32_t>(floorl(log10l(size))) : 0;
  const long double scale = powl(10, static_cast<long double>(-shift)), xs = x * scale, ss = sigma * scale;
  // The sigma's two leading digits tell how many of them are kept.
  const int32_t e = static_cast<int32_t>(floorl(log10l(ss)));
  const int32_t digits = ss / powl(10, static_cast<long double>(e)) < 3.55L ? 2 : 1;
  const int32_t place = e - digits + 1;  // the last digit kept is of 10^place
  const long double quantum = powl(10, static_cast<long double>(place));
  const int decimals = place < 0 ? -place : 0;
  auto fixed = [&](long double v) {
    v = roundl(v / quantum) * quantum;
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, v == 0 ? 0.0L : v);
    return std::string(text);
  };
  const std::string pair = fixed(xs) + " \u00b1 " + fixed(ss);
  if (shift == 0) return pair;
  return "(" + pair + ")E" + (shift < 0 ? "-" : "+") + base::IntText(shift < 0 ? -shift : shift);
}

}  // namespace output
