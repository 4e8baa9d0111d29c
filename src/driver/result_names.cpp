// Names of the files a run writes against each other and the data file.
// Two names are the same file when they are the same path once made
// absolute and freed of "." and ".." (and of links in the folders that
// exist), or when they name one existing file (device and inode). Only
// regular files and names not yet taken count: writing to a device such as
// /dev/null twice destroys nothing.
#include "driver/result_names.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/replace_file.h"
#include "base/run_log.h"
#include "base/stop.h"
#include "config/config_file.h"
#include "config/settings.h"

namespace driver {
namespace {

using config::Key;
namespace fs = std::filesystem;

struct NamedFile {
  const char* Role;  // the key that names it, or "the data file"
  std::string Name;
};

// What is at a name: nothing, a regular file, or something else.
struct AtName {
  bool Exists = false, Regular = false;
  dev_t Dev = 0;
  ino_t Ino = 0;
};

AtName Look(const std::string& name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return {};
  return {true, S_ISREG(st.st_mode) != 0, st.st_dev, st.st_ino};
}

bool SameFile(const std::string& a, const std::string& b) {
  const AtName la = Look(a), lb = Look(b);
  if ((la.Exists && !la.Regular) || (lb.Exists && !lb.Regular)) return false;
  if (la.Exists && lb.Exists) return la.Dev == lb.Dev && la.Ino == lb.Ino;
  std::error_code e1, e2;
  const fs::path pa = fs::weakly_canonical(fs::absolute(a, e1), e1);
  const fs::path pb = fs::weakly_canonical(fs::absolute(b, e2), e2);
  return !e1 && !e2 && pa == pb;
}

[[noreturn]] void Clash(const NamedFile& a, const NamedFile& b) {
  const std::string what = [&] {
    if (std::string(b.Role) == "the data file") return " is the data file (" + b.Name + ")";
    return " and " + std::string(b.Role) + " (" + b.Name + ") are the same file";
  }();
  base::StopProgram(base::kExitUsageError, {},
                    "kurvex: " + std::string(a.Role) + " (" + a.Name + ")" + what +
                        ": nothing was written\n");
}

// A name with %n waits while the file dialog has still to choose the data
// file; the log, opened before that, takes "kurvex" for it (settings.h).
bool WaitsForDataFile(Key key) {
  return key != Key::LogFileName && config::DataFileForNames.empty() &&
         config::UsesDataFileName(config::ConfigValue(key));
}

// The files named so far; the log by the name it was opened with, since
// the dialog's choice changes no open file's name.
std::vector<NamedFile> ResultFiles() {
  std::vector<NamedFile> files;
  for (const Key key : {Key::LogFileName, Key::OutputFileName, Key::CalcDataFileName, Key::ReportFileName,
                        Key::FitTableFileName, Key::MarkTableFileName, Key::FigureFileName}) {
    if (WaitsForDataFile(key)) continue;
    const bool openLog = key == Key::LogFileName && base::RunLogIsOpen();
    const std::string name = openLog ? config::Settings.LogFileName : config::WrittenFileName(key);
    if (!name.empty()) files.push_back({config::Spec(key).Name, name});
  }
  return files;
}

// The files the run replaces, which it holds locked from its start: the
// log has its own lock, and the tables are shared by every run.
bool HeldForTheRun(const NamedFile& f) {
  for (const Key key : {Key::LogFileName, Key::FitTableFileName, Key::MarkTableFileName})
    if (std::string(f.Role) == config::Spec(key).Name) return false;
  return true;
}

void CheckAgainst(const std::vector<NamedFile>& files, const std::string& dataFile) {
  for (const NamedFile& f : files)
    if (SameFile(f.Name, dataFile)) Clash(f, {"the data file", dataFile});
}

}  // namespace

std::string NamedDataFile() {
  std::string name = config::CommandLine.Argument[1];
  if (name.empty()) name = config::ConfigValue(Key::InputFileName);
  return name == "?" ? "" : name;
}

void CheckResultNames() {
  const std::vector<NamedFile> files = ResultFiles();
  for (std::size_t i = 0; i < files.size(); ++i)
    for (std::size_t j = i + 1; j < files.size(); ++j)
      if (SameFile(files[i].Name, files[j].Name)) Clash(files[i], files[j]);
  const std::string data = NamedDataFile();
  if (!data.empty()) CheckAgainst(files, data);
}

void HoldResultFiles() {
  for (const NamedFile& f : ResultFiles())
    if (HeldForTheRun(f)) base::HoldForTheRun(f.Name);
}

void CheckDataFileIsNoResult(const std::string& dataFile) { CheckAgainst(ResultFiles(), dataFile); }

}  // namespace driver
