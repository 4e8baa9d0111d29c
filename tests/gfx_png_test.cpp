// PNG export: decoded again with libpng and compared pixel by pixel, palette
// colours included; failures must come back as failures.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "gfx/gfx.h"
#include "gfx_test_support.h"

namespace {

struct Image {
  uint32_t Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
};

Image Decode(const std::vector<uint8_t>& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Image out;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return out;
  image.format = PNG_FORMAT_RGB;
  out.Rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.Rgb.data(), 0, nullptr)) return Image{};
  out.Width = image.width, out.Height = image.height;
  return out;
}

uint32_t BigEndian32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// A 6 x 5 red "F" on blue, with a grey pixel: catches swapped channels,
// rows and columns.
gfx::Context* Fixture(gfx::Colour red, gfx::Colour blue, gfx::Colour grey) {
  gfx::Context* c = gfxtest::Canvas(6, 5, blue);
  gfx::HLine(1, 4, 0, red);
  gfx::VLine(1, 0, 4, red);
  gfx::HLine(1, 3, 2, red);
  gfx::FilledBox(5, 4, 5, 4, grey);
  return c;
}

TEST(GfxPng, RoundTripAtPaletteAndPackedDepths) {
  for (int32_t bpp : {1, 4, 8, 16, 32}) {
    gfxtest::MemoryMode(bpp);
    const gfx::Colour red = gfx::AllocColour(168, 0, 0), blue = gfx::AllocColour(0, 0, 168);
    const gfx::Colour grey = gfx::AllocColour(84, 84, 84);
    gfx::Context* c = Fixture(red, blue, grey);
    std::vector<uint8_t> png;
    ASSERT_TRUE(gfx::SavePngToMemory(c, png)) << bpp;
    // The header: 8-bit RGB, not interlaced.
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(BigEndian32(png, 16), 6u);
    EXPECT_EQ(BigEndian32(png, 20), 5u);
    EXPECT_EQ(png[24], 8);  // bit depth
    EXPECT_EQ(png[25], 2);  // colour type RGB
    EXPECT_EQ(png[28], 0);  // no interlace
    const Image image = Decode(png);
    ASSERT_EQ(image.Width, 6u);
    ASSERT_EQ(image.Height, 5u);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        const gfx::Rgb want = gfx::ColourRgb(gfx::PixelAt(c, x, y));
        const uint8_t* got = &image.Rgb[3 * (y * 6 + x)];
        EXPECT_EQ(got[0], want.Red) << bpp << " at " << x << "," << y;
        EXPECT_EQ(got[1], want.Green);
        EXPECT_EQ(got[2], want.Blue);
      }
    // The palette resolves: at depth 4 the red of the "F" is palette red.
    if (bpp == 4) {
      EXPECT_EQ(image.Rgb[3 * 1], 168);
    }
    gfx::DestroyContext(c);
  }
}

TEST(GfxPng, FileMatchesMemoryAndFailuresReportFailure) {
  gfxtest::MemoryMode(24);
  gfx::Context* c = Fixture(0xFF0000, 0x0000FF, 0x808080);
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string path = (dir / ("gfx_png_test_" + std::to_string(::getpid()) + ".png")).string();
  ASSERT_TRUE(gfx::SavePng(c, path));
  std::vector<uint8_t> fromMemory;
  ASSERT_TRUE(gfx::SavePngToMemory(c, fromMemory));
  std::vector<uint8_t> fromFile(std::filesystem::file_size(path));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fread(fromFile.data(), 1, fromFile.size(), f), fromFile.size());
  std::fclose(f);
  std::filesystem::remove(path);
  EXPECT_EQ(fromFile, fromMemory);

  EXPECT_FALSE(gfx::SavePng(c, (dir / "no-such-dir-gfx" / "x.png").string()));
  EXPECT_FALSE(gfx::SavePng(nullptr, path));
  std::vector<uint8_t> png{1, 2, 3};
  EXPECT_FALSE(gfx::SavePngToMemory(nullptr, png));
  EXPECT_TRUE(png.empty());
  // A device that takes no data: the failure surfaces on writing or closing.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(gfx::SavePng(c, "/dev/full"));
  }
  gfx::DestroyContext(c);
}

}  // namespace
