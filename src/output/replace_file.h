// Writing a result file so that the one it replaces stays whole until the
// new one is complete: the text goes to a temporary file beside it, which is
// then renamed over the old name in one step. A full disk or a killed run
// therefore never leaves a result file cut short or emptied.
#pragma once
#include <cstdio>
#include <string>

namespace output {

struct ReplacementFile {
  std::FILE* File = nullptr;
  std::string Name;      // the name the user gave, used in every message
  std::string TempName;  // empty when the file is written in place
};

// Opens a new file for `name`, with the old file's permissions and owner. A
// name that exists but is no regular file (a device, a FIFO, a symbolic
// link), a file with further hard links (they would keep the old text) and a
// file in a folder where no temporary file can be made are written in place; the old text is then lost on
// opening, as with any program. False, with errno, when nothing could be opened.
bool OpenReplacement(ReplacementFile& f, const std::string& name);

// Puts what has been written under the name (the stream may stay open and
// go on writing into it). Everything written must have been flushed. False,
// with errno, when the rename fails.
bool PublishReplacement(ReplacementFile& f);

// The fatal stop for a failed write: removes the temporary file, so that the
// old file stays as it was, and reports the user's name with the reason. The
// stream is not flushed again.
[[noreturn]] void FailReplacement(ReplacementFile& f, int error);

}  // namespace output
