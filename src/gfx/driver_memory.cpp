// The memory driver: no window, the picture lives only in the screen
// context, and input comes as words from standard input (or a text or file
// given instead): key names, single characters and "click/rclick/move X Y".
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <deque>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

struct CommandSource {
  FILE* File = stdin;
  bool UseText = false;
  std::string Text;
  size_t Pos = 0;
  bool Ended = false;  // once the input has ended it is never read again
  std::string PushedBack;
  bool HasPushedBack = false;
};
CommandSource Source;

// Events of the command being delivered. A command is read only when the
// previous one's events are used up, so nothing is ever typed ahead.
std::deque<MouseEvent> Pending;
int32_t PointerX = 0, PointerY = 0;

constexpr size_t MaxWord = 64;  // longer words are cut (and are unknown anyway)

struct KeyName {
  const char* Name;
  int32_t Code;
};
const KeyName KeyNames[] = {
    {"left", KeyLeft},          {"right", KeyRight},         {"up", KeyUp},
    {"down", KeyDown},          {"ctrl+left", KeyCtrlLeft},  {"ctrl+right", KeyCtrlRight},
    {"ctrl+up", KeyCtrlUp},     {"ctrl+down", KeyCtrlDown},  {"F1", KeyF1},
    {"F2", KeyF2},              {"F3", KeyF3},               {"F4", KeyF4}};

int ReadByte() {
  if (Source.Ended) return EOF;
  int ch = EOF;
  if (Source.UseText) {
    if (Source.Pos < Source.Text.size()) ch = static_cast<unsigned char>(Source.Text[Source.Pos++]);
  } else if (Source.File != nullptr) {
    ch = std::getc(Source.File);
  }
  if (ch == EOF) Source.Ended = true;
  return ch;
}

// The next word (a run of bytes above the blank); false at the end of input.
bool NextWord(std::string& word) {
  if (Source.HasPushedBack) {
    Source.HasPushedBack = false;
    word = Source.PushedBack;
    return true;
  }
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

// A coordinate word, clamped to the screen as a real pointer is. A word
// that is not an integer is left to be read as the next command.
bool ReadCoordinate(int32_t& value, int32_t max) {
  std::string word;
  if (!NextWord(word)) return false;
  const char* end = word.data() + word.size();
  auto [p, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc() || p != end) {
    Source.PushedBack = word;
    Source.HasPushedBack = true;
    return false;
  }
  value = std::clamp(value, 0, std::max(max, 0));
  return true;
}

void Report(const std::string& what) {
  std::fprintf(stderr, "memory driver: unknown input command \"%s\" skipped\n", what.c_str());
}

void QueueEvent(int32_t flags, int32_t buttons, int32_t key) {
  Pending.push_back(MouseEvent{flags, PointerX, PointerY, buttons, key});
}

// A key, then one empty event: a caller that drains events while a key is
// reported stops there instead of swallowing the next command.
void QueueKey(int32_t key) {
  QueueEvent(KeyPressed, 0, key);
  QueueEvent(0, 0, 0);
}

// Mouse commands: the pointer moves, then a press and a release (clicks) or
// the motion alone (move). False when the coordinates are missing.
bool QueueMouse(const std::string& word) {
  const bool click = word == "click", right = word == "rclick", move = word == "move";
  if (!click && !right && !move) return false;
  int32_t x = 0, y = 0;
  if (!ReadCoordinate(x, MaxX()) || !ReadCoordinate(y, MaxY())) {
    std::fprintf(stderr, "memory driver: \"%s\" without X and Y skipped\n", word.c_str());
    return true;  // handled: the words read are dropped
  }
  PointerX = x, PointerY = y;
  if (move) {
    QueueEvent(MouseMotion, 0, 0);
  } else {
    QueueEvent(click ? LeftDown : RightDown, click ? LeftButton : RightButton, 0);
    QueueEvent(click ? LeftUp : RightUp, 0, 0);
  }
  return true;
}

// Reads words until one makes a command. The end of input is the key 'q',
// again at every later call, so a script can never leave a program waiting.
void QueueNextCommand() {
  std::string word;
  while (Pending.empty()) {
    if (!NextWord(word)) {
      QueueKey('q');
    } else if (int32_t key = KeyOfWord(word); key != 0) {
      QueueKey(key);
    } else if (!QueueMouse(word)) {
      Report(word);
    }
  }
}

MouseEvent NextEvent(int32_t /*timeoutMs: input is a script, read as needed*/) {
  if (Pending.empty()) QueueNextCommand();
  MouseEvent e = Pending.front();
  Pending.pop_front();
  return e;
}

int32_t ReadKey() {
  for (;;) {
    MouseEvent e = NextEvent(-1);
    if ((e.Flags & KeyPressed) != 0) return e.Key;
  }
}

bool Open() { return true; }
bool StartMode(int32_t, int32_t) { return true; }
void Close() { Pending.clear(); }
void SetTitle(const std::string&) {}
void Present() {}
void ShowCursor(const Cursor*) {}
bool HasMouse() { return true; }

void ResetSource() {
  Source.Pos = 0;
  Source.Ended = false;
  Source.HasPushedBack = false;
  Pending.clear();
}

}  // namespace

const Driver MemoryDriver = {MemoryDriverName, true,  Open,     StartMode, Close,   SetTitle,
                             Present,          NextEvent, ReadKey, ShowCursor, HasMouse};

void SetMemoryInput(FILE* file) {
  ResetSource();
  Source.UseText = false;
  Source.File = file;
}

void SetMemoryInputText(const std::string& text) {
  ResetSource();
  Source.UseText = true;
  Source.Text = text;
}

}  // namespace gfx
