// Helpers of the tests that need a display: a private Xvfb server on a
// free display, xdotool commands against it, and child processes (the GTK
// side of a test runs in a child, so the test program itself never opens a
// display). Every wait here has a time limit.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace xvfbtest {

inline bool OnPath(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

// Reads one line (without its '\n') from fd within timeoutMs; false on time-out or end.
inline bool ReadLine(int fd, std::string& line, int timeoutMs) {
  line.clear();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char ch;
    if (::read(fd, &ch, 1) != 1) return false;
    if (ch == '\n') return true;
    line += ch;
  }
}

inline void WriteLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {}
}

// The exit status of a child within timeoutMs; -1 (and the child killed) when it does not end.
inline int WaitExit(pid_t pid, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

inline void StopXvfb(struct XServer& x);

// Stopped when it goes out of scope, so a failed assertion leaves no server.
struct XServer {
  pid_t Pid = -1;
  std::string Display;  // ":N"
  // The home folder of the programs on this server: GTK writes its
  // settings, caches and recently used files there, not into the real one.
  std::string Home;
  XServer() = default;
  XServer(const XServer&) = delete;
  ~XServer() { StopXvfb(*this); }
};

// Starts Xvfb on the first free display (it reports the number itself).
inline bool StartXvfb(XServer& x) {
  std::string home = "/tmp/kurvex-xvfb-home-XXXXXX";
  if (::mkdtemp(home.data()) == nullptr) return false;
  x.Home = home;
  int fds[2];
  if (::pipe(fds) != 0) return false;
  x.Pid = ::fork();
  if (x.Pid == 0) {
    ::close(fds[0]);
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);  // not the test's output: a pipe reader would wait for the server
    ::dup2(devnull, 2);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  const bool ok = x.Pid > 0 && ReadLine(fds[0], number, 10000) && !number.empty();
  ::close(fds[0]);
  x.Display = ":" + number;
  return ok;
}

inline void StopXvfb(XServer& x) {
  std::error_code ignored;
  if (!x.Home.empty()) std::filesystem::remove_all(x.Home, ignored);
  x.Home.clear();
  if (x.Pid <= 0) return;
  ::kill(x.Pid, SIGTERM);
  WaitExit(x.Pid, 5000);
  x.Pid = -1;
}

// Runs xdotool with these arguments against the server, at most 5 seconds;
// returns its output, trailing newline removed.
inline std::string XDo(const XServer& x, const std::string& args) {
  const std::string cmd = "DISPLAY=" + x.Display + " timeout 5 xdotool " + args + " 2>/dev/null";
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    ::pclose(p);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// Prepares a child's environment for GTK on this server only, with the
// server's home folder as HOME and every XDG folder inside it.
inline void UseDisplay(const XServer& x) {
  ::setenv("HOME", x.Home.c_str(), 1);
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                           "XDG_RUNTIME_DIR"}) {
    const std::string dir = x.Home + "/" + name;
    ::mkdir(dir.c_str(), 0700);
    ::setenv(name, dir.c_str(), 1);
  }
  ::setenv("DISPLAY", x.Display.c_str(), 1);
  ::unsetenv("WAYLAND_DISPLAY");
  ::setenv("GDK_BACKEND", "x11", 1);
  ::setenv("NO_AT_BRIDGE", "1", 1);          // no accessibility bus to look for
  ::setenv("GSETTINGS_BACKEND", "memory", 1);  // no settings daemon
  ::setenv("GIO_USE_VFS", "local", 1);
}

// A child process running `body(in, out)`: it reads the test's lines from
// `in` and writes its own to `out`, then ends with status 0.
inline void CloseChild(struct Child& c);

// Closed (and, if it will not end, killed) when it goes out of scope.
struct Child {
  pid_t Pid = -1;
  int In = -1, Out = -1;  // the test writes to In and reads from Out
  Child() = default;
  Child(const Child&) = delete;
  Child(Child&& other) noexcept : Pid(other.Pid), In(other.In), Out(other.Out) { other.Pid = other.In = other.Out = -1; }
  ~Child() { CloseChild(*this); }
};

inline Child StartChild(const std::function<void(int in, int out)>& body) {
  int toChild[2], fromChild[2];
  Child c;
  if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) return c;
  c.Pid = ::fork();
  if (c.Pid == 0) {
    ::close(toChild[1]);
    ::close(fromChild[0]);
    body(toChild[0], fromChild[1]);
    ::_exit(0);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  c.In = toChild[1];
  c.Out = fromChild[0];
  return c;
}

inline void CloseChild(Child& c) {
  if (c.In >= 0) ::close(c.In);
  if (c.Out >= 0) ::close(c.Out);
  if (c.Pid > 0) WaitExit(c.Pid, 3000);
  c.Pid = c.In = c.Out = -1;
}

// The id of the first visible window whose title matches the regular
// expression `title`, once it is shown; "" when none comes within `seconds`.
inline std::string WaitForWindow(const XServer& x, const std::string& title, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    const std::string id = XDo(x, "search --onlyvisible --name '" + title + "'");
    if (!id.empty()) return id.substr(0, id.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// A GLib timer callback for a child blocked in a modal dialog: writes
// "box TITLE|LINE|LINE..." to the file descriptor *fd for every message box
// on screen.
inline gboolean ReportMessageBoxes(gpointer fd) {
  GList* list = gtk_window_list_toplevels();
  for (GList* w = list; w != nullptr; w = w->next) {
    if (!GTK_IS_MESSAGE_DIALOG(w->data) || !gtk_widget_get_visible(GTK_WIDGET(w->data))) continue;
    gchar* text = nullptr;
    g_object_get(w->data, "text", &text, nullptr);
    std::string line = std::string("box ") + gtk_window_get_title(GTK_WINDOW(w->data)) + "|" +
                       (text != nullptr ? text : "");
    std::replace(line.begin(), line.end(), '\n', '|');
    WriteLine(*static_cast<int*>(fd), line);
    g_free(text);
  }
  g_list_free(list);
  return G_SOURCE_REMOVE;
}

}  // namespace xvfbtest
