// Batch use from scripts and terminals, end to end: options on the command
// line, closed or broken standard streams, and read errors on standard
// input. A batch run never waits for anything but its input, and every
// stream trouble leaves the files exactly as an ordinary run does.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "graph_e2e_support.h"

namespace {

using testutil::ReadFile;
using testutil::RunResult;
using testutil::WriteFile;

using graphtest::Session;

// A session folder without kurvex.cfg: only the command line sets keys.
struct Bare : Session {
  Bare() : Session("", graphtest::SineData()) { Remove("kurvex.cfg"); }
};

TEST(Batch, CommandLineSettingsActLikeTheConfigurationAndWinOverIt) {
  Session inFile("ErrorValue=0.02\nLogFileName=run.log", graphtest::SineData());
  ASSERT_EQ(inFile.Run("F3 q").Status, 0);
  Session onLine("ErrorValue=0.5", graphtest::SineData());
  const RunResult r = onLine.Run(
      "F3 q", {"--batch", "-c", "ErrorValue=0.02", "-cLog File Name=run.log", "d.dat"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  for (const char* name : {"kurvex.out", "kurvex.cal", "run.log"})
    EXPECT_EQ(onLine.Read(name), inFile.Read(name)) << name;

  // No kurvex.cfg at all: --batch alone runs without a window, and an
  // empty value lets the defaults apply.
  Bare bare;
  const RunResult b = bare.Run("", {"--batch", "-c", "OutputFileName=", "d.dat"});
  EXPECT_EQ(b.Status, 0) << b.Err;
  EXPECT_EQ(bare.Lines("kurvex.log").size(), 8u);
  EXPECT_FALSE(bare.Read("kurvex.out").empty());

  // Positional arguments after the options keep their meaning: -3 skips
  // nothing and hides the marks.
  const RunResult p = bare.Run("", {"--batch", "d.dat", "1", "2", "-3"});
  EXPECT_EQ(p.Status, 0) << p.Err;
  EXPECT_EQ(bare.Lines("kurvex.out").at(1).rfind("Task: d.dat x1 y2 r-3 ", 0), 0u);
}

TEST(Batch, UsageErrorsWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"-x", "d.dat"}, "kurvex: unknown option \"-x\""},
      {{"--HELP"}, "kurvex: unknown option \"--HELP\""},
      {{"-c", "ErrorValue", "d.dat"}, "kurvex: -c needs KEY=VALUE, not \"ErrorValue\""},
      {{"-c", " =1", "d.dat"}, "kurvex: -c needs KEY=VALUE, not \" =1\""},
      {{"--batch", "-c"}, "kurvex: -c needs KEY=VALUE"},
  };
  for (const Case& c : cases) {
    Session f("", graphtest::SineData());
    const RunResult r = f.Run("q\n", c.args);
    EXPECT_EQ(r.Status, 2) << c.message;
    EXPECT_EQ(r.Err.substr(0, r.Err.find('\n')), c.message);
    EXPECT_NE(r.Err.find("\nUsage: kurvex [OPTION...]"), std::string::npos) << c.message;
    EXPECT_FALSE(f.Has("kurvex.log")) << c.message;
  }
}

// Closed standard streams are opened on /dev/null before any file is, so
// the log and kurvex.cal never take their numbers; a pipe whose reader has
// gone fails the writes to it, which the run passes over.
TEST(Batch, ClosedAndBrokenStandardStreamsChangeNoFile) {
  const std::string cfg = "ErrorValue=0.02";
  // The unknown word writes to standard error at a time the log is open.
  const std::string script = "nonsense F3 nonsense F2 F3 q";
  Session open(cfg, graphtest::SineData());
  ASSERT_EQ(open.Shell("\"$0\" d.dat", script).Status, 0);
  for (const char* redirect : {"2>&-", ">&- 2>&-", "<&- >&- 2>&-", "2>&1 | true"}) {
    SCOPED_TRACE(redirect);
    Session f(cfg, graphtest::SineData());
    const std::string command = std::string("\"$0\" d.dat ") + redirect + "; echo status $?";
    const bool stdinClosed = std::string(redirect).find("<&-") != std::string::npos;
    const RunResult r =
        f.Shell(std::string("echo '") + script + "' | { " + command + "; }", "");
    EXPECT_NE(r.Out.find("status 0"), std::string::npos) << r.Out << r.Err;
    EXPECT_EQ(f.Read("kurvex.log"), open.Read("kurvex.log"));
    EXPECT_EQ(f.Read("kurvex.out"), open.Read("kurvex.out"));
    if (!stdinClosed) {
      EXPECT_EQ(f.Read("kurvex.cal"), open.Read("kurvex.cal"));
    }
  }
}

TEST(Batch, ReadErrorsAndBrokenPipesAreFileFailures) {
  Session f("", graphtest::SineData());
  // Standard input that cannot be read is no end of input.
  RunResult r = f.Shell("\"$0\" d.dat < /tmp");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "kurvex: standard input: Is a directory\n");
  EXPECT_EQ(f.Lines("kurvex.log").back(), "Sorting ...");
  // The same when the data file's name is to be read from it.
  r = f.Shell("\"$0\" < /tmp");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "Open data file: kurvex: standard input: Is a directory\n");

  // kurvex.out a FIFO whose reader reads one line and goes: far more than
  // a pipe holds is still to be written then.
  Session fifo("");
  std::string rows;
  for (int i = 0; i < 5000; ++i) rows += std::to_string(i) + " " + std::to_string(i % 7) + "\n";
  WriteFile(fifo / "d.dat", rows);
  ASSERT_EQ(::mkfifo((fifo / "kurvex.out").c_str(), 0600), 0);
  r = fifo.Shell("head -n 1 kurvex.out > /dev/null & \"$0\" d.dat; echo status $?; wait", "q");
  EXPECT_NE(r.Out.find("status 2"), std::string::npos) << r.Out;
  EXPECT_EQ(r.Err, "kurvex: kurvex.out: Broken pipe\n");
}

// "click 12.5 3" is dropped whole; its "3" must not triple the errors.
TEST(Batch, BrokenMouseCommandsChangeNothing) {
  Session plain("", graphtest::SineData()), broken("", graphtest::SineData());
  ASSERT_EQ(plain.Run("F3 q").Status, 0);
  const RunResult r = broken.Run("click 12.5 3 F3 click 99999999999 2x move 1e3 0 q");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 3) << r.Err;
  EXPECT_EQ(broken.Read("kurvex.out"), plain.Read("kurvex.out"));
  EXPECT_EQ(broken.Read("kurvex.cal"), plain.Read("kurvex.cal"));
}

}  // namespace
