// The exponent form's digits come from integer arithmetic that reproduces a
// loop of x87 divisions; here that loop, written out plainly, checks them
// over values chosen to hit every way the two could part: random bits at
// every exponent, the neighbours of powers of ten, runs of nines that carry,
// short decimals (whose remainders sit at a digit boundary) and halves.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "base/number_format.h"

namespace {

// FormatExponent as the division loop forms it: e and p by repeated
// multiplication by ten, each digit a / p truncated and at most 9, then
// a = (a - q p) 10, the rest rounding the last digit half up, and a carry
// past the first digit starting again one decade up. Without a width (-1
// here) there are 15 decimals.
std::string DivisionLoop(long double x, int32_t width) {
  const bool hasWidth = width != -1;
  const int32_t field = hasWidth ? std::clamp(width, 0, 255) : 0;
  std::string text;
  if (std::isnan(x) || std::isinf(x)) {
    text = std::isnan(x) ? " NaN" : (x > 0 ? " Inf" : "-Inf");
  } else {
    long double a = std::fabs(x), p = 1;
    int32_t e = 0;
    if (a >= 1) {
      const long double tenth = a / 10;
      while (p <= tenth) p *= 10, ++e;
    } else if (a > 0) {
      while (a < 1) a *= 10, --e;
    }
    // Exact for both: keeps the remainder below the largest extended real.
    if (p > 1e4900L) a *= 0x1p-256L, p *= 0x1p-256L;
    std::string digits;
    for (bool carried = true; carried;) {
      const int32_t m = std::abs(e), expLength = m < 100 ? 4 : (m < 1000 ? 5 : 6);
      const int32_t count = 1 + (hasWidth ? std::max(1, field - 3 - expLength) : 15);
      digits.clear();
      long double rest = a;
      for (int32_t i = 0; i < count; ++i) {
        const long double quotient = rest / p;
        const int32_t q = quotient >= 9 ? 9 : (quotient > 0 ? static_cast<int32_t>(quotient) : 0);
        digits += static_cast<char>('0' + q);
        rest = (rest - q * p) * 10;
      }
      carried = false;
      if (rest >= 5 * p) {
        int32_t i = count - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) ++digits[i];
        else carried = true, p *= 10, ++e;
      }
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", e < 0 ? '-' : '+', std::abs(e));
    text = std::string(x < 0 ? "-" : " ") + digits[0] + "." + digits.substr(1) + exponent;
  }
  return std::string(static_cast<std::size_t>(std::max<int32_t>(0, field - static_cast<int32_t>(text.size()))), ' ') + text;
}

long double Neighbour(long double x, int32_t steps) {
  for (int32_t i = 0; i < std::abs(steps); ++i) x = std::nextafter(x, steps > 0 ? INFINITY : 0.0L);
  return x;
}

long double PowerOfTen(int32_t k) { return std::pow(10.0L, static_cast<long double>(k)); }

// One value of each kind in turn, with a random sign.
long double Sample(std::mt19937_64& rng, int32_t kind) {
  auto pick = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % (hi - lo + 1)); };
  long double x = 0;
  switch (kind) {
    case 0:  // random bits, the usual magnitudes
      x = std::ldexp(static_cast<long double>(rng() | (uint64_t{1} << 63)), pick(-130, 130) - 63);
      break;
    case 1:  // random bits, any exponent
      x = std::ldexp(static_cast<long double>(rng() | (uint64_t{1} << 63)), pick(-16380, 16380) - 63);
      break;
    case 2:  // a few units from a power of ten
      x = Neighbour(PowerOfTen(pick(-35, 35)), pick(-4, 4));
      break;
    case 3:  // a short decimal, as data files hold them
      x = static_cast<long double>(rng() % 100000000) / PowerOfTen(pick(0, 8)) * PowerOfTen(pick(-10, 10));
      break;
    case 6:  // near a power of ten far out, where the scaling takes thousands of steps
      x = Neighbour(PowerOfTen(pick(-4930, 4930)), pick(-3, 3));
      break;
    case 4:  // nines that may round up across every digit
      x = Neighbour((10 - PowerOfTen(-pick(1, 20)) * pick(0, 9) / 2) * PowerOfTen(pick(-20, 20)), pick(-2, 2));
      break;
    default:  // a half in the last place
      x = Neighbour((static_cast<long double>(rng() % 10000000) * 10 + 5) * PowerOfTen(pick(-22, 8)), pick(-1, 1));
  }
  return (rng() & 1) != 0 ? -x : x;
}

TEST(NumberDigits, SameAsTheDivisionLoop) {
  std::mt19937_64 rng(19670101);
  const int32_t kSamples = 700000;
  for (int32_t i = 0; i < kSamples; ++i) {
    const long double x = Sample(rng, i % 7);
    // Mostly the default width; all widths, and the form without one, too.
    const int32_t width = i % 3 == 0 ? 13 : 7 + static_cast<int32_t>(rng() % 21);
    ASSERT_EQ(base::FormatExponent(x, width), DivisionLoop(x, width))
        << static_cast<double>(x) << " width " << width;
    if (i % 8 == 0) {
      ASSERT_EQ(base::FormatExponent(x), DivisionLoop(x, -1));
    }
  }
}

// Each edge of the integer path: zero, exact powers at the end of its range
// (10^26 is the last scale it takes, 10^27 goes to the loop), the value that
// rounds to 10 while being scaled up, and the rounding that carries past the
// first digit.
TEST(NumberDigits, EdgesOfTheIntegerPath) {
  const long double cases[] = {0.0L,       -0.0L,      1.0L,        9.9999999L,  10.0L,
                               1e26L,      1e27L,      1e28L,       9.99999999999999999e26L,
                               0.99999999999999999995L, 1e-300L, 5e-324L,    1e-4940L,
                               1e4930L,    123.456L,   -0.000123L,  0.1L,       0.5L,
                               9.5L,       99999.95L,  2.5e-5L};
  for (long double x : cases)
    for (int32_t width : {10, 13, 20, 26}) {
      SCOPED_TRACE(static_cast<double>(x));
      EXPECT_EQ(base::FormatExponent(x, width), DivisionLoop(x, width)) << width;
      EXPECT_EQ(base::FormatExponent(Neighbour(x, 1), width), DivisionLoop(Neighbour(x, 1), width));
      EXPECT_EQ(base::FormatExponent(Neighbour(x, -1), width), DivisionLoop(Neighbour(x, -1), width));
    }
}

// The buffer form writes the same text as the string form. The extreme
// widths once overflowed while the padding was worked out.
TEST(NumberDigits, FieldIntoABuffer) {
  EXPECT_EQ(base::FormatExponent(1.5L, INT32_MIN), " 1.5e+00");
  EXPECT_EQ(base::FormatExponent(1.5L, INT32_MAX).size(), 255u);
  EXPECT_EQ(base::IntText(5, INT32_MIN), "5");
  std::mt19937_64 rng(7);
  for (int32_t i = 0; i < 2000; ++i) {
    const long double x = Sample(rng, i % 6);
    const int32_t width = static_cast<int32_t>(rng() % 300) - 19;
    char buffer[base::ExponentFieldRoom];
    char* end = base::WriteExponentField(buffer, x, width);
    ASSERT_EQ(std::string(buffer, static_cast<std::size_t>(end - buffer)), base::FormatExponent(x, width)) << width;
  }
}

}  // namespace
