// Allocation and release of the data and fit arrays, and the preparation
// of the rows for the fit.
#include "data/arrays.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "data/dataset.h"
#include "driver/stop.h"
#include "output/number_format.h"
#include "output/run_log.h"

namespace data {

DataSetRecord DataSet;

namespace {

// The fit sweeps these blocks again and again; in 2 MB pages they cost the
// system a few hundred page faults instead of tens of thousands, and the
// processor fewer address translations. Only a request: where the system
// does not grant it, nothing changes.
void AskForLargePages(void* block, std::size_t bytes) {
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kLarge - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

// Logs the allocation line, then allocates rows 0..N of `perRow` elements of
// T each (row 0 always exists, so that arrays can be indexed from 1), row 0
// zeroed. Returns null when the memory cannot be had.
template <typename T>
T* AllocateLogged(char letter, int32_t firstRow, int32_t width, int32_t rowBound,
                  std::size_t perRow) {
  output::LogText(output::AllocationLine(letter, firstRow, rowBound, firstRow,
                                         firstRow + width - 1));
  // 64-bit arithmetic: N + 1 rows of at most seven reals cannot overflow it.
  std::size_t rows = static_cast<std::size_t>(rowBound) + 1;
  T* block = new (std::nothrow) T[rows * perRow];
  if (block) {
    AskForLargePages(block, rows * perRow * sizeof(T));
    for (std::size_t k = 0; k < perRow; ++k) block[k] = T{};
  }
  return block;
}

[[noreturn]] void OutOfMemory() {
  output::LogLine("failed.");
  driver::ErrorStop({"There is not enough memory!"});
}

template <typename T>
void Allocate(T*& target, char letter, int32_t firstRow, int32_t width, int32_t rowBound,
              std::size_t perRow = 1) {
  target = AllocateLogged<T>(letter, firstRow, width, rowBound, perRow);
  if (!target) OutOfMemory();
  output::LogLine("successful.");
}

}  // namespace

void AllocateArrays(int32_t rowBound) {
  DataSetRecord& d = DataSet;
  d.RowBound = rowBound;
  Allocate(d.XValues, 'X', 1, 1, rowBound);
  Allocate(d.YValues, 'Y', 1, 1, rowBound);
  Allocate(d.ErrValues, 'D', 1, 1, rowBound);
  Allocate(d.Segments, 'A', 0, 5, rowBound);
  // Seven reals per row, in the doubles the fit lays them out in.
  Allocate(d.Workspace, 'R', 0, spline::kWorkspaceColumns, rowBound,
           spline::WorkspaceDoubles(0));
}

void ReleaseArrays() {
  DataSetRecord& d = DataSet;
  delete[] d.XValues;
  delete[] d.YValues;
  delete[] d.ErrValues;
  delete[] d.Segments;
  delete[] d.Workspace;
  d.XValues = d.YValues = d.ErrValues = nullptr;
  d.Segments = nullptr;
  d.Workspace = nullptr;
}

namespace {

bool StrictlyIncreasing(int32_t n, const long double* X) {
  for (int32_t i = 1; i < n; ++i)
    if (!(X[i] < X[i + 1])) return false;
  return true;
}

}  // namespace

// The heap sort of Numerical Recipes (heapsort with a moving row): in place,
// n log n, no extra memory. Rows whose X already increase strictly, as a
// logger writes them, are left as they are: they are the one order any sort
// must give, and the check costs one pass instead of n log n moves.
void SortByX(int32_t n, long double* X, long double* Y, long double* E) {
  if (n < 2 || StrictlyIncreasing(n, X)) return;
  int32_t l = n / 2 + 1, r = n;
  for (;;) {
    long double mx, my, me;
    if (l > 1) {
      --l;
      mx = X[l], my = Y[l], me = E[l];
    } else {
      mx = X[r], my = Y[r], me = E[r];
      X[r] = X[1], Y[r] = Y[1], E[r] = E[1];
      if (--r == 1) {
        X[1] = mx, Y[1] = my, E[1] = me;
        return;
      }
    }
    // 64-bit indices: doubling a 32-bit index near the top would overflow.
    int64_t i = l;
    for (int64_t j = 2 * i; j <= r; j *= 2) {
      if (j < r && X[j] < X[j + 1]) ++j;
      if (!(mx < X[j])) break;
      X[i] = X[j], Y[i] = Y[j], E[i] = E[j];
      i = j;
    }
    X[i] = mx, Y[i] = my, E[i] = me;
  }
}

int32_t FindDuplicate(int32_t n, const long double* X) {
  for (int32_t i = 1; i < n; ++i)
    if (X[i] == X[i + 1]) return i;
  return -1;
}

void PrepareData() {
  DataSetRecord& d = DataSet;
  SortByX(d.Count, d.XValues, d.YValues, d.ErrValues);
  int32_t dup = FindDuplicate(d.Count, d.XValues);
  if (dup > 0)
    driver::ErrorStop({"Duplicated independent value at " +
                       output::FormatExponent(d.XValues[dup]) + "!"});
  d.YMin = d.YMax = d.YValues[1];
  for (int32_t i = 2; i <= d.Count; ++i) {
    if (d.YValues[i] < d.YMin) d.YMin = d.YValues[i];
    else if (d.YValues[i] > d.YMax) d.YMax = d.YValues[i];
  }
}

}  // namespace data
