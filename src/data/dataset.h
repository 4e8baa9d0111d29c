// The data set: the measured rows, sorted by X, with their error values.
// Everything lives for the whole run and is released only when the program
// stops.
#pragma once
#include <cstdint>

namespace data {

struct DataSetRecord {
  int32_t Count = 0;  // accepted rows, 1..Count used
  // Indexed from 1 (element 0 exists and is unused), room for N rows each.
  long double* XValues = nullptr;
  long double* YValues = nullptr;
  long double* ErrValues = nullptr;
  long double YMin = 0, YMax = 0;
};

extern DataSetRecord DataSet;

}  // namespace data
