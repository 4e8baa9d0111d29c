// The large arrays' pages cleared ahead on a second thread: what the reader
// writes meanwhile, and what was written before, must stay as it is.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "base/allocate.h"

namespace {

TEST(LargeArrayPages, ClearingAheadKeepsWhatIsWrittenBeforeAndMeanwhile) {
  // Two blocks of 24 MB, above the size that starts a thread; one is
  // written before, the other while the pages are cleared.
  constexpr std::size_t kCount = (std::size_t{24} << 20) / sizeof(uint64_t);
  std::unique_ptr<uint64_t[]> before(new uint64_t[kCount]), meanwhile(new uint64_t[kCount]);
  for (std::size_t i = 0; i < kCount; i += 512) before[i] = i ^ 0x5A5A5A5A5A5A5A5Au;
  base::NoteLargeBlock(before.get(), kCount * sizeof(uint64_t));
  base::NoteLargeBlock(meanwhile.get(), kCount * sizeof(uint64_t));
  base::ClearPagesAhead();
  for (std::size_t i = 0; i < kCount; ++i) meanwhile[i] = ~i;
  base::FinishClearingPages();
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < kCount; i += 512) wrong += before[i] != (i ^ 0x5A5A5A5A5A5A5A5Au);
  for (std::size_t i = 0; i < kCount; ++i) wrong += meanwhile[i] != ~i;
  EXPECT_EQ(wrong, 0u);
  // Stopping a clearing at once, as the stop does before the arrays go,
  // leaves both blocks as they are too.
  base::NoteLargeBlock(before.get(), kCount * sizeof(uint64_t));
  base::NoteLargeBlock(meanwhile.get(), kCount * sizeof(uint64_t));
  base::ClearPagesAhead();
  base::StopClearingPages();
  base::FinishClearingPages();  // nothing left to finish
  for (std::size_t i = 0; i < kCount; ++i) wrong += meanwhile[i] != ~i;
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
