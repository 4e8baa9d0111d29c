// Short decimals are converted without strtold, by one exact multiplication
// or division; the value must be the one strtold gives, bit for bit. Random
// decimal texts of every shape check it, the longer and larger ones falling
// back to strtold itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "base/convert.h"

namespace {

std::string Digits(std::mt19937_64& rng, int32_t count) {
  std::string s;
  for (int32_t i = 0; i < count; ++i) s += static_cast<char>('0' + rng() % 10);
  return s;
}

// A valid decimal text and, apart, the same number without blanks as
// strtold is to see it.
struct Text {
  std::string text, plain;
};

Text RandomDecimal(std::mt19937_64& rng) {
  Text t;
  const char* signs[] = {"", "+", "-"};
  const std::string sign = signs[rng() % 3];
  std::string mantissa = Digits(rng, static_cast<int32_t>(rng() % 12));
  if (rng() % 4 == 0) mantissa = std::string(rng() % 5, '0') + mantissa;  // leading zeros
  if (rng() % 3 != 0) mantissa += "." + Digits(rng, static_cast<int32_t>(rng() % (rng() % 5 == 0 ? 25 : 10)));
  if (mantissa.find_first_of("0123456789") == std::string::npos) mantissa += "7";
  std::string exponent;
  if (rng() % 3 == 0) {
    const char* marks[] = {"e", "E", "e+", "e-", "E-"};
    exponent = marks[rng() % 5] + Digits(rng, 1 + static_cast<int32_t>(rng() % (rng() % 8 == 0 ? 5 : 2)));
  }
  t.plain = sign + mantissa + exponent;
  t.text = (rng() % 8 == 0 ? " \t" : "") + sign + (rng() % 8 == 0 && !sign.empty() ? " " : "") + mantissa + exponent;
  return t;
}

TEST(ConvertDecimal, SameValueAsStrtold) {
  std::mt19937_64 rng(1967);
  for (int32_t i = 0; i < 400000; ++i) {
    const Text t = RandomDecimal(rng);
    const long double want = std::strtold(t.plain.c_str(), nullptr);
    long double got = 12345;
    const bool ok = base::ParseReal(t.text, got);
    // Only values beyond the extended range are refused.
    ASSERT_EQ(ok, std::isfinite(want)) << t.text;
    if (ok) {
      ASSERT_EQ(std::memcmp(&got, &want, 10), 0) << t.text << " gives " << got;
    }
  }
}

// Where the exact path ends: 19 and 20 significant digits, the largest exact
// power of ten and one beyond, the sign of zero.
TEST(ConvertDecimal, EdgesOfTheExactPath) {
  const char* texts[] = {"9999999999999999999",  "18446744073709551615", "99999999999999999999",
                         "1e27",                 "1e28",                 "1.5e-27",
                         "1.5e-28",              "123456789e27",         "0.000000000000000000000000001",
                         "-0",                   "-0.0e5",               "0e99999",
                         "0.1",                  "0.30000000000000004",  "2.5e-5"};
  for (const char* text : texts) {
    long double got;
    ASSERT_TRUE(base::ParseReal(text, got)) << text;
    const long double want = std::strtold(text, nullptr);
    EXPECT_EQ(std::memcmp(&got, &want, 10), 0) << text;
    EXPECT_EQ(std::signbit(got), std::signbit(want)) << text;
  }
}

}  // namespace
