// PNG export: a context as an 8-bit RGB image through libpng, written to a
// file or to memory. Every libpng or output failure comes back as false.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>

#include "gfx/gfx_state.h"

namespace gfx {

namespace {

struct FileSink {
  FILE* File;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<FileSink*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, sink->File) != length) png_error(png, "write failed");
}

void FlushFile(png_structp png) {
  auto* sink = static_cast<FileSink*>(png_get_io_ptr(png));
  if (std::fflush(sink->File) != 0) png_error(png, "flush failed");
}

// Appends to a byte vector. Running out of memory must not throw through
// libpng's C frames, so it becomes a libpng error instead.
void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    out->insert(out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

void ConvertRow(const Context& c, int32_t y, std::vector<png_byte>& row) {
  const uint32_t* src = c.Pixels.data() + static_cast<size_t>(y) * c.Width;
  for (int32_t x = 0; x < c.Width; ++x) {
    const Rgb rgb = DecodePixel(c.Bpp, src[x]);
    row[3 * x] = static_cast<png_byte>(rgb.Red);
    row[3 * x + 1] = static_cast<png_byte>(rgb.Green);
    row[3 * x + 2] = static_cast<png_byte>(rgb.Blue);
  }
}

// The one place that drives libpng. Only trivially destructible objects
// live in the frames a libpng error jumps out of; `row` is created before
// setjmp and not reassigned after it.
bool WritePng(const Context& c, png_rw_ptr write, png_flush_ptr flush, void* io) {
  std::vector<png_byte> row(static_cast<size_t>(c.Width) * 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, io, write, flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(c.Width), static_cast<png_uint_32>(c.Height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < c.Height; ++y) {
    ConvertRow(c, y, row);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool Usable(const Context* c) {
  return c != nullptr && c->Width > 0 && c->Height > 0 &&
         c->Pixels.size() == static_cast<size_t>(c->Width) * static_cast<size_t>(c->Height);
}

}  // namespace

bool SavePng(const Context* context, const std::string& path) {
  if (!Usable(context)) return false;
  FileSink sink{std::fopen(path.c_str(), "wb")};
  if (sink.File == nullptr) return false;
  const bool written = WritePng(*context, WriteToFile, FlushFile, &sink);
  // A failed close (a full disk, say) loses data as surely as a failed write.
  const bool closed = std::fclose(sink.File) == 0;
  return written && closed;
}

bool SavePngToStream(const Context* context, FILE* file) {
  if (!Usable(context) || file == nullptr) return false;
  FileSink sink{file};
  return WritePng(*context, WriteToFile, FlushFile, &sink) && std::fflush(file) == 0;
}

bool SavePngToMemory(const Context* context, std::vector<uint8_t>& png) {
  png.clear();
  if (!Usable(context)) return false;
  return WritePng(*context, WriteToVector, FlushNothing, &png);
}

}  // namespace gfx
