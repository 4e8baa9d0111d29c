// The window driver's GTK code is a module the program loads only when the
// window driver is chosen: a run without a window maps no GTK library, and
// a program without its module stops as when there is no display, with the
// loader's reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunProgram;
using testutil::TempDir;

const std::string kData = "0 1\n1 3\n2 5\n3 7\n";

// The dynamic loader's own list of the files it maps (LD_DEBUG=files),
// dlopen included; libpng, which the program links, shows the list is real.
TEST(GtkModule, ABatchRunMapsNoGtkLibrary) {
  TempDir dir;
  testutil::WriteFile(dir / "d.dat", kData);
  const testutil::RunResult r = RunProgram(
      dir.Path(),
      {"env", "LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + (dir / "loaded"), KURVEX_BINARY, "--batch", "d.dat"},
      "q", "/usr/bin/env");
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::string loaded;
  for (const fs::directory_entry& e : fs::directory_iterator(dir.Path()))
    if (e.path().filename().string().rfind("loaded.", 0) == 0) loaded += testutil::ReadFile(e.path());
  EXPECT_NE(loaded.find("file=libpng16.so"), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("gtk"), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("gdk"), std::string::npos) << loaded;
}

// A copy of the program with no module beside it nor in its lib folder, a
// display named: the window driver cannot run, and standard error says
// which file is missing before the usual stop.
TEST(GtkModule, WithoutItsModuleTheWindowRunStopsWithTheLoadersReason) {
  TempDir dir;
  fs::create_directory(dir / "bin");
  fs::copy_file(KURVEX_BINARY, dir / "bin/kurvex");
  testutil::WriteFile(dir / "d.dat", kData);
  const testutil::RunResult r = RunProgram(
      dir.Path(), {"env", "DISPLAY=:65000", dir / "bin/kurvex", "d.dat"}, "", "/usr/bin/env");
  EXPECT_EQ(r.Status, 1);
  const std::string reason = "kurvex: the window driver's module cannot be loaded: " + dir.Path() + "/lib";
  ASSERT_EQ(r.Err.rfind(reason, 0), 0u) << r.Err;
  const size_t end = r.Err.find('\n') + 1;
  EXPECT_TRUE(r.Err.substr(0, end).ends_with(
      "/kurvex/kurvex-gtk.so: cannot open shared object file: No such file or directory\n"))
      << r.Err;
  EXPECT_EQ(r.Err.substr(end),
            "kurvex: use --batch (or GraphGRXDriver = memory in kurvex.cfg) to run without a window\n"
            "kurvex: The required graphic mode cannot be initialized; the supported modes are "
            "listed in the run log.\n");
}

}  // namespace
