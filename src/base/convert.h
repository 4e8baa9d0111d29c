// The two conversions every setting and every data value goes through.
// Both accept only the whole text as a number: anything after the number,
// blanks included, makes the text invalid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace base {

// Leading blanks, an optional "+" or "-", then decimal digits, or "$" and
// hexadecimal digits. A value outside the signed 32-bit range is invalid.
bool ParseInteger(const std::string& text, int32_t& value);

// Leading blanks, an optional sign (blanks may follow it), digits with an
// optional point and fraction (or a point and a fraction alone), an optional
// exponent "e"/"E" with optional sign and digits. A value too large for
// extended precision is invalid, so the result is always finite.
bool ParseReal(const char* text, std::size_t length, long double& value);
inline bool ParseReal(const std::string& text, long double& value) {
  return ParseReal(text.data(), text.size(), value);
}

}  // namespace base
