// Reading PNG files back in the tests: the picture as 8-bit RGB triples, and
// the format fields of the file's header, so that an exported image can be
// checked pixel by pixel and for its declared layout.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pngread {

struct Pixel {
  int32_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const Pixel&) const = default;
};

struct Image {
  int32_t Width = 0, Height = 0;
  // From the header chunk: bit depth, colour type (2 = RGB), interlace method.
  int32_t BitDepth = 0, ColourType = 0, Interlace = 0;
  std::vector<uint8_t> Rgb;  // Width * Height triples, row after row

  bool Valid() const { return Width > 0 && Height > 0; }
  // The pixel at (x, y); black outside the image.
  Pixel At(int32_t x, int32_t y) const;
};

// The decoded file; an image that is not Valid() when it cannot be read.
Image ReadPng(const std::string& path);

// A hash of the size and every pixel, for pictures whose every pixel was
// looked at and found right: any change to the drawing shows, and the new
// picture must be looked at before its hash replaces the old one.
uint64_t PixelHash(const Image& image);

}  // namespace pngread
