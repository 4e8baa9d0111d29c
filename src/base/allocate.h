// The run's large arrays: each allocated once, for rows 0..N, with its line
// in the run log, and released only when the program stops.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "base/run_log.h"
#include "base/stop.h"

namespace base {

// The first touch of a page costs the system a clearing of it, and the
// large arrays are allocated before the data file is read but mostly first
// touched by the fit. A run of n rows uses the first (n + 1) row sizes of
// every block (the fit lays its columns out by n), and n is known only when
// the file is read: the file may hold far fewer rows than lines counted.
// So the pages are cleared ahead, on a second thread, only as far as rows
// are known to exist:
// - NoteLargeBlock notes a block of `rowBytes` a row (AllocateRows notes
//   each of its own);
// - ClearPagesAhead starts the thread for the blocks noted since the last
//   call; it asks the system to clear and map their pages, leaving their
//   contents as they are, so the reader may fill the arrays meanwhile;
// - RowsInUse(rows), from the reader now and then, lets it go as far as
//   rows 0..rows;
// - FinishClearingPages(n) takes its share of what is left of rows 0..n
//   and returns when the thread has ended (call it before the fit);
// - StopClearingPages lets the thread end without the rest, before the
//   arrays are released.
// Each returns at once when no thread runs. Where the system has no thread
// to give, or cannot clear pages ahead, pages are cleared at first touch.
void NoteLargeBlock(void* block, std::size_t bytes, std::size_t rowBytes);
void ClearPagesAhead();
void RowsInUse(int32_t rows);
void FinishClearingPages(int32_t rows);
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
  NoteLargeBlock(target, rows * perRow * sizeof(T), perRow * sizeof(T));
  for (std::size_t k = 0; k < perRow; ++k) target[k] = T{};
  LogLine("successful.");
}

}  // namespace base
