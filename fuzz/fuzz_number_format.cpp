// Fuzz target: FormatExponent and FormatCompact with any 80-bit value (all
// 2^80 bit patterns, so NaNs, infinities, denormals and the encodings the
// x87 calls invalid too) and any width and digit count. The texts must stay
// within their bounds, and for ordinary values they must read back as the
// value they stand for.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "base/number_format.h"

namespace {

// Bytes 0-9 the extended value, 10-13 a width, 14-17 a digit count.
struct Input {
  long double X = 0;
  int32_t Width = 13, Digits = 5;
};

Input Decode(const uint8_t* data, size_t size) {
  uint8_t bytes[18] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  Input in;
  std::memcpy(&in.X, bytes, 10);
  std::memcpy(&in.Width, bytes + 10, 4);
  std::memcpy(&in.Digits, bytes + 14, 4);
  return in;
}

// A value the x87 treats as a number: finite and canonically encoded (the
// explicit integer bit set exactly when the exponent is not zero).
bool Ordinary(long double x) {
  uint8_t b[10];
  std::memcpy(b, &x, 10);
  const bool integerBit = (b[7] & 0x80) != 0;
  const int exponent = (b[9] & 0x7F) << 8 | b[8];
  return std::isfinite(x) && exponent != 0x7FFF && integerBit == (exponent != 0);
}

// The text read back is within `relative` of x (or of the smallest normal).
void CheckReadsBack(const std::string& text, long double x, long double relative,
                    const char* what) {
  char* end = nullptr;
  const long double back = std::strtold(text.c_str(), &end);
  if (end == text.c_str()) fuzz::Finding(std::string(what) + " is no number: " + text);
  // Rounding the largest values up may pass the largest one that reads back.
  if (std::isinf(back) && std::fabs(x) >= LDBL_MAX / (1 + 10 * relative)) return;
  const long double scale = std::fmax(std::fabs(x), 3.4e-4932L);
  if (!(std::fabs(back - x) <= relative * scale))
    fuzz::Finding(std::string(what) + " reads back as another value: " + text);
}

void CheckExponentForm(const Input& in) {
  const std::string s = base::FormatExponent(in.X, in.Width);
  const std::string free = base::FormatExponent(in.X);
  const std::size_t width = static_cast<std::size_t>(in.Width < 0 ? 0 : (in.Width > 255 ? 255 : in.Width));
  if (s.size() < width) fuzz::Finding("FormatExponent shorter than its width");
  if (s.size() > 255 + 8 || free.size() > 30) fuzz::Finding("FormatExponent too long");
  if (!Ordinary(in.X)) return;
  CheckReadsBack(free, in.X, 1e-14L, "FormatExponent");
  // A width leaves at least width - 9 decimals, even with a four-digit exponent.
  const int32_t decimals = in.Width > 10 ? (in.Width > 255 ? 246 : in.Width - 9) : 1;
  CheckReadsBack(s, in.X, std::pow(10.0L, 1 - (decimals > 18 ? 18 : decimals)),
                 "FormatExponent with width");
}

void CheckCompactForm(const Input& in) {
  const std::string s = base::FormatCompact(in.X, in.Digits);
  if (s.empty() || s.size() > 255) fuzz::Finding("FormatCompact length out of bounds");
  if (s[0] == ' ' || s[0] == '+' || s.back() == '.') fuzz::Finding("FormatCompact untrimmed: " + s);
  if (!Ordinary(in.X)) return;
  // n digits carry at least two significant digits, and one fewer for each
  // exponent digit past two; 19 are all the x87 has.
  const long double e = in.X == 0 ? 0 : std::fabs(std::log10(std::fabs(in.X)));
  const int32_t lost = e >= 999 ? 2 : (e >= 99 ? 1 : 0);
  int32_t n = (in.Digits > 18 ? 18 : (in.Digits < 2 ? 2 : in.Digits)) - lost;
  if (n < 2) n = 2;
  CheckReadsBack(s, in.X, std::pow(10.0L, 1 - n), "FormatCompact");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Input in = Decode(data, size);
  CheckExponentForm(in);
  CheckCompactForm(in);
  const std::string i = base::IntText(in.Width, in.Digits);
  if (i.size() > 255 + 11) fuzz::Finding("IntText too long");
  return 0;
}
