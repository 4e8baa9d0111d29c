// Helpers shared by the fuzz targets: a scratch directory of the fuzzing
// process, and writing one input to a file in it.
#pragma once
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzz {

// Removes the files of a directory (it holds no directories).
inline void ClearDirectory(const std::string& dir) {
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        ::unlink((dir + "/" + e->d_name).c_str());
    ::closedir(d);
  }
}

// The fuzzing process's own scratch directory, made on first use and
// removed when the process exits. Parallel runs (libFuzzer -jobs) each get
// one, since the name holds the pid.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string d = std::string(tmp && *tmp ? tmp : "/tmp") + "/kurvex-fuzz-" +
                    std::to_string(::getpid());
    ::mkdir(d.c_str(), 0700);
    return d;
  }();
  static const bool cleanup = [] {
    return std::atexit([] {
      ClearDirectory(dir);
      ::rmdir(dir.c_str());
    }) == 0;
  }();
  (void)cleanup;
  return dir;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();  // the harness itself is broken, not the program
  if (!content.empty() && std::fwrite(content.data(), 1, content.size(), f) != content.size())
    std::abort();
  std::fclose(f);
}

inline std::string ReadFile(const std::string& path) {
  std::string content;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) content.append(buffer, n);
    std::fclose(f);
  }
  return content;
}

// A finding: the message, then abort(), which libFuzzer records as a crash
// with the input, and which fails the corpus replay.
[[noreturn]] inline void Finding(const std::string& what) {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::abort();
}

}  // namespace fuzz
