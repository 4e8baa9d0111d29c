// PNG decoding for the tests through libpng's simplified reading interface.
#include "png_read.h"

#include <png.h>

#include <fstream>
#include <iterator>

namespace pngread {

namespace {

int32_t BigEndian32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>((uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) |
                              (uint32_t{b[at + 2]} << 8) | uint32_t{b[at + 3]});
}

// The header chunk always follows the 8-byte signature: length, "IHDR",
// width, height, bit depth, colour type, compression, filter, interlace.
bool ReadHeader(const std::vector<uint8_t>& bytes, Image& image) {
  if (bytes.size() < 33 || std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR")
    return false;
  image.BitDepth = bytes[24];
  image.ColourType = bytes[25];
  image.Interlace = bytes[28];
  return BigEndian32(bytes, 16) > 0 && BigEndian32(bytes, 20) > 0;
}

}  // namespace

Pixel Image::At(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return Pixel{};
  const size_t i = (static_cast<size_t>(y) * Width + x) * 3;
  return Pixel{Rgb[i], Rgb[i + 1], Rgb[i + 2]};
}

Image ReadPng(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  Image image;
  if (!ReadHeader(bytes, image)) return Image{};
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return Image{};
  png.format = PNG_FORMAT_RGB;
  image.Rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.Rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return Image{};
  }
  image.Width = static_cast<int32_t>(png.width);
  image.Height = static_cast<int32_t>(png.height);
  return image;
}

uint64_t PixelHash(const Image& image) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a over width, height and pixels
  auto mix = [&h](uint8_t byte) { h = (h ^ byte) * 1099511628211ull; };
  for (int32_t v : {image.Width, image.Height})
    for (int i = 0; i < 4; ++i) mix(static_cast<uint8_t>(v >> (8 * i)));
  for (uint8_t byte : image.Rgb) mix(byte);
  return h;
}

}  // namespace pngread
