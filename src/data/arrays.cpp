// Allocation and release of the data arrays, and the preparation of the
// rows for the fit.
#include "data/arrays.h"

#include <cstdint>

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
    base::ErrorStop({"Duplicated independent value at " +
                       base::FormatExponent(d.XValues[dup]) + "!"});
  d.YMin = d.YMax = d.YValues[1];
  for (int32_t i = 2; i <= d.Count; ++i) {
    if (d.YValues[i] < d.YMin) d.YMin = d.YValues[i];
    else if (d.YValues[i] > d.YMax) d.YMax = d.YValues[i];
  }
}

}  // namespace data
