// Integer and real conversion of setting values and data values. The syntax
// is checked here by hand because strtol and strtold also accept texts that
// are not numbers in our files ("nan", "inf", "0x10", "1e", trailing blanks).
#include "config/convert.h"

#include <cmath>
#include <cstdlib>

namespace config {
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

bool ParseReal(const char* text, std::size_t length, long double& value) {
  // The checked number is copied without its blanks, so that strtold sees
  // exactly the text that was accepted. Settings and data values are short;
  // a longer text takes a buffer of its own size.
  char small[300];
  std::string large;
  char* buffer = small;
  if (length >= sizeof small) {
    large.resize(length + 1);
    buffer = large.data();
  }
  std::size_t n = 0, i = 0;
  auto copy = [&]() { buffer[n++] = text[i++]; };
  while (i < length && IsBlank(text[i])) ++i;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    copy();
    while (i < length && IsBlank(text[i])) ++i;
  }
  std::size_t digits = 0;
  while (i < length && IsDigit(text[i])) copy(), ++digits;
  if (i < length && text[i] == '.') {
    copy();
    while (i < length && IsDigit(text[i])) copy(), ++digits;
  }
  if (digits == 0) return false;
  if (i < length && (text[i] == 'e' || text[i] == 'E')) {
    copy();
    if (i < length && (text[i] == '+' || text[i] == '-')) copy();
    std::size_t expDigits = 0;
    while (i < length && IsDigit(text[i])) copy(), ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != length) return false;
  buffer[n] = '\0';
  long double v = std::strtold(buffer, nullptr);
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace config
