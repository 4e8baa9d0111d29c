// Writing the spline data file. Fields are FormatExponent of width W =
// NumberWidth, separated by one space. The file is written through a large
// buffer and checked at every write and at the close, so a full disk or a
// lost directory ends the run with the file's name instead of a short file.
#include "output/spline_file.h"

#include <cerrno>
#include <cstdio>

#include "config/settings.h"
#include "config/text.h"
#include "data/dataset.h"
#include "driver/stop.h"
#include "output/number_format.h"

namespace output {
namespace {

std::FILE* splineFile = nullptr;

const std::string& FileName() { return config::Settings.OutputFileName; }

void Write(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), splineFile) != text.size())
    driver::FatalIoError(FileName(), errno);
}

std::string Field(long double x) { return FormatExponent(x, config::Settings.NumberWidth); }

// Value, Der1, Der2, Der3 and Int, each preceded by a separator.
std::string ValueFields(const spline::Evaluation& e) {
  return " " + Field(e.Value) + " " + Field(e.D1) + " " + Field(e.D2) + " " +
         Field(e.D3) + " " + Field(e.Int);
}

}  // namespace

std::string HeaderLine(std::initializer_list<const char*> labels, int32_t width) {
  std::string line;
  for (const char* label : labels) {
    std::string cell = label;
    cell.resize(static_cast<std::size_t>(width) + 1, ' ');
    line += cell;
  }
  return line + "\n";
}

void BeginSplineFile() {
  const config::SettingsRecord& s = config::Settings;
  splineFile = std::fopen(FileName().c_str(), "w");
  if (!splineFile) driver::FatalIoError(FileName(), errno);
  std::setvbuf(splineFile, nullptr, _IOFBF, 1 << 20);
  Write(std::string(config::ProgramBanner) + " calculated the followings:\n");
  Write("Task: " + s.ParameterText + ".\n");
  if (s.WriteCurve)
    Write("\n" + HeaderLine({"  X", "  Y", "  Der1", "  Der2", "  Der3", "  Int"},
                            s.NumberWidth));
  // The head reaches the file before the fit, so a fit that fails leaves it.
  if (std::fflush(splineFile) != 0) driver::FatalIoError(FileName(), errno);
}

std::string ValuesRow(long double x, const spline::Evaluation& e) {
  return Field(x) + ValueFields(e) + "\n";
}

void WriteCurveRow(long double x, const spline::Evaluation& e) { Write(ValuesRow(x, e)); }

void WriteTableHead() {
  Write("\nData of Ax^3+Bx^2+Cx+D-s of spline:\n" +
        HeaderLine({"  Xmin", "  Xmax", "  A", "  B", "  C", "  D", "  Y(Xmin)",
                    "  Der1(Xmin)", "  Der2(Xmin)", "  Der3(Xmin)", "  Int(Xmin)",
                    "  Err(Xmin)"},
                   config::Settings.NumberWidth));
}

void WriteSegmentRow(int32_t i) {
  const data::DataSetRecord& d = data::DataSet;
  const long double x0 = d.XValues[i];
  const spline::PowerForm p = spline::PowerCoefficients(d.Segments[i], x0);
  spline::Evaluation e;
  spline::EvaluateAtKnot(i, e);
  Write(Field(x0) + " " + Field(d.XValues[i + 1]) + " " + Field(p.A) + " " +
        Field(p.B) + " " + Field(p.C) + " " + Field(p.D) + ValueFields(e) + " " +
        Field(d.ErrValues[i]) + "\n");
}

void WriteAnalysisLine(const char* label, long double x) {
  Write(label + Field(x) + "\n");
}

void EndSplineFile() {
  const data::DataSetRecord& d = data::DataSet;
  const int32_t w = config::Settings.NumberWidth;
  spline::Evaluation e;
  spline::EvaluateAtKnot(d.Count, e);
  // The gap stands for Xmax, A, B, C, D and their separators.
  Write(Field(d.XValues[d.Count]) + std::string(static_cast<std::size_t>(5 * w + 6), ' ') +
        ValueFields(e).substr(1));
  std::FILE* f = splineFile;
  splineFile = nullptr;
  if (std::fclose(f) != 0) driver::FatalIoError(FileName(), errno);
}

}  // namespace output
