// The analysis report: one JSON object with the smoothing chosen, its
// quality, and every mark and cursor value with its uncertainty. Built as
// text in memory from a plain record, so that it can be made and checked
// without the program's state; a thin writer puts it into a file with the
// same replacement as the other result files.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "base/replace_file.h"

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
  long double Z = 0;         // significance (spline/significance.h)
  bool Significant = false;  // z reaches the threshold in use
};

struct ReportCursor {
  long double X, Y, D1, D2, D3, Integral;
  ReportNumber SigmaY, SigmaD1, SigmaD2;
};

struct ReportContent {
  std::string Program, Task;
  // data
  int32_t N = 0;
  long double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
  const char* Errors = "default";  // "column", "value", "default", "scatter"
  int32_t Ratio = 0;               // written for "scatter"
  bool ErrorsInY = false;          // the error column in units of Y (ErrorColumnUnit)
  // How the rows were read, written only when a key chose it: "blanks",
  // "tab" or the separator; whether AUTO guessed it.
  std::string Separator;
  bool DecimalComma = false, FormatGuessed = false;
  std::vector<std::string> Factors;
  // fit
  const char* Criterion = "residual";  // "residual", "UBRE", "GCV", "EDF", "CV", "fixed"
  ReportNumber CriterionValue;
  int32_t Status = 0, Iterations = 0;
  ReportNumber P, Lambda, Chi2, Target, Edf, ReducedChi2, BaseError, AverageDeviation;
  const char* SigmaReason = nullptr;  // set when no sigma could be formed at all
  bool HasEdfTarget = false;          // EDF chose p: the k asked for
  long double EdfTarget = 0;
  // The scores of the fit, whatever chose it, so that fits can be compared.
  ReportNumber Ubre, Gcv, Cv;
  ReportNumber Significance = Unknown("MarkSignificance is not set");  // the threshold in use
  // Not copied: the program keeps its marks and cursors from write to write.
  std::span<const ReportMark> Marks;
  std::span<const ReportCursor> Cursors;
};

// A real with 21 significant digits, which read back to the same extended
// real; "null" for a value that is not finite.
std::string ReportReal(long double x);
// A JSON string literal of `text`.
std::string ReportString(const std::string& text);

// Where the report's text goes: a string, or a file that gets it a
// megabyte at a time, so that a report of a million points (its marks and
// per-knot arrays) is never held whole.
struct ReportSink {
  std::string Text;                   // what is not yet in the file
  base::ReplacementFile* File = nullptr;
};
// Hands what the sink holds to its file once it is large (no file: keeps it).
void Drain(ReportSink& sink);

// The report's members from "program" to the cursor array; a report with
// per-knot arrays has them next (knots, below), then the end.
void WriteReportHead(ReportSink& sink, const ReportContent& c);
// The per-knot arrays, "knots": {"x": [...], ...}: `columns` names in
// order, and `value(column, i)` the entry of knot i (0-based); a value that
// is not finite is null.
template <typename Value>
void WriteReportKnots(ReportSink& sink, std::initializer_list<const char*> columns, int32_t n,
                      Value value) {
  sink.Text += ",\n  \"knots\": {";
  int32_t column = 0;
  for (const char* name : columns) {
    sink.Text += std::string(column ? ",\n" : "\n") + "    \"" + name + "\": [";
    for (int32_t i = 0; i < n; ++i) {
      if (i) sink.Text += ", ";
      sink.Text += ReportReal(value(column, i));
      Drain(sink);
    }
    sink.Text += "]";
    ++column;
  }
  sink.Text += "\n  }";
}
void WriteReportEnd(ReportSink& sink);

// The whole report without per-knot arrays as JSON text, ending with a line end.
std::string BuildReportText(const ReportContent& c);

// A file for the report that replaces the previous one only when complete;
// a failure is the fatal stop with the file's name.
void OpenReportFile(ReportSink& sink, const std::string& name);
void CloseReportFile(ReportSink& sink);
// For a writer that is no run of the program (the Python module), which
// goes on after a failed write and holds no file for a run: after writing,
// or failing to, a file left unfinished is dropped (the old one stays as it
// was) and the lock on the file published last is let go.
void ReleaseReportFile();

}  // namespace output
