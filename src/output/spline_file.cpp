// Writing the spline data file. Fields are FormatExponent of width W =
// NumberWidth, separated by one space. A million-point fit makes a file of
// hundreds of megabytes, so rows are formatted straight into a large buffer
// of our own, without temporary strings, and handed to the system in big
// pieces; every write is checked, and so is the close at the end of the pass,
// so a full disk or a lost directory ends the run with the file's name
// instead of leaving a short file. The text goes to a temporary file that
// replaces the old one only when the pass is complete, so a failing pass
// leaves the previous result as it was.
#include "output/spline_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "config/text.h"
#include "data/dataset.h"
#include "driver/stop.h"
#include "output/number_format.h"
#include "output/replace_file.h"

namespace output {
namespace {

ReplacementFile splineFile;

// The text waiting to be written. A row is at most 12 fields of
// ExponentFieldRoom characters with their separators and a line end.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kRowRoom = 12 * (ExponentFieldRoom + 1) + 1;
char buffer[kBufferSize];
std::size_t buffered = 0;

const std::string& FileName() { return config::Settings.OutputFileName; }

// The fatal stop for a failing write, leaving the previous file in place.
[[noreturn]] void Fail(int error) {
  DiscardReplacement(splineFile);
  driver::FatalIoError(FileName(), error);
}

void Flush() {
  if (buffered != 0 && std::fwrite(buffer, 1, buffered, splineFile.File) != buffered) Fail(errno);
  buffered = 0;
}

// Room for one more row of text at the end of the buffer.
char* RowSpace() {
  if (kBufferSize - buffered < kRowRoom) Flush();
  return buffer + buffered;
}

void Commit(const char* end) { buffered = static_cast<std::size_t>(end - buffer); }

void Write(const std::string& text) {
  if (text.size() > kBufferSize - buffered) Flush();
  if (text.size() > kBufferSize) {
    if (std::fwrite(text.data(), 1, text.size(), splineFile.File) != text.size()) Fail(errno);
    return;
  }
  std::memcpy(buffer + buffered, text.data(), text.size());
  buffered += text.size();
}

// The text of the last value formatted in one column, reused when the next
// value is the same to the last bit (the Xmax of a row is the Xmin of the
// next; error values often repeat).
struct FieldCache {
  unsigned char bits[10];
  bool valid = false;
  int32_t length = 0;
  char text[ExponentFieldRoom];
};

char* Field(char* out, const long double& x, FieldCache* cache = nullptr) {
  const int32_t w = config::Settings.NumberWidth;
  if (cache == nullptr) return WriteExponentField(out, x, w);
  if (cache->valid && std::memcmp(cache->bits, &x, sizeof cache->bits) == 0) {
    std::memcpy(out, cache->text, static_cast<std::size_t>(cache->length));
    return out + cache->length;
  }
  char* end = WriteExponentField(out, x, w);
  std::memcpy(cache->bits, &x, sizeof cache->bits);
  cache->length = static_cast<int32_t>(end - out);
  std::memcpy(cache->text, out, static_cast<std::size_t>(cache->length));
  cache->valid = true;
  return end;
}

char* Separated(char* out, const long double& x, FieldCache* cache = nullptr) {
  *out++ = ' ';
  return Field(out, x, cache);
}

// Value, Der1, Der2, Der3 and Int, each preceded by a separator.
char* ValueFields(char* out, const spline::Evaluation& e) {
  out = Separated(out, e.Value);
  out = Separated(out, e.D1);
  out = Separated(out, e.D2);
  out = Separated(out, e.D3);
  return Separated(out, e.Int);
}

FieldCache xmaxText, errText;

// The last curve row, which repeats while the walk stays at X[n].
struct RowCache {
  unsigned char bits[6][10];
  bool valid = false;
  std::string text;
};
RowCache lastCurveRow;

void RememberBits(unsigned char (&bits)[6][10], long double x, const spline::Evaluation& e) {
  const long double values[6] = {x, e.Value, e.D1, e.D2, e.D3, e.Int};
  for (int32_t k = 0; k < 6; ++k) std::memcpy(bits[k], &values[k], sizeof bits[k]);
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
  if (!OpenReplacement(splineFile, FileName())) driver::FatalIoError(FileName(), errno);
  buffered = 0;
  xmaxText.valid = errText.valid = lastCurveRow.valid = false;
  Write(std::string(config::ProgramBanner) + " calculated the followings:\n");
  Write("Task: " + s.ParameterText + ".\n");
  if (s.WriteCurve)
    Write("\n" + HeaderLine({"  X", "  Y", "  Der1", "  Der2", "  Der3", "  Int"},
                            s.NumberWidth));
  // The head is handed on before the fit, so a fit that fails leaves it.
  Flush();
  if (std::fflush(splineFile.File) != 0) Fail(errno);
}

// Closes the file and puts it under its name.
void FinishSplineFile() {
  Flush();
  std::FILE* f = splineFile.File;
  splineFile.File = nullptr;
  if (std::fclose(f) != 0) Fail(errno);
  if (!PublishReplacement(splineFile)) Fail(errno);
}

void EndSplineFileAfterFailedFit() { FinishSplineFile(); }

std::string ValuesRow(long double x, const spline::Evaluation& e) {
  char row[kRowRoom];
  char* end = ValueFields(Field(row, x), e);
  *end++ = '\n';
  return std::string(row, end);
}

void WriteCurveRow(long double x, const spline::Evaluation& e) {
  unsigned char bits[6][10];
  RememberBits(bits, x, e);
  RowCache& last = lastCurveRow;
  if (!last.valid || std::memcmp(bits, last.bits, sizeof bits) != 0) {
    last.text = ValuesRow(x, e);
    std::memcpy(last.bits, bits, sizeof bits);
    last.valid = true;
  }
  Write(last.text);
}

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
  char* out = Field(RowSpace(), x0, &xmaxText);
  out = Separated(out, d.XValues[i + 1], &xmaxText);
  out = Separated(out, p.A);
  out = Separated(out, p.B);
  out = Separated(out, p.C);
  out = Separated(out, p.D);
  out = ValueFields(out, e);
  out = Separated(out, d.ErrValues[i], &errText);
  *out++ = '\n';
  Commit(out);
}

void WriteAnalysisLine(const char* label, long double x) {
  char* out = RowSpace();
  const std::size_t length = std::strlen(label);
  std::memcpy(out, label, length);
  out = Field(out + length, x);
  *out++ = '\n';
  Commit(out);
}

void EndSplineFile() {
  const data::DataSetRecord& d = data::DataSet;
  const int32_t w = config::Settings.NumberWidth;
  spline::Evaluation e;
  spline::EvaluateAtKnot(d.Count, e);
  char* out = Field(RowSpace(), d.XValues[d.Count]);
  // The gap stands for Xmax, A, B, C, D and their separators.
  const std::size_t gap = static_cast<std::size_t>(5 * w + 6);
  std::memset(out, ' ', gap);
  out = ValueFields(out + gap - 1, e);  // the gap ends with the Value's separator
  Commit(out);
  FinishSplineFile();
}

}  // namespace output
