// File names from the data file (%n) and the tables that many runs share,
// end to end: runs side by side under GNU parallel add whole rows that
// equal their own reports, runs killed at any moment leave only whole
// lines, and a table that cannot be written stops the run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "base/append_file.h"
#include "graph_e2e_support.h"
#include "test_util.h"

namespace {

using testutil::RunProgram;
using testutil::RunResult;

const std::string kTables = "-c FitTableFileName=fits.csv -c MarkTableFileName=marks.csv";
// Every run in one folder needs files of its own: a second run on the same
// kurvex.out would stop as "in use".
const std::string kOwnFiles =
    "-c LogFileName=%n.log -c OutputFileName=%n.out -c CalcDataFileName=%n.cal -c ReportFileName=%n.json";

// 30 noisy points of a wave that differs from file to file.
std::string WaveData(int32_t file) {
  std::mt19937 noise(static_cast<uint32_t>(file));
  std::normal_distribution<double> e(0, 0.05);
  std::string rows;
  char line[64];
  for (int32_t i = 0; i < 30; ++i) {
    std::snprintf(line, sizeof line, "%d %.6f\n", i, std::sin(0.25 * i + 0.1 * file) + e(noise));
    rows += line;
  }
  return rows;
}

// The data files f000.dat ... in `dir`, one with a comma and a quote in its
// name, which its table field must quote.
std::vector<std::string> MakeDataFiles(const testutil::TempDir& dir, int32_t count) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, i == 7 ? "f,\"%03d\".dat" : "f%03d.dat", i);
    testutil::WriteFile(dir / name, WaveData(i));
    names.push_back(name);
  }
  return names;
}

// A command line through the shell in `dir`; GNU parallel keeps its own
// files there.
RunResult Shell(const testutil::TempDir& dir, const std::string& command) {
  return RunProgram(dir.Path(), {"/bin/sh", "-c", "PARALLEL_HOME=\"$PWD/.parallel\" " + command}, "",
                    "/bin/sh", 240);
}

// The fields of one CSV line (RFC 4180 quoting, no line ends inside).
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
    else if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

// A table's lines after its header; every line must end with a line end
// and have `fields` fields.
std::vector<std::vector<std::string>> TableRows(const std::string& path, std::size_t fields) {
  const std::string text = testutil::ReadFile(path);
  std::vector<std::vector<std::string>> rows;
  EXPECT_TRUE(text.empty() || text.back() == '\n') << path << " ends inside a line";
  std::size_t at = text.find('\n') + 1;  // past the header
  for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    rows.push_back(CsvFields(text.substr(at, end - at)));
    EXPECT_EQ(rows.back().size(), fields) << text.substr(at, end - at);
  }
  return rows;
}

// The marks of a report as table rows: the members' texts in the table's
// order, a null as an empty field, no "significant" as an empty field.
std::vector<std::vector<std::string>> ReportMarkRows(const std::string& report, const std::string& dataFile,
                                                    const std::string& fit) {
  std::vector<std::vector<std::string>> rows;
  const std::size_t from = report.find("\"marks\": ["), to = report.find("\"cursor\": [");
  const std::string marks = report.substr(from, to - from);
  const std::regex object(R"(\{([^}]*)\})"), member(R"re("(\w+)": ("?)([^",\n]*)\2)re");
  for (std::sregex_iterator o(marks.begin(), marks.end(), object), end; o != end; ++o) {
    std::map<std::string, std::string> m;
    const std::string body = (*o)[1];
    for (std::sregex_iterator v(body.begin(), body.end(), member); v != end; ++v)
      m[(*v)[1]] = (*v)[3] == "null" ? "" : std::string((*v)[3]);
    rows.push_back({dataFile, fit});
    for (const char* key : {"kind", "x", "sigma_x", "y", "sigma_y", "d1", "d2", "d3", "z", "significant"})
      rows.back().push_back(m[key]);
  }
  return rows;
}

// Each file's mark rows, in the table's order.
std::map<std::string, std::vector<std::vector<std::string>>> ByDataFile(
    const std::vector<std::vector<std::string>>& rows) {
  std::map<std::string, std::vector<std::vector<std::string>>> by;
  for (const auto& r : rows) by[r[0]].push_back(r);
  return by;
}

// The runs' names: the data file's name without its extension, the
// others' as given.
TEST(FileNamesFromTheDataFile, LogAndResultFilesTakeTheDataFilesName) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> made, notMade;
  };
  const std::vector<std::string> keys = {"-c", "OutputFileName=%n.out", "-c", "LogFileName=%n.log"};
  const Case cases[] = {
      {"named on the command line", {"d.dat"}, "", {"d.out", "d.log"}, {"kurvex.out", "kurvex.log"}},
      // The log is open before the prompt is answered: %n is "kurvex" there.
      {"chosen at the prompt", {}, "d.dat\n", {"d.out", "kurvex.log"}, {"kurvex.out", "d.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    graphtest::Session s("", graphtest::SineData());
    std::vector<std::string> args = keys;
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = s.Run(c.input, args);
    EXPECT_EQ(r.Status, 0) << r.Err;
    for (const std::string& f : c.made) EXPECT_TRUE(s.Has(f)) << f;
    for (const std::string& f : c.notMade) EXPECT_FALSE(s.Has(f)) << f;
  }
}

// 200 runs, four at a time, into one fit table and one mark table.
TEST(SharedTables, ConcurrentRunsAddWholeRowsEqualToTheirReports) {
  testutil::TempDir dir;
  const std::vector<std::string> files = MakeDataFiles(dir, 200);
  const RunResult r = Shell(dir, "parallel -j 4 '" KURVEX_BINARY " --batch -c ErrorValue=0.05 " + kTables +
                                     " " + kOwnFiles + " {} < /dev/null' ::: f*.dat");
  ASSERT_EQ(r.Status, 0) << r.Err;
  const auto fits = TableRows(dir / "fits.csv", 13);
  const auto marks = ByDataFile(TableRows(dir / "marks.csv", 12));
  ASSERT_EQ(fits.size(), files.size());
  EXPECT_EQ(testutil::ReadLines(dir / "fits.csv")[0],
            "data_file,task,status,iterations,n,criterion,p,lambda,chi2,edf,base_error,average_deviation,marks");
  std::map<std::string, std::string> markCount;
  for (const auto& f : fits) markCount[f[0]] = f[12];
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const std::string report = testutil::ReadFile(dir / (file.substr(0, file.size() - 4) + ".json"));
    const auto expected = ReportMarkRows(report, file, "1");
    ASSERT_FALSE(expected.empty());
    const auto found = marks.find(file);
    ASSERT_NE(found, marks.end());
    EXPECT_EQ(found->second, expected);
    EXPECT_EQ(markCount[file], std::to_string(expected.size()));
  }
}

// A run that refits (the factor key 2) adds the rows of each fit, numbered;
// with MarkSignificance every mark says whether it reaches it.
TEST(SharedTables, EachFitOfARunAddsItsRows) {
  graphtest::Session s("", WaveData(3));
  const RunResult r = s.Run("2 q", {"-c", "ErrorValue=0.05", "-c", "MarkSignificance=1.96", "-c",
                                    "FitTableFileName=fits.csv", "-c", "MarkTableFileName=marks.csv", "-c",
                                    "ReportFileName=r.json", "d.dat"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(TableRows(s / "fits.csv", 13).size(), 2u);
  std::vector<std::vector<std::string>> second;
  for (const auto& row : TableRows(s / "marks.csv", 12)) {
    EXPECT_TRUE(row[1] == "1" || row[1] == "2") << row[1];
    EXPECT_TRUE(row[11] == "true" || row[11] == "false") << row[11];
    if (row[1] == "2") second.push_back(row);
  }
  EXPECT_EQ(second, ReportMarkRows(s.Read("r.json"), "d.dat", "2"));
}

// Runs killed (SIGKILL) at random moments, from their start to well past
// the time a whole run takes here (measured first, so that a slow build
// kills as many runs and lets as many finish): whatever reached the tables
// is whole lines.
TEST(SharedTables, KilledRunsLeaveOnlyWholeLines) {
  testutil::TempDir dir;
  const std::vector<std::string> files = MakeDataFiles(dir, 200);
  const std::string run = KURVEX_BINARY " --batch -c ErrorValue=0.05 " + kTables + " " + kOwnFiles;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Shell(dir, run + " f000.dat < /dev/null").Status, 0);
  const double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(std::random_device{}());
  std::uniform_real_distribution<double> moment(0.001, 3 * whole);
  std::string jobs;
  for (const std::string& f : files) jobs += std::to_string(moment(random)) + " " + f + "\n";
  testutil::WriteFile(dir / "jobs", jobs);
  const RunResult r = Shell(dir, "parallel -j 4 --colsep ' ' 'timeout -s KILL {1} " + run + " {2} < /dev/null' :::: jobs");
  EXPECT_NE(r.Status, 0) << "no run was killed";
  const std::size_t rows = TableRows(dir / "fits.csv", 13).size();
  TableRows(dir / "marks.csv", 12);
  EXPECT_GT(rows, 1u) << "no run but the first one finished";
  std::printf("%zu of %zu runs added their fit row (a whole run: %.3f s)\n", rows - 1, files.size(), whole);
}

// A table in a folder the run may not write: the stop of a file that
// cannot be written, naming it.
// What a kill can leave at a table's end, and what the next addition
// makes of it: a cut row (or header) of a table is taken away; the text of
// any other file is kept, the new rows begin on a line of their own.
TEST(SharedTables, AnAdditionMendsARowCutByAKill) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"", "h,k\n1,2\n"},
      {"h,k\n0,1\n", "h,k\n0,1\n1,2\n"},
      {"h,k\n0,1\n0,", "h,k\n0,1\n1,2\n"},
      {"h,", "h,k\n1,2\n"},
      {"mine\nno end", "mine\nno end\n1,2\n"},
  };
  testutil::TempDir dir;
  for (const auto& c : cases) {
    const std::string name = dir / "t.csv";
    testutil::WriteFile(name, c.before);
    base::AppendLines(name, "h,k\n", "1,2\n");
    EXPECT_EQ(testutil::ReadFile(name), c.after) << c.before;
  }
}

TEST(SharedTables, ATableThatCannotBeWrittenStopsTheRun) {
  graphtest::Session s("", graphtest::SineData());
  ::chmod(s.Path().c_str(), 0777);
  ::mkdir((s / "ro").c_str(), 0555);
  for (const char* key : {"FitTableFileName", "MarkTableFileName"}) {
    SCOPED_TRACE(key);
    const RunResult r = s.RunUnprivileged("q", {"-c", std::string(key) + "=ro/t.csv", "d.dat"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "kurvex: ro/t.csv: Permission denied\n");
  }
}

}  // namespace
