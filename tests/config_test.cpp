// Configuration files: the scan of one file and the candidate fallback.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/config_file.h"
#include "test_util.h"

using testutil::TempDir;
using testutil::WriteFile;

namespace {

struct ScanCase {
  const char* name;
  std::string content;
  const char* key;
  const char* expected;
};

std::string Scan(const TempDir& dir, const std::string& content, const char* key) {
  WriteFile(dir / "k.cfg", content);
  return config::ScanConfigFile(dir / "k.cfg", "KURVEX", config::UpperCaseText(key)).Value;
}

TEST(ConfigScan, SectionKeyAndValueRules) {
  const ScanCase cases[] = {
      {"plain", "[Kurvex]\nMaxIteration=50\n", "MaxIteration", "50"},
      {"lower-case header, blanks inside", "[ kur vex ]\nA=1\n", "A", "1"},
      {"text around the header, even after #", "x # [KURVEX] y\nA=1\n", "A", "1"},
      {"key in words, blanks around =", "[Kurvex]\n  Log File Name  =  my log.txt  \n",
       "LogFileName", "my log.txt"},
      {"value keeps its case", "[Kurvex]\nGraphGRXDriver=Memory\n", "GraphGRXDriver", "Memory"},
      {"comment by # with blanks", "[Kurvex]\nA = 12   # twelve\n", "A", "12"},
      {"comment by %", "[Kurvex]\nA = 12% of it # x\n", "A", "12"},
      {"# ends the value", "[Kurvex]\nA=ab#cd\n", "A", "ab"},
      {"comment line names the key", "[Kurvex]\n#A=1\nA=2\n", "A", "2"},
      {"% comment line", "[Kurvex]\n % A=1\nA=3\n", "A", "3"},
      {"first match wins", "[Kurvex]\nA=1\nA=2\n", "A", "1"},
      {"key as prefix does not match", "[Kurvex]\nAB=1\nA=2\n", "A", "2"},
      {"second section ends the search", "[Kurvex]\nB=1\n[Other]\nA=2\n", "A", ""},
      {"indented second header ends it", "[Kurvex]\nB=1\n   [Kurvex]\nA=2\n", "A", ""},
      {"blank lines do not end it", "[Kurvex]\n\n   \n\t\nA=4\n", "A", "4"},
      {"key on last line, no line end", "[Kurvex]\nA=5", "A", "5"},
      {"header on the last line", "A=1\n[Kurvex]\n\n  \n", "A", ""},
      {"key before the section", "A=1\n[Kurvex]\nB=2\n", "A", ""},
      {"CR LF line ends", "[Kurvex]\r\nA = 6\r\nB=7\r\n", "A", "6"},
      {"empty value", "[Kurvex]\nA=\n", "A", ""},
      {"NUL bytes are control characters",
       std::string("[Kur\0vex]\nA\0=8\n", 16), "A", "8"},
      {"no section at all", "A=1\nB=2\n", "A", ""},
      {"empty file", "", "A", ""},
      {"%n and %% belong to a written file's name",
       "[Kurvex]\nOutputFileName = %n-100%%.out % a comment\n", "OutputFileName", "%n-100%%.out"},
      {"another % ends a written file's name", "[Kurvex]\nMarkTableFileName = a%b.csv\n",
       "MarkTableFileName", "a"},
      {"%n is a comment in other keys", "[Kurvex]\nInputFileName = %n.dat\n", "InputFileName", ""},
  };
  TempDir dir;
  for (const ScanCase& c : cases) EXPECT_EQ(Scan(dir, c.content, c.key), c.expected) << c.name;
}

TEST(ConfigScan, LongLinesAreCutAt255Characters) {
  TempDir dir;
  const std::string value(300, 'v');
  EXPECT_EQ(Scan(dir, "[Kurvex]\nA=" + value + "\nB=1\n", "A"), std::string(253, 'v'));
  EXPECT_EQ(Scan(dir, "[Kurvex]\nA=" + value + "\nB=1\n", "B"), "1");
  // A long line's rest is dropped, not read as a line of its own.
  EXPECT_EQ(Scan(dir, "[Kurvex]\nC=" + std::string(260, ' ') + "A=9\n", "A"), "");
  // A value is known to be cut unless a comment began before the cut.
  const auto cut = [&](const std::string& line) {
    WriteFile(dir / "k.cfg", "[Kurvex]\n" + line + "\n");
    return config::ScanConfigFile(dir / "k.cfg", "KURVEX", "A").Cut;
  };
  EXPECT_TRUE(cut("A=" + value));
  EXPECT_FALSE(cut("A=x # " + value));
  EXPECT_FALSE(cut("A=" + std::string(253, 'v')));
}

TEST(ConfigScan, BinaryGarbageIsHarmless) {
  TempDir dir;
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>((i * 7919) % 256);
  EXPECT_EQ(Scan(dir, junk, "A"), "");
  EXPECT_EQ(Scan(dir, junk + "\n[Kurvex]\nA=1\n", "A"), "1");
}

TEST(ConfigValue, FallsBackKeyByKeyAcrossTheFourCandidates) {
  TempDir dir, progDir;
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  config::SetProgramPath((progDir / "my.prog.bin").c_str());  // NAME is "my.prog"
  WriteFile(dir / "kurvex.cfg", "[Kurvex]\nA=1\nB=\n");
  WriteFile(dir / "my.prog.cfg", "[Kurvex]\nB=2\nC=2\n");
  WriteFile(progDir / "kurvex.cfg", "[Kurvex]\nC=3\nD=3\n");
  WriteFile(progDir / "my.prog.cfg", "[Kurvex]\nE=4\n");
  const char* expected[][2] = {{"a", "1"}, {"B", "2"}, {"C", "2"}, {"D", "3"}, {"E", "4"}, {"F", ""}};
  for (auto& e : expected) EXPECT_EQ(config::ConfigValue(e[0]), e[1]) << e[0];
}

TEST(ConfigValue, ProgramFoundThroughTheSearchPathLooksInTheCurrentDirectory) {
  TempDir dir;
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  config::SetProgramPath("kurvex");
  EXPECT_EQ(config::ProgramPath().Dir, std::filesystem::current_path().string() + "/");
  EXPECT_EQ(config::ProgramPath().Name, "kurvex");
  ::mkdir((dir / "kurvex.cfg").c_str(), 0755);  // a directory is not a candidate
  EXPECT_EQ(config::ConfigValue("A"), "");
}

// Each file is read once, not once a key, yet a file changed during the
// run is read again (here: the same size, another time of change).
TEST(ConfigValue, AChangedFileIsReadAgain) {
  TempDir dir;
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  config::SetProgramPath((dir / "sub/kurvex").c_str());
  for (const char* value : {"11", "12", "123"}) {
    WriteFile(dir / "kurvex.cfg", std::string("[Kurvex]\nMaxIteration=") + value + "\n");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {std::atoi(value), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, "kurvex.cfg", times, 0), 0);
    EXPECT_EQ(config::ConfigValue("MaxIteration"), value);
  }
}

TEST(ConfigValue, NameKeepsAllButTheLastExtension) {
  const char* cases[][2] = {{"/x/a.b.exe", "a.b"}, {"/x/.hidden", ".hidden"}, {"/x/plain", "plain"}};
  for (auto& c : cases) {
    config::SetProgramPath(c[0]);
    EXPECT_EQ(config::ProgramPath().Name, c[1]);
    EXPECT_EQ(config::ProgramPath().Dir, "/x/");
  }
}

}  // namespace
