// Number formatting: the two ways the program turns reals into text, and
// integer text. Every real in a file goes through FormatExponent, every real
// drawn on the graph through FormatCompact. All digit generation runs in x87
// extended precision.
#pragma once
#include <cstdint>
#include <string>

namespace base {

// Fixed-width exponent form, e.g. FormatExponent(123.456, 13) = " 1.234560e+02".
// The text is right-justified in `width` characters and never cut. Not finite
// values give " NaN", " Inf", "-Inf". Widths above 255, the longest text the
// program keeps, count as 255 (here and in every width below).
std::string FormatExponent(long double x, int32_t width);
// Without a width: 15 decimals, e.g. " 1.500000000000000e+00".
std::string FormatExponent(long double x);
// FormatExponent(x, width) written to `out`, which has room for
// ExponentFieldRoom characters; returns the end of the text.
constexpr int32_t ExponentFieldRoom = 264;
char* WriteExponentField(char* out, const long double& x, int32_t width);

// Shortest readable text of x with n significant digits (n from 1 to 20,
// others are clamped), choosing between a trimmed exponent form and a plain
// decimal form. Not finite values give "NaN", "Inf", "-Inf".
std::string FormatCompact(long double x, int32_t n);

// Plain decimal text: "-" for negatives, no leading zeros or blanks.
std::string IntText(int32_t value);
// The same, right-justified in `width` characters by leading spaces, never cut.
std::string IntText(int32_t value, int32_t width);

// Precedes `text` by spaces up to `width` characters; a longer text stays whole.
std::string PadLeft(const std::string& text, int32_t width);

}  // namespace base
