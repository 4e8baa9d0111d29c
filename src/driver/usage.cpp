// The information options. They are handled before the run log is opened,
// so asking for help neither creates nor empties any file.
#include "driver/usage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/text.h"
#include "driver/stop.h"

namespace driver {

namespace {

constexpr const char* kUsage =
    "Usage: kurvex [DATAFILE [XCOL [YCOL [OMITTED [ERRCOL [RATIO]]]]]]\n"
    "       kurvex --help | -h | --version\n"
    "\n"
    "Fits a cubic smoothing spline to the X/Y columns of a data file, shows data\n"
    "and curve in a window and writes the results to text files.\n"
    "\n"
    "  DATAFILE  the data file; \"?\" or none (and no InputFileName) opens a file\n"
    "            dialog. A file named like an option is given as ./--help.\n"
    "  XCOL      column of X (ColumnX, default 1)\n"
    "  YCOL      column of Y (ColumnY, default 2)\n"
    "  OMITTED   header lines to skip (OmittedRows, default 0); a \"-\" in it\n"
    "            also hides the minima, maxima and points of inflection\n"
    "  ERRCOL    column of each point's error, in millionths of the Y range\n"
    "            (ColumnError, default 0: none)\n"
    "  RATIO     estimate the errors from the scatter of RATIO neighbours on\n"
    "            each side (ErrorRatio)\n"
    "\n"
    "Settings come from kurvex.cfg, section [Kurvex], in the working directory,\n"
    "then in the program's directory. With \"GraphGRXDriver = memory\" there is no\n"
    "window and the keys are read from standard input, for example:\n"
    "  echo '2 F3 F4 q' | kurvex data.dat\n"
    "Writes kurvex.log, kurvex.out, kurvex.cal and kurvi000.png (F4) and up.\n"
    "Exit status: 0 normal end, 1 error stop (see kurvex.log), 2 a file could\n"
    "not be read or written. The manual: man kurvex\n";

// Writes `text` to standard output; a failed write is a failed run, as it
// is for every other file the program writes.
[[noreturn]] void PrintAndStop(const char* text) {
  if (std::fputs(text, stdout) == EOF || std::fflush(stdout) != 0)
    FatalIoError("standard output", errno);
  StopProgram(kExitNormal);
}

}  // namespace

void HandleInformationOptions(int argc, char** argv) {
  if (argc < 2 || argv[1] == nullptr) return;
  const char* option = argv[1];
  if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0)
    PrintAndStop(kUsage);
  if (std::strcmp(option, "--version") == 0)
    PrintAndStop((std::string(config::ProgramBanner) + "\n").c_str());
}

}  // namespace driver
