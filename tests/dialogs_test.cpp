// The dialogs: line and filter parsing, the memory driver's terminal
// dialogs, and (under Xvfb, skipped without it) the window driver's GTK
// message box and file chooser, which must leave no window behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "dialogs/dialogs.h"
#include "gfx/gfx.h"
#include "gfx_xvfb_support.h"

namespace {

using xvfbtest::ReadLine;
using xvfbtest::WriteLine;

TEST(Dialogs, LinesAndFiltersAreSplit) {
  EXPECT_EQ(gfx::SplitText("Stopped with error!||a|b", '|'),
            (std::vector<std::string>{"Stopped with error!", "", "a", "b"}));
  EXPECT_EQ(gfx::SplitText("", '|'), (std::vector<std::string>{""}));
  const auto filters = gfx::ParseFilterList(
      "Data files (*.dat)+*.dat+Text files (*.txt)+*.txt; *.TXT+All files (*.*)+*.*+Dangling");
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[0].Description, "Data files (*.dat)");
  EXPECT_EQ(filters[0].Patterns, (std::vector<std::string>{"*.dat"}));
  EXPECT_EQ(filters[1].Patterns, (std::vector<std::string>{"*.txt", "*.TXT"}));
  EXPECT_EQ(filters[2].Patterns, (std::vector<std::string>{"*.*"}));
  EXPECT_TRUE(gfx::ParseFilterList("").empty());
}

// Runs `body` in a child with the memory driver and no display, with
// `input` as its standard input; returns its standard error and the line it
// wrote to `out`.
std::pair<std::string, std::string> WithoutWindow(const std::string& input,
                                                  const std::function<std::string()>& body) {
  int in[2], err[2];
  if (::pipe(in) != 0 || ::pipe(err) != 0) return {};
  xvfbtest::Child child = xvfbtest::StartChild([&](int, int out) {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::dup2(in[0], 0);
    ::dup2(err[1], 2);
    ::close(in[1]);
    if (!gfx::SetDriver(gfx::MemoryDriverName)) return WriteLine(out, "no driver");
    WriteLine(out, body());
  });
  ::close(in[0]);
  ::close(err[1]);
  if (::write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {}
  ::close(in[1]);
  std::string result, errors;
  ReadLine(child.Out, result, 5000);
  pollfd p{err[0], POLLIN, 0};
  char buf[512];
  for (ssize_t n = 1; n > 0 && ::poll(&p, 1, 2000) > 0;) {  // to the end of the child's output
    n = ::read(err[0], buf, sizeof buf);
    if (n > 0) errors.append(buf, static_cast<size_t>(n));
  }
  ::close(err[0]);
  xvfbtest::CloseChild(child);
  return {errors, result};
}

TEST(Dialogs, TheMemoryDriverUsesTheTerminal) {
  auto [errors, result] = WithoutWindow("", [] {
    dialogs::ShowMessageBox("Stopped with error!||Input file (x) cannot be read!|Check");
    return std::string("done");
  });
  EXPECT_EQ(errors, "Stopped with error!\n\nInput file (x) cannot be read!\nCheck\n");
  EXPECT_EQ(result, "done");

  struct Case {
    std::string typed, chosen;
  };
  const Case cases[] = {{"/data/run 1.dat\nleft\n", "[/data/run 1.dat]"},
                        {"c:\\x.txt\r\n", "[c:\\x.txt]"},
                        {"\nnext", "[]"},
                        {"", "[]"},
                        {std::string(3000, 'a'), "[" + std::string(2048, 'a') + "]"}};
  for (const Case& c : cases) {
    auto [prompt, chosen] = WithoutWindow(c.typed, [] { return "[" + dialogs::SelectDataFile() + "]"; });
    EXPECT_EQ(prompt, "Open data file: ");
    EXPECT_EQ(chosen, c.chosen);
  }
}

// Reports the visible file chooser: its title, its filters and which of
// them accept the names "README", "run.dat" and "run.csv".
gboolean ReportChooser(gpointer fd) {
  GList* list = gtk_window_list_toplevels();
  for (GList* w = list; w != nullptr; w = w->next) {
    if (!GTK_IS_FILE_CHOOSER_DIALOG(w->data) || !gtk_widget_get_visible(GTK_WIDGET(w->data))) continue;
    std::string line = std::string("chooser ") + gtk_window_get_title(GTK_WINDOW(w->data));
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(w->data));
    for (GSList* f = filters; f != nullptr; f = f->next) {
      line += std::string("|") + gtk_file_filter_get_name(GTK_FILE_FILTER(f->data));
      for (const char* name : {"README", "run.dat", "run.csv"}) {
        GtkFileFilterInfo info{GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, name, nullptr};
        line += gtk_file_filter_filter(GTK_FILE_FILTER(f->data), &info) ? " +" : " -";
        line += name;
      }
    }
    g_slist_free(filters);
    WriteLine(*static_cast<int*>(fd), line);
  }
  g_list_free(list);
  return G_SOURCE_REMOVE;
}

TEST(Dialogs, GtkDialogsUnderXvfbLeaveNoWindowBehind) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("dialogs_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "run.dat") << "1 2\n";
  const std::string file = (dir / "run.dat").string();
  xvfbtest::Child child = xvfbtest::StartChild([&](int in, int out) {
    xvfbtest::UseDisplay(x);
    int fd = out;
    g_timeout_add(300, xvfbtest::ReportMessageBoxes, &fd);
    if (!gfx::SetDriver(gfx::WindowDriverName)) return WriteLine(out, "no display");
    dialogs::ShowMessageBox("Stopped with error!||second");
    WriteLine(out, "closed");
    std::string line;
    ReadLine(in, line, 10000);  // the test looks at the screen meanwhile
    g_timeout_add(300, ReportChooser, &fd);
    WriteLine(out, "chosen " + dialogs::SelectDataFile());
    ReadLine(in, line, 10000);
  });
  std::string line;
  const std::string banner = base::ProgramBanner;
  ASSERT_TRUE(ReadLine(child.Out, line, 15000));
  EXPECT_EQ(line, "box " + banner + "|Stopped with error!||second");
  const std::string box = xvfbtest::XDo(x, "search --sync --onlyvisible --name '^" + banner + "$'");
  xvfbtest::XDo(x, "windowfocus --sync " + box + " key Return");
  ASSERT_TRUE(ReadLine(child.Out, line, 5000));
  EXPECT_EQ(line, "closed");
  EXPECT_EQ(xvfbtest::XDo(x, "search --onlyvisible --name KurvexAnalyzer"), "");
  WriteLine(child.In, "go on");

  ASSERT_TRUE(ReadLine(child.Out, line, 15000));
  EXPECT_EQ(line,
            "chooser Open data file:|Data files (*.dat) -README +run.dat -run.csv"
            "|CSV files (*.csv) -README -run.dat +run.csv|Text files (*.txt) -README -run.dat -run.csv"
            "|All files (*.*) +README +run.dat +run.csv");
  const std::string chooser = xvfbtest::XDo(x, "search --sync --onlyvisible --name '^Open data file:$'");
  xvfbtest::XDo(x, "windowfocus --sync " + chooser + " type --delay 5 '" + file + "'");
  xvfbtest::XDo(x, "key --delay 200 Return Return");
  ASSERT_TRUE(ReadLine(child.Out, line, 5000));
  EXPECT_EQ(line, "chosen " + file);
  EXPECT_EQ(xvfbtest::XDo(x, "search --onlyvisible --name 'Open data file'"), "");
  WriteLine(child.In, "done");
  xvfbtest::CloseChild(child);
  xvfbtest::StopXvfb(x);
  std::filesystem::remove_all(dir);
}

}  // namespace
