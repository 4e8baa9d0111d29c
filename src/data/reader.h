// The data file reader: choosing and opening the file, skipping header
// lines, counting the rows and reading the X, Y and error columns.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

struct gzFile_s;  // zlib's compressed file

namespace data {

// A data file read through a buffer of its own, one character at a time.
// A read error is the fatal input/output stop, naming the file. A file
// that begins with gzip's magic bytes is read through zlib (Gz), whatever
// its name: the rest of the program sees only its text.
struct TextInput {
  std::FILE* File = nullptr;
  gzFile_s* Gz = nullptr;
  std::string Name;
  unsigned char Buffer[1 << 16];
  std::size_t Pos = 0, Len = 0;
  // Buffer[Pos, QuoteFree) holds no double quote: QuoteFree is the place
  // of the next quote, or Len. Found by one search of the rest of the
  // buffer, done again only after a refill or once Pos has reached it, so
  // that the rows of a file without quotes (nearly every one) are passed
  // with no look for a quote of their own.
  std::size_t QuoteFree = 0;

  int Peek() { return Pos < Len ? Buffer[Pos] : Refill(); }
  int Get() {
    int c = Peek();
    if (c != EOF) ++Pos;
    return c;
  }
  int Refill();
  // Where the quote-free part of the buffer from Pos ends (Pos <= Len).
  std::size_t QuoteFreeEnd() {
    if (QuoteFree <= Pos) {
      const void* q = std::memchr(Buffer + Pos, '"', Len - Pos);
      QuoteFree = q != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(q) - Buffer) : Len;
    }
    return QuoteFree;
  }
};

// The data file of the run: its name as used, and its input.
extern TextInput DataFile;

// Chooses the name (argument 1, then InputFileName, the file-selection
// dialog for an empty name or "?", then "kurvex.dat") and opens the file.
// A file that cannot be opened, or is no regular file, is the data-file
// error stop, with the reason on a line of its own; after the window's file
// dialog was cancelled it is the normal end (status 0) with one log line.
void OpenDataFile();
// Opens `name` for reading when it is a regular file, which alone can be
// read twice (to count the rows, then to read them). Null when not, with
// errno set (EINVAL for a FIFO, a device or a socket) and `reason` saying why.
std::FILE* OpenRegularFile(const std::string& name, std::string& reason);
// Opens `name` as the program reads it into `in` (OpenRegularFile, then
// zlib for a gzip file); false with `reason` when it cannot be opened.
bool OpenInput(TextInput& in, const std::string& name, std::string& reason);
// Closes what OpenInput opened; a failure is the fatal input/output stop.
void CloseInput(TextInput& in);

// How the values of a row are separated, and which decimal mark they have.
struct RowFormat {
  char Separator = 0;         // 0: blanks and control characters; else the fields' separator
  bool DecimalComma = false;  // a comma between digits is the decimal point
};

// Reads and discards `count` lines (nothing when count is 0 or negative).
void SkipLines(TextInput& in, int32_t count);
// The rows from here on: every line that holds a character above code 32
// (with a separator: every record, which a quoted field may carry on over
// line ends; a quote never closed is told on standard error, once).
int32_t CountRows(TextInput& in, const RowFormat& format = {});
// Opens `in` again from its start and skips the header lines again; a
// failure is the fatal input/output stop.
void ReopenInput(TextInput& in, int32_t omittedRows);
void CloseDataFile();

// The column settings a row is read with.
struct ColumnLayout {
  int32_t X = 1, Y = 2, Error = 0;
  long double ErrorFill = -1;
  RowFormat Format;
};

// Reads the `rowBound` rows counted into entries 1.. of X, Y and E; a row
// without a numeric X or Y is dropped. Returns the accepted count. A file
// with fewer rows than counted has changed while it was read: an error stop.
int32_t ReadRows(TextInput& in, const ColumnLayout& columns, long double* X,
                 long double* Y, long double* E, int32_t rowBound);

// The next value of the current line, as its first 30 characters when only
// mantissa digits follow them, else whole (up to 255 characters); false
// when it is not a number. Called only when the line holds one more value.
bool ReadNumberToken(TextInput& in, long double& value);

// The format the rows from here on have (ColumnSeparator AUTO), from up to
// 20 lines that begin with a number: semicolon, tab or comma when every
// one of them splits into fields at it without a blank inside a field,
// else blanks; a comma between digits in the fields is a decimal comma.
// With `decimalComma` (DecimalComma = YES) a comma is never the separator.
// Reads ahead: the caller reopens the file.
RowFormat DetectRowFormat(TextInput& in, bool decimalComma);

// The number of the first field equal to `name` (blanks around a field
// and its quotes removed) in the first row from here on that has one; 0
// when no row has. Reads ahead: the caller reopens the file.
int32_t FindColumn(TextInput& in, const RowFormat& format, const std::string& name);

// The layout of the rows from here on: with `guess` (ColumnSeparator
// AUTO) their format from the first rows, and the number of each column
// given by name (`names` for X, Y and the error; empty: the number stays)
// from the header. Each look reads ahead, so `in` is reopened and its
// first `omittedRows` lines skipped after it. Returns the first name that
// no row holds, "" when every one was found.
std::string SettleLayout(TextInput& in, int32_t omittedRows, bool guess,
                         const std::array<std::string, 3>& names, ColumnLayout& layout);

// When the rows from here on read to fewer than two, why that may be: a
// line with a comma or semicolon between digits, named (counting the
// line here as `firstLine`) with the keys to try; "" when no such line is
// among the first 100. Reads ahead.
std::string SeparatorHint(TextInput& in, int64_t firstLine);

}  // namespace data
