// What the engine's stops raise inside the Python module.
#pragma once
#include <stdexcept>
#include <string>

namespace kurvexpy {

// A stop of the engine: its status (1 an error stop, 2 a file failure), the
// program's message, and for a file failure its errno.
struct EngineStop : std::runtime_error {
  int Status, Errno;
  EngineStop(int status, const std::string& message, int error)
      : std::runtime_error(message), Status(status), Errno(error) {}
};

}  // namespace kurvexpy
