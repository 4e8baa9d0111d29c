// Fuzz target: a whole run of the program on the memory driver, with any
// data file, any command script, any settings but the file names, and any
// of the command-line arguments 2 to 6. The input is
//   DATA FILE \n%%\n SCRIPT \n%%\n CONFIGURATION LINES \n%%\n ARGUMENTS
// (missing parts are empty; the script is cut after its first 64 words).
// Each input runs in a child process, since the program ends through
// exit(), under a time limit. Any ending but the program's own statuses 0,
// 1 and 2 (a signal, a sanitizer report, the time limit) is a finding. The
// child hands its coverage counters back to the fuzzer through shared
// memory, so that the search is guided by the program's own branches.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "driver/startup.h"
#include "fuzz_support.h"
#include "gfx/gfx.h"
#include "graph/navigation.h"

// The inline 8-bit coverage counters of a -fsanitize=fuzzer build are
// handed to the fuzzer by each module's constructor; the harness takes that
// call over (--wrap) to learn where they are, and passes it on. A replay
// build has neither the call nor the fuzzer.
extern "C" __attribute__((weak)) void __real___sanitizer_cov_8bit_counters_init(uint8_t* start,
                                                                               uint8_t* stop);
extern "C" __attribute__((weak)) void __sanitizer_set_death_callback(void (*callback)(void));
// The real exits, behind the linker's --wrap=exit --wrap=_Exit.
extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __real__Exit(int status);

namespace {

// The time limit holds for the start-up with the first pass, and again for
// each command from the moment it is read: a command may take a while (a
// refit writes curve rows until the file-size limit below, slow under the
// sanitizers), but no single step may go on without end.
constexpr unsigned kSecondsPerStep = 20;
// A script of thousands of refits is merely long; the first 64 commands
// keep a run short enough for the search to go on.
constexpr int kMostCommands = 64;
constexpr rlim_t kLargestFile = 64 << 20;  // a runaway result file fails as a full disk
constexpr int kSanitizerDeath = 86;

const char* const kFixedConfig =
    "[Kurvex]\nGraphGRXDriver=memory\nGraphResolution=160x100\n";

bool inChild = false;
uint8_t* counters = nullptr;  // the program's coverage counters (one module: a static link)
std::size_t counterBytes = 0;
uint8_t* sharedCounters = nullptr;

void SaveCounters() {
  if (inChild && sharedCounters) std::memcpy(sharedCounters, counters, counterBytes);
}

struct Parts {
  std::string Data, Script, Config, Args;
};

Parts Split(const std::string& input) {
  std::string* parts[4];
  Parts p;
  parts[0] = &p.Data, parts[1] = &p.Script, parts[2] = &p.Config, parts[3] = &p.Args;
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t mark = i < 3 ? input.find("\n%%\n", start) : std::string::npos;
    *parts[i] = input.substr(start, mark == std::string::npos ? std::string::npos : mark + 1 - start);
    if (mark == std::string::npos) break;
    start = mark + 4;
  }
  return p;
}

// The first kMostCommands words of the script, as the memory driver reads
// them: runs of bytes above the blank (a click takes three words).
std::string FirstCommands(const std::string& script) {
  std::size_t i = 0;
  for (int words = 0; i < script.size() && words < kMostCommands;) {
    while (i < script.size() && static_cast<unsigned char>(script[i]) <= 32) ++i;
    while (i < script.size() && static_cast<unsigned char>(script[i]) > 32) ++i;
    ++words;
  }
  return script.substr(0, i);
}

// Lines that set a file name are dropped, so that a run writes only into
// its own directory; the key is read as the scan reads it.
std::string SafeConfig(const std::string& config) {
  std::istringstream in(config);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    std::string key;
    for (char c : line.substr(0, line.find('=')))
      if (static_cast<unsigned char>(c) > 32) key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (key.find("FILENAME") == std::string::npos) out += line + "\n";
  }
  return out;
}

void ChildDied() { ::_exit(kSanitizerDeath); }

// The script as the memory driver's input, one byte per read, each read
// restarting the time limit.
struct ScriptSource {
  std::string Text;
  std::size_t Pos = 0;
};

ssize_t ReadScript(void* cookie, char* buffer, std::size_t size) {
  auto* source = static_cast<ScriptSource*>(cookie);
  ::alarm(kSecondsPerStep);
  const std::size_t n = std::min(size, source->Text.size() - source->Pos);
  std::memcpy(buffer, source->Text.data() + source->Pos, n);
  source->Pos += n;
  return static_cast<ssize_t>(n);
}

std::FILE* OpenScript(const std::string& script) {
  static ScriptSource source;
  source.Text = FirstCommands(script);
  std::FILE* f = ::fopencookie(&source, "r", cookie_io_functions_t{ReadScript, nullptr, nullptr, nullptr});
  if (!f) ::_exit(125);
  std::setvbuf(f, nullptr, _IONBF, 0);
  return f;
}

[[noreturn]] void RunChild(const Parts& p, const std::string& dir) {
  inChild = true;
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(ChildDied);
  ::signal(SIGABRT, SIG_DFL);
  ::signal(SIGALRM, SIG_DFL);
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit fileLimit{kLargestFile, kLargestFile};
  ::setrlimit(RLIMIT_FSIZE, &fileLimit);
  ::alarm(kSecondsPerStep);
  if (::chdir(dir.c_str()) != 0) ::_exit(125);
  ::dup2(::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
  ::dup2(::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  gfx::SetMemoryInput(OpenScript(p.Script));
  std::vector<std::string> args = {dir + "/kurvex", "d.dat"};
  std::istringstream words(p.Args);
  for (std::string w; args.size() < 7 && words >> w;) args.push_back(w);
  // The words are positional arguments whatever they look like, as they
  // were before options existed, so the corpus keeps its meaning.
  config::SaveCommandLine(args);
  driver::StartUp();
  graph::RunInteractiveLoop();
  driver::NormalEnd();
}

// Exit statuses 0, 1 and 2 are the program's own endings; anything else,
// a signal (the time limit included) or a sanitizer report is a finding.
void CheckEnding(int status, const std::string& dir) {
  if (WIFEXITED(status) && WEXITSTATUS(status) <= 2) return;
  std::fprintf(stderr, "---- the run's standard error:\n%s\n----\n",
               fuzz::ReadFile(dir + "/err.txt").c_str());
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
    fuzz::Finding("a step of the run did not end within " + std::to_string(kSecondsPerStep) + " seconds");
  if (WIFSIGNALED(status)) fuzz::Finding("the run ended by signal " + std::to_string(WTERMSIG(status)));
  fuzz::Finding("the run ended with status " + std::to_string(WEXITSTATUS(status)));
}

}  // namespace

extern "C" void __wrap___sanitizer_cov_8bit_counters_init(uint8_t* start, uint8_t* stop) {
  if (!counters) counters = start, counterBytes = static_cast<std::size_t>(stop - start);
  if (__real___sanitizer_cov_8bit_counters_init) __real___sanitizer_cov_8bit_counters_init(start, stop);
}

extern "C" [[noreturn]] void __wrap_exit(int status) {
  if (!inChild) __real_exit(status);
  // Only the child's own files need flushing; the fuzzer's exit handlers
  // must not run in the child, since they would report the exit as a crash.
  std::fflush(nullptr);
  SaveCounters();
  __real__Exit(status);
}

extern "C" [[noreturn]] void __wrap__Exit(int status) {
  SaveCounters();
  __real__Exit(status);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Parts p = Split(std::string(reinterpret_cast<const char*>(data), size));
  const std::string dir = fuzz::ScratchDir();
  fuzz::ClearDirectory(dir);
  fuzz::WriteFile(dir + "/kurvex.cfg", kFixedConfig + SafeConfig(p.Config));
  fuzz::WriteFile(dir + "/d.dat", p.Data);
  if (counterBytes && !sharedCounters) {
    void* m = ::mmap(nullptr, counterBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) std::abort();
    sharedCounters = static_cast<uint8_t*>(m);
  }
  if (sharedCounters) std::memcpy(sharedCounters, counters, counterBytes);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) std::abort();
  if (pid == 0) RunChild(p, dir);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) std::abort();
  if (sharedCounters) std::memcpy(counters, sharedCounters, counterBytes);
  CheckEnding(status, dir);
  return 0;
}
