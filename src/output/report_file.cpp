// The analysis report as JSON text. Keys are in snake case; every real has
// 21 significant digits (the 64-bit significand needs them to read back to
// the same value); JSON has no NaN or infinity, so such a value is null and
// a key "<name>_reason" beside it says why.
#include "output/report_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "base/number_format.h"
#include "base/replace_file.h"

namespace output {

namespace {

// Kept from write to write: it holds the lock on the file last published.
base::ReplacementFile reportFile;

// From this size on, the text goes to the file.
constexpr std::size_t kDrainAt = std::size_t{1} << 20;

// Builds one object, member after member, with the separators.
struct JsonObject {
  std::string& out;
  std::string indent;
  bool first = true;

  JsonObject(std::string& text, const std::string& in) : out(text), indent(in) { out += "{"; }
  void Key(const char* key) {
    out += first ? "\n" : ",\n";
    out += indent + "  \"" + key + "\": ";
    first = false;
  }
  void Raw(const char* key, const std::string& text) { Key(key), out += text; }
  void Text(const char* key, const std::string& text) { Raw(key, ReportString(text)); }
  void Integer(const char* key, int32_t v) { Raw(key, base::IntText(v)); }
  void Real(const char* key, long double x) { Number(key, Known(x)); }
  void Number(const char* key, const ReportNumber& v) {
    const char* reason = v.Reason ? v.Reason : std::isfinite(v.Value) ? nullptr : "not finite";
    Raw(key, reason ? "null" : ReportReal(v.Value));
    if (reason) Raw((std::string(key) + "_reason").c_str(), ReportString(reason));
  }
  void Close() { out += first ? "}" : "\n" + indent + "}"; }
};

void AddData(JsonObject& top, const ReportContent& c) {
  top.Key("data");
  JsonObject o(top.out, "  ");
  o.Integer("n", c.N);
  o.Real("x_min", c.XMin), o.Real("x_max", c.XMax), o.Real("y_min", c.YMin), o.Real("y_max", c.YMax);
  o.Text("errors", c.Errors);
  if (std::string(c.Errors) == "scatter") o.Integer("ratio", c.Ratio);
  if (c.ErrorsInY && std::string(c.Errors) == "column") o.Text("error_unit", "y");
  if (!c.Separator.empty()) {
    o.Text("separator", c.Separator);
    o.Text("decimal_mark", c.DecimalComma ? "," : ".");
    o.Raw("format_guessed", c.FormatGuessed ? "true" : "false");
  }
  std::string factors = "[";
  for (std::size_t i = 0; i < c.Factors.size(); ++i) factors += (i ? ", " : "") + ReportString(c.Factors[i]);
  o.Raw("factors", factors + "]");
  o.Close();
}

const char* StatusText(int32_t status) {
  switch (status) {
    case 0: return "converged";
    case 1: return "straight-line limit";
    default: return "iteration limit";
  }
}

void AddFit(JsonObject& top, const ReportContent& c) {
  top.Key("fit");
  JsonObject o(top.out, "  ");
  o.Text("criterion", c.Criterion);
  o.Number("criterion_value", c.CriterionValue);
  o.Integer("status", c.Status);
  o.Text("status_text", StatusText(c.Status));
  o.Integer("iterations", c.Iterations);
  o.Number("p", c.P), o.Number("lambda", c.Lambda);
  o.Number("chi2", c.Chi2), o.Number("target", c.Target);
  o.Number("edf", c.Edf), o.Number("reduced_chi2", c.ReducedChi2);
  o.Number("base_error", c.BaseError), o.Number("average_deviation", c.AverageDeviation);
  if (c.SigmaReason) o.Text("sigma_reason", c.SigmaReason);
  if (c.HasEdfTarget) o.Real("edf_target", c.EdfTarget);
  o.Number("ubre", c.Ubre), o.Number("gcv", c.Gcv), o.Number("cv", c.Cv);
  o.Number("significance", c.Significance);
  o.Close();
}

// An array of objects under `key`, one line of members per item.
template <typename Item, typename Members>
void AddObjects(ReportSink& sink, JsonObject& top, const char* key, std::span<const Item> items,
                Members members) {
  top.Key(key);
  top.out += items.empty() ? "[" : "[\n    ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) top.out += ",\n    ";
    JsonObject o(top.out, "    ");
    members(o, items[i]);
    o.Close();
    Drain(sink);
  }
  top.out += items.empty() ? "]" : "\n  ]";
}

void MarkMembers(JsonObject& o, const ReportMark& m) {
  o.Text("kind", m.Kind);
  o.Real("x", m.X), o.Number("sigma_x", m.SigmaX), o.Real("y", m.Y), o.Number("sigma_y", m.SigmaY);
  o.Real("d1", m.D1), o.Real("d2", m.D2), o.Real("d3", m.D3);
  o.Real("z", m.Z);
}

// With a threshold, each mark also says whether it reaches it.
void MarkMembersWithFlag(JsonObject& o, const ReportMark& m) {
  MarkMembers(o, m);
  o.Raw("significant", m.Significant ? "true" : "false");
}

void CursorMembers(JsonObject& o, const ReportCursor& k) {
  o.Real("x", k.X), o.Real("y", k.Y), o.Real("d1", k.D1), o.Real("d2", k.D2), o.Real("d3", k.D3);
  o.Real("integral", k.Integral);
  o.Number("sigma_y", k.SigmaY), o.Number("sigma_d1", k.SigmaD1), o.Number("sigma_d2", k.SigmaD2);
}

}  // namespace

ReportNumber Known(long double x) { return ReportNumber{x, nullptr}; }
ReportNumber Unknown(const char* reason) { return ReportNumber{0, reason}; }

std::string ReportReal(long double x) {
  if (!std::isfinite(x)) return "null";
  char text[48];
  std::snprintf(text, sizeof text, "%.20Le", x);
  return text;
}

namespace {

// The length of the well-formed UTF-8 sequence at p (1 to 4 bytes), or 0.
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  std::size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) n = 2;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
  else return 0;
  if (left < n || p[1] < lo || p[1] > hi) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  return n;
}

}  // namespace

// File names are bytes: a byte that is no part of well-formed UTF-8 is
// written as the lone surrogate U+DC80 + (byte - 0x80), as Python decodes
// file names, so the text stays valid JSON and the name can be had back.
std::string ReportString(const std::string& text) {
  std::string out = "\"";
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char ch = p[i];
    const std::size_t n = Utf8Length(p + i, text.size() - i);
    char code[8];
    if (ch == '"' || ch == '\\') out += '\\', out += static_cast<char>(ch);
    else if (ch < 0x20) std::snprintf(code, sizeof code, "\\u%04x", ch), out += code;
    else if (n == 0) std::snprintf(code, sizeof code, "\\u%04x", 0xDC00 + ch), out += code;
    else out.append(text, i, n);
    i += n == 0 ? 1 : n;
  }
  return out + "\"";
}

void Drain(ReportSink& sink) {
  if (sink.File == nullptr || sink.Text.size() < kDrainAt) return;
  base::ReplacementFile& f = *sink.File;
  if (std::fwrite(sink.Text.data(), 1, sink.Text.size(), f.File) != sink.Text.size())
    base::FailReplacement(f, errno);
  sink.Text.clear();
}

void WriteReportHead(ReportSink& sink, const ReportContent& c) {
  JsonObject top(sink.Text, "");
  top.Text("program", c.Program);
  top.Text("task", c.Task);
  AddData(top, c);
  AddFit(top, c);
  AddObjects(sink, top, "marks", c.Marks, c.Significance.Reason ? MarkMembers : MarkMembersWithFlag);
  AddObjects(sink, top, "cursor", c.Cursors, CursorMembers);
}

void WriteReportEnd(ReportSink& sink) { sink.Text += "\n}\n"; }

std::string BuildReportText(const ReportContent& c) {
  ReportSink sink;
  WriteReportHead(sink, c);
  WriteReportEnd(sink);
  return sink.Text;
}

void OpenReportFile(ReportSink& sink, const std::string& name) {
  base::OpenReplacement(reportFile, name);
  sink.File = &reportFile;
  sink.Text.clear();
}

void CloseReportFile(ReportSink& sink) {
  base::ReplacementFile& f = *sink.File;
  if (std::fwrite(sink.Text.data(), 1, sink.Text.size(), f.File) != sink.Text.size() ||
      std::fflush(f.File) != 0)
    base::FailReplacement(f, errno);
  sink.Text.clear();
  std::FILE* file = f.File;
  f.File = nullptr;
  if (std::fclose(file) != 0) base::FailReplacement(f, errno);
  base::PublishReplacement(f);
}

void ReleaseReportFile() {
  base::DiscardReplacement(reportFile);  // nothing to drop after a write that succeeded
  base::LetGo(reportFile);
}

}  // namespace output
