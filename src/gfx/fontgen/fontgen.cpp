// Font generator: renders DejaVu Sans with FreeType into the three bitmap
// fonts built into the graphics layer and writes them as a C++ table file.
// Not part of the normal build: build the target kurvex_fontgen and run
//   kurvex_fontgen /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf src/gfx/fonts/lucss_fonts.cpp
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Each font: its cell height and base line, and how many top rows of the
// cell the characters 32 to 126 must leave empty. Text rows are laid out so
// that the last rows of one line's cells overlap the first rows of the line
// below; keeping those rows free of plain ASCII ink lets either line be
// cleared without touching the other. Accented capitals may use them.
struct FontPlan {
  const char* Name;
  const char* Symbol;
  int32_t Height, Baseline, FreeTopRows;
};
const FontPlan Plans[] = {{"lucs11", "Lucs11", 11, 8, 2},
                          {"lucs15", "Lucs15", 15, 12, 2},
                          {"lucs21", "Lucs21", 21, 17, 2}};

struct Glyph {
  int32_t Width = 0;
  std::vector<uint8_t> Rows;  // Height rows of (Width + 7) / 8 bytes
};

bool Load(FT_Face face, uint32_t code) {
  const FT_UInt index = FT_Get_Char_Index(face, code);  // 0: the font's "missing" box
  return FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0;
}

// True when every printable ASCII character fits the cell at this size.
bool AsciiFits(FT_Face face, const FontPlan& plan) {
  for (uint32_t code = 33; code < 127; ++code) {
    if (!Load(face, code)) return false;
    const FT_GlyphSlot g = face->glyph;
    const int32_t top = plan.Baseline - g->bitmap_top;
    const int32_t bottom = top + static_cast<int32_t>(g->bitmap.rows) - 1;
    if (top < plan.FreeTopRows || bottom > plan.Height - 1) return false;
  }
  return true;
}

// The glyph in its cell: ink left of the origin shifts the glyph right and
// widens the cell, so that no column is lost; rows outside the cell are cut.
Glyph Render(FT_Face face, uint32_t code, const FontPlan& plan) {
  Glyph out;
  if (!Load(face, code)) return out;
  const FT_GlyphSlot g = face->glyph;
  const int32_t bw = static_cast<int32_t>(g->bitmap.width);
  const int32_t shift = std::max(0, -g->bitmap_left);
  const int32_t advance = static_cast<int32_t>((g->advance.x + 32) >> 6);
  out.Width = std::max(advance + shift, bw > 0 ? g->bitmap_left + shift + bw : 0);
  const int32_t pitch = (out.Width + 7) / 8;
  out.Rows.assign(static_cast<size_t>(pitch) * plan.Height, 0);
  for (int32_t r = 0; r < static_cast<int32_t>(g->bitmap.rows); ++r) {
    const int32_t row = plan.Baseline - g->bitmap_top + r;
    if (row < 0 || row >= plan.Height) continue;
    for (int32_t c = 0; c < bw; ++c) {
      const uint8_t* src = g->bitmap.buffer + static_cast<ptrdiff_t>(r) * g->bitmap.pitch;
      if ((src[c / 8] & (0x80 >> (c % 8))) == 0) continue;
      const int32_t col = g->bitmap_left + shift + c;
      out.Rows[static_cast<size_t>(row) * pitch + col / 8] |= static_cast<uint8_t>(0x80 >> (col % 8));
    }
  }
  return out;
}

void WriteBytes(FILE* f, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    std::fprintf(f, "%s0x%02x,%s", i % 16 == 0 ? "    " : "", bytes[i], i % 16 == 15 ? "\n" : "");
  if (bytes.size() % 16 != 0) std::fprintf(f, "\n");
}

void WriteFont(FILE* f, FT_Face face, const FontPlan& plan, int32_t size) {
  std::vector<uint8_t> widths, bits;
  std::vector<uint32_t> offsets;
  for (uint32_t code = 32; code < 256; ++code) {
    const Glyph g = Render(face, code, plan);
    widths.push_back(static_cast<uint8_t>(g.Width));
    offsets.push_back(static_cast<uint32_t>(bits.size()));
    bits.insert(bits.end(), g.Rows.begin(), g.Rows.end());
  }
  std::fprintf(f, "\n// %s: DejaVu Sans at %d pixels.\nconst uint8_t %sWidths[224] = {\n", plan.Name,
               size, plan.Symbol);
  WriteBytes(f, widths);
  std::fprintf(f, "};\nconst uint32_t %sOffsets[224] = {\n", plan.Symbol);
  for (size_t i = 0; i < offsets.size(); ++i)
    std::fprintf(f, "%s%u,%s", i % 12 == 0 ? "    " : "", offsets[i], i % 12 == 11 ? "\n" : "");
  std::fprintf(f, "};\nconst uint8_t %sBits[%zu] = {\n", plan.Symbol, bits.size());
  WriteBytes(f, bits);
  std::fprintf(f, "};\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kurvex_fontgen FONT.ttf OUTPUT.cpp\n");
    return 2;
  }
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) != 0 || FT_New_Face(lib, argv[1], 0, &face) != 0) {
    std::fprintf(stderr, "kurvex_fontgen: cannot load %s\n", argv[1]);
    return 1;
  }
  FILE* f = std::fopen(argv[2], "w");
  if (f == nullptr) return 1;
  std::fprintf(f,
               "// The three bitmap fonts of the graphics layer, rendered from DejaVu Sans\n"
               "// (fonts-dejavu-core, licence in LICENSE-DejaVu.txt beside this file) by\n"
               "// src/gfx/fontgen/fontgen.cpp. Generated: do not edit by hand.\n"
               "#include \"gfx/gfx_state.h\"\n\nnamespace gfx {\n\nnamespace {\n");
  std::vector<int32_t> sizes;
  for (const FontPlan& plan : Plans) {
    int32_t size = 40;
    for (; size > 4; --size) {
      FT_Set_Pixel_Sizes(face, 0, size);
      if (AsciiFits(face, plan)) break;
    }
    WriteFont(f, face, plan, size);
    sizes.push_back(size);
  }
  std::fprintf(f, "\n}  // namespace\n\n");
  for (const FontPlan& plan : Plans)
    std::fprintf(f, "extern const Font Font%s = {\"%s\", %d, %d, %sWidths, %sOffsets, %sBits};\n",
                 plan.Symbol, plan.Name, plan.Height, plan.Baseline, plan.Symbol, plan.Symbol,
                 plan.Symbol);
  std::fprintf(f, "\n}  // namespace gfx\n");
  const bool ok = std::fclose(f) == 0;
  for (size_t i = 0; i < sizes.size(); ++i) std::printf("%s: %d pixels\n", Plans[i].Name, sizes[i]);
  return ok ? 0 : 1;
}
