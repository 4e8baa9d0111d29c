// The large arrays' pages and the stop when memory runs out.
#include "base/allocate.h"

#include <sys/mman.h>

namespace base {

// The fit sweeps these blocks again and again; in 2 MB pages they cost the
// system a few hundred page faults instead of tens of thousands, and the
// processor fewer address translations. Only a request.
void AskForLargePages(void* block, std::size_t bytes) {
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kLarge - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

void OutOfMemory() {
  LogLine("failed.");
  ErrorStop({"There is not enough memory!"});
}

}  // namespace base
