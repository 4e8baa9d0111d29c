// The analysis report end to end on the titration example: valid JSON for
// python3 and jq, numbers that read back to the same extended real, a p
// that reproduces the iterated fit's result file byte for byte, and result
// files that the report keys leave as they are.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "base/convert.h"
#include "output/report_file.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunProgram;

struct Files {
  std::string out, cal, report;
};

// The titration example with -c options and `keys` on standard input.
Files RunTitration(const testutil::TempDir& dir, const std::vector<std::string>& options,
                 const std::string& keys) {
  const std::string example = std::string(KURVEX_SOURCE_DIR) + "/examples/titration/";
  fs::copy_file(example + "titration.dat", dir / "titration.dat", fs::copy_options::overwrite_existing);
  fs::copy_file(example + "kurvex.cfg", dir / "kurvex.cfg", fs::copy_options::overwrite_existing);
  std::vector<std::string> args = {KURVEX_BINARY, "--batch"};
  for (const std::string& o : options) args.push_back("-c"), args.push_back(o);
  const testutil::RunResult r = RunProgram(dir.Path(), args, keys);
  EXPECT_EQ(r.Status, 0) << r.Err;
  Files run{testutil::ReadFile(dir / "kurvex.out"), "", ""};
  if (testutil::FileExists(dir / "kurvex.cal")) run.cal = testutil::ReadFile(dir / "kurvex.cal");
  if (testutil::FileExists(dir / "fit.json")) run.report = testutil::ReadFile(dir / "fit.json");
  return run;
}

// The text of the number after "key": in the report.
std::string NumberText(const std::string& report, const std::string& key) {
  std::smatch m;
  EXPECT_TRUE(std::regex_search(report, m, std::regex("\"" + key + "\": ([-+0-9.e]+)")));
  return m[1];
}

// Runs a shell command in `dir`; true when it exits 0.
bool Shell(const testutil::TempDir& dir, const std::string& command) {
  return RunProgram(dir.Path(), {"/bin/sh", "-c", command}, "", "/bin/sh").Status == 0;
}

TEST(ReportEndToEnd, ValidJsonWithEveryPartAndTheResultFilesUnchanged) {
  testutil::TempDir plain, reported;
  const Files a = RunTitration(plain, {}, "F3 2 F3 q\n");
  const Files b = RunTitration(reported, {"ReportFileName=fit.json", "ReportKnots=YES", "ShowBand=YES"},
                             "F3 2 F3 q\n");
  EXPECT_TRUE(a.out == b.out && a.cal == b.cal) << "the report keys changed a result file";
  ASSERT_FALSE(b.report.empty());
  EXPECT_TRUE(Shell(reported, "python3 -m json.tool fit.json > /dev/null"));
  // Two cursors after one factor key, a sigma for the equivalence point, and
  // knot arrays of one entry per point.
  EXPECT_TRUE(Shell(reported,
                    "jq -e '(.cursor | length) == 2 and .data.factors == [\"2\"] and "
                    ".data.errors == \"value\" and .fit.criterion == \"residual\" and "
                    "(.fit | keys_unsorted) == [\"criterion\", \"criterion_value\", \"status\", "
                    "\"status_text\", \"iterations\", \"p\", \"lambda\", \"chi2\", \"target\", \"edf\", "
                    "\"reduced_chi2\", \"base_error\", \"average_deviation\", \"ubre\", \"gcv\", \"cv\", "
                    "\"significance\", \"significance_reason\"] and "
                    ".fit.ubre == .fit.chi2 + 2 * .fit.edf and .fit.cv > 0 and "
                    "([.marks[] | select(.kind == \"inflection\" and .x > 21 and .x < 22 and "
                    ".sigma_x > 0)] | length) >= 1 and "
                    "([.marks[] | select(.z > 3) | .x] | length == 1 and .[0] > 21.5 and .[0] < 21.52) and "
                    "([.marks[] | has(\"z\") and (has(\"significant\") | not)] | all) and "
                    "([.knots[] | length] | unique) == [.data.n] and "
                    "(.cursor[0].sigma_y > 0) and (.cursor | all(.sigma_d1 > 0)) and "
                    "(.knots.sigma_d1 | all(. > 0))' fit.json > /dev/null"));
  // Every number reads back with the program's own conversion to the value
  // that prints as the same text.
  const std::regex number(R"([-+]?[0-9]\.[0-9]{20}e[-+][0-9]+)");
  int count = 0;
  for (std::sregex_iterator m(b.report.begin(), b.report.end(), number), end; m != end; ++m, ++count) {
    long double v;
    ASSERT_TRUE(base::ParseReal(m->str(), v)) << m->str();
    EXPECT_EQ(output::ReportReal(v), m->str());
  }
  EXPECT_GT(count, 500);
}

TEST(ReportEndToEnd, TheReportedPReproducesTheIteratedFitByteForByte) {
  testutil::TempDir iterated, fixed;
  const Files a = RunTitration(iterated, {"ReportFileName=fit.json"}, "q\n");
  const std::string p = NumberText(a.report, "p");
  const Files b = RunTitration(fixed, {"ReportFileName=fit.json", "SmoothingParameter=" + p}, "q\n");
  EXPECT_TRUE(a.out == b.out) << "p = " << p;
  EXPECT_TRUE(Shell(fixed, "jq -e '.fit.status == 0 and .fit.iterations == 0 and "
                           ".fit.criterion == \"fixed\"' fit.json > /dev/null"));
  // A p chosen by UBRE reproduces that fit as well.
  const Files u = RunTitration(iterated, {"ReportFileName=fit.json", "SmoothingCriterion=ubre"}, "q\n");
  const Files v = RunTitration(fixed, {"SmoothingParameter=" + NumberText(u.report, "p")}, "q\n");
  EXPECT_TRUE(u.out == v.out);
  EXPECT_FALSE(u.out == a.out) << "UBRE chose the residual fit's p";
}

// EDF k and CV as the program reads them: the report names the criterion,
// its value and the k; an EDF whose k no p reaches on these 71 points (or
// no number) is the residual iteration, with the default's result file.
TEST(ReportEndToEnd, EdfAndCvChooseTheSmoothing) {
  struct Case {
    const char* Setting;
    const char* Check;  // jq, on .fit
    bool Default;       // kurvex.out as without the key
  } const cases[] = {
      {"edf 20", ".criterion == \"EDF\" and .edf_target == 20 and (.edf - 20 | fabs) < 2e-8", false},
      {"EDF=70.5", ".criterion == \"EDF\" and (.edf - 70.5 | fabs) < 1e-7", false},
      {"CV", ".criterion == \"CV\" and .criterion_value == .cv", false},
      {"EDF 71", ".criterion == \"residual\" and (has(\"edf_target\") | not)", true},
      {"EDF twenty", ".criterion == \"residual\"", true},
  };
  testutil::TempDir plain;
  const Files a = RunTitration(plain, {}, "q\n");
  for (const Case& c : cases) {
    testutil::TempDir dir;
    const Files b = RunTitration(dir, {"ReportFileName=fit.json", std::string("SmoothingCriterion=") + c.Setting}, "q\n");
    EXPECT_TRUE(Shell(dir, std::string("jq -e '.fit | ") + c.Check + "' fit.json > /dev/null")) << c.Setting;
    EXPECT_EQ(a.out == b.out, c.Default) << c.Setting;
  }
}

// 20,000 random bit patterns of finite extended reals: the 21 digits of the
// report read back to the same bits.
TEST(ReportNumbers, TwentyOneDigitsReadBackToTheSameExtendedReal) {
  std::mt19937_64 rng(16);
  for (int k = 0; k < 20000; ++k) {
    long double x = 0;
    const uint64_t mantissa = rng() | (uint64_t{1} << 63);
    const uint16_t exponent = static_cast<uint16_t>(16383 + static_cast<int>(rng() % 4000) - 2000) |
                              static_cast<uint16_t>((rng() & 1) << 15);
    std::memcpy(&x, &mantissa, 8);
    std::memcpy(reinterpret_cast<char*>(&x) + 8, &exponent, 2);
    long double back;
    const std::string text = output::ReportReal(x);
    ASSERT_TRUE(base::ParseReal(text, back)) << text;
    ASSERT_EQ(std::memcmp(&x, &back, 10), 0) << text;
  }
  EXPECT_EQ(output::ReportReal(1.0L / 0.0L), "null");
}

// A data file's name is bytes, not always UTF-8: what is not well-formed
// UTF-8 is written as Python's lone surrogates, so the report stays JSON.
TEST(ReportNumbers, StringsAreJsonWhateverTheirBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c\n", "\"a\\\"b\\\\c\\u000a\""},
      {"m\xc3\xa9t\xe2\x82\xac\xf0\x9f\x98\x80", "\"m\xc3\xa9t\xe2\x82\xac\xf0\x9f\x98\x80\""},  // é, €, an emoji
      {"\xe9t\xe9.dat", "\"\\udce9t\\udce9.dat\""},  // Latin-1
      {"\xc3", "\"\\udcc3\""},                     // cut short
      {"\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},  // an encoded surrogate
      {"\xf4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""},  // past U+10FFFF
      {"\xc0\xaf", "\"\\udcc0\\udcaf\""},            // an overlong '/'
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(output::ReportString(text), json) << json;
}

}  // namespace
