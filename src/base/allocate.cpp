// The large arrays' pages and the stop when memory runs out.
#include "base/allocate.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

namespace base {
namespace {

// Blocks smaller than this in all are cleared at their first touch: a
// thread would cost more than it saves.
constexpr std::size_t kWorthAThread = std::size_t{16} << 20;
// The pages are cleared in pieces of this size, so that two threads can
// share what is left.
constexpr std::size_t kPiece = std::size_t{4} << 20;

struct NotedBlock {
  std::uintptr_t base;   // where row 0 starts
  std::size_t bytes, rowBytes;
};

// Whole pages of one block, [start, end), which may be cleared once rows
// 0..need exist; past the last row in use only the part up to its end.
struct Piece {
  std::uintptr_t start, end;
  NotedBlock block;
  int64_t need;
};

// The pages of the large arrays, for the whole run: the blocks noted and
// not yet handed on; the pieces being cleared, in the order in which rows
// reach them (not changed while the thread runs); the first piece nobody
// has taken; the rows known to exist and whether that count is final; the
// thread. Never destroyed: a run may end by exit() in any state.
struct PagesRecord {
  std::vector<NotedBlock> Noted;
  std::vector<Piece> Pieces;
  std::atomic<std::size_t> Next{0};
  std::atomic<int64_t> Rows{-1};
  std::atomic<bool> Final{false};
  std::thread Clearer;
  bool Active = false;
};
PagesRecord& Pages = *new PagesRecord;

std::uintptr_t PageSize() { return static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)); }

// The end of rows 0..rows of a block, down to a whole page.
std::uintptr_t EndOfRows(const NotedBlock& b, int64_t rows) {
  const std::uintptr_t used = static_cast<std::uintptr_t>(rows + 1) * b.rowBytes;
  return (b.base + std::min<std::uintptr_t>(used, b.bytes)) & ~(PageSize() - 1);
}

// Takes pieces in order until none is left, waiting for rows to reach the
// next one (a millisecond at a time: the reader reports often, and the wait
// costs nothing while the file is read). Advice the system does not know
// (before Linux 5.14) is refused, and the pages are then cleared at first
// touch.
void ClearPieces() {
  for (;;) {
    std::size_t k = Pages.Next.load();
    if (k >= Pages.Pieces.size()) return;
    const Piece& p = Pages.Pieces[k];
    const bool final = Pages.Final.load();
    const int64_t rows = Pages.Rows.load();
    if (!final && p.need > rows) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    if (!Pages.Next.compare_exchange_weak(k, k + 1)) continue;
    const std::uintptr_t end = std::min(p.end, EndOfRows(p.block, rows));
#ifdef MADV_POPULATE_WRITE
    if (end > p.start) ::madvise(reinterpret_cast<void*>(p.start), end - p.start, MADV_POPULATE_WRITE);
#endif
  }
}

// The pieces of the blocks noted, ordered by the rows that fill them.
void CutIntoPieces() {
  const std::uintptr_t page = PageSize();
  for (const NotedBlock& b : Pages.Noted) {
    const std::uintptr_t start = (b.base + page - 1) & ~(page - 1), end = (b.base + b.bytes) & ~(page - 1);
    for (std::uintptr_t at = start; at < end; at += kPiece) {
      const std::uintptr_t pieceEnd = std::min<std::uintptr_t>(at + kPiece, end);
      // The fewest rows 0..need whose bytes reach the piece's end.
      const int64_t need = static_cast<int64_t>((pieceEnd - b.base + b.rowBytes - 1) / b.rowBytes) - 1;
      Pages.Pieces.push_back(Piece{at, pieceEnd, b, need});
    }
  }
  std::stable_sort(Pages.Pieces.begin(), Pages.Pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.need < b.need; });
}

void EndClearer() {
  Pages.Clearer.join();
  Pages.Active = false;
  Pages.Pieces.clear();
}

}  // namespace

void NoteLargeBlock(void* block, std::size_t bytes, std::size_t rowBytes) {
  if (bytes > 0 && rowBytes > 0)
    Pages.Noted.push_back(NotedBlock{reinterpret_cast<std::uintptr_t>(block), bytes, rowBytes});
}

void ClearPagesAhead() {
  StopClearingPages();
  std::size_t total = 0;
  for (const NotedBlock& b : Pages.Noted) total += b.bytes;
  if (total >= kWorthAThread) {
    CutIntoPieces();
    Pages.Next = 0, Pages.Rows = -1, Pages.Final = false;
    try {
      Pages.Clearer = std::thread(ClearPieces);
      Pages.Active = true;
    } catch (const std::system_error&) {
      Pages.Pieces.clear();  // no thread: every page is cleared at first touch
    }
  }
  Pages.Noted.clear();
}

void RowsInUse(int32_t rows) {
  if (Pages.Active) Pages.Rows.store(rows);
}

void FinishClearingPages(int32_t rows) {
  if (!Pages.Active) return;
  Pages.Rows = rows;
  Pages.Final = true;
  ClearPieces();
  EndClearer();
}

void StopClearingPages() {
  if (!Pages.Active) return;
  Pages.Next = Pages.Pieces.size();
  EndClearer();
}

void OutOfMemory() {
  LogLine("failed.");
  ErrorStop({"There is not enough memory!"});
}

}  // namespace base
