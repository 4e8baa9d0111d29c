// The fields of a row whose values a separator divides (a CSV file), and
// of a row with decimal commas: what the reader needs beyond its plain
// blank-separated rows, kept apart so that those stay as fast as they are.
#pragma once
#include <cstddef>
#include <cstdint>

#include "data/reader.h"

namespace data {

// A value counts with its first 30 characters when only digits of the
// mantissa (and its point) lie past them; else it is read whole, up to 255.
inline constexpr std::size_t kValueCharacters = 30;
inline constexpr std::size_t kWholeValue = 255;

inline bool IsMantissaCharacter(int c) { return (c >= '0' && c <= '9') || c == '.'; }
inline bool IsExponentMark(int c) { return c == 'e' || c == 'E'; }

// Converts a value of `length` characters, the first of them (up to
// kWholeValue) at `text`, by the rule above; `onlyMantissaCut` tells
// whether the characters past the 30th are digits or a point and no
// exponent began before them.
bool ConvertValue(const char* text, std::size_t length, bool onlyMantissaCut, long double& value);

// One field of a row: its first kWholeValue characters, how many it has,
// and whether a cut after the 30th would drop only mantissa digits.
struct Field {
  char Text[kWholeValue];
  std::size_t Length = 0;
  bool ExponentInHead = false, TailNotMantissa = false;
  bool DecimalComma = false;  // a comma counts among the mantissa's characters
};

// How a field ended: before a further field, at the line end (not passed)
// or at the end of the file.
enum class FieldEnd { Separator, LineEnd, FileEnd };

// Reads the next field of the row into `f` (nullptr: passes it over).
// With separator 0 a field is a run of characters above code 32, as in a
// plain row; with a separator, blanks around a field are passed over, a
// field in double quotes may hold the separator, line ends and doubled
// quotes, and `unclosed` is set when its quote is never closed.
FieldEnd NextField(TextInput& in, char separator, Field* f, bool& unclosed);

// The values of one row with this format: X, Y and the error as found;
// the row is passed whole, its line end included.
struct RowFound {
  bool X = false, Y = false, Error = false;
};
RowFound ReadFormattedRow(TextInput& in, const ColumnLayout& c, long double& x, long double& y,
                          long double& e);

// Passes the rest of a record with a separator, its line end included;
// true when a quote in it was never closed.
bool SkipRecord(TextInput& in, char separator);

}  // namespace data
