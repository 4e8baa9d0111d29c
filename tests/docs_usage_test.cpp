// --help, -h and --version: a usage text or the banner on standard output,
// status 0 and no file touched; only words before the positional arguments
// are options, so a data file of such a name can still be given (./--help,
// or after --).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct Case {
  std::vector<std::string> Args;  // after argument 0
  int Status;
  std::string OutStart;  // what standard output begins with
  std::string TaskLine;  // the parameter line of kurvex.out when the data were read
};

TEST(DocsUsage, InformationOptionsAndDataFilesNamedLikeThem) {
  const std::string usage = "Usage: kurvex [OPTION...] [DATAFILE [XCOL [YCOL [OMITTED [ERRCOL [RATIO]]]]]]\n";
  const Case cases[] = {
      {{"--help"}, 0, usage, ""},
      {{"-h"}, 0, usage, ""},
      {{"--help", "data.dat"}, 0, usage, ""},
      {{"--version"}, 0, "KurvexAnalyzer v2.12a-20080419\n", ""},
      {{"./--help"}, 0, "", "Task: ./--help x1 y2 r0 e0 ."},
      {{"data.dat", "1", "2", "0", "0", "--help"}, 0, "", "Task: data.dat x1 y2 r0 e0 ."},  // no ratio: ignored
      {{"--batch", "--", "--help"}, 0, "", "Task: --help x1 y2 r0 e0 ."},
      {{"--batch", "--help"}, 0, usage, ""},
  };
  for (const Case& c : cases) {
    testutil::TempDir dir;
    testutil::WriteFile(dir / "kurvex.cfg", "[Kurvex]\nGraphGRXDriver = memory\n");
    testutil::WriteFile(dir / "--help", "1 1\n2 4\n3 9\n");
    testutil::WriteFile(dir / "data.dat", "1 1\n2 4\n3 9\n");
    std::vector<std::string> args{"./kurvex"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const testutil::RunResult r = testutil::RunProgram(dir.Path(), args, "q\n");
    const std::string what = c.Args.front();
    EXPECT_EQ(r.Status, c.Status) << what << "\n" << r.Err;
    EXPECT_EQ(r.Out.substr(0, c.OutStart.size()), c.OutStart) << what;
    if (c.Status == 0 && c.TaskLine.empty()) {
      // Asking for information leaves no trace: no run log, no results.
      EXPECT_EQ(r.Err, "") << what;
      EXPECT_FALSE(testutil::FileExists(dir / "kurvex.log")) << what;
    }
    if (!c.TaskLine.empty()) {
      const std::vector<std::string> out = testutil::ReadLines(dir / "kurvex.out");
      ASSERT_GE(out.size(), 2u) << what;
      EXPECT_EQ(out[1], c.TaskLine) << what;
    }
  }
}

// The banner carries the version the packages are made with (project() in
// CMakeLists.txt), so that the two cannot part.
TEST(DocsUsage, TheBannerNamesThePackagesVersion) {
  const std::string cmake = testutil::ReadFile(std::string(KURVEX_SOURCE_DIR) + "/CMakeLists.txt");
  const std::string key = "project(KurvexAnalyzer VERSION ";
  const size_t at = cmake.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::string version = cmake.substr(at + key.size(), cmake.find(' ', at + key.size()) - at - key.size());
  const std::string banner = base::ProgramBanner, start = "KurvexAnalyzer v" + version;
  EXPECT_EQ(banner.rfind(start, 0), 0u) << version;
  EXPECT_EQ(std::string("0123456789.").find(banner.at(start.size())), std::string::npos) << version;
}

// A usage text that cannot be written is a failed write, as for any file.
TEST(DocsUsage, AFailedWriteOfTheUsageTextIsStatus2) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  testutil::TempDir dir;
  const testutil::RunResult r = testutil::RunProgram(
      dir.Path(), {"sh", "-c", std::string("'") + KURVEX_BINARY + "' --help > /dev/full"}, "",
      "/bin/sh");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("kurvex: standard output: ", 0), 0u) << r.Err;
}

}  // namespace
