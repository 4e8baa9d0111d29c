// The rows of the shared tables, made from the report's content.
#include "output/fit_tables.h"

#include <cmath>
#include <initializer_list>

#include "base/append_file.h"
#include "base/number_format.h"
#include "config/analysis_settings.h"

namespace output {

const char* const kFitTableHeader =
    "data_file,task,status,iterations,n,criterion,p,lambda,chi2,edf,base_error,average_deviation,marks\n";
const char* const kMarkTableHeader = "data_file,fit,kind,x,sigma_x,y,sigma_y,d1,d2,d3,z,significant\n";

namespace {

// As the report writes it; a number without a value is an empty field.
std::string Number(const ReportNumber& v) {
  return v.Reason != nullptr || !std::isfinite(v.Value) ? "" : ReportReal(v.Value);
}

std::string Number(long double x) { return Number(Known(x)); }

// The fields joined by commas, with a line end.
std::string Row(std::initializer_list<std::string> fields) {
  std::string row;
  bool first = true;
  for (const std::string& f : fields) row += (first ? "" : ",") + f, first = false;
  return row + "\n";
}

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string FitTableRow(const std::string& dataFile, const ReportContent& c) {
  return Row({CsvField(dataFile), CsvField(c.Task), base::IntText(c.Status), base::IntText(c.Iterations),
              base::IntText(c.N), CsvField(c.Criterion), Number(c.P), Number(c.Lambda), Number(c.Chi2),
              Number(c.Edf), Number(c.BaseError), Number(c.AverageDeviation),
              base::IntText(static_cast<int32_t>(c.Marks.size()))});
}

std::string MarkTableRows(const std::string& dataFile, int32_t fit, const ReportContent& c) {
  const std::string file = CsvField(dataFile), number = base::IntText(fit);
  const bool flagged = c.Significance.Reason == nullptr;  // a threshold is set
  std::string rows;
  for (const ReportMark& m : c.Marks)
    rows += Row({file, number, m.Kind, Number(m.X), Number(m.SigmaX), Number(m.Y), Number(m.SigmaY),
                 Number(m.D1), Number(m.D2), Number(m.D3), Number(m.Z),
                 flagged ? (m.Significant ? "true" : "false") : ""});
  return rows;
}

void AddToTables(const std::string& dataFile, int32_t fit, const ReportContent& c) {
  const config::AnalysisSettingsRecord& a = config::AnalysisSettings;
  if (!a.FitTableFileName.empty()) base::AppendLines(a.FitTableFileName, kFitTableHeader, FitTableRow(dataFile, c));
  if (!a.MarkTableFileName.empty())
    base::AppendLines(a.MarkTableFileName, kMarkTableHeader, MarkTableRows(dataFile, fit, c));
}

}  // namespace output
