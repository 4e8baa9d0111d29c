// The settings record: every configuration value after start-up, with the
// command-line overrides applied. Each key has one Settle function that
// turns its raw value (and argument) into the setting; a missing or invalid
// value silently gives the default.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings_table.h"

namespace config {

// A field of NumberDigits + 6 characters, at least 10.
constexpr int32_t NumberWidthOf(int32_t digits) { return digits + 6 < 10 ? 10 : digits + 6; }

// The field of each key, with its default from the table of keys
// (settings_table.h); the fields below a key's own are derived from it.
struct SettingsRecord {
  // Files.
  std::string LogFileName = Spec(Key::LogFileName).Text;
  std::string OutputFileName = Spec(Key::OutputFileName).Text;
  std::string CalcDataFileName = Spec(Key::CalcDataFileName).Text;
  // Graphics.
  std::string GraphGRXDriver;  // the value as written, matched exactly
  int32_t GraphColorBits = Spec(Key::GraphColorBits).Integer;
  int32_t GraphWidth = DefaultDimension(Spec(Key::GraphResolution).Text, false);
  int32_t GraphHeight = DefaultDimension(Spec(Key::GraphResolution).Text, true);
  // Fit.
  int32_t MaxIteration = Spec(Key::MaxIteration).Integer;
  int32_t ErrorRatio = 0;                  // half-width of the scatter estimate
  bool EstimateErrors = false;             // run the scatter estimate
  bool ErrorRatioFromCommandLine = false;  // argument 6 gave a positive ratio
  // Output.
  int32_t NumberWidth = NumberWidthOf(Spec(Key::NumberDigits).Integer);
  int32_t DisplayDigits = Spec(Key::DisplayDigits).Integer;
  bool WriteCurve = true;
  bool ShowCalculus = true;
  // Data columns.
  int32_t ColumnX = Spec(Key::ColumnX).Integer, ColumnY = Spec(Key::ColumnY).Integer;
  int32_t ColumnError = Spec(Key::ColumnError).Integer, OmittedRows = Spec(Key::OmittedRows).Integer;
  long double ErrorFill = Spec(Key::ErrorValue).Real;  // ErrorValue when it applies, else -1
  // View: the step and the zoom factors derived from it (see SetSizingStep).
  long double SizingStep = Spec(Key::SizingStep).Real;
  long double ZoomIn = 1 - 2 * SizingStep;       // q = 1 - 2s
  long double ZoomOut = 1 / ZoomIn;              // 1 / q
  long double ZoomShift = (ZoomOut - 1) / 2;     // g = (1/q - 1) / 2
  int32_t ColorBackground = 0, ColorText = 0, ColorSymbol = 0, ColorLine = 0,
          ColorCalculus = 0, ColorXplace = 0, ColorKeys = 0;  // by depth, see the graph
  int16_t SizeSymbol = Spec(Key::SizeSymbol).Integer, WidthLine = Spec(Key::WidthLine).Integer,
          WidthCalculus = Spec(Key::WidthCalculus).Integer,
          WidthXplace = Spec(Key::WidthXplace).Integer, JumpSize = Spec(Key::JumpSize).Integer;
};

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

// The value, or the key's default when it is empty; cut at 255 characters.
std::string SettleFileName(const std::string& value, Key key);
// The same for the key's own value.
std::string FileNameSetting(Key key);
int32_t SettleColorBits(const std::string& value);

enum class ResolutionOutcome { Size, ListRequest, Unparsable };
// Reads "WIDTHxHEIGHT" (or "X"); R and D together "??" asks for the mode list.
ResolutionOutcome SettleResolution(const std::string& resolution,
                                   const std::string& driver, int32_t& width,
                                   int32_t& height);

int32_t SettleMaxIteration(const std::string& value);
int32_t SettleNumberWidth(const std::string& numberDigits);
int32_t SettleDisplayDigits(const std::string& value);
// Any real below 0.5 (larger steps make the zoom factors meaningless).
long double SettleSizingStep(const std::string& value);
void SetSizingStep(SettingsRecord& s, long double step);

// ColumnX, ColumnY, ColumnError: 1 or more, else the default; then an
// argument that converts replaces it unchecked.
int32_t SettleColumn(const std::string& value, Key key, const std::string& argument);
// Negative values count as their absolute value; argument 4 replaces it
// unchecked (a negative argument skips nothing).
int32_t SettleOmittedRows(const std::string& value, const std::string& argument);
// Off only for "NO"; a "-" anywhere in argument 4 switches it off.
bool SettleShowCalculus(const std::string& value, const std::string& argument4);
long double SettleErrorFill(const std::string& errorValue);

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
// SizeSymbol and the widths: 1 to 254.
int16_t SettleSize(const std::string& value, Key key);
// Below maxX div 10, and within 16 bits.
int16_t SettleJumpSize(const std::string& value, int32_t maxX);

}  // namespace config
