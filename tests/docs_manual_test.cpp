// The documentation against the program: every key of the table of keys is
// read by the code and described in the manual page and in
// examples/kurvex.cfg (and nothing else is), the manual renders without warnings, and
// examples/kurvex.cfg, which claims to hold the defaults, changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/convert.h"
#include "config/settings_table.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
const std::string kSource = KURVEX_SOURCE_DIR;

// Every key of the settings, from the program's own table of keys.
std::set<std::string> TableKeys() {
  std::set<std::string> keys;
  for (const config::KeySpec& k : config::kKeys) keys.insert(k.Name);
  return keys;
}
const std::set<std::string> kKeys = TableKeys();

std::string SourceText() {
  std::string all;
  for (const auto& e : fs::recursive_directory_iterator(kSource + "/src")) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".cpp" || ext == ".h")) all += testutil::ReadFile(e.path());
  }
  return all;
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (std::sregex_iterator m(text.begin(), text.end(), pattern), end; m != end; ++m)
    found.insert((*m)[1]);
  return found;
}

// The text of one section of the manual page, up to the next ".SH".
std::string ManSection(const std::string& page, const std::string& name) {
  const size_t from = page.find("\n.SH " + name + "\n");
  if (from == std::string::npos) return "";
  const size_t to = page.find("\n.SH ", from + 1);
  return page.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// Every lookup goes through the table (no key is read by a name of its
// own), and every key of the table is read somewhere.
TEST(DocsKeys, TheTableIsWhatTheCodeReads) {
  std::string code = SourceText();
  EXPECT_EQ(Matches(code, std::regex(R"re(ConfigValue\("(\w+)"\))re")), std::set<std::string>{});
  const std::string table = testutil::ReadFile(kSource + "/src/config/settings_table.h");
  code.erase(code.find(table), table.size());
  for (const std::string& key : kKeys)
    EXPECT_NE(code.find("Key::" + key), std::string::npos) << key << " is never read";
}

TEST(DocsKeys, TheManualAndTheExampleConfigurationDescribeEveryKey) {
  const std::string page = testutil::ReadFile(kSource + "/kurvex.1");
  const std::set<std::string> manual =
      Matches(ManSection(page, "CONFIGURATION"), std::regex(R"re(\n\\fB(\w+)\\fR = )re"));
  EXPECT_EQ(manual, kKeys) << "the CONFIGURATION section of kurvex.1";

  const std::string cfg = testutil::ReadFile(kSource + "/examples/kurvex.cfg");
  std::set<std::string> set = Matches(cfg, std::regex(R"re(\n(\w+) *=)re"));
  EXPECT_EQ(set, kKeys) << "the key lines of examples/kurvex.cfg";
  for (const std::string& key : kKeys) {  // each right under its comment
    const size_t at = cfg.find("\n" + key + " =");
    ASSERT_NE(at, std::string::npos) << key;
    EXPECT_EQ(cfg.compare(cfg.rfind('\n', at - 1) + 1, 2, "# "), 0) << key;
  }
}

// The comment lines right above the line at `at`.
std::string CommentAbove(const std::string& text, size_t at) {
  size_t from = at;  // the start of a line, just after a line feed
  while (from > 1) {
    const size_t line = text.rfind('\n', from - 2);
    const size_t start = line == std::string::npos ? 0 : line + 1;
    if (text.compare(start, 1, "#") != 0) break;
    from = start;
  }
  return text.substr(from, at - from);
}

// examples/kurvex.cfg sets each plain key to the default of its line in
// the table of keys, and the comment above a bounded key gives its bounds
// as the program checks them. (A text key is left out: GraphGRXDriver is
// set to "gtk", which means the same as its empty default.)
TEST(DocsKeys, TheExampleConfigurationGivesEachDefaultAndBound) {
  using config::KeyKind;
  const std::string cfg = testutil::ReadFile(kSource + "/examples/kurvex.cfg");
  for (const config::KeySpec& k : config::kKeys) {
    if (k.Kind == KeyKind::Special || k.Kind == KeyKind::Text) continue;
    SCOPED_TRACE(k.Name);
    const size_t at = cfg.find("\n" + std::string(k.Name) + " =") + 1;
    ASSERT_NE(at, 0u);
    const size_t start = cfg.find('=', at) + 1, end = cfg.find('\n', at);
    const std::string value = std::regex_replace(cfg.substr(start, end - start), std::regex("^ +| +$"), "");
    const std::string comment = CommentAbove(cfg, at);
    const config::KeyValues& v = k.Values;
    long double real;
    switch (k.Kind) {
      case KeyKind::Integer:
        EXPECT_EQ(value, std::to_string(v.Integer));
        EXPECT_NE(comment.find("(" + std::to_string(v.Low) + " to " + std::to_string(v.High)),
                  std::string::npos) << comment;
        break;
      case KeyKind::Real:
        EXPECT_TRUE(base::ParseReal(value, real) && real == v.Real) << value;
        if (!std::isinf(v.Below)) {
          std::ostringstream below;
          below << "below " << static_cast<double>(v.Below);  // "below 0.5"
          EXPECT_NE(comment.find(below.str()), std::string::npos) << comment;
        }
        break;
      default: EXPECT_EQ(value, v.Text);
    }
  }
}

TEST(DocsManual, RendersWithoutWarningsAndHasTheUsualSections) {
  if (!testutil::FileExists("/usr/bin/man")) GTEST_SKIP() << "needs man (Debian package man-db)";
  const testutil::RunResult r = testutil::RunProgram(
      kSource, {"env", "MANWIDTH=80", "LC_ALL=C.UTF-8", "man", "--warnings", "-l", "./kurvex.1"},
      "", "/usr/bin/env", 30);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "") << "groff warnings";
  EXPECT_EQ(r.Out.rfind("KURVEX(1)", 0), 0u) << r.Out.substr(0, 200);
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "KEYS",
                              "CONFIGURATION", "FILES", "EXIT STATUS", "EXAMPLES"})
    EXPECT_NE(r.Out.find(std::string("\n") + section + "\n"), std::string::npos) << section;
}

// Runs the oscillation data with `config` as kurvex.cfg and a few keys that
// use the view, cursor, result and image settings; returns every file the
// run wrote, by name.
std::map<std::string, std::string> RunWithConfiguration(const std::string& config) {
  testutil::TempDir dir;
  testutil::WriteFile(dir / "kurvex.cfg", config);
  fs::copy(kSource + "/examples/oscillation/oscillation.dat", dir / "oscillation.dat");
  // Started as ./kurvex, the program looks for configuration files and puts
  // its images here only.
  const testutil::RunResult r = testutil::RunProgram(
      dir.Path(), {"./kurvex", "oscillation.dat"}, "x right F2 F2 F2 F3 2 F4 q\n");
  EXPECT_EQ(r.Status, 0) << r.Err;
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir.Path())) {
    const std::string name = e.path().filename().string();
    if (name != "kurvex.cfg" && name != "oscillation.dat") files[name] = testutil::ReadFile(e.path());
  }
  return files;
}

TEST(DocsExampleConfiguration, HoldsTheDefaultsAndChangesNothing) {
  std::string cfg = testutil::ReadFile(kSource + "/examples/kurvex.cfg");
  cfg = std::regex_replace(cfg, std::regex("\nGraphGRXDriver *=[^\n]*"), "\nGraphGRXDriver = memory");
  const auto withExample = RunWithConfiguration(cfg);
  const auto withNothing = RunWithConfiguration("[Kurvex]\nGraphGRXDriver = memory\n");
  ASSERT_EQ(withNothing.size(), 4u);  // log, out, cal and one image
  EXPECT_EQ(withExample.size(), withNothing.size());
  for (const auto& [name, content] : withNothing) {
    ASSERT_EQ(withExample.count(name), 1u) << name;
    EXPECT_TRUE(withExample.at(name) == content) << name << " differs";
  }
}

}  // namespace
