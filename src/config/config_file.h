// Configuration file lookup. Every setting is read by ConfigValue, which
// scans up to four candidate files afresh on each call; a key missing or
// empty in one file is taken from the next file that has it.
#pragma once
#include <string>

#include "config/settings_table.h"

namespace config {

// The section every configuration lookup uses.
inline constexpr const char* ConfigSection = "Kurvex";

// Remembers the program's own path as started (argument 0; null for none).
// The configuration files and the image directory are found from it.
void SetProgramPath(const char* argument0);

// The program's path expanded against the current directory, split into
// its directory (with its final "/") and its name cut before the last "."
// that is not its first character.
struct ProgramPathParts {
  std::string Dir;
  std::string Name;
};
ProgramPathParts ProgramPath();

// Only "a" to "z" change; the result is cut at 255 characters.
std::string UpperCaseText(const std::string& text);

// A value as found: cut at 255 characters, and whether it was longer.
struct ConfigLookup {
  std::string Value;
  bool Cut = false;
};

// The value of KEY in the first "[SECTION]" of one file, in the case it is
// written there, or "". Section and key are given upper-cased. A file that
// exists but cannot be read is the fatal input/output stop.
ConfigLookup ScanConfigFile(const std::string& fileName, const std::string& upperSection,
                            const std::string& upperKey);

// The key of the table of keys that `key` names as a file would (any case,
// blanks passed over), or null.
const KeySpec* KeyNamed(const std::string& key);

// A key set for this run on the command line ("-c KEY=VALUE"): ConfigValue
// answers it before looking at any file. The key matches as in a file (any
// case, blanks passed over); the value is kept as it stands, cut at 255
// characters. A key given again replaces the earlier value.
void SetCommandLineValue(const std::string& key, const std::string& value);

// The value of a key: from the command line, else from the candidate
// files; "" when none of them has a non-empty one (an empty value on the
// command line lets the files answer, as an empty value in a file does).
std::string ConfigValue(const std::string& section, const std::string& key);
// The same in the program's own section.
std::string ConfigValue(const std::string& key);
// The same for a key of the table of keys. A file name longer than 255
// characters is refused (status 2): cut, it would name another file, such
// as the data file.
std::string ConfigValue(Key key);
// The same with whether the value was cut.
ConfigLookup LookUpValue(const std::string& section, const std::string& key);

}  // namespace config
