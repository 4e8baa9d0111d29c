// A run started from the desktop, where nobody sees standard error: with
// the window driver every stop with an error shows its reason in a message
// box, once, and cancelling the file dialog ends the run without an error.
// The real start-up runs in a child on a private Xvfb server; the box's
// text is read from GTK in the child, the box is dismissed with xdotool.
// Skipped where Xvfb or xdotool is missing; every wait has a time limit.
#include <gtest/gtest.h>

#include "test_util.h"  // before Xlib's headers, whose macro Status would break it

#include <fcntl.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "graph/navigation.h"
#include "gfx_xvfb_support.h"

namespace {

using xvfbtest::ReadLine;
using xvfbtest::WriteLine;

// Until a message box is on the screen, looks again at every tick; then
// reports its text, and on the next line the number of its X window (the
// graph's window has the same title), once.
gboolean ReportStopBox(gpointer fd) {
  GList* list = gtk_window_list_toplevels();
  GtkWidget* box = nullptr;
  for (GList* w = list; w != nullptr && box == nullptr; w = w->next)
    if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
      box = GTK_WIDGET(w->data);
  g_list_free(list);
  if (box == nullptr) return G_SOURCE_CONTINUE;
  xvfbtest::ReportMessageBoxes(fd);
  WriteLine(*static_cast<int*>(fd), std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(box))));
  return G_SOURCE_REMOVE;
}

// The program's own start in a child, in `dir`, with the window driver and
// `args` after the program's name; standard error goes to dir/stderr.
xvfbtest::Child StartRun(const xvfbtest::XServer& x, const testutil::TempDir& dir,
                         const std::vector<std::string>& args) {
  std::fflush(nullptr);  // the child's exit must not write the test's output again
  return xvfbtest::StartChild([&](int, int out) {
    if (::chdir(dir.Path().c_str()) != 0) ::_exit(126);
    xvfbtest::UseDisplay(x);
    ::dup2(::open("stderr", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    static int fd;
    fd = out;
    g_timeout_add(100, ReportStopBox, &fd);
    std::vector<std::string> words = {dir / "kurvex", "-c", "GraphGRXDriver=gtk"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    driver::PrepareProcess();
    driver::ReadCommandLine(static_cast<int>(words.size()), argv.data());
    driver::StartUp();
    graph::RunInteractiveLoop();
    driver::NormalEnd();
  });
}

// The exit status, within 20 s; the child is reaped.
int EndOf(xvfbtest::Child& child) {
  const int status = xvfbtest::WaitExit(child.Pid, 20000);
  child.Pid = -1;
  return status;
}

std::string LastLogLine(const testutil::TempDir& dir) {
  const std::vector<std::string> log = testutil::ReadLines(dir / "kurvex.log");
  return log.empty() ? "" : log.back();
}

std::string ZigZag(int32_t n) {
  std::string rows;
  for (int32_t i = 0; i < n; ++i) rows += std::to_string(i) + (i % 2 ? " -1\n" : " 1\n");
  return rows;
}

struct StopCase {
  const char* name;
  std::string cfg, data;
  std::vector<std::string> args, lines;  // lines: what the box shows after its heading
  int status;
  std::string lastLogLine;  // "" for none
};

TEST(WindowStops, EveryErrorStopShowsItsReasonInABoxOnce) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  const std::string banner = base::ProgramBanner;
  const std::string line = "0 1\n1 3\n2 5\n3 7\n";
  const std::string modes =
      "The required graphic mode cannot be initialized; the supported modes are listed in the run log.";
  const std::vector<StopCase> cases = {
      // Shown by the data file's stop itself, before the graph's window: not twice.
      {"missing data file", "", line, {"missing.dat"},
       {"Input file (missing.dat) cannot be read!", "Reason: No such file or directory",
        "Check the configuration file and/or the first command line parameter!"}, 1,
       "Check the configuration file and/or the first command line parameter!"},
      {"one row", "", "1 2\n", {"d.dat"}, {"The number of data is less than two!"}, 1,
       "The number of data is less than two!"},
      {"duplicated X", "", "1.5 2\n0 1\n1.5 3\n", {"d.dat"},
       {"Duplicated independent value at  1.500000000000000e+00!"}, 1,
       "Duplicated independent value at  1.500000000000000e+00!"},
      // The zig-zag needs 12 iterations with these error values.
      {"iteration limit", "MaxIteration=10\nErrorValue=1", ZigZag(20), {"d.dat"},
       {"10 iterations are not enough!"}, 1, "10 iterations are not enough!"},
      {"file failure", "OutputFileName=/dev/full", line, {"d.dat"},
       {"/dev/full: No space left on device"}, 2, ""},
      {"mode refused", "GraphResolution=5x5", line, {"d.dat"},
       {"GraphResolution 5x5: a window has at least 6x70 and at most 32767 pixels a side and "
        "33554432 in all",
        modes},
       1, banner + " has stopped."},
  };
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::TempDir dir;
    testutil::WriteFile(dir / "kurvex.cfg", "[Kurvex]\n" + c.cfg + "\n");
    testutil::WriteFile(dir / "d.dat", c.data);
    xvfbtest::Child child = StartRun(x, dir, c.args);
    std::string box, window;
    const bool shown = ReadLine(child.Out, box, 30000) && ReadLine(child.Out, window, 5000);
    if (shown) xvfbtest::XDo(x, "windowfocus --sync " + window + " key Return");
    const int status = EndOf(child);
    ASSERT_TRUE(shown) << "no box; stderr: " << testutil::ReadFile(dir / "stderr");
    std::string text = "box " + banner + "|Stopped with error!|";
    for (const std::string& l : c.lines) text += "|" + l;
    EXPECT_EQ(box, text);
    EXPECT_EQ(status, c.status) << testutil::ReadFile(dir / "stderr");  // -1: a second box waited
    if (!c.lastLogLine.empty()) {
      EXPECT_EQ(LastLogLine(dir), c.lastLogLine);
    }
  }
}

// No kurvex.dat to fall back on: the run ends as the user asked, with no
// box (it would wait for ever) and nothing on standard error.
TEST(WindowStops, CancelledFileDialogEndsQuietly) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  testutil::TempDir dir;
  testutil::WriteFile(dir / "kurvex.cfg", "[Kurvex]\n");
  xvfbtest::Child child = StartRun(x, dir, {});
  const std::string chooser = xvfbtest::WaitForWindow(x, "^Open data file:$");
  if (!chooser.empty()) xvfbtest::XDo(x, "windowfocus --sync " + chooser + " key Escape");
  const int status = EndOf(child);
  ASSERT_FALSE(chooser.empty()) << "no file dialog; stderr: " << testutil::ReadFile(dir / "stderr");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(LastLogLine(dir), "No data file was chosen: the file dialog was cancelled.");
  EXPECT_EQ(testutil::ReadFile(dir / "stderr"), "");
}

}  // namespace
