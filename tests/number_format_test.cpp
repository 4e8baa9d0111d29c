// Tests of the number formats: known-good examples, the edges where digit
// generation can break (carries, long exponents, extreme values), and a
// seeded random cross-check against the C library's correctly rounded output.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "base/number_format.h"

using base::FormatCompact;
using base::FormatExponent;

namespace {

constexpr int32_t kNoWidth = -1;

struct ExponentCase {
  long double x;
  int32_t width;  // kNoWidth: the form without a width
  const char* text;
};

std::string Exponent(const ExponentCase& c) {
  return c.width == kNoWidth ? FormatExponent(c.x) : FormatExponent(c.x, c.width);
}

TEST(FormatExponent, Examples) {
  const ExponentCase cases[] = {
      {123.456L, 13, " 1.234560e+02"},
      {-0.000123L, 13, "-1.230000e-04"},
      {0.0L, 13, " 0.000000e+00"},
      {9.9999999L, 13, " 1.000000e+01"},
      {1e100L, 13, " 1.00000e+100"},
      {1.0L, 10, " 1.000e+00"},
      {1.5L, kNoWidth, " 1.500000000000000e+00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Exponent(c), c.text) << (double)c.x;
}

TEST(FormatExponent, Edges) {
  const ExponentCase cases[] = {
      // Minus zero is not below zero: the sign position stays a space.
      {-0.0L, 13, " 0.000000e+00"},
      // Carries across every digit into the next decade, also from below one
      // and into a longer exponent, which costs a decimal.
      {0.99999999L, 13, " 1.000000e+00"},
      {-9.99999999e-8L, 13, "-1.000000e-07"},
      {9.9999999e99L, 13, " 1.00000e+100"},
      // Back from a three-digit to a two-digit exponent gains the decimal back.
      {-9.9999999e-100L, 13, "-1.000000e-99"},
      {1.5e-100L, 13, " 1.50000e-100"},
      // The field limits of the result files: 4 and 20 significant digits.
      {2.0L / 3, 10, " 6.667e-01"},
      {18446744073709551616.0L, 26, " 1.8446744073709551616e+19"},
      // Extended precision reaches four-digit exponents at both ends, and a
      // remainder of the largest value must not overflow.
      {1e1000L, 13, " 1.0000e+1000"},
      {LDBL_MAX, 13, " 1.1897e+4932"},
      {-LDBL_MAX, 26, "-1.18973149535723177e+4932"},
      {LDBL_MIN, 13, " 3.3621e-4932"},
      {LDBL_TRUE_MIN, 13, " 3.6452e-4951"},
      // Just below 3e29 the first quotient rounds up to 3, leaving a negative
      // remainder whose digits once came out as "/" and "-".
      {std::nextafter(3e29L, 0.0L), 26, " 3.0000000000000000000e+29"},
      // Too narrow a width still gives one decimal; text is never cut.
      {1.5L, 0, " 1.5e+00"},
      {-2.25L, -7, "-2.3e+00"},  // the tie rounds up
      {12.5L, 8, " 1.3e+01"},
      {std::nanl(""), 6, "   NaN"},
      {HUGE_VALL, 2, " Inf"},
      {-HUGE_VALL, kNoWidth, "-Inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(Exponent(c), c.text) << (double)c.x;
}

// No width may make a text longer than any the program keeps.
TEST(FormatExponent, HugeWidthIsBounded) {
  const std::string text = FormatExponent(1.0L / 3, INT32_MAX);
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text.substr(0, 8), " 3.33333");
  EXPECT_EQ(text.substr(251), "e-01");
}

struct CompactCase {
  long double x;
  int32_t n;
  const char* text;
};

TEST(FormatCompact, Examples) {
  const CompactCase cases[] = {
      {0.00125L, 5, "1.25E-3"},
      {12.5L, 5, "12.5"},
      {100.0L, 5, "100"},
      {-0.5L, 5, "-0.5"},
      {1.0L / 3, 5, "0.33333"},
      {1234.5678L, 5, "1234.6"},
      {123456789.0L, 5, "1.2346E+8"},
      {99999.9L, 5, "1E+5"},
      {2e-7L, 5, "2E-7"},
      {1e40L, 5, "1E+40"},
      {-123456.0L, 3, "-123000"},
      {0.25L, 1, "0.25"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCompact(c.x, c.n), c.text) << (double)c.x;
}

TEST(FormatCompact, Edges) {
  const CompactCase cases[] = {
      // A zero exponent drops the exponent part altogether.
      {1.5L, 5, "1.5"},
      {-1.5L, 5, "-1.5"},
      {2.0L, 5, "2"},
      {0.0L, 5, "0"},
      {-0.0L, 5, "0"},
      // Exponents never keep leading zeros.
      {1.5e-7L, 5, "1.5E-7"},
      {1.5e12L, 5, "1.5E+12"},
      // Ties keep the exponent form; one character less takes the decimal.
      {-0.00125L, 5, "-1.25E-3"},
      {0.0125L, 5, "0.0125"},
      {1234500.0L, 5, "1234500"},
      {123450.0L, 5, "123450"},
      // A carry into the next decade before trimming.
      {9.99999L, 3, "10"},
      // Up to 35 the decimal form is built with filler zeros; beyond it, and
      // with three- and four-digit exponents, the exponent form stays.
      {1.25e35L, 5, "1.25E+35"},
      {1.25e-35L, 5, "1.25E-35"},
      {-1e-36L, 5, "-1E-36"},
      {1e36L, 5, "1E+36"},
      {1e100L, 5, "1E+100"},
      {LDBL_TRUE_MIN, 5, "3.65E-4951"},  // a four-digit exponent leaves two decimals
      // Digit counts out of range are clamped to 1 and 20.
      {0.25L, 0, "0.25"},
      {0.25L, INT32_MIN, "0.25"},
      // Not finite.
      {std::nanl(""), 5, "NaN"},
      {HUGE_VALL, 5, "Inf"},
      {-HUGE_VALL, 5, "-Inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCompact(c.x, c.n), c.text) << (double)c.x;
  EXPECT_EQ(FormatCompact(1.0L / 3, INT32_MAX), FormatCompact(1.0L / 3, 20));
}

TEST(IntText, PlainAndJustified) {
  EXPECT_EQ(base::IntText(0), "0");
  EXPECT_EQ(base::IntText(-7), "-7");
  EXPECT_EQ(base::IntText(INT32_MAX), "2147483647");
  EXPECT_EQ(base::IntText(INT32_MIN), "-2147483648");
  EXPECT_EQ(base::IntText(42, 5), "   42");
  EXPECT_EQ(base::IntText(-42, 3), "-42");
  EXPECT_EQ(base::IntText(-12345, 3), "-12345");  // never cut
  EXPECT_EQ(base::IntText(8, -4), "8");
  EXPECT_EQ(base::PadLeft("*", 4), "   *");
  EXPECT_EQ(base::PadLeft("abcdef", 4), "abcdef");
  EXPECT_EQ(base::PadLeft("", 0), "");
  EXPECT_EQ(base::PadLeft("x", INT32_MAX).size(), 255u);
}

// ---- Random cross-check ----------------------------------------------------

// An exponent-form text taken apart: value = mantissa * 10^(exponent - decimals).
struct Parsed {
  bool negative = false;
  int64_t mantissa = 0;
  int32_t decimals = 0;
  int32_t exponent = 0;
};

Parsed Parse(const std::string& text) {
  Parsed p;
  std::size_t i = text.find_first_not_of(' ');
  p.negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  for (; i < text.size() && text[i] != 'e'; ++i) {
    if (text[i] == '.') continue;
    p.mantissa = p.mantissa * 10 + (text[i] - '0');
    if (text.find('.') < i) ++p.decimals;
  }
  p.exponent = std::atoi(text.c_str() + i + 1);
  return p;
}

// Mantissa difference in units of the finer last place, and that place's
// distance in decades from the coarser one.
int64_t Difference(const Parsed& a, const Parsed& b, int32_t& decades) {
  const int32_t placeA = a.exponent - a.decimals, placeB = b.exponent - b.decimals;
  decades = std::abs(placeA - placeB);
  int64_t ma = a.mantissa, mb = b.mantissa;
  for (int32_t k = 0; k < decades; ++k) (placeA > placeB ? ma : mb) *= 10;
  return ma - mb;
}

// Any finite long double, denormals included, with a random sign; every
// second one within 2^+-130, where the compact form may choose plain decimals.
long double RandomValue(std::mt19937_64& rng, bool narrow) {
  const uint64_t significand = rng() | (uint64_t{1} << 63);
  const int32_t binaryExponent = narrow ? static_cast<int32_t>(rng() % 261) - 130
                                        : static_cast<int32_t>(rng() % 32824) - 16440;
  const long double x = std::ldexp(static_cast<long double>(significand), binaryExponent - 64);
  return (rng() & 1) != 0 ? -x : x;
}

// The digits must be the correctly rounded ones, except that the repeated
// multiplication by ten may lose low bits and so end one unit off in the last
// place; that must stay rare. The compact form must read back as its
// exponent form and lie within one and a half units of x.
TEST(NumberFormat, RandomCrossCheck) {
  std::mt19937_64 rng(20080419);
  const int32_t kSamples = 8000;
  int32_t offByOne = 0;
  for (int32_t i = 0; i < kSamples; ++i) {
    const long double x = RandomValue(rng, i % 2 == 0);
    const int32_t width = 13 + static_cast<int32_t>(rng() % 10);
    const std::string text = FormatExponent(x, width);
    ASSERT_EQ(text.size(), static_cast<std::size_t>(width)) << text;
    const Parsed mine = Parse(text);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", mine.decimals, x);
    const Parsed exact = Parse(buffer);
    int32_t decades = 0;
    const int64_t diff = Difference(mine, exact, decades);
    ASSERT_EQ(mine.negative, exact.negative) << text << " vs " << buffer;
    ASSERT_LE(std::abs(mine.exponent - exact.exponent), 1) << text << " vs " << buffer;
    ASSERT_LE(std::llabs(diff), decades == 0 ? 1 : 10) << text << " vs " << buffer;
    if (diff != 0) ++offByOne;

    const int32_t n = 1 + static_cast<int32_t>(rng() % 16);
    const std::string compact = FormatCompact(x, n);
    const std::string form = FormatExponent(x, n + 6);
    const Parsed p = Parse(form);
    const long double y = std::strtold(compact.c_str(), nullptr);
    ASSERT_EQ(y, std::strtold(form.c_str(), nullptr)) << compact << " vs " << form;
    const long double unit = std::pow(10.0L, static_cast<long double>(p.exponent - p.decimals));
    ASSERT_LE(std::fabs(y - x), 1.5L * unit * (1 + 1e-15L) + LDBL_TRUE_MIN) << compact;
    const std::size_t plus = compact.find('+');
    ASSERT_TRUE(plus == std::string::npos || compact[plus - 1] == 'E') << compact;
    ASSERT_EQ(compact.find(' '), std::string::npos) << compact;
    ASSERT_NE(compact.back(), '.') << compact;
    ASSERT_EQ(compact.find("E-0"), compact.find("E+0")) << compact;  // neither
  }
  EXPECT_LT(offByOne * 200, kSamples) << offByOne << " of " << kSamples;
}

}  // namespace
