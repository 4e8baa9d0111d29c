// Every key of kurvex.cfg in one table: its name, its default, its bounds
// where it has them, and what it sets, one commented line each. The
// Settings record takes its defaults from here and every Settle function its
// bounds and default, so each is written once; the documentation tests take
// the list of keys from here too. Keys stand in the order start-up reads
// them.
#pragma once
#include <cstdint>

namespace config {

enum class Key : int {
  LogFileName, OutputFileName, CalcDataFileName, GraphGRXDriver, GraphColorBits,
  GraphResolution, GetColorCodes, InputFileName, MaxIteration, NumberDigits, DisplayDigits,
  SizingStep, ColumnX, ColumnY, OmittedRows, ShowCalculus, WriteCurve, ColumnError,
  ErrorValue, ErrorRatio, ColorBackground, ColorText, ColorSymbol, ColorLine, ColorCalculus,
  ColorXplace, ColorKeys, SizeSymbol, WidthLine, WidthCalculus, WidthXplace, JumpSize,
  ImageBaseFileName, ReportFileName, ReportKnots, ShowBand, SmoothingCriterion,
  SmoothingParameter,
  Count
};

struct KeySpec {
  Key Id;
  const char* Name;     // as written in kurvex.cfg (any case there)
  const char* Text;     // a text key's default ("" for none)
  int32_t Integer;      // an integer key's default
  int32_t Low, High;    // an integer key's bounds; both 0 when it has none
  long double Real;     // a real key's default
  const char* Comment;  // what it sets
};

// clang-format off
inline constexpr KeySpec kKeys[] = {
  {Key::LogFileName,       "LogFileName",       "kurvex.log", 0, 0, 0, 0,    "the run log"},
  {Key::OutputFileName,    "OutputFileName",    "kurvex.out", 0, 0, 0, 0,    "the spline data file, after every fit"},
  {Key::CalcDataFileName,  "CalcDataFileName",  "kurvex.cal", 0, 0, 0, 0,    "the values at the cursor, one row per F3"},
  {Key::GraphGRXDriver,    "GraphGRXDriver",    "",           0, 0, 0, 0,    "memory: no window; anything else the window"},
  {Key::GraphColorBits,    "GraphColorBits",    "",           4, 1, 32, 0,   "colour depth: 1, 2, 4, 8, 15, 16, 24 or 32"},
  {Key::GraphResolution,   "GraphResolution",   "640x480",    0, 0, 0, 0,    "window WIDTHxHEIGHT; ? with GraphGRXDriver ? lists the modes"},
  {Key::GetColorCodes,     "GetColorCodes",     "NO",         0, 0, 0, 0,    "YES: the colour chart instead of a run (depths up to 8)"},
  {Key::InputFileName,     "InputFileName",     "",           0, 0, 0, 0,    "the data file (empty or ?: the file dialog)"},
  {Key::MaxIteration,      "MaxIteration",      "",           1000, 10, 32000, 0, "passes of the fit at most"},
  {Key::NumberDigits,      "NumberDigits",      "",           7, 1, 20, 0,   "significant digits in the result files"},
  {Key::DisplayDigits,     "DisplayDigits",     "",           5, 1, 20, 0,   "significant digits on the graph"},
  {Key::SizingStep,        "SizingStep",        "",           0, 0, 0, 0.04L, "pan step as a part of the view, below 0.5"},
  {Key::ColumnX,           "ColumnX",           "",           1, 1, INT32_MAX, 0, "column of X (argument 2)"},
  {Key::ColumnY,           "ColumnY",           "",           2, 1, INT32_MAX, 0, "column of Y (argument 3)"},
  {Key::OmittedRows,       "OmittedRows",       "",           0, 0, 0, 0,    "header lines to skip (argument 4; negative: its size)"},
  {Key::ShowCalculus,      "ShowCalculus",      "YES",        0, 0, 0, 0,    "NO: no minima, maxima and inflections"},
  {Key::WriteCurve,        "WriteCurve",        "YES",        0, 0, 0, 0,    "NO: no curve rows in kurvex.out"},
  {Key::ColumnError,       "ColumnError",       "",           0, 1, INT32_MAX, 0, "column of the errors, in millionths of the Y range (argument 5)"},
  {Key::ErrorValue,        "ErrorValue",        "",           0, 0, 0, -1,   "every error without a column, in Y; negative: a millionth of the Y range"},
  {Key::ErrorRatio,        "ErrorRatio",        "NO",         0, 0, 0, 0,    "YES [n]: errors from the scatter of n neighbours (argument 6)"},
  {Key::ColorBackground,   "ColorBackground",   "",           0, 0, 0, 0,    "colour of the background; defaults by depth"},
  {Key::ColorText,         "ColorText",         "",           0, 0, 0, 0,    "colour of the texts and the frame"},
  {Key::ColorSymbol,       "ColorSymbol",       "",           0, 0, 0, 0,    "colour of the data points"},
  {Key::ColorLine,         "ColorLine",         "",           0, 0, 0, 0,    "colour of the curve"},
  {Key::ColorCalculus,     "ColorCalculus",     "",           0, 0, 0, 0,    "colour of the marks"},
  {Key::ColorXplace,       "ColorXplace",       "",           0, 0, 0, 0,    "colour of the cursor and its values"},
  {Key::ColorKeys,         "ColorKeys",         "",           0, 0, 0, 0,    "colour of the legend's key words"},
  {Key::SizeSymbol,        "SizeSymbol",        "",           4, 1, 254, 0,  "radius of a data point in pixels"},
  {Key::WidthLine,         "WidthLine",         "",           3, 1, 254, 0,  "width of the curve"},
  {Key::WidthCalculus,     "WidthCalculus",     "",           1, 1, 254, 0,  "width of the marks"},
  {Key::WidthXplace,       "WidthXplace",       "",           1, 1, 254, 0,  "width of the cursor line"},
  {Key::JumpSize,          "JumpSize",          "",           1, INT16_MIN, INT16_MAX, 0, "pixels per cursor step, below a tenth of the width"},
  {Key::ImageBaseFileName, "ImageBaseFileName", "kurvi",      0, 0, 0, 0,    "the images' name before their number"},
  {Key::ReportFileName,    "ReportFileName",    "",           0, 0, 0, 0,    "the analysis report (JSON); empty: none"},
  {Key::ReportKnots,       "ReportKnots",       "NO",         0, 0, 0, 0,    "YES: the report's per-knot arrays"},
  {Key::ShowBand,          "ShowBand",          "NO",         0, 0, 0, 0,    "YES: the +-2 sigma band on the graph"},
  {Key::SmoothingCriterion, "SmoothingCriterion", "residual", 0, 0, 0, 0,   "residual, UBRE or GCV: how p is chosen"},
  {Key::SmoothingParameter, "SmoothingParameter", "",        0, 0, 0, 0,    "a real >= 0: this p, without iteration"},
};
// clang-format on
static_assert(sizeof kKeys / sizeof kKeys[0] == static_cast<int>(Key::Count),
              "one line per key");

constexpr const KeySpec& Spec(Key key) { return kKeys[static_cast<int>(key)]; }

// Every line stands at its key's place, so Spec() needs no search.
constexpr bool InOrder() {
  for (int i = 0; i < static_cast<int>(Key::Count); ++i)
    if (static_cast<int>(kKeys[i].Id) != i) return false;
  return true;
}
static_assert(InOrder(), "kKeys in the order of Key");

// The width and height of a default "WIDTHxHEIGHT", read at compile time.
constexpr int32_t DefaultDimension(const char* text, bool height) {
  if (height) {
    while (*text != '\0' && *text != 'x') ++text;
    if (*text == 'x') ++text;
  }
  int32_t v = 0;
  while (*text >= '0' && *text <= '9') v = v * 10 + (*text++ - '0');
  return v;
}

}  // namespace config
