// The large arrays' pages cleared ahead on a second thread: what is written
// before and meanwhile stays as it is, and no page past the rows in use is
// mapped, however many rows the arrays were allocated for.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "base/allocate.h"

namespace {

constexpr std::size_t kBytes = std::size_t{32} << 20;  // above the size that starts a thread
constexpr std::size_t kRow = 16;

// A block of its own pages, none of them mapped yet.
struct Block {
  unsigned char* p = static_cast<unsigned char*>(
      ::mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ~Block() { ::munmap(p, kBytes); }
  // Mapped pages in [from, to).
  std::size_t Mapped(std::size_t from, std::size_t to) const {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in((kBytes + page - 1) / page);
    if (::mincore(p, kBytes, in.data()) != 0) return ~std::size_t{0};
    std::size_t count = 0;
    for (std::size_t k = from / page; k < to / page; ++k) count += in[k] & 1;
    return count;
  }
};

TEST(LargeArrayPages, ClearedAheadOnlyForRowsInUseAndKeepTheirContents) {
  Block before, meanwhile, untouchedPage;
  ASSERT_NE(before.p, MAP_FAILED);
  ASSERT_NE(meanwhile.p, MAP_FAILED);
  before.p[0] = 0xA5, before.p[kBytes / 4] = 0x5A;
  // Rows 0..rows of 16 bytes: a quarter of each block, filled as a reader
  // fills its arrays while the pages are cleared.
  const int32_t rows = static_cast<int32_t>(kBytes / 4 / kRow) - 1;
  base::NoteLargeBlock(before.p, kBytes, kRow);
  base::NoteLargeBlock(meanwhile.p, kBytes, kRow);
  base::ClearPagesAhead();
  for (int32_t i = 0; i <= rows; ++i) {
    meanwhile.p[static_cast<std::size_t>(i) * kRow] = static_cast<unsigned char>(i);
    if (i % 4096 == 0) base::RowsInUse(i);
  }
  base::FinishClearingPages(rows);
  std::size_t wrong = before.p[0] != 0xA5 || before.p[kBytes / 4] != 0x5A;
  for (int32_t i = 0; i <= rows; ++i)
    wrong += meanwhile.p[static_cast<std::size_t>(i) * kRow] != static_cast<unsigned char>(i);
  EXPECT_EQ(wrong, 0u);
  // Every page of the rows is mapped (where the system can map ahead);
  // beyond them only the page written there.
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  if (::madvise(untouchedPage.p, page, MADV_POPULATE_WRITE) == 0) {
    EXPECT_EQ(before.Mapped(0, kBytes / 4), kBytes / 4 / page);
  }
  EXPECT_EQ(before.Mapped(kBytes / 4 + page, kBytes), 0u);
  EXPECT_EQ(meanwhile.Mapped(kBytes / 4, kBytes), 0u);
  // Stopped at once, as the stop does before the arrays go: nothing mapped.
  Block untouched;
  base::NoteLargeBlock(untouched.p, kBytes, kRow);
  base::ClearPagesAhead();
  base::StopClearingPages();
  base::FinishClearingPages(rows);  // nothing left to finish
  EXPECT_EQ(untouched.Mapped(0, kBytes), 0u);
}

}  // namespace
