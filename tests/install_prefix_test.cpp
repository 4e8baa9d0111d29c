// Installation into a temporary prefix: the files land where a Linux user
// looks for them, the installed program runs the manual page's examples in
// batch mode, and, under Xvfb, the installed desktop entry starts it with
// the file dialog first. Every wait has a time limit.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "gfx_xvfb_support.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// `cmake --install` of this build into `prefix`.
testutil::RunResult Install(const std::string& prefix) {
  const std::string build = fs::path(KURVEX_BINARY).parent_path().string();
  return testutil::RunProgram(build, {"env", "cmake", "--install", build, "--prefix", prefix}, "",
                              "/usr/bin/env", 60);
}

// The example blocks (.EX to .EE) of a manual page, with the roff escapes
// they use turned back into the characters a reader types.
std::vector<std::string> ManualExamples(const std::string& page) {
  std::vector<std::string> blocks;
  std::istringstream in(page);
  bool open = false;
  for (std::string line; std::getline(in, line);) {
    if (line == ".EX") {
      blocks.emplace_back();
      open = true;
    } else if (line == ".EE") {
      open = false;
    } else if (open) {
      line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
      line = std::regex_replace(line, std::regex(R"(\\\(aq)"), "'");
      blocks.back() += line + "\n";
    }
  }
  return blocks;
}

// Into ~/.local of a home of its own, where Debian's python3 looks for a
// user's modules without being told.
TEST(InstallPrefix, PutsEveryFileInPlaceAndTheInstalledProgramRunsTheManualExamples) {
  testutil::TempDir dir;
  const std::string home = dir / "home", prefix = home + "/.local", work = dir / "work";
  const testutil::RunResult installed = Install(prefix);
  ASSERT_EQ(installed.Status, 0) << installed.Out << installed.Err;
  for (const char* file :
       {"bin/kurvex", "share/man/man1/kurvex.1", "share/applications/kurvex.desktop",
        "share/doc/kurvex/README.md", "share/doc/kurvex/docs/example.png",
        "share/doc/kurvex/fonts/LICENSE-DejaVu.txt",
        "share/doc/kurvex/fonts/LICENSE-Liberation.txt",
        "share/doc/kurvex/examples/kurvex.cfg", "share/doc/kurvex/examples/oscillation/oscillation.dat",
        "share/doc/kurvex/examples/titration/titration.dat",
        "share/doc/kurvex/examples/large/make-large.sh",
        "share/icons/hicolor/scalable/apps/kurvex.svg", KURVEX_WINDOW_MODULE_INSTALLED})
    EXPECT_TRUE(testutil::FileExists(prefix + "/" + file)) << file;
  EXPECT_EQ(::access((prefix + "/bin/kurvex").c_str(), X_OK), 0);
  if (xvfbtest::OnPath("desktop-file-validate")) {
    const testutil::RunResult v = testutil::RunProgram(
        dir.Path(), {"env", "desktop-file-validate", prefix + "/share/applications/kurvex.desktop"},
        "", "/usr/bin/env", 30);
    EXPECT_EQ(v.Status, 0) << v.Out << v.Err;
    EXPECT_EQ(v.Out + v.Err, "");  // no error, no warning, not even a hint
  }

  // The examples of the installed manual page, in one shell, in an empty
  // folder, with the installed program found by name.
  const std::vector<std::string> examples =
      ManualExamples(testutil::ReadFile(prefix + "/share/man/man1/kurvex.1"));
  ASSERT_EQ(examples.size(), 2u);
  fs::create_directories(work);
  const std::string script = "export PATH='" + prefix + "/bin':\"$PATH\" HOME='" + work + "'\n" +
                             examples[0] + "echo \"@@@ $?\"\n" + examples[1] + "echo \"@@@ $?\"\n";
  const testutil::RunResult r =
      testutil::RunProgram(work, {"bash", "-c", script}, "", "/bin/bash", 120);
  ASSERT_EQ(r.Status, 0) << r.Out << r.Err;
  // The first lists the six extrema of the oscillation; the second, with
  // the marks switched off, counts none.
  const std::regex extremum("  (Minimum|Maximum) at x=[ 0-9.e+-]{13}\n");
  const size_t first = r.Out.find("@@@ 0\n");
  ASSERT_NE(first, std::string::npos) << r.Out << r.Err;
  const std::string listed = r.Out.substr(0, first);
  EXPECT_EQ(std::distance(std::sregex_iterator(listed.begin(), listed.end(), extremum),
                          std::sregex_iterator()), 6) << listed;
  EXPECT_EQ(r.Out.substr(first), "@@@ 0\n0\n@@@ 0\n");
  // Started by name, the program put its image into the working folder.
  EXPECT_TRUE(testutil::FileExists(work + "/kurvi000.png"));
  EXPECT_EQ(testutil::ReadLines(work + "/kurvex.cal").size(), 5u);
  EXPECT_FALSE(testutil::FileExists(prefix + "/bin/kurvi000.png"));

  // Started by its full path, as launchers do, it still leaves its bin
  // folder alone and says where the image went.
  const testutil::RunResult full = testutil::RunProgram(
      work, {prefix + "/bin/kurvex", "--batch", "oscillation.dat"}, "F4 q", prefix + "/bin/kurvex");
  EXPECT_EQ(full.Status, 0) << full.Err;
  EXPECT_EQ(full.Err, "kurvex: image saved as " + work + "/kurvi001.png\n");
  EXPECT_FALSE(testutil::FileExists(prefix + "/bin/kurvi000.png"));

#if !defined(__SANITIZE_ADDRESS__)  // a sanitizer build's module needs its runtime preloaded
  // The module imports with nothing but the interpreter's own search path.
  if (testutil::FileExists("/usr/bin/python3")) {
    const testutil::RunResult py = testutil::RunProgram(
        work,
        {"env", "-i", "HOME=" + home, "PATH=/usr/bin:/bin", "/usr/bin/python3", "-c",
         "import kurvex; print(kurvex.__file__); print(kurvex.__version__)"},
        "", "/usr/bin/env", 60);
    EXPECT_EQ(py.Status, 0) << py.Err;
    EXPECT_EQ(py.Out.rfind(prefix + "/lib/python3", 0), 0u) << py.Out;
  }
#endif

  // The uninstall leaves no file of the program's behind, byte code included.
  const std::string build = fs::path(KURVEX_BINARY).parent_path().string();
  const testutil::RunResult removed = testutil::RunProgram(
      build, {"env", "cmake", "--build", build, "--target", "uninstall"}, "", "/usr/bin/env", 60);
  EXPECT_EQ(removed.Status, 0) << removed.Out << removed.Err;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(prefix))
    EXPECT_FALSE(e.is_regular_file() || e.path().filename() == "kurvex") << e.path();
}

#if !defined(__SANITIZE_ADDRESS__)  // the package is made from the normal build
// The Debian package holds the same installation under /usr, with the
// fields apt shows and the libraries found by dpkg-shlibdeps.
TEST(InstallPrefix, TheDebianPackageHoldsTheInstallation) {
  if (!xvfbtest::OnPath("cpack") || !xvfbtest::OnPath("dpkg-deb") || !xvfbtest::OnPath("dpkg-shlibdeps"))
    GTEST_SKIP() << "needs cpack and dpkg-dev";
  testutil::TempDir dir;
  const std::string build = fs::path(KURVEX_BINARY).parent_path().string();
  const testutil::RunResult made = testutil::RunProgram(
      build, {"env", "cpack", "-G", "DEB", "-B", dir.Path()}, "", "/usr/bin/env", 300);
  ASSERT_EQ(made.Status, 0) << made.Out << made.Err;
  std::string deb;
  for (const fs::directory_entry& e : fs::directory_iterator(dir.Path()))
    if (e.path().extension() == ".deb") deb = e.path().string();
  ASSERT_FALSE(deb.empty()) << made.Out;
  EXPECT_TRUE(std::regex_match(fs::path(deb).filename().string(),
                               std::regex(R"(kurvex_[0-9.]+_[a-z0-9]+\.deb)"))) << deb;
  const auto fields = testutil::RunProgram(
      dir.Path(), {"env", "dpkg-deb", "-f", deb, "Package", "Section", "Maintainer", "Depends"}, "",
      "/usr/bin/env", 60);
  EXPECT_NE(fields.Out.find("Package: kurvex\n"), std::string::npos) << fields.Out;
  EXPECT_NE(fields.Out.find("Section: science\n"), std::string::npos) << fields.Out;
  EXPECT_NE(fields.Out.find("Maintainer: "), std::string::npos) << fields.Out;
  EXPECT_NE(fields.Out.find("libgtk-3-0"), std::string::npos) << fields.Out;
  const auto listed =
      testutil::RunProgram(dir.Path(), {"env", "dpkg-deb", "-c", deb}, "", "/usr/bin/env", 60);
  for (const char* file : {"./usr/bin/kurvex", "./usr/share/man/man1/kurvex.1",
                           "./usr/share/applications/kurvex.desktop",
                           "./usr/share/icons/hicolor/scalable/apps/kurvex.svg",
                           "./usr/lib/python3/dist-packages/kurvex/",
                           "./usr/" KURVEX_WINDOW_MODULE_INSTALLED})
    EXPECT_NE(listed.Out.find(file), std::string::npos) << file << "\n" << listed.Out;
}
#endif

// ---- The desktop entry under Xvfb ----------------------------------------

using xvfbtest::XDo;

// The launcher hands the program over to the system, so it is found by a
// mark in its environment; -1 when no such process lives.
pid_t FindMarkedProcess(const std::string& mark) {
  std::error_code ec;  // processes come and go while the list is read
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string env = testutil::ReadFile(it->path() / "environ");
    const std::string stat = testutil::ReadFile(it->path() / "stat");
    if (env.find(mark) != std::string::npos && stat.find(") Z ") == std::string::npos &&
        stat.find("(kurvex)") != std::string::npos)
      return static_cast<pid_t>(std::stoi(name));
  }
  return -1;
}

bool WaitUntilGone(const std::string& mark, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (FindMarkedProcess(mark) > 0) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// Whatever happens in the test, the server and the program do not outlive it.
struct Cleanup {
  xvfbtest::XServer& X;
  std::string Mark;
  ~Cleanup() {
    if (const pid_t left = FindMarkedProcess(Mark); left > 0) ::kill(left, SIGKILL);
    xvfbtest::StopXvfb(X);
  }
};

TEST(InstallPrefix, TheDesktopEntryStartsWithTheFileDialogAndOpensTheTypedFile) {
  for (const char* tool : {"Xvfb", "xdotool", "gio"})
    if (!xvfbtest::OnPath(tool)) GTEST_SKIP() << "needs Xvfb, xdotool and gio (Debian xvfb, xdotool, libglib2.0-bin)";
  testutil::TempDir dir;
  const std::string prefix = dir / "usr", home = dir / "home";
  ASSERT_EQ(Install(prefix).Status, 0);
  fs::create_directories(home);
  const std::string data = home + "/measured run.dat";  // a blank in the name, as users have
  fs::copy(prefix + "/share/doc/kurvex/examples/oscillation/oscillation.dat", data);
  xvfbtest::XServer x;
  const std::string mark = "KURVEX_DESKTOP_TEST=" + std::to_string(::getpid());
  Cleanup cleanup{x, mark};
  ASSERT_TRUE(xvfbtest::StartXvfb(x));
  // As the desktop does it: the launcher reads the entry and starts the
  // program in the home folder, with no configuration file anywhere.
  const std::string launch =
      "cd '" + home + "' && env HOME='" + home + "' DISPLAY=" + x.Display + " PATH='" + prefix +
      "/bin':\"$PATH\" GDK_BACKEND=x11 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory " + mark +
      " ASAN_OPTIONS=detect_leaks=0 timeout 10 gio launch '" + prefix +
      "/share/applications/kurvex.desktop' >/dev/null 2>&1";
  ASSERT_EQ(std::system(launch.c_str()), 0);

  const std::string chooser = xvfbtest::WaitForWindow(x, "^Open data file:$");
  ASSERT_FALSE(chooser.empty()) << "no file dialog";
  XDo(x, "windowfocus --sync " + chooser + " type --delay 5 '" + data + "'");
  XDo(x, "key --delay 200 Return Return");
  const std::string graph = xvfbtest::WaitForWindow(x, "^KurvexAnalyzer v2.12a-20080419$");
  ASSERT_FALSE(graph.empty()) << "no graph window";
  EXPECT_EQ(XDo(x, "search --onlyvisible --name 'Open data file'"), "");
  XDo(x, "windowfocus --sync " + graph + " key q");
  EXPECT_TRUE(WaitUntilGone(mark, 20)) << "the program did not end on q";

  const std::vector<std::string> log = testutil::ReadLines(home + "/kurvex.log");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "KurvexAnalyzer v2.12a-20080419 has stopped nicely.");
  const std::vector<std::string> out = testutil::ReadLines(home + "/kurvex.out");
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out[1], "Task: " + data + " x1 y2 r0 e0 .");
}

}  // namespace
