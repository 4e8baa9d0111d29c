// Failing disks end to end: every output file (log, spline data file,
// required-values file, image) in a directory the user may not write, on a
// full device and on a small file system that fills up, and input files
// that exist but cannot be read. Each run ends with the fatal report on
// standard error and status 2, or with the program's own stop; it never
// hangs, and the files it completed before stay as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "graph_e2e_support.h"

namespace {

using testutil::FileExists;
using testutil::ReadFile;
using testutil::RunResult;
using testutil::WriteFile;

const std::string kSetpriv = "/usr/bin/setpriv";
const std::string kUnshare = "/usr/bin/unshare";
const std::string kImageStop = "The image file creating has failed!";

bool CanDropPrivileges() { return ::geteuid() != 0 || ::access(kSetpriv.c_str(), X_OK) == 0; }

// A working directory that an unprivileged user can use, holding the
// configuration, the data file, a link to the program (images go beside
// it) and `w/`, a directory everyone may write.
struct Workplace : graphtest::Session {
  explicit Workplace(const std::string& cfg) : Session(cfg, graphtest::SineData()) {
    ::chmod(Path().c_str(), 0755);
    ::mkdir((*this / "w").c_str(), 0777);
    ::chmod((*this / "w").c_str(), 0777);
  }
  RunResult Run(const std::string& script) const { return Session::Run(script); }
};

std::vector<std::string> PngsUnder(const std::string& dir) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.path().extension() == ".png") found.push_back(e.path().string());
  return found;
}

// What one injected fault must end with.
struct FaultCase {
  const char* name;
  std::string cfg;     // where the files go
  std::string script;
  int status;
  std::string err;     // the last line of standard error
  std::string lastLog; // the last line of the log that was kept ("" for no log)
};

void ExpectOutcome(const FaultCase& c, const RunResult& r, const std::string& logPath) {
  EXPECT_EQ(r.Status, c.status) << r.Err;
  std::string err = r.Err;
  while (!err.empty() && err.back() == '\n') err.pop_back();
  EXPECT_EQ(err.substr(err.rfind('\n') == std::string::npos ? 0 : err.rfind('\n') + 1), c.err);
  if (c.lastLog.empty()) return;
  const std::vector<std::string> log = testutil::ReadLines(logPath);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), c.lastLog);
}

// ---- A directory the user may not write -----------------------------------

// The working directory and the program's directory are read-only; each
// case sends all files but one to the writable `w/`. An earlier result in
// the read-only directory stays as it was.
TEST(ReliabilityIo, ReadOnlyDirectory) {
  if (!CanDropPrivileges()) GTEST_SKIP() << "needs setpriv to run as an unprivileged user";
  const std::string toW = "LogFileName=w/run.log\nOutputFileName=w/kurvex.out\nCalcDataFileName=w/kurvex.cal\n";
  const std::vector<FaultCase> cases = {
      {"log", "", "q", 2, "kurvex: kurvex.log: Permission denied", ""},
      {"spline data file", "LogFileName=w/run.log", "q", 2, "kurvex: kurvex.out: Permission denied",
       "Sorting ..."},
      {"required-values file", "LogFileName=w/run.log\nOutputFileName=w/kurvex.out", "F3 q", 2,
       "kurvex: kurvex.cal: Permission denied", "Sorting ..."},
      {"image", toW, "F3 F4 q", 1, "", kImageStop},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Workplace wp(c.cfg);
    for (const char* old : {"kurvex.log", "kurvex.out", "kurvex.cal"}) WriteFile(wp / old, "earlier result\n");
    ::chmod(wp.Path().c_str(), 0555);
    const RunResult r = wp.RunUnprivileged(c.script);
    ::chmod(wp.Path().c_str(), 0755);
    FaultCase expected = c;
    if (expected.err.empty()) expected.err = "kurvex: " + kImageStop + " (" + wp.Path() + "/kurvi000.png)";
    ExpectOutcome(expected, r, wp / "w/run.log");
    for (const char* old : {"kurvex.log", "kurvex.out", "kurvex.cal"})
      EXPECT_EQ(ReadFile(wp / old), "earlier result\n") << old;
    EXPECT_TRUE(PngsUnder(wp.Path()).empty());
    if (c.status == 1) {
      // The image failed after both result files were complete.
      EXPECT_EQ(testutil::ReadLines(wp / "w/kurvex.cal").size(), 4u);
      EXPECT_NE(ReadFile(wp / "w/kurvex.out").find("Data of Ax^3"), std::string::npos);
    }
  }
}

// ---- A full device ------------------------------------------------------------

// Every write to /dev/full fails with ENOSPC; the log case is covered with
// the other file failures of the driver.
TEST(ReliabilityIo, FullDevice) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const std::vector<FaultCase> cases = {
      {"spline data file", "OutputFileName=/dev/full", "q", 2,
       "kurvex: /dev/full: No space left on device", "Sorting ..."},
      {"required-values file", "CalcDataFileName=/dev/full", "F3 q", 2,
       "kurvex: /dev/full: No space left on device", "Sorting ..."},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Workplace wp(c.cfg);
    ExpectOutcome(c, wp.Run(c.script), wp / "kurvex.log");
  }
}

// ---- A small file system that fills up ----------------------------------------

// Runs the program in a private mount namespace with a tmpfs of `pages`
// pages at `full/`, of which `fillerBytes` are taken first, after a page each
// for an earlier kurvex.out and kurvex.cal ("earlier"), and with `noInodes`
// every inode too; afterwards the tmpfs's files are copied to `kept/` (the
// mount ends with the run).
RunResult RunOnSmallDisk(const Workplace& wp, int pages, int fillerBytes, const std::string& script,
                         bool noInodes = false) {
  ::mkdir((wp / "full").c_str(), 0755);
  ::mkdir((wp / "kept").c_str(), 0755);
  const std::string inodes = noInodes ? ",nr_inodes=8" : "";
  const std::string takeInodes =
      noInodes ? "i=0; while [ $i -lt 20 ] && touch full/i$i 2>/dev/null; do i=$((i+1)); done; " : "";
  const std::string shell =
      "mount -t tmpfs -o size=" + std::to_string(pages * 4) + "k" + inodes + " tmpfs full || exit 99; "
      "echo earlier > full/kurvex.out; echo earlier > full/kurvex.cal; "
      "head -c " + std::to_string(fillerBytes) + " /dev/zero > full/filler 2>/dev/null; " + takeInodes +
      "\"$0\" d.dat; status=$?; rm -f full/filler; cp -p full/* kept/ 2>/dev/null; exit $status";
  return testutil::RunProgram(wp.Path(), {kUnshare, "-m", "/bin/sh", "-c", shell, wp / "kurvex"},
                              script, kUnshare, 30);
}

// Only a probe that mounts, writes and reads back counts: unshare also
// fails in chroots whose root is no mount point and in containers without
// the right to mount, in ways of its own.
bool CanMountPrivately() {
  if (::geteuid() != 0 || ::access(kUnshare.c_str(), X_OK) != 0) return false;
  Workplace probe("");
  ::mkdir((probe / "full").c_str(), 0755);
  const RunResult r = testutil::RunProgram(
      probe.Path(),
      {kUnshare, "-m", "/bin/sh", "-c",
       "mount -t tmpfs -o size=8k tmpfs full && echo mounted > full/p && cat full/p"},
      "", kUnshare, 10);
  return r.Status == 0 && r.Out == "mounted\n";
}

TEST(ReliabilityIo, FileSystemFillsUp) {
  if (!CanMountPrivately()) GTEST_SKIP() << "needs root and unshare to mount a private tmpfs";
  const int kPage = 4096;
  const std::vector<FaultCase> cases = {
      // Not a byte left: the log's first line cannot be written.
      {"log", "LogFileName=full/run.log", "q", 2, "kurvex: full/run.log: No space left on device", ""},
      // A page left: the log fits, the spline data file does not.
      {"spline data file", "LogFileName=full/run.log\nOutputFileName=full/kurvex.out", "q", 2,
       "kurvex: full/kurvex.out: No space left on device", "Sorting ..."},
      {"required-values file", "CalcDataFileName=full/kurvex.cal", "F3 q", 2,
       "kurvex: full/kurvex.cal: No space left on device", "Sorting ..."},
      {"image", "ImageBaseFileName=full/kurvi", "F3 F4 q", 1, "", kImageStop},
      // No inode left: no new file can be made, and the old one is not
      // emptied instead.
      {"no inodes", "OutputFileName=full/kurvex.out", "q", 2,
       "kurvex: full/kurvex.out: No space left on device", "Sorting ..."},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Workplace wp(c.cfg);
    const bool pageLeft = std::string(c.name) == "spline data file";
    const bool noInodes = std::string(c.name) == "no inodes";
    const RunResult r = RunOnSmallDisk(wp, 8, (pageLeft ? 5 : 6) * kPage, c.script, noInodes);
    FaultCase expected = c;
    if (expected.err.empty()) expected.err = "kurvex: " + kImageStop + " (" + wp.Path() + "/full/kurvi000.png)";
    ExpectOutcome(expected, r, c.cfg.find("full/run.log") != std::string::npos ? wp / "kept/run.log" : wp / "kurvex.log");
    EXPECT_TRUE(PngsUnder(wp.Path()).empty());
    if (c.status == 1) {
      EXPECT_EQ(testutil::ReadLines(wp / "kurvex.cal").size(), 4u);
    }
    // The earlier results stay whole, and no temporary file is left.
    EXPECT_EQ(ReadFile(wp / "kept/kurvex.out"), "earlier\n");
    EXPECT_EQ(ReadFile(wp / "kept/kurvex.cal"), "earlier\n");
    for (const auto& e : std::filesystem::directory_iterator(wp / "kept")) {
      const std::string name = e.path().filename().string();
      EXPECT_NE(name.rfind("kurvex.out.", 0), 0u) << name;
      EXPECT_NE(name.rfind("kurvex.cal.", 0), 0u) << name;
    }
  }
}

// ---- Input files that exist but cannot be read ---------------------------------

// Reading /proc/self/mem from its start fails with EIO after a successful
// open: a read error in the middle of a file, without special hardware.
TEST(ReliabilityIo, InputThatFailsWhileReading) {
  if (!FileExists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem here";
  {
    Workplace wp("");
    ::unlink((wp / "kurvex.cfg").c_str());
    ASSERT_EQ(::symlink("/proc/self/mem", (wp / "kurvex.cfg").c_str()), 0);
    const RunResult r = wp.Run("q");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "kurvex: ./kurvex.cfg: Input/output error\n");
    EXPECT_FALSE(FileExists(wp / "kurvex.log"));  // the log's name is the first lookup
  }
  {
    Workplace wp("");
    ::unlink((wp / "d.dat").c_str());
    ASSERT_EQ(::symlink("/proc/self/mem", (wp / "d.dat").c_str()), 0);
    const RunResult r = wp.Run("q");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "kurvex: d.dat: Input/output error\n");
    EXPECT_EQ(testutil::ReadLines(wp / "kurvex.log").size(), 1u);
    EXPECT_FALSE(FileExists(wp / "kurvex.out"));
  }
}

// A data file the user may not read is the data-file stop, with its message.
TEST(ReliabilityIo, UnreadableDataFile) {
  if (!CanDropPrivileges()) GTEST_SKIP() << "needs setpriv to run as an unprivileged user";
  Workplace wp("LogFileName=w/run.log");
  ::chmod((wp / "d.dat").c_str(), 0);
  const RunResult r = wp.RunUnprivileged("q");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Stopped with error!"), std::string::npos) << r.Err;
  const std::vector<std::string> log = testutil::ReadLines(wp / "w/run.log");
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], "Input file (d.dat) cannot be read!");
  EXPECT_EQ(log[2], "Reason: Permission denied");
}

}  // namespace
