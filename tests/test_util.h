// Helpers shared by the tests: temporary directories, files, and running
// the real program binary in a directory of its own.
#pragma once
#include <string>
#include <vector>

namespace testutil {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

struct RunResult {
  int Status = -1;   // exit status, or 128 + signal
  std::string Out, Err;
};

// Runs the program binary (or `program`) in `dir` with `args` (argument 0
// is the program path) and `input` on standard input. The run is killed
// after `seconds`, so a hanging program fails its test instead of the suite.
RunResult RunProgram(const std::string& dir, const std::vector<std::string>& args,
              const std::string& input = "", const std::string& program = KURVEX_BINARY,
              int seconds = 60);

}  // namespace testutil
