// The layers of src/: every #include between folders points down, so each
// folder can be read, tested and changed knowing only the floors below it.
// The driver at the top may use everything; the graphics layer and the
// ground floor use nothing of the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// Floor of each folder, from the ground up.
const std::map<std::string, int> kFloors = {
    {"gfx", 0},  {"base", 0},   {"config", 1}, {"dialogs", 2}, {"data", 3},
    {"spline", 4}, {"output", 5}, {"graph", 6},  {"driver", 7}};

TEST(Layers, EveryIncludePointsDown) {
  const fs::path src = fs::path(KURVEX_SOURCE_DIR) / "src";
  const std::regex include(R"re(^\s*#\s*include\s+"(\w+)/)re");
  std::set<std::string> edges;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    const std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    const std::string from = fs::relative(e.path(), src).begin()->string();
    ASSERT_EQ(kFloors.count(from), 1u) << "a folder without a floor: " << from;
    std::ifstream in(e.path());
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, include) || m[1] == from) continue;
      const std::string to = m[1];
      ASSERT_EQ(kFloors.count(to), 1u) << e.path() << " includes " << to;
      if (kFloors.at(to) >= kFloors.at(from))
        edges.insert(e.path().filename().string() + ": " + from + " -> " + to);
    }
  }
  EXPECT_EQ(edges, std::set<std::string>{}) << "includes that point up or sideways";
}

}  // namespace
