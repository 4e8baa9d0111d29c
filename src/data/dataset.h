// The data set: the measured rows, sorted by X, with their error values, and
// the two arrays of the fit. Everything lives for the whole run and is
// released only when the program stops.
#pragma once
#include <cstdint>

#include "spline/segment.h"

namespace data {

struct DataSetRecord {
  int32_t Count = 0;     // accepted rows, 1..Count used
  int32_t RowBound = 0;  // N, the rows the arrays have room for
  // Indexed from 1 (element 0 exists and is unused), room for N rows each.
  long double* XValues = nullptr;
  long double* YValues = nullptr;
  long double* ErrValues = nullptr;
  // Indexed from 0 to N.
  spline::SplineSegment* Segments = nullptr;
  // Seven reals per row for rows 0..N, as the fit lays them out in doubles
  // (spline::WorkspaceDoubles).
  double* Workspace = nullptr;
  long double YMin = 0, YMax = 0;
  long double ErrorFill = -1;  // error value of a row without one of its own
};

extern DataSetRecord DataSet;

}  // namespace data
