// Result files that are never lost or wrongly replaced, end to end: runs
// killed at chosen moments, files the user protected or does not own,
// shared sticky folders, and two runs in one folder. Every case ends with
// the earlier files as they were (or the new ones complete) and nothing
// else in the folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "graph_e2e_support.h"
#include "base/replace_file.h"

namespace {

using graphtest::Session;
using testutil::ReadFile;
using testutil::WriteFile;

const std::string kSetpriv = "/usr/bin/setpriv";
const std::string kInUse = "in use by another run";

bool AsRootWithSetpriv() { return ::geteuid() == 0 && ::access(kSetpriv.c_str(), X_OK) == 0; }

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename());
  return names;
}

std::string LongData(int32_t rows) {
  return graphtest::DataRows(rows, [](int32_t i) -> long double { return i; },
                             [](long double x, int32_t) { return std::sin(x / 50); });
}

// A run started in the background: `args` after the program, `script` on
// standard input, as user nobody when `unprivileged`, stopping itself at
// the pause point `pause` (if any).
// Its script and standard error are kept outside the folder.
struct Background {
  pid_t Pid = -1;
  testutil::TempDir Io;
  Background(const Session& s, const std::vector<std::string>& args, const std::string& script,
             const std::string& pause, bool unprivileged = false) {
    ::chmod(Io.Path().c_str(), 0755);
    const std::string in = Io / "script";
    WriteFile(in, script);
    std::vector<std::string> argv;
    if (unprivileged) argv = {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(s / "kurvex");
    argv.insert(argv.end(), args.begin(), args.end());
    Pid = ::fork();
    if (Pid != 0) return;
    if (::chdir(s.Path().c_str()) != 0) ::_exit(126);
    ::dup2(::open(in.c_str(), O_RDONLY), 0);
    ::dup2(::open("/dev/null", O_WRONLY), 1);
    ::dup2(::open((Io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 2);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::signal(sig, SIG_DFL);
    if (!pause.empty()) ::setenv("KURVEX_TEST_PAUSE", pause.c_str(), 1);
    ::alarm(60);
    std::vector<char*> v;
    for (std::string& a : argv) v.push_back(a.data());
    v.push_back(nullptr);
    ::execv(v[0], v.data());
    ::_exit(127);
  }
  // True once the run has stopped itself at its pause point (10 s at most).
  bool Paused() const {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      const pid_t r = ::waitpid(Pid, &status, WUNTRACED | WNOHANG);
      if (r == Pid) return WIFSTOPPED(status);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Sends `signal` (0: none) and lets the run go on; its exit status, or
  // 128 + the signal that ended it.
  int Finish(int signal = 0) {
    if (signal != 0) ::kill(Pid, signal);
    ::kill(Pid, SIGCONT);
    int status = 0;
    ::waitpid(Pid, &status, 0);
    Pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string Err() const { return ReadFile(Io / "err"); }
  ~Background() {
    if (Pid > 0) Finish(SIGKILL);
  }
};

// Killed while the head of kurvex.out is written (its helper threads at
// work), before the first row of kurvex.cal is named, and while the image
// is written: each signal ends the run as it would any program, the earlier
// files stay, and nothing else is left.
TEST(ResultFiles, KilledRunsLeaveNothingBehind) {
  struct Case {
    const char* pause;
    int signal;
    std::string script;
  };
  const Case cases[] = {{"kurvex.out", SIGINT, "q"},   {"kurvex.out", SIGTERM, "2 q"},
                        {"kurvex.cal", SIGHUP, "F3 q"}, {"kurvex.cal", SIGTERM, "F3 q"},
                        {"image", SIGTERM, "F4 q"},    {"image", SIGINT, "F3 F4 q"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pause) + " " + std::to_string(c.signal));
    Session s("", LongData(10000));
    WriteFile(s / "kurvex.out", "earlier\n");
    WriteFile(s / "kurvex.cal", "earlier\n");
    const std::set<std::string> before = FilesIn(s.Path());
    Background run(s, {"d.dat"}, c.script, c.pause);
    ASSERT_TRUE(run.Paused());
    EXPECT_EQ(run.Finish(c.signal), 128 + c.signal);
    // Only a row completed before the moment replaces kurvex.cal.
    if (std::string(c.pause) != "image" || c.script.find("F3") == std::string::npos) {
      EXPECT_EQ(s.Read("kurvex.cal"), "earlier\n");
    }
    if (std::string(c.pause) == "kurvex.out") {
      EXPECT_EQ(s.Read("kurvex.out"), "earlier\n");
    }
    std::set<std::string> after = FilesIn(s.Path());
    after.erase("kurvex.log");
    EXPECT_EQ(after, before);
  }
}

// A protected file is not replaced, as the plain truncating open would not
// have emptied it; a file of another user, writable by all, is written in
// place and keeps its owner, also in a shared sticky folder, where no one
// may rename another user's file.
TEST(ResultFiles, ProtectedAndForeignFiles) {
  const bool root = AsRootWithSetpriv();
  if (::geteuid() == 0 && !root) GTEST_SKIP() << "needs setpriv to run as an unprivileged user";
  struct Case {
    const char* name;
    std::string protect;  // the file made read-only
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"protected result file", "kurvex.out", 2, "kurvex: kurvex.out: Permission denied\n"},
      {"protected required-values file", "kurvex.cal", 2, "kurvex: kurvex.cal: Permission denied\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s("", graphtest::SineData());
    ::chmod(s.Path().c_str(), 0777);
    for (const char* name : {"kurvex.out", "kurvex.cal"}) {
      WriteFile(s / name, "earlier\n");
      ::chmod((s / name).c_str(), name == c.protect ? 0444 : 0666);
    }
    Background run(s, {"d.dat"}, "F3 q", "", root);
    EXPECT_EQ(run.Finish(), c.status);
    EXPECT_EQ(run.Err(), c.err);
    EXPECT_EQ(s.Read(c.protect), "earlier\n");
  }
  if (!root) return;
  for (const mode_t folder : {0777, 01777}) {
    SCOPED_TRACE(folder);
    Session s("", graphtest::SineData());
    ::chmod(s.Path().c_str(), folder);
    for (const char* name : {"kurvex.out", "kurvex.cal"}) {
      WriteFile(s / name, "earlier\n");
      ::chmod((s / name).c_str(), 0666);
    }
    Background run(s, {"d.dat"}, "F3 q", "", true);
    EXPECT_EQ(run.Finish(), 0) << run.Err();
    for (const char* name : {"kurvex.out", "kurvex.cal"}) {
      struct stat st;
      ASSERT_EQ(::stat((s / name).c_str(), &st), 0);
      EXPECT_EQ(st.st_uid, 0u) << name;
      EXPECT_NE(s.Read(name), "earlier\n") << name;
    }
  }
}

// Two runs in one folder. On the same files the second stops at once and
// writes nothing; with logs of their own, a run started while another holds
// kurvex.out stops at its start too, whether the file was there before
// (held from the first run's start) or not (an empty file holds it until
// the first result replaces it). Images are numbered exclusively, so two
// runs never take the same number.
TEST(ResultFiles, TwoRunsInOneFolder) {
  Session s("", graphtest::SineData());
  Background first(s, {"d.dat"}, "F3 F4 q", "image");
  ASSERT_TRUE(first.Paused());
  const std::string log = s.Read("kurvex.log"), out = s.Read("kurvex.out"), cal = s.Read("kurvex.cal");
  testutil::RunResult second = s.Run("F3 q");
  EXPECT_EQ(second.Status, 2);
  EXPECT_EQ(second.Err, "kurvex: kurvex.out: " + kInUse + "\n");
  second = s.Run("q", {"-c", "OutputFileName=other.out", "d.dat"});
  EXPECT_EQ(second.Err, "kurvex: kurvex.cal: " + kInUse + "\n");
  second = s.Run("q", {"-c", "OutputFileName=other.out", "-c", "CalcDataFileName=other.cal", "d.dat"});
  EXPECT_EQ(second.Err, "kurvex: kurvex.log: " + kInUse + "\n");
  EXPECT_EQ(s.Read("kurvex.log"), log);
  EXPECT_EQ(s.Read("kurvex.out"), out);
  EXPECT_EQ(s.Read("kurvex.cal"), cal);
  EXPECT_FALSE(s.Has("other.out"));
  EXPECT_EQ(first.Finish(), 0);

  for (const bool earlier : {true, false}) {
    SCOPED_TRACE(earlier);
    Session t("", graphtest::SineData());
    if (earlier) WriteFile(t / "kurvex.out", "earlier\n");
    Background a(t, {"-c", "LogFileName=a.log", "d.dat"}, "q", "kurvex.out");
    ASSERT_TRUE(a.Paused());
    const testutil::RunResult b = t.Run("2 q", {"-c", "LogFileName=b.log", "d.dat"});
    EXPECT_EQ(b.Status, 2);
    EXPECT_EQ(b.Err, "kurvex: kurvex.out: " + kInUse + "\n");
    EXPECT_FALSE(t.Has("b.log"));
    EXPECT_EQ(a.Finish(), 0);
    EXPECT_EQ(t.Lines("kurvex.out").at(1), "Task: d.dat x1 y2 r0 e0 .");
    EXPECT_FALSE(t.Has("kurvex.cal"));  // the empty file that held it is gone
  }

  std::string f4;
  for (int i = 0; i < 30; ++i) f4 += "F4 ";
  const auto own = [](const std::string& n) {
    return std::vector<std::string>{"-c", "LogFileName=" + n + ".log", "-c", "OutputFileName=" + n + ".out",
                                    "-c", "CalcDataFileName=" + n + ".cal", "d.dat"};
  };
  Background left(s, own("l"), f4 + "q", "");
  Background right(s, own("r"), f4 + "q", "");
  EXPECT_EQ(left.Finish(), 0);
  EXPECT_EQ(right.Finish(), 0);
  int images = 0;
  for (const std::string& name : FilesIn(s.Path())) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".png") continue;
    ++images;
    EXPECT_TRUE(pngread::ReadPng(s / name).Valid()) << name;
  }
  EXPECT_EQ(images, 1 + 60);
}

// Where a folder cannot hold unnamed files, the new file has a temporary
// name beside the old one: a published file takes its place, and a failed
// write or any signal that ends a process by default (a user's, a shell's
// or a batch scheduler's: SIGXCPU is a CPU-time limit) removes it.
TEST(ResultFiles, TemporaryNamesAreRemovedAtEveryEnding) {
  for (const int ending : {0, 1, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU,
                           SIGVTALRM, SIGPROF}) {
    SCOPED_TRACE(ending);
    testutil::TempDir dir;
    WriteFile(dir / "kurvex.out", "earlier\n");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(::open("/dev/null", O_WRONLY), 2);
      const struct rlimit noCore{0, 0};
      ::setrlimit(RLIMIT_CORE, &noCore);
      base::UseUnnamedFiles = false;
      base::RemoveTemporaryNamesOnSignals();
      base::ReplacementFile f;
      base::OpenReplacement(f, dir / "kurvex.out");
      std::fputs("new\n", f.File);
      std::fflush(f.File);
      if (ending == 1) base::FailReplacement(f, ENOSPC);
      if (ending > 1) ::raise(ending);
      base::PublishReplacement(f);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (ending > 1) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == ending);
    } else {
      EXPECT_EQ(WEXITSTATUS(status), ending == 0 ? 0 : 2);
    }
    EXPECT_EQ(ReadFile(dir / "kurvex.out"), ending == 0 ? "new\n" : "earlier\n");
    EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"kurvex.out"});
  }
}

}  // namespace
