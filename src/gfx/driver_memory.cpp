// The memory driver: no window, the picture lives only in the screen
// context, and input comes as words from standard input (or a text or file
// given instead): key names, single characters and "click/rclick/move X Y".
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <deque>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

// The memory driver's state, all of it.
struct MemoryState {
  // The command input: a stream (standard input unless set) or a text.
  FILE* File = stdin;
  bool UseText = false;
  std::string Text;
  size_t Pos = 0;
  bool Ended = false;  // once the input has ended it is never read again
  int Error = 0;       // the errno of a failed read, which also ends it
  // Events of the command being delivered. A command is read only when the
  // previous one's events are used up, so nothing is ever typed ahead.
  std::deque<MouseEvent> Pending;
  int32_t PointerX = 0, PointerY = 0;
};
MemoryState M;

constexpr size_t MaxWord = 64;         // longer words are cut (and are unknown anyway)
constexpr size_t MaxTypedName = 2048;  // of a line typed as a file name

struct KeyName {
  const char* Name;
  int32_t Code;
};
const KeyName KeyNames[] = {
    {"left", KeyLeft},          {"right", KeyRight},         {"up", KeyUp},
    {"down", KeyDown},          {"ctrl+left", KeyCtrlLeft},  {"ctrl+right", KeyCtrlRight},
    {"ctrl+up", KeyCtrlUp},     {"ctrl+down", KeyCtrlDown},  {"F1", KeyF1},
    {"F2", KeyF2},              {"F3", KeyF3},               {"F4", KeyF4}};

// A read error is told apart from the end of the input: it must not pass
// for the end of a script, which quits normally.
int ReadByte() {
  if (M.Ended) return EOF;
  int ch = EOF;
  if (M.UseText) {
    if (M.Pos < M.Text.size()) ch = static_cast<unsigned char>(M.Text[M.Pos++]);
  } else if (M.File != nullptr) {
    ch = std::getc(M.File);
    if (ch == EOF && std::ferror(M.File)) M.Error = errno != 0 ? errno : EIO;
  }
  if (ch == EOF) M.Ended = true;
  return ch;
}

// The next word (a run of bytes above the blank); false at the end of input.
bool NextWord(std::string& word) {
  int ch = ReadByte();
  while (ch != EOF && ch <= ' ') ch = ReadByte();
  if (ch == EOF) return false;
  word.clear();
  for (; ch != EOF && ch > ' '; ch = ReadByte())
    if (word.size() < MaxWord) word += static_cast<char>(ch);
  return true;
}

bool SameName(const std::string& word, const char* name) {
  size_t i = 0;
  for (; i < word.size() && name[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(word[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  return i == word.size() && name[i] == '\0';
}

// The key a word names, 0 when it names none. Key names ignore case; a
// single character stands for itself, so "q" and "Q" differ.
int32_t KeyOfWord(const std::string& word) {
  if (word.size() == 1) return static_cast<unsigned char>(word[0]);
  for (const KeyName& k : KeyNames)
    if (SameName(word, k.Name)) return k.Code;
  return 0;
}

// A coordinate: a plain decimal integer (an optional sign, then digits),
// clamped to 0..max as a real pointer is, however many digits it has.
// False for any other word, which then belongs to the broken command.
bool ParseCoordinate(const std::string& word, int32_t max, int32_t& value) {
  size_t i = word.size() > 1 && (word[0] == '-' || word[0] == '+') ? 1 : 0;
  if (i == word.size()) return false;
  int64_t magnitude = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    magnitude = std::min<int64_t>(magnitude * 10 + (word[i] - '0'), INT64_C(1) << 40);
  }
  const int64_t limit = std::max(max, 0);
  value = word[0] == '-' ? 0 : static_cast<int32_t>(std::min(magnitude, limit));
  return true;
}

void Report(const std::string& what) {
  std::fprintf(stderr, "memory driver: unknown input command \"%s\" skipped\n", what.c_str());
}

void QueueEvent(int32_t flags, int32_t buttons, int32_t key) {
  M.Pending.push_back(MouseEvent{flags, M.PointerX, M.PointerY, buttons, key});
}

// A key, then one empty event: a caller that drains events while a key is
// reported stops there instead of swallowing the next command.
void QueueKey(int32_t key) {
  QueueEvent(KeyPressed, 0, key);
  QueueEvent(0, 0, 0);
}

// Mouse commands: the pointer moves, then a press and a release (clicks) or
// the motion alone (move). A command whose X or Y is missing or no integer
// is dropped whole, its two words with it, so that no part of it can act as
// a key ("click 12.5 3" must not triple the errors).
bool QueueMouse(const std::string& word) {
  const bool click = word == "click", right = word == "rclick", move = word == "move";
  if (!click && !right && !move) return false;
  std::string xWord, yWord;
  int32_t x = 0, y = 0;
  const bool complete = NextWord(xWord) && NextWord(yWord);
  if (!complete || !ParseCoordinate(xWord, MaxX(), x) || !ParseCoordinate(yWord, MaxY(), y)) {
    std::fprintf(stderr, "memory driver: \"%s\" without X and Y skipped\n",
                 (word + (xWord.empty() ? "" : " " + xWord) + (yWord.empty() ? "" : " " + yWord)).c_str());
    return true;  // handled: the words read are dropped
  }
  M.PointerX = x, M.PointerY = y;
  if (move) {
    QueueEvent(MouseMotion, 0, 0);
  } else {
    QueueEvent(click ? LeftDown : RightDown, click ? LeftButton : RightButton, 0);
    QueueEvent(click ? LeftUp : RightUp, 0, 0);
  }
  return true;
}

// Reads words until one makes a command. The end of input is the key 'q',
// again at every later call, so a script can never leave a program waiting;
// a failed read is reported at every call instead.
void QueueNextCommand() {
  std::string word;
  while (M.Pending.empty()) {
    if (!NextWord(word)) {
      if (M.Error != 0)
        QueueEvent(InputFailed, 0, 0);
      else
        QueueKey('q');
    } else if (int32_t key = KeyOfWord(word); key != 0) {
      QueueKey(key);
    } else if (!QueueMouse(word)) {
      Report(word);
    }
  }
}

MouseEvent NextEvent(int32_t /*timeoutMs: input is a script, read as needed*/) {
  if (M.Pending.empty()) QueueNextCommand();
  MouseEvent e = M.Pending.front();
  M.Pending.pop_front();
  return e;
}

int32_t ReadKey() {
  for (;;) {
    MouseEvent e = NextEvent(-1);
    if ((e.Flags & KeyPressed) != 0) return e.Key;
    if ((e.Flags & InputFailed) != 0) return KeyInputFailed;
  }
}

bool Open() { return true; }
bool StartMode(int32_t, int32_t) { return true; }
void Close() { M.Pending.clear(); }
void SetTitle(const std::string&) {}
void Present() {}
void ShowCursor(const Cursor*) {}
bool HasMouse() { return true; }

// The dialogs on the terminal: the box's lines on standard error, a file
// name as one line of the command input.
bool ConsoleMessageBox(const std::string& /*title*/, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  return true;
}

std::string ConsoleSelectFile(const std::string& label, const std::string& /*initialName*/,
                              const std::vector<FileFilter>& /*filters*/) {
  std::fprintf(stderr, "%s", label.c_str());
  std::fflush(stderr);
  std::string line;
  for (int ch = ReadByte(); ch != EOF && ch != '\n'; ch = ReadByte())
    if (line.size() < MaxTypedName) line += static_cast<char>(ch);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return M.Error != 0 ? "" : line;
}

void ResetSource() {
  M.Pos = 0;
  M.Ended = false;
  M.Error = 0;
  M.Pending.clear();
}

}  // namespace

const Driver MemoryDriver = {MemoryDriverName, true,      Open,    StartMode,  Close,
                             SetTitle,         Present,   NextEvent, ReadKey, ShowCursor,
                             HasMouse,         ConsoleMessageBox, ConsoleSelectFile};

void SetMemoryInput(FILE* file) {
  ResetSource();
  M.UseText = false;
  M.File = file;
}

void SetMemoryInputText(const std::string& text) {
  ResetSource();
  M.UseText = true;
  M.Text = text;
}

int InputError() { return M.Error; }

}  // namespace gfx
