// The data arrays of a run: allocated once for the row bound, each with its
// line in the run log, and released only when the program stops. Sorting
// by X with the duplicate check, and the Y range.
#pragma once
#include <cstddef>
#include <cstdint>

namespace data {

// Allocates X, Y and D (rows 1..N) in this order, each logged before it is
// requested (the fit's A and R follow, spline::AllocateFitArrays). A failure
// logs "failed." and "There is not enough memory!" and stops.
void AllocateArrays(int32_t rowBound);

// Releases every array that has been allocated and empties its reference.
void ReleaseArrays();

// Sorts rows 1..n by X; Y and error move with their X. `scratch`, when
// given, is room for rows 0..n of kSortScratchRowBytes each (aligned as new
// aligns) that the sort may use; without it the sort takes its own.
constexpr std::size_t kSortScratchRowBytes = 32;
void SortByX(int32_t n, long double* X, long double* Y, long double* E, void* scratch = nullptr);

// The first X that occurs twice in sorted X[1..n], or -1 when all differ.
int32_t FindDuplicate(int32_t n, const long double* X);

// Sorts DataSet (in `scratch` as SortByX), stops on a repeated X, and sets
// YMin and YMax.
void PrepareData(void* scratch = nullptr);

}  // namespace data
