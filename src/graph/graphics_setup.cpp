// Graphics set-up on the program's graphics layer.
#include "graph/graphics_setup.h"

#include "config/config_file.h"
#include "config/settings.h"
#include "base/text.h"
#include "base/number_format.h"
#include "base/stop.h"
#include "graph/graph_state.h"
#include "graph/mode_report.h"

namespace graph {

namespace {

// 24 x 24, hot spot at (11, 11): 0 transparent, 1 the text colour, 2 the
// key colour.
const char* const kCursorRows[24] = {
    "........................",
    "...22.............22....",
    "....2222.......2222.....",
    ".1....22222222222....1..",
    ".11....222222222....11..",
    "..1.....2222222.....1...",
    "..11.....22222.....11...",
    "..111.....222.....111...",
    "...111.....2.....111....",
    "...1111...222...1111....",
    "...11111.1...1.11111....",
    "...1111111...1111111....",
    "...11111.1...1.11111....",
    "...1111...222...1111....",
    "...111.....2.....111....",
    "..111.....222.....111...",
    "..11.....22222.....11...",
    "..1.....2222222.....1...",
    ".11....222222222....11..",
    ".1....22222222222....1..",
    "....2222.......2222.....",
    "...22.............22....",
    "........................",
    "........................",
};

gfx::Colour Allocate(int32_t code) {
  const gfx::Rgb& c = DefaultPalette[code];
  return gfx::AllocColour(c.Red, c.Green, c.Blue);
}

// Depth 8 keeps codes 0 to 15 as the colour numbers themselves and gives
// codes 16 to 255 their palette colours in the entries of the same number:
// allocation would fold the repeated colours (the blacks of 16 and 248 to
// 255, say) into earlier entries, and the colour keys, which name entries
// directly, would then no longer show the colours of the chart.
void FillColourTable(int32_t depth) {
  if (depth == 8) {
    for (int32_t code = 0; code < 256; ++code) {
      if (code >= 16) {
        const gfx::Rgb& c = DefaultPalette[code];
        gfx::SetColour(code, c.Red, c.Green, c.Blue);
      }
      ColourTable[code] = code;
    }
    return;
  }
  const int32_t last = depth == 1 ? 1 : depth == 2 ? 3 : 15;
  for (int32_t code = 0; code <= last; ++code) ColourTable[code] = Allocate(code);
}

gfx::Colour Rgb24(int32_t r, int32_t g, int32_t b) { return (r << 16) | (g << 8) | b; }

gfx::TextOption TextStyleOf(gfx::Colour foreground, gfx::HAlign align) {
  gfx::TextOption t;
  t.TextFont = GraphStyles.GraphFont;
  t.Foreground = foreground;
  t.Background = GraphColours.Background;
  t.Horizontal = align;
  t.Vertical = gfx::VAlign::Baseline;
  return t;
}

gfx::LineOption LineStyleOf(gfx::Colour colour, int32_t width, std::vector<int32_t> dashes) {
  gfx::LineOption l;
  l.LineColour = colour;
  l.Width = width;
  l.Dashes = std::move(dashes);
  return l;
}

}  // namespace

std::vector<DriverEntry> AvailableDrivers() {
  std::vector<DriverEntry> drivers;
  for (const char* name : DriverNames) {
    if (!gfx::SetDriver(name) || gfx::CurrentDriverName() != name) continue;
    DriverEntry d;
    d.Name = name;
    d.AnySize = gfx::DriverAcceptsAnySize();
    for (const gfx::VideoMode& m : gfx::DriverModes()) d.Modes.push_back({m.Bpp, m.Width, m.Height});
    drivers.push_back(d);
  }
  return drivers;
}

bool SelectDriver(const std::string& name) {
  const char* chosen = DriverNames[0];
  for (const char* candidate : DriverNames)
    if (name == candidate) chosen = candidate;
  return gfx::SetDriver(chosen);
}

std::string NoWindowHint() {
  if (gfx::DisplayAvailable()) return "";
  const std::string advice =
      "use --batch (or GraphGRXDriver = memory in kurvex.cfg) to run without a window\n";
  if (const std::string module = gfx::WindowModuleError(); !module.empty())
    return "kurvex: " + module + "\nkurvex: " + advice;
  return "kurvex: no display for the window driver; " + advice;
}

// The title goes with the mode, so that every window the program opens,
// the colour chart's too, carries it from the start.
namespace {

// Why a size is refused before any driver is asked, or "" when it is not.
std::string SizeRefused(int32_t width, int32_t height) {
  if (gfx::SizeAllowed(width, height)) return "";
  return "kurvex: GraphResolution " + base::IntText(width) + "x" + base::IntText(height) +
         ": a window has at least " + base::IntText(gfx::MinModeWidth) + "x" +
         base::IntText(gfx::MinModeHeight) + " and at most " + base::IntText(gfx::MaxModeSide) +
         " pixels a side and " + std::to_string(gfx::MaxModePixels) + " in all\n";
}

}  // namespace

void SetGraphicsMode(int32_t width, int32_t height, int32_t depth) {
  gfx::SetWindowTitle(base::ProgramBanner);
  if (!gfx::SetMode(width, height, depth)) ModeReport(base::kExitErrorStop, SizeRefused(width, height));
  if (depth <= 8) FillColourTable(depth);
}

void SetDefaultColours(int32_t depth) {
  GraphColoursRecord& c = GraphColours;
  switch (depth) {
    case 1:
    case 2:
      c = {gfx::White(), gfx::Black(), gfx::Black(), gfx::Black(), gfx::Black(),
           gfx::Black(), gfx::Black()};
      break;
    case 4:
    case 8:
      c = {ColourTable[15], ColourTable[0], ColourTable[4], ColourTable[1],
           ColourTable[8], ColourTable[5], ColourTable[12]};
      break;
    case 15: c = {0x7FFF, 0, 0x5400, 0x0015, 0x294A, 0x5415, 0x7D4A}; break;
    case 16: c = {0xFFFF, 0, 0xA800, 0x0015, 0x528A, 0xA815, 0xFAAA}; break;
    default:
      c = {Rgb24(252, 252, 252), Rgb24(0, 0, 0), Rgb24(168, 0, 0), Rgb24(0, 0, 168),
           Rgb24(84, 84, 84), Rgb24(168, 0, 168), Rgb24(252, 84, 80)};
  }
}

void ReadColourKeys(int32_t depth) {
  GraphColoursRecord& c = GraphColours;
  config::SettingsRecord& s = config::Settings;
  using config::Key;
  struct { Key key; gfx::Colour& colour; int32_t& setting; } keys[] = {
      {Key::ColorBackground, c.Background, s.ColorBackground}, {Key::ColorText, c.Text, s.ColorText},
      {Key::ColorSymbol, c.Symbol, s.ColorSymbol},             {Key::ColorLine, c.Line, s.ColorLine},
      {Key::ColorCalculus, c.Calculus, s.ColorCalculus},       {Key::ColorXplace, c.Xplace, s.ColorXplace},
      {Key::ColorKeys, c.Keys, s.ColorKeys}};
  for (auto& k : keys) {
    config::SettleColourKey(config::ConfigValue(k.key), depth, k.colour);
    k.setting = k.colour;
  }
}

void PrepareStyles(int32_t configuredWidth) {
  GraphStylesRecord& st = GraphStyles;
  const GraphColoursRecord& c = GraphColours;
  const config::SettingsRecord& s = config::Settings;
  st.GraphFont = gfx::FindFont(configuredWidth > kLucs21Above   ? "lucs21"
                               : configuredWidth > kLucs15Above ? "lucs15"
                                                            : "lucs11");
  st.TextStyle = TextStyleOf(c.Text, gfx::HAlign::Left);
  st.KeyStyle = TextStyleOf(c.Keys, gfx::HAlign::Left);
  st.XplaceStyle = TextStyleOf(c.Xplace, gfx::HAlign::Left);
  st.KeyStyleRight = TextStyleOf(c.Keys, gfx::HAlign::Right);
  st.TextStyleRight = TextStyleOf(c.Text, gfx::HAlign::Right);
  st.CurveLine = LineStyleOf(c.Line, s.WidthLine, {});
  st.ExtremumLine = LineStyleOf(c.Calculus, s.WidthCalculus, {6, 6});
  st.InflectionLine = LineStyleOf(c.Calculus, s.WidthCalculus, {1, 5});
  st.XplaceLine = LineStyleOf(c.Xplace, s.WidthXplace, {});
}

void InitMouseCursor(int32_t depth) {
  if (!gfx::MouseDetect() || depth <= 2) return;
  gfx::MouseInit();
  uint8_t shape[24 * 24];
  for (int row = 0; row < 24; ++row)
    for (int col = 0; col < 24; ++col) {
      char c = kCursorRows[row][col];
      shape[row * 24 + col] = static_cast<uint8_t>(c == '.' ? 0 : c - '0');
    }
  const gfx::Colour colours[2] = {GraphColours.Text, GraphColours.Keys};
  gfx::MouseSetCursor(gfx::BuildCursor(shape, 24, 24, 24, 11, 11, colours));
  gfx::MouseDisplayCursor();
  GraphLoop.MouseInUse = true;
}

void ClearGraph() { gfx::ClearScreen(GraphColours.Background); }

void ReleaseGraphics() {
  if (GraphLoop.MouseInUse) gfx::MouseUnInit();
  GraphLoop.MouseInUse = false;
}

}  // namespace graph
