// The large arrays' pages and the stop when memory runs out.
#include "base/allocate.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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

struct PageRange {
  void* start;
  std::size_t bytes;
};

// The pages of the large arrays, for the whole run: the blocks noted and
// not yet handed on, the pieces being cleared (not changed while the thread
// runs), the first piece nobody has taken, and the thread. Never destroyed:
// a run may end by exit() in any state.
struct PagesRecord {
  std::vector<PageRange> Noted;
  std::vector<PageRange> Pieces;
  std::atomic<std::size_t> Next{0};
  std::thread Clearer;
  bool Active = false;
};
PagesRecord& Pages = *new PagesRecord;

// Takes pieces until none is left. Advice the system does not know (before
// Linux 5.14) is refused, and the pages are then cleared at first touch.
void ClearPieces() {
  for (std::size_t k; (k = Pages.Next.fetch_add(1)) < Pages.Pieces.size();) {
#ifdef MADV_POPULATE_WRITE
    ::madvise(Pages.Pieces[k].start, Pages.Pieces[k].bytes, MADV_POPULATE_WRITE);
#endif
  }
}

void EndClearer() {
  Pages.Clearer.join();
  Pages.Active = false;
  Pages.Pieces.clear();
}

}  // namespace

// Only whole pages are noted: advice starts on a page boundary, and the
// partial pages at a block's ends are shared with the allocator's own data.
void NoteLargeBlock(void* block, std::size_t bytes) {
  const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t start = (first + page - 1) & ~(page - 1), end = (first + bytes) & ~(page - 1);
  if (end > start) Pages.Noted.push_back(PageRange{reinterpret_cast<void*>(start), end - start});
}

void ClearPagesAhead() {
  FinishClearingPages();
  std::size_t total = 0;
  for (const PageRange& r : Pages.Noted) total += r.bytes;
  if (total >= kWorthAThread) {
    for (const PageRange& r : Pages.Noted)
      for (std::size_t at = 0; at < r.bytes; at += kPiece)
        Pages.Pieces.push_back(PageRange{static_cast<char*>(r.start) + at, std::min(kPiece, r.bytes - at)});
    Pages.Next = 0;
    try {
      Pages.Clearer = std::thread(ClearPieces);
      Pages.Active = true;
    } catch (const std::system_error&) {
      Pages.Pieces.clear();  // no thread: every page is cleared at first touch
    }
  }
  Pages.Noted.clear();
}

void FinishClearingPages() {
  if (!Pages.Active) return;
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
