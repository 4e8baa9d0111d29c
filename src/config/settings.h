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

// ---- The names of the files a run writes ---------------------------------

// The data file a run reads when none is chosen (the file dialog cancelled).
inline constexpr const char* kDefaultDataFile = "kurvex.dat";

// The data file whose name %n stands for in the names of the files the
// run writes (NamesAWrittenFile). The start-up sets it as soon as the file
// is known: from argument 1 or InputFileName before anything is written,
// from the file dialog once the choice is made. Until then it is empty,
// and %n stands for the name of kDefaultDataFile, "kurvex".
extern std::string DataFileForNames;

// A data file's name without its folder and without its last extension:
// "/data/run7.csv.gz" gives "run7.csv", "run7" gives "run7". A dot that
// begins the name starts no extension (".hidden" stays).
std::string DataFileStem(const std::string& dataFile);
// `name` with each %n replaced by the stem of `dataFile` and each %% by one
// %; a % followed by anything else, or by nothing, stays as written. A name
// without % comes back unchanged.
std::string ExpandFileName(const std::string& name, const std::string& dataFile);
// Whether `name` holds a %n (a %% before an n makes it plain text).
bool UsesDataFileName(const std::string& name);
// The name of a key that NamesAWrittenFile, as the run uses it now: its
// value (or a file-name key's default), with %n of DataFileForNames.
std::string WrittenFileName(Key key);

// ---- Plain keys, settled by their kind ----------------------------------

// The value, or the key's default when it is empty; cut at 255 characters;
// for a key that names a written file, with %n of DataFileForNames (the
// expanded name is not cut: cut, it would name another file).
std::string SettleFileName(const std::string& value, Key key);
// The same for the key's own value, for a name looked up where it is used.
std::string FileNameSetting(Key key);
// An integer from the key's Low to its High.
int32_t SettleInteger(const std::string& value, Key key);
// Only the word opposite to the key's default (YES or NO, any case) turns it.
bool SettleYesNo(const std::string& value, Key key);
// A real below the key's Below.
long double SettleReal(const std::string& value, Key key);

// A plain key's value, settled by its kind, into its field in `s` or `a`;
// the name of a written file with %n of DataFileForNames.
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

// A column by its number, or by its name in the data file's header.
struct ColumnChoice {
  int32_t Number = 0;  // 0 for a name until the header gives its number
  std::string Name;    // non-empty: the column is named, case and all
};
// ColumnX, ColumnY, ColumnError, blanks around the texts passed over. A
// given argument that converts gives the number unchecked, any other names
// the column. Without one the key's value: an integer within the key's
// bounds, else the default; a text that is no integer names the column.
ColumnChoice SettleColumnChoice(const std::string& value, Key key, const std::string& argument);
// Negative values count as their absolute value; argument 4 replaces it
// unchecked (a negative argument skips nothing).
int32_t SettleOmittedRows(const std::string& value, const std::string& argument);
// Off only for "NO"; a "-" anywhere in argument 4 switches it off.
bool SettleShowCalculus(const std::string& value, const std::string& argument4);

// What separates the values of a row.
struct SeparatorChoice {
  char Separator = 0;  // 0: blanks and control characters
  bool Auto = false;   // chosen from the first rows, with the decimal mark
};
// Empty: blanks; one printable character other than a blank or a double
// quote: that character; TAB or AUTO in any case. Anything else: blanks.
SeparatorChoice SettleColumnSeparator(const std::string& value);

// The unit of the error column's values, as ErrorColumnUnit says it. A
// value that names no unit (empty, or not accepted) keeps millionths of
// the Y range, but leaves the unit unsaid, which the start-up may question.
enum class ErrorUnit { Unsaid, Millionths, Y };
// Y or MILLIONTHS in any case names the unit.
ErrorUnit SettleErrorColumnUnit(const std::string& value);

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
