// The stops of the data stage, from the real program: the message, the log
// and the exit status of data that cannot be fitted.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "test_util.h"

using testutil::ReadFile;
using testutil::ReadLines;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

struct Outcome {
  testutil::RunResult run;
  std::string out;
  std::vector<std::string> log;
};

Outcome RunKurvex(const std::string& cfg, const std::string& data,
            std::vector<std::string> args = {}) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n" + cfg + "\n");
  WriteFile(dir / "d.dat", data);
  args.insert(args.begin(), {KURVEX_BINARY, "d.dat"});
  Outcome o;
  o.run = RunProgram(dir.Path(), args, "q\n");
  o.out = ReadFile(dir / "kurvex.out");
  o.log = ReadLines(dir / "kurvex.log");
  return o;
}

TEST(DataStops, MessagesLogAndStatus) {
  const std::string alloc = "Allocating X[1..1,1..1] ..............successful.";
  struct {
    const char* name;
    std::string data;
    std::vector<std::string> args;
    std::string lastLog;
  } cases[] = {
      {"one row", "1 2\n", {}, "The number of data is less than two!"},
      {"no numeric rows", "a b\n", {}, "The number of data is less than two!"},
      {"duplicate", "2.5 1\n1 2\n2.5 3\n", {},
       "Duplicated independent value at  2.500000000000000e+00!"},
      {"negative duplicate", "-1.5 1\n-1.5 2\n", {},
       "Duplicated independent value at -1.500000000000000e+00!"},
      {"signed zero", "0 1\n-0 2\n", {},
       "Duplicated independent value at  0.000000000000000e+00!"},
  };
  for (auto& c : cases) {
    Outcome o = RunKurvex("", c.data, c.args);
    EXPECT_EQ(o.run.Status, 1) << c.name;
    ASSERT_FALSE(o.log.empty()) << c.name;
    EXPECT_EQ(o.log.back(), c.lastLog) << c.name;
    EXPECT_NE(o.run.Err.find(c.lastLog), std::string::npos) << c.name;
  }
  Outcome one = RunKurvex("", "1 2\n");
  ASSERT_EQ(one.log.size(), 7u);
  EXPECT_EQ(one.log[1], alloc);
}

TEST(DataStops, UnreadableDataFile) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver=memory\n");
  ::mkdir((dir / "adir").c_str(), 0755);
  for (const char* name : {"missing.dat", "adir"}) {
    auto r = RunProgram(dir.Path(), {KURVEX_BINARY, name});
    EXPECT_EQ(r.Status, 1);
    auto log = ReadLines(dir / "kurvex.log");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[1], std::string("Input file (") + name + ") cannot be read!");
    EXPECT_EQ(log[3], "Check the configuration file and/or the first command line parameter!");
    EXPECT_NE(r.Err.find("Stopped with error!"), std::string::npos);
  }
}

}  // namespace
