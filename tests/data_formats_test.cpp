// Data files as scientists have them: CSV with a header and quoted text,
// semicolons and decimal commas, tabs under an instrument's header, any of
// them compressed with gzip, and the format guessed (AUTO). Each gives the
// rows of the same numbers in a plain blank-separated file, bit for bit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "data/reader.h"
#include "test_util.h"

namespace {

struct Rows {
  int32_t Count = 0;
  std::vector<long double> X, Y, E;
};

// Opens, skips, counts, reopens and reads as a run does.
Rows ReadFile(const std::string& path, data::ColumnLayout c, int32_t omitted = 0) {
  auto in = std::make_unique<data::TextInput>();
  in->Name = path;
  std::string reason;
  EXPECT_TRUE(data::OpenInput(*in, path, reason)) << reason;
  data::SkipLines(*in, omitted);
  const int32_t bound = data::CountRows(*in, c.Format);
  data::CloseInput(*in);
  data::OpenInput(*in, path, reason);
  data::SkipLines(*in, omitted);
  Rows r;
  r.X.assign(bound + 1, 0), r.Y = r.E = r.X;
  r.Count = data::ReadRows(*in, c, r.X.data(), r.Y.data(), r.E.data(), bound);
  data::CloseInput(*in);
  r.X.resize(r.Count + 1), r.Y.resize(r.Count + 1), r.E.resize(r.Count + 1);
  return r;
}

// What DetectRowFormat finds after `omitted` lines of the file.
data::RowFormat Detect(const std::string& path, int32_t omitted, bool decimalComma = false) {
  auto in = std::make_unique<data::TextInput>();
  in->Name = path;
  std::string reason;
  data::OpenInput(*in, path, reason);
  data::SkipLines(*in, omitted);
  const data::RowFormat f = data::DetectRowFormat(*in, decimalComma);
  data::CloseInput(*in);
  return f;
}

void WriteGzip(const std::string& path, const std::string& text) {
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
}

TEST(DataFormats, EveryKindOfFileGivesThePlainFilesRows) {
  testutil::TempDir dir;
  const std::string plain = "0.1 2.5 0.01\n0.2 2.75 0.02\n0.3 -2.6e-3 0.015\n";
  testutil::WriteFile(dir / "plain.dat", plain);
  const Rows expected = ReadFile(dir / "plain.dat", {1, 2, 3, -1, {}});
  ASSERT_EQ(expected.Count, 3);
  std::string header;
  for (int i = 0; i < 20; ++i) header += "Instrument 7, channel " + std::to_string(i) + "\n";
  const struct {
    const char* Name;
    std::string Text;
    data::RowFormat Format;
    int32_t Omitted;
  } files[] = {
      {"comma.csv",
       "time,voltage,\"sigma, V\",note\r\n0.1,2.5,0.01,\"ok, \"\"fine\"\"\"\r\n"
       " 0.2 , 2.75 ,0.02,\r\n0.3,-2.6e-3,0.015,\"two\nlines\"\r\n",
       {',', false}, 0},
      {"semicolon.csv", "t / s;U / V;s / V\n0,1;2,5;0,01\n0,2;2,75;0,02\n0,3;-2,6e-3;0,015\n", {';', true}, 0},
      {"tab.txt", header + "t\tU\ts\n0.1\t2.5\t0.01\n0.2\t2.75\t0.02\n0.3\t-2.6e-3\t0.015\n", {'\t', false}, 20},
  };
  for (const auto& f : files) {
    testutil::WriteFile(dir / f.Name, f.Text);
    WriteGzip(dir / (std::string(f.Name) + ".gz"), f.Text);
    for (const std::string& name : {std::string(f.Name), std::string(f.Name) + ".gz"}) {
      SCOPED_TRACE(name);
      const data::RowFormat found = Detect(dir / name, f.Omitted);
      EXPECT_EQ(found.Separator, f.Format.Separator);
      EXPECT_EQ(found.DecimalComma, f.Format.DecimalComma);
      const Rows r = ReadFile(dir / name, {1, 2, 3, -1, f.Format}, f.Omitted);
      EXPECT_EQ(r.Count, expected.Count);
      EXPECT_EQ(r.X, expected.X);
      EXPECT_EQ(r.Y, expected.Y);
      EXPECT_EQ(r.E, expected.E);
    }
  }
}

// Field by field: an empty field still occupies its column, blanks around
// a field do not count, quotes hold separators and line ends.
TEST(DataFormats, FieldsFollowTheCsvRules) {
  testutil::TempDir dir;
  const struct {
    std::string Text;
    data::RowFormat Format;
    int32_t Count;
    long double FirstY, FirstE;
  } cases[] = {
      {"1,,3\n2,5,6\n", {',', false}, 1, 5, 6},           // row 1 has no Y
      {"1, 4 ,\n", {',', false}, 1, 4, -1},              // no error: the fill
      {"\"1\";\"4,5\";\"x;y\"\n", {';', true}, 1, 4.5L, -1},
      {"1;4 5;7\n", {';', false}, 0, 0, 0},              // a blank inside: no number
      {"1|\"a\nb\"|2\n3|4|5\n", {'|', false}, 1, 4, 5},  // a record over two lines
      {"1,5 2,5 7\n", {0, true}, 1, 2.5L, 7},            // decimal commas between blanks
      {"1,2\n", {0, false}, 0, 0, 0},                    // the plain format has no commas
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    testutil::WriteFile(dir / "d.csv", c.Text);
    const Rows r = ReadFile(dir / "d.csv", {1, 2, 3, -1, c.Format});
    ASSERT_EQ(r.Count, c.Count);
    if (c.Count > 0) {
      EXPECT_EQ(r.Y[1], c.FirstY);
      EXPECT_EQ(r.E[1], c.FirstE);
    }
  }
}

// The reader looks for quotes a buffer (64 KiB) at a time: quotes that
// first come after some 300 KiB of rows without any still hold a
// separator and a line end, and the rows after them read as before.
TEST(DataFormats, QuotesFarIntoALongFileStillHoldSeparatorsAndLineEnds) {
  testutil::TempDir dir;
  const int32_t plain = 20000;
  std::string text = "name,x,y,sigma\n";
  for (int32_t i = 0; i < plain; ++i) text += "r," + std::to_string(i) + ",1.5,0.5\n";
  text += "\"a,b\",7,8,9\n\"two\nlines, \"\"quoted\"\"\",10,11,12\n13,\"14\",15,16\n";
  testutil::WriteFile(dir / "d.csv", text);
  WriteGzip(dir / "d.csv.gz", text);
  for (const char* name : {"d.csv", "d.csv.gz"}) {
    SCOPED_TRACE(name);
    const Rows r = ReadFile(dir / name, {2, 3, 4, -1, {',', false}}, 1);
    ASSERT_EQ(r.Count, plain + 3);
    EXPECT_EQ(r.X[plain], plain - 1);
    const long double want[3][3] = {{7, 8, 9}, {10, 11, 12}, {14, 15, 16}};
    for (int32_t k = 0; k < 3; ++k) {
      EXPECT_EQ(r.X[plain + 1 + k], want[k][0]);
      EXPECT_EQ(r.Y[plain + 1 + k], want[k][1]);
      EXPECT_EQ(r.E[plain + 1 + k], want[k][2]);
    }
  }
}

TEST(DataFormats, TheFormatIsGuessedFromTheRowsThatBeginWithANumber) {
  testutil::TempDir dir;
  const struct {
    std::string Text;
    char Separator;
    bool DecimalComma;
  } cases[] = {
      {"a;b\n1;2\n3;4\n", ';', false},   {"1,5;2\n", ';', true},
      {"1,5\t2,5\n", '\t', true},        {"1.5,2.5\n", ',', false},
      {"1.5 2.5\n3\t4\n", 0, false},     {"1,5 2,5\n", 0, true},
      {"x y\nno numbers\n", 0, false},   {"1\t2 3\n", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    testutil::WriteFile(dir / "d.txt", c.Text);
    const data::RowFormat f = Detect(dir / "d.txt", 0);
    EXPECT_EQ(f.Separator, c.Separator);
    EXPECT_EQ(f.DecimalComma, c.DecimalComma);
  }
  // Asked for decimal commas, a comma is never the separator.
  testutil::WriteFile(dir / "d.txt", "1,5 2,5\n");
  EXPECT_EQ(Detect(dir / "d.txt", 0, true).Separator, 0);
}

TEST(DataFormats, AColumnIsFoundByItsNameInTheFirstLineThatHasIt) {
  testutil::TempDir dir;
  testutil::WriteFile(dir / "d.csv", "# run 12, \"time\" in s\ntime, \"U, V\" ,sigma\n0.1,2.5,0.01\n" + std::string(300, 'a') + "\n");
  const struct {
    std::string Name;
    data::RowFormat Format;
    int32_t Column;
  } cases[] = {
      {"time", {',', false}, 1}, {"U, V", {',', false}, 2}, {"sigma", {',', false}, 3},
      {"Time", {',', false}, 0}, {"12", {',', false}, 0},   {"run", {0, false}, 2},
      {std::string(300, 'a'), {',', false}, 0},
  };
  for (const auto& c : cases) {
    auto in = std::make_unique<data::TextInput>();
    in->Name = dir / "d.csv";
    std::string reason;
    data::OpenInput(*in, in->Name, reason);
    EXPECT_EQ(data::FindColumn(*in, c.Format, c.Name), c.Column) << c.Name;
    data::CloseInput(*in);
  }
}

// A compressed file that is corrupt or cut short is a failed read (status
// 2 with zlib's reason), never a short file read in silence.
TEST(DataFormatsDeathTest, ABrokenCompressedFileIsAFailedRead) {
  testutil::TempDir dir;
  std::string rows;
  for (int i = 0; i < 20000; ++i) rows += std::to_string(i) + " " + std::to_string(i % 7) + "\n";
  WriteGzip(dir / "d.gz", rows);
  const std::string gz = testutil::ReadFile(dir / "d.gz");
  testutil::WriteFile(dir / "cut.gz", gz.substr(0, gz.size() / 2));
  std::string corrupt = gz;
  for (std::size_t i = 100; i < 200; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5a);
  testutil::WriteFile(dir / "corrupt.gz", corrupt);
  EXPECT_EXIT(ReadFile(dir / "cut.gz", {}), testing::ExitedWithCode(2), "cut.gz: compressed data: unexpected end of file");
  EXPECT_EXIT(ReadFile(dir / "corrupt.gz", {}), testing::ExitedWithCode(2), "corrupt.gz: compressed data: ");
}

}  // namespace
