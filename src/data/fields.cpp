// Rows whose values a separator divides (CSV, RFC 4180 style), rows with
// decimal commas, and what the reader guesses about a file: its format,
// a column's number from its name, and why a file gave no rows.
#include "data/fields.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>


namespace data {

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// A blank around a field: a character of code 32 or less that neither
// separates fields nor ends the line.
bool IsBlank(int c, char separator) {
  return c != EOF && c != '\n' && c <= 32 && (separator == 0 || c != static_cast<unsigned char>(separator));
}

// What character c at place i tells about the cut after the 30th.
void NoteCharacter(Field& f, std::size_t i, int c) {
  if (i < kValueCharacters ? IsExponentMark(c) : !IsMantissaCharacter(c) && !(c == ',' && f.DecimalComma))
    (i < kValueCharacters ? f.ExponentInHead : f.TailNotMantissa) = true;
}

void Append(Field* f, int c) {
  if (f == nullptr) return;
  if (f->Length < kWholeValue) f->Text[f->Length] = static_cast<char>(c);
  NoteCharacter(*f, f->Length++, c);
}

// A plain row's value: a run of characters above code 32, and the blanks
// after it, so that the line end shows when no value follows.
FieldEnd NextPlainValue(TextInput& in, Field* f) {
  for (int c = in.Peek(); c != EOF && c > 32; c = in.Peek()) Append(f, in.Get());
  while (IsBlank(in.Peek(), 0)) in.Get();
  const int c = in.Peek();
  return c == EOF ? FieldEnd::FileEnd : c == '\n' ? FieldEnd::LineEnd : FieldEnd::Separator;
}

// The inside of a quoted field, its opening quote read: up to the closing
// quote, a doubled quote standing for one. False at the file's end.
bool QuotedText(TextInput& in, Field* f) {
  for (int c = in.Get(); c != EOF; c = in.Get()) {
    if (c == '"') {
      if (in.Peek() != '"') return true;
      in.Get();
    }
    Append(f, c);
  }
  return false;
}

// The characters from p to end, all in the buffer, as the field's.
void AppendSpan(Field* f, const unsigned char* p, const unsigned char* end) {
  if (f == nullptr) return;
  const std::size_t n = static_cast<std::size_t>(end - p);
  std::memcpy(f->Text, p, std::min(n, kWholeValue));
  f->Length = n;
  for (std::size_t i = 0; i < n; ++i) NoteCharacter(*f, i, p[i]);
}

// Nearly every field ends inside the buffer and holds no quote: it is
// taken where it lies. False when not, with nothing read.
bool FieldInBuffer(TextInput& in, char separator, Field* f, FieldEnd& end) {
  const unsigned char* p = in.Buffer + in.Pos;
  const unsigned char* last = in.Buffer + in.Len;
  const unsigned char sep = static_cast<unsigned char>(separator);
  const unsigned char* q = p;
  while (q < last && *q != sep && *q != '\n') ++q;
  if (q == last) return false;
  const unsigned char* t = q;
  while (t > p && t[-1] <= 32) --t;  // blanks after the field
  AppendSpan(f, p, t);
  in.Pos = static_cast<std::size_t>(q - in.Buffer);
  end = *q == sep ? FieldEnd::Separator : FieldEnd::LineEnd;
  if (end == FieldEnd::Separator) ++in.Pos;
  return true;
}

// A comma between two digits becomes the decimal point.
void CommasToPoints(char* text, std::size_t n) {
  for (std::size_t i = 1; i + 1 < n; ++i)
    if (text[i] == ',' && IsDigit(text[i - 1]) && IsDigit(text[i + 1])) text[i] = '.';
}

bool Convert(Field& f, bool decimalComma, long double& v) {
  if (f.Length == 0) return false;
  if (decimalComma) CommasToPoints(f.Text, std::min(f.Length, kWholeValue));
  return ConvertValue(f.Text, f.Length, !f.ExponentInHead && !f.TailNotMantissa, v);
}

}  // namespace

FieldEnd NextField(TextInput& in, char separator, Field* f, bool& unclosed) {
  if (f != nullptr) f->Length = 0, f->ExponentInHead = f->TailNotMantissa = false;
  while (IsBlank(in.Peek(), separator)) in.Get();
  if (separator == 0) return NextPlainValue(in, f);
  if (in.Peek() == '"') {
    in.Get();
    if (!QuotedText(in, f)) {
      unclosed = true;
      return FieldEnd::FileEnd;
    }
  } else if (FieldEnd end; FieldInBuffer(in, separator, f, end)) {
    return end;
  }
  // Blanks count only between other characters: those at the end are
  // kept back until one follows.
  std::string blanks;
  for (int c = in.Peek();; c = in.Peek()) {
    if (c == EOF) return FieldEnd::FileEnd;
    if (c == '\n') return FieldEnd::LineEnd;
    in.Get();
    if (c == static_cast<unsigned char>(separator)) return FieldEnd::Separator;
    if (c <= 32) {
      blanks += static_cast<char>(c);
      continue;
    }
    for (char b : blanks) Append(f, static_cast<unsigned char>(b));
    blanks.clear();
    Append(f, c);
  }
}

namespace {

// A field of at most 30 characters converted where it lies; decimal
// commas become points in a copy.
bool ConvertSpan(const unsigned char* p, std::size_t n, bool decimalComma, long double& v) {
  if (n == 0) return false;
  if (!decimalComma) return ConvertValue(reinterpret_cast<const char*>(p), n, true, v);
  char copy[kValueCharacters];
  std::memcpy(copy, p, n);
  CommasToPoints(copy, n);
  return ConvertValue(copy, n, true, v);
}

// The common row: a whole line in the buffer, no quote in it (the line
// ends before the buffer's next quote), no value longer than 30
// characters. Its values are converted where they lie, straight into
// x, y and e; false for any other row, which is then read field by field
// from its start (a value stored before it was found out is stored again,
// the same, or is of a row that is dropped).
bool RowInBuffer(TextInput& in, const ColumnLayout& c, long double& x, long double& y,
                 long double& e, RowFound& found) {
  const unsigned char* p = in.Buffer + in.Pos;
  const unsigned char* nl =
      static_cast<const unsigned char*>(std::memchr(p, '\n', in.QuoteFreeEnd() - in.Pos));
  if (nl == nullptr) return false;
  const unsigned char sep = static_cast<unsigned char>(c.Format.Separator);
  const int32_t last = std::max(c.X, std::max(c.Y, c.Error));
  bool gotX = false, gotY = false, gotError = false;
  for (int32_t k = 1; k <= last && p <= nl; ++k) {
    while (p < nl && *p <= 32 && *p != sep) ++p;
    const unsigned char* q = p;
    while (q < nl && *q != sep) ++q;
    if (k == c.X || k == c.Y || k == c.Error) {
      const unsigned char* t = q;
      while (t > p && t[-1] <= 32) --t;
      const std::size_t n = static_cast<std::size_t>(t - p);
      if (n > kValueCharacters) return false;
      long double v;
      if (ConvertSpan(p, n, c.Format.DecimalComma, v)) {
        if (k == c.X) x = v, gotX = true;
        if (k == c.Y) y = v, gotY = true;
        if (k == c.Error) e = v, gotError = true;
      }
    }
    p = q + 1;
  }
  found.X = gotX, found.Y = gotY, found.Error = gotError;
  in.Pos = static_cast<std::size_t>(nl - in.Buffer) + 1;
  return true;
}

}  // namespace

RowFound ReadFormattedRow(TextInput& in, const ColumnLayout& c, long double& x, long double& y,
                          long double& e) {
  const char separator = c.Format.Separator;
  if (RowFound found; separator != 0 && in.Pos < in.Len && RowInBuffer(in, c, x, y, e, found))
    return found;
  const int32_t last = std::max(c.X, std::max(c.Y, c.Error));
  RowFound found;
  Field field;
  field.DecimalComma = c.Format.DecimalComma;
  bool unclosed = false;
  FieldEnd end = FieldEnd::Separator;
  for (int32_t k = 1; k <= last && end == FieldEnd::Separator; ++k) {
    const bool wanted = k == c.X || k == c.Y || k == c.Error;
    end = NextField(in, separator, wanted ? &field : nullptr, unclosed);
    long double v;
    if (!wanted || !Convert(field, c.Format.DecimalComma, v)) continue;
    if (k == c.X) x = v, found.X = true;
    if (k == c.Y) y = v, found.Y = true;
    if (k == c.Error) e = v, found.Error = true;
  }
  if (end != FieldEnd::Separator) {
    if (in.Peek() == '\n') in.Get();
  } else if (separator != 0) {
    SkipRecord(in, separator);
  } else {
    while (in.Peek() != EOF && in.Get() != '\n') {}
  }
  return found;
}

bool SkipRecord(TextInput& in, char separator) {
  // A line without a quote (one that ends before the buffer's next quote)
  // is one record whatever its fields: passed at once.
  const void* nl =
      in.Pos < in.Len ? std::memchr(in.Buffer + in.Pos, '\n', in.QuoteFreeEnd() - in.Pos) : nullptr;
  if (nl != nullptr) {
    in.Pos = static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - in.Buffer) + 1;
    return false;
  }
  bool unclosed = false;
  while (NextField(in, separator, nullptr, unclosed) == FieldEnd::Separator) {}
  if (in.Peek() == '\n') in.Get();
  return unclosed;
}

// ---- What a file's lines tell ----------------------------------------------

namespace {

constexpr std::size_t kLineLimit = 1 << 16;  // characters of a line looked at

// The next line, without its line end (at most kLineLimit characters of
// it); false at the file's end.
bool NextLine(TextInput& in, std::string& line) {
  line.clear();
  if (in.Peek() == EOF) return false;
  for (int c = in.Get(); c != EOF && c != '\n'; c = in.Get())
    if (line.size() < kLineLimit) line += static_cast<char>(c);
  return true;
}

// A line that begins with a number (after blanks, perhaps in quotes).
bool BeginsWithNumber(const std::string& line) {
  std::size_t i = line.find_first_not_of(" \t\r\f\v");
  if (i == std::string::npos) return false;
  if (line[i] == '"') ++i;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
  if (i < line.size() && line[i] == '.') ++i;
  return i < line.size() && IsDigit(static_cast<unsigned char>(line[i]));
}

// True when the line splits at `separator` into two or more fields of
// which none holds a blank inside (quotes are passed over).
bool SplitsCleanly(const std::string& line, char separator) {
  int fields = 1;
  bool quoted = false, text = false, gap = false;
  for (char ch : line) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (ch == separator) {
      ++fields, text = gap = false;
    } else if (c <= 32) {
      gap = text;
    } else {
      if (gap) return false;
      text = true;
    }
  }
  return fields >= 2;
}

// The first place where `mark` stands between two digits; npos if none.
std::size_t BetweenDigits(const std::string& line, char mark) {
  for (std::size_t i = 1; i + 1 < line.size(); ++i)
    if (line[i] == mark && IsDigit(static_cast<unsigned char>(line[i - 1])) &&
        IsDigit(static_cast<unsigned char>(line[i + 1])))
      return i;
  return std::string::npos;
}

}  // namespace

RowFormat DetectRowFormat(TextInput& in, bool decimalComma) {
  std::vector<std::string> rows;
  std::string line;
  for (int lines = 0; rows.size() < 20 && lines < 1000 && NextLine(in, line); ++lines)
    if (BeginsWithNumber(line)) rows.push_back(line);
  RowFormat format;
  format.DecimalComma = decimalComma;
  if (rows.empty()) return format;
  for (char separator : {';', '\t', ','}) {
    if (separator == ',' && decimalComma) break;
    if (std::all_of(rows.begin(), rows.end(),
                    [&](const std::string& r) { return SplitsCleanly(r, separator); })) {
      format.Separator = separator;
      break;
    }
  }
  if (format.Separator != ',')
    for (const std::string& r : rows)
      if (BetweenDigits(r, ',') != std::string::npos) format.DecimalComma = true;
  return format;
}

int32_t FindColumn(TextInput& in, const RowFormat& format, const std::string& name) {
  Field field;
  bool unclosed = false;
  while (in.Peek() != EOF) {
    FieldEnd end = FieldEnd::Separator;
    for (int32_t k = 1; end == FieldEnd::Separator && k < INT32_MAX; ++k) {
      end = NextField(in, format.Separator, &field, unclosed);
      // Only the first kWholeValue characters of a field are kept: a longer
      // name matches none.
      if (field.Length == name.size() && name.size() <= kWholeValue &&
          std::memcmp(field.Text, name.data(), name.size()) == 0)
        return k;
    }
    if (end == FieldEnd::Separator) SkipRecord(in, format.Separator);
    if (in.Peek() == '\n') in.Get();
  }
  return 0;
}

std::string SeparatorHint(TextInput& in, int64_t firstLine) {
  static const struct {
    char Mark;
    const char* Name;
  } kMarks[] = {{';', "A semicolon"}, {',', "A comma"}};
  std::string line;
  for (int n = 1; n <= 100 && NextLine(in, line); ++n)
    for (const auto& m : kMarks)
      if (BetweenDigits(line, m.Mark) != std::string::npos)
        return std::string(m.Name) + " stands between digits in line " +
               std::to_string(firstLine + n - 1) +
               " of the data file: try -c ColumnSeparator=AUTO (or set ColumnSeparator and "
               "DecimalComma)";
  return "";
}

}  // namespace data
