// The stops of the engine as the Python module carries them out: where the
// program would end the process, the module raises an exception with the
// program's own message, which the bindings turn into a Python error.
#include "base/stop.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "module_stops.h"

namespace base {

void StopProgram(int status, const std::vector<std::string>& logLines, const std::string& errorText) {
  std::string message = logLines.empty() ? errorText : logLines.back();
  while (!message.empty() && message.back() == '\n') message.pop_back();
  throw kurvexpy::EngineStop(status, message, 0);
}

void ErrorStop(std::initializer_list<std::string> lines, bool) {
  throw kurvexpy::EngineStop(kExitErrorStop, lines.size() ? *(lines.end() - 1) : "", 0);
}

void FatalIoError(const std::string& fileName, int error) {
  throw kurvexpy::EngineStop(kExitIoFailure, fileName + ": " + std::strerror(error ? error : EIO),
                             error ? error : EIO);
}

void FatalIoError(const std::string& fileName, const char* reason) {
  throw kurvexpy::EngineStop(kExitIoFailure, fileName + ": " + reason, EIO);
}

}  // namespace base
