// The window driver on a private Xvfb server: the window's size and title,
// keys and clicks sent with xdotool arriving as codes and positions, the
// window showing exactly the screen context, and the close button's Abort
// box. Skipped where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <clocale>
#include <sstream>
#include <vector>

#include "gfx/gfx.h"
#include "gfx_xvfb_support.h"

namespace {

using xvfbtest::ReadLine;
using xvfbtest::WriteLine;

constexpr const char* Title = "gfx window test";
// How the child reports the box: title and lines, separated by "|".
constexpr const char* AbortBox = "box Abort|This will abort the program|are you sure?";

GtkWidget* TopWindow() {
  GList* list = gtk_window_list_toplevels();
  GtkWidget* top = list != nullptr ? GTK_WIDGET(list->data) : nullptr;
  g_list_free(list);
  return top;
}

// Compares what the X server holds for the window with the screen context.
bool WindowShowsScreen() {
  GdkWindow* window = gtk_widget_get_window(gtk_bin_get_child(GTK_BIN(TopWindow())));
  const gfx::Context* s = gfx::ScreenContext();
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(window, 0, 0, s->Width, s->Height);
  if (shot == nullptr) return false;
  const guchar* px = gdk_pixbuf_get_pixels(shot);
  const int stride = gdk_pixbuf_get_rowstride(shot), step = gdk_pixbuf_get_n_channels(shot);
  bool same = true;
  for (int32_t y = 0; y < s->Height; ++y)
    for (int32_t x = 0; x < s->Width; ++x) {
      const gfx::Rgb want = gfx::ColourRgb(gfx::PixelAt(s, x, y));
      const guchar* p = px + y * stride + x * step;
      same &= p[0] == want.Red && p[1] == want.Green && p[2] == want.Blue;
    }
  g_object_unref(shot);
  return same;
}

// Palette colours in a depth-4 mode, so that the window must resolve them.
void DrawFixture() {
  gfx::ClearScreen(1);
  gfx::FilledBox(10, 10, 60, 30, 4);
  gfx::FilledCircle(100, 60, 12, 14);
  gfx::TextOption o{gfx::FindFont("lucs15"), 15, 1};
  gfx::DrawString("Fit", 20, 90, o);
}

// Where the child's abort handler reports that it ran.
int abortReport = -1;
void ReportAbort() { WriteLine(abortReport, "abort handler"); }

// The child: opens the window, then reports every input event as
// "flags x y buttons key" until 'q'; 's' also reports the screenshot check,
// 'c' presses the close button.
void WindowChild(const xvfbtest::XServer& x, int out) {
  xvfbtest::UseDisplay(x);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  if (!gfx::SetDriver("gtk") || !gfx::SetMode(160, 120, 4)) return WriteLine(out, "no window");
  // Numbers are read and written in the C locale, whatever the desktop's is.
  if (std::string(std::setlocale(LC_ALL, nullptr)) != "C") return WriteLine(out, "locale changed");
  gfx::SetWindowTitle(Title);
  DrawFixture();
  gfx::MouseInit();
  std::vector<uint8_t> shape(24 * 24, 1);
  const gfx::Colour colours[2] = {0, 15};
  gfx::MouseSetCursor(gfx::BuildCursor(shape.data(), 24, 24, 24, 11, 11, colours));
  gfx::MouseDisplayCursor();
  gfx::UpdateScreen();
  abortReport = out;
  gfx::SetAbortHandler(ReportAbort);
  WriteLine(out, "ready " + std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(TopWindow()))));
  int fd = out;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    const gfx::MouseEvent e = gfx::MouseGetEvent(0);
    if (e.Flags == 0) continue;
    std::ostringstream line;
    line << e.Flags << " " << e.X << " " << e.Y << " " << e.Buttons << " " << e.Key;
    WriteLine(out, line.str());
    if (e.Key == 's') WriteLine(out, WindowShowsScreen() ? "shot same" : "shot differs");
    if (e.Key == 'c') {
      g_timeout_add(300, xvfbtest::ReportMessageBoxes, &fd);
      gtk_window_close(GTK_WINDOW(TopWindow()));  // what the window manager's button does
    }
    if (e.Key == 'q') return;
  }
}

// Lines from the child up to and including one equal to `last`.
std::vector<std::string> LinesUntil(int fd, const std::string& last) {
  std::vector<std::string> lines;
  std::string line;
  while (ReadLine(fd, line, 5000)) {
    lines.push_back(line);
    if (line == last) break;
  }
  return lines;
}

std::vector<std::string> WithoutMotion(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.rfind("1 ", 0) != 0) out.push_back(l);
  return out;
}

TEST(GfxWindow, WindowDriverUnderXvfb) {
  if (!xvfbtest::OnPath("Xvfb") || !xvfbtest::OnPath("xdotool"))
    GTEST_SKIP() << "needs Xvfb and xdotool (Debian packages xvfb, xdotool)";
  xvfbtest::XServer x;
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  xvfbtest::Child child = xvfbtest::StartChild([&x](int, int out) { WindowChild(x, out); });
  std::string line;
  ASSERT_TRUE(ReadLine(child.Out, line, 15000));
  ASSERT_EQ(line.rfind("ready ", 0), 0u) << line;
  const std::string id = line.substr(6);

  EXPECT_EQ(xvfbtest::XDo(x, "getwindowname " + id), Title);
  EXPECT_NE(xvfbtest::XDo(x, "getwindowgeometry " + id).find("Geometry: 160x120"), std::string::npos);

  xvfbtest::XDo(x, "windowfocus --sync " + id + " key --delay 10 F1 ctrl+Up Left x shift+x 2 KP_Subtract ctrl+Right F4");
  EXPECT_EQ(LinesUntil(child.Out, "128 0 0 0 318"),
            (std::vector<std::string>{"128 0 0 0 315", "128 0 0 0 397", "128 0 0 0 331",
                                      "128 0 0 0 120", "128 0 0 0 88", "128 0 0 0 50",
                                      "128 0 0 0 45", "128 0 0 0 372", "128 0 0 0 318"}));

  xvfbtest::XDo(x, "mousemove --window " + id + " 10 20 click 1 mousemove --window " + id +
                       " 150 110 click 3");
  const std::vector<std::string> mouse = LinesUntil(child.Out, "16 150 110 0 0");
  EXPECT_EQ(WithoutMotion(mouse), (std::vector<std::string>{"2 10 20 1 0", "4 10 20 0 0",
                                                            "8 150 110 2 0", "16 150 110 0 0"}));
  EXPECT_NE(std::find(mouse.begin(), mouse.end(), "1 10 20 0 0"), mouse.end());

  xvfbtest::XDo(x, "key s");
  EXPECT_EQ(LinesUntil(child.Out, "shot same").back(), "shot same");

  // The close button asks first; "no" keeps the program running.
  xvfbtest::XDo(x, "key c");
  EXPECT_EQ(LinesUntil(child.Out, AbortBox).size(), 2u);
  const std::string box = xvfbtest::XDo(x, "search --sync --onlyvisible --name '^Abort$'");
  ASSERT_FALSE(box.empty());
  xvfbtest::XDo(x, "windowfocus --sync " + box + " key Escape");
  xvfbtest::XDo(x, "windowfocus --sync " + id + " key z");
  EXPECT_EQ(LinesUntil(child.Out, "128 150 110 0 122").back(), "128 150 110 0 122");
  EXPECT_EQ(xvfbtest::XDo(x, "search --onlyvisible --name '^Abort$'"), "");

  // "yes" ends the process with status 1, after the program's handler (the
  // one that removes temporary files) has run.
  xvfbtest::XDo(x, "key c");
  EXPECT_EQ(LinesUntil(child.Out, AbortBox).back(), AbortBox);
  const std::string box2 = xvfbtest::XDo(x, "search --sync --onlyvisible --name '^Abort$'");
  xvfbtest::XDo(x, "windowfocus --sync " + box2 + " key alt+y");
  EXPECT_EQ(LinesUntil(child.Out, "abort handler").back(), "abort handler");
  EXPECT_EQ(xvfbtest::WaitExit(child.Pid, 5000), 1);
  child.Pid = -1;
  xvfbtest::CloseChild(child);
  xvfbtest::StopXvfb(x);
}

TEST(GfxWindow, NoDisplayMeansNoWindowDriver) {
  xvfbtest::Child child = xvfbtest::StartChild([](int, int out) {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    WriteLine(out, gfx::SetDriver("gtk") ? "selected" : "refused");
    ::setenv("DISPLAY", ":65000", 1);  // named, but nobody there
    WriteLine(out, gfx::SetDriver("gtk") ? "selected" : "refused");
    WriteLine(out, gfx::CurrentDriverName().empty() ? "none" : "some");
  });
  std::string line;
  for (const char* want : {"refused", "refused", "none"}) {
    ASSERT_TRUE(ReadLine(child.Out, line, 5000));
    EXPECT_EQ(line, want);
  }
  xvfbtest::CloseChild(child);
}

}  // namespace
