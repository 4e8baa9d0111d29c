// Number formatting: the fixed-width exponent form of every real written to a
// file, the compact form of every real drawn on the graph, and integer text.
//
// The digits are those of a loop of x87 divisions, one digit at a time
// (MakeDigitsByDivision below: it defines them). Which value takes which
// path, the fastest that gives the loop's digits first:
//   0                      written as zeros at once;
//   1 <= |x| < 1e27        integers (exact_digits.cpp): all digits at once
//                          from one product where a margin shows that the
//                          loop's roundings cannot change them, else the
//                          loop step by step in integers (a power-of-two
//                          scale by shifts, any other by a reciprocal);
//   1e-27 <= |x| < 1       the same, after multiplying by 5^k exactly;
//   1e-4951 < |x| < 1e-27  the same from the nearest power of ten, with the
//                          margin widened by its roundings; where it fails,
//                          the loop's own scaling (x87 products) and then
//                          the integer loop;
//   |x| >= 1e27, denormals the division loop itself, which takes its scale
//                          from a table of the loop's products (one search
//                          instead of thousands of multiplications).
// The width only sets how many digits are formed; widths above 26 (more
// than 21 digits) run past the margins and take the step-by-step paths.
#include "base/number_format.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/digits.h"

namespace base {
namespace {

// The longest exponent form: sign, digits, point and a four-digit exponent.
constexpr int32_t kMaxExponentText = kMaxDigits + 8;
// The compact form builds a plain decimal only up to this exponent, taking
// its filler zeros from a supply of this many.
constexpr int32_t kZeroPad = 35;

// Above this scale a remainder (up to ten scales) or the round-up test (five
// scales) would overflow; both numbers are then moved down by 2^-256, which is
// exact and leaves every quotient, product and difference bit for bit the same.
constexpr long double kScaleLimit = 1e4900L;
constexpr long double kScaleDown = 0x1p-256L;

// The scales p the loop meets, p = 1 multiplied by ten e times with every
// product rounded: not the nearest values of 10^e, but what the loop holds.
// Made once, when a value beyond the exact range first needs them, so that
// an exponent near 4900 costs a search instead of thousands of products.
// (A local static is made once even when two threads ask at the same time.)

struct ScaleTable {
  long double scale[kScaleCount];
  ScaleTable() {
    long double p = 1;
    for (int32_t i = 0; i < kScaleCount; ++i, p *= 10) scale[i] = p;
  }
};

long double LoopScale(int32_t e) {
  static const ScaleTable table;
  return table.scale[e];
}

// The fewest multiplications e after which p exceeds `tenth` (at most
// LDBL_MAX / 10, which the last scale exceeds).
int32_t ScaleIndexAbove(long double tenth) {
  int32_t low = 0, high = kScaleCount - 1;  // the answer lies in [low, high]
  while (low < high) {
    const int32_t mid = low + (high - low) / 2;
    if (LoopScale(mid) > tenth) high = mid; else low = mid + 1;
  }
  return low;
}

// Finds the decimal exponent of a > 0 and the scale p whose quotient gives the
// first digit. Small values are brought up to [1, 10) by tens instead, so the
// scale stays 1; neither loop can overflow (p stops near 1e4932 < LDBL_MAX).
int32_t FindExponent(long double& a, long double& p) {
  int32_t e = 0;
  if (a >= 1) {
    e = ScaleIndexAbove(a / 10);
    p = LoopScale(e);
  } else if (a > 0) {
    while (a < 1) { a *= 10; --e; }
  }
  return e;
}

// One digit: the quotient truncated and kept to 0..9. When a quotient rounds
// up to a whole number (just below 3e29, say), q * p exceeds what was left,
// the remainder turns negative and so would every later digit; held at 0 they
// read as the zeros they stand for. Testing before converting also keeps a
// quotient past ten (or infinite) from an out-of-range conversion.
inline int32_t DigitOf(long double quotient) {
  if (quotient >= 9) return 9;
  return quotient > 0 ? static_cast<int32_t>(quotient) : 0;
}

// Writes `count` digits of a / p, rounded half up on what remains; true when
// rounding carried past the first digit.
bool GenerateDigits(long double a, long double p, int32_t count, char* digit) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t q = DigitOf(a / p);
    digit[i] = static_cast<char>('0' + q);
    a = (a - q * p) * 10;
  }
  return a >= 5 * p && RoundUp(digit, count);
}

// The exponent-form digits of a finite x for the given width (or none), as
// the division loop forms them: find the decimal exponent e and the scale p,
// then each digit is a / p truncated (at most 9) and a becomes (a - q p) 10,
// every operation rounded to 64 bits; the rest rounds the last digit half up.
// A carry past the first digit starts again one decade up; the first digit is
// then at most 1, so a second start never follows.
void MakeDigitsByDivision(long double x, int32_t field, Digits& g) {
  g.negative = x < 0;
  long double a = std::fabs(x);
  long double p = 1;
  g.exponent = FindExponent(a, p);
  if (p > kScaleLimit) { a *= kScaleDown; p *= kScaleDown; }
  for (;;) {
    g.count = 1 + DecimalsFor(field, g.exponent);
    if (!GenerateDigits(a, p, g.count, g.digit)) return;
    p *= 10;
    ++g.exponent;
  }
}

// The digits are written in place: the record is large enough that copying
// it would cost as much as the digits themselves.
// x by reference: its bytes are read where they lie, which for a value long
// in memory saves waiting for an 80-bit store to be read back.
void MakeDigits(const long double& x, int32_t field, Digits& g) {
  if (!MakeDigitsExactly(x, field, g)) MakeDigitsByDivision(x, field, g);
}

// The digits of an exponent's magnitude m, at least minDigits of them.
char* WriteExponentDigits(char* out, int32_t m, int32_t minDigits) {
  int32_t len = 1;
  for (int32_t rest = m; rest >= 10; rest /= 10) ++len;
  len = std::max(len, minDigits);
  int32_t rest = m;
  for (int32_t i = len - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  return out + len;
}

// Writes the letter, the exponent's sign and its digits, at least
// `minDigits` of them (leading zeros); returns the end. The one exponent
// writer, with the file fields' two digits in line.
inline char* WriteExponent(char* out, int32_t e, char letter, int32_t minDigits) {
  *out++ = letter;
  *out++ = e < 0 ? '-' : '+';
  const int32_t m = e < 0 ? -e : e;
  if (m >= 100 || minDigits != 2) return WriteExponentDigits(out, m, minDigits);
  out[0] = static_cast<char>('0' + m / 10);
  out[1] = static_cast<char>('0' + m % 10);
  return out + 2;
}

// The blanks that right-justify a text of `length` characters in `width`
// (never cutting it), written to `out`; returns the end. The one padder.
char* PadTo(char* out, int32_t width, int32_t length) {
  const int32_t pad = FieldWidth(width) - length;
  if (pad <= 0) return out;  // the usual field: the text fills it
  std::memset(out, ' ', static_cast<std::size_t>(pad));
  return out + pad;
}

// Text of `length` characters right-justified in `width`, never cut.
std::string Justify(const char* text, int32_t length, int32_t width) {
  std::string out(static_cast<std::size_t>(std::max(0, FieldWidth(width) - length) + length), ' ');
  std::memcpy(PadTo(out.data(), width, length), text, static_cast<std::size_t>(length));
  return out;
}

// The exponent form into `out`, right-justified in `width` characters when
// there is one; returns the end. The length is known once the digits are:
// sign, first digit, point, the other digits and the exponent.
char* ExponentText(char* out, const long double& x, int32_t field) {
  if (!std::isfinite(x)) {
    out = PadTo(out, field, 4);
    std::memcpy(out, std::isnan(x) ? " NaN" : (x > 0 ? " Inf" : "-Inf"), 4);
    return out + 4;
  }
  Digits g;
  MakeDigits(x, field, g);
  out = PadTo(out, field, 2 + g.count + ExponentLength(g.exponent));
  *out++ = g.negative ? '-' : ' ';
  *out++ = g.digit[0];
  *out++ = '.';
  // Up to 16 digits in one fixed-size copy (the room allows the overshoot,
  // which the exponent then covers).
  if (g.count <= 17) std::memcpy(out, g.digit + 1, 16);
  else std::memcpy(out, g.digit + 1, static_cast<std::size_t>(g.count - 1));
  return WriteExponent(out + g.count - 1, g.exponent, 'e', 2);
}

std::string ExponentForm(long double x, int32_t field) {
  char text[kMaxExponentText + kMaxWidth];
  const char* end = ExponentText(text, x, field);
  return std::string(text, static_cast<std::size_t>(end - text));
}

// The compact forms are short: at most a sign, "0.", 34 zeros and 20 digits.
constexpr int32_t kCompactBuffer = 64;

// The trimmed exponent form: "-1.25E-3", "1E+40", or without an exponent part
// when the exponent is zero ("1.5", "0"). `kept` is the digit count left
// after the trailing zeros of the decimals are dropped. Returns the length.
int32_t TrimmedExponentForm(const Digits& g, int32_t kept, char* out) {
  char* w = out;
  if (g.negative) *w++ = '-';
  *w++ = g.digit[0];
  if (kept > 1) {
    *w++ = '.';
    std::memcpy(w, g.digit + 1, static_cast<std::size_t>(kept - 1));
    w += kept - 1;
  }
  if (g.exponent != 0) w = WriteExponent(w, g.exponent, 'E', 1);
  return static_cast<int32_t>(w - out);
}

// The plain decimal form for an exponent from -35 to 35 (not 0): below one
// the digits follow "0." and leading zeros; from ten up the digits are filled
// with zeros to the integer part, and decimals are kept only when n digits
// reach past it. Trailing zeros of the decimals and a bare point are dropped.
int32_t DecimalForm(const Digits& g, int32_t kept, int32_t n, char* out) {
  char* w = out;
  if (g.negative) *w++ = '-';
  const int32_t e = g.exponent;
  if (e < 0) {
    *w++ = '0';
    *w++ = '.';
    for (int32_t i = 0; i < -e - 1; ++i) *w++ = '0';
    std::memcpy(w, g.digit, static_cast<std::size_t>(kept));
    w += kept;
  } else {
    // Digit i of the mantissa followed by the filler zeros.
    auto digitAt = [&](int32_t i) { return i < kept ? g.digit[i] : '0'; };
    for (int32_t i = 0; i <= e; ++i) *w++ = digitAt(i);
    if (n >= e + 2) {
      *w++ = '.';
      for (int32_t i = e + 1; i < n; ++i) *w++ = digitAt(i);
    }
  }
  char* point = static_cast<char*>(std::memchr(out, '.', static_cast<std::size_t>(w - out)));
  if (point != nullptr) {
    while (w[-1] == '0') --w;
    if (w[-1] == '.') --w;
  }
  return static_cast<int32_t>(w - out);
}

}  // namespace

std::string FormatExponent(long double x, int32_t width) {
  return ExponentForm(x, FieldWidth(width));
}

char* WriteExponentField(char* out, const long double& x, int32_t width) {
  return ExponentText(out, x, FieldWidth(width));
}

std::string FormatExponent(long double x) {
  return ExponentForm(x, kNoWidth);
}

// The exponent form with n significant digits (n - 1 decimals, at least one),
// trimmed, or the plain decimal form when that is strictly shorter.
std::string FormatCompact(long double x, int32_t n) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  n = std::clamp(n, 1, 20);
  Digits g;
  MakeDigits(x, FieldWidth(n + 6), g);
  int32_t kept = g.count;
  while (kept > 1 && g.digit[kept - 1] == '0') --kept;
  char s[kCompactBuffer];
  const int32_t sLength = TrimmedExponentForm(g, kept, s);
  if (g.exponent == 0 || g.exponent < -kZeroPad || g.exponent > kZeroPad) {
    return std::string(s, static_cast<std::size_t>(sLength));
  }
  char t[kCompactBuffer];
  const int32_t tLength = DecimalForm(g, kept, n, t);
  // A tie keeps the exponent form.
  if (tLength < sLength) return std::string(t, static_cast<std::size_t>(tLength));
  return std::string(s, static_cast<std::size_t>(sLength));
}

std::string IntText(int32_t value) {
  return IntText(value, 0);
}

std::string IntText(int32_t value, int32_t width) {
  char text[12];
  char* end = text + sizeof text;
  char* w = end;
  // The magnitude in unsigned arithmetic, so the most negative value has one.
  uint32_t rest = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    *--w = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) *--w = '-';
  return Justify(w, static_cast<int32_t>(end - w), width);
}

std::string PadLeft(const std::string& text, int32_t width) {
  if (text.size() >= static_cast<std::size_t>(kMaxWidth)) return text;
  return Justify(text.data(), static_cast<int32_t>(text.size()), width);
}

}  // namespace base
