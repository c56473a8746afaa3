// Small frames for the Latin reader: blank grounds with drawn blobs, clean
// (two-level) rendered lines, 32-bit copies, and the reader driven directly
// on one scene.
#pragma once

#include <algorithm>
#include <optional>
#include <string>

#include "latin/latin_ocr.h"
#include "talvix/host.hpp"
#include "text_render.h"

namespace kelmar_test {

inline talvix::FrameBuffer Blank(int w, int h, uint8_t ground = 255) { return talvix::FrameBuffer::make(w, h, 8, ground); }

// Fills columns x0..x1 and rows y0..y1 (memory rows) with `value`.
inline void Box(talvix::FrameBuffer& f, int x0, int y0, int x1, int y1, uint8_t value = 0) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) f.pixel(x, y)[0] = value;
}

// Rendered text cut to two levels, so that no pixel falls in the band the
// local test judges.
inline talvix::FrameBuffer CleanLine(int w, int h, const std::string& text, double size, double angle = 0,
                                     const char* family = "DejaVu Sans") {
  TextLayout t;
  t.lines = {text};
  t.size = size;
  t.angle = angle;
  t.x = 20;
  t.y = h / 2.0 + size / 3;
  t.family = family;
  talvix::FrameBuffer f = RenderText(w, h, t);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.pixel(x, y)[0] = f.pixel(x, y)[0] < 128 ? 0 : 255;
  return f;
}

inline talvix::FrameBuffer To32(const talvix::FrameBuffer& f) {
  talvix::FrameBuffer g = talvix::FrameBuffer::make(f.width(), f.depth(), 32);
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      uint8_t* p = g.pixel(x, y);
      p[0] = p[1] = p[2] = f.pixel(x, y)[0];
      p[3] = 255;
    }
  return g;
}

// The reader on one scene, segmented.
struct Segmented {
  talvix::FrameBuffer frame;
  kelmar::CMatchLatinOCR reader;
  Segmented(talvix::FrameBuffer f, std::optional<TRectangularRegion> region, int threshold = 128,
            bool negative = false)
      : frame(std::move(f)) {
    reader.SetScene(frame.frame(), region ? &*region : nullptr, threshold, negative);
    reader.SegmentLetters();
  }
  int count() const { return reader.letterCount(); }
  const kelmar::LetterRecord& letter(int i) const { return reader.letter(i); }
  // Pixel (c, r) of letter i's image.
  int ink(int i, int c, int r) const {
    const Frame* f = reader.letterFrame(i);
    return GetFrameDataAddr(const_cast<Frame*>(f))[r * ((GetFrameWidth(f) + 3) / 4 * 4) + c];
  }
};

}  // namespace kelmar_test
