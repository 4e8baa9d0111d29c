// The data reader's rows and counts, the heap sort and the duplicate check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <numeric>
#include <random>
#include <vector>

#include "data/arrays.h"
#include "data/reader.h"

namespace {

struct Rows {
  int32_t bound = 0, count = 0;
  std::vector<long double> x, y, e;
};

// The data file as a stream over `content` in memory.
std::FILE* InMemory(std::string& content) {
  return ::fmemopen(content.data(), content.size(), "rb");
}

// Skips `omitted` lines, counts, skips again and reads, as a run does: the
// rows are counted in `counted` and read from `read`, which is the same
// file unless it changed in between.
Rows ReadChanged(std::string counted, std::string read, data::ColumnLayout columns, int32_t omitted = 0) {
  auto in = std::make_unique<data::TextInput>();
  in->Name = "d.dat";
  in->File = InMemory(counted);
  data::SkipLines(*in, omitted);
  Rows r;
  r.bound = data::CountRows(*in);
  std::fclose(in->File);
  in->File = InMemory(read);
  in->Pos = in->Len = 0;
  data::SkipLines(*in, omitted);
  r.x.assign(r.bound + 1, 0), r.y.assign(r.bound + 1, 0), r.e.assign(r.bound + 1, 0);
  r.count = data::ReadRows(*in, columns, r.x.data(), r.y.data(), r.e.data(), r.bound);
  std::fclose(in->File);
  return r;
}

Rows Read(const std::string& content, data::ColumnLayout columns, int32_t omitted = 0) {
  return ReadChanged(content, content, columns, omitted);
}

TEST(DataReader, RowsAndCounts) {
  struct Case {
    const char* name;
    std::string content;
    int32_t omitted, bound, count;
    long double x1, y1;
  } cases[] = {
      {"blank separated", "1 2\n", 0, 1, 1, 1, 2},
      {"tab separated", "1\t2\n", 0, 1, 1, 1, 2},
      {"CR LF", "1 2\r\n3 4\r\n", 0, 2, 2, 1, 2},
      {"no line end at the end", "1 2\n3 4", 0, 2, 2, 1, 2},
      {"header of words is counted, then dropped", "time value\n1 2\n", 0, 2, 1, 1, 2},
      {"omitted rows count empty lines", "\n\nhead\n5 6\n", 3, 1, 1, 5, 6},
      {"blank lines are not rows", "\n  \n\t\n1 2\n\n3 4\n", 0, 2, 2, 1, 2},
      {"comma decimals give no row", "1,5 2,5\n3 4\n", 0, 2, 1, 3, 4},
      {"a missing Y is not taken from the next line", "1\n2 3\n", 0, 2, 1, 2, 3},
      {"NUL bytes separate values", std::string("1\0" "2\n", 4), 0, 1, 1, 1, 2},
      {"35 digits read as their first 30",
       "123456789012345678901234567890.12345 1\n", 0, 1, 1, 123456789012345678901234567890.0L, 1},
      {"infinity is not a number", "1e5000 1\n2 3\n", 0, 2, 1, 2, 3},
      {"no numeric rows", "a b\nc d\n", 0, 2, 0, 0, 0},
      {"leading blanks", "   7   8   \n", 0, 1, 1, 7, 8},
  };
  for (const Case& c : cases) {
    Rows r = Read(c.content, data::ColumnLayout{}, c.omitted);
    EXPECT_EQ(r.bound, c.bound) << c.name;
    ASSERT_EQ(r.count, c.count) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(r.x[1], c.x1) << c.name;
      EXPECT_EQ(r.y[1], c.y1) << c.name;
    }
  }
}

TEST(DataReader, ErrorColumnAndFill) {
  data::ColumnLayout withColumn{1, 2, 3, -1, {}};
  Rows r = Read("1 2 0.5\n2 3\n3 4 x\n", withColumn);
  ASSERT_EQ(r.count, 3);
  EXPECT_EQ(r.e[1], 0.5L);
  EXPECT_EQ(r.e[2], -1);
  EXPECT_EQ(r.e[3], -1);
  data::ColumnLayout fill{1, 2, 0, 0.2L, {}};
  r = Read("1 2 9\n2 3\n", fill);
  EXPECT_EQ(r.e[1], 0.2L);
  EXPECT_EQ(r.e[2], 0.2L);
  data::ColumnLayout same{2, 2, 0, -1, {}};  // one column feeds X and Y
  r = Read("1 5\n", same);
  EXPECT_EQ(r.x[1], 5);
  EXPECT_EQ(r.y[1], 5);
  data::ColumnLayout none{0, 2, 0, -1, {}};  // column 0 never exists
  EXPECT_EQ(Read("1 5\n", none).count, 0);
}

TEST(DataReader, LongLinesAndHugeColumnNumbers) {
  std::string line(5 << 20, ' ');
  line += "1 2";
  Rows r = Read(line + "\n3 4\n", data::ColumnLayout{1, 2, INT32_MAX, -1, {}});
  ASSERT_EQ(r.count, 2);
  EXPECT_EQ(r.x[1], 1);
  EXPECT_EQ(r.e[2], -1);
}

// A value of more than 30 characters: past the 30th, mantissa digits are
// cut as they always were, but a cut in or before the exponent would change
// the power of ten (printf's %.25e of 0.1 was read as 1), so such a value is
// read whole, up to 255 characters. Each value is read where it lies in the
// buffer and once more across its refill.
TEST(DataReader, LongValuesKeepTheirExponent) {
  const std::string zeros(300, '0');
  struct Case {
    std::string text, readAs;  // readAs: the text converted, "" for no number
  } cases[] = {
      {"1.0000000000000000555111512e-01", "1.0000000000000000555111512e-01"},
      {"-2.000000000000000111022302462516e-1", "-2.000000000000000111022302462516e-1"},
      {"1.0000000000000000000000000000001E+5", "1.0000000000000000000000000000001E+5"},
      {"0.12345678901234567890123456789012345", "0.1234567890123456789012345678"},
      {"123456789012345678901234567890.12345", "123456789012345678901234567890"},
      {"7." + zeros + "9", "7." + zeros.substr(0, 28)},
      {"7." + zeros + "e-1", ""},
  };
  const std::string refill(65536 - 10, ' ');  // the value starts 10 bytes before the buffer ends
  for (const Case& c : cases) {
    for (const std::string& before : {std::string(), refill + "\n"}) {
      Rows r = Read(before + c.text + " 1\n", data::ColumnLayout{});
      ASSERT_EQ(r.count, c.readAs.empty() ? 0 : 1) << c.text;
      if (r.count == 1) {
        EXPECT_EQ(r.x[1], std::strtold(c.readAs.c_str(), nullptr)) << c.text;
      }
    }
  }
}

// A file cut short between the count and the read stops the run instead of
// fitting the rows read so far.
TEST(DataReaderDeathTest, FileCutShortWhileReadStops) {
  EXPECT_EXIT(ReadChanged("1 2\n3 4\n\n5 6\n", "1 2\n3 4\n", data::ColumnLayout{}),
              testing::ExitedWithCode(1), "has changed while it was read: 3 rows were counted, then only 2 found!");
}

// Sorted, a downward scan, random X (with X twice from 1000 rows on), and
// a shuffle of distinct X whose rows move in long cycles.
TEST(DataPreparation, SortKeepsRowsTogether) {
  std::mt19937 rng(3);
  for (int n : {1, 2, 3, 10, 1000, 5000}) {
    std::vector<long double> shuffled(n);
    std::iota(shuffled.begin(), shuffled.end(), 0.5L);
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    for (int order = 0; order < 4; ++order) {
      std::vector<long double> x(n + 1), y(n + 1), e(n + 1);
      for (int i = 1; i <= n; ++i)
        x[i] = order == 0 ? i : order == 1 ? n - i : order == 2 ? rng() % 100000 : shuffled[i - 1];
      for (int i = 1; i <= n; ++i) y[i] = 2 * x[i] + 1, e[i] = -x[i];
      data::SortByX(n, x.data(), y.data(), e.data());
      EXPECT_TRUE(std::is_sorted(x.begin() + 1, x.end())) << n << "/" << order;
      for (int i = 1; i <= n; ++i) {
        EXPECT_EQ(y[i], 2 * x[i] + 1);
        EXPECT_EQ(e[i], -x[i]);
      }
    }
  }
}

TEST(DataPreparation, DuplicatesIncludingSignedZero) {
  long double a[] = {0, 1, 2, 2, 3};
  EXPECT_EQ(data::FindDuplicate(4, a), 2);
  long double b[] = {0, -0.0L, 0.0L};
  EXPECT_EQ(data::FindDuplicate(2, b), 1);
  long double c[] = {0, 1, 2};
  EXPECT_EQ(data::FindDuplicate(2, c), -1);
}

}  // namespace
