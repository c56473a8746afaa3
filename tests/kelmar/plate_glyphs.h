// Plate characters drawn with Cairo in narrow bold faces, as binary masks
// that the plate fixtures paint into frames upright in the picture (memory
// row 0 is the bottom line). Umlauts are composed the way plates print them:
// a shorter body with the dots inside the character height.
#pragma once

#include <cairo/cairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace kelmar_test {

inline constexpr const char* kPlateFaces[] = {"DejaVu Sans Condensed", "Nimbus Sans Narrow"};

// Ink of one character: rows from the picture's bottom up; `base` is the
// baseline's row in the mask (Q's tail lies below it).
struct GlyphMask {
  int w = 0, h = 0, base = 0;
  std::vector<uint8_t> ink;  // 1 = ink, row-major, row 0 at the bottom
  bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && ink[y * w + x]; }
};

inline GlyphMask RenderGlyphTextUncached(const char* face, double size, const std::string& utf8) {
  const int side = static_cast<int>(size * 2);
  const int baseline = static_cast<int>(size * 1.5);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, side, side);
  cairo_t* cr = cairo_create(s);
  cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, size * 0.25, baseline);
  cairo_show_text(cr, utf8.c_str());
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  int x0 = side, x1 = -1, y0 = side, y1 = -1;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (data[y * stride + x] > 127) {
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  GlyphMask g;
  if (x1 >= 0) {
    g.w = x1 - x0 + 1;
    g.h = y1 - y0 + 1;
    g.base = y1 - baseline + 1;  // rows below the baseline
    g.ink.assign(static_cast<size_t>(g.w) * g.h, 0);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) g.ink[(y1 - y) * g.w + (x - x0)] = data[y * stride + x] > 127;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return g;
}

// Font matching dominates the cost of a glyph: each is drawn once.
inline GlyphMask RenderGlyphText(const char* face, double size, const std::string& utf8) {
  static std::mutex lock;
  static std::map<std::tuple<std::string, double, std::string>, GlyphMask> cache;
  std::lock_guard<std::mutex> hold(lock);
  const auto key = std::make_tuple(std::string(face), size, utf8);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, RenderGlyphTextUncached(face, size, utf8)).first;
  return it->second;
}

// The plate character `c` (one of 0-9, A-Z, Ä, Ö, Ü). Umlauts: the base
// letter squeezed to 0.82 of the height of "H", two dots above it.
inline GlyphMask RenderPlateGlyph(const char* face, double size, char16_t c, GlyphMask* body = nullptr) {
  const char16_t* umlauts = u"ÄÖÜ";
  const char* bases[] = {"A", "O", "U"};
  for (int i = 0; i < 3; ++i) {
    if (c != umlauts[i]) continue;
    const GlyphMask full = RenderGlyphText(face, size, "H");
    const GlyphMask base = RenderGlyphText(face, size, bases[i]);
    const int bodyH = static_cast<int>(std::lround(0.82 * full.h));
    GlyphMask g;
    g.w = base.w;
    g.h = full.h;
    g.base = 0;
    g.ink.assign(static_cast<size_t>(g.w) * g.h, 0);
    // The base letter above its baseline, resampled to the body height.
    const int baseAbove = base.h - base.base;
    for (int y = 0; y < bodyH; ++y)
      for (int x = 0; x < g.w; ++x)
        g.ink[y * g.w + x] = base.at(x, base.base + y * baseAbove / bodyH);
    if (body) *body = g;
    const int dot = std::max(3, static_cast<int>(0.11 * full.h));
    const int dotY = g.h - dot;
    for (int cx : {g.w * 3 / 10, g.w * 7 / 10})
      for (int y = dotY; y < g.h; ++y)
        for (int x = cx - dot / 2; x < cx - dot / 2 + dot; ++x)
          if (x >= 0 && x < g.w) g.ink[y * g.w + x] = 1;
    return g;
  }
  const char text[2] = {static_cast<char>(c), 0};
  GlyphMask g = RenderGlyphText(face, size, text);
  if (body) *body = g;
  return g;
}

}  // namespace kelmar_test
