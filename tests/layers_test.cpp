// The layers of src/: every #include between folders points down, so each
// folder can be read, tested and changed knowing only the floors below it.
// The driver at the top may use everything; the graphics layer and the
// ground floor use nothing of the program. Only the dialogs, the graph and
// the driver draw: results are written without a screen, so the output
// layer and the Python module include nothing of the graphics.
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

// The folder each quoted include of a file names ("graph/plot.h" gives graph).
std::set<std::string> IncludedFolders(const fs::path& file) {
  const std::regex include(R"re(^\s*#\s*include\s+"(\w+)/)re");
  std::set<std::string> folders;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_search(line, m, include)) folders.insert(m[1]);
  }
  return folders;
}

bool IsSource(const fs::directory_entry& e) {
  const std::string ext = e.path().extension().string();
  return e.is_regular_file() && (ext == ".cpp" || ext == ".h");
}

TEST(Layers, EveryIncludePointsDown) {
  const fs::path src = fs::path(KURVEX_SOURCE_DIR) / "src";
  std::set<std::string> edges;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    if (!IsSource(e)) continue;
    const std::string from = fs::relative(e.path(), src).begin()->string();
    ASSERT_EQ(kFloors.count(from), 1u) << "a folder without a floor: " << from;
    for (const std::string& to : IncludedFolders(e.path())) {
      if (to == from) continue;
      ASSERT_EQ(kFloors.count(to), 1u) << e.path() << " includes " << to;
      if (kFloors.at(to) >= kFloors.at(from))
        edges.insert(e.path().filename().string() + ": " + from + " -> " + to);
    }
  }
  EXPECT_EQ(edges, std::set<std::string>{}) << "includes that point up or sideways";
}

TEST(Layers, ResultsAreWrittenWithoutAScreen) {
  const fs::path top(KURVEX_SOURCE_DIR);
  const std::set<std::string> screen = {"gfx", "graph", "dialogs", "driver"};
  std::set<std::string> edges;
  for (const fs::path& folder : {top / "src" / "output", top / "python"})
    for (const auto& e : fs::recursive_directory_iterator(folder))
      if (IsSource(e))
        for (const std::string& to : IncludedFolders(e.path()))
          if (screen.count(to)) edges.insert(e.path().filename().string() + " -> " + to);
  EXPECT_EQ(edges, std::set<std::string>{});
}

}  // namespace
