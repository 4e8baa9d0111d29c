// Helpers of the graph's end-to-end tests: a session directory with the
// program linked into it (images go beside the program file), the memory
// driver and a command script on standard input; and the screen layout and
// world-to-screen mapping worked out independently, so that a test can say
// where a pixel of the exported image must be.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace graphtest {

inline const std::string kBanner = "KurvexAnalyzer v2.12a-20080419";

// A directory holding kurvex.cfg (memory driver plus `cfg`), the data file
// d.dat and a link to the program, which runs from there.
class Session {
 public:
  // `memoryDriver` false leaves GraphGRXDriver to `cfg`.
  explicit Session(const std::string& cfg, const std::string& data = "",
                   bool memoryDriver = true)
      : memory_(memoryDriver) {
    SetConfig(cfg);
    if (!data.empty()) testutil::WriteFile(dir_ / "d.dat", data);
    if (::symlink(KURVEX_BINARY, (dir_ / "kurvex").c_str()) != 0) ADD_FAILURE() << "symlink";
  }
  void SetConfig(const std::string& cfg) {
    testutil::WriteFile(dir_ / "kurvex.cfg", std::string("[Kurvex]\n") +
                                                 (memory_ ? "GraphGRXDriver=memory\n" : "") +
                                                 cfg + "\n");
  }
  // Runs `kurvex d.dat` (or kurvex with `args`) with `script` on standard input.
  testutil::RunResult Run(const std::string& script,
                          const std::vector<std::string>& args = {"d.dat"}) const {
    std::vector<std::string> argv = {dir_ / "kurvex"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testutil::RunProgram(dir_.Path(), argv, script, argv[0], 30);
  }
  // The same as user nobody when the tests run as root (root writes
  // anywhere, so a refused write needs another user).
  testutil::RunResult RunUnprivileged(const std::string& script,
                                      const std::vector<std::string>& args = {"d.dat"}) const {
    if (::geteuid() != 0) return Run(script, args);
    std::vector<std::string> argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                     "--clear-groups", dir_ / "kurvex"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testutil::RunProgram(dir_.Path(), argv, script, argv[0], 30);
  }
  // `command` through /bin/sh in the folder, with $0 the program.
  testutil::RunResult Shell(const std::string& command, const std::string& input = "") const {
    return testutil::RunProgram(dir_.Path(), {"/bin/sh", "-c", command, dir_ / "kurvex"}, input,
                                "/bin/sh", 30);
  }
  std::string operator/(const std::string& name) const { return dir_ / name; }
  std::string Read(const std::string& name) const { return testutil::ReadFile(dir_ / name); }
  std::vector<std::string> Lines(const std::string& name) const {
    return testutil::ReadLines(dir_ / name);
  }
  bool Has(const std::string& name) const { return testutil::FileExists(dir_ / name); }
  void Remove(const std::string& name) const { std::remove((dir_ / name).c_str()); }
  const std::string& Path() const { return dir_.Path(); }

 private:
  bool memory_;
  testutil::TempDir dir_;
};

// Font height by the configured width: 21 above 799, 15 above 570, else 11.
inline int32_t FontHeight(int32_t width) { return width > 799 ? 21 : width > 570 ? 15 : 11; }

struct Geometry {
  int32_t M, N, CharHeight, PX0, PX1, PY0, PY1, PW, PH, StatusY;
};

inline Geometry GeometryFor(int32_t width, int32_t height) {
  Geometry g;
  g.M = width - 1;
  g.N = height - 1;
  g.CharHeight = FontHeight(width);
  g.PX0 = 2, g.PX1 = g.M - 2, g.PY0 = 2;
  g.PY1 = g.N - 3 * g.CharHeight - 3;
  g.PW = g.PX1 - g.PX0, g.PH = g.PY1 - g.PY0;
  g.StatusY = g.N - g.CharHeight;
  return g;
}

// The visible world window; the initial one is the data range widened by
// 1% on every side.
struct View {
  long double Xlow, Xrange, Ylow, Yrange;
};

inline View InitialView(long double x1, long double xn, long double ymin, long double ymax) {
  return View{x1 - 0.01L * (xn - x1), 1.02L * (xn - x1), ymin - 0.01L * (ymax - ymin),
              1.02L * (ymax - ymin)};
}

// Rows "x y" of a small data set with a known shape.
inline std::string DataRows(int32_t n, long double (*x)(int32_t), long double (*y)(long double, int32_t)) {
  std::string rows;
  char line[96];
  for (int32_t i = 0; i < n; ++i) {
    std::snprintf(line, sizeof line, "%.12Lf %.12Lf\n", x(i), y(x(i), i));
    rows += line;
  }
  return rows;
}

// y = 2x + 1 at x = 0, 10, ..., 100: the fit is the line itself, and the
// initial view runs from -1 to 101 with the cursor at 50.
inline std::string LineData() {
  return DataRows(11, [](int32_t i) -> long double { return 10.0L * i; },
                  [](long double x, int32_t) { return 2 * x + 1; });
}

// A sine over [0, 10] with a fixed zig-zag of noise, so that the error
// values shape the curve: extrema and inflections for the marks.
inline std::string SineData() {
  return DataRows(21, [](int32_t i) -> long double { return 0.5L * i; },
                  [](long double x, int32_t i) { return std::sin(x) + 0.05L * ((i * 7) % 5 - 2); });
}

// The reals of a row of numbers (a kurvex.cal or curve row).
inline std::vector<long double> Numbers(const std::string& row) {
  std::vector<long double> v;
  std::istringstream in(row);
  for (std::string word; in >> word;) v.push_back(std::strtold(word.c_str(), nullptr));
  return v;
}

// The initial view of a data text, from the numbers as written in it.
inline View ViewOfData(const std::string& data) {
  std::istringstream in(data);
  long double x1 = 0, xn = 0, ymin = 0, ymax = 0;
  bool first = true;
  for (std::string line; std::getline(in, line);) {
    const std::vector<long double> v = Numbers(line);
    if (v.size() < 2) continue;
    if (first) x1 = xn = v[0], ymin = ymax = v[1];
    x1 = std::min(x1, v[0]), xn = std::max(xn, v[0]);
    ymin = std::min(ymin, v[1]), ymax = std::max(ymax, v[1]);
    first = false;
  }
  return InitialView(x1, xn, ymin, ymax);
}

// The data rows of kurvex.cal: everything after its three header lines.
inline std::vector<std::vector<long double>> CalRows(const Session& s) {
  std::vector<std::vector<long double>> rows;
  const std::vector<std::string> lines = s.Lines("kurvex.cal");
  for (size_t i = 3; i < lines.size(); ++i) rows.push_back(Numbers(lines[i]));
  return rows;
}

// Nearest pixel, halves away from zero (llroundl rounds exactly so).
inline int32_t ScreenX(const Geometry& g, const View& v, long double x) {
  return g.PX0 + static_cast<int32_t>(std::llroundl((x - v.Xlow) * g.PW / v.Xrange));
}
inline int32_t ScreenY(const Geometry& g, const View& v, long double y) {
  return g.PY1 - static_cast<int32_t>(std::llroundl((y - v.Ylow) * g.PH / v.Yrange));
}
// The world X of a screen column, where a cursor step puts the cursor.
inline long double ColumnX(const Geometry& g, const View& v, int32_t column) {
  return v.Xlow + static_cast<long double>(column - g.PX0) * v.Xrange / g.PW;
}

// The default colour scheme as the picture shows it. The palette depths
// have pure white as colour 15; the direct-colour depths keep 252; the
// packed depths widen 5 and 6 bits to 8 by repeating their top bits.
struct Scheme {
  pngread::Pixel Background, Text, Symbol, Line, Calculus, Xplace, Keys;
};

inline pngread::Pixel Packed(uint32_t v, int32_t greenBits) {
  auto widen = [](uint32_t c, int32_t bits) {
    return static_cast<int32_t>((c << (8 - bits)) | (c >> (2 * bits - 8)));
  };
  const uint32_t blue = v & 31, green = (v >> 5) & ((1u << greenBits) - 1),
                 red = (v >> (5 + greenBits)) & 31;
  return {widen(red, 5), widen(green, greenBits), widen(blue, 5)};
}

inline Scheme DefaultScheme(int32_t depth) {
  if (depth <= 8)
    return {{255, 255, 255}, {0, 0, 0}, {168, 0, 0}, {0, 0, 168},
            {84, 84, 84},    {168, 0, 168}, {252, 84, 84}};
  if (depth == 15)
    return {Packed(0x7FFF, 5), Packed(0, 5),      Packed(0x5400, 5), Packed(0x0015, 5),
            Packed(0x294A, 5), Packed(0x5415, 5), Packed(0x7D4A, 5)};
  if (depth == 16)
    return {Packed(0xFFFF, 6), Packed(0, 6),      Packed(0xA800, 6), Packed(0x0015, 6),
            Packed(0x528A, 6), Packed(0xA815, 6), Packed(0xFAAA, 6)};
  return {{252, 252, 252}, {0, 0, 0}, {168, 0, 0}, {0, 0, 168},
          {84, 84, 84},    {168, 0, 168}, {252, 84, 80}};
}

inline std::string Click(int32_t x, int32_t y) {
  return "click " + std::to_string(x) + " " + std::to_string(y);
}

}  // namespace graphtest
