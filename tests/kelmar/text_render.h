// Text rendered with Cairo in a DejaVu font into 8-bit frames: dark text on
// a light ground, upright in the picture (memory row 0 is the bottom line),
// lines turned about the frame centre.
#pragma once

#include <cairo/cairo.h>
#include <dlfcn.h>

#include <cmath>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace kelmar_test {

struct TextLayout {
  std::vector<std::string> lines;
  double size = 24;            // font size in pixels
  double lineStep = 40;        // baseline to baseline
  double angle = 0;            // degrees, turning x towards higher memory rows
  double x = 10, y = 40;       // first baseline start before turning
  const char* family = "DejaVu Sans";
  bool bold = false;
};

// Gives Cairo's and the font library's caches back when the test process
// ends, so that the leak checker sees only what the code under test keeps.
struct FontCacheRelease {
  ~FontCacheRelease() {
    cairo_debug_reset_static_data();
    if (auto fini = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "FcFini"))) fini();
  }
};
inline FontCacheRelease g_fontCacheRelease;

// A w x h 8-bit frame.
inline talvix::FrameBuffer RenderText(int w, int h, const TextLayout& t) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_translate(cr, w / 2.0, h / 2.0);
  cairo_rotate(cr, -t.angle * M_PI / 180);  // the picture's rows run against memory rows
  cairo_translate(cr, -w / 2.0, -h / 2.0);
  cairo_select_font_face(cr, t.family, CAIRO_FONT_SLANT_NORMAL,
                         t.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, t.size);
  for (size_t i = 0; i < t.lines.size(); ++i) {
    cairo_move_to(cr, t.x, t.y + i * t.lineStep);
    cairo_show_text(cr, t.lines[i].c_str());
  }
  cairo_surface_flush(s);
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, h, 8);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + (h - 1 - y) * stride);
    for (int x = 0; x < w; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(row[x] & 0xff);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return f;
}

}  // namespace kelmar_test
