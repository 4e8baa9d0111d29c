// The start-up sequence. The settings are read one by one in a fixed order,
// each lookup re-reading the configuration files, because later steps
// depend on earlier ones (the colour keys on the depth, JumpSize on the
// screen width) and the data file is opened between them.
#include "driver/startup.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "config/analysis_settings.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "base/text.h"
#include "data/arrays.h"
#include "data/dataset.h"
#include "base/allocate.h"
#include "data/reader.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "graph/colour_chart.h"
#include "graph/graph_state.h"
#include "graph/graphics_setup.h"
#include "graph/mode_report.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "base/replace_file.h"
#include "output/required_values.h"
#include "output/result_files.h"
#include "base/run_log.h"
#include "driver/result_names.h"
#include "spline/fit.h"

namespace driver {
namespace {

using config::Key;

config::SettingsRecord& S = config::Settings;

const std::string& Argument(int i) { return config::CommandLine.Argument[i]; }

// A comma cannot both separate the values and mark their decimals: a usage
// error, found before anything is written, as a clash of file names is.
void CheckRowFormat() {
  if (config::SettleColumnSeparator(config::ConfigValue(Key::ColumnSeparator)).Separator == ',' &&
      config::SettleYesNo(config::ConfigValue(Key::DecimalComma), Key::DecimalComma))
    base::StopProgram(base::kExitUsageError, {},
                      "kurvex: DecimalComma = YES needs a ColumnSeparator other than a comma\n");
}

// The log exists before any other setting is read.
void OpenLog() {
  config::ReadKey(Key::LogFileName);
  // A second run on the same files stops here, before it writes anything,
  // and so does any run started while this one holds them.
  HoldResultFiles();
  base::OpenRunLog(S.LogFileName);
  base::LogLine(std::string(base::ProgramBanner) + " has started ...");
}

// The data file, chosen (perhaps in the dialog) and opened; it must be none
// of the files the run writes. A choice in the dialog gives %n its name
// only now: the names that hold it are checked and held from here on.
void OpenDataFile() {
  data::OpenDataFile();
  if (config::DataFileForNames.empty()) {
    config::DataFileForNames = data::DataFile.Name;
    CheckResultNames();
    HoldResultFiles();
  }
  CheckDataFileIsNoResult(data::DataFile.Name);
}

// Driver, depth and size. A driver that cannot run here
// still gives the mode list with status 0 when the list was asked for.
void SettleGraphics() {
  config::ReadKey(Key::GraphGRXDriver);
  if (!graph::SelectDriver(S.GraphGRXDriver)) {
    int32_t w, h;
    const bool asked = config::SettleResolution(config::ConfigValue(Key::GraphResolution),
                                                S.GraphGRXDriver, w, h) ==
                       config::ResolutionOutcome::ListRequest;
    // The usual first run on a machine without a desktop: say what to do.
    const std::string hint = asked ? "" : graph::NoWindowHint();
    graph::ModeReport(asked ? base::kExitNormal : base::kExitErrorStop, hint);
  }
  S.GraphColorBits = config::SettleColorBits(config::ConfigValue(Key::GraphColorBits));
  switch (config::SettleResolution(config::ConfigValue(Key::GraphResolution),
                                   S.GraphGRXDriver, S.GraphWidth, S.GraphHeight)) {
    case config::ResolutionOutcome::ListRequest: graph::ModeReport(base::kExitNormal);
    case config::ResolutionOutcome::Unparsable: graph::ModeReport(base::kExitErrorStop);
    case config::ResolutionOutcome::Size: break;
  }
}

// The colour chart exists only for palettes; it is asked for twice, before
// the data file is opened and after the mode is set.
bool ColourChartWanted() {
  config::ReadKey(Key::GetColorCodes);
  return S.GetColorCodes && S.GraphColorBits <= 8;
}

// A column's number, or its name, which the data file's header turns into
// a number when the rows are read.
void ReadColumn(Key key, const std::string& argument, int32_t& number, std::string& name) {
  const config::ColumnChoice column = config::SettleColumnChoice(config::ConfigValue(key), key, argument);
  number = column.Number;
  name = column.Name;
}

// The fit, output and column settings, with arguments 2 to 4.
void ReadFitAndColumnSettings() {
  config::ReadKey(Key::MaxIteration);
  config::ReadKey(Key::NumberDigits);
  S.NumberWidth = config::NumberWidthOf(S.NumberDigits);
  config::ReadKey(Key::DisplayDigits);
  config::ReadKey(Key::SizingStep);
  config::SetSizingStep(S, S.SizingStep);  // and the zoom factors
  ReadColumn(Key::ColumnX, Argument(2), S.ColumnX, S.ColumnXName);
  ReadColumn(Key::ColumnY, Argument(3), S.ColumnY, S.ColumnYName);
  S.OmittedRows = config::SettleOmittedRows(config::ConfigValue(Key::OmittedRows), Argument(4));
}

void ReadRowSettings() {
  S.ShowCalculus = config::SettleShowCalculus(config::ConfigValue(Key::ShowCalculus), Argument(4));
  config::ReadKey(Key::WriteCurve);
  ReadColumn(Key::ColumnError, Argument(5), S.ColumnError, S.ColumnErrorName);
  S.ErrorFill = -1;
  if (S.ColumnError == 0 && S.ColumnErrorName.empty())  // a named column is one
    config::ReadKey(Key::ErrorValue);  // into ErrorFill
  const config::SeparatorChoice separator =
      config::SettleColumnSeparator(config::ConfigValue(Key::ColumnSeparator));
  S.ColumnSeparator = separator.Separator;
  S.AutoSeparator = separator.Auto;
  config::ReadKey(Key::DecimalComma);
}

// The rows' layout as the keys give it: AUTO's guess and the numbers of
// named columns written back, so that the task line and the report show
// them; a name that no row holds stops the run before anything is written.
data::ColumnLayout SettleLayout() {
  data::ColumnLayout c{S.ColumnX, S.ColumnY, S.ColumnError, S.ErrorFill, {S.ColumnSeparator, S.DecimalComma}};
  const std::string missing = data::SettleLayout(data::DataFile, S.OmittedRows, S.AutoSeparator,
                                                 {S.ColumnXName, S.ColumnYName, S.ColumnErrorName}, c);
  if (!missing.empty()) base::ErrorStop({"Column \"" + missing + "\" is not in " + data::DataFile.Name});
  S.ColumnX = c.X, S.ColumnY = c.Y, S.ColumnError = c.Error;
  S.ColumnSeparator = c.Format.Separator, S.DecimalComma = c.Format.DecimalComma;
  return c;
}

// Count the rows, allocate for them, read them.
void ReadData() {
  data::DataSetRecord& d = data::DataSet;
  const data::ColumnLayout columns = SettleLayout();
  int32_t rowBound = data::CountRows(data::DataFile, columns.Format);
  data::ReopenInput(data::DataFile, S.OmittedRows);
  data::AllocateArrays(rowBound);
  spline::AllocateFitArrays(rowBound);
  base::ClearPagesAhead();  // on the second core, while the rows are read
  d.Count = data::ReadRows(data::DataFile, columns, d.XValues, d.YValues,
                           d.ErrValues, rowBound);
  data::CloseDataFile();
  base::FinishClearingPages(d.Count);  // what is left of the rows read, on both cores
}

// A file of CSV rows read as blank-separated gives no rows: the stop's
// line is followed by one that names the keys to try, on standard error
// only (the log keeps its one line).
[[noreturn]] void TooFewRows() {
  const std::string stop = "The number of data is less than two!";
  std::string hint;
  if (S.ColumnSeparator == 0 && !S.DecimalComma && !S.AutoSeparator) {
    std::string reason;
    if (data::OpenInput(data::DataFile, data::DataFile.Name, reason)) {
      data::SkipLines(data::DataFile, S.OmittedRows);
      hint = data::SeparatorHint(data::DataFile, int64_t{std::max(S.OmittedRows, 0)} + 1);
      data::CloseDataFile();
    }
  }
  if (hint.empty()) base::ErrorStop({stop});
  std::fputs(("kurvex: " + stop + "\nkurvex: " + hint + "\n").c_str(), stderr);
  base::ErrorStop({stop}, true);
}

// At least two rows, sorted, no X twice.
void PrepareData() {
  if (data::DataSet.Count < 2) TooFewRows();
  base::LogLine("Sorting ...");
  // The fit's workspace is allocated already and idle until the first fit:
  // the sort's keys take a third of each of its rows.
  static_assert(data::kSortScratchRowBytes <= spline::WorkspaceDoubles(0) * sizeof(double));
  data::PrepareData(spline::Fit.Workspace);
}

// An error column in units of Y that is read as millionths of the Y range
// gives a curve through every point, without a word; when the values look
// so and the unit was not said, one line on standard error says how to
// read them in Y. The run goes on as it would without the line.
void QuestionErrorUnit() {
  const spline::ErrorColumnSpan span = spline::SpanOfErrorColumn();
  if (!spline::LooksLikeUnitsOfY(span)) return;
  const auto text = [](long double v) {  // 0.01, 1.3, 2.5e+04: as the user writes them
    char t[40];
    std::snprintf(t, sizeof t, "%.4Lg", v);
    return std::string(t);
  };
  std::fputs(("kurvex: the error column's values (" + text(span.Low) + " to " + text(span.High) +
              ") look like units of Y, but are read as millionths of the Y range (" +
              text(span.YRange) + "): set ErrorColumnUnit = Y if they are in units of Y\n")
                 .c_str(),
             stderr);
  std::fflush(stderr);
}

// The error values are completed, and estimated from the scatter
// when the error ratio (settled only now) asks for it.
void SettleErrors() {
  const config::ErrorUnit unit = config::SettleErrorColumnUnit(config::ConfigValue(Key::ErrorColumnUnit));
  S.ErrorColumnInY = unit == config::ErrorUnit::Y;
  if (S.ColumnError > 0 && unit == config::ErrorUnit::Unsaid) QuestionErrorUnit();
  spline::CompleteErrors(S.ColumnError, S.ErrorColumnInY);
  config::ErrorRatioOutcome r =
      config::SettleErrorRatio(config::ConfigValue(Key::ErrorRatio), Argument(6));
  S.ErrorRatio = r.Ratio;
  S.EstimateErrors = r.Estimate;
  S.ErrorRatioFromCommandLine = r.FromCommandLine;
  if (S.EstimateErrors) spline::EstimateErrorsFromScatter(S.ErrorRatio);
  output::ResultFiles.ParameterText = output::BuildParameterText(data::DataFile.Name, S);
}

// The chart is asked for once more; should the answer have changed since
// the first time, the run goes on, with the data file it skipped opened now.
void ColourChartStep(bool chartMode) {
  if (!chartMode) return;
  if (ColourChartWanted()) graph::ShowColourChart();
  OpenDataFile();
}

// Colours and sizes, which depend on the depth and the screen.
void ReadViewSettings() {
  graph::SetDefaultColours(S.GraphColorBits);
  graph::ReadColourKeys(S.GraphColorBits);
  config::ReadKey(Key::SizeSymbol);
  config::ReadKey(Key::WidthLine);
  config::ReadKey(Key::WidthCalculus);
  config::ReadKey(Key::WidthXplace);
  S.JumpSize = config::SettleJumpSize(config::ConfigValue(Key::JumpSize), gfx::MaxX());
}

// The screen, the legend, the layout and the frame, then the
// off-screen areas and the view of the first pass.
void PrepareGraph() {
  const data::DataSetRecord& d = data::DataSet;
  graph::ClearGraph();
  graph::PrepareStyles(S.GraphWidth);
  graph::DrawLegend();
  graph::ComputeLayout();
  graph::DrawFrame();
  if (!graph::CreateOffScreenAreas(S.GraphWidth)) base::ErrorStop({"There is not enough memory!"});
  graph::InitialView(d.Count, d.XValues, d.YMin, d.YMax);
}

}  // namespace

void StartUp() {
  config::SetProgramPath(Argument(0).c_str());    // where the second kurvex.cfg is
  config::DataFileForNames = NamedDataFile();     // %n in the file names, unless the dialog asks
  CheckResultNames();                             // no result file is the data file or another
  CheckRowFormat();                               // no comma for values and decimals at once
  OpenLog();                                      // the run log and its first line
  graph::GraphLoop.MouseInUse = false;            // no mouse to release yet
  SettleGraphics();                               // driver, depth and window size
  const bool chartMode = ColourChartWanted();     // the colour chart needs no data
  if (!chartMode) OpenDataFile();                 // the data file, chosen and opened
  graph::SetGraphicsMode(S.GraphWidth, S.GraphHeight, S.GraphColorBits);  // window, title
  ColourChartStep(chartMode);                     // the chart, if still wanted, ends here
  output::ResultFiles.RequiredValuesOpen = false; // kurvex.cal comes with the first F3
  ReadFitAndColumnSettings();                     // iterations, digits, columns, rows
  data::SkipLines(data::DataFile, S.OmittedRows); // the header lines
  ReadRowSettings();                              // marks, curve rows, error column, separator
  ReadData();                                     // rows counted, arrays, rows read
  PrepareData();                                  // two rows at least, sorted, no X twice
  SettleErrors();                                 // errors completed, perhaps estimated
  config::ReadKey(Key::OutputFileName);           // kurvex.out's name
  config::ReadAnalysisSettings();                 // report, band and smoothing keys
  // The dialogs leave no window behind, so there is no window to hide here.
  ReadViewSettings();                             // colours, sizes, cursor step
  graph::InitMouseCursor(S.GraphColorBits);       // the mouse, where there is one
  PrepareGraph();                                 // legend, layout, frame, first view
}

void NormalEnd() {
  output::CloseRequiredValues();
  base::StopProgram(base::kExitNormal, {std::string(base::ProgramBanner) + " has stopped nicely."});
}

}  // namespace driver
