// Adding whole lines to a file that many runs write at the same time (the
// shared tables). Each addition is one write(2) on a descriptor opened with
// O_APPEND, under an exclusive flock(2) that is held from the look at the
// file's end to the write: concurrent runs add their lines one after the
// other, never into each other, and a run killed at any moment leaves the
// lines before its own as they were, and no piece of a row that outlives
// the next addition. Such a file is never replaced, so it
// is never "in use by another run".
#pragma once
#include <string>

namespace base {

// Adds `lines` (whole lines, each with its line end) to the file `name`,
// made when missing, with `header` before them when the file is empty.
// When the file does not end with a line end, a table begun with `header`
// loses its cut last row (a run killed while the kernel wrote its rows page
// by page), and any other file gets a line end first, so that the new
// lines stand on lines of their own. A failure to open or write is the
// fatal input/output stop naming the file; a failed write is taken back.
void AppendLines(const std::string& name, const std::string& header, const std::string& lines);

}  // namespace base
