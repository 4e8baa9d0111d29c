// The run's large arrays: each allocated once, for rows 0..N, with its line
// in the run log, and released only when the program stops.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "base/run_log.h"
#include "base/stop.h"

namespace base {

// Asks for 2 MB pages for a block the fit sweeps again and again (see
// allocate.cpp); where the system does not grant them nothing changes.
void AskForLargePages(void* block, std::size_t bytes);

// "failed." then the error stop "There is not enough memory!".
[[noreturn]] void OutOfMemory();

// Logs "Allocating L[first..N,first..first+width-1] ....", then allocates
// rows 0..N of `perRow` elements of T (row 0 always exists, so that arrays
// can be indexed from 1) with row 0 zeroed, and logs "successful.". No
// memory: the stop above.
template <typename T>
void AllocateRows(T*& target, char letter, int32_t firstRow, int32_t width, int32_t rowBound,
                  std::size_t perRow = 1) {
  LogText(AllocationLine(letter, firstRow, rowBound, firstRow, firstRow + width - 1));
  // 64-bit arithmetic: N + 1 rows of at most seven reals cannot overflow it.
  const std::size_t rows = static_cast<std::size_t>(rowBound) + 1;
  target = new (std::nothrow) T[rows * perRow];
  if (target == nullptr) OutOfMemory();
  AskForLargePages(target, rows * perRow * sizeof(T));
  for (std::size_t k = 0; k < perRow; ++k) target[k] = T{};
  LogLine("successful.");
}

}  // namespace base
