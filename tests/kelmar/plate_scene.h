// Scenes for the plate reader: a cluttered 640 x 480 picture of text lines,
// stripes and noise in which no plate stands.
#pragma once

#include <random>

#include "talvix/host.hpp"
#include "text_render.h"

namespace kelmar_test {

inline talvix::FrameBuffer ToColour(const talvix::FrameBuffer& grey) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(grey.width(), grey.depth(), 32, 255);
  for (int y = 0; y < grey.depth(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      for (int c = 0; c < 3; ++c) f.pixel(x, y)[c] = grey.pixel(x, y)[0];
  return f;
}

inline talvix::FrameBuffer PlateClutter(int bpp) {
  TextLayout t;
  t.lines = {"QUICK 1234 FOX JUMPS", "over the lazy dog 5678", "HELLO WORLD 90"};
  t.size = 30;
  t.lineStep = 60;
  t.y = 120;
  talvix::FrameBuffer grey = RenderText(640, 480, t);
  std::mt19937 rng(7);
  for (int y = 300; y < 480; ++y)
    for (int x = 0; x < 640; ++x) grey.pixel(x, y)[0] = (x / 13 + y / 17) % 3 ? 180 + rng() % 40 : 40;
  return bpp == 8 ? grey : ToColour(grey);
}

}  // namespace kelmar_test

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plate_glyphs.h"

namespace kelmar_test {

// White plates with a dark rim and black characters on a darker body with
// clutter, each turned by `angle` degrees about its centre (the plate's
// direction (cos, sin) in frame rows). Characters stand upright in the
// picture; with barWidth set each is a solid bar of that width.
struct PlateScene {
  const char* face = "DejaVu Sans Condensed";
  std::u16string text = u"KA7319";
  double angle = 0;
  double cx = 320, cy = 240;
  int bpp = 8;
  unsigned seed = 1;
  int barWidth = 0;
  int spaceWidth = 0;  // columns a space leaves between its neighbours' gaps
  double size = 76;    // font size: characters some 55 rows high
  int rim = 3;
  std::u16string second{};  // a second plate's text, drawn at (cx, secondCy)
  double secondCy = 0;
};

struct PlateScenePicture {
  talvix::FrameBuffer frame;
  int plateWidth = 0, plateHeight = 0;
};

// One plate upright: rows from its edge of smallest row.
inline std::vector<uint8_t> DrawPlatePicture(const PlateScene& p, const std::u16string& text, int* width,
                                             int* height) {
  const double size = p.size;
  const int glyphH = RenderPlateGlyph(p.face, size, u'H').h;
  std::vector<GlyphMask> glyphs;
  int textWidth = 0;
  for (char16_t c : text) {
    GlyphMask g = RenderPlateGlyph(p.face, size, c);
    if (c == u' ') g = GlyphMask{p.spaceWidth, glyphH, 0, std::vector<uint8_t>(static_cast<size_t>(p.spaceWidth) * glyphH, 0)};
    if (p.barWidth > 0) {
      g.w = p.barWidth, g.h = glyphH, g.base = 0;
      g.ink.assign(static_cast<size_t>(g.w) * g.h, 1);
    }
    glyphs.push_back(g);
    textWidth += g.w + 9;
  }
  const int rim = p.rim, margin = 16;
  *height = size == 76 ? 84 : glyphH + 28;
  *width = textWidth - 9 + 2 * margin;
  const int w = *width, h = *height;
  std::vector<uint8_t> plate(static_cast<size_t>(w) * h, 245);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x < rim || y < rim || x >= w - rim || y >= h - rim) plate[y * w + x] = 25;
  const int base = (h - glyphH) / 2;
  int x0 = margin;
  for (const GlyphMask& g : glyphs) {
    for (int my = 0; my < g.h; ++my)
      for (int mx = 0; mx < g.w; ++mx) {
        const int y = base - g.base + my;
        if (g.at(mx, my) && y >= rim && y < h - rim) plate[y * w + x0 + mx] = 10;
      }
    x0 += g.w + 9;
  }
  return plate;
}

inline PlateScenePicture DrawPlateScene(const PlateScene& p) {
  PlateScenePicture out;
  talvix::FrameBuffer grey = talvix::FrameBuffer::make(640, 480, 8, 90);
  std::vector<std::pair<std::u16string, double>> plates = {{p.text, p.cy}};
  if (!p.second.empty()) plates.push_back({p.second, p.secondCy});
  std::mt19937 rng(p.seed);
  // Clutter: grey blocks away from the plates.
  for (int i = 0; i < 40; ++i) {
    const int bx = rng() % 600, by = rng() % 440, bw = 8 + rng() % 60, bh = 8 + rng() % 40;
    const uint8_t v = static_cast<uint8_t>(30 + rng() % 150);
    for (int y = by; y < std::min(480, by + bh); ++y)
      for (int x = bx; x < std::min(640, bx + bw); ++x) {
        bool clear = true;
        for (const auto& [text, cy] : plates) clear = clear && (std::fabs(x - p.cx) > 280 || std::fabs(y - cy) > 90);
        if (clear) grey.pixel(x, y)[0] = v;
      }
  }
  const double c = std::cos(p.angle * M_PI / 180), s = std::sin(p.angle * M_PI / 180);
  for (const auto& [text, cy] : plates) {
    int width = 0, height = 0;
    const std::vector<uint8_t> plate = DrawPlatePicture(p, text, &width, &height);
    if (out.plateWidth == 0) out.plateWidth = width, out.plateHeight = height;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const double dx = x - p.cx, dy = y - cy;
        const int u = static_cast<int>(std::floor(dx * c + dy * s + width / 2.0));
        const int v = static_cast<int>(std::floor(-dx * s + dy * c + height / 2.0));
        if (u >= 0 && v >= 0 && u < width && v < height) grey.pixel(x, y)[0] = plate[v * width + u];
      }
  }
  // The camera's blur and noise: a 3 x 3 mean, then +-4.
  talvix::FrameBuffer soft = talvix::FrameBuffer::make(640, 480, 8, 90);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      int sum = 0, n = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (x + dx >= 0 && x + dx < 640 && y + dy >= 0 && y + dy < 480) sum += grey.pixel(x + dx, y + dy)[0], ++n;
      soft.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(sum / n + static_cast<int>(rng() % 9) - 4, 0, 255));
    }
  out.frame = p.bpp == 8 ? soft : ToColour(soft);
  return out;
}

}  // namespace kelmar_test
