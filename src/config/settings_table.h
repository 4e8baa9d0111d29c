// Every key of kurvex.cfg in one table, one row each under a line that says
// what it sets: its name, how its value is read (its kind), its default and
// bounds, and the record field it fills. The records take their defaults
// from here; a plain key is read and settled by its row alone (ReadKey,
// settings.h), a special one by a Settle function of its own that takes its
// default and bounds from here; the documentation tests take the list of
// keys from here too. Keys stand in the order start-up reads them.
#pragma once
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <variant>

#include "config/settings_record.h"

namespace config {

enum class Key : int {
  LogFileName, OutputFileName, CalcDataFileName, GraphGRXDriver, GraphColorBits,
  GraphResolution, GetColorCodes, InputFileName, MaxIteration, NumberDigits, DisplayDigits,
  SizingStep, ColumnX, ColumnY, OmittedRows, ShowCalculus, WriteCurve, ColumnError,
  ErrorValue, ColumnSeparator, DecimalComma, ErrorColumnUnit, ErrorRatio, ColorBackground,
  ColorText, ColorSymbol, ColorLine, ColorCalculus, ColorXplace, ColorKeys, SizeSymbol,
  WidthLine, WidthCalculus, WidthXplace, JumpSize, ImageBaseFileName, ImageFolder,
  ReportFileName, ReportKnots, ShowBand, SmoothingCriterion, SmoothingParameter,
  MarkSignificance, FitTableFileName, MarkTableFileName, FigureFileName, FigureXLabel,
  FigureYLabel, FigureErrorBars, FigureSize, FigureDPI, FigureLabels, Count
};

// How a key's value is read. Any value that is missing or not accepted
// silently gives the default.
enum class KeyKind {
  FileName,  // the text, or the default name when it is empty
  Text,      // the text as written, matched where it is used; no default but ""
  Integer,   // an integer from Low to High
  YesNo,     // YES or NO in any case; only the one opposite to the default counts
  Real,      // a real below Below
  Special,   // rules of its own (arguments, several fields): its own Settle function
};

// The field a key fills, in one of the two records; none for a key read
// where it is used (InputFileName, ImageBaseFileName, ImageFolder) or one that fills
// several (GraphResolution, ColumnSeparator, ErrorRatio, SmoothingParameter).
using Field = std::variant<std::monostate,
                           std::string SettingsRecord::*, int32_t SettingsRecord::*,
                           int16_t SettingsRecord::*, bool SettingsRecord::*,
                           long double SettingsRecord::*, std::string AnalysisSettingsRecord::*,
                           bool AnalysisSettingsRecord::*, Criterion AnalysisSettingsRecord::*>;

// A key's default and bounds; only those its kind and its field read count.
struct KeyValues {
  const char* Text = "";  // the default of a text (YES or NO for a yes/no key)
  int32_t Integer = 0;    // the default of an integer
  int32_t Low = 0, High = 0;
  long double Real = 0;   // the default of a real
  long double Below = std::numeric_limits<long double>::infinity();
};

struct KeySpec {
  Key Id;
  const char* Name;  // as written in kurvex.cfg (any case there)
  KeyKind Kind;
  KeyValues Values;
  Field Into;
};

// clang-format off
inline constexpr KeySpec kKeys[] = {
  // ---- Files --------------------------------------------------------------
  // The run log.
  {Key::LogFileName,        "LogFileName",        KeyKind::FileName, {.Text = "kurvex.log"},                              &SettingsRecord::LogFileName},
  // The spline data file, after every fit.
  {Key::OutputFileName,     "OutputFileName",     KeyKind::FileName, {.Text = "kurvex.out"},                              &SettingsRecord::OutputFileName},
  // The values at the cursor, one row per F3.
  {Key::CalcDataFileName,   "CalcDataFileName",   KeyKind::FileName, {.Text = "kurvex.cal"},                              &SettingsRecord::CalcDataFileName},

  // ---- Graphics -----------------------------------------------------------
  // "memory": no window; any other value: the window.
  {Key::GraphGRXDriver,     "GraphGRXDriver",     KeyKind::Text,     {},                                                  &SettingsRecord::GraphGRXDriver},
  // Colour depth: 1, 2, 4, 8, 15, 16, 24 or 32.
  {Key::GraphColorBits,     "GraphColorBits",     KeyKind::Special,  {.Integer = 4},                                      &SettingsRecord::GraphColorBits},
  // Window WIDTHxHEIGHT; ? with GraphGRXDriver ? lists the modes.
  {Key::GraphResolution,    "GraphResolution",    KeyKind::Special,  {.Text = "640x480"},                                 {}},
  // YES: the colour chart instead of a run (depths up to 8).
  {Key::GetColorCodes,      "GetColorCodes",      KeyKind::YesNo,    {.Text = "NO"},                                      &SettingsRecord::GetColorCodes},
  // The data file (argument 1; empty or ?: the file dialog).
  {Key::InputFileName,      "InputFileName",      KeyKind::Special,  {},                                                  {}},

  // ---- Fit and output -----------------------------------------------------
  // Passes of the fit at most.
  {Key::MaxIteration,       "MaxIteration",       KeyKind::Integer,  {.Integer = 1000, .Low = 10, .High = 32000},         &SettingsRecord::MaxIteration},
  // Significant digits in the result files.
  {Key::NumberDigits,       "NumberDigits",       KeyKind::Integer,  {.Integer = 7, .Low = 1, .High = 20},                &SettingsRecord::NumberDigits},
  // Significant digits on the graph.
  {Key::DisplayDigits,      "DisplayDigits",      KeyKind::Integer,  {.Integer = 5, .Low = 1, .High = 20},                &SettingsRecord::DisplayDigits},
  // Pan step as a part of the view.
  {Key::SizingStep,         "SizingStep",         KeyKind::Real,     {.Real = 0.04L, .Below = 0.5L},                      &SettingsRecord::SizingStep},

  // ---- Data columns and rows ----------------------------------------------
  // Column of X, or its name in the header (argument 2).
  {Key::ColumnX,            "ColumnX",            KeyKind::Special,  {.Integer = 1, .Low = 1, .High = INT32_MAX},         &SettingsRecord::ColumnX},
  // Column of Y, or its name in the header (argument 3).
  {Key::ColumnY,            "ColumnY",            KeyKind::Special,  {.Integer = 2, .Low = 1, .High = INT32_MAX},         &SettingsRecord::ColumnY},
  // Header lines to skip (argument 4; negative: its size).
  {Key::OmittedRows,        "OmittedRows",        KeyKind::Special,  {.Integer = 0},                                      &SettingsRecord::OmittedRows},
  // NO: no minima, maxima and inflections (a - in argument 4 too).
  {Key::ShowCalculus,       "ShowCalculus",       KeyKind::Special,  {.Text = "YES"},                                     &SettingsRecord::ShowCalculus},
  // NO: no curve rows in kurvex.out.
  {Key::WriteCurve,         "WriteCurve",         KeyKind::YesNo,    {.Text = "YES"},                                     &SettingsRecord::WriteCurve},
  // Column of the errors, or its name in the header (argument 5).
  {Key::ColumnError,        "ColumnError",        KeyKind::Special,  {.Integer = 0, .Low = 1, .High = INT32_MAX},         &SettingsRecord::ColumnError},
  // Every error without a column, in Y; negative: a millionth of the Y range.
  {Key::ErrorValue,         "ErrorValue",         KeyKind::Real,     {.Real = -1},                                        &SettingsRecord::ErrorFill},
  // Empty: blanks; one character, TAB or AUTO: what separates the values.
  {Key::ColumnSeparator,    "ColumnSeparator",    KeyKind::Special,  {},                                                  {}},
  // YES: a comma marks the decimals.
  {Key::DecimalComma,       "DecimalComma",       KeyKind::YesNo,    {.Text = "NO"},                                      &SettingsRecord::DecimalComma},
  // Y: the error column in units of Y; empty or MILLIONTHS: in millionths
  // of the Y range.
  {Key::ErrorColumnUnit,    "ErrorColumnUnit",    KeyKind::Special,  {},                                                  &SettingsRecord::ErrorColumnInY},
  // YES [n]: errors from the scatter of n neighbours (argument 6).
  {Key::ErrorRatio,         "ErrorRatio",         KeyKind::Special,  {.Text = "NO"},                                      {}},

  // ---- Colours: up to the depth's largest; 0 here, by depth on the graph --
  // The background.
  {Key::ColorBackground,    "ColorBackground",    KeyKind::Special,  {},                                                  &SettingsRecord::ColorBackground},
  // The texts and the frame.
  {Key::ColorText,          "ColorText",          KeyKind::Special,  {},                                                  &SettingsRecord::ColorText},
  // The data points.
  {Key::ColorSymbol,        "ColorSymbol",        KeyKind::Special,  {},                                                  &SettingsRecord::ColorSymbol},
  // The curve.
  {Key::ColorLine,          "ColorLine",          KeyKind::Special,  {},                                                  &SettingsRecord::ColorLine},
  // The marks.
  {Key::ColorCalculus,      "ColorCalculus",      KeyKind::Special,  {},                                                  &SettingsRecord::ColorCalculus},
  // The cursor and its values.
  {Key::ColorXplace,        "ColorXplace",        KeyKind::Special,  {},                                                  &SettingsRecord::ColorXplace},
  // The legend's key words.
  {Key::ColorKeys,          "ColorKeys",          KeyKind::Special,  {},                                                  &SettingsRecord::ColorKeys},

  // ---- Sizes and steps in pixels ------------------------------------------
  // Radius of a data point.
  {Key::SizeSymbol,         "SizeSymbol",         KeyKind::Integer,  {.Integer = 4, .Low = 1, .High = 254},               &SettingsRecord::SizeSymbol},
  // Width of the curve.
  {Key::WidthLine,          "WidthLine",          KeyKind::Integer,  {.Integer = 3, .Low = 1, .High = 254},               &SettingsRecord::WidthLine},
  // Width of the marks.
  {Key::WidthCalculus,      "WidthCalculus",      KeyKind::Integer,  {.Integer = 1, .Low = 1, .High = 254},               &SettingsRecord::WidthCalculus},
  // Width of the cursor line.
  {Key::WidthXplace,        "WidthXplace",        KeyKind::Integer,  {.Integer = 1, .Low = 1, .High = 254},               &SettingsRecord::WidthXplace},
  // Pixels per cursor step, below a tenth of the width.
  {Key::JumpSize,           "JumpSize",           KeyKind::Special,  {.Integer = 1, .Low = INT16_MIN, .High = INT16_MAX}, &SettingsRecord::JumpSize},

  // ---- Images -------------------------------------------------------------
  // The images' name before their number, looked up at each F4.
  {Key::ImageBaseFileName,  "ImageBaseFileName",  KeyKind::FileName, {.Text = "kurvi"},                                   {}},
  // The images' folder, looked up at each F4; empty: the program's own
  // folder or the working folder (image_export.cpp).
  {Key::ImageFolder,        "ImageFolder",        KeyKind::Special,  {},                                                  {}},

  // ---- Analysis report, band and smoothing --------------------------------
  // The analysis report (JSON); empty: none.
  {Key::ReportFileName,     "ReportFileName",     KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::ReportFileName},
  // YES: the report's per-knot arrays.
  {Key::ReportKnots,        "ReportKnots",        KeyKind::YesNo,    {.Text = "NO"},                                      &AnalysisSettingsRecord::ReportKnots},
  // YES: the +-2 sigma band on the graph.
  {Key::ShowBand,           "ShowBand",           KeyKind::YesNo,    {.Text = "NO"},                                      &AnalysisSettingsRecord::ShowBand},
  // A criterion's name, or "EDF k" (smoothing_criterion.h): how p is chosen.
  {Key::SmoothingCriterion, "SmoothingCriterion", KeyKind::Special,  {.Text = "residual"},                                &AnalysisSettingsRecord::SmoothingCriterion},
  // A real >= 0: this p, without iteration (FixedP).
  {Key::SmoothingParameter, "SmoothingParameter", KeyKind::Special,  {},                                                  {}},
  // A real > 0: only the marks whose significance z reaches it are listed
  // and drawn (spline/significance.h); empty or invalid: every mark.
  {Key::MarkSignificance,   "MarkSignificance",   KeyKind::Special,  {},                                                  {}},

  // ---- Tables that many runs share ----------------------------------------
  // A CSV file that every fit adds its row to; empty: none.
  {Key::FitTableFileName,   "FitTableFileName",   KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::FitTableFileName},
  // A CSV file that every fit adds a row per mark to; empty: none.
  {Key::MarkTableFileName,  "MarkTableFileName",  KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::MarkTableFileName},

  // ---- A figure for reports and papers ------------------------------------
  // The figure of every fit: SVG, PDF or PNG by the name's ending (any other
  // ending: PDF); empty: none.
  {Key::FigureFileName,     "FigureFileName",     KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::FigureFileName},
  // The label of the X axis; empty: the X column's name, else "X".
  {Key::FigureXLabel,       "FigureXLabel",       KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::FigureXLabel},
  // The label of the Y axis; empty: the Y column's name, else "Y".
  {Key::FigureYLabel,       "FigureYLabel",       KeyKind::Text,     {},                                                  &AnalysisSettingsRecord::FigureYLabel},
  // YES: vertical bars of +-1 error at the points when the errors come from a column.
  {Key::FigureErrorBars,    "FigureErrorBars",    KeyKind::YesNo,    {.Text = "NO"},                                      &AnalysisSettingsRecord::FigureErrorBars},
  // "WIDTHxHEIGHT" in millimetres, each from 20 to 1000.
  {Key::FigureSize,         "FigureSize",         KeyKind::Special,  {.Text = "160x100", .Low = 20, .High = 1000},        {}},
  // Pixels per inch of a PNG figure.
  {Key::FigureDPI,          "FigureDPI",          KeyKind::Special,  {.Integer = 300, .Low = 10, .High = 2400},           {}},
  // YES: the marks' positions with their sigmas as labels, the most significant first.
  {Key::FigureLabels,       "FigureLabels",       KeyKind::YesNo,    {.Text = "NO"},                                      &AnalysisSettingsRecord::FigureLabels},
};
// clang-format on
static_assert(std::size(kKeys) == static_cast<std::size_t>(Key::Count), "one line per key");

constexpr const KeySpec& Spec(Key key) { return kKeys[static_cast<int>(key)]; }

// Every line stands at its key's place, so Spec() needs no search.
constexpr bool InOrder() {
  for (int i = 0; i < static_cast<int>(Key::Count); ++i)
    if (static_cast<int>(kKeys[i].Id) != i) return false;
  return true;
}
static_assert(InOrder(), "kKeys in the order of Key");

// A plain key's field holds what its kind reads (a file name may have none:
// it is then looked up where it is used), a text key has no default, and a
// 16-bit field's bounds fit it.
constexpr bool FieldFitsKind(const KeySpec& k) {
  const Field& f = k.Into;
  using S = SettingsRecord;
  using A = AnalysisSettingsRecord;
  switch (k.Kind) {
    case KeyKind::FileName:
      return std::holds_alternative<std::string S::*>(f) || std::holds_alternative<std::monostate>(f);
    case KeyKind::Text:
      return k.Values.Text[0] == '\0' &&
             (std::holds_alternative<std::string S::*>(f) || std::holds_alternative<std::string A::*>(f));
    case KeyKind::Integer:
      return std::holds_alternative<int32_t S::*>(f) ||
             (std::holds_alternative<int16_t S::*>(f) && k.Values.Low >= INT16_MIN && k.Values.High <= INT16_MAX);
    case KeyKind::YesNo:
      return std::holds_alternative<bool S::*>(f) || std::holds_alternative<bool A::*>(f);
    case KeyKind::Real: return std::holds_alternative<long double S::*>(f);
    case KeyKind::Special: return true;
  }
  return false;
}
constexpr bool EveryFieldFits() {
  for (const KeySpec& k : kKeys)
    if (!FieldFitsKind(k)) return false;
  return true;
}
static_assert(EveryFieldFits(), "each plain key's field holds what its kind reads");

// No two keys fill one field.
constexpr bool FieldsDistinct() {
  for (std::size_t i = 0; i < std::size(kKeys); ++i)
    for (std::size_t j = i + 1; j < std::size(kKeys); ++j)
      if (kKeys[i].Into.index() != 0 && kKeys[i].Into == kKeys[j].Into) return false;
  return true;
}
static_assert(FieldsDistinct(), "one field per key");

// The keys that name a file the run writes: in their values %n stands for
// the data file's name (settings.h, ExpandFileName).
constexpr bool NamesAWrittenFile(Key key) {
  return Spec(key).Kind == KeyKind::FileName || key == Key::ReportFileName ||
         key == Key::FitTableFileName || key == Key::MarkTableFileName ||
         key == Key::FigureFileName;
}

// The keys whose value names a file: such a value is used whole or refused,
// since cut at 255 characters it would name another file.
constexpr bool NamesAFile(Key key) {
  return NamesAWrittenFile(key) || key == Key::InputFileName || key == Key::ImageFolder;
}

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
