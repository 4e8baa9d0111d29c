// Conversion, bounds and defaults of every setting, and the command-line
// overrides: the records' defaults and the plain keys by the table of keys,
// the special keys one by one.
#include "config/settings.h"

#include <cstdlib>

#include "config/analysis_settings.h"
#include "config/config_file.h"
#include "base/convert.h"
#include "base/text.h"

namespace config {

SettingsRecord Settings;
CommandLineRecord CommandLine;
std::string DataFileForNames;

namespace {

// A key's value in each type a field can have: the key's kind fills the one
// it reads, and the type of its field takes it from there.
struct Settled {
  std::string Text;
  int32_t Integer = 0;
  bool Yes = false;
  long double Real = 0;
  Criterion Kind = Criterion::Residual;
};

void Take(std::string& field, const Settled& v) { field = v.Text; }
void Take(int32_t& field, const Settled& v) { field = v.Integer; }
// The table holds 16-bit fields' bounds within 16 bits (FieldFitsKind).
void Take(int16_t& field, const Settled& v) { field = static_cast<int16_t>(v.Integer); }
void Take(bool& field, const Settled& v) { field = v.Yes; }
void Take(long double& field, const Settled& v) { field = v.Real; }
void Take(Criterion& field, const Settled& v) { field = v.Kind; }

// Puts a settled value into the field a line names, in whichever of the
// two records holds it; a null record is passed over.
struct Store {
  const Settled& Value;
  SettingsRecord* S;
  AnalysisSettingsRecord* A;
  void operator()(std::monostate) const {}
  template <class T>
  void operator()(T SettingsRecord::*field) const {
    if (S) Take(S->*field, Value);
  }
  template <class T>
  void operator()(T AnalysisSettingsRecord::*field) const {
    if (A) Take(A->*field, Value);
  }
};

// A line's default in every type, for the records' constructors.
Settled DefaultOf(const KeySpec& k) {
  Settled v{k.Values.Text, k.Values.Integer, IsYes(k.Values.Text), k.Values.Real};
  CriterionOfName(k.Values.Text, v.Kind);
  return v;
}

// A name of a written file for this run: %n is the data file's name, as
// far as it is known.
std::string ForTheRun(const std::string& name) {
  return ExpandFileName(name, DataFileForNames.empty() ? kDefaultDataFile : DataFileForNames);
}

// A text key's value; one that names a written file, for this run.
std::string SettleText(const std::string& value, Key key) {
  const std::string text = base::CutText(value);
  return NamesAWrittenFile(key) ? ForTheRun(text) : text;
}

// A plain key's value as its kind reads it.
Settled SettleByKind(const std::string& value, const KeySpec& k) {
  Settled v;
  switch (k.Kind) {
    case KeyKind::FileName: v.Text = SettleFileName(value, k.Id); break;
    case KeyKind::Text: v.Text = SettleText(value, k.Id); break;
    case KeyKind::Integer: v.Integer = SettleInteger(value, k.Id); break;
    case KeyKind::YesNo: v.Yes = SettleYesNo(value, k.Id); break;
    case KeyKind::Real: v.Real = SettleReal(value, k.Id); break;
    case KeyKind::Special: break;
  }
  return v;
}

// A text without the blanks and tabs around it.
std::string WithoutBlanksAround(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A present argument that converts replaces the setting, without a range check.
int32_t WithArgument(int32_t setting, const std::string& argument) {
  int32_t v;
  return !argument.empty() && base::ParseInteger(argument, v) ? v : setting;
}

}  // namespace

SettingsRecord::SettingsRecord() {
  for (const KeySpec& k : kKeys) std::visit(Store{DefaultOf(k), this, nullptr}, k.Into);
  GraphWidth = DefaultDimension(Spec(Key::GraphResolution).Values.Text, false);
  GraphHeight = DefaultDimension(Spec(Key::GraphResolution).Values.Text, true);
  NumberWidth = NumberWidthOf(NumberDigits);
  SetSizingStep(*this, SizingStep);
}

AnalysisSettingsRecord::AnalysisSettingsRecord() {
  for (const KeySpec& k : kKeys) std::visit(Store{DefaultOf(k), nullptr, this}, k.Into);
  FigureWidth = DefaultDimension(Spec(Key::FigureSize).Values.Text, false);
  FigureHeight = DefaultDimension(Spec(Key::FigureSize).Values.Text, true);
  FigureDPI = Spec(Key::FigureDPI).Values.Integer;
}

void SaveCommandLine(const std::vector<std::string>& arguments) {
  CommandLine = CommandLineRecord{};
  for (size_t i = 0; i < arguments.size() && i < 7; ++i) CommandLine.Argument[i] = arguments[i];
}

bool IsYes(const std::string& value) { return UpperCaseText(value) == "YES"; }
bool IsNo(const std::string& value) { return UpperCaseText(value) == "NO"; }

std::string DataFileStem(const std::string& dataFile) {
  std::string name = dataFile.substr(dataFile.rfind('/') + 1);  // npos + 1 is 0: no folder
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string ExpandFileName(const std::string& name, const std::string& dataFile) {
  if (name.find('%') == std::string::npos) return name;
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char next = i + 1 < name.size() ? name[i + 1] : '\0';
    if (name[i] == '%' && next == 'n') out += DataFileStem(dataFile), ++i;
    else if (name[i] == '%' && next == '%') out += '%', ++i;
    else out += name[i];
  }
  return out;
}

bool UsesDataFileName(const std::string& name) {
  for (std::size_t i = 0; i + 1 < name.size(); ++i)
    if (name[i] == '%') {
      if (name[i + 1] == 'n') return true;
      if (name[i + 1] == '%') ++i;
    }
  return false;
}

std::string WrittenFileName(Key key) {
  const std::string value = ConfigValue(key);
  return Spec(key).Kind == KeyKind::FileName ? SettleFileName(value, key) : SettleText(value, key);
}

std::string SettleFileName(const std::string& value, Key key) {
  const std::string name = value.empty() ? Spec(key).Values.Text : base::CutText(value);
  return NamesAWrittenFile(key) ? ForTheRun(name) : name;
}

std::string FileNameSetting(Key key) { return SettleFileName(ConfigValue(key), key); }

int32_t SettleInteger(const std::string& value, Key key) {
  const KeyValues& k = Spec(key).Values;
  int32_t v;
  return base::ParseInteger(value, v) && v >= k.Low && v <= k.High ? v : k.Integer;
}

bool SettleYesNo(const std::string& value, Key key) {
  return IsYes(Spec(key).Values.Text) ? !IsNo(value) : IsYes(value);
}

long double SettleReal(const std::string& value, Key key) {
  const KeyValues& k = Spec(key).Values;
  long double v;
  return base::ParseReal(value, v) && v < k.Below ? v : k.Real;
}

void SettleKey(const std::string& value, Key key, SettingsRecord& s,
               AnalysisSettingsRecord& a) {
  const KeySpec& k = Spec(key);
  if (k.Kind != KeyKind::Special) std::visit(Store{SettleByKind(value, k), &s, &a}, k.Into);
}

void ReadKey(Key key) { SettleKey(ConfigValue(key), key, Settings, AnalysisSettings); }

int32_t SettleNumberWidth(const std::string& numberDigits) {
  return NumberWidthOf(SettleInteger(numberDigits, Key::NumberDigits));
}

void SetSizingStep(SettingsRecord& s, long double step) {
  s.SizingStep = step;
  s.ZoomIn = 1 - 2 * step;
  s.ZoomOut = 1 / s.ZoomIn;
  s.ZoomShift = (s.ZoomOut - 1) / 2;
}

int32_t SettleColorBits(const std::string& value) {
  int32_t v;
  if (!base::ParseInteger(value, v)) return Spec(Key::GraphColorBits).Values.Integer;
  switch (v) {
    case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32: return v;
    default: return Spec(Key::GraphColorBits).Values.Integer;
  }
}

ResolutionOutcome SettleResolution(const std::string& resolution,
                                   const std::string& driver, int32_t& width,
                                   int32_t& height) {
  if (resolution + driver == "??") return ResolutionOutcome::ListRequest;
  if (resolution.empty() || resolution == "?") {
    width = DefaultDimension(Spec(Key::GraphResolution).Values.Text, false);
    height = DefaultDimension(Spec(Key::GraphResolution).Values.Text, true);
    return ResolutionOutcome::Size;
  }
  std::size_t x = resolution.find('x');
  if (x == std::string::npos) x = resolution.find('X');
  if (x == std::string::npos) return ResolutionOutcome::Unparsable;
  int32_t w, h;
  if (!base::ParseInteger(resolution.substr(0, x), w) ||
      !base::ParseInteger(resolution.substr(x + 1), h))
    return ResolutionOutcome::Unparsable;
  width = w;
  height = h;
  return ResolutionOutcome::Size;
}

ColumnChoice SettleColumnChoice(const std::string& value, Key key, const std::string& argument) {
  const std::string given = WithoutBlanksAround(argument);
  int32_t v;
  if (!given.empty()) return base::ParseInteger(given, v) ? ColumnChoice{v, ""} : ColumnChoice{0, given};
  const std::string text = WithoutBlanksAround(value);
  if (text.empty() || base::ParseInteger(text, v)) return {SettleInteger(text, key), ""};
  return {0, text};
}

SeparatorChoice SettleColumnSeparator(const std::string& value) {
  const std::string v = UpperCaseText(value);
  if (v == "TAB") return {'\t', false};
  if (v == "AUTO") return {0, true};
  // A blank is what separates values without the key, and a double quote
  // encloses a field: neither can be the separator.
  if (v.size() == 1 && v[0] > ' ' && v[0] <= '~' && v[0] != '"') return {value[0], false};
  return {};
}

ErrorUnit SettleErrorColumnUnit(const std::string& value) {
  const std::string v = UpperCaseText(value);
  if (v == "Y") return ErrorUnit::Y;
  return v == "MILLIONTHS" ? ErrorUnit::Millionths : ErrorUnit::Unsaid;
}

int32_t SettleOmittedRows(const std::string& value, const std::string& argument) {
  int32_t rows;
  if (!base::ParseInteger(value, rows)) rows = Spec(Key::OmittedRows).Values.Integer;
  // The absolute value of the smallest integer does not exist in 32 bits;
  // it means "skip as many as can be counted".
  if (rows < 0) rows = rows == INT32_MIN ? INT32_MAX : -rows;
  return WithArgument(rows, argument);
}

bool SettleShowCalculus(const std::string& value, const std::string& argument4) {
  return SettleYesNo(value, Key::ShowCalculus) && argument4.find('-') == std::string::npos;
}

ErrorRatioOutcome SettleErrorRatio(const std::string& value,
                                   const std::string& argument6) {
  ErrorRatioOutcome r;
  std::string v = UpperCaseText(value);
  if (v == "YES") {
    r.Ratio = 1;
  } else if (v.compare(0, 3, "YES") == 0 && v.size() > 3) {
    std::string rest = v.substr(3);
    while (rest.size() > 1 && rest[0] == ' ') rest.erase(0, 1);
    if (!base::ParseInteger(rest, r.Ratio)) r.Ratio = 0;
  }
  int32_t a;
  if (!argument6.empty() && base::ParseInteger(argument6, a) && a > 0) {
    if (r.Ratio == 0) r.Ratio = a;
    r.Estimate = true;
    r.FromCommandLine = true;
  } else {
    r.Estimate = r.Ratio > 0;
  }
  return r;
}

int32_t MaxColourValue(int32_t depth) {
  switch (depth) {
    case 1: return 1;
    case 2: return 3;
    case 4: return 15;
    case 8: return 255;
    case 15: return 0x7FFF;
    case 16: return 0xFFFF;
    default: return 0xFFFFFF;
  }
}

void SettleColourKey(const std::string& value, int32_t depth, int32_t& colour) {
  int32_t v;
  if (base::ParseInteger(value, v) && v <= MaxColourValue(depth)) colour = v;
}

int16_t SettleJumpSize(const std::string& value, int32_t maxX) {
  const KeyValues& k = Spec(Key::JumpSize).Values;
  int32_t v;
  if (!base::ParseInteger(value, v) || v >= maxX / 10 || v < k.Low || v > k.High) return k.Integer;
  return static_cast<int16_t>(v);
}

}  // namespace config
