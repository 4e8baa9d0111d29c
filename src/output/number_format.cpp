// Number formatting: the fixed-width exponent form of every real written to a
// file, the compact form of every real drawn on the graph, and integer text.
// Digits come from the extended value by repeated division, one at a time.
#include "output/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "config/text.h"

namespace output {
namespace {

// No field is wider than the longest text the program keeps, so a width
// beyond it can neither allocate nor compute without end.
constexpr int32_t kMaxWidth = static_cast<int32_t>(config::kMaxText);
// Digits of the widest field: sign, point and the shortest exponent take 7.
constexpr int32_t kMaxDigits = kMaxWidth - 6;
// The decimals of the form without a width.
constexpr int32_t kFreeDecimals = 15;
// The compact form builds a plain decimal only up to this exponent, taking
// its filler zeros from a supply of this many.
constexpr int32_t kZeroPad = 35;

// Above this scale a remainder (up to ten scales) or the round-up test (five
// scales) would overflow; both numbers are then moved down by 2^-256, which is
// exact and leaves every quotient, product and difference bit for bit the same.
constexpr long double kScaleLimit = 1e4900L;
constexpr long double kScaleDown = 0x1p-256L;

// The exponent form of one value: sign, digits (digit[0] before the point),
// decimal exponent.
struct Digits {
  bool negative = false;
  int32_t count = 0;
  int32_t exponent = 0;
  char digit[kMaxDigits + 1];
};

// Finds the decimal exponent of a > 0 and the scale p whose quotient gives the
// first digit. Small values are brought up to [1, 10) by tens instead, so the
// scale stays 1; neither loop can overflow (p stops near 1e4932 < LDBL_MAX).
int32_t FindExponent(long double& a, long double& p) {
  int32_t e = 0;
  if (a >= 1) {
    const long double tenth = a / 10;
    while (p <= tenth) { p *= 10; ++e; }
  } else if (a > 0) {
    while (a < 1) { a *= 10; --e; }
  }
  return e;
}

// Characters of "e+07", "e+100", "e-4951"; extended exponents have at most
// four digits.
int32_t ExponentLength(int32_t e) {
  const int32_t m = e < 0 ? -e : e;
  return m < 100 ? 4 : (m < 1000 ? 5 : 6);
}

// Decimals after the point: what the width leaves after the sign, the first
// digit, the point and the exponent, at least one.
int32_t DecimalsFor(int32_t width, bool hasWidth, int32_t e) {
  if (!hasWidth) return kFreeDecimals;
  const int32_t d = std::min(width, kMaxWidth) - 3 - ExponentLength(e);
  return d < 1 ? 1 : d;
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

// Adds one to the last digit; true when the carry runs past the first one.
bool RoundUp(char* digit, int32_t count) {
  for (int32_t i = count - 1; i >= 0; --i) {
    if (digit[i] != '9') { ++digit[i]; return false; }
    digit[i] = '0';
  }
  return true;
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

// The exponent-form digits of a finite x for the given width (or none). A
// carry past the first digit starts again one decade up; the first digit is
// then at most 1, so a second start never follows.
Digits MakeDigits(long double x, int32_t width, bool hasWidth) {
  Digits g;
  g.negative = x < 0;
  long double a = std::fabs(x);
  long double p = 1;
  g.exponent = FindExponent(a, p);
  if (p > kScaleLimit) { a *= kScaleDown; p *= kScaleDown; }
  for (;;) {
    g.count = 1 + DecimalsFor(width, hasWidth, g.exponent);
    if (!GenerateDigits(a, p, g.count, g.digit)) return g;
    p *= 10;
    ++g.exponent;
  }
}

// Writes the exponent with its sign and at least two digits; returns the end.
char* WriteExponent(char* out, int32_t e, char letter) {
  *out++ = letter;
  *out++ = e < 0 ? '-' : '+';
  const int32_t m = e < 0 ? -e : e;
  const int32_t len = ExponentLength(e) - 2;
  int32_t rest = m;
  for (int32_t i = len - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  return out + len;
}

// Text of `length` characters right-justified in `width`, never cut.
std::string Justify(const char* text, int32_t length, int32_t width) {
  const int32_t pad = std::max(0, std::min(width, kMaxWidth) - length);
  std::string out(static_cast<std::size_t>(pad + length), ' ');
  std::memcpy(out.data() + pad, text, static_cast<std::size_t>(length));
  return out;
}

// " NaN", " Inf", "-Inf", right-justified like a number.
std::string NonFinite(long double x, int32_t width) {
  const char* text = std::isnan(x) ? " NaN" : (x > 0 ? " Inf" : "-Inf");
  return Justify(text, 4, width);
}

std::string ExponentForm(long double x, int32_t width, bool hasWidth) {
  if (!std::isfinite(x)) return NonFinite(x, width);
  const Digits g = MakeDigits(x, width, hasWidth);
  char text[kMaxDigits + 8];
  char* out = text;
  *out++ = g.negative ? '-' : ' ';
  *out++ = g.digit[0];
  *out++ = '.';
  std::memcpy(out, g.digit + 1, static_cast<std::size_t>(g.count - 1));
  out = WriteExponent(out + g.count - 1, g.exponent, 'e');
  return Justify(text, static_cast<int32_t>(out - text), hasWidth ? width : 0);
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
  if (g.exponent != 0) {
    const int32_t m = g.exponent < 0 ? -g.exponent : g.exponent;
    *w++ = 'E';
    *w++ = g.exponent < 0 ? '-' : '+';
    char digits[12];
    int32_t len = 0;
    for (int32_t rest = m; rest > 0; rest /= 10) digits[len++] = static_cast<char>('0' + rest % 10);
    while (len > 0) *w++ = digits[--len];
  }
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
  return ExponentForm(x, width, true);
}

std::string FormatExponent(long double x) {
  return ExponentForm(x, 0, false);
}

// The exponent form with n significant digits (n - 1 decimals, at least one),
// trimmed, or the plain decimal form when that is strictly shorter.
std::string FormatCompact(long double x, int32_t n) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  n = std::clamp(n, 1, 20);
  const Digits g = MakeDigits(x, n + 6, true);
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
  const int64_t pad = static_cast<int64_t>(std::min(width, kMaxWidth)) -
                      static_cast<int64_t>(text.size());
  if (pad <= 0) return text;
  std::string out(static_cast<std::size_t>(pad), ' ');
  return out += text;
}

}  // namespace output
