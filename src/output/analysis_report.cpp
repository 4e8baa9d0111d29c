// Gathering the analysis report from the data set, the settings and the
// latest fit with its covariance bands.
#include "output/analysis_report.h"

#include <cmath>

#include "config/analysis_settings.h"
#include "config/settings.h"
#include "base/text.h"
#include "data/dataset.h"
#include "output/result_files.h"
#include "spline/analysis.h"
#include "spline/criterion.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

namespace output {

AnalysisReportState ReportState;

namespace {

const char* kEndKnot = "an inflection on an end knot: S'' = 0 there by the natural end condition";

// Why no sigma can be formed for the latest fit, or null when they can.
const char* SigmaReason() {
  const spline::CovarianceBands& b = spline::LastBands;
  if (b.Defined) return nullptr;
  if (b.p == 0) return "p = 0: the curve interpolates, no smoothing to take a sigma from";
  return "p is infinite: the straight-line limit";
}

ReportNumber Sigma(long double s) {
  const char* reason = SigmaReason();
  return reason ? Unknown(reason) : Known(s);
}

const char* ErrorSource(const config::SettingsRecord& s) {
  if (s.EstimateErrors) return "scatter";
  if (s.ColumnError > 0) return "column";
  return s.ErrorFill >= 0 ? "value" : "default";
}

const char* CriterionName(const spline::FitRecordType& f) {
  if (f.FixedP) return "fixed";
  switch (f.Kind) {
    case spline::Criterion::Ubre: return "UBRE";
    case spline::Criterion::Gcv: return "GCV";
    default: return "residual";
  }
}

void GatherData(ReportContent& c) {
  const data::DataSetRecord& d = data::DataSet;
  const config::SettingsRecord& s = config::Settings;
  c.Program = base::ProgramBanner;
  c.Task = ResultFiles.ParameterText;
  c.N = d.Count;
  c.XMin = d.XValues[1], c.XMax = d.XValues[d.Count], c.YMin = d.YMin, c.YMax = d.YMax;
  c.Errors = ErrorSource(s);
  c.Ratio = s.ErrorRatio;
  c.Factors = ReportState.FactorKeys;
}

void GatherFit(ReportContent& c) {
  const spline::FitRecordType& f = spline::LastFit;
  const long double n = data::DataSet.Count, p = f.Outcome.P, edf = spline::LastBands.Edf;
  c.Criterion = CriterionName(f);
  c.CriterionValue = f.FixedP ? Unknown("p was given (SmoothingParameter)")
                              : Known(spline::CriterionValue(f.Kind, c.N, f.Outcome.ResidualSum, edf));
  c.Status = static_cast<int32_t>(f.Status), c.Iterations = f.Outcome.Iterations;
  c.P = std::isfinite(p) ? Known(p) : Unknown("the straight-line limit");
  c.Lambda = std::isfinite(p) ? Known(p / 2) : Unknown("the straight-line limit");
  c.Chi2 = Known(f.Outcome.ResidualSum), c.Target = Known(n), c.Edf = Known(edf);
  c.ReducedChi2 = n > edf ? Known(f.Outcome.ResidualSum / (n - edf)) : Unknown("edf = n");
  const spline::QualityFigures q = spline::FitQuality();
  c.BaseError = Known(q.BaseError), c.AverageDeviation = Known(q.AverageDeviation);
  c.SigmaReason = SigmaReason();
}

const char* KindName(spline::MarkKind k) {
  switch (k) {
    case spline::MarkKind::Minimum: return "minimum";
    case spline::MarkKind::Maximum: return "maximum";
    default: return "inflection";
  }
}

// A mark with the values of its interval's cubic and its sigmas.
ReportMark MarkOf(const spline::CalculusMark& m, int32_t i) {
  const data::DataSetRecord& d = data::DataSet;
  const spline::SplineSegment& s = spline::Fit.Segments[i];
  const long double t = m.X - d.XValues[i];
  ReportMark r{KindName(m.Kind), m.X, m.Value, s.b + (2 * s.c + 3 * s.d * t) * t,
               2 * s.c + 6 * s.d * t, 6 * s.d, {}, {}};
  const bool inflection = m.Kind == spline::MarkKind::Inflection;
  const spline::MarkSigmas sm =
      spline::SigmasOfMark(spline::LastBands, i, m.X, inflection, r.D1, r.D2, r.D3);
  if (SigmaReason()) r.SigmaX = r.SigmaY = Unknown(SigmaReason());
  else if (inflection && (m.X == d.XValues[1] || m.X == d.XValues[d.Count])) r.SigmaX = r.SigmaY = Unknown(kEndKnot);
  else if (!sm.Defined) r.SigmaX = r.SigmaY = Unknown(inflection ? "S''' = 0 on the interval" : "S'' = 0 at the extremum");
  else r.SigmaX = Known(sm.X), r.SigmaY = Known(sm.Y);
  return r;
}

void GatherMarks(ReportContent& c) {
  if (!config::Settings.ShowCalculus) return;  // the marks the result file lists
  if (ReportState.MarksNoted) {
    c.Marks = ReportState.Marks;
    return;
  }
  for (int32_t i = 1; i < data::DataSet.Count; ++i) {
    spline::SegmentMarks marks;
    spline::AnalyseSegment(i, marks);
    for (int32_t k = 0; k < marks.Count; ++k) c.Marks.push_back(MarkOf(marks.Mark[k], i));
  }
}

void GatherKnots(ReportContent& c) {
  const data::DataSetRecord& d = data::DataSet;
  ReportKnots& k = c.Knots;
  c.WithKnots = true;
  const bool defined = SigmaReason() == nullptr;
  for (int32_t i = 1; i <= d.Count; ++i) {
    spline::Evaluation e;
    spline::EvaluateAtKnot(i, e);
    const spline::PointSigmas s = spline::SigmasAt(spline::LastBands, d.XValues[i]);
    k.X.push_back(d.XValues[i]), k.Y.push_back(d.YValues[i]), k.Value.push_back(e.Value);
    k.D1.push_back(e.D1), k.D2.push_back(e.D2);
    k.SigmaValue.push_back(defined ? s.Value : NAN);
    k.SigmaD1.push_back(defined ? s.D1 : NAN), k.SigmaD2.push_back(defined ? s.D2 : NAN);
  }
}

}  // namespace

void StartNotingMarks() {
  ReportState.Marks.clear();
  ReportState.MarksNoted = !config::AnalysisSettings.ReportFileName.empty();
}

void NoteMark(const spline::CalculusMark& m, int32_t interval) {
  if (ReportState.MarksNoted) ReportState.Marks.push_back(MarkOf(m, interval));
}

void NoteFactorKey(int32_t key) { ReportState.FactorKeys.push_back(std::string(1, static_cast<char>(key))); }

void NoteCursor(long double x) {
  if (config::AnalysisSettings.ReportFileName.empty()) return;
  spline::Evaluation e;
  spline::EvaluateSpline(x, e);
  const spline::PointSigmas s = spline::SigmasAt(spline::LastBands, x);
  ReportState.Cursors.push_back(
      ReportCursor{x, e.Value, e.D1, e.D2, e.D3, e.Int, Sigma(s.Value), Sigma(s.D1), Sigma(s.D2)});
  WriteAnalysisReport();
}

ReportContent GatherReport() {
  ReportContent c;
  GatherData(c);
  GatherFit(c);
  GatherMarks(c);
  c.Cursors = ReportState.Cursors;
  if (config::AnalysisSettings.ReportKnots) GatherKnots(c);
  return c;
}

void WriteAnalysisReport() {
  const std::string& name = config::AnalysisSettings.ReportFileName;
  if (!name.empty()) WriteReportFile(name, BuildReportText(GatherReport()));
}

}  // namespace output
