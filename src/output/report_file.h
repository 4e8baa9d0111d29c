// The analysis report: one JSON object with the smoothing chosen, its
// quality, and every mark and cursor value with its uncertainty. Built as
// text in memory from a plain record, so that it can be made and checked
// without the program's state; a thin writer puts it into a file with the
// same replacement as the other result files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace output {

// A number of the report, or null with the reason it has none.
struct ReportNumber {
  long double Value = 0;
  const char* Reason = nullptr;  // set: null, with this reason
};
ReportNumber Known(long double x);
ReportNumber Unknown(const char* reason);

struct ReportMark {
  const char* Kind;  // "minimum", "maximum", "inflection"
  long double X, Y, D1, D2, D3;
  ReportNumber SigmaX, SigmaY;
};

struct ReportCursor {
  long double X, Y, D1, D2, D3, Integral;
  ReportNumber SigmaY, SigmaD1, SigmaD2;
};

// Equal-length arrays, one entry per knot; a NaN sigma is written as null.
struct ReportKnots {
  std::vector<long double> X, Y, Value, SigmaValue, D1, SigmaD1, D2, SigmaD2;
};

struct ReportContent {
  std::string Program, Task;
  // data
  int32_t N = 0;
  long double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
  const char* Errors = "default";  // "column", "value", "default", "scatter"
  int32_t Ratio = 0;               // written for "scatter"
  std::vector<std::string> Factors;
  // fit
  const char* Criterion = "residual";  // "residual", "UBRE", "GCV", "fixed"
  ReportNumber CriterionValue;
  int32_t Status = 0, Iterations = 0;
  ReportNumber P, Lambda, Chi2, Target, Edf, ReducedChi2, BaseError, AverageDeviation;
  const char* SigmaReason = nullptr;  // set when no sigma could be formed at all
  std::vector<ReportMark> Marks;
  std::vector<ReportCursor> Cursors;
  bool WithKnots = false;
  ReportKnots Knots;
};

// A real with 21 significant digits, which read back to the same extended
// real; "null" for a value that is not finite.
std::string ReportReal(long double x);
// A JSON string literal of `text`.
std::string ReportString(const std::string& text);

// The whole report as JSON text, ending with a line end.
std::string BuildReportText(const ReportContent& c);

// Writes `text` as the file `name`, replacing the previous one only when
// complete; a failure is the fatal stop with the file's name.
void WriteReportFile(const std::string& name, const std::string& text);

}  // namespace output
