// Integer and real conversion of setting values and data values. The syntax
// is checked here by hand because strtol and strtold also accept texts that
// are not numbers in our files ("nan", "inf", "0x10", "1e", trailing blanks).
// The common short decimal of a data file is converted here too, to exactly
// the value strtold gives, at a fraction of its cost.
#include "base/convert.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace base {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates the magnitude in 64 bits and stops as soon as it cannot be a
// 32-bit value any more, so that no text can overflow the accumulator.
bool ReadMagnitude(const std::string& text, std::size_t i, int base,
                   uint64_t& magnitude) {
  if (i >= text.size()) return false;
  magnitude = 0;
  for (; i < text.size(); ++i) {
    int d = base == 16 ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (magnitude > 0x80000000ull) return false;
  }
  return true;
}

}  // namespace

bool ParseInteger(const std::string& text, int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  uint64_t magnitude;
  if (!ReadMagnitude(text, i, base, magnitude)) return false;
  if (!negative && magnitude > 0x7FFFFFFFull) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
  return true;
}

namespace {

// Powers of ten that an extended real holds exactly (5^27 < 2^64).
constexpr int32_t kExactPowers = 27;
constexpr long double kPowerOfTen[kExactPowers + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// A number text taken apart by the syntax check: its digits as an integer
// (when there are at most 19 of them after leading zeros) and the power of
// ten that scales them.
struct Decimal {
  bool negative = false;
  uint64_t digits = 0;
  int32_t significant = 0;  // digits counted after leading zeros
  int64_t scale = 0;        // exponent minus the digits after the point
};

constexpr int64_t kScaleCap = 100000;  // far beyond any extended real

void AddDigit(Decimal& d, char c) {
  if (d.significant == 0 && c == '0') return;
  if (++d.significant <= 19) d.digits = d.digits * 10 + static_cast<uint64_t>(c - '0');
}

// The exponent after "e", its value capped so that it cannot overflow.
int64_t ReadExponent(const char* text, std::size_t length, std::size_t& i, std::size_t& digits) {
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t e = 0;
  for (digits = 0; i < length && IsDigit(text[i]); ++i, ++digits)
    if (e < kScaleCap) e = e * 10 + (text[i] - '0');
  return negative ? -e : e;
}

// The syntax check; fills `d` and the text strtold is to see (the accepted
// characters without blanks) into `copy`, of room length + 1.
bool CheckReal(const char* text, std::size_t length, Decimal& d, char* copy) {
  std::size_t n = 0, i = 0;
  auto take = [&]() { copy[n++] = text[i++]; };
  while (i < length && IsBlank(text[i])) ++i;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    d.negative = text[i] == '-';
    take();
    while (i < length && IsBlank(text[i])) ++i;
  }
  std::size_t digits = 0;
  for (; i < length && IsDigit(text[i]); ++digits) AddDigit(d, text[i]), take();
  if (i < length && text[i] == '.') {
    take();
    for (; i < length && IsDigit(text[i]); ++digits) AddDigit(d, text[i]), take(), --d.scale;
  }
  if (digits == 0) return false;
  if (i < length && (text[i] == 'e' || text[i] == 'E')) {
    const std::size_t start = i;
    ++i;
    std::size_t expDigits = 0;
    const int64_t e = ReadExponent(text, length, i, expDigits);
    if (expDigits == 0) return false;
    std::memcpy(copy + n, text + start, i - start);
    n += i - start;
    d.scale += e;
  }
  copy[n] = '\0';
  return i == length;
}

// The value strtold gives for a decimal of at most 19 significant digits
// and a scale within the exact powers of ten: the digits and the power are
// both exact, so one multiplication or division, rounded to nearest as
// strtold rounds, gives the correctly rounded value. False otherwise.
bool ShortDecimalValue(const Decimal& d, long double& value) {
  if (d.significant > 19) return false;
  long double v = static_cast<long double>(d.digits);
  if (d.digits != 0) {
    if (d.scale < -kExactPowers || d.scale > kExactPowers) return false;
    v = d.scale >= 0 ? v * kPowerOfTen[d.scale] : v / kPowerOfTen[-d.scale];
  }
  value = d.negative ? -v : v;
  return true;
}

// The shape nearly every value of a data file has: an optional sign, then
// digits with at most one point, at most 19 digits in all, and nothing else.
// Its value is ShortDecimalValue's; false for any other shape, which the
// full check then takes (so what is accepted never depends on this).
bool PlainDecimal(const char* text, std::size_t length, long double& value) {
  std::size_t i = 0;
  const bool negative = length > 0 && text[0] == '-';
  if (length > 0 && (text[0] == '-' || text[0] == '+')) ++i;
  uint64_t digits = 0;
  int32_t count = 0, decimals = 0;
  bool point = false;
  for (; i < length; ++i) {
    const unsigned d = static_cast<unsigned char>(text[i]) - '0';
    if (d < 10) {
      digits = digits * 10 + d;
      ++count;
      decimals += point ? 1 : 0;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0 || count > 19) return false;
  const long double v = static_cast<long double>(digits);
  value = decimals == 0 ? v : v / kPowerOfTen[decimals];
  if (negative) value = -value;
  return true;
}

}  // namespace

bool ParseReal(const char* text, std::size_t length, long double& value) {
  if (PlainDecimal(text, length, value)) return true;
  // Settings and data values are short; a longer text takes a buffer of its
  // own size for the copy that strtold sees.
  char small[300];
  std::string large;
  char* copy = small;
  if (length >= sizeof small) {
    large.resize(length + 1);
    copy = large.data();
  }
  Decimal d;
  if (!CheckReal(text, length, d, copy)) return false;
  if (ShortDecimalValue(d, value)) return true;
  long double v = std::strtold(copy, nullptr);
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace base
