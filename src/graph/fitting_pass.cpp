// The fitting pass. The file and the picture are made from the same walk
// and the same interval loop, each point and mark handed to both, so that
// a million-point fit walks its curve and looks for its marks once; neither
// the file nor the drawing knows of the other.
#include "graph/fitting_pass.h"

#include <cstdint>

#include "base/number_format.h"
#include "base/stop.h"
#include "config/analysis_settings.h"
#include "config/settings.h"
#include "data/dataset.h"
#include "graph/band.h"
#include "graph/draw_pass.h"
#include "graph/plot.h"
#include "graph/view.h"
#include "output/analysis_report.h"
#include "output/result_files.h"
#include "output/spline_file.h"
#include "spline/criterion.h"
#include "spline/curve_walk.h"
#include "spline/fit.h"
#include "spline/significance.h"

namespace graph {
namespace {

// The file of the pass, from the program's records and the current view.
output::SplineFileContent FileContent() {
  const data::DataSetRecord& d = data::DataSet;
  const config::SettingsRecord& s = config::Settings;
  output::SplineFileContent c;
  c.N = d.Count, c.X = d.XValues, c.Err = d.ErrValues, c.A = spline::Fit.Segments;
  c.Walk = ViewScale();
  c.NumberWidth = s.NumberWidth, c.WriteCurve = s.WriteCurve, c.ShowCalculus = s.ShowCalculus;
  c.Task = output::ResultFiles.ParameterText;
  return c;
}

// A fit that fails leaves the previous result file as it was. When p itself
// overflowed, raising MaxIteration cannot help: the stop says so on a line
// of its own before the fixed one.
void Fit(bool writeResults) {
  const int32_t limit = config::Settings.MaxIteration;
  const config::AnalysisSettingsRecord& a = config::AnalysisSettings;
  const spline::SmoothingChoice choice{a.SmoothingCriterion, a.FixedP, a.SmoothingParameter, a.EdfTarget};
  if (spline::FitAsChosen(limit, choice, config::UncertaintyWanted()) != spline::FitStatus::IterationLimit) return;
  if (writeResults) output::AbandonSplineFile();
  const std::string stop = base::IntText(limit) + " iterations are not enough!";
  if (!spline::LastFit.Outcome.ScaleOverflow) base::ErrorStop({stop});
  base::ErrorStop({"Reason: the smoothing parameter left the range of numbers (X values or errors of "
                   "an extreme scale); more iterations cannot help",
                   stop});
}

// The marks' z, when a threshold hides the weak ones or the report or the
// mark table lists them: made once per fit, for the file, the picture, the
// report and the table.
void ScoreMarks() {
  const bool wanted = config::Settings.ShowCalculus && config::MarkScoresWanted();
  spline::ScoreLatestMarks(config::AnalysisSettings.MarkSignificance, wanted);
}

// The curve: the whole walk, each point a row and a point of the picture,
// when the file takes curve rows; otherwise only the part in view is drawn.
void WalkCurve(const output::SplineFileContent& c, bool writeRows) {
  const ViewWindowRecord& v = ViewWindow;
  spline::CurveWalk walk = writeRows ? spline::StartCurveWalk(c.N, c.X, c.A, c.Walk)
                                     : spline::StartCurveWalk(c.N, c.X, c.A, c.Walk, v.Xlow,
                                                              v.Xlow + v.Xrange);
  CurvePen curve;
  long double x;
  spline::Evaluation e;
  while (spline::NextCurvePoint(walk, x, e)) {
    if (writeRows) output::WriteCurveRow(x, e);
    DrawCurvePoint(curve, x, e);
  }
  FinishCurve(curve);
}

// The intervals: each segment's row, then its marks as lines of the file
// and of the picture.
void WalkIntervals(const output::SplineFileContent& c, bool writeResults) {
  MarkPen marks;
  StartMarks(marks);
  spline::MarkSieve sieve = c.Sieve;
  for (int32_t i = 1; i < c.N; ++i) {
    if (writeResults) output::WriteSegmentRow(i);
    if (!c.ShowCalculus) continue;
    spline::SegmentMarks found;
    spline::AnalyseSegment(c.N, c.X, c.A, i, found);
    spline::SiftMarks(sieve, found);
    for (int32_t m = 0; m < found.Count; ++m) {
      DrawMark(marks, found.Mark[m]);
      if (writeResults) output::WriteMarkLine(found.Mark[m]);
    }
  }
}

}  // namespace

void FittingPass(bool writeResults) {
  output::SplineFileContent c = FileContent();
  const bool writeRows = writeResults && c.WriteCurve;
  SetPlotClip();
  if (writeResults) output::BeginSplineFile(c, config::Settings.OutputFileName);
  Fit(writeResults);
  ScoreMarks();
  c.Sieve = spline::ProgramSieve();  // the weak marks are known only now
  if (writeResults) output::FormatSegmentRowsAhead();
  DrawDataPoints();
  if (config::AnalysisSettings.ShowBand) DrawBand(writeRows);
  WalkCurve(c, writeRows);
  if (writeResults) output::WriteTableHead();
  WalkIntervals(c, writeResults);
  if (writeResults) output::EndSplineFile();
  FinishPass();
  output::WriteAnalysisReport();  // and the rows of the tables, and the figure
}

}  // namespace graph
