// The run's large arrays: each allocated once, for rows 0..N, with its line
// in the run log, and released only when the program stops.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "base/run_log.h"
#include "base/stop.h"

namespace base {

// Notes a block for ClearPagesAhead (AllocateRows notes each of its own).
void NoteLargeBlock(void* block, std::size_t bytes);

// The first touch of a page costs the system a clearing of it, and the
// large arrays are allocated before the data file is read but mostly first
// touched by the fit. ClearPagesAhead has a second thread ask the system to
// clear and map the pages of every block noted since the last call, while
// the caller reads the file. It leaves their contents as they are (a page
// already in use is passed over), so the reader may fill the data arrays
// meanwhile. FinishClearingPages takes its share of what is left and
// returns when the thread has ended; call it before the fit.
// StopClearingPages lets the thread end without the rest, before the
// arrays are released. Both return at once when no thread was started.
// Where the system has no thread to give, or cannot clear pages ahead,
// every page is cleared at its first touch as before.
void ClearPagesAhead();
void FinishClearingPages();
void StopClearingPages();

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
  NoteLargeBlock(target, rows * perRow * sizeof(T));
  for (std::size_t k = 0; k < perRow; ++k) target[k] = T{};
  LogLine("successful.");
}

}  // namespace base
