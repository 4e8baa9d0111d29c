// The start-up sequence. The settings are read one by one in a fixed order,
// each lookup re-reading the configuration files, because later steps
// depend on earlier ones (the colour keys on the depth, JumpSize on the
// screen width) and the data file is opened between them.
#include "driver/startup.h"

#include <cstdio>

#include "config/analysis_settings.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "config/text.h"
#include "data/arrays.h"
#include "data/dataset.h"
#include "data/reader.h"
#include "driver/stop.h"
#include "gfx/gfx.h"
#include "graph/colour_chart.h"
#include "graph/graph_state.h"
#include "graph/graphics_setup.h"
#include "graph/mode_report.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "output/replace_file.h"
#include "output/run_log.h"
#include "spline/fit.h"

namespace driver {
namespace {

config::SettingsRecord& S = config::Settings;

const std::string& Argument(int i) { return config::CommandLine.Argument[i]; }

// Step 1: the log exists before any other setting is read.
void OpenLog() {
  S.LogFileName = config::SettleFileName(config::ConfigValue("LogFileName"), "kurvex.log");
  // A second run on the same files stops here, before it writes anything;
  // the result files are checked again when they are written.
  output::CheckNotInUse(
      config::SettleFileName(config::ConfigValue("OutputFileName"), "kurvex.out"));
  output::CheckNotInUse(
      config::SettleFileName(config::ConfigValue("CalcDataFileName"), "kurvex.cal"));
  output::OpenRunLog(S.LogFileName);
  output::LogLine(std::string(config::ProgramBanner) + " has started ...");
}

// Steps 3 and 4: driver, depth and size. A driver that cannot run here
// still gives the mode list with status 0 when the list was asked for.
void SettleGraphics() {
  S.GraphGRXDriver = config::ConfigValue("GraphGRXDriver");
  if (!graph::SelectDriver(S.GraphGRXDriver)) {
    int32_t w, h;
    const bool asked = config::SettleResolution(config::ConfigValue("GraphResolution"),
                                                S.GraphGRXDriver, w, h) ==
                       config::ResolutionOutcome::ListRequest;
    // The usual first run on a machine without a desktop: say what to do.
    if (!asked && !gfx::DisplayAvailable())
      std::fprintf(stderr, "kurvex: no display for the window driver; "
                           "use --batch (or GraphGRXDriver = memory in kurvex.cfg) "
                           "to run without a window\n");
    graph::ModeReport(asked ? kExitNormal : kExitErrorStop);
  }
  S.GraphColorBits = config::SettleColorBits(config::ConfigValue("GraphColorBits"));
  switch (config::SettleResolution(config::ConfigValue("GraphResolution"),
                                   S.GraphGRXDriver, S.GraphWidth, S.GraphHeight)) {
    case config::ResolutionOutcome::ListRequest: graph::ModeReport(kExitNormal);
    case config::ResolutionOutcome::Unparsable: graph::ModeReport(kExitErrorStop);
    case config::ResolutionOutcome::Size: break;
  }
}

// Step 5 (and again at step 8): the colour chart exists only for palettes.
bool ColourChartWanted() {
  return config::IsYes(config::ConfigValue("GetColorCodes")) && S.GraphColorBits <= 8;
}

// Steps 10 to 12: the fit, output and column settings.
void ReadFitAndColumnSettings() {
  S.MaxIteration = config::SettleMaxIteration(config::ConfigValue("MaxIteration"));
  S.NumberWidth = config::SettleNumberWidth(config::ConfigValue("NumberDigits"));
  S.DisplayDigits = config::SettleDisplayDigits(config::ConfigValue("DisplayDigits"));
  config::SetSizingStep(S, config::SettleSizingStep(config::ConfigValue("SizingStep")));
  S.ColumnX = config::SettleColumn(config::ConfigValue("ColumnX"), 1, Argument(2));
  S.ColumnY = config::SettleColumn(config::ConfigValue("ColumnY"), 2, Argument(3));
  S.OmittedRows = config::SettleOmittedRows(config::ConfigValue("OmittedRows"), Argument(4));
}

void ReadRowSettings() {
  S.ShowCalculus = config::SettleShowCalculus(config::ConfigValue("ShowCalculus"), Argument(4));
  S.WriteCurve = !config::IsNo(config::ConfigValue("WriteCurve"));
  S.ColumnError = config::SettleColumn(config::ConfigValue("ColumnError"), 0, Argument(5));
  S.ErrorFill = -1;
  if (S.ColumnError == 0)
    S.ErrorFill = config::SettleErrorFill(config::ConfigValue("ErrorValue"));
}

// Step 13: count the rows, allocate for them, read them.
void ReadData() {
  data::DataSetRecord& d = data::DataSet;
  int32_t rowBound = data::CountRows(data::DataFile);
  data::ReopenDataFile(S.OmittedRows);
  data::AllocateArrays(rowBound);
  data::ColumnLayout columns{S.ColumnX, S.ColumnY, S.ColumnError, S.ErrorFill};
  d.ErrorFill = S.ErrorFill;
  d.Count = data::ReadRows(data::DataFile, columns, d.XValues, d.YValues,
                           d.ErrValues, rowBound);
  data::CloseDataFile();
}

// Steps 14 and 15: at least two rows, sorted, no X twice.
void PrepareData() {
  if (data::DataSet.Count < 2) ErrorStop({"The number of data is less than two!"});
  output::LogLine("Sorting ...");
  data::PrepareData();
}

// Step 16: the error values are completed, and estimated from the scatter
// when the error ratio (settled only now) asks for it.
void SettleErrors() {
  spline::CompleteErrors(S.ColumnError);
  config::ErrorRatioOutcome r =
      config::SettleErrorRatio(config::ConfigValue("ErrorRatio"), Argument(6));
  S.ErrorRatio = r.Ratio;
  S.EstimateErrors = r.Estimate;
  S.ErrorRatioFromCommandLine = r.FromCommandLine;
  if (S.EstimateErrors) spline::EstimateErrorsFromScatter(S.ErrorRatio);
  S.ParameterText = config::BuildParameterText(data::DataFile.Name, S);
}

// Step 8: the chart is asked for once more; should the answer have changed
// since step 5, the run goes on, with the data file it skipped opened now.
void ColourChartStep(bool chartMode) {
  if (!chartMode) return;
  if (ColourChartWanted()) graph::ShowColourChart();
  data::OpenDataFile();
}

// Step 19: colours and sizes, which depend on the depth and the screen.
void ReadViewSettings() {
  graph::SetDefaultColours(S.GraphColorBits);
  graph::ReadColourKeys(S.GraphColorBits);
  S.SizeSymbol = config::SettleSize(config::ConfigValue("SizeSymbol"), 4);
  S.WidthLine = config::SettleSize(config::ConfigValue("WidthLine"), 3);
  S.WidthCalculus = config::SettleSize(config::ConfigValue("WidthCalculus"), 1);
  S.WidthXplace = config::SettleSize(config::ConfigValue("WidthXplace"), 1);
  S.JumpSize = config::SettleJumpSize(config::ConfigValue("JumpSize"), gfx::MaxX());
}

// Step 21: the screen, the legend, the layout and the frame, then the
// off-screen areas and the view of the first pass.
void PrepareGraph() {
  const data::DataSetRecord& d = data::DataSet;
  graph::ClearGraph();
  graph::PrepareStyles(S.GraphWidth);
  graph::DrawLegend();
  graph::ComputeLayout();
  graph::DrawFrame();
  if (!graph::CreateOffScreenAreas(S.GraphWidth)) ErrorStop({"There is not enough memory!"});
  graph::InitialView(d.Count, d.XValues, d.YMin, d.YMax);
}

}  // namespace

void StartUp() {
  config::SetProgramPath(Argument(0).c_str());
  OpenLog();                                  // 1. run log and its first line
  MouseInUse = false;                         // 2.
  SettleGraphics();                           // 3, 4. driver, depth, size
  const bool chartMode = ColourChartWanted(); // 5.
  if (!chartMode) data::OpenDataFile();       // 6. data file chosen and opened
  graph::SetGraphicsMode(S.GraphWidth, S.GraphHeight, S.GraphColorBits);  // 7. and title
  ColourChartStep(chartMode);                 // 8.
  RequiredValuesOpen = false;                 // 9.
  ReadFitAndColumnSettings();                 // 10, 11.
  data::SkipLines(data::DataFile, S.OmittedRows);  // 11. header lines
  ReadRowSettings();                          // 12.
  ReadData();                                 // 13. count, allocate, read
  PrepareData();                              // 14, 15. sort, check
  SettleErrors();                             // 16. complete, estimate
  S.OutputFileName = config::SettleFileName(config::ConfigValue("OutputFileName"), "kurvex.out");  // 17.
  config::ReadAnalysisSettings();             // 17. report, band, smoothing
  // 18. The dialogs leave no window behind, so there is nothing to hide.
  ReadViewSettings();                         // 19. colours and sizes
  graph::InitMouseCursor(S.GraphColorBits);   // 20.
  PrepareGraph();                             // 21.
}

void NormalEnd() {
  output::LogLine(std::string(config::ProgramBanner) + " has stopped nicely.");
  output::CloseRunLog();
  StopProgram(kExitNormal);
}

}  // namespace driver
