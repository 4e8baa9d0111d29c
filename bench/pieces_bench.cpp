// Benchmarks of the pieces a large run spends its time in, one by one:
// converting the numbers of a data file, reading a data file, sorting rows,
// formatting the fields of the result file, and looking up the settings.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/convert.h"
#include "config/config_file.h"
#include "data/arrays.h"
#include "data/reader.h"
#include "base/number_format.h"

namespace {

// The values of a result file's fields: magnitudes from 10^-6 to 10^6, with
// every significand bit in use, half of them negative.
std::vector<long double> FieldValues(std::size_t count) {
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> decade(-6, 6), unit(0, 1);
  std::vector<long double> v(count);
  for (long double& x : v) {
    x = std::pow(10.0L, static_cast<long double>(decade(random))) * (1 + unit(random) * 1e-9L);
    if (unit(random) < 0.5) x = -x;
  }
  return v;
}

void BM_WriteExponentField(benchmark::State& state) {
  const std::vector<long double> values = FieldValues(1 << 16);
  const int32_t width = static_cast<int32_t>(state.range(0));
  char field[base::ExponentFieldRoom];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(base::WriteExponentField(field, values[i], width));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

// Values near 1e-4000 and 1e+4000, as a knot far from the others gives:
// the decimal scaling then takes thousands of steps unless it is avoided.
void BM_WriteExponentFieldExtreme(benchmark::State& state) {
  std::vector<long double> values = FieldValues(1 << 16);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] *= (i & 1) != 0 ? 1e4000L : 1e-4000L;
  char field[base::ExponentFieldRoom];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(base::WriteExponentField(field, values[i], 13));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatCompact(benchmark::State& state) {
  const std::vector<long double> values = FieldValues(1 << 16);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(base::FormatCompact(values[i], 5));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

// Texts as a logger writes them: a few decimals, some with a sign.
std::vector<std::string> DataTexts(std::size_t count) {
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::vector<std::string> texts(count);
  char buffer[32];
  for (std::string& t : texts) {
    std::snprintf(buffer, sizeof buffer, "%.6f", unit(random) * 100);
    t = buffer;
  }
  return texts;
}

void BM_ParseReal(benchmark::State& state) {
  const std::vector<std::string> texts = DataTexts(1 << 16);
  std::size_t i = 0;
  long double v = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(base::ParseReal(texts[i], v));
    i = (i + 1) & (texts.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

// A data file of x, y and error columns in a temporary file, counted and
// read whole as a run reads it: blank-separated (kind 0), a comma CSV with
// a header (1), semicolons with decimal commas (2), the first compressed
// with gzip (3). The same numbers in each.
void BM_ReadRows(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const int64_t kind = state.range(1);
  char name[] = "/tmp/kurvex-bench-XXXXXX";
  const int fd = ::mkstemp(name);
  std::string text = kind == 1 ? "x,y,sigma\n" : kind == 2 ? "x;y;sigma\n" : "";
  char row[96];
  for (int32_t i = 0; i < n; ++i) {
    std::snprintf(row, sizeof row, kind == 1 ? "%.6f,%.6f,%.1f\n" : kind == 2 ? "%.6f;%.6f;%.1f\n" : "%.6f %.6f %.1f\n",
                  i * 1e-5, std::sin(i * 1e-3), 10000.0 + i % 977);
    if (kind == 2) std::replace(row, row + std::strlen(row), '.', ',');
    text += row;
  }
  if (kind == 3) {
    gzFile gz = gzdopen(fd, "wb");
    gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
    gzclose(gz);
  } else {
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) state.SkipWithError("write");
    ::close(fd);
  }
  const data::RowFormat format = kind == 1 ? data::RowFormat{',', false}
                                 : kind == 2 ? data::RowFormat{';', true} : data::RowFormat{};
  std::vector<long double> X(n + 2), Y(n + 2), E(n + 2);
  for (auto _ : state) {
    data::TextInput& in = data::DataFile;
    in.Name = name;
    std::string reason;
    data::OpenInput(in, name, reason);
    const int32_t bound = data::CountRows(in, format);
    data::CloseInput(in);
    data::OpenInput(in, name, reason);
    const int32_t rows = data::ReadRows(in, data::ColumnLayout{1, 2, 3, -1, format}, X.data(), Y.data(),
                                        E.data(), bound);
    data::CloseInput(in);
    benchmark::DoNotOptimize(rows);
  }
  ::unlink(name);
  state.SetItemsProcessed(state.iterations() * n);
}

// Rows in the order a logger writes them (already sorted), shuffled, and
// in the order of a downward scan.
void BM_SortByX(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const int64_t order = state.range(1);
  std::vector<long double> X0(n + 1), Y(n + 1), E(n + 1);
  for (int32_t i = 1; i <= n; ++i) X0[i] = order == 2 ? n - i : i;
  if (order == 1) std::shuffle(X0.begin() + 1, X0.end(), std::mt19937_64(3));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<long double> X = X0;
    state.ResumeTiming();
    data::SortByX(n, X.data(), Y.data(), E.data());
    benchmark::DoNotOptimize(X.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// Every key of the table looked up as a start-up does, in a kurvex.cfg of
// a million lines (some 37 MB) whose section holds none of them but the first.
void BM_ConfigLookups(benchmark::State& state) {
  char dir[] = "/tmp/kurvex-bench-XXXXXX";
  if (!::mkdtemp(dir)) return state.SkipWithError("no temporary directory");
  const std::string name = std::string(dir) + "/kurvex.cfg";
  std::FILE* f = std::fopen(name.c_str(), "w");
  std::fputs("[Kurvex]\nErrorValue=0.02\n", f);
  for (int i = 0; i < 1000000; ++i) std::fprintf(f, "Filler%d = %d # some comment\n", i, i);
  std::fclose(f);
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd) || ::chdir(dir) != 0) return state.SkipWithError("no folder");
  config::SetProgramPath("/nonexistent/kurvex");
  for (auto _ : state)
    for (const config::KeySpec& k : config::kKeys) benchmark::DoNotOptimize(config::ConfigValue(k.Name));
  if (::chdir(cwd) != 0) state.SkipWithError("cannot return");
  std::remove(name.c_str());
  ::rmdir(dir);
}

BENCHMARK(BM_WriteExponentField)->Arg(13)->Arg(26);
BENCHMARK(BM_WriteExponentFieldExtreme);
BENCHMARK(BM_FormatCompact);
BENCHMARK(BM_ParseReal);
BENCHMARK(BM_ReadRows)
    ->ArgsProduct({{100000, 1000000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigLookups)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByX)->Args({1000000, 0})->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

}  // namespace
