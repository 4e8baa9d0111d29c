// Reading the data file. A value is a run of characters above code 32; any
// character of code 32 or less separates values, and only a line feed ends
// a line, so CR LF files, tabs and stray control characters all read alike.
#include "data/reader.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "config/config_file.h"
#include "base/allocate.h"
#include "base/convert.h"
#include "base/number_format.h"
#include "config/settings.h"
#include "dialogs/dialogs.h"
#include "base/stop.h"
#include "data/fields.h"

namespace data {

TextInput DataFile;

namespace {

// zlib's reason, or the system's when zlib says it was the system's.
std::string GzReason(gzFile_s* gz) {
  int error = Z_OK;
  const char* text = gzerror(gz, &error);
  if (error == Z_ERRNO) return std::strerror(errno);
  std::string reason = text != nullptr ? text : "";
  // zlib puts the name it was given first: here "<fd:N>: ", of no use.
  if (reason.rfind("<fd:", 0) == 0 && reason.find(": ") != std::string::npos)
    reason.erase(0, reason.find(": ") + 2);
  return "compressed data: " + (reason.empty() ? std::string("corrupt") : reason);
}

}  // namespace

// A compressed file that is corrupt or ends too soon is a failed read: its
// rows cannot be trusted, and none may be lost without a word.
int TextInput::Refill() {
  Pos = QuoteFree = 0;
  if (Gz != nullptr) {
    const int got = gzread(Gz, Buffer, sizeof Buffer);
    int error = Z_OK;
    if (got <= 0) gzerror(Gz, &error);
    if (got < 0 || error != Z_OK) base::FatalIoError(Name, GzReason(Gz).c_str());
    Len = static_cast<std::size_t>(got);
    return Len ? Buffer[0] : EOF;
  }
  Len = std::fread(Buffer, 1, sizeof Buffer, File);
  if (Len == 0 && std::ferror(File)) base::FatalIoError(Name, errno);
  return Len ? Buffer[0] : EOF;
}

namespace {

// A quote never closed makes the rest of the file one field, which is
// seldom what the file meant: said once, on standard error.
void TellUnclosedQuote(const std::string& name, int32_t row) {
  std::fprintf(stderr,
               "kurvex: %s: the quote opened in row %d is never closed: the rest of the file is one field\n",
               name.c_str(), static_cast<int>(row));
  std::fflush(stderr);
}

bool IsSeparator(int c) { return c != EOF && c != '\n' && c <= 32; }

// Passes over empty and blank lines; true when a row follows. A tab that
// separates fields is no blank: it keeps an empty first field in its place.
bool SkipBlankLines(TextInput& in, char separator = 0) {
  const int sep = static_cast<unsigned char>(separator);
  for (int c = in.Peek(); c != EOF; c = in.Peek()) {
    if (c > 32 || (sep != 0 && c == sep)) return true;
    in.Get();
  }
  return false;
}

// Up to and including the line feed, a buffer at a time.
void SkipRestOfLine(TextInput& in) {
  while (in.Peek() != EOF) {
    const void* end = std::memchr(in.Buffer + in.Pos, '\n', in.Len - in.Pos);
    if (end != nullptr) {
      in.Pos = static_cast<std::size_t>(static_cast<const unsigned char*>(end) - in.Buffer) + 1;
      return;
    }
    in.Pos = in.Len;
  }
}

// Passes the separators before the next value; true when the line holds one.
bool ValueFollows(TextInput& in) {
  while (IsSeparator(in.Peek())) in.Get();
  int c = in.Peek();
  return c != EOF && c != '\n';
}

// The stop's two lines are fixed; why the file cannot be read comes on a
// line of its own between them. In a window the box is the one every
// error stop shows; the memory driver's box is standard error, where the
// stop then does not write the lines again.
[[noreturn]] void DataFileErrorStop(const std::string& name, const std::string& reason) {
  const std::string first = "Input file (" + name + ") cannot be read!";
  const std::string why = "Reason: " + reason;
  const std::string second =
      "Check the configuration file and/or the first command line parameter!";
  const bool told = !dialogs::ShowStopBox({first, why, second}) &&
                    dialogs::ShowMessageBox("Stopped with error!||" + first + "|" + why + "|" + second);
  base::ErrorStop({first, why, second}, told);
}

// The name the user gave is used whole: a cut path would name another file.
// `cancelled` tells that the user cancelled the window's file dialog (the
// terminal's empty answer is no such choice: a script may give it by mistake).
std::string ChooseDataFileName(bool& cancelled) {
  std::string name = config::CommandLine.Argument[1];
  if (name.empty()) name = config::ConfigValue(config::Key::InputFileName);
  if (name.empty() || name == "?") {
    name = dialogs::SelectDataFile();
    cancelled = name.empty() && dialogs::DialogsInWindow();
  }
  if (name.empty()) name = config::kDefaultDataFile;
  return name;
}

// Why a name that is no regular file cannot be read, in the words the
// system uses for its own reasons.
std::string KindReason(mode_t mode) {
  if (S_ISDIR(mode)) return std::strerror(EISDIR);
  const char* kind = S_ISFIFO(mode) ? "Is a FIFO (named pipe)"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "Is a device"
                     : S_ISSOCK(mode)                 ? "Is a socket"
                                                      : "Is no regular file";
  return std::string(kind) + ": only a regular file can be read twice, to count the rows and to read them";
}

// Refuses a name that is no regular file: null, with the reason (and
// errno EISDIR for a folder, else EINVAL).
std::FILE* NotRegular(mode_t mode, std::string& reason) {
  reason = KindReason(mode);
  errno = S_ISDIR(mode) ? EISDIR : EINVAL;
  return nullptr;
}

// A failed call of the system: null, with its reason.
std::FILE* Failed(int error, std::string& reason) {
  reason = std::strerror(error);
  errno = error;
  return nullptr;
}

// A file that ends before the rows counted in it: it has been cut or
// rewritten since (by the program that writes it, or a copy of it still
// running). The rows read so far are no whole data set, so the run stops.
[[noreturn]] void RowsGoneStop(const std::string& name, int32_t counted, int32_t found) {
  base::ErrorStop({"Input file (" + name + ") has changed while it was read: " + base::IntText(counted) +
                   " rows were counted, then only " + base::IntText(found) + " found!"});
}

}  // namespace

// A device, a FIFO or a pipe would hang the count or lose its rows, so it
// is refused before it is opened (opening a FIFO would wait for a writer),
// and once more after, should the name have been replaced in between.
std::FILE* OpenRegularFile(const std::string& name, std::string& reason) {
  struct stat st;
  if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return NotRegular(st.st_mode, reason);
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (f == nullptr) return Failed(errno, reason);
  const bool known = ::fstat(fileno(f), &st) == 0;
  const int error = errno;
  if (known && S_ISREG(st.st_mode)) return f;
  std::fclose(f);
  return known ? NotRegular(st.st_mode, reason) : Failed(error, reason);
}

// Cancelling the window's file dialog is the user's choice not to go on: the
// run ends as asked, with status 0 and a line of its own in the log, unless
// kurvex.dat is there to be read, which the run then takes as it always has.
// A script without a data file (the memory driver) still ends with the
// data-file stop, so that a run without data never passes for a success.
void OpenDataFile() {
  bool cancelled = false;
  DataFile.Name = ChooseDataFileName(cancelled);
  std::string reason;
  OpenInput(DataFile, DataFile.Name, reason);
  if (!DataFile.File && cancelled)
    base::StopProgram(base::kExitNormal, {"No data file was chosen: the file dialog was cancelled."});
  if (!DataFile.File) DataFileErrorStop(DataFile.Name, reason);
}

void SkipLines(TextInput& in, int32_t count) {
  for (int32_t i = 0; i < count && in.Peek() != EOF; ++i) SkipRestOfLine(in);
}

// With a separator a record may go on over line ends inside quotes, so
// the records are counted as the rows will be read.
int32_t CountRows(TextInput& in, const RowFormat& format) {
  int32_t rows = 0;
  bool unclosed = false;
  while (SkipBlankLines(in, format.Separator) && rows < INT32_MAX) {
    if (format.Separator == 0)
      SkipRestOfLine(in);
    else if (SkipRecord(in, format.Separator) && !unclosed)
      unclosed = true, TellUnclosedQuote(in.Name, rows + 1);
    ++rows;
  }
  return rows;
}

void ReopenInput(TextInput& in, int32_t omittedRows) {
  CloseInput(in);
  std::string reason;
  if (!OpenInput(in, in.Name, reason)) base::FatalIoError(in.Name, reason.c_str());
  SkipLines(in, omittedRows);
}

std::string SettleLayout(TextInput& in, int32_t omittedRows, bool guess,
                         const std::array<std::string, 3>& names, ColumnLayout& layout) {
  if (guess) {
    layout.Format = DetectRowFormat(in, layout.Format.DecimalComma);
    ReopenInput(in, omittedRows);
  }
  int32_t* numbers[3] = {&layout.X, &layout.Y, &layout.Error};
  for (int i = 0; i < 3; ++i) {
    if (names[i].empty()) continue;
    *numbers[i] = FindColumn(in, layout.Format, names[i]);
    if (*numbers[i] == 0) return names[i];
    ReopenInput(in, omittedRows);
  }
  return "";
}

void CloseDataFile() { CloseInput(DataFile); }

bool OpenInput(TextInput& in, const std::string& name, std::string& reason) {
  in.Pos = in.Len = in.QuoteFree = 0;
  in.File = OpenRegularFile(name, reason);
  if (in.File == nullptr) return false;
  unsigned char magic[2] = {0, 0};
  const std::size_t got = std::fread(magic, 1, 2, in.File);
  if (std::ferror(in.File) || std::fseek(in.File, 0, SEEK_SET) != 0) base::FatalIoError(name, errno);
  if (got < 2 || magic[0] != 0x1f || magic[1] != 0x8b) return true;
  const int fd = ::dup(fileno(in.File));
  in.Gz = fd < 0 ? nullptr : gzdopen(fd, "rb");
  if (in.Gz == nullptr) {
    const int error = fd < 0 ? errno : ENOMEM;
    if (fd >= 0) ::close(fd);
    base::FatalIoError(name, error);
  }
  gzbuffer(in.Gz, 1 << 17);
  return true;
}

void CloseInput(TextInput& in) {
  std::FILE* f = in.File;
  gzFile_s* gz = in.Gz;
  in.File = nullptr, in.Gz = nullptr;
  in.Pos = in.Len = in.QuoteFree = 0;
  if (gz != nullptr && gzclose(gz) != Z_OK) base::FatalIoError(in.Name, "compressed data: cannot be closed");
  if (f && std::fclose(f) != 0) base::FatalIoError(in.Name, errno);
}

// A value counts with its first 30 characters. What lies past them is cut
// when it is only digits of the mantissa (and its point), as the data
// format has always had it. Cutting into or before an exponent would change
// the value's power of ten: "1.0000000000000000555111512e-01" (printf's
// %.25e of 0.1) would be read as 1. Such a value is read whole, up to the
// 255 characters of any text; a longer one is no number.
bool ConvertValue(const char* text, std::size_t length, bool onlyMantissaCut, long double& value) {
  if (length <= kValueCharacters || onlyMantissaCut)
    return base::ParseReal(text, std::min(length, kValueCharacters), value);
  return length <= kWholeValue && base::ParseReal(text, length, value);
}

bool ReadNumberToken(TextInput& in, long double& value) {
  while (IsSeparator(in.Peek())) in.Get();
  // Nearly always the value ends inside the buffer: it is converted where it lies.
  std::size_t end = in.Pos;
  while (end < in.Len && in.Buffer[end] > 32) ++end;
  if (end < in.Len) {
    const char* start = reinterpret_cast<const char*>(in.Buffer + in.Pos);
    const std::size_t length = end - in.Pos;
    const bool onlyMantissaCut =
        length <= kValueCharacters ||
        (std::none_of(start, start + kValueCharacters, IsExponentMark) &&
         std::all_of(start + kValueCharacters, start + length, IsMantissaCharacter));
    in.Pos = end;
    if (IsSeparator(in.Peek())) in.Get();
    return ConvertValue(start, length, onlyMantissaCut, value);
  }
  char text[kWholeValue];
  std::size_t length = 0;
  bool onlyMantissaCut = true;
  for (int c = in.Peek(); c != EOF && c > 32; c = in.Peek(), ++length) {
    if (length < kWholeValue) text[length] = static_cast<char>(c);
    if (length < kValueCharacters ? IsExponentMark(c) : !IsMantissaCharacter(c)) onlyMantissaCut = false;
    in.Get();
  }
  if (IsSeparator(in.Peek())) in.Get();  // the separator after a value is consumed
  return ConvertValue(text, length, onlyMantissaCut, value);
}

// How often the reader tells the page clearing how far it has come: every
// 16384 rows, a quarter of a megabyte of one data array.
constexpr int32_t kRowsPerReport = 1 << 14;

// The rows are read as they were counted: a file that has grown since is
// read to its counted rows (the newer ones at its end are not read, and the
// arrays never overrun); one that has become shorter stops the run.
int32_t ReadRows(TextInput& in, const ColumnLayout& columns, long double* X,
                 long double* Y, long double* E, int32_t rowBound) {
  int32_t count = 0, rows = 0;
  int32_t last = std::max(columns.X, std::max(columns.Y, columns.Error));
  const bool plain = columns.Format.Separator == 0 && !columns.Format.DecimalComma;
  while (rows < rowBound && SkipBlankLines(in, columns.Format.Separator)) {
    ++rows, ++count;
    bool hasX = false, hasY = false, hasError = false;
    if (plain) {
      for (int32_t k = 1; k <= last && ValueFollows(in); ++k) {
        long double v;
        if (!ReadNumberToken(in, v)) continue;
        if (k == columns.X) X[count] = v, hasX = true;
        if (k == columns.Y) Y[count] = v, hasY = true;
        if (k == columns.Error) E[count] = v, hasError = true;
      }
      SkipRestOfLine(in);
    } else {
      const RowFound found = ReadFormattedRow(in, columns, X[count], Y[count], E[count]);
      hasX = found.X, hasY = found.Y, hasError = found.Error;
    }
    if (!hasError) E[count] = columns.ErrorFill;
    if (!hasX || !hasY) --count;
    // Rows that exist may have their pages cleared ahead (see RowsInUse).
    if (count % kRowsPerReport == 0) base::RowsInUse(count);
  }
  if (rows < rowBound) RowsGoneStop(in.Name, rowBound, rows);
  return count;
}

}  // namespace data
