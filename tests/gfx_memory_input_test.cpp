// The memory driver's input commands: key names and characters, mouse
// commands, unknown words and the end of input, read the way a program
// waits for commands (poll, then drain while a key or button is held).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "gfx/gfx.h"
#include "gfx_test_support.h"

namespace {

// One wait of an interactive program with the mouse in use: poll with
// time-out 0 until something happens, then drain while the last event has a
// key or a button held. Returns what the wait saw first.
std::string WaitForCommand() {
  gfx::MouseEvent e;
  do e = gfx::MouseGetEvent(0);
  while (e.Flags == 0);
  std::string seen;
  if (e.Key > 0)
    seen = "key " + std::to_string(e.Key);
  else
    seen = (e.Buttons == gfx::LeftButton    ? "left "
            : e.Buttons == gfx::RightButton ? "right "
                                            : "none ") +
           std::to_string(e.X) + "," + std::to_string(e.Y);
  while (e.Key > 0 || e.Buttons != 0) e = gfx::MouseGetEvent(0);
  return seen;
}

class GfxMemoryInput : public ::testing::Test {
 protected:
  void SetUp() override { gfxtest::MemoryMode(8); }
  void TearDown() override { gfx::SetMemoryInput(stdin); }
};

TEST_F(GfxMemoryInput, EachCommandArrivesAtExactlyOneWait) {
  gfx::SetMemoryInputText(
      "left right up down ctrl+left ctrl+right ctrl+up ctrl+down F1 F2 F3 F4\n"
      "q Q x 2 - ` \xE9 click 10 20 rclick 5 6 move 7 8 Ctrl+Up f4");
  const char* expected[] = {
      "key 331", "key 333", "key 328", "key 336", "key 371", "key 372", "key 397", "key 401",
      "key 315", "key 316", "key 317", "key 318", "key 113", "key 81",  "key 120", "key 50",
      "key 45",  "key 96",  "key 233", "left 10,20", "right 5,6", "none 7,8", "key 397",
      "key 318"};
  for (const char* want : expected) EXPECT_EQ(WaitForCommand(), want);
  // The end of input is "q", at every wait from now on.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitForCommand(), "key 113");
  EXPECT_EQ(gfx::KeyRead(), 'q');
}

TEST_F(GfxMemoryInput, ClickGivesPressThenReleaseAtThePointer) {
  gfx::SetMemoryInputText("click 3 4 move 9999 -5");
  gfx::MouseEvent e = gfx::MouseGetEvent(0);
  EXPECT_EQ(e.Flags, gfx::LeftDown);
  EXPECT_EQ(e.Buttons, gfx::LeftButton);
  e = gfx::MouseGetEvent(0);
  EXPECT_EQ(e.Flags, gfx::LeftUp);
  EXPECT_EQ(e.Buttons, 0);
  EXPECT_EQ(e.X, 3);
  EXPECT_EQ(e.Y, 4);
  e = gfx::MouseGetEvent(0);  // clamped to the screen, like a real pointer
  EXPECT_EQ(e.Flags, gfx::MouseMotion);
  EXPECT_EQ(e.X, 639);
  EXPECT_EQ(e.Y, 0);
}

// A mouse command whose X or Y is missing or no plain integer is dropped
// with both its words, so that no part of it acts as a key ("3" would
// triple every error); integers beyond 32 bits are clamped like any other.
TEST_F(GfxMemoryInput, UnknownWordsAndBrokenMouseCommandsAreSkipped) {
  gfx::SetMemoryInputText(
      "hello F9 click 12.5 3 rclick 1 x move 1e3 0 click 99999999999 2 "
      "move -99999999999 +7 rclick 2 2 click 5");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WaitForCommand(), "left 639,2");
  EXPECT_EQ(WaitForCommand(), "none 0,7");
  EXPECT_EQ(WaitForCommand(), "right 2,2");
  EXPECT_EQ(WaitForCommand(), "key 113");  // "click 5" runs into the end of input
  const std::string err = ::testing::internal::GetCapturedStderr();
  for (const char* skipped : {"\"hello\"", "\"F9\"", "\"click 12.5 3\"", "\"rclick 1 x\"",
                              "\"move 1e3 0\"", "\"click 5\""})
    EXPECT_NE(err.find(skipped), std::string::npos) << skipped << " in " << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 6);
}

// A read error is not the end of the script: it is reported at every wait
// and never turns into the quit key.
TEST_F(GfxMemoryInput, AReadErrorIsToldApartFromTheEnd) {
  FILE* input = std::fopen("/", "r");  // a directory: reading fails with EISDIR
  ASSERT_NE(input, nullptr);
  gfx::SetMemoryInput(input);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(gfx::MouseGetEvent(0).Flags, gfx::InputFailed);
  EXPECT_EQ(gfx::KeyRead(), gfx::KeyInputFailed);
  EXPECT_EQ(gfx::InputError(), EISDIR);
  gfx::SetMemoryInput(stdin);
  EXPECT_EQ(gfx::InputError(), 0);
  std::fclose(input);
}

TEST_F(GfxMemoryInput, KeyReadTakesKeysAndSkipsMouseCommands) {
  std::string script = "move 1 1 click 2 2 F2 rclick 3 3 a";
  FILE* input = fmemopen(script.data(), script.size(), "r");
  ASSERT_NE(input, nullptr);
  gfx::SetMemoryInput(input);
  EXPECT_EQ(gfx::KeyRead(), gfx::KeyF2);
  EXPECT_EQ(gfx::KeyRead(), 'a');
  EXPECT_EQ(gfx::KeyRead(), 'q');
  EXPECT_EQ(gfx::KeyRead(), 'q');
  std::fclose(input);
  EXPECT_TRUE(gfx::MouseDetect());
}

TEST_F(GfxMemoryInput, ALongWordIsOneUnknownCommand) {
  gfx::SetMemoryInputText(std::string(100000, 'z') + " 7");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WaitForCommand(), "key 55");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

}  // namespace
