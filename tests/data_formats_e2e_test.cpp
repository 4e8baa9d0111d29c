// Whole runs on the files scientists have: the same numbers as a CSV
// export with a header and quoted text, semicolons with decimal commas
// under a units line, tabs under an instrument's header, each of them
// compressed, each read by its keys and by AUTO. The run log, kurvex.out
// and kurvex.cal are those of the plain blank-separated file, byte for
// byte. Bad input says what is wrong.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "graph_e2e_support.h"

namespace {

using graphtest::Session;

// Rows of x, y and an error in millionths of the Y range; `sep` between
// the fields, decimal commas when asked.
std::string Rows(const std::string& sep, bool decimalComma, const std::string& note = "") {
  std::string text;
  char row[128];
  for (int i = 0; i < 80; ++i) {
    std::snprintf(row, sizeof row, "%.3f%s%.5f%s%.1f", i * 0.125, sep.c_str(),
                  std::sin(i * 0.125) * std::exp(-i * 0.01) + 0.01 * ((i * 37) % 11 - 5), sep.c_str(),
                  8000.0 + (i * 53) % 4000);
    std::string r = row;
    if (decimalComma)
      for (char& c : r)
        if (c == '.') c = ',';
    text += r + (note.empty() ? "" : sep + note) + "\r\n";
  }
  return text;
}

std::string Gzip(const std::string& text) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, text.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct Results {
  std::string Log, Out, Cal;
};

Results RunOn(const std::string& data, const std::vector<std::string>& options) {
  Session s("ColumnError=3");
  testutil::WriteFile(s / "d.dat", data);
  std::vector<std::string> args = options;
  args.push_back("d.dat");
  const testutil::RunResult r = s.Run("F2 F3 F2 F2 F3 2 F3 q", args);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  return {s.Read("kurvex.log"), s.Read("kurvex.out"), s.Read("kurvex.cal")};
}

TEST(DataFormatsRun, EveryKindOfFileGivesThePlainFilesResults) {
  // The plain file has as many header lines: each counts as a row that
  // gives no numbers, in the allocation lines of the log too.
  const auto plain = [](int headerLines) {
    std::string text;
    for (int i = 0; i < headerLines; ++i) text += "header line\n";
    return RunOn(text + Rows(" ", false), {});
  };
  const Results one = plain(1), twentyOne = plain(21);
  ASSERT_NE(one.Out.find("Maximum"), std::string::npos);
  std::string header;
  for (int i = 0; i < 20; ++i) header += "Instrument line " + std::to_string(i) + ": gain 1.5, offset 0\n";
  const std::vector<std::string> names = {"-c", "ColumnX=time", "-c", "ColumnY=U, V", "-c", "ColumnError=sigma"};
  const struct {
    const char* Kind;
    std::string Text;
    std::vector<std::string> Keys;  // AUTO takes the place of the first two
  } kinds[] = {
      {"comma CSV", "time,\"U, V\",sigma,note\n" + Rows(",", false, "\"ok, \"\"fine\"\"\""),
       {"-c", "ColumnSeparator=,"}},
      {"semicolons", "t / s;U / V;s / 1e-6\n" + Rows(";", true), {"-c", "ColumnSeparator=;", "-c", "DecimalComma=YES"}},
      {"tabs", header + "t\tU\ts\n" + Rows("\t", false), {"-c", "ColumnSeparator=TAB"}},
  };
  for (const auto& k : kinds)
    for (const bool packed : {false, true})
      for (const bool guessed : {false, true}) {
        SCOPED_TRACE(std::string(k.Kind) + (packed ? ", gzip" : "") + (guessed ? ", AUTO" : ""));
        std::vector<std::string> keys = guessed ? std::vector<std::string>{"-c", "ColumnSeparator=AUTO"} : k.Keys;
        if (k.Keys[1] == "ColumnSeparator=,") keys.insert(keys.end(), names.begin(), names.end());
        const Results r = RunOn(packed ? Gzip(k.Text) : k.Text, keys);
        const Results& p = k.Text.rfind(header, 0) == 0 ? twentyOne : one;
        EXPECT_EQ(r.Log, p.Log);
        EXPECT_EQ(r.Out, p.Out);
        EXPECT_EQ(r.Cal, p.Cal);
      }
}

// What a user did wrong is said on standard error (and the log, for a
// stop): never a silent default or a short read.
TEST(DataFormatsRun, BadInputIsNamed) {
  const struct {
    std::string Data;
    std::vector<std::string> Keys;
    int Status;
    std::string Err, LastLogLine;
  } cases[] = {
      {Rows(" ", false), {"-c", "ColumnX=time"}, 1, "kurvex: Column \"time\" is not in d.dat\n",
       "Column \"time\" is not in d.dat"},
      {"1,2\n3,\"4\n5,6\n", {"-c", "ColumnSeparator=,"}, 1,
       "kurvex: d.dat: the quote opened in row 2 is never closed: the rest of the file is one field\n"
       "kurvex: The number of data is less than two!\n",
       "The number of data is less than two!"},
      {"x,y\n1.5,2\n3,4\n", {"-c", "ColumnSeparator=,;"}, 1,
       "kurvex: The number of data is less than two!\n"
       "kurvex: A comma stands between digits in line 2 of the data file: try -c ColumnSeparator=AUTO "
       "(or set ColumnSeparator and DecimalComma)\n",
       "The number of data is less than two!"},
      {Gzip(Rows(" ", false)).substr(0, 400), {}, 2, "kurvex: d.dat: compressed data: unexpected end of file\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Err);
    Session s("");
    testutil::WriteFile(s / "d.dat", c.Data);
    std::vector<std::string> args = c.Keys;
    args.push_back("d.dat");
    const testutil::RunResult r = s.Run("q", args);
    EXPECT_EQ(r.Status, c.Status);
    EXPECT_EQ(r.Err, c.Err);
    EXPECT_FALSE(s.Has("kurvex.out"));
    if (!c.LastLogLine.empty()) {
      EXPECT_EQ(s.Lines("kurvex.log").back(), c.LastLogLine);
    }
  }
}

// The report says how the rows were read when a key chose the format.
TEST(DataFormatsRun, TheReportSaysWhatAutoChose) {
  Session s("");
  testutil::WriteFile(s / "d.dat", "t;U\n" + Rows(";", true));
  ASSERT_EQ(s.Run("q", {"-c", "ColumnSeparator=auto", "-c", "ReportFileName=r.json", "d.dat"}).Status, 0);
  EXPECT_NE(s.Read("r.json").find("\"separator\": \";\",\n    \"decimal_mark\": \",\",\n    \"format_guessed\": true"),
            std::string::npos)
      << s.Read("r.json");
}

}  // namespace
