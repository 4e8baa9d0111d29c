// Conversions and the bounds, defaults and overrides of the settings.
#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <string>
#include <variant>
#include <vector>

#include "base/convert.h"
#include "config/analysis_settings.h"
#include "config/settings.h"
#include "config/smoothing_criterion.h"
#include "output/result_files.h"

namespace {

// The whole program computes in x87 extended precision; a build where long
// double is narrower must fail loudly instead of printing other digits.
TEST(Convert, Integers) {
  struct { const char* text; bool ok; int32_t value; } cases[] = {
      {"42", true, 42}, {"  42", true, 42}, {"+7", true, 7}, {"-7", true, -7},
      {"$1F", true, 31}, {"-$10", true, -16}, {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0},
      {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
      {"$FFFFFFFF", false, 0}, {"", false, 0}, {" ", false, 0}, {"+", false, 0},
      {"$", false, 0}, {"42 ", false, 0}, {"4 2", false, 0}, {"0x10", false, 0},
      {"1.0", false, 0}, {"- 1", false, 0}, {"1e3", false, 0},
  };
  for (auto& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(base::ParseInteger(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(Convert, Reals) {
  struct { const char* text; bool ok; long double value; } cases[] = {
      {"1.5", true, 1.5L}, {"  -2", true, -2}, {"- 2.5", true, -2.5L},
      {"+ .5", true, 0.5L}, {".25", true, 0.25L}, {"5.", true, 5},
      {"1e3", true, 1000}, {"1E-2", true, 0.01L}, {"-1.5e+2", true, -150},
      {"0.1", true, 0.1L}, {"1e-5000", true, 0}, {"", false, 0}, {".", false, 0},
      {"-", false, 0}, {"e5", false, 0}, {"1e", false, 0}, {"1e+", false, 0},
      {"1.5 ", false, 0}, {"nan", false, 0}, {"inf", false, 0},
      {"0x1p3", false, 0}, {"1,5", false, 0}, {"1e5000", false, 0}, {"--1", false, 0},
  };
  for (auto& c : cases) {
    long double v = 0;
    EXPECT_EQ(base::ParseReal(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  long double v;
  ASSERT_TRUE(base::ParseReal("0." + std::string(400, '0') + "1", v));  // long text
  EXPECT_TRUE(v > 0 && v < 1e-399L);
}

// Values of a plain key that are not accepted: each gives the default.
std::vector<std::string> RefusedValues(const config::KeySpec& k) {
  const config::KeyValues& v = k.Values;
  switch (k.Kind) {
    case config::KeyKind::Integer:
      return {"", "x", "1.5", std::to_string(int64_t{v.Low} - 1), std::to_string(int64_t{v.High} + 1)};
    case config::KeyKind::Real:
      if (std::isinf(v.Below)) return {"", "none", "1e5000"};
      return {"", "none", std::to_string(static_cast<double>(v.Below))};  // the bound itself
    case config::KeyKind::YesNo: return {"", "maybe", "YESS", "N O"};
    default: return {""};  // any other text is a name
  }
}

// An accepted value of a plain key other than its default.
std::string OtherValue(const config::KeySpec& k) {
  const config::KeyValues& v = k.Values;
  switch (k.Kind) {
    case config::KeyKind::Integer: return std::to_string(v.Integer == v.Low ? v.High : v.Low);
    case config::KeyKind::Real: return "0.25";
    case config::KeyKind::YesNo: return config::IsYes(v.Text) ? "no" : "yes";
    default: return "other name.txt";
  }
}

// Every plain key with a field takes an accepted value into it, returns to
// the default of its line for a refused one (so the records' defaults and
// the settling agree), and an integer key takes both its bounds.
TEST(Settings, EveryPlainKeyTakesAValueOrFallsBackToItsDefault) {
  using namespace config;
  const SettingsRecord fresh;
  const AnalysisSettingsRecord freshAnalysis;
  for (const KeySpec& k : kKeys) {
    if (k.Kind == KeyKind::Special || std::holds_alternative<std::monostate>(k.Into)) continue;
    SCOPED_TRACE(k.Name);
    for (const std::string& refused : RefusedValues(k)) {
      SettingsRecord s;
      AnalysisSettingsRecord a;
      SettleKey(OtherValue(k), k.Id, s, a);
      EXPECT_FALSE(s == fresh && a == freshAnalysis) << OtherValue(k) << " was not taken";
      SettleKey(refused, k.Id, s, a);
      EXPECT_TRUE(s == fresh && a == freshAnalysis) << "after " << refused;
    }
    if (k.Kind == KeyKind::Integer) {
      EXPECT_EQ(SettleInteger(std::to_string(k.Values.Low), k.Id), k.Values.Low);
      EXPECT_EQ(SettleInteger(std::to_string(k.Values.High), k.Id), k.Values.High);
    }
  }
}

// %n is the data file's name without its folder and last extension, %%
// one percent sign; any other % and a name without % stay as written.
TEST(Settings, FileNamesFromTheDataFile) {
  struct {
    const char *data, *value, *name;
  } cases[] = {
      {"/data/run7.csv.gz", "%n.out", "run7.csv.out"}, {"run7", "%n.log", "run7.log"},
      {"a.dat", "out/%n-%n.json", "out/a-a.json"},    {"dir.d/x", "%n", "x"},
      {".hidden", "%n.out", ".hidden.out"},            {"run.", "[%n]", "[run]"},
      {"a.dat", "100%%.out", "100%.out"},              {"a.dat", "%%n.out", "%n.out"},
      {"a.dat", "%%%n", "%a"},                         {"a.dat", "50%.out%", "50%.out%"},
      {"a.dat", "%N%x", "%N%x"},                       {"a.dat", "plain.out", "plain.out"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(config::ExpandFileName(c.value, c.data), c.name) << c.value << " of " << c.data;
    EXPECT_EQ(config::UsesDataFileName(c.value),
              config::ExpandFileName(c.value, "p.dat") != config::ExpandFileName(c.value, "q.dat"))
        << c.value;
  }
  // Every key that names a written file takes it, no other key; without a
  // data file %n is the name of kurvex.dat.
  using config::Key;
  for (const char* data : {"x/run7.dat", ""}) {
    config::DataFileForNames = data;
    const std::string stem = *data ? "run7" : "kurvex";
    config::SettingsRecord s;
    config::AnalysisSettingsRecord a;
    for (const Key key : {Key::LogFileName, Key::OutputFileName, Key::CalcDataFileName, Key::ReportFileName,
                          Key::FitTableFileName, Key::MarkTableFileName, Key::GraphGRXDriver})
      config::SettleKey("%n.x", key, s, a);
    for (const std::string& name : {s.LogFileName, s.OutputFileName, s.CalcDataFileName, a.ReportFileName,
                                    a.FitTableFileName, a.MarkTableFileName})
      EXPECT_EQ(name, stem + ".x");
    EXPECT_EQ(s.GraphGRXDriver, "%n.x");
    EXPECT_EQ(config::SettleFileName("%n", Key::ImageBaseFileName), stem);
    EXPECT_EQ(config::SettleFileName("", Key::LogFileName), "kurvex.log");
  }
  config::DataFileForNames.clear();
}

TEST(Settings, DepthAndNumberWidth) {
  using namespace config;
  const char* widths[][2] = {{"1", "10"}, {"3", "10"}, {"7", "13"}, {"20", "26"},
                             {"0", "13"}, {"21", "13"}, {"-1", "13"}, {"x", "13"}, {"", "13"}};
  for (auto& w : widths) EXPECT_EQ(SettleNumberWidth(w[0]), std::stoi(w[1])) << w[0];
  EXPECT_EQ(SettingsRecord{}.NumberWidth, 13);
  EXPECT_EQ(SettleColorBits("12"), 4);
  EXPECT_EQ(SettleColorBits("32"), 32);
}

TEST(Settings, ColumnsByNumberOrName) {
  using config::Key;
  struct { Key key; const char* value; const char* argument; int32_t number; const char* name; } cases[] = {
      {Key::ColumnX, "0", "", 1, ""},  // out of bounds: the default
      {Key::ColumnX, "-1", "", 1, ""},
      {Key::ColumnX, "3", "", 3, ""},
      {Key::ColumnX, "$1F", "", 31, ""},
      {Key::ColumnError, "0", "", 0, ""},
      {Key::ColumnX, "3", "0", 0, ""},  // an argument is taken unchecked
      {Key::ColumnX, "3", "abc", 0, "abc"},  // one that does not convert names the column
      {Key::ColumnY, " Time (s) ", "", 0, "Time (s)"},  // blanks around a name passed over
      {Key::ColumnY, "1.5", "", 0, "1.5"},
      {Key::ColumnY, "Time", " 4 ", 4, ""},  // the argument wins over a name
      {Key::ColumnY, "Time", " \t", 0, "Time"},  // a blank argument is none
      {Key::ColumnError, "", "pH", 0, "pH"},
  };
  for (auto& c : cases) {
    const config::ColumnChoice choice = config::SettleColumnChoice(c.value, c.key, c.argument);
    EXPECT_EQ(choice.Number, c.number) << c.value << "|" << c.argument;
    EXPECT_EQ(choice.Name, c.name) << c.value << "|" << c.argument;
  }
}

TEST(Settings, ColumnSeparatorAndErrorColumnUnit) {
  struct { const char* value; char separator; bool automatic; } separators[] = {
      {"", 0, false},      {",", ',', false},    {";", ';', false},   {"x", 'x', false},
      {"tAb", '\t', false}, {"Auto", 0, true},    {"\"", 0, false},  {",,", 0, false},
      {" ", 0, false},     {"\t", 0, false},     {"\xC2\xA7", 0, false}, {"TABS", 0, false},
  };
  for (auto& c : separators) {
    const config::SeparatorChoice choice = config::SettleColumnSeparator(c.value);
    EXPECT_EQ(choice.Separator, c.separator) << c.value;
    EXPECT_EQ(choice.Auto, c.automatic) << c.value;
  }
  using config::ErrorUnit;
  struct { const char* value; ErrorUnit unit; } units[] = {
      {"", ErrorUnit::Unsaid}, {"Millionths", ErrorUnit::Millionths}, {"y", ErrorUnit::Y},
      {"Y", ErrorUnit::Y},     {"pH", ErrorUnit::Unsaid},             {"YES", ErrorUnit::Unsaid},
  };
  for (auto& c : units) EXPECT_EQ(config::SettleErrorColumnUnit(c.value), c.unit) << c.value;
}

TEST(Settings, RowsAndTheirArguments) {
  using namespace config;
  EXPECT_EQ(SettleOmittedRows("-5", ""), 5);
  EXPECT_EQ(SettleOmittedRows("-2147483648", ""), INT32_MAX);
  EXPECT_EQ(SettleOmittedRows("5", "-3"), -3);
  EXPECT_TRUE(SettleShowCalculus("", ""));
  EXPECT_FALSE(SettleShowCalculus("no", ""));
  EXPECT_TRUE(SettleShowCalculus("nope", ""));
  EXPECT_FALSE(SettleShowCalculus("yes", "-3"));
  EXPECT_FALSE(SettleShowCalculus("yes", "x-"));  // any "-" in argument 4
}

TEST(Settings, ErrorRatio) {
  struct { const char* value; const char* arg6; int32_t ratio; bool estimate, fromArgs; } cases[] = {
      {"yes", "", 1, true, false},   {"YES 3", "", 3, true, false},
      {"yesx", "", 0, false, false}, {"NO", "", 0, false, false},
      {"", "", 0, false, false},     {"", "4", 4, true, true},
      {"yes 2", "4", 2, true, true}, {"", "0", 0, false, false},
      {"", "-4", 0, false, false},   {"YES-2", "", -2, false, false},
  };
  for (auto& c : cases) {
    config::ErrorRatioOutcome r = config::SettleErrorRatio(c.value, c.arg6);
    EXPECT_EQ(r.Ratio, c.ratio) << c.value << "|" << c.arg6;
    EXPECT_EQ(r.Estimate, c.estimate) << c.value << "|" << c.arg6;
    EXPECT_EQ(r.FromCommandLine, c.fromArgs) << c.value << "|" << c.arg6;
  }
}

TEST(Settings, Resolution) {
  using config::ResolutionOutcome;
  struct { const char* r; const char* d; ResolutionOutcome outcome; int32_t w, h; } cases[] = {
      {"", "win32", ResolutionOutcome::Size, 640, 480},
      {"?", "memory", ResolutionOutcome::Size, 640, 480},
      {"?", "?", ResolutionOutcome::ListRequest, 0, 0},
      {"??", "", ResolutionOutcome::ListRequest, 0, 0},
      {"800x600", "", ResolutionOutcome::Size, 800, 600},
      {"800X600", "", ResolutionOutcome::Size, 800, 600},
      {"800x 600", "", ResolutionOutcome::Size, 800, 600},
      {"800 x600", "", ResolutionOutcome::Unparsable, 0, 0},
      {"800*600", "", ResolutionOutcome::Unparsable, 0, 0},
      {"x600", "", ResolutionOutcome::Unparsable, 0, 0},
  };
  for (auto& c : cases) {
    int32_t w = 0, h = 0;
    EXPECT_EQ(config::SettleResolution(c.r, c.d, w, h), c.outcome) << c.r;
    if (c.outcome == ResolutionOutcome::Size) {
      EXPECT_EQ(w * 10000 + h, c.w * 10000 + c.h) << c.r;
    }
  }
}

TEST(Settings, ViewKeys) {
  using namespace config;
  int32_t colour = 7;
  SettleColourKey("16", 4, colour);
  EXPECT_EQ(colour, 7);
  SettleColourKey("-1", 4, colour);
  EXPECT_EQ(colour, -1);
  SettleColourKey("16777215", 24, colour);
  EXPECT_EQ(colour, 16777215);
  SettleColourKey("16777216", 32, colour);
  EXPECT_EQ(colour, 16777215);
  EXPECT_EQ(SettleJumpSize("62", 639), 62);
  EXPECT_EQ(SettleJumpSize("63", 639), 1);
  EXPECT_EQ(SettleJumpSize("-5", 639), -5);
  EXPECT_EQ(SettleJumpSize("-40000", 639), 1);
  EXPECT_EQ(SettleJumpSize("40000", 1000000), 1);
}

// Each criterion's name reads back as that criterion in any case and is
// written as it stands in the table; EDF takes its k after blanks or "=";
// any other text names none, and the setting then silently keeps the
// residual iteration.
TEST(SmoothingCriterion, NamesBothWaysInAnyCase) {
  using config::Criterion;
  const Criterion untouched = static_cast<Criterion>(-1);
  for (const config::CriterionSpec& c : config::kCriteria) {
    EXPECT_STREQ(config::NameOfCriterion(c.Kind), c.Name);
    std::string lower = c.Name, upper = c.Name, mixed = c.Name;
    for (std::size_t i = 0; i < mixed.size(); ++i) {
      lower[i] = static_cast<char>(std::tolower(lower[i]));
      upper[i] = static_cast<char>(std::toupper(upper[i]));
      mixed[i] = i % 2 ? lower[i] : upper[i];
    }
    for (const std::string& name : {lower, upper, mixed}) {
      Criterion kind = untouched;
      EXPECT_TRUE(config::CriterionOfName(name, kind)) << name;
      EXPECT_EQ(kind, c.Kind) << name;
      const std::string value = c.Kind == Criterion::Edf ? name + " 12" : name;
      EXPECT_EQ(config::SettleSmoothingCriterion(value).Kind, c.Kind) << value;
    }
  }
  for (const char* name : {"", "fixed", "UBRE ", " GCV", "GC", "GCVs", "r\xC3\xA9sidual"}) {
    Criterion kind = untouched;
    EXPECT_FALSE(config::CriterionOfName(name, kind)) << name;
    EXPECT_EQ(kind, untouched) << name;
    EXPECT_EQ(config::SettleSmoothingCriterion(name).Kind, Criterion::Residual) << name;
  }
}

// The k of EDF as written; a k out of (2, n) is kept, for the fit to refuse.
TEST(SmoothingCriterion, EdfTakesItsTarget) {
  using config::Criterion;
  const std::pair<const char*, long double> read[] = {
      {"EDF 12", 12}, {"edf  12.5", 12.5L}, {"Edf\t7", 7}, {"EDF=12", 12}, {"eDF = 3e1", 30}, {"EDF 1", 1}};
  for (const auto& [text, k] : read) {
    const config::CriterionChoice c = config::SettleSmoothingCriterion(text);
    EXPECT_EQ(c.Kind, Criterion::Edf) << text;
    EXPECT_EQ(c.EdfTarget, k) << text;
  }
  for (const char* text : {"EDF", "EDF ", "EDF12", "EDF==12", "EDF 12 13", "EDF x", "EDF inf", "EDFS 12",
                           " EDF 12", "CV 12"})
    EXPECT_EQ(config::SettleSmoothingCriterion(text).Kind, Criterion::Residual) << text;
}

TEST(Settings, ParameterText) {
  config::SettingsRecord s;
  s.ColumnError = 3;
  s.ErrorRatio = 1;
  EXPECT_EQ(output::BuildParameterText("data.dat", s), "data.dat x1 y2 r0 e3 1");
  s.ErrorRatio = 0;
  s.OmittedRows = -3;
  EXPECT_EQ(output::BuildParameterText("d", s), "d x1 y2 r-3 e3 ");
  s.ErrorRatio = -2;
  s.ErrorRatioFromCommandLine = true;
  EXPECT_EQ(output::BuildParameterText("d", s), "d x1 y2 r-3 e3 -2");
}

}  // namespace
