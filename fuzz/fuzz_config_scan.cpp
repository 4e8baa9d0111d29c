// Fuzz target: the scan of one configuration file for a key. The first line
// of the input is the key, the rest is the file. Whatever they hold, the
// value found obeys the rules every caller relies on.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_file.h"
#include "fuzz_support.h"

namespace {

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// At most 255 characters, no comment characters, nothing blank at either end.
void CheckValue(const std::string& value) {
  if (value.size() > 255) fuzz::Finding("value longer than 255 characters");
  if (value.find_first_of("%#") != std::string::npos) fuzz::Finding("comment left in a value");
  if (!value.empty() && (IsControlOrBlank(value.front()) || IsControlOrBlank(value.back())))
    fuzz::Finding("blank left at the end of a value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nl = input.find('\n');
  const std::string key = input.substr(0, nl);
  const std::string content = nl == std::string::npos ? "" : input.substr(nl + 1);
  const std::string file = fuzz::ScratchDir() + "/kurvex.cfg";
  fuzz::WriteFile(file, content);

  const std::string upperKey = config::UpperCaseText(key);
  if (upperKey.size() > 255) fuzz::Finding("upper-cased key longer than 255 characters");
  CheckValue(config::ScanConfigFile(file, "KURVEX", upperKey).Value);
  // The key as a section name too: any text may stand between the brackets.
  CheckValue(config::ScanConfigFile(file, upperKey, "LOGFILENAME").Value);
  return 0;
}
