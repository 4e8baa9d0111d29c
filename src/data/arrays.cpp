// Allocation and release of the data arrays, and the preparation of the
// rows for the fit.
#include "data/arrays.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/allocate.h"
#include "base/number_format.h"
#include "base/stop.h"
#include "data/dataset.h"

namespace data {

DataSetRecord DataSet;

void AllocateArrays(int32_t rowBound) {
  DataSetRecord& d = DataSet;
  base::AllocateRows(d.XValues, 'X', 1, 1, rowBound);
  base::AllocateRows(d.YValues, 'Y', 1, 1, rowBound);
  base::AllocateRows(d.ErrValues, 'D', 1, 1, rowBound);
}

void ReleaseArrays() {
  DataSetRecord& d = DataSet;
  delete[] d.XValues;
  delete[] d.YValues;
  delete[] d.ErrValues;
  d.XValues = d.YValues = d.ErrValues = nullptr;
}

namespace {

bool StrictlyIncreasing(int32_t n, const long double* X) {
  for (int32_t i = 1; i < n; ++i)
    if (!(X[i] < X[i + 1])) return false;
  return true;
}

bool StrictlyDecreasing(int32_t n, const long double* X) {
  for (int32_t i = 1; i < n; ++i)
    if (!(X[i] > X[i + 1])) return false;
  return true;
}

// The heap sort of Numerical Recipes (heapsort with a moving row), in place.
// Where X occur twice it decides which of two equal X (0 and -0) comes
// first, and so which one the stop names: such rows are sorted by it.
void HeapSortByX(int32_t n, long double* X, long double* Y, long double* E) {
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

// An X with the row it came from.
struct SortKey {
  long double X;
  int32_t Row;
};

// Y and E rearranged in place so that row k gets what row keys[k].Row
// held, cycle by cycle; each visited key is marked with Row 0.
void GatherRows(int32_t n, SortKey* keys, long double* Y, long double* E) {
  for (int32_t start = 1; start <= n; ++start) {
    if (keys[start].Row == 0) continue;
    const long double y = Y[start], e = E[start];
    int32_t k = start;
    for (;;) {
      const int32_t from = keys[k].Row;
      keys[k].Row = 0;
      if (from == start) {
        Y[k] = y, E[k] = e;
        break;
      }
      Y[k] = Y[from], E[k] = E[from];
      k = from;
    }
  }
}

}  // namespace

static_assert(sizeof(SortKey) == kSortScratchRowBytes, "a key is a scratch row");

// Distinct X have one increasing order, so every sort gives the same rows;
// X that occur twice stop the run at once, whatever their order. So rows
// that already increase strictly, as a logger writes them, are left as they
// are, rows that strictly decrease (a spectrometer that scans downwards)
// are turned round, and others are sorted as keys of X and row, which
// keeps the memory traffic of the sort in one array of 32 bytes a row
// instead of three scattered ones. X are never NaN here: the reader takes
// only finite numbers. Rows with an X twice are sorted as they always were
// (see HeapSortByX).
void SortByX(int32_t n, long double* X, long double* Y, long double* E, void* scratch) {
  if (n < 2 || StrictlyIncreasing(n, X)) return;
  if (StrictlyDecreasing(n, X)) {
    std::reverse(X + 1, X + n + 1), std::reverse(Y + 1, Y + n + 1), std::reverse(E + 1, E + n + 1);
    return;
  }
  std::vector<SortKey> own;
  if (scratch == nullptr) own.resize(static_cast<std::size_t>(n) + 1);
  SortKey* keys = scratch ? static_cast<SortKey*>(scratch) : own.data();
  for (int32_t i = 1; i <= n; ++i) keys[i] = SortKey{X[i], i};
  std::sort(keys + 1, keys + n + 1, [](const SortKey& a, const SortKey& b) {
    return a.X < b.X || (a.X == b.X && a.Row < b.Row);
  });
  for (int32_t i = 1; i < n; ++i)
    if (keys[i].X == keys[i + 1].X) return HeapSortByX(n, X, Y, E);  // the rows are untouched yet
  for (int32_t i = 1; i <= n; ++i) X[i] = keys[i].X;
  GatherRows(n, keys, Y, E);
}

int32_t FindDuplicate(int32_t n, const long double* X) {
  for (int32_t i = 1; i < n; ++i)
    if (X[i] == X[i + 1]) return i;
  return -1;
}

void PrepareData(void* scratch) {
  DataSetRecord& d = DataSet;
  SortByX(d.Count, d.XValues, d.YValues, d.ErrValues, scratch);
  int32_t dup = FindDuplicate(d.Count, d.XValues);
  if (dup > 0)
    base::ErrorStop({"Duplicated independent value at " +
                       base::FormatExponent(d.XValues[dup]) + "!"});
  d.YMin = d.YMax = d.YValues[1];
  for (int32_t i = 2; i <= d.Count; ++i) {
    if (d.YValues[i] < d.YMin) d.YMin = d.YValues[i];
    else if (d.YValues[i] > d.YMax) d.YMax = d.YValues[i];
  }
}

}  // namespace data
