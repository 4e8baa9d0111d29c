// Configuration files: the candidate files, and the line-by-line scan of
// one file for the program's section and a key within it.
#include "config/config_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/stop.h"

namespace config {
namespace {

std::string programPath;
// Keys set with -c, upper-cased and without blanks, and their values.
struct CommandLineValue {
  std::string Key;
  ConfigLookup Value;
};
std::vector<CommandLineValue> commandLineValues;

// Reading one configuration file line by line. Only a line feed ends a
// line; a carriage return is one of the control characters that every step
// of the scan passes over.
struct ConfigReader {
  std::FILE* file;
  const std::string& name;
  bool lineCut = false;  // the last line read was longer than 255 characters

  int Next() {
    int c = std::getc(file);
    if (c == EOF && std::ferror(file)) base::FatalIoError(name, errno);
    return c;
  }

  // A line of at most 255 characters; the rest of a longer line is dropped.
  std::string ReadLine() {
    std::string line;
    lineCut = false;
    for (int c = Next(); c != EOF && c != '\n'; c = Next()) {
      if (line.size() < base::kMaxText) line += static_cast<char>(c);
      else lineCut = true;
    }
    return line;
  }

  // Passes over everything up to the next character above code 32 and
  // tells whether one is left.
  bool SkipToNextLine() {
    for (int c = Next(); c != EOF; c = Next()) {
      if (static_cast<unsigned char>(c) > 32) {
        std::ungetc(c, file);
        return true;
      }
    }
    return false;
  }
};

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string WithoutControls(const std::string& text) {
  std::string result;
  for (char c : text)
    if (!IsControlOrBlank(c)) result += c;
  return result;
}

// Only a regular file (or a link to one) is a configuration file: a device
// such as /dev/zero never ends, and opening a FIFO waits for a writer.
bool IsRegularCandidate(const std::string& name, struct stat& st) {
  return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Where a trailing comment begins in a value: at the first "#" or "%".
// In the name of a file the run writes, "%n" (the data file's name) and
// "%%" (a percent sign) are part of the name, and only another "%" begins
// a comment; a value without them ends where it always did.
std::size_t CommentStart(const std::string& value, bool namesAWrittenFile) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '#') return i;
    if (value[i] != '%') continue;
    const char next = i + 1 < value.size() ? value[i + 1] : '\0';
    if (!namesAWrittenFile || (next != 'n' && next != '%')) return i;
    ++i;
  }
  return std::string::npos;
}

// The text after the first "=", without blanks around it and without a
// trailing comment (see CommentStart). Of a line cut at 255 characters
// the value is cut too unless a comment began before the cut.
ConfigLookup ExtractValue(const std::string& line, bool lineCut, bool namesAWrittenFile) {
  std::string value = line.substr(line.find('=') + 1);
  std::size_t start = 0;
  while (start < value.size() && IsControlOrBlank(value[start])) ++start;
  value.erase(0, start);
  const std::size_t at = CommentStart(value, namesAWrittenFile);
  const bool comment = at != std::string::npos;
  if (comment) value.erase(at);
  while (!value.empty() && IsControlOrBlank(value.back())) value.pop_back();
  return ConfigLookup{value, lineCut && !comment};
}

// Phase A: passes lines until one holds the section header. A header on the
// last non-blank line is never used, since nothing of the section follows.
bool FindSection(ConfigReader& in, const std::string& header) {
  for (;;) {
    std::string line = WithoutControls(UpperCaseText(in.ReadLine()));
    if (!in.SkipToNextLine()) return false;
    if (line.find(header) != std::string::npos) return true;
  }
}

// One file's section as the lookups read it: for every key named there the
// value of its first line, so that a key costs no scan of the file.
struct SectionIndex {
  std::unordered_map<std::string, ConfigLookup> Values;  // by key, upper-cased, without blanks
};

// Phase B: each line of the section that sets a key, up to the section's
// end (a line beginning with "[", which is still read for a key, or the
// end of the file); the first line of a key is the one that counts.
void IndexKeys(ConfigReader& in, SectionIndex& index) {
  for (;;) {
    std::string line = in.ReadLine();
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) {
      const std::string name = WithoutControls(line.substr(0, eq));
      const std::string key = name + line.substr(eq);
      bool comment = !key.empty() && (key[0] == '#' || key[0] == '%');
      // Only a value with a "%" asks which key it belongs to.
      const KeySpec* spec = !comment && key.find('%') != std::string::npos ? KeyNamed(name) : nullptr;
      if (!comment)
        index.Values.emplace(UpperCaseText(name),
                             ExtractValue(key, in.lineCut, spec != nullptr && NamesAWrittenFile(spec->Id)));
    }
    if (!in.SkipToNextLine() || (!line.empty() && line[0] == '[')) return;
  }
}

SectionIndex IndexFile(const std::string& fileName, const std::string& upperSection) {
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (!file) base::FatalIoError(fileName, errno);
  ConfigReader in{file, fileName};
  SectionIndex index;
  if (FindSection(in, "[" + upperSection + "]")) IndexKeys(in, index);
  std::fclose(file);
  return index;
}

ConfigLookup Find(const SectionIndex& index, const std::string& upperKey) {
  const auto at = index.Values.find(upperKey);
  return at == index.Values.end() ? ConfigLookup{} : at->second;
}

// The candidate files indexed so far. Every lookup still asks each file
// afresh whether it has changed (its identity, size and time of change),
// and indexes it again when it has: a long file is read once a run, not
// once a key.
struct IndexedFile {
  std::string Name, UpperSection;
  dev_t Dev;
  ino_t Ino;
  off_t Size;
  struct timespec Changed;
  SectionIndex Index;
};
std::vector<IndexedFile> indexed;

const SectionIndex& IndexOf(const std::string& name, const struct stat& st,
                            const std::string& upperSection) {
  for (IndexedFile& f : indexed)
    if (f.Name == name && f.UpperSection == upperSection) {
      const bool same = f.Dev == st.st_dev && f.Ino == st.st_ino && f.Size == st.st_size &&
                        f.Changed.tv_sec == st.st_mtim.tv_sec && f.Changed.tv_nsec == st.st_mtim.tv_nsec;
      if (!same) f = IndexedFile{name, upperSection, st.st_dev, st.st_ino, st.st_size, st.st_mtim,
                                 IndexFile(name, upperSection)};
      return f.Index;
    }
  indexed.push_back({name, upperSection, st.st_dev, st.st_ino, st.st_size, st.st_mtim,
                     IndexFile(name, upperSection)});
  return indexed.back().Index;
}

}  // namespace

const KeySpec* KeyNamed(const std::string& key) {
  const std::string upperKey = WithoutControls(UpperCaseText(key));
  for (const KeySpec& k : kKeys)
    if (UpperCaseText(k.Name) == upperKey) return &k;
  return nullptr;
}

void SetCommandLineValue(const std::string& key, const std::string& value) {
  const std::string upperKey = WithoutControls(UpperCaseText(key));
  const ConfigLookup v{base::CutText(value), value.size() > base::kMaxText};
  for (CommandLineValue& c : commandLineValues)
    if (c.Key == upperKey) {
      c.Value = v;
      return;
    }
  commandLineValues.push_back({upperKey, v});
}

void SetProgramPath(const char* argument0) {
  programPath = argument0 ? argument0 : "";
}

ProgramPathParts ProgramPath() {
  std::string full = programPath;
  if (full.empty() || full[0] != '/') {
    char cwd[4096];
    std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (base.empty() || base.back() != '/') base += '/';
    full = base + full;
  }
  ProgramPathParts parts;
  std::size_t slash = full.rfind('/');
  parts.Dir = full.substr(0, slash + 1);
  parts.Name = full.substr(slash + 1);
  std::size_t dot = parts.Name.rfind('.');
  if (dot != std::string::npos && dot > 0) parts.Name.erase(dot);
  return parts;
}

std::string UpperCaseText(const std::string& text) {
  std::string result = base::CutText(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

ConfigLookup ScanConfigFile(const std::string& fileName, const std::string& upperSection,
                            const std::string& upperKey) {
  return Find(IndexFile(fileName, upperSection), upperKey);
}

ConfigLookup LookUpValue(const std::string& section, const std::string& key) {
  const std::string upperSection = UpperCaseText(section);
  const std::string upperKey = UpperCaseText(key);
  ConfigLookup value;
  if (upperSection == UpperCaseText(ConfigSection))
    for (const CommandLineValue& c : commandLineValues)
      if (c.Key == upperKey) value = c.Value;
  if (!value.Value.empty()) return value;
  const ProgramPathParts path = ProgramPath();
  const std::string candidates[4] = {
      "./kurvex.cfg", "./" + path.Name + ".cfg", path.Dir + "kurvex.cfg",
      path.Dir + path.Name + ".cfg"};
  for (const std::string& name : candidates) {
    if (!value.Value.empty()) break;
    struct stat st;
    if (IsRegularCandidate(name, st)) value = Find(IndexOf(name, st, upperSection), upperKey);
  }
  return value;
}

std::string ConfigValue(const std::string& section, const std::string& key) {
  return LookUpValue(section, key).Value;
}

std::string ConfigValue(const std::string& key) { return ConfigValue(ConfigSection, key); }

std::string ConfigValue(Key key) {
  const ConfigLookup v = LookUpValue(ConfigSection, Spec(key).Name);
  if (v.Cut && NamesAFile(key)) {
    base::StopProgram(base::kExitUsageError, {},
                      std::string("kurvex: ") + Spec(key).Name +
                          ": the file name is longer than 255 characters\n");
  }
  return v.Value;
}

}  // namespace config
