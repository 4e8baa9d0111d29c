// Writing the spline data file. Fields are FormatExponent of width W =
// NumberWidth, separated by one space. A million-point fit makes a file of
// hundreds of megabytes, so rows are formatted straight into a large buffer
// of our own, without temporary strings, and handed to the system in big
// pieces; every write is checked, and so is the close at the end of the pass,
// so a full disk or a lost directory ends the run with the file's name
// instead of leaving a short file. The text goes to a temporary file that
// replaces the old one only when the pass is complete, so a failing pass
// leaves the previous result as it was. The same text can go to a string in
// memory instead.
#include "output/spline_file.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "base/number_format.h"
#include "base/replace_file.h"
#include "base/stop.h"
#include "base/text.h"
#include "output/result_files.h"

namespace output {
namespace {

// From this many data points on, the file is long enough (a few megabytes)
// for the second threads below to save more than they cost.
constexpr int32_t kLongFile = 8192;

// The text waiting to be written. A row is at most 12 fields of
// ExponentFieldRoom characters with their separators and a line end.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kRowRoom = 12 * (base::ExponentFieldRoom + 1) + 1;

// ---- The writer's state, all of it ----

// The text of the last value formatted in one column, reused when the next
// value is the same to the last bit (the Xmax of a row is the Xmin of the
// next; error values often repeat).
struct FieldCache {
  unsigned char bits[10];
  bool valid = false;
  int32_t length = 0;
  char text[base::ExponentFieldRoom];
};

// The last curve row, which repeats while the walk stays at X[n].
struct RowCache {
  unsigned char bits[6][10];
  bool valid = false;
  std::string text;
};

// The thread that writes full buffers of a long file (see below).
struct BackgroundWriter {
  std::mutex lock;
  std::condition_variable changed;
  const char* pending = nullptr;  // a full buffer handed over, not yet written
  std::size_t size = 0;
  int error = 0;                  // errno of the first failed write
  bool stop = false;
  std::thread thread;
  bool active = false;
};

// The thread that formats segment rows ahead (see below).
constexpr int32_t kRowsPerBlock = 4096;
constexpr int32_t kSlots = 4;  // blocks the second thread may hold ready

struct RowBlock {
  char* text = nullptr;        // the rows one after the other
  uint32_t* end = nullptr;     // where each row's text ends
  int32_t index = -1;          // the block held
  bool ready = false;          // formatted, not yet taken
};

struct RowsAhead {
  std::mutex lock;
  std::condition_variable changed;
  RowBlock slot[kSlots];
  std::size_t rowRoom = 0;     // text room of one row at the pass's width
  int32_t rows = 0, blocks = 0;
  bool cancelled = false;      // the pass ends early: the thread stops
  std::thread worker;
  bool active = false;
};

// What writing the file keeps between calls, for the whole run.
struct SplineFileRecord {
  const SplineFileContent* C = nullptr;  // what the file of the pass is written from
  std::string* Memory = nullptr;  // the text goes here instead of to File
  base::ReplacementFile File;    // the file of the pass
  char Buffers[2][kBufferSize];  // text waiting to be written: two, so that
  char* Buffer = Buffers[0];     // one fills while a thread writes the other
  std::size_t Buffered = 0;
  FieldCache XmaxText, ErrText;  // the last Xmax and Err of the table
  RowCache LastCurveRow;
  BackgroundWriter Writer;
  RowsAhead Ahead;
};
// Never destroyed: a run may end by exit() in any state, its threads too.
SplineFileRecord& F = *new SplineFileRecord;

// ---- Writing on a second thread ----
//
// Handing the text of a long file to the system costs about as much as
// forming it (the pages of a new file must be found and filled), so for a
// long file full buffers go to a writer thread while the next one fills; a
// failed write is reported at the next hand-over or at the end of the pass.

void WriteHandedOver() {
  std::unique_lock<std::mutex> hold(F.Writer.lock);
  for (;;) {
    F.Writer.changed.wait(hold, [] { return F.Writer.pending != nullptr || F.Writer.stop; });
    if (!F.Writer.pending) return;
    const char* text = F.Writer.pending;
    const std::size_t size = F.Writer.size;
    hold.unlock();
    const bool written = std::fwrite(text, 1, size, F.File.File) == size;
    const int error = errno;
    hold.lock();
    if (!written && F.Writer.error == 0) F.Writer.error = error ? error : EIO;
    F.Writer.pending = nullptr;
    F.Writer.changed.notify_all();
  }
}

// Waits until the writer holds no F.Buffer; stops the run if a write failed.
void WaitForWriter() {
  std::unique_lock<std::mutex> hold(F.Writer.lock);
  F.Writer.changed.wait(hold, [] { return F.Writer.pending == nullptr; });
  if (F.Writer.error != 0) base::FailReplacement(F.File, F.Writer.error);
}

// Starts `body` on a thread of its own; false when the system has none to
// give, and the work is then done on the pass's own thread.
bool StartThread(std::thread& thread, void (*body)()) {
  try {
    thread = std::thread(body);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void StartWriter() {
  F.Writer.pending = nullptr;
  F.Writer.error = 0;
  F.Writer.stop = false;
  F.Writer.active = StartThread(F.Writer.thread, WriteHandedOver);
}

// Ends the writer once it has written everything handed to it. Returns the
// errno of a failed write, or 0.
int StopWriter() {
  if (!F.Writer.active) return 0;
  {
    std::lock_guard<std::mutex> hold(F.Writer.lock);
    F.Writer.stop = true;
    F.Writer.changed.notify_all();
  }
  F.Writer.thread.join();
  F.Writer.active = false;
  return F.Writer.error;
}

void Flush() {
  if (F.Buffered == 0) return;
  if (F.Memory) {
    F.Memory->append(F.Buffer, F.Buffered);
  } else if (!F.Writer.active) {
    if (std::fwrite(F.Buffer, 1, F.Buffered, F.File.File) != F.Buffered)
      base::FailReplacement(F.File, errno);
  } else {
    WaitForWriter();
    std::lock_guard<std::mutex> hold(F.Writer.lock);
    F.Writer.pending = F.Buffer, F.Writer.size = F.Buffered;
    F.Writer.changed.notify_all();
    F.Buffer = F.Buffer == F.Buffers[0] ? F.Buffers[1] : F.Buffers[0];
  }
  F.Buffered = 0;
}

// Room for one more row of text at the end of the F.Buffer.
char* RowSpace() {
  if (kBufferSize - F.Buffered < kRowRoom) Flush();
  return F.Buffer + F.Buffered;
}

void Commit(const char* end) { F.Buffered = static_cast<std::size_t>(end - F.Buffer); }

void Write(const std::string& text) {
  if (text.size() > kBufferSize - F.Buffered) Flush();
  if (text.size() > kBufferSize && F.Memory) {
    F.Memory->append(text);
    return;
  }
  if (text.size() > kBufferSize) {
    if (F.Writer.active) WaitForWriter();
    if (std::fwrite(text.data(), 1, text.size(), F.File.File) != text.size())
      base::FailReplacement(F.File, errno);
    return;
  }
  std::memcpy(F.Buffer + F.Buffered, text.data(), text.size());
  F.Buffered += text.size();
}

char* Field(char* out, const long double& x, int32_t w, FieldCache* cache = nullptr) {
  if (cache == nullptr) return base::WriteExponentField(out, x, w);
  if (cache->valid && std::memcmp(cache->bits, &x, sizeof cache->bits) == 0) {
    std::memcpy(out, cache->text, static_cast<std::size_t>(cache->length));
    return out + cache->length;
  }
  char* end = base::WriteExponentField(out, x, w);
  std::memcpy(cache->bits, &x, sizeof cache->bits);
  cache->length = static_cast<int32_t>(end - out);
  std::memcpy(cache->text, out, static_cast<std::size_t>(cache->length));
  cache->valid = true;
  return end;
}

char* Separated(char* out, const long double& x, int32_t w, FieldCache* cache = nullptr) {
  *out++ = ' ';
  return Field(out, x, w, cache);
}

// Value, Der1, Der2, Der3 and Int, each preceded by a separator.
char* ValueFields(char* out, const spline::Evaluation& e, int32_t w) {
  out = Separated(out, e.Value, w);
  out = Separated(out, e.D1, w);
  out = Separated(out, e.D2, w);
  out = Separated(out, e.D3, w);
  return Separated(out, e.Int, w);
}

void RememberBits(unsigned char (&bits)[6][10], long double x, const spline::Evaluation& e) {
  const long double values[6] = {x, e.Value, e.D1, e.D2, e.D3, e.Int};
  for (int32_t k = 0; k < 6; ++k) std::memcpy(bits[k], &values[k], sizeof bits[k]);
}

// Segment row i (1 <= i < n): Xmin, Xmax, A..D, the values at Xmin and Err,
// with its line end; returns the end of the text.
char* SegmentRowText(char* out, int32_t i, FieldCache& xmax, FieldCache& err) {
  const SplineFileContent& c = *F.C;
  const int32_t w = c.NumberWidth;
  const long double x0 = c.X[i];
  const spline::PowerForm p = spline::PowerCoefficients(c.A[i], x0);
  spline::Evaluation e;
  spline::EvaluateAtKnot(c.N, c.X, c.A, i, e);
  out = Field(out, x0, w, &xmax);
  out = Separated(out, c.X[i + 1], w, &xmax);
  out = Separated(out, p.A, w);
  out = Separated(out, p.B, w);
  out = Separated(out, p.C, w);
  out = Separated(out, p.D, w);
  out = ValueFields(out, e, w);
  out = Separated(out, c.Err[i], w, &err);
  *out++ = '\n';
  return out;
}

// ---- Segment rows formatted on two threads ----
//
// The twelve fields of a segment row cost more than everything else the
// table needs, so for a long table the rows are formatted by two threads:
// blocks of rows alternate between the writer, which formats its blocks in
// line, and a second thread, which formats the others ahead into slots from
// which the writer copies them in turn. The second thread only reads the
// data and the fit, which nothing changes during a pass, and writes only its slots;
// the text is the same as formatted in line.

// Room for one row of twelve fields: no field is wider than the width, or
// ten characters when the width is smaller.
std::size_t RowRoomFor(int32_t width) {
  return 12 * (static_cast<std::size_t>(std::clamp(width, 10, base::ExponentFieldRoom)) + 1) + 1;
}

int32_t FirstRowOf(int32_t block) { return 1 + block * kRowsPerBlock; }
int32_t RowsIn(int32_t block) {
  return std::min(kRowsPerBlock, F.Ahead.rows - FirstRowOf(block) + 1);
}
// The second thread's blocks are the odd ones, each in the slot of its turn.
bool FormattedAhead(int32_t block) { return block % 2 == 1; }
RowBlock& SlotOf(int32_t block) { return F.Ahead.slot[(block / 2) % kSlots]; }

// The second thread: formats its blocks in order, each once its slot has
// been emptied by the F.Writer.
void FormatBlocksAhead() {
  FieldCache xmax, err;
  for (int32_t b = 1; b < F.Ahead.blocks; b += 2) {
    RowBlock& k = SlotOf(b);
    {
      std::unique_lock<std::mutex> hold(F.Ahead.lock);
      F.Ahead.changed.wait(hold, [&] { return F.Ahead.cancelled || !k.ready; });
      if (F.Ahead.cancelled) return;
    }
    char* out = k.text;
    for (int32_t r = 0; r < RowsIn(b); ++r) {
      out = SegmentRowText(out, FirstRowOf(b) + r, xmax, err);
      k.end[r] = static_cast<uint32_t>(out - k.text);
    }
    std::lock_guard<std::mutex> hold(F.Ahead.lock);
    k.index = b, k.ready = true;
    F.Ahead.changed.notify_all();
  }
}

// Block buffers are kept from pass to pass and grown when a wider width
// needs more room; false when they cannot be had (the rows are then
// formatted in line).
bool ReserveBlocks(std::size_t rowRoom) {
  if (F.Ahead.rowRoom >= rowRoom) return true;
  for (RowBlock& k : F.Ahead.slot) {
    delete[] k.text;
    delete[] k.end;
    k.text = new (std::nothrow) char[kRowsPerBlock * rowRoom];
    k.end = new (std::nothrow) uint32_t[kRowsPerBlock];
    if (!k.text || !k.end) {
      F.Ahead.rowRoom = 0;
      return false;
    }
  }
  F.Ahead.rowRoom = rowRoom;
  return true;
}

// Writes row i when the table is shared: formatted here in the writer's
// blocks, else copied from the second thread's slot, which is emptied after
// its last row. False when the table is not shared.
bool WriteSharedRow(int32_t i) {
  if (!F.Ahead.active) return false;
  const int32_t b = (i - 1) / kRowsPerBlock, r = i - FirstRowOf(b);
  if (!FormattedAhead(b)) {
    Commit(SegmentRowText(RowSpace(), i, F.XmaxText, F.ErrText));
    return true;
  }
  RowBlock& k = SlotOf(b);
  if (r == 0) {
    std::unique_lock<std::mutex> hold(F.Ahead.lock);
    F.Ahead.changed.wait(hold, [&] { return k.ready && k.index == b; });
  }
  const uint32_t from = r == 0 ? 0 : k.end[r - 1];
  char* out = RowSpace();
  std::memcpy(out, k.text + from, k.end[r] - from);
  Commit(out + (k.end[r] - from));
  if (r == RowsIn(b) - 1) {
    std::lock_guard<std::mutex> hold(F.Ahead.lock);
    k.ready = false;
    F.Ahead.changed.notify_all();
  }
  return true;
}

void StopFormatter() {
  if (!F.Ahead.active) return;
  {
    std::lock_guard<std::mutex> hold(F.Ahead.lock);
    F.Ahead.cancelled = true;
    F.Ahead.changed.notify_all();
  }
  F.Ahead.worker.join();
  F.Ahead.active = false;
}

}  // namespace

void StopHelperThreads() {
  StopFormatter();
  StopWriter();
}

void FormatSegmentRowsAhead() {
  const int32_t rows = F.C->N - 1;
  // Below a few blocks the thread would cost more than it saves.
  if (F.Ahead.active || rows < kLongFile) return;
  if (!ReserveBlocks(RowRoomFor(F.C->NumberWidth))) return;
  for (RowBlock& k : F.Ahead.slot) k.ready = false, k.index = -1;
  F.Ahead.rows = rows;
  F.Ahead.blocks = (rows + kRowsPerBlock - 1) / kRowsPerBlock;
  F.Ahead.cancelled = false;
  F.Ahead.active = StartThread(F.Ahead.worker, FormatBlocksAhead);
}

namespace {

void WriteHead(const SplineFileContent& c) {
  F.C = &c;
  F.Buffered = 0;
  F.XmaxText.valid = F.ErrText.valid = F.LastCurveRow.valid = false;
  Write(std::string(base::ProgramBanner) + " calculated the followings:\n");
  Write("Task: " + c.Task + ".\n");
  if (c.WriteCurve)
    Write("\n" + HeaderLine({"  X", "  Y", "  Der1", "  Der2", "  Der3", "  Int"}, c.NumberWidth));
}

// Closes the file and puts it under its name.
void FinishSplineFile() {
  Flush();
  if (F.Memory) {
    F.Memory = nullptr;
    return;
  }
  if (const int error = StopWriter()) base::FailReplacement(F.File, error);
  std::FILE* f = F.File.File;
  F.File.File = nullptr;
  if (std::fclose(f) != 0) base::FailReplacement(F.File, errno);
  base::PublishReplacement(F.File);
}

const char* MarkLabel(spline::MarkKind kind) {
  switch (kind) {
    case spline::MarkKind::Minimum: return "  Minimum at x=";
    case spline::MarkKind::Maximum: return "  Maximum at x=";
    default: return "  Point of inflection at x=";
  }
}

// Everything after the head, walking the curve and the intervals.
void WriteBody(const SplineFileContent& c) {
  FormatSegmentRowsAhead();
  long double x;
  spline::Evaluation e;
  if (c.WriteCurve)
    for (spline::CurveWalk w = spline::StartCurveWalk(c.N, c.X, c.A, c.Walk);
         spline::NextCurvePoint(w, x, e);)
      WriteCurveRow(x, e);
  WriteTableHead();
  spline::MarkSieve sieve = c.Sieve;
  for (int32_t i = 1; i < c.N; ++i) {
    WriteSegmentRow(i);
    spline::SegmentMarks marks;
    if (c.ShowCalculus) spline::AnalyseSegment(c.N, c.X, c.A, i, marks);
    spline::SiftMarks(sieve, marks);
    for (int32_t m = 0; m < marks.Count; ++m) WriteMarkLine(marks.Mark[m]);
  }
  EndSplineFile();
}

}  // namespace

void BeginSplineFile(const SplineFileContent& c, const std::string& fileName) {
  base::OpenReplacement(F.File, fileName);
  F.Memory = nullptr;
  WriteHead(c);
  // The head is handed on before the fit, so a fit that fails leaves it.
  Flush();
  if (std::fflush(F.File.File) != 0) base::FailReplacement(F.File, errno);
  // Below a few megabytes a writer thread would cost more than it saves.
  if (c.N >= kLongFile) StartWriter();
  base::PausePoint("kurvex.out");
}

void BeginSplineFileInMemory(const SplineFileContent& c, std::string& memory) {
  F.Memory = &memory;
  WriteHead(c);
}

void WriteSplineFile(const SplineFileContent& c, const std::string& fileName) {
  BeginSplineFile(c, fileName);
  WriteBody(c);
  base::LetGo(F.File);  // no run of the program: nothing to hold it for
}

std::string SplineFileText(const SplineFileContent& c) {
  std::string text;
  BeginSplineFileInMemory(c, text);
  WriteBody(c);
  return text;
}

void AbandonSplineFile() {
  StopFormatter();
  StopWriter();
  if (F.Memory) {
    F.Memory = nullptr;
    return;
  }
  base::DiscardReplacement(F.File);
}

std::string ValuesRow(long double x, const spline::Evaluation& e, int32_t width) {
  char row[kRowRoom];
  char* end = ValueFields(Field(row, x, width), e, width);
  *end++ = '\n';
  return std::string(row, end);
}

void WriteCurveRow(long double x, const spline::Evaluation& e) {
  unsigned char bits[6][10];
  RememberBits(bits, x, e);
  RowCache& last = F.LastCurveRow;
  if (!last.valid || std::memcmp(bits, last.bits, sizeof bits) != 0) {
    last.text = ValuesRow(x, e, F.C->NumberWidth);
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
                   F.C->NumberWidth));
}

void WriteSegmentRow(int32_t i) {
  if (WriteSharedRow(i)) return;
  Commit(SegmentRowText(RowSpace(), i, F.XmaxText, F.ErrText));
}

void WriteMarkLine(const spline::CalculusMark& m) {
  char* out = RowSpace();
  const char* label = MarkLabel(m.Kind);
  const std::size_t length = std::strlen(label);
  std::memcpy(out, label, length);
  out = Field(out + length, m.X, F.C->NumberWidth);
  *out++ = '\n';
  Commit(out);
}

void EndSplineFile() {
  const SplineFileContent& c = *F.C;
  const int32_t w = c.NumberWidth;
  spline::Evaluation e;
  spline::EvaluateAtKnot(c.N, c.X, c.A, c.N, e);
  char* out = Field(RowSpace(), c.X[c.N], w);
  // The gap stands for Xmax, A, B, C, D and their separators.
  const std::size_t gap = static_cast<std::size_t>(5 * w + 6);
  std::memset(out, ' ', gap);
  out = ValueFields(out + gap - 1, e, w);  // the gap ends with the Value's separator
  Commit(out);
  StopFormatter();  // every row has been taken: the formatter has ended
  FinishSplineFile();
}

}  // namespace output
