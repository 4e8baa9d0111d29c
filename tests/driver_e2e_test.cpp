// The real program in a directory of its own: start, stops and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

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

// The data-file stop keeps its two fixed lines and tells why the file
// cannot be read on a line of its own between them, in the log and on
// standard error (where a batch run's message box writes).
TEST(DriverEndToEnd, DataFileStopTellsWhy) {
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0777);  // the unprivileged run writes its log here
  WriteFile(dir / "d.dat", "1 2\n3 4\n");
  WriteFile(dir / "locked.dat", "1 2\n3 4\n");
  ::chmod((dir / "locked.dat").c_str(), 0);
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  const std::string twice = ": only a regular file can be read twice, to count the rows and to read them";
  struct Case {
    std::string name, shell, reason;  // shell: what runs the program ("$0")
  };
  std::vector<Case> cases = {
      {"missing.dat", "exec ", "No such file or directory"},
      {"folder", "exec ", "Is a directory"},
      {"fifo", "exec ", "Is a FIFO (named pipe)" + twice},
      {"/dev/null", "exec ", "Is a device" + twice},
      // Descriptors 0 to 6: standard input, output and error, the locks on
      // kurvex.out and kurvex.cal and the run log's two leave none for the
      // data file (no kurvex.cfg is read here).
      {"d.dat", "exec 3<&- 4<&- 5<&- 6<&- 7<&- 8<&- 9<&-; ulimit -n 7; exec ", "Too many open files"},
  };
  if (::geteuid() != 0) cases.push_back({"locked.dat", "exec ", "Permission denied"});
  else if (::access("/usr/bin/setpriv", X_OK) == 0)
    cases.push_back({"locked.dat", "exec setpriv --reuid=65534 --regid=65534 --clear-groups ", "Permission denied"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove((dir / "kurvex.log").c_str());
    const auto r = RunProgram(dir.Path(), {"/bin/sh", "-c", c.shell + "\"$0\" --batch \"$1\"", KURVEX_BINARY, c.name},
                              "q", "/bin/sh", 30);
    EXPECT_EQ(r.Status, 1) << r.Err;
    const std::vector<std::string> lines = {"Input file (" + c.name + ") cannot be read!", "Reason: " + c.reason,
                                            "Check the configuration file and/or the first command line parameter!"};
    EXPECT_EQ(r.Err, "Stopped with error!\n\n" + lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
    const std::vector<std::string> log = ReadLines(dir / "kurvex.log");
    EXPECT_EQ(std::vector<std::string>(log.begin() + std::min<std::size_t>(log.size(), 1), log.end()), lines);
  }
}

}  // namespace
