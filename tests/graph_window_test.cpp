// The program in a real window: on a private Xvfb server, keys and clicks
// sent with xdotool make the same files and the same image as the same
// session given to the memory driver as a script. Skipped where Xvfb or
// xdotool is missing; every wait has a time limit.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gfx_xvfb_support.h"
#include "graph_e2e_support.h"

namespace {

using graphtest::Session;

// Starts the program from the session's folder on the server's display,
// with `args` after argument 0 and the session's file `input` (or nothing)
// on standard input; it is killed after a minute whatever happens.
pid_t StartOnDisplay(const Session& s, const xvfbtest::XServer& x,
                     const std::vector<std::string>& args, const std::string& input = "") {
  const std::string program = s / "kurvex";
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(s.Path().c_str()) != 0) ::_exit(126);
    xvfbtest::UseDisplay(x);
    ::dup2(::open(input.empty() ? "/dev/null" : (s / input).c_str(), O_RDONLY), 0);
    ::dup2(::open((s / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    ::dup2(::open((s / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    ::alarm(60);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

pid_t StartInWindow(const Session& s, const xvfbtest::XServer& x, bool withDataFile = true) {
  return StartOnDisplay(s, x, withDataFile ? std::vector<std::string>{"d.dat"} : std::vector<std::string>{});
}

// One command per xdotool call, with a pause after it: with the mouse in
// use the program drops keys typed ahead of the one it is carrying out.
void Send(const xvfbtest::XServer& x, const std::string& id, const std::string& command) {
  xvfbtest::XDo(x, "windowfocus --sync " + id + " " + command);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::string ClickAt(const std::string& id, int32_t px, int32_t py, int button) {
  return "mousemove --window " + id + " " + std::to_string(px) + " " + std::to_string(py) +
         " click " + std::to_string(button);
}

TEST(GraphWindow, SameSessionAsTheMemoryDriver) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  // A configuration from another platform: "win32" is the desktop window here.
  Session memory("ErrorValue=0.25", graphtest::SineData());
  Session window("ErrorValue=0.25\nGraphGRXDriver=win32", graphtest::SineData(), false);
  const testutil::RunResult batch =
      memory.Run("2 F1 F1 click 200 100 F3 rclick 150 150 F3 x F4 q");
  ASSERT_EQ(batch.Status, 0) << batch.Err;

  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const pid_t pid = StartInWindow(window, x);
  const std::string id = xvfbtest::WaitForWindow(x, "^KurvexAnalyzer");
  if (id.empty()) {
    ::kill(pid, SIGKILL);
    xvfbtest::WaitExit(pid, 5000);
    xvfbtest::StopXvfb(x);
    FAIL() << "no window; stderr: " << window.Read("stderr");
  }
  EXPECT_EQ(xvfbtest::XDo(x, "getwindowname " + id), graphtest::kBanner);
  // Only the graph's window is on the screen (of those with a title: the
  // server's root and the toolkit's helper window have none).
  EXPECT_EQ(xvfbtest::XDo(x, "search --onlyvisible --name ."), id);
  for (const std::string& command :
       {std::string("key 2"), std::string("key F1"), std::string("key F1"),
        ClickAt(id, 200, 100, 1), std::string("key F3"), ClickAt(id, 150, 150, 3),
        std::string("key F3"), std::string("key x"), std::string("key F4"),
        std::string("key q")})
    Send(x, id, command);
  const int status = xvfbtest::WaitExit(pid, 20000);
  xvfbtest::StopXvfb(x);
  ASSERT_EQ(status, 0) << window.Read("stderr");

  for (const char* name : {"kurvex.log", "kurvex.out", "kurvex.cal", "kurvi000.png"}) {
    EXPECT_TRUE(window.Has(name)) << name;
    EXPECT_EQ(window.Read(name), memory.Read(name)) << name;
  }
  EXPECT_EQ(graphtest::CalRows(window).size(), 3u);
}

// With the mouse in use, keys that pile up while a command is carried out
// are dropped: a held key does one command per pass instead of running on
// after it is let go. Without the mouse (depth 2) every key is carried out.
TEST(GraphWindow, KeysTypedAhead) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  for (const int32_t depth : {4, 2}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    Session window("GraphGRXDriver=win32\nGraphColorBits=" + std::to_string(depth),
                   graphtest::SineData(), false);
    xvfbtest::XServer x;
    ASSERT_TRUE(xvfbtest::StartXvfb(x));
    const pid_t pid = StartInWindow(window, x);
    const std::string id = xvfbtest::WaitForWindow(x, "^KurvexAnalyzer");
    if (!id.empty()) {
      Send(x, id, "key --delay 0 F3 F3 F3 F3 F3 F3 F3 F3 F3 F3 F3 F3");
      Send(x, id, "key q");
    }
    const int status = xvfbtest::WaitExit(pid, id.empty() ? 0 : 20000);
    xvfbtest::StopXvfb(x);
    ASSERT_FALSE(id.empty()) << "no window; stderr: " << window.Read("stderr");
    EXPECT_EQ(status, 0) << window.Read("stderr");
    const size_t rows = graphtest::CalRows(window).size();
    if (depth == 2) {
      EXPECT_EQ(rows, 12u);
    } else {
      EXPECT_GE(rows, 1u);
      EXPECT_LT(rows, 12u);
    }
  }
}

// Regression: the colour chart's window had no title, since the title was
// set only after the chart's step. The title now comes with the mode.
TEST(GraphWindow, ColourChartWindowHasTheTitle) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  Session window("GraphGRXDriver=win32\nGetColorCodes=yes", "", false);
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const pid_t pid = StartInWindow(window, x);
  const std::string id = xvfbtest::WaitForWindow(x, "^KurvexAnalyzer");
  if (!id.empty()) {
    EXPECT_EQ(xvfbtest::XDo(x, "getwindowname " + id), graphtest::kBanner);
    Send(x, id, "key x");
  }
  const int status = xvfbtest::WaitExit(pid, id.empty() ? 0 : 20000);
  xvfbtest::StopXvfb(x);
  ASSERT_FALSE(id.empty()) << "no window titled " << graphtest::kBanner;
  EXPECT_EQ(status, 0) << window.Read("stderr");
}

// With a display both drivers can be selected: the mode report lists the
// window driver's modes first, then the memory driver's.
TEST(GraphWindow, ModeReportListsBothDrivers) {
  if (!xvfbtest::OnPath("Xvfb"))
    GTEST_SKIP() << "needs Xvfb (Debian package xvfb)";
  Session s("GraphResolution=?\nGraphGRXDriver=?", graphtest::SineData(), false);
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const int status = xvfbtest::WaitExit(StartInWindow(s, x), 20000);
  xvfbtest::StopXvfb(x);
  EXPECT_EQ(status, 0) << s.Read("stderr");
  std::vector<std::string> titles;
  for (const std::string& line : s.Lines("kurvex.log"))
    if (line.find("*** Driver: ") != std::string::npos) titles.push_back(line);
  EXPECT_EQ(titles, (std::vector<std::string>{std::string(25, ' ') + "*** Driver: gtk (!) ***",
                                              std::string(24, ' ') + "*** Driver: memory (!) ***"}));
  EXPECT_EQ(s.Lines("kurvex.log").back(), graphtest::kBanner + " has stopped.");
}

// Without a data file name the file chooser comes first; once a file is
// chosen it is gone, and the graph's window is the only one left.
TEST(GraphWindow, FileChooserLeavesNoWindowBehind) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  Session window("GraphGRXDriver=win32", graphtest::SineData(), false);
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const pid_t pid = StartInWindow(window, x, false);
  const std::string chooser = xvfbtest::WaitForWindow(x, "^Open data file:");
  std::string graph;
  if (!chooser.empty()) {
    Send(x, chooser, "type --delay 20 d.dat");
    Send(x, chooser, "key Return");
    graph = xvfbtest::WaitForWindow(x, "^KurvexAnalyzer");
  }
  if (!graph.empty()) {
    EXPECT_EQ(xvfbtest::XDo(x, "search --onlyvisible --name ."), graph);
    Send(x, graph, "key q");
  }
  const int status = xvfbtest::WaitExit(pid, graph.empty() ? 0 : 20000);
  xvfbtest::StopXvfb(x);
  ASSERT_FALSE(chooser.empty()) << "no file chooser; stderr: " << window.Read("stderr");
  ASSERT_FALSE(graph.empty()) << "no graph after choosing; stderr: " << window.Read("stderr");
  EXPECT_EQ(status, 0) << window.Read("stderr");
  EXPECT_EQ(window.Lines("kurvex.out").at(1).rfind("Task: " + window.Path() + "/d.dat x1 y2", 0), 0u)
      << window.Lines("kurvex.out").at(1);
}

// The memory driver brings its own dialogs: with a display at hand a batch
// run still never opens a window. A missing data file ends at once with
// its two lines told once, and a missing name is read from standard input.
TEST(GraphWindow, BatchRunsWithADisplayOpenNoDialog) {
  if (!xvfbtest::OnPath("Xvfb")) GTEST_SKIP() << "needs Xvfb (Debian package xvfb)";
  Session s("", graphtest::SineData());
  testutil::WriteFile(s / "input", "d.dat\nq\n");
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const int missing = xvfbtest::WaitExit(StartOnDisplay(s, x, {"missing.dat"}), 10000);
  const std::string missingErr = s.Read("stderr");
  const int named = xvfbtest::WaitExit(StartOnDisplay(s, x, {}, "input"), 10000);
  xvfbtest::StopXvfb(x);
  EXPECT_EQ(missing, 1);
  EXPECT_EQ(missingErr, "Stopped with error!\n\nInput file (missing.dat) cannot be read!\n"
                        "Reason: No such file or directory\n"
                        "Check the configuration file and/or the first command line parameter!\n");
  EXPECT_EQ(named, 0) << s.Read("stderr");
  EXPECT_EQ(s.Read("stderr"), "Open data file: ");
  EXPECT_EQ(s.Lines("kurvex.out").at(1).rfind("Task: d.dat x1 y2", 0), 0u);
}

}  // namespace
