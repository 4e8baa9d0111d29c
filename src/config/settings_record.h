// The records the settings fill: every setting of the program after
// start-up, with the command-line overrides applied, and the settings of
// the analysis report, the uncertainty band and the choice of p. Each key's
// default is written once, in its line of the table of keys
// (settings_table.h), which names the field it fills; the constructors
// apply those defaults and derive the fields that follow from them. The
// zeros below hold only until then.
#pragma once
#include <cstdint>
#include <string>

#include "config/smoothing_criterion.h"

namespace config {

// A field of NumberDigits + 6 characters, at least 10.
constexpr int32_t NumberWidthOf(int32_t digits) { return digits + 6 < 10 ? 10 : digits + 6; }

struct SettingsRecord {
  SettingsRecord();  // every field at its key's default
  bool operator==(const SettingsRecord&) const = default;
  // Files.
  std::string LogFileName, OutputFileName, CalcDataFileName;
  // Graphics.
  std::string GraphGRXDriver;  // the value as written, matched exactly
  int32_t GraphColorBits = 0;
  int32_t GraphWidth = 0, GraphHeight = 0;  // GraphResolution
  bool GetColorCodes = false;               // the colour chart instead of a run
  // Fit.
  int32_t MaxIteration = 0;
  int32_t ErrorRatio = 0;                  // half-width of the scatter estimate
  bool EstimateErrors = false;             // run the scatter estimate
  bool ErrorRatioFromCommandLine = false;  // argument 6 gave a positive ratio
  // Output.
  int32_t NumberDigits = 0;
  int32_t NumberWidth = 0;  // NumberWidthOf(NumberDigits)
  int32_t DisplayDigits = 0;
  bool WriteCurve = false;
  bool ShowCalculus = false;
  // Data columns.
  int32_t ColumnX = 0, ColumnY = 0, ColumnError = 0, OmittedRows = 0;
  // A column given by name, found in the data file's header when it is
  // read, which sets its number; empty: the number above.
  std::string ColumnXName, ColumnYName, ColumnErrorName;
  long double ErrorFill = 0;    // ErrorValue when it applies, else -1
  bool ErrorColumnInY = false;  // the error column in units of Y, not millionths of its range
  // The rows' format.
  char ColumnSeparator = 0;     // 0: blanks and control characters; '\t' for TAB
  bool AutoSeparator = false;   // separator and decimal mark chosen from the first rows
  bool DecimalComma = false;
  // View: the step and the zoom factors derived from it (see SetSizingStep).
  long double SizingStep = 0;
  long double ZoomIn = 0;     // q = 1 - 2s
  long double ZoomOut = 0;    // 1 / q
  long double ZoomShift = 0;  // g = (1/q - 1) / 2
  int32_t ColorBackground = 0, ColorText = 0, ColorSymbol = 0, ColorLine = 0,
          ColorCalculus = 0, ColorXplace = 0, ColorKeys = 0;  // by depth, see the graph
  int16_t SizeSymbol = 0, WidthLine = 0, WidthCalculus = 0, WidthXplace = 0, JumpSize = 0;
};

// All are opt-in: with none of their keys given the program writes and
// draws what it always did.
struct AnalysisSettingsRecord {
  AnalysisSettingsRecord();  // every field at its key's default
  bool operator==(const AnalysisSettingsRecord&) const = default;
  std::string ReportFileName;  // empty: no report
  bool ReportKnots = false;    // the per-knot arrays in the report
  bool ShowBand = false;       // the +-2 sigma band on the graph
  Criterion SmoothingCriterion = Criterion::Residual;
  long double EdfTarget = 0;  // with EDF: the k of "EDF k", checked against n at the fit
  bool FixedP = false;  // SmoothingParameter gave a p
  long double SmoothingParameter = 0;
  long double MarkSignificance = 0;  // 0: every mark is listed and drawn
  // The tables every fit adds its rows to (output/fit_tables.h); empty: none.
  std::string FitTableFileName, MarkTableFileName;
  // The figure of every fit (output/figure.h); empty: none.
  std::string FigureFileName;
  std::string FigureXLabel, FigureYLabel;  // empty: the column names, else X and Y
  bool FigureErrorBars = false;
  long double FigureWidth = 160, FigureHeight = 100;  // millimetres
  int32_t FigureDPI = 300;                           // pixels per inch of a PNG
  bool FigureLabels = false;                         // "21.5170 ± 0.0008" at the marks
};

}  // namespace config
