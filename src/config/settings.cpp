// Conversion, bounds and defaults of every setting, and the command-line
// overrides.
#include "config/settings.h"

#include <cstdlib>

#include "config/config_file.h"
#include "base/convert.h"
#include "base/text.h"

namespace config {

SettingsRecord Settings;
CommandLineRecord CommandLine;

namespace {

// An integer setting within the key's bounds, or its default.
int32_t IntegerInRange(const std::string& value, Key key) {
  const KeySpec& k = Spec(key);
  int32_t v;
  return base::ParseInteger(value, v) && v >= k.Low && v <= k.High ? v : k.Integer;
}

// A present argument that converts replaces the setting, without a range check.
int32_t WithArgument(int32_t setting, const std::string& argument) {
  int32_t v;
  return !argument.empty() && base::ParseInteger(argument, v) ? v : setting;
}

}  // namespace

void SaveCommandLine(const std::vector<std::string>& arguments) {
  CommandLine = CommandLineRecord{};
  for (size_t i = 0; i < arguments.size() && i < 7; ++i) CommandLine.Argument[i] = arguments[i];
}

bool IsYes(const std::string& value) { return UpperCaseText(value) == "YES"; }
bool IsNo(const std::string& value) { return UpperCaseText(value) == "NO"; }

std::string SettleFileName(const std::string& value, Key key) {
  return value.empty() ? Spec(key).Text : base::CutText(value);
}

std::string FileNameSetting(Key key) { return SettleFileName(ConfigValue(key), key); }

int32_t SettleColorBits(const std::string& value) {
  int32_t v;
  if (!base::ParseInteger(value, v)) return Spec(Key::GraphColorBits).Integer;
  switch (v) {
    case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32: return v;
    default: return Spec(Key::GraphColorBits).Integer;
  }
}

ResolutionOutcome SettleResolution(const std::string& resolution,
                                   const std::string& driver, int32_t& width,
                                   int32_t& height) {
  if (resolution + driver == "??") return ResolutionOutcome::ListRequest;
  if (resolution.empty() || resolution == "?") {
    width = DefaultDimension(Spec(Key::GraphResolution).Text, false);
    height = DefaultDimension(Spec(Key::GraphResolution).Text, true);
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

int32_t SettleMaxIteration(const std::string& value) {
  return IntegerInRange(value, Key::MaxIteration);
}

int32_t SettleNumberWidth(const std::string& numberDigits) {
  return NumberWidthOf(IntegerInRange(numberDigits, Key::NumberDigits));
}

int32_t SettleDisplayDigits(const std::string& value) {
  return IntegerInRange(value, Key::DisplayDigits);
}

long double SettleSizingStep(const std::string& value) {
  long double s;
  return base::ParseReal(value, s) && s < 0.5L ? s : Spec(Key::SizingStep).Real;
}

void SetSizingStep(SettingsRecord& s, long double step) {
  s.SizingStep = step;
  s.ZoomIn = 1 - 2 * step;
  s.ZoomOut = 1 / s.ZoomIn;
  s.ZoomShift = (s.ZoomOut - 1) / 2;
}

int32_t SettleColumn(const std::string& value, Key key, const std::string& argument) {
  return WithArgument(IntegerInRange(value, key), argument);
}

int32_t SettleOmittedRows(const std::string& value, const std::string& argument) {
  int32_t rows;
  if (!base::ParseInteger(value, rows)) rows = Spec(Key::OmittedRows).Integer;
  // The absolute value of the smallest integer does not exist in 32 bits;
  // it means "skip as many as can be counted".
  if (rows < 0) rows = rows == INT32_MIN ? INT32_MAX : -rows;
  return WithArgument(rows, argument);
}

bool SettleShowCalculus(const std::string& value, const std::string& argument4) {
  return !IsNo(value) && argument4.find('-') == std::string::npos;
}

long double SettleErrorFill(const std::string& errorValue) {
  long double v;
  return base::ParseReal(errorValue, v) ? v : Spec(Key::ErrorValue).Real;
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

int16_t SettleSize(const std::string& value, Key key) {
  return static_cast<int16_t>(IntegerInRange(value, key));
}

int16_t SettleJumpSize(const std::string& value, int32_t maxX) {
  const KeySpec& k = Spec(Key::JumpSize);
  int32_t v;
  if (!base::ParseInteger(value, v) || v >= maxX / 10 || v < k.Low || v > k.High) return k.Integer;
  return static_cast<int16_t>(v);
}

}  // namespace config
