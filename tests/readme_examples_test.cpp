// The README's shell examples, run as a reader would run them: in one
// shell, in order, from a copy of the repository's top folder, with the
// program built by this build. Each ```sh block must end with status 0, and
// a ```text block right after it must be exactly what the block printed.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct Fence {
  std::string Info;     // the word after the opening ```
  std::string Content;  // the lines in between, each with its line end
};

// The fenced blocks of a Markdown text; indented blocks are not examples.
std::vector<Fence> FencedBlocks(const std::string& markdown) {
  std::vector<Fence> blocks;
  std::istringstream in(markdown);
  bool open = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("```", 0) == 0) {
      if (!open) blocks.push_back({line.substr(3), ""});
      open = !open;
    } else if (open) {
      blocks.back().Content += line + "\n";
    }
  }
  return blocks;
}

struct Example {
  std::string Commands;
  bool HasExpected = false;
  std::string Expected;
};

// Each sh block, with the text block that follows it (when no other fenced
// block comes first) as its expected output.
std::vector<Example> ShellExamples(const std::vector<Fence>& blocks) {
  std::vector<Example> examples;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].Info != "sh") continue;
    Example e{blocks[i].Content, false, ""};
    if (i + 1 < blocks.size() && blocks[i + 1].Info == "text") {
      e.HasExpected = true;
      e.Expected = blocks[i + 1].Content;
    }
    examples.push_back(e);
  }
  return examples;
}

// One script for all examples: after each, a marker line with its number
// and status, so that the output can be cut apart again.
std::string Script(const std::vector<Example>& examples, const std::string& top,
                   const std::string& home) {
  std::string s = "exec 2>&1\nexport HOME='" + home + "' LC_ALL=C\ncd '" + top + "'\n";
  for (size_t i = 0; i < examples.size(); ++i)
    s += examples[i].Commands + "printf '@@@ %d %d @@@\\n' " + std::to_string(i) + " $?\n";
  return s;
}

// A top folder as a fresh clone has it after scripts/run.sh: the examples,
// and build/ with the program (here: this build's folder).
void MakeTopFolder(const std::string& top) {
  fs::create_directories(top);
  fs::copy(fs::path(KURVEX_SOURCE_DIR) / "examples", fs::path(top) / "examples",
           fs::copy_options::recursive);
  fs::create_directory_symlink(fs::path(KURVEX_BINARY).parent_path(), fs::path(top) / "build");
}

TEST(ReadmeExamples, RunAndPrintWhatTheReadmeShows) {
  const std::string readme = testutil::ReadFile(std::string(KURVEX_SOURCE_DIR) + "/README.md");
  // The two set-up commands come before anything else to type.
  const size_t run = readme.find("    bash scripts/run.sh"), test = readme.find("    bash scripts/test.sh");
  ASSERT_NE(run, std::string::npos);
  ASSERT_NE(test, std::string::npos);
  EXPECT_LT(std::max(run, test), readme.find("```"));

  const std::vector<Example> examples = ShellExamples(FencedBlocks(readme));
  ASSERT_GE(examples.size(), 8u) << "the README lost its examples";
  testutil::TempDir dir;
  const std::string top = dir / "KurvexAnalyzer", home = dir / "home";
  fs::create_directories(home);
  MakeTopFolder(top);
  const testutil::RunResult r = testutil::RunProgram(
      top, {"timeout", "-k", "5", "240", "bash", "-c", Script(examples, top, home)}, "",
      "/usr/bin/timeout", 250);
  ASSERT_EQ(r.Status, 0) << r.Out;

  const std::regex marker("@@@ ([0-9]+) ([0-9]+) @@@\n");
  size_t from = 0, seen = 0;
  for (std::sregex_iterator m(r.Out.begin(), r.Out.end(), marker), end; m != end; ++m, ++seen) {
    const size_t i = std::stoul((*m)[1]);
    const std::string printed = r.Out.substr(from, m->position() - from);
    from = m->position() + m->length();
    ASSERT_EQ(i, seen);
    SCOPED_TRACE("README example " + std::to_string(i + 1) + ":\n" + examples[i].Commands);
    EXPECT_EQ((*m)[2], "0") << printed;
    if (examples[i].HasExpected) {
      EXPECT_EQ(printed, examples[i].Expected);
    }
  }
  EXPECT_EQ(seen, examples.size()) << r.Out.substr(from);
}

}  // namespace
