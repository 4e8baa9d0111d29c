// Fuzz target: the integer and real conversions of settings and data
// values, each checked against a plain reference of the accepted syntax.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/convert.h"
#include "fuzz_support.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Blanks, sign, "$" for hexadecimal, at least one digit and nothing else;
// the value must fit in 32 bits with its sign.
bool ReferenceInteger(const std::string& t, int64_t& value) {
  std::size_t i = 0;
  while (i < t.size() && IsBlank(t[i])) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const bool hex = i < t.size() && t[i] == '$';
  if (hex) ++i;
  if (i == t.size()) return false;
  int64_t magnitude = 0;
  for (; i < t.size(); ++i) {
    const int d = hex ? HexValue(t[i]) : (IsDigit(t[i]) ? t[i] - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * (hex ? 16 : 10) + d;
    if (magnitude > (int64_t{1} << 31)) return false;  // far enough: stays exact
  }
  value = negative ? -magnitude : magnitude;
  return value >= INT32_MIN && value <= INT32_MAX;
}

// The real syntax; `number` receives the text strtold should see (the
// blanks after the sign removed).
bool ReferenceRealSyntax(const std::string& t, std::string& number) {
  std::size_t i = 0;
  while (i < t.size() && IsBlank(t[i])) ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    number += t[i++];
    while (i < t.size() && IsBlank(t[i])) ++i;
  }
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) number += t[i++], ++digits;
  if (i < t.size() && t[i] == '.') {
    number += t[i++];
    while (i < t.size() && IsDigit(t[i])) number += t[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    number += t[i++];
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) number += t[i++];
    std::size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) number += t[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == t.size();
}

void CheckInteger(const std::string& text) {
  int32_t got = 12345;
  int64_t want = 0;
  const bool accepted = base::ParseInteger(text, got);
  const bool expected = ReferenceInteger(text, want);
  if (accepted != expected) fuzz::Finding("integer acceptance differs from the syntax");
  if (accepted && got != want) fuzz::Finding("integer value differs");
}

void CheckReal(const std::string& text) {
  long double got = 0;
  std::string number;
  const bool accepted = base::ParseReal(text, got);
  const bool syntax = ReferenceRealSyntax(text, number);
  const long double want = syntax ? std::strtold(number.c_str(), nullptr) : 0;
  const bool expected = syntax && std::isfinite(want);
  if (accepted != expected) fuzz::Finding("real acceptance differs from the syntax");
  if (accepted && !(got == want)) fuzz::Finding("real value differs from strtold");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckInteger(text);
  CheckReal(text);
  // A data value is read as at most its first 30 characters.
  long double v;
  if (base::ParseReal(text.data(), text.size() < 30 ? text.size() : 30, v) && !std::isfinite(v))
    fuzz::Finding("a data value that is not finite");
  return 0;
}
