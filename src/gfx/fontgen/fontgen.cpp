// Font generator: renders two scalable faces with FreeType into the three
// bitmap fonts built into the graphics layer and writes them as a C++ table
// file, whose header says which face and size each font uses and why.
// Not part of the normal build: build the target kurvex_fontgen and run
//   kurvex_fontgen DEJAVU LIBERATION src/gfx/fonts/lucss_fonts.cpp
// with DEJAVU /usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf
// (Debian package fonts-dejavu-extra) and LIBERATION
// /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
// (fonts-liberation2).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The faces, in the order of the command line. The sizes below were chosen
// for these faces; another face is refused, so that the header of the table
// never names the wrong one.
struct FaceRef {
  const char* Name;     // family and style, as the face file names them
  const char* Package;  // where it comes from, and its licence file here
  const char* Licence;
};
const FaceRef Faces[] = {
    {"DejaVu Sans Condensed", "fonts-dejavu-extra", "LICENSE-DejaVu.txt"},
    {"Liberation Sans Regular", "fonts-liberation2", "LICENSE-Liberation.txt"},
};
constexpr int kFaces = 2;

// Each font: its cell height and base line, how many top rows of the cell
// the characters 32 to 126 must leave empty, and the face and pixel size it
// is rendered from. Text rows are laid out so that the last rows of one
// line's cells overlap the first rows of the line below; keeping those rows
// free of plain ASCII ink lets either line be cleared without touching the
// other. Accented capitals may use them.
struct FontPlan {
  const char* Name;
  const char* Symbol;
  int32_t Height, Baseline, FreeTopRows;
  int32_t FaceIndex;                // into Faces
  int32_t PixelHeight, PixelWidth;  // FreeType's pixel sizes: y and x
  const char* Why;                  // for the header of the table
};
const FontPlan Plans[] = {
    {"lucs11", "Lucs11", 11, 8, 2, 1, 8, 10,
     "Liberation Sans, 8 pixels tall and 10 wide. The cell leaves\n"
     "// 6 rows above the base line and 3 below it for ink, and 8 pixels is the\n"
     "// largest size at which the ASCII of either face fits them (capitals and\n"
     "// digits 6 rows tall). Here the height is the limit, not the width: the\n"
     "// key legend at 570 pixels, the widest window with this font, has room to\n"
     "// spare, so the glyphs are drawn 10 pixels wide, which keeps the counters\n"
     "// of a, e, 6, 8 and 0 open. At this size the hinting of Liberation Sans\n"
     "// draws cleaner letters than that of the condensed face, whose open\n"
     "// parenthesis turns into a bar."},
    {"lucs15", "Lucs15", 15, 12, 2, 0, 13, 13,
     "DejaVu Sans Condensed, 13 pixels, the largest size whose ASCII\n"
     "// fits the 10 rows above and the 3 rows below the base line. The key\n"
     "// legend must fit the narrowest window with this font, 571 pixels: the\n"
     "// condensed face keeps it there at this size, where DejaVu Sans of normal\n"
     "// width would have to be 11 pixels."},
    {"lucs21", "Lucs21", 21, 17, 2, 0, 18, 18,
     "DejaVu Sans Condensed, 18 pixels. The cursor's value line with\n"
     "// every value in exponent form (91 characters) must fit a window of 800\n"
     "// pixels, the narrowest with this font; at 19 pixels it no longer does.\n"
     "// DejaVu Sans of normal width would have to be 16 pixels for it."},
};

// The grave accent is a key word of its own in the legend (the factor
// 1.01): drawn as small as the face has it at 8 or 13 pixels (one to three
// pixels), it can hardly be seen or clicked. It must be this many rows tall.
constexpr int32_t MinAccentRows = 3;

struct Glyph {
  int32_t Width = 0;
  std::vector<uint8_t> Rows;  // Height rows of (Width + 7) / 8 bytes
};

// Monochrome with the face's own hinting: stems land on whole pixels.
bool Load(FT_Face face, uint32_t code) {
  const FT_UInt index = FT_Get_Char_Index(face, code);  // 0: the font's "missing" box
  return FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0;
}

void SetSize(FT_Face face, const FontPlan& plan, int32_t pixelHeight) {
  const int32_t width = (plan.PixelWidth * pixelHeight + plan.PixelHeight / 2) / plan.PixelHeight;
  FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(width), static_cast<FT_UInt>(pixelHeight));
}

// The first printable ASCII character that leaves the cell's free rows at
// the plan's size, 0 when all of them fit.
uint32_t AsciiMisfit(FT_Face face, const FontPlan& plan) {
  for (uint32_t code = 33; code < 127; ++code) {
    if (!Load(face, code)) return code;
    const FT_GlyphSlot g = face->glyph;
    const int32_t top = plan.Baseline - g->bitmap_top;
    const int32_t bottom = top + static_cast<int32_t>(g->bitmap.rows) - 1;
    if (top < plan.FreeTopRows || bottom > plan.Height - 1) return code;
  }
  return 0;
}

// The loaded glyph's bitmap in a cell `width` columns wide, its top row at
// `top` and its left column at `left`; rows outside the cell are cut.
Glyph Place(FT_GlyphSlot g, int32_t top, int32_t left, int32_t width, const FontPlan& plan) {
  Glyph out;
  out.Width = width;
  const int32_t pitch = (width + 7) / 8;
  out.Rows.assign(static_cast<size_t>(pitch) * plan.Height, 0);
  for (int32_t r = 0; r < static_cast<int32_t>(g->bitmap.rows); ++r) {
    const int32_t row = top + r;
    if (row < 0 || row >= plan.Height) continue;
    const uint8_t* src = g->bitmap.buffer + static_cast<ptrdiff_t>(r) * g->bitmap.pitch;
    for (int32_t c = 0; c < static_cast<int32_t>(g->bitmap.width); ++c) {
      if ((src[c / 8] & (0x80 >> (c % 8))) == 0) continue;
      const int32_t col = left + c;
      out.Rows[static_cast<size_t>(row) * pitch + col / 8] |= static_cast<uint8_t>(0x80 >> (col % 8));
    }
  }
  return out;
}

// The glyph in its cell: ink left of the origin shifts the glyph right and
// widens the cell, so that no column is lost.
Glyph Render(FT_Face face, uint32_t code, const FontPlan& plan) {
  if (!Load(face, code)) return Glyph{};
  const FT_GlyphSlot g = face->glyph;
  const int32_t bw = static_cast<int32_t>(g->bitmap.width);
  const int32_t shift = std::max(0, -g->bitmap_left);
  const int32_t advance = static_cast<int32_t>((g->advance.x + 32) >> 6);
  const int32_t width = std::max(advance + shift, bw > 0 ? g->bitmap_left + shift + bw : 0);
  return Place(g, plan.Baseline - g->bitmap_top, g->bitmap_left + shift, width, plan);
}

// The grave accent from the smallest size at which it is MinAccentRows
// tall, with its top on the first row free for ink and a blank column on
// either side; the face stays at the plan's size afterwards.
Glyph RenderAccent(FT_Face face, const FontPlan& plan) {
  Glyph out = Render(face, '`', plan);
  for (int32_t size = plan.PixelHeight; size < 4 * plan.PixelHeight; ++size) {
    SetSize(face, plan, size);
    if (!Load(face, '`')) continue;
    if (static_cast<int32_t>(face->glyph->bitmap.rows) < MinAccentRows) continue;
    const int32_t width = std::max(out.Width, static_cast<int32_t>(face->glyph->bitmap.width) + 2);
    out = Place(face->glyph, plan.FreeTopRows, 1, width, plan);
    break;
  }
  SetSize(face, plan, plan.PixelHeight);
  return out;
}

void WriteBytes(FILE* f, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    std::fprintf(f, "%s0x%02x,%s", i % 16 == 0 ? "    " : "", bytes[i], i % 16 == 15 ? "\n" : "");
  if (bytes.size() % 16 != 0) std::fprintf(f, "\n");
}

void WriteFont(FILE* f, FT_Face face, const FontPlan& plan) {
  std::vector<uint8_t> widths, bits;
  std::vector<uint32_t> offsets;
  for (uint32_t code = 32; code < 256; ++code) {
    const Glyph g = code == '`' ? RenderAccent(face, plan) : Render(face, code, plan);
    widths.push_back(static_cast<uint8_t>(g.Width));
    offsets.push_back(static_cast<uint32_t>(bits.size()));
    bits.insert(bits.end(), g.Rows.begin(), g.Rows.end());
  }
  std::fprintf(f, "\nconst uint8_t %sWidths[224] = {\n", plan.Symbol);
  WriteBytes(f, widths);
  std::fprintf(f, "};\nconst uint32_t %sOffsets[224] = {\n", plan.Symbol);
  for (size_t i = 0; i < offsets.size(); ++i)
    std::fprintf(f, "%s%u,%s", i % 12 == 0 ? "    " : "", offsets[i], i % 12 == 11 ? "\n" : "");
  std::fprintf(f, "};\nconst uint8_t %sBits[%zu] = {\n", plan.Symbol, bits.size());
  WriteBytes(f, bits);
  std::fprintf(f, "};\n");
}

void WriteHeader(FILE* f) {
  std::fprintf(f, "// The three bitmap fonts of the graphics layer, rendered by\n"
                  "// src/gfx/fontgen/fontgen.cpp with FreeType %d.%d.%d from these faces\n"
                  "// (Debian package, licence file beside this file):\n",
               FREETYPE_MAJOR, FREETYPE_MINOR, FREETYPE_PATCH);
  for (const FaceRef& face : Faces)
    std::fprintf(f, "//   %s (%s, %s)\n", face.Name, face.Package, face.Licence);
  std::fprintf(f,
               "// Monochrome with the faces' own hinting, so that stems fall on whole\n"
               "// pixels. Generated: do not edit by hand.\n"
               "//\n"
               "// The texts of the bottom rows (the key legend, the cursor's value line)\n"
               "// must fit the narrowest window of each font. A condensed face fits them\n"
               "// at a larger pixel size, with taller and more open letters, than a face\n"
               "// of normal width made small. The grave accent, a key of its own in the\n"
               "// legend, is taken from a larger size where the face's own is under %d\n"
               "// rows tall.\n",
               MinAccentRows);
  for (const FontPlan& plan : Plans) std::fprintf(f, "//\n// %s: %s\n", plan.Name, plan.Why);
  std::fprintf(f, "#include \"gfx/gfx_state.h\"\n\nnamespace gfx {\n\nnamespace {\n");
}

// Loads face `i` from `path`; false, with a message, when it is missing or
// not the face the plans were made for.
bool LoadFace(FT_Library lib, int i, const char* path, FT_Face& face) {
  if (FT_New_Face(lib, path, 0, &face) != 0) {
    std::fprintf(stderr, "kurvex_fontgen: cannot load %s\n", path);
    return false;
  }
  if (std::string(face->family_name) + " " + face->style_name != Faces[i].Name) {
    std::fprintf(stderr, "kurvex_fontgen: %s is not %s\n", path, Faces[i].Name);
    return false;
  }
  return true;
}

// False, with a message, when some ASCII character leaves a cell's free rows.
bool AsciiFitsEveryPlan(FT_Face faces[]) {
  for (const FontPlan& plan : Plans) {
    SetSize(faces[plan.FaceIndex], plan, plan.PixelHeight);
    if (const uint32_t code = AsciiMisfit(faces[plan.FaceIndex], plan); code != 0) {
      std::fprintf(stderr, "kurvex_fontgen: %s: '%c' leaves the cell's free rows\n", plan.Name,
                   static_cast<char>(code));
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != kFaces + 2) {
    std::fprintf(stderr,
                 "usage: kurvex_fontgen DejaVuSansCondensed.ttf LiberationSans-Regular.ttf "
                 "OUTPUT.cpp\n");
    return 2;
  }
  FT_Library lib;
  FT_Face faces[kFaces];
  if (FT_Init_FreeType(&lib) != 0) return 1;
  for (int i = 0; i < kFaces; ++i)
    if (!LoadFace(lib, i, argv[1 + i], faces[i])) return 1;
  if (!AsciiFitsEveryPlan(faces)) return 1;
  FILE* f = std::fopen(argv[kFaces + 1], "w");
  if (f == nullptr) return 1;
  WriteHeader(f);
  for (const FontPlan& plan : Plans) {
    SetSize(faces[plan.FaceIndex], plan, plan.PixelHeight);
    WriteFont(f, faces[plan.FaceIndex], plan);
  }
  std::fprintf(f, "\n}  // namespace\n\n");
  for (const FontPlan& plan : Plans)
    std::fprintf(f, "extern const Font Font%s = {\"%s\", %d, %d, %sWidths, %sOffsets, %sBits};\n",
                 plan.Symbol, plan.Name, plan.Height, plan.Baseline, plan.Symbol, plan.Symbol,
                 plan.Symbol);
  std::fprintf(f, "\n}  // namespace gfx\n");
  return std::fclose(f) == 0 ? 0 : 1;
}
