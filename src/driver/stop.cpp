// StopProgram and the two kinds of fatal stop built on it.
#include "driver/stop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/arrays.h"
#include "graph/graphics_setup.h"
#include "output/replace_file.h"
#include "output/run_log.h"
#include "output/spline_file.h"

namespace driver {

bool MouseInUse = false;
bool RequiredValuesOpen = false;

void StopProgram(int status) {
  output::StopHelperThreads();
  output::RemoveTemporaryNames();
  data::ReleaseArrays();
  graph::ReleaseGraphics();
  std::fflush(nullptr);
  std::exit(status);
}

void ErrorStop(std::initializer_list<std::string> lines, bool onStandardErrorAlready) {
  for (const std::string& line : lines) {
    if (!onStandardErrorAlready) std::fprintf(stderr, "kurvex: %s\n", line.c_str());
    if (output::RunLogIsOpen()) output::LogLine(line);
  }
  StopProgram(kExitErrorStop);
}

void FatalIoError(const std::string& fileName, int error) {
  FatalIoError(fileName, error ? std::strerror(error) : "input/output error");
}

void FatalIoError(const std::string& fileName, const char* reason) {
  output::RemoveTemporaryNames();
  std::fprintf(stderr, "kurvex: %s: %s\n", fileName.c_str(), reason);
  std::fflush(stderr);
  // Files still open are not flushed again: a failing file must not be
  // written further, and every completed line has already been handed on.
  std::_Exit(kExitIoFailure);
}

}  // namespace driver
