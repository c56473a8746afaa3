// Paints a recorded drawing list onto a frame with Cairo.
//
// Each call is rasterised without antialiasing into a one-byte coverage mask
// of the frame's size, then blended into the frame by hand: at 32 bpp the
// colour goes over the pixel with its alpha and the result is opaque; at 8
// bpp the colour's grey is used. Mask row r is memory row r, so frame
// coordinates (memory rows, y up in the picture) are Cairo coordinates; pixel
// (x, y) is the point (x, y), the centre of Cairo's cell, hence the half-pixel
// shift of stroked geometry.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

#include "talvix/host.hpp"

namespace talvix {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kFontSize = 13;  // a monospace face of this size fills GetTextWD's 8 x 16 box
constexpr double kBaseline = 4;   // baseline above the box bottom

struct Target {
  uint8_t* data = nullptr;
  int w = 0, d = 0, bytes = 0;
  int64_t stride = 0;
};

struct Box {
  int x0, y0, x1, y1;  // inclusive pixel bounds
};

class Painter {
 public:
  explicit Painter(const Target& t)
      : t_(t),
        surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, t.w, t.d), cairo_surface_destroy),
        cr_(cairo_create(surface_.get()), cairo_destroy) {
    cairo_set_antialias(cr_.get(), CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(cr_.get(), CAIRO_LINE_CAP_SQUARE);
    cairo_set_line_join(cr_.get(), CAIRO_LINE_JOIN_MITER);
    cairo_select_font_face(cr_.get(), "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_.get(), kFontSize);
    std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> fo(cairo_font_options_create(),
                                                                                    cairo_font_options_destroy);
    cairo_font_options_set_antialias(fo.get(), CAIRO_ANTIALIAS_NONE);
    cairo_set_font_options(cr_.get(), fo.get());
  }
  bool ok() const { return cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS; }

  // Paths in frame coordinates.
  void moveTo(double x, double y) { cairo_move_to(cr_.get(), x + 0.5, y + 0.5); }
  void lineTo(double x, double y) { cairo_line_to(cr_.get(), x + 0.5, y + 0.5); }
  void close() { cairo_close_path(cr_.get()); }
  void arc(double cx, double cy, double r, double a0, double a1) {
    cairo_new_sub_path(cr_.get());
    cairo_arc(cr_.get(), cx + 0.5, cy + 0.5, std::abs(r), a0, a1);
  }
  // A box over the pixels [x, x + w) x [y, y + d).
  void box(double x, double y, double w, double d) { cairo_rectangle(cr_.get(), x, y, w, d); }
  // Text whose box has its lower-left corner at the pixel edge (x, y) and turns
  // about it; glyphs stand upright with y growing up the picture.
  void text(const std::u16string& s, double x, double y, double angle) {
    if (s.empty()) return;
    cairo_save(cr_.get());
    cairo_translate(cr_.get(), x, y);
    cairo_rotate(cr_.get(), angle * kRad);
    cairo_scale(cr_.get(), 1, -1);
    cairo_move_to(cr_.get(), 0, -kBaseline);
    cairo_text_path(cr_.get(), ToUtf8(s).c_str());
    cairo_restore(cr_.get());  // the path stays, in device space
  }

  void stroke(double thick) {
    double lw = std::isfinite(thick) ? std::max(1.0, std::round(thick)) : 1.0;
    cairo_set_line_width(cr_.get(), lw);
    double a, b, c, d;
    cairo_stroke_extents(cr_.get(), &a, &b, &c, &d);
    grow(a, b, c, d);
    cairo_stroke(cr_.get());
  }
  void fill() {
    double a, b, c, d;
    cairo_fill_extents(cr_.get(), &a, &b, &c, &d);
    grow(a, b, c, d);
    cairo_fill(cr_.get());
  }

  // Blends what was painted since the last flush in colour c, then clears it.
  void flush(TColor c) {
    cairo_surface_flush(surface_.get());
    if (dirty_) {
      Blend(c);
      cairo_surface_mark_dirty(surface_.get());
    }
    dirty_ = false;
  }

 private:
  void grow(double a, double b, double c, double d) {
    if (!(a < c) || !(b < d)) return;
    Box n{static_cast<int>(std::max(0.0, std::floor(a) - 1)), static_cast<int>(std::max(0.0, std::floor(b) - 1)),
          static_cast<int>(std::min(t_.w - 1.0, std::ceil(c) + 1)),
          static_cast<int>(std::min(t_.d - 1.0, std::ceil(d) + 1))};
    if (n.x0 > n.x1 || n.y0 > n.y1) return;
    box_ = dirty_
               ? Box{std::min(box_.x0, n.x0), std::min(box_.y0, n.y0), std::max(box_.x1, n.x1), std::max(box_.y1, n.y1)}
               : n;
    dirty_ = true;
  }

  static double Unit(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

  void Blend(TColor c) {
    double alpha = Unit(c.A);
    double r = Unit(c.R) * 255, g = Unit(c.G) * 255, b = Unit(c.B) * 255, grey = (r + g + b) / 3;
    uint8_t* mask = cairo_image_surface_get_data(surface_.get());
    int maskStride = cairo_image_surface_get_stride(surface_.get());
    for (int y = box_.y0; y <= box_.y1; ++y) {
      uint8_t* m = mask + int64_t{y} * maskStride;
      uint8_t* p = t_.data + y * t_.stride;
      for (int x = box_.x0; x <= box_.x1; ++x) {
        if (!m[x]) continue;
        double a = alpha * m[x] / 255.0;
        m[x] = 0;
        uint8_t* q = p + int64_t{x} * t_.bytes;
        auto mix = [a](uint8_t& dst, double src) { dst = static_cast<uint8_t>(std::lround(dst + (src - dst) * a)); };
        if (t_.bytes == 1) {
          mix(q[0], grey);
          continue;
        }
        mix(q[0], b);
        mix(q[1], g);
        mix(q[2], r);
        if (t_.bytes == 4) q[3] = 255;
      }
    }
  }

  Target t_;
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface_;
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr_;
  Box box_{0, 0, -1, -1};
  bool dirty_ = false;
};

// An arrow head at (x1, y1): two strokes 30 degrees either side of the line.
void ArrowPath(Painter& p, double x0, double y0, double x1, double y1, double thick) {
  p.moveTo(x0, y0);
  p.lineTo(x1, y1);
  double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
  if (!(len > 0)) return;
  double head = std::max(6.0, 3 * std::max(1.0, thick));
  double ux = dx / len, uy = dy / len, c = std::cos(30 * kRad), s = std::sin(30 * kRad);
  p.moveTo(x1 - head * (c * ux - s * uy), y1 - head * (s * ux + c * uy));
  p.lineTo(x1, y1);
  p.lineTo(x1 - head * (c * ux + s * uy), y1 - head * (-s * ux + c * uy));
}

// Ticks across both ends of a measured line.
void DimensionPath(Painter& p, double x0, double y0, double x1, double y1, double thick) {
  p.moveTo(x0, y0);
  p.lineTo(x1, y1);
  double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
  if (!(len > 0)) return;
  double tick = 4 + std::max(1.0, thick), nx = -dy / len * tick, ny = dx / len * tick;
  for (auto [x, y] : {std::pair{x0, y0}, std::pair{x1, y1}}) {
    p.moveTo(x - nx, y - ny);
    p.lineTo(x + nx, y + ny);
  }
}

// The label of a direction or dimension; textLen -1 means none.
void Label(Painter& p, const DrawCall& c, double x, double y, TColor color) {
  if (c.args[4] < 0 || c.text.empty()) return;
  p.text(c.text, x + 4, y + 4, 0);
  p.fill();
  p.flush(color);
}

// Argument layout: numbers in call order without ctx, colours and text
// pointers (DrawString: hi, x, y, size, angle; the labelled calls: x0, y0,
// x1, y1, textLen, size, thick).
void Paint(Painter& p, const DrawCall& c) {
  const std::vector<double>& a = c.args;
  // A NaN or infinity would put the Cairo context into an error state and
  // silence every later call.
  for (double v : a)
    if (!std::isfinite(v)) return;
  auto need = [&](size_t n) { return a.size() >= n; };
  if ((c.fn == "DrawLine" || c.fn == "DrawArrow") && need(5)) {
    if (c.fn == "DrawArrow") {
      ArrowPath(p, a[0], a[1], a[2], a[3], a[4]);
    } else {
      p.moveTo(a[0], a[1]);
      p.lineTo(a[2], a[3]);
    }
    p.stroke(a[4]);
  } else if (c.fn == "DrawCircle" && need(4)) {
    p.arc(a[0], a[1], a[2], 0, 2 * std::numbers::pi);
    p.stroke(a[3]);
  } else if (c.fn == "DrawRing" && need(7)) {
    double sweep = std::fmod(a[5] - a[4], 360.0);
    if (sweep < 0) sweep += 360.0;
    if (sweep == 0) sweep = 360.0;
    for (double r : {a[2], a[3]}) p.arc(a[0], a[1], r, a[4] * kRad, (a[4] + sweep) * kRad);
    p.stroke(a[6]);
  } else if (c.fn == "DrawRectangle" && need(6)) {
    double cs = std::cos(a[4] * kRad), sn = std::sin(a[4] * kRad), hw = a[2] / 2, hh = a[3] / 2;
    const double corners[4][2] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
    for (int i = 0; i < 4; ++i) {
      double x = a[0] + corners[i][0] * cs - corners[i][1] * sn, y = a[1] + corners[i][0] * sn + corners[i][1] * cs;
      i == 0 ? p.moveTo(x, y) : p.lineTo(x, y);
    }
    p.close();
    p.stroke(a[5]);
  } else if (c.fn == "DrawBoxFill" && need(4)) {
    p.box(a[0], a[1], a[2], a[3]);
    p.fill();
  } else if (c.fn == "DrawPolygon4" && need(9)) {
    for (int i = 0; i < 4; ++i) i == 0 ? p.moveTo(a[0], a[1]) : p.lineTo(a[2 * i], a[2 * i + 1]);
    p.close();
    p.stroke(a[8]);
  } else if (c.fn == "DrawString" && need(5)) {
    p.text(c.text, a[1], a[2], a[4]);
    p.fill();
  } else if ((c.fn == "DrawDirection" || c.fn == "DrawDirectionUnderpainted") && need(7)) {
    if (c.fn == "DrawDirectionUnderpainted") {
      ArrowPath(p, a[0], a[1], a[2], a[3], a[6] + 2);
      p.stroke(std::max(1.0, a[6]) + 2);
      p.flush(c.under);
    }
    ArrowPath(p, a[0], a[1], a[2], a[3], a[6]);
    p.stroke(a[6]);
    p.flush(c.color);
    Label(p, c, a[2], a[3], c.color);
  } else if (c.fn == "DrawDimension" && need(7)) {
    DimensionPath(p, a[0], a[1], a[2], a[3], a[6]);
    p.stroke(a[6]);
    p.flush(c.color);
    Label(p, c, (a[0] + a[2]) / 2, (a[1] + a[3]) / 2, c.color);
  }
  p.flush(c.color);
}

}  // namespace

void RenderDrawList(const std::vector<DrawCall>& calls, Frame* target) {
  if (!target || calls.empty()) return;
  Target t;
  t.w = target->biWidth;
  t.d = target->biHeight;
  int bpp = target->biBitCount;
  if (t.w <= 0 || t.d <= 0 || (bpp != 8 && bpp != 24 && bpp != 32)) return;
  t.bytes = bpp / 8;
  t.stride = (int64_t{t.w} * bpp + 31) / 32 * 4;
  t.data = reinterpret_cast<uint8_t*>(target) + target->biSize;
  Painter p(t);
  if (!p.ok()) return;
  for (const DrawCall& c : calls) Paint(p, c);
}

void RenderDrawList(const std::vector<DrawCall>& calls, FrameBuffer& target) { RenderDrawList(calls, target.frame()); }

}  // namespace talvix
