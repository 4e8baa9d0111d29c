// The settings record: every configuration value after start-up, with the
// command-line overrides applied. Each key has one Settle function that
// turns its raw value (and argument) into the setting; a missing or invalid
// value silently gives the default.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace config {

struct SettingsRecord {
  // Files.
  std::string LogFileName = "kurvex.log";
  std::string InputFileName;
  std::string OutputFileName = "kurvex.out";
  std::string CalcDataFileName = "kurvex.cal";
  std::string ImageBaseFileName = "kurvi";
  // Graphics.
  std::string GraphGRXDriver;                      // raw value, matched exactly
  int32_t GraphColorBits = 4;                      // 1, 2, 4, 8, 15, 16, 24, 32
  int32_t GraphWidth = 640, GraphHeight = 480;     // from GraphResolution
  bool GetColorCodes = false;
  // Fit.
  int32_t MaxIteration = 1000;
  int32_t ErrorRatio = 0;                          // half-width of the scatter estimate
  bool EstimateErrors = false;                     // run the scatter estimate
  bool ErrorRatioFromCommandLine = false;          // argument 6 gave a positive ratio
  // Output.
  int32_t NumberWidth = 13;                        // from NumberDigits
  int32_t DisplayDigits = 5;
  bool WriteCurve = true;
  bool ShowCalculus = true;
  // Data columns.
  int32_t ColumnX = 1, ColumnY = 2, ColumnError = 0, OmittedRows = 0;
  long double ErrorFill = -1;                      // ErrorValue, or -1
  // View.
  long double SizingStep = 0.04L;
  long double ZoomIn = 0.92L;                      // q = 1 - 2s
  long double ZoomOut = 1 / 0.92L;                 // 1 / q
  long double ZoomShift = (1 / 0.92L - 1) / 2;     // g = (1/q - 1) / 2
  int32_t ColorBackground = 0, ColorText = 0, ColorSymbol = 0, ColorLine = 0,
          ColorCalculus = 0, ColorXplace = 0, ColorKeys = 0;
  int16_t SizeSymbol = 4, WidthLine = 3, WidthCalculus = 1, WidthXplace = 1,
          JumpSize = 1;
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

std::string SettleFileName(const std::string& value, const char* fallback);
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
int32_t SettleColumn(const std::string& value, int32_t fallback,
                     const std::string& argument);
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
int16_t SettleSize(const std::string& value, int16_t fallback);
// Below maxX div 10, and within 16 bits.
int16_t SettleJumpSize(const std::string& value, int32_t maxX);

}  // namespace config
