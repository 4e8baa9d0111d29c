// Inside the number formats: the digits of the exponent form, which the
// formatter (number_format.cpp) and the exact machinery (exact_digits.cpp)
// both fill, and the few rules about them they share.
#pragma once
#include <algorithm>
#include <cstdint>

#include "base/text.h"

namespace base {

// No field is wider than the longest text the program keeps, so a width
// beyond it can neither allocate nor compute without end.
inline constexpr int32_t kMaxWidth = static_cast<int32_t>(kMaxText);
// Digits of the widest field: sign, point and the shortest exponent take 7.
inline constexpr int32_t kMaxDigits = kMaxWidth - 6;
// The decimals of the form without a width.
inline constexpr int32_t kFreeDecimals = 15;
// The loop's scales stop here: the last, near 1e4932, lies below LDBL_MAX.
inline constexpr int32_t kScaleCount = 4933;

// The exponent form of one value: sign, digits (digit[0] before the point),
// decimal exponent.
struct Digits {
  bool negative = false;
  int32_t count = 0;
  int32_t exponent = 0;
  char digit[kMaxDigits + 1];
};

// A width as a field has it: negative widths pad nothing, and nothing is
// wider than kMaxWidth (clamping first keeps the sums from overflowing).
inline int32_t FieldWidth(int32_t width) { return std::clamp(width, 0, kMaxWidth); }

// Characters of "e+07", "e+100", "e-4951"; extended exponents have at most
// four digits.
inline int32_t ExponentLength(int32_t e) {
  const int32_t m = e < 0 ? -e : e;
  return m < 100 ? 4 : (m < 1000 ? 5 : 6);
}

// The field a number is formed for: its width (FieldWidth already
// applied), or kNoWidth for the form without one.
inline constexpr int32_t kNoWidth = -1;

// Decimals after the point: what the field leaves after the sign, the first
// digit, the point and the exponent, at least one; kFreeDecimals without one.
inline int32_t DecimalsFor(int32_t field, int32_t e) {
  if (field == kNoWidth) return kFreeDecimals;
  const int32_t d = field - 3 - ExponentLength(e);
  return d < 1 ? 1 : d;
}

// Adds one to the last digit; true when the carry runs past the first one.
inline bool RoundUp(char* digit, int32_t count) {
  for (int32_t i = count - 1; i >= 0; --i) {
    if (digit[i] != '9') {
      ++digit[i];
      return false;
    }
    digit[i] = '0';
  }
  return true;
}

// The loop's digits of a finite x for the field, from integer arithmetic, or
// false where x lies outside what that reproduces (the division loop then
// forms them).
bool MakeDigitsExactly(const long double& x, int32_t field, Digits& g);

}  // namespace base
