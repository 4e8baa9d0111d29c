// The run log file and its fixed texts.
#include "base/run_log.h"

#include <cerrno>
#include <cstdio>

#include "base/stop.h"
#include "base/number_format.h"
#include "base/replace_file.h"

namespace base {
namespace {

std::FILE* logFile = nullptr;
std::string logName;

void WriteAndFlush(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), logFile) != text.size() ||
      std::fflush(logFile) != 0)
    base::FatalIoError(logName, errno);
}

}  // namespace

void OpenRunLog(const std::string& fileName) {
  logName = fileName;
  logFile = OpenLockedLog(fileName);
}

bool RunLogIsOpen() { return logFile != nullptr; }

void LogText(const std::string& text) { WriteAndFlush(text); }

void LogLine(const std::string& line) { WriteAndFlush(line + "\n"); }

void CloseRunLog() {
  std::FILE* f = logFile;
  logFile = nullptr;
  if (f && std::fclose(f) != 0) base::FatalIoError(logName, errno);
}

std::string AllocationLine(char letter, int32_t firstRow, int32_t lastRow,
                           int32_t firstColumn, int32_t lastColumn) {
  std::string text = "Allocating ";
  text += letter;
  text += "[" + IntText(firstRow) + ".." + IntText(lastRow) + "," +
          IntText(firstColumn) + ".." + IntText(lastColumn) + "] ";
  text.resize(38, '.');
  return text;
}

}  // namespace base
