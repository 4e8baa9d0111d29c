// The cairo functions the figure draws with, looked up when the first
// figure is drawn: cairo and the libraries it brings (fonts, X, images)
// are loaded only by a run that writes a figure, so every other run starts
// as quickly as one without it. The types and constants come from cairo's
// headers as usual.
#pragma once
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <string>

namespace output {

// clang-format off
#define KURVEX_CAIRO_CALLS(X) \
  X(arc) \
  X(clip) \
  X(close_path) \
  X(create) \
  X(curve_to) \
  X(destroy) \
  X(fill) \
  X(get_matrix) \
  X(identity_matrix) \
  X(image_surface_create) \
  X(image_surface_get_height) \
  X(image_surface_get_width) \
  X(line_to) \
  X(move_to) \
  X(new_sub_path) \
  X(paint) \
  X(pdf_surface_create_for_stream) \
  X(rectangle) \
  X(restore) \
  X(rotate) \
  X(save) \
  X(scale) \
  X(select_font_face) \
  X(set_font_size) \
  X(set_line_width) \
  X(set_source_rgb) \
  X(set_source_rgba) \
  X(set_source_surface) \
  X(show_text) \
  X(status) \
  X(status_to_string) \
  X(stroke) \
  X(surface_destroy) \
  X(surface_finish) \
  X(surface_status) \
  X(surface_write_to_png_stream) \
  X(svg_surface_create_for_stream) \
  X(text_extents) \
  X(translate) \
  X(user_to_device)
// clang-format on

// One pointer for each function, named without its "cairo_".
struct CairoCallTable {
#define KURVEX_CAIRO_POINTER(name) decltype(&cairo_##name) name = nullptr;
  KURVEX_CAIRO_CALLS(KURVEX_CAIRO_POINTER)
#undef KURVEX_CAIRO_POINTER
};
extern CairoCallTable Cairo;

// Loads cairo and fills the table, once; false with the loader's reason
// when cairo or one of its functions cannot be had.
bool LoadCairo(std::string& reason);

}  // namespace output
