// Fuzz target: rows with a separator (CSV) or decimal commas, read as they
// are and compressed with gzip. The first four bytes choose the separator,
// the decimal comma, the columns and the skipped lines; the rest is the
// file. The rows read must be those of a plain reading of the same text
// by the field rules (below), and the compressed file must give the same.
// The format guess and the search for a column's name run on it too.
#include <zlib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/convert.h"
#include "data/reader.h"
#include "fuzz_support.h"

namespace {

struct Row {
  long double X, Y, E;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A field's value by the reader's rules: the first 30 characters when only
// mantissa characters lie past them and no exponent before, else all of it
// up to 255; with decimal commas a comma between digits is the point.
bool FieldValue(std::string f, bool decimalComma, long double& v) {
  if (f.empty()) return false;
  const bool exponentInHead = f.substr(0, 30).find_first_of("eE") != std::string::npos;
  bool tailClean = true;
  for (std::size_t i = 30; i < f.size(); ++i)
    if (!IsDigit(f[i]) && f[i] != '.' && !(f[i] == ',' && decimalComma)) tailClean = false;
  const std::size_t length = f.size();
  f.resize(std::min<std::size_t>(length, 255));
  if (decimalComma)
    for (std::size_t i = 1; i + 1 < f.size(); ++i)
      if (f[i] == ',' && IsDigit(f[i - 1]) && IsDigit(f[i + 1])) f[i] = '.';
  if (length <= 30 || (!exponentInHead && tailClean)) return base::ParseReal(f.data(), std::min<std::size_t>(length, 30), v);
  return length <= 255 && base::ParseReal(f.data(), length, v);
}

bool Blank(unsigned char c, char sep) { return c != '\n' && c <= 32 && (sep == 0 || c != static_cast<unsigned char>(sep)); }

// The fields of one record from `pos` (a row, blank lines passed before).
std::vector<std::string> Record(const std::string& t, std::size_t& pos, char sep) {
  std::vector<std::string> fields;
  const std::size_t n = t.size();
  for (;;) {
    while (pos < n && Blank(static_cast<unsigned char>(t[pos]), sep)) ++pos;
    std::string f, pending;
    if (sep == 0) {
      while (pos < n && static_cast<unsigned char>(t[pos]) > 32) f += t[pos++];
    } else {
      if (pos < n && t[pos] == '"') {
        for (++pos;; ++pos) {
          if (pos >= n) return fields.push_back(f), fields;  // never closed
          if (t[pos] == '"') {
            if (pos + 1 < n && t[pos + 1] == '"') ++pos;
            else break;
          }
          f += t[pos];
        }
        ++pos;
      }
      while (pos < n && t[pos] != '\n' && t[pos] != sep) {
        if (static_cast<unsigned char>(t[pos]) <= 32) pending += t[pos];
        else f += pending + t[pos], pending.clear();
        ++pos;
      }
    }
    fields.push_back(f);
    if (sep == 0) {
      while (pos < n && Blank(static_cast<unsigned char>(t[pos]), 0)) ++pos;
      if (pos >= n) return fields;
      if (t[pos] == '\n') return ++pos, fields;
      continue;
    }
    if (pos >= n) return fields;
    if (t[pos] == '\n') return ++pos, fields;
    ++pos;  // the separator
  }
}

std::vector<Row> ReferenceRows(const std::string& text, const data::ColumnLayout& c, int32_t omitted) {
  std::size_t pos = 0;
  for (int32_t i = 0; i < omitted && pos < text.size(); ++i) {
    const std::size_t nl = text.find('\n', pos);
    pos = nl == std::string::npos ? text.size() : nl + 1;
  }
  const char sep = c.Format.Separator;
  std::vector<Row> rows;
  for (;;) {
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 32 &&
           (sep == 0 || text[pos] != sep))
      ++pos;
    if (pos >= text.size()) return rows;
    const std::vector<std::string> fields = Record(text, pos, sep);
    Row r{0, 0, c.ErrorFill};
    bool x = false, y = false;
    for (int32_t k = 1; k <= static_cast<int32_t>(fields.size()); ++k) {
      long double v;
      if ((k != c.X && k != c.Y && k != c.Error) || !FieldValue(fields[k - 1], c.Format.DecimalComma, v)) continue;
      if (k == c.X) r.X = v, x = true;
      if (k == c.Y) r.Y = v, y = true;
      if (k == c.Error) r.E = v;
    }
    if (x && y) rows.push_back(r);
  }
}

int32_t ReadAsTheProgramDoes(const std::string& file, const data::ColumnLayout& c, int32_t omitted,
                             std::vector<long double>& X, std::vector<long double>& Y,
                             std::vector<long double>& E) {
  static data::TextInput in;
  in.Name = file;
  std::string reason;
  if (!data::OpenInput(in, file, reason)) std::abort();
  data::SkipLines(in, omitted);
  const int32_t bound = data::CountRows(in, c.Format);
  data::CloseInput(in);
  data::OpenInput(in, file, reason);
  data::SkipLines(in, omitted);
  X.assign(static_cast<std::size_t>(bound) + 1, 0), Y = X, E = X;
  const int32_t count = data::ReadRows(in, c, X.data(), Y.data(), E.data(), bound);
  data::CloseInput(in);
  if (count < 0 || count > bound) fuzz::Finding("row count outside the counted bound");
  return count;
}

// The text compressed as gzip does it.
std::string Gzip(const std::string& text) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string out(deflateBound(&z, text.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

bool Same(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0 || (std::isnan(a) && std::isnan(b)); }

void Compare(const std::vector<Row>& want, int32_t count, const std::vector<long double>& X,
             const std::vector<long double>& Y, const std::vector<long double>& E, const char* what) {
  if (static_cast<std::size_t>(count) != want.size()) fuzz::Finding(what);
  for (int32_t i = 1; i <= count && static_cast<std::size_t>(i) <= want.size(); ++i) {
    const Row& r = want[static_cast<std::size_t>(i - 1)];
    if (!Same(X[i], r.X) || !Same(Y[i], r.Y) || !Same(E[i], r.E)) fuzz::Finding(what);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t head[4] = {0, 0x12, 0, 0};
  for (std::size_t i = 0; i < 4 && i < size; ++i) head[i] = data[i];
  const std::size_t skip = size < 4 ? size : 4;
  const std::string text(reinterpret_cast<const char*>(data) + skip, size - skip);
  static const char kSeparators[8] = {',', ';', '\t', '|', ',', ';', 0, 0};
  data::ColumnLayout c;
  c.Format.Separator = kSeparators[head[0] % 8];
  c.Format.DecimalComma = (head[0] & 0x80) != 0 && c.Format.Separator != ',';
  c.X = head[1] & 7, c.Y = (head[1] >> 4) & 7, c.Error = head[2] & 7;
  c.ErrorFill = -1;
  const int32_t omitted = head[3] & 3;
  const std::string file = fuzz::ScratchDir() + "/d.csv", packed = fuzz::ScratchDir() + "/d.gz";
  fuzz::WriteFile(file, text);
  fuzz::WriteFile(packed, Gzip(text));

  const std::vector<Row> want = ReferenceRows(text, c, omitted);
  std::vector<long double> X, Y, E;
  Compare(want, ReadAsTheProgramDoes(file, c, omitted, X, Y, E), X, Y, E, "rows differ from the field rules");
  Compare(want, ReadAsTheProgramDoes(packed, c, omitted, X, Y, E), X, Y, E, "compressed rows differ");

  static data::TextInput in;
  in.Name = file;
  std::string reason;
  data::OpenInput(in, file, reason);
  const data::RowFormat guessed = data::DetectRowFormat(in, c.Format.DecimalComma);
  if (guessed.Separator == ',' && c.Format.DecimalComma) fuzz::Finding("a comma guessed with decimal commas");
  data::CloseInput(in);
  data::OpenInput(in, file, reason);
  const std::string name = text.substr(0, std::min<std::size_t>(text.size(), 4));
  const int32_t column = data::FindColumn(in, c.Format, name);
  if (column < 0) fuzz::Finding("a column number below 0");
  data::CloseInput(in);
  return 0;
}
