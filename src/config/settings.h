// The settings of the run and the reading of every key. A plain key is
// read and settled by its line of the table of keys alone (ReadKey); a
// special key has a Settle function of its own, which the start-up calls
// with the arguments and earlier settings it needs. A missing or invalid
// value silently gives the default.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings_record.h"
#include "config/settings_table.h"

namespace config {

extern SettingsRecord Settings;

// Argument 0 and the positional arguments 1 to 6 (those after the
// options); an absent argument is the empty text.
struct CommandLineRecord {
  std::string Argument[7];
};
extern CommandLineRecord CommandLine;
// Keeps arguments[0] and up to six more; later ones are ignored.
void SaveCommandLine(const std::vector<std::string>& arguments);

// Yes/no values are compared upper-cased, as whole words.
bool IsYes(const std::string& value);
bool IsNo(const std::string& value);

// ---- Plain keys, settled by their kind ----------------------------------

// The value, or the key's default when it is empty; cut at 255 characters.
std::string SettleFileName(const std::string& value, Key key);
// The same for the key's own value, for a name looked up where it is used.
std::string FileNameSetting(Key key);
// An integer from the key's Low to its High.
int32_t SettleInteger(const std::string& value, Key key);
// Only the word opposite to the key's default (YES or NO, any case) turns it.
bool SettleYesNo(const std::string& value, Key key);
// A real below the key's Below.
long double SettleReal(const std::string& value, Key key);

// A plain key's value, settled by its kind, into its field in `s` or `a`.
// A special key, or a plain one without a field, changes nothing here.
void SettleKey(const std::string& value, Key key, SettingsRecord& s,
               AnalysisSettingsRecord& a);
// The same for the key's own value, into the run's records.
void ReadKey(Key key);

// The field width of a NumberDigits value (the width is what the result
// files use; NumberDigits itself is a plain key).
int32_t SettleNumberWidth(const std::string& numberDigits);
// The step and the zoom factors derived from it.
void SetSizingStep(SettingsRecord& s, long double step);

// ---- Special keys, each with rules of its own --------------------------

// One of the depths 1, 2, 4, 8, 15, 16, 24 and 32.
int32_t SettleColorBits(const std::string& value);

enum class ResolutionOutcome { Size, ListRequest, Unparsable };
// Reads "WIDTHxHEIGHT" (or "X"); R and D together "??" asks for the mode list.
ResolutionOutcome SettleResolution(const std::string& resolution,
                                   const std::string& driver, int32_t& width,
                                   int32_t& height);

// ColumnX, ColumnY, ColumnError: within the key's bounds, else the default;
// then an argument that converts replaces it unchecked.
int32_t SettleColumn(const std::string& value, Key key, const std::string& argument);
// Negative values count as their absolute value; argument 4 replaces it
// unchecked (a negative argument skips nothing).
int32_t SettleOmittedRows(const std::string& value, const std::string& argument);
// Off only for "NO"; a "-" anywhere in argument 4 switches it off.
bool SettleShowCalculus(const std::string& value, const std::string& argument4);

struct ErrorRatioOutcome {
  int32_t Ratio = 0;
  bool Estimate = false;
  bool FromCommandLine = false;
};
ErrorRatioOutcome SettleErrorRatio(const std::string& value,
                                   const std::string& argument6);

// Largest colour value of a depth (palette index or packed pixel).
int32_t MaxColourValue(int32_t depth);
// A colour key replaces `colour` when it is an integer not above the
// depth's largest value; there is no lower bound.
void SettleColourKey(const std::string& value, int32_t depth, int32_t& colour);
// Below maxX div 10, and within the key's 16-bit bounds.
int16_t SettleJumpSize(const std::string& value, int32_t maxX);

}  // namespace config
