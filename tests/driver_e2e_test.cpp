// The real program in a directory of its own: start, stops and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

using testutil::ReadLines;
using testutil::RunProgram;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

const std::string kStarted = "KurvexAnalyzer v2.12a-20080419 has started ...";

std::string Cfg(const std::string& body) { return "[Kurvex]\n" + body + "\n"; }

TEST(DriverEndToEnd, ModeListOnRequestEndsWithStatusZero) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", Cfg("GraphResolution=?\nGraphGRXDriver=?\nLogFileName=run.log"));
  auto r = RunProgram(dir.Path(), {KURVEX_BINARY});
  EXPECT_EQ(r.Status, 0) << r.Err;
  auto log = ReadLines(dir / "run.log");
  ASSERT_GE(log.size(), 10u);
  EXPECT_EQ(log[0], kStarted);
  EXPECT_EQ(log[1], "");
  EXPECT_EQ(log[2], "The required graphic mode cannot be initialized. Supported graphic modes for");
  EXPECT_EQ(log.back(), "KurvexAnalyzer v2.12a-20080419 has stopped.");
}

TEST(DriverEndToEnd, UnparsableResolutionIsAnErrorStop) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", Cfg("GraphResolution=800*600"));
  auto r = RunProgram(dir.Path(), {KURVEX_BINARY});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("graphic mode"), std::string::npos) << r.Err;
  EXPECT_EQ(ReadLines(dir / "kurvex.log").back(), "KurvexAnalyzer v2.12a-20080419 has stopped.");
}

// Every failure to read or write a file is one line on standard error with
// the file's name, status 2, and nothing more in the log.
TEST(DriverEndToEnd, FileFailuresEndWithStatusTwo) {
  TempDir dir;
  WriteFile(dir / "kurvex.cfg", Cfg("LogFileName=missing/dir/run.log"));
  auto r = RunProgram(dir.Path(), {KURVEX_BINARY});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "kurvex: missing/dir/run.log: No such file or directory\n");

  WriteFile(dir / "kurvex.cfg", Cfg("LogFileName=/dev/full"));
  r = RunProgram(dir.Path(), {KURVEX_BINARY});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "kurvex: /dev/full: No space left on device\n");
}

TEST(DriverEndToEnd, DirectoryNamedLikeTheConfigurationIsSkipped) {
  TempDir dir, progDir;
  ASSERT_EQ(::mkdir((dir / "kurvex.cfg").c_str(), 0755), 0);
  WriteFile(progDir / "kurvex.cfg", Cfg("LogFileName=from-program-dir.log"));
  ASSERT_EQ(::symlink(KURVEX_BINARY, (progDir / "kurvex").c_str()), 0);
  RunProgram(dir.Path(), {progDir / "kurvex"});
  EXPECT_EQ(ReadLines(dir / "from-program-dir.log").at(0), kStarted);
}

TEST(DriverEndToEnd, UnreadableConfigurationIsAFileFailure) {
  if (::geteuid() == 0 && ::access("/usr/bin/setpriv", X_OK) != 0)
    GTEST_SKIP() << "needs an unprivileged user (setpriv) to make a file unreadable";
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0777);
  WriteFile(dir / "kurvex.cfg", Cfg("LogFileName=x.log"));
  ::chmod((dir / "kurvex.cfg").c_str(), 0);
  testutil::RunResult r;
  if (::geteuid() == 0)
    r = RunProgram(dir.Path(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                         KURVEX_BINARY}, "", "/usr/bin/setpriv");
  else
    r = RunProgram(dir.Path(), {KURVEX_BINARY});
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_EQ(r.Err, "kurvex: ./kurvex.cfg: Permission denied\n");
}

}  // namespace
