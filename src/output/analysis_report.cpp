// Gathering the analysis report from the data, the fit and its covariance
// bands; the program's report from its own records.
#include "output/analysis_report.h"

#include <cmath>
#include <new>

#include "base/stop.h"
#include "base/text.h"
#include "config/analysis_settings.h"
#include "config/settings.h"
#include "config/smoothing_criterion.h"
#include "data/dataset.h"
#include "data/reader.h"
#include "output/figure.h"
#include "output/fit_tables.h"
#include "output/result_files.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/significance.h"

namespace output {

AnalysisReportState ReportState;

namespace {

const char* kEndKnot = "an inflection on an end knot: S'' = 0 there by the natural end condition";

// Why no sigma can be formed for the fit, or null when they can.
const char* SigmaReason(const ReportInputs& in) {
  const spline::CovarianceBands& b = *in.Bands;
  if (b.Defined) return nullptr;
  if (b.p == 0) return "p = 0: the curve interpolates, no smoothing to take a sigma from";
  return "p is infinite: the straight-line limit";
}

ReportNumber Sigma(const ReportInputs& in, long double s) {
  const char* reason = SigmaReason(in);
  return reason ? Unknown(reason) : Known(s);
}

const char* CriterionName(const spline::FitRecordType& f) {
  return f.FixedP ? "fixed" : config::NameOfCriterion(f.Kind);
}

void GatherData(const ReportInputs& in, ReportContent& c) {
  c.Program = base::ProgramBanner;
  c.Task = in.Task;
  c.N = in.N;
  c.XMin = in.X[1], c.XMax = in.X[in.N], c.YMin = in.YMin, c.YMax = in.YMax;
  c.Errors = in.Errors;
  c.Ratio = in.Ratio;
  c.ErrorsInY = in.ErrorsInY;
  c.Separator = in.Separator, c.DecimalComma = in.DecimalComma, c.FormatGuessed = in.FormatGuessed;
}

// UBRE and GCV need only edf, which p = 0 (n) and an infinite p (2) have
// too; CV needs the diagonal of the influence matrix from the bands.
void GatherScores(const ReportInputs& in, ReportContent& c) {
  const spline::FitRecordType& f = *in.Fit;
  const long double F = f.Outcome.ResidualSum, edf = in.Bands->Edf;
  c.Ubre = Known(spline::CriterionValue(spline::Criterion::Ubre, in.N, F, edf));
  c.Gcv = in.N > edf ? Known(spline::CriterionValue(spline::Criterion::Gcv, in.N, F, edf)) : Unknown("edf = n");
  const char* reason = SigmaReason(in);
  c.Cv = reason ? Unknown(reason) : Known(spline::CrossValidation(in.N, in.Y, in.Err, in.A, *in.Bands));
  c.HasEdfTarget = !f.FixedP && f.Kind == spline::Criterion::Edf, c.EdfTarget = f.EdfTarget;
}

// The value the criterion took at the fit's p (the scores gathered first).
ReportNumber CriterionValueOf(const spline::FitRecordType& f, const ReportContent& c, long double edf) {
  if (f.FixedP) return Unknown("p was given (SmoothingParameter)");
  if (f.Kind == spline::Criterion::Cv) return c.Cv;
  return Known(spline::CriterionValue(f.Kind, c.N, f.Outcome.ResidualSum, edf));
}

void GatherFit(const ReportInputs& in, ReportContent& c) {
  const spline::FitRecordType& f = *in.Fit;
  const long double n = in.N, p = f.Outcome.P, edf = in.Bands->Edf;
  GatherScores(in, c);
  c.Criterion = CriterionName(f);
  c.CriterionValue = CriterionValueOf(f, c, edf);
  c.Status = static_cast<int32_t>(f.Status), c.Iterations = f.Outcome.Iterations;
  c.P = std::isfinite(p) ? Known(p) : Unknown("the straight-line limit");
  c.Lambda = std::isfinite(p) ? Known(p / 2) : Unknown("the straight-line limit");
  c.Chi2 = Known(f.Outcome.ResidualSum), c.Target = Known(n), c.Edf = Known(edf);
  c.ReducedChi2 = n > edf ? Known(f.Outcome.ResidualSum / (n - edf)) : Unknown("edf = n");
  const spline::QualityFigures q = spline::FitQuality(in.N, in.X, in.Y, in.Err, in.A);
  c.BaseError = Known(q.BaseError), c.AverageDeviation = Known(q.AverageDeviation);
  c.SigmaReason = SigmaReason(in);
  if (in.Threshold > 0) c.Significance = Known(in.Threshold);
}

const char* KindName(spline::MarkKind k) {
  switch (k) {
    case spline::MarkKind::Minimum: return "minimum";
    case spline::MarkKind::Maximum: return "maximum";
    default: return "inflection";
  }
}

// A mark with the values of its interval's cubic and its sigmas; `slopes`
// the covariance of S and S' at it when it is an extremum (SlopesOfMarks).
ReportMark MarkOf(const ReportInputs& in, const spline::CalculusMark& m, int32_t i,
                  const spline::ValueAndSlope& slopes) {
  const spline::SplineSegment& s = in.A[i];
  const long double t = m.X - in.X[i];
  ReportMark r{KindName(m.Kind), m.X, m.Value, s.b + (2 * s.c + 3 * s.d * t) * t,
               2 * s.c + 6 * s.d * t, 6 * s.d, {}, {}};
  const bool inflection = m.Kind == spline::MarkKind::Inflection;
  const spline::MarkSigmas sm = inflection ? spline::SigmasOfInflection(*in.Bands, i, m.X, r.D1, r.D3)
                                           : spline::SigmasOfExtremum(slopes, r.D1, r.D2);
  if (SigmaReason(in)) r.SigmaX = r.SigmaY = Unknown(SigmaReason(in));
  else if (inflection && (m.X == in.X[1] || m.X == in.X[in.N])) r.SigmaX = r.SigmaY = Unknown(kEndKnot);
  else if (!sm.Defined) r.SigmaX = r.SigmaY = Unknown(inflection ? "S''' = 0 on the interval" : "S'' = 0 at the extremum");
  else r.SigmaX = Known(sm.X), r.SigmaY = Known(sm.Y);
  return r;
}

// The per-knot arrays, each entry formed as it is written; the slopes'
// sigmas from one pass over the knots first.
void WriteKnots(ReportSink& sink, const ReportInputs& in) {
  const bool defined = SigmaReason(in) == nullptr;
  std::vector<long double> slope;
  if (defined) spline::KnotSlopeVariances(in.N, in.X, in.Bands->E, in.Bands->p, slope);
  WriteReportKnots(sink, {"x", "y", "value", "sigma_value", "d1", "sigma_d1", "d2", "sigma_d2"}, in.N,
                   [&](int32_t column, int32_t i) -> long double {
                     const int32_t k = i + 1;
                     if (column == 0) return in.X[k];
                     if (column == 1) return in.Y[k];
                     if (column % 2 == 1) {
                       if (!defined) return NAN;
                       if (column == 5) return slope[k] > 0 ? std::sqrt(slope[k]) : 0;
                       const spline::PointSigmas s = spline::SigmasAt(*in.Bands, in.X[k]);
                       return column == 3 ? s.Value : s.D2;
                     }
                     spline::Evaluation e;
                     spline::EvaluateAtKnot(in.N, in.X, in.A, k, e);
                     return column == 2 ? e.Value : column == 4 ? e.D1 : e.D2;
                   });
}

// The program's records, as the report reads them.
ReportInputs RunInputs() {
  const data::DataSetRecord& d = data::DataSet;
  const config::SettingsRecord& s = config::Settings;
  ReportInputs in;
  in.N = d.Count, in.X = d.XValues, in.Y = d.YValues, in.Err = d.ErrValues;
  in.A = spline::Fit.Segments, in.YMin = d.YMin, in.YMax = d.YMax;
  in.Fit = &spline::LastFit, in.Bands = &spline::LastBands;
  in.Task = ResultFiles.ParameterText;
  in.Errors = ErrorSourceName(s.EstimateErrors, s.ColumnError, s.ErrorFill);
  in.Ratio = s.ErrorRatio;
  in.ErrorsInY = s.ErrorColumnInY;
  if (s.ColumnSeparator != 0 || s.AutoSeparator || s.DecimalComma) {
    in.Separator = s.ColumnSeparator == 0 ? "blanks" : s.ColumnSeparator == '\t' ? "tab" : std::string(1, s.ColumnSeparator);
    in.DecimalComma = s.DecimalComma, in.FormatGuessed = s.AutoSeparator;
  }
  in.ShowCalculus = s.ShowCalculus, in.Knots = config::AnalysisSettings.ReportKnots;
  // Made after the fit exactly when a reader of them asks (fitting_pass.cpp).
  in.Threshold = spline::MarkScores.Threshold;
  in.WithZ = config::MarkScoresWanted();
  if (in.WithZ) in.Scores = &spline::MarkScores;
  return in;
}

// The report of the program's records.
ReportContent GatherRunReport(const ReportInputs& in) {
  const AnalysisReportState& r = ReportState;
  return GatherReport(in, r.Marks, r.FactorKeys, r.Cursors);
}

// Streamed into the file: the report of a million points is never held
// whole.
void WriteRunReport(const ReportInputs& in, const ReportContent& c) {
  ReportSink sink;
  OpenReportFile(sink, config::AnalysisSettings.ReportFileName);
  WriteReportHead(sink, c);
  if (in.Knots) WriteKnots(sink, in);
  WriteReportEnd(sink);
  CloseReportFile(sink);
}

// The figure of the latest fit, from the records the report reads, with
// the marks it found; the labels default to the columns' names.
void WriteRunFigure(const ReportInputs& in) {
  const config::AnalysisSettingsRecord& a = config::AnalysisSettings;
  const config::SettingsRecord& s = config::Settings;
  FigureInputs f;
  f.N = in.N, f.X = in.X, f.Y = in.Y, f.Err = in.Err, f.A = in.A, f.Bands = in.Bands;
  f.ErrorBars = a.FigureErrorBars && std::string(in.Errors) == "column";
  f.Marks = FigureMarksOf(ReportState.Marks, in.Threshold);
  f.Labels = a.FigureLabels;
  f.XLabel = !a.FigureXLabel.empty() ? a.FigureXLabel : !s.ColumnXName.empty() ? s.ColumnXName : "X";
  f.YLabel = !a.FigureYLabel.empty() ? a.FigureYLabel : !s.ColumnYName.empty() ? s.ColumnYName : "Y";
  f.WidthMm = a.FigureWidth, f.HeightMm = a.FigureHeight, f.Dpi = a.FigureDPI;
  f.Format = FigureFormatOf(a.FigureFileName);
  ReportSink sink;
  OpenReportFile(sink, a.FigureFileName);
  WriteFigure(sink, f);
  CloseReportFile(sink);
}

// Runs `work` of the program's report; memory it cannot have (its marks,
// cursors and text grow with the data) is the out-of-memory stop, not an
// exception that would end the run without a word in the log.
template <typename Work>
void OrOutOfMemory(Work work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    base::ErrorStop({"There is not enough memory!"});
  }
}

}  // namespace

const char* ErrorSourceName(bool estimated, int32_t columnError, long double errorFill) {
  if (estimated) return "scatter";
  if (columnError > 0) return "column";
  return errorFill >= 0 ? "value" : "default";
}

std::vector<ReportMark> FindReportMarks(const ReportInputs& in) {
  std::vector<ReportMark> found;
  if (!in.ShowCalculus) return found;  // the marks the result file lists
  spline::MarkScoreRecord made;
  const spline::MarkScoreRecord* s = in.Scores;
  if (!s) spline::ScoreMarks(in.N, in.X, in.A, *in.Bands, in.WithZ, made), s = &made;
  found.reserve(s->Marks.size());
  for (std::size_t k = 0; k < s->Marks.size(); ++k)
    found.push_back(MarkOf(in, s->Marks[k], s->Intervals[k], k < s->Slopes.size() ? s->Slopes[k] : spline::ValueAndSlope{}));
  if (!in.WithZ) return found;
  for (std::size_t k = 0; k < found.size() && k < s->Z.size(); ++k)
    found[k].Z = s->Z[k], found[k].Significant = in.Threshold > 0 && s->Z[k] >= in.Threshold;
  return found;
}

ReportCursor CursorAt(const ReportInputs& in, long double x) {
  spline::Evaluation e;
  spline::EvaluateSpline(in.N, in.X, in.A, x, e);
  const spline::PointSigmas s = spline::SigmasAt(*in.Bands, x);
  const long double d1 = spline::SlopeSigmasAt(*in.Bands, std::span<const long double>(&x, 1))[0];
  return ReportCursor{x, e.Value, e.D1, e.D2, e.D3, e.Int,
                      Sigma(in, s.Value), Sigma(in, d1), Sigma(in, s.D2)};
}

ReportContent GatherReport(const ReportInputs& in, const std::vector<ReportMark>& marks,
                           const std::vector<std::string>& factors,
                           const std::vector<ReportCursor>& cursors) {
  ReportContent c;
  GatherData(in, c);
  c.Factors = factors;
  GatherFit(in, c);
  c.Marks = marks;
  c.Cursors = cursors;
  return c;
}

void NoteFactorKey(int32_t key) { ReportState.FactorKeys.push_back(std::string(1, static_cast<char>(key))); }

void WriteAnalysisReport() {
  ++ReportState.Fits;
  const bool report = !config::AnalysisSettings.ReportFileName.empty(), tables = config::TablesWanted();
  const bool figure = !config::AnalysisSettings.FigureFileName.empty();
  if (!report && !tables && !figure) return;
  const ReportInputs in = RunInputs();
  OrOutOfMemory([&] {
    ReportState.Marks = FindReportMarks(in);
    if (report || tables) {  // the figure needs the marks only, not the fit's scores
      const ReportContent c = GatherRunReport(in);  // the rows are the report's
      if (report) WriteRunReport(in, c);
      if (tables) AddToTables(data::DataFile.Name, ReportState.Fits, c);
    }
    if (figure) WriteRunFigure(in);
  });
}

void RedrawFigure() {
  if (config::AnalysisSettings.FigureFileName.empty() || ReportState.Fits == 0) return;
  const ReportInputs in = RunInputs();
  OrOutOfMemory([&] { WriteRunFigure(in); });
}

void NoteCursor(long double x) {
  if (config::AnalysisSettings.ReportFileName.empty()) return;
  const ReportInputs in = RunInputs();
  OrOutOfMemory([&] {
    ReportState.Cursors.push_back(CursorAt(in, x));
    WriteRunReport(in, GatherRunReport(in));
  });
}

}  // namespace output
