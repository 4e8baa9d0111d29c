// The command line. The options are handled before the run log is opened,
// so asking for help or mistyping an option neither creates nor empties
// any file.
#include "driver/options.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/settings.h"
#include "base/text.h"
#include "base/stop.h"
#include "gfx/gfx.h"
#include "base/replace_file.h"

namespace driver {

namespace {

constexpr const char* kUsage =
    "Usage: kurvex [OPTION...] [DATAFILE [XCOL [YCOL [OMITTED [ERRCOL [RATIO]]]]]]\n"
    "       kurvex --help | -h | --version\n"
    "\n"
    "Fits a cubic smoothing spline to the X/Y columns of a data file, shows data\n"
    "and curve in a window and writes the results to text files.\n"
    "\n"
    "Options, before DATAFILE:\n"
    "  -c KEY=VALUE  set a key of kurvex.cfg for this run; wins over every\n"
    "                kurvex.cfg (repeatable; VALUE is taken as it stands)\n"
    "  --batch       no window: the keys are read from standard input\n"
    "                (short for -c GraphGRXDriver=memory)\n"
    "  --            ends the options, for a DATAFILE that begins with \"-\"\n"
    "\n"
    "  DATAFILE  the data file; \"?\" or none (and no InputFileName) asks for it:\n"
    "            a file dialog, or with --batch one line of standard input\n"
    "  XCOL      column of X (ColumnX, default 1)\n"
    "  YCOL      column of Y (ColumnY, default 2)\n"
    "  OMITTED   header lines to skip (OmittedRows, default 0); a \"-\" in it\n"
    "            also hides the minima, maxima and points of inflection\n"
    "  ERRCOL    column of each point's error, in millionths of the Y range\n"
    "            (ColumnError, default 0: none)\n"
    "  RATIO     estimate the errors from the scatter of RATIO neighbours on\n"
    "            each side (ErrorRatio)\n"
    "\n"
    "XCOL, YCOL and ERRCOL may also be a column's name from the header.\n"
    "For CSV files and decimal commas: -c ColumnSeparator=AUTO.\n"
    "\n"
    "Settings come from kurvex.cfg, section [Kurvex], in the working directory,\n"
    "then in the program's directory. In batch use the keys are words on\n"
    "standard input and its end quits, for example:\n"
    "  echo '2 F3 F4 q' | kurvex --batch -c ErrorValue=0.02 data.dat\n"
    "Writes kurvex.log, kurvex.out, kurvex.cal and kurvi000.png (F4) and up.\n"
    "With -c ReportFileName=fit.json also a JSON report of the fit with the\n"
    "sigma of every extremum, point of inflection and F3 value; with\n"
    "-c SmoothingCriterion=UBRE the smoothing whose sigmas can be trusted\n"
    "(also GCV or CV, cross-validation, or \"EDF k\", k degrees of freedom).\n"
    "With -c MarkSignificance=1.96 only the minima, maxima and points of\n"
    "inflection the data support are listed and drawn. In file names %n is the\n"
    "data file's name without folder and extension (-c OutputFileName=%n.out);\n"
    "-c FitTableFileName=fits.csv and MarkTableFileName=marks.csv add rows to\n"
    "tables that many runs share.\n"
    "-c FigureFileName=fit.pdf (or .svg, .png) draws a figure of every fit for a\n"
    "report, with FigureLabels=YES its marks labelled \"21.5170 \u00b1 0.0008\".\n"
    "Exit status: 0 normal end, 1 error stop (see kurvex.log), 2 a file could\n"
    "not be read or written, or a usage error. The manual: man kurvex\n";

// Writes `text` to standard output; asking for it and not getting it is a
// failed run (the usage text is what was asked for).
[[noreturn]] void PrintAndStop(const char* text) {
  if (std::fputs(text, stdout) == EOF || std::fflush(stdout) != 0)
    base::FatalIoError("standard output", errno);
  base::StopProgram(base::kExitNormal);
}

[[noreturn]] void UsageError(const std::string& message) {
  base::StopProgram(base::kExitUsageError, {}, "kurvex: " + message + "\n" + kUsage);
}

// A confirmed close of the window ends the run like an error stop (status
// 1), without a line of its own in the log.
void EndOnWindowClose() { base::StopProgram(base::kExitErrorStop); }

// Letters to change, add or remove to turn one key into another, in any
// case (Levenshtein's distance).
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0]++;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                        std::toupper(static_cast<unsigned char>(b[j - 1]));
      const std::size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = row[j], row[j] = next;
    }
  }
  return row[b.size()];
}

// How far a key is from a name: a key the name begins with counts as near.
std::size_t Farness(const std::string& key, const std::string& name) {
  const std::string k = config::UpperCaseText(key), n = config::UpperCaseText(name);
  return n.compare(0, k.size(), k) == 0 && k.size() >= 4 ? 1 : Distance(key, name);
}

// A key that no setting has would be ignored without a word, and the run
// would write the default files: it is a usage error, with the nearest key.
void CheckKey(const std::string& key, const char* text) {
  if (config::KeyNamed(key) != nullptr) return;
  const config::KeySpec* nearest = &config::kKeys[0];
  for (const config::KeySpec& k : config::kKeys)
    if (Farness(key, k.Name) < Farness(key, nearest->Name)) nearest = &k;
  const bool close = Farness(key, nearest->Name) <= 3;
  UsageError("-c " + std::string(text) + ": no such key" +
             (close ? " (did you mean " + std::string(nearest->Name) + "?)" : ""));
}

// "KEY=VALUE" of a -c option, with a key of the table of keys (blanks inside
// a key are passed over, as in kurvex.cfg).
void TakeSetting(const char* text) {
  const char* eq = text != nullptr ? std::strchr(text, '=') : nullptr;
  const std::string key = eq != nullptr ? std::string(text, eq) : "";
  if (key.find_first_not_of(" \t") == std::string::npos)
    UsageError("-c needs KEY=VALUE" + (text != nullptr ? ", not \"" + std::string(text) + "\"" : ""));
  CheckKey(key, text);
  config::SetCommandLineValue(key, eq + 1);
}

bool Is(const char* arg, const char* option) { return std::strcmp(arg, option) == 0; }

}  // namespace

void PrepareProcess() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {  // the lowest free number is fd itself
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  // Beyond a file-size limit a write then fails (EFBIG) and is reported.
  std::signal(SIGXFSZ, SIG_IGN);
  base::RemoveTemporaryNamesOnSignals();
  gfx::SetAbortHandler(EndOnWindowClose);
}

void ReadCommandLine(int argc, char** argv) {
  std::vector<std::string> arguments{argc > 0 && argv[0] ? argv[0] : ""};
  int i = 1;
  for (; i < argc && argv[i] != nullptr; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-' || Is(arg, "-")) break;  // the first positional argument
    if (Is(arg, "--")) {
      ++i;
      break;
    }
    if (Is(arg, "--help") || Is(arg, "-h")) PrintAndStop(kUsage);
    if (Is(arg, "--version")) PrintAndStop((std::string(base::ProgramBanner) + "\n").c_str());
    if (Is(arg, "--batch")) {
      config::SetCommandLineValue("GraphGRXDriver", "memory");
    } else if (Is(arg, "-c")) {
      TakeSetting(++i < argc ? argv[i] : nullptr);
    } else if (std::strncmp(arg, "-c", 2) == 0) {
      TakeSetting(arg + 2);
    } else {
      UsageError("unknown option \"" + std::string(arg) + "\"");
    }
  }
  for (; i < argc && argv[i] != nullptr; ++i) arguments.push_back(argv[i]);
  config::SaveCommandLine(arguments);
}

}  // namespace driver
