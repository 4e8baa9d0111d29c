// Fuzz target: the data file reader with any file and any column settings.
// The first five bytes choose ColumnX, ColumnY, ColumnError, OmittedRows
// and the fill error value; the rest is the file. The rows read must be the
// rows a plain line-by-line reading of the same text gives.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/convert.h"
#include "data/reader.h"
#include "fuzz_support.h"

namespace {

// A setting byte: mostly a small number, sometimes an extreme one, since
// command-line arguments reach the reader without a range check.
int32_t SettingOf(uint8_t b) {
  static const int32_t kExtremes[16] = {-1, -2, -1000, INT32_MIN, INT32_MIN + 1, INT32_MAX,
                                        INT32_MAX - 1, 30, 31, 100, 255, 256, 1000, 65535,
                                        65536, 1000000};
  return b < 0xF0 ? b % 8 : kExtremes[b - 0xF0];
}

long double FillOf(uint8_t b) {
  static const long double kFills[8] = {-1, 0, 0.2L, 1e4000L, -1e-4000L, 1, 1e-300L, 7};
  return kFills[b % 8];
}

struct Row {
  long double X, Y, E;
};

// The characters of a value that count: its first 30 when all past them
// are digits or points and it has no exponent, else all of it (no number
// beyond 255 characters).
bool ValueText(const std::string& v, std::size_t& length) {
  const bool cut = v.size() > 30 && v.find_first_of("eE") == std::string::npos &&
                   v.find_first_not_of("0123456789.", 30) == std::string::npos;
  length = cut ? 30 : v.size();
  return length <= 255;
}

// Lines split at line feeds only; a value is a run of bytes above 32 and
// counts with the characters ValueText gives.
std::vector<Row> ReferenceRows(const std::string& text, const data::ColumnLayout& c,
                               int32_t omitted) {
  std::vector<Row> rows;
  const int64_t last = std::max<int64_t>(c.X, std::max<int64_t>(c.Y, c.Error));
  int64_t line = 0;
  for (std::size_t start = 0; start < text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> values;
    for (std::size_t i = start; i < end;) {
      while (i < end && static_cast<unsigned char>(text[i]) <= 32) ++i;
      const std::size_t from = i;
      while (i < end && static_cast<unsigned char>(text[i]) > 32) ++i;
      if (i > from) values.push_back(text.substr(from, i - from));
    }
    start = end + 1;
    if (line < omitted || values.empty()) continue;
    Row r{0, 0, c.ErrorFill};
    bool hasX = false, hasY = false;
    for (int64_t k = 1; k <= last && k <= static_cast<int64_t>(values.size()); ++k) {
      const std::string& v = values[static_cast<std::size_t>(k - 1)];
      long double value;
      std::size_t length;
      if (!ValueText(v, length) || !base::ParseReal(v.data(), length, value)) continue;
      if (k == c.X) r.X = value, hasX = true;
      if (k == c.Y) r.Y = value, hasY = true;
      if (k == c.Error) r.E = value;
    }
    if (hasX && hasY) rows.push_back(r);
  }
  return rows;
}

bool Same(long double a, long double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The start-up's sequence: skip, count, reopen, skip again, read.
int32_t ReadAsTheProgramDoes(const std::string& file, const data::ColumnLayout& c,
                             int32_t omitted, std::vector<long double>& X,
                             std::vector<long double>& Y, std::vector<long double>& E) {
  static data::TextInput in;  // its buffer is too large for the stack
  in.Name = file;
  in.File = std::fopen(file.c_str(), "rb");
  if (!in.File) std::abort();
  in.Pos = in.Len = 0;
  data::SkipLines(in, omitted);
  const int32_t bound = data::CountRows(in);
  std::rewind(in.File);
  in.Pos = in.Len = 0;
  data::SkipLines(in, omitted);
  X.assign(static_cast<std::size_t>(bound) + 1, 0);
  Y.assign(X.size(), 0);
  E.assign(X.size(), 0);
  const int32_t count = data::ReadRows(in, c, X.data(), Y.data(), E.data(), bound);
  std::fclose(in.File);
  in.File = nullptr;
  if (count < 0 || count > bound) fuzz::Finding("row count outside the counted bound");
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t head[5] = {0, 1, 0, 0, 0};
  for (std::size_t i = 0; i < 5 && i < size; ++i) head[i] = data[i];
  const std::size_t skip = size < 5 ? size : 5;
  const std::string text(reinterpret_cast<const char*>(data) + skip, size - skip);
  data::ColumnLayout c{SettingOf(head[0]), SettingOf(head[1]), SettingOf(head[2]), FillOf(head[4]), {}};
  const int32_t omitted = SettingOf(head[3]);
  const std::string file = fuzz::ScratchDir() + "/d.dat";
  fuzz::WriteFile(file, text);

  std::vector<long double> X, Y, E;
  const int32_t count = ReadAsTheProgramDoes(file, c, omitted, X, Y, E);
  const std::vector<Row> want = ReferenceRows(text, c, omitted);
  if (static_cast<std::size_t>(count) != want.size()) fuzz::Finding("row count differs");
  for (int32_t i = 1; i <= count; ++i) {
    const Row& r = want[static_cast<std::size_t>(i - 1)];
    if (!Same(X[i], r.X) || !Same(Y[i], r.Y) || !Same(E[i], r.E)) fuzz::Finding("row differs");
    if (!std::isfinite(X[i]) || !std::isfinite(Y[i])) fuzz::Finding("a value that is not finite");
  }
  return 0;
}
