// The command loop, the command table, the cursor steps and the mouse.
#include "graph/navigation.h"

#include "config/settings.h"
#include "base/text.h"
#include "data/dataset.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "graph/commands.h"
#include "graph/draw_pass.h"
#include "graph/fitting_pass.h"
#include "graph/graph_state.h"
#include "graph/image_export.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "base/number_format.h"
#include "output/analysis_report.h"
#include "output/required_values.h"
#include "spline/fit.h"

namespace graph {
namespace {

// JumpSize is a pixel count of 16 bits without sign: a negative setting
// makes every step too long to be taken.
uint16_t JumpPixels() { return static_cast<uint16_t>(config::Settings.JumpSize); }

void ZoomX(bool in) {
  ViewWindowRecord& v = ViewWindow;
  const config::SettingsRecord& s = config::Settings;
  if (in) {
    v.Xlow += s.SizingStep * v.Xrange;
    v.Xrange *= s.ZoomIn;
    v.CurveStep *= s.ZoomIn;
  } else {
    v.Xlow -= s.ZoomShift * v.Xrange;
    v.Xrange /= s.ZoomIn;
    v.CurveStep /= s.ZoomIn;
  }
}

void ZoomY(bool in) {
  ViewWindowRecord& v = ViewWindow;
  const config::SettingsRecord& s = config::Settings;
  if (in) {
    v.Ylow += s.SizingStep * v.Yrange;
    v.Yrange *= s.ZoomIn;
  } else {
    v.Ylow -= s.ZoomShift * v.Yrange;
    v.Yrange /= s.ZoomIn;
  }
}

// Pan and zoom: the view changes; the caller clears the plot for a full pass.
void ChangeView(int32_t key) {
  ViewWindowRecord& v = ViewWindow;
  const long double s = config::Settings.SizingStep;
  switch (key) {
    case gfx::KeyLeft: v.Xlow += s * v.Xrange; break;
    case gfx::KeyRight: v.Xlow -= s * v.Xrange; break;
    case gfx::KeyUp: v.Ylow -= s * v.Yrange; break;
    case gfx::KeyDown: v.Ylow += s * v.Yrange; break;
    case 'x': ZoomX(true); break;
    case 'X': ZoomX(false); break;
    case 'y': ZoomY(true); break;
    case 'Y': ZoomY(false); break;
    case 'b': ZoomX(true), ZoomY(true); break;
    case 'B': ZoomX(false), ZoomY(false); break;
    default: break;
  }
}

void ClearPlotArea() {
  const GraphLayoutRecord& L = Layout;
  ClearBox(L.PX0, L.PY0, L.PX1, L.PY1);
}

// Down to the last row of the text cell, which in lucs21 is StatusY + 1:
// a notice's descenders there would outlast the refit.
void ClearQualityBand() {
  const GraphLayoutRecord& L = Layout;
  ClearBox(L.PX0 - 1, L.StatusY - L.CharHeight + 1, L.PX1 + 1, L.QualityBottom);
}

// One cursor step of JumpSize x JumpMultiplier pixels; a step that would
// leave the plot area is not taken at all.
void MoveXplace(int direction) {
  const GraphLayoutRecord& L = Layout;
  const int64_t jump = int64_t{JumpPixels()} * GraphLoop.JumpMultiplier;
  const int64_t target = XPlace.XS + direction * jump;
  // Only the side moved towards is checked, so a cursor left outside the
  // plot by panning can still be stepped back in.
  if (direction < 0 ? target < L.PX0 : target > L.PX1) return;
  EraseXplaceLine();
  XPlace.XS = static_cast<int32_t>(target);
  XPlace.XP = WorldX(XPlace.XS);
  SetPlotClip();
  DrawXplaceLine();
}

void Execute(const Command& c) {
  switch (c.Kind) {
    case CommandKind::View:
      ChangeView(c.Key);
      GraphLoop.ResultsPending = false;
      ClearPlotArea();
      break;
    case CommandKind::Factor:
      spline::ScaleErrors(c.Key);
      output::NoteFactorKey(c.Key);
      GraphLoop.ResultsPending = true;
      ClearQualityBand();
      ClearPlotArea();
      break;
    case CommandKind::CursorLeft: MoveXplace(-1); break;
    case CommandKind::CursorRight: MoveXplace(+1); break;
    case CommandKind::Values:
      output::AppendRequiredValues(XPlace.XP);
      output::NoteCursor(XPlace.XP);
      break;
    case CommandKind::Image: ExportImage(); break;
    case CommandKind::Quit: break;
  }
}

// A left click in the plot moves the cursor towards it in whole steps; on
// the legend rows it acts as the word above or below it.
int32_t LeftClick(int32_t mx, int32_t my) {
  const GraphLayoutRecord& L = Layout;
  if (my > L.PY1 + L.CharHeight) return LegendKeyAt(mx);
  if (my > L.PY1 || mx == XPlace.XS) return 0;
  // A JumpSize of 0 steps nowhere; the division still needs a divisor.
  const int32_t step = JumpPixels() > 0 ? JumpPixels() : 1;
  const int32_t distance = mx < XPlace.XS ? XPlace.XS - mx : mx - XPlace.XS;
  GraphLoop.JumpMultiplier = static_cast<uint16_t>(distance / step > 0xFFFF ? 0xFFFF : distance / step);
  return mx < XPlace.XS ? gfx::KeyF1 : gfx::KeyF2;
}

// The world coordinates under the pointer, at the right end of the
// fit-quality row; nothing outside the plot.
void ShowMousePosition(int32_t mx, int32_t my) {
  const GraphLayoutRecord& L = Layout;
  ClearBox(L.StatusTextWidth + 2, L.StatusY + 1 - L.CharHeight, L.PX1, L.QualityBottom);
  gfx::SetClipBox(L.PX0, L.PY0, L.PX1, L.QualityBottom);
  if (mx < L.PX0 || mx > L.PX1 || my <= 1 || my < L.PY0 || my > L.PY1) return;
  const int32_t digits = config::Settings.DisplayDigits;
  const std::string text = "(" + base::FormatCompact(WorldX(mx), digits) + "," +
                           base::FormatCompact(WorldY(my), digits) + ")";
  gfx::DrawString(base::CutText(text), L.PX1, L.StatusY - 2, GraphStyles.TextStyleRight);
}

int32_t KeyOfEvent(const gfx::MouseEvent& ev) {
  if (ev.Key > 0) return ev.Key;
  switch (ev.Buttons) {
    case gfx::LeftButton: return LeftClick(ev.X, ev.Y);
    case gfx::RightButton: return gfx::KeyF3;
    case 0: ShowMousePosition(ev.X, ev.Y); return 0;
    default: return 0;
  }
}

// Waits for an event; a short time-out instead of a spin keeps an idle
// window from using a whole processor.
gfx::MouseEvent WaitForEvent() {
  for (;;) {
    gfx::MouseEvent ev = gfx::MouseGetEvent(50);
    if (ev.Flags != 0) return ev;
  }
}

// A read error on the command input is no end of the script: it must not
// pass for the quit key, which ends normally.
void CheckInput(bool failed) {
  if (failed) base::FatalIoError("standard input", gfx::InputError());
}

// With the mouse, each accepted event drops the keys typed ahead of it and
// waits for every button to be released.
const Command& NextCommand() {
  for (;;) {
    int32_t key;
    if (GraphLoop.MouseInUse) {
      gfx::MouseEvent ev = WaitForEvent();
      CheckInput((ev.Flags & gfx::InputFailed) != 0);
      key = KeyOfEvent(ev);
      while (ev.Key > 0 || ev.Buttons != 0) ev = gfx::MouseGetEvent(0);
    } else {
      key = gfx::KeyRead();
      CheckInput(key == gfx::KeyInputFailed);
      key = static_cast<int16_t>(key);
    }
    if (const Command* c = CommandOfKey(key)) return *c;
  }
}

}  // namespace

int32_t LegendKeyAt(int32_t mx) {
  for (int k = 1; k <= kKeyWords; ++k)
    if (Layout.KeyAreas[k].xmin <= mx && mx <= Layout.KeyAreas[k].xmax) return kCommands[k - 1].Key;
  return 0;
}

void RunInteractiveLoop() {
  const Command* done = nullptr;  // none yet: the first pass fits
  for (;;) {
    SetPlotClip();
    const bool refit = done == nullptr || done->Kind == CommandKind::Factor;
    if (refit) FittingPass(GraphLoop.ResultsPending);
    else if (!LeavesThePlot(done->Kind)) DrawPass();
    if (done == nullptr || (done->Kind != CommandKind::Values && done->Kind != CommandKind::Image))
      DrawXplaceValues();
    GraphLoop.JumpMultiplier = 1;
    done = &NextCommand();
    if (done->Kind == CommandKind::Quit) break;
    Execute(*done);
  }
  // The quit: the plot cleared and the off-screen areas released; the
  // driver's normal end does the rest.
  ClearPlotArea();
  DestroyOffScreenAreas();
}

}  // namespace graph
