// Split into and combine from hue, saturation and lightness planes.
#include "color_planes.h"
#include "frame/hsl.h"

namespace ilvant {

namespace {

// A hue byte holds degrees scaled into 0..255.
constexpr double kHueToByte = 0.70833;
constexpr double kByteToHue = 1.4118;

// trunc(v x 255) of a value that the HSL formulas keep within 0..1.
inline uint8_t UnitByte(double v) { return static_cast<uint8_t>(static_cast<int>(v * 255.0)); }

}  // namespace

bool RunSplitHSL(const RunArgs& a) {
  return color::Split(a, /*hslGrey=*/true,
                      [](const uint8_t* p, int bytes, uint8_t* hue, uint8_t* sat, uint8_t* light, int width) {
                        for (int x = 0; x < width; ++x, p += bytes) {
                          double h, s, l;
                          frame::RgbToHsl(p[2], p[1], p[0], &h, &s, &l);
                          hue[x] = static_cast<uint8_t>(static_cast<int>(h * kHueToByte));
                          sat[x] = UnitByte(s);
                          light[x] = UnitByte(l);
                        }
                      });
}

bool RunCombineHSL(const RunArgs& a) {
  // Without a mask the alpha stays 0, as callers of this method expect.
  static constexpr std::u16string_view kPlanes[3] = {u"Input hue frame", u"Input saturation frame",
                                                     u"Input lightness frame"};
  return color::Combine(a, kPlanes, 0, [](unsigned hue, unsigned sat, unsigned light, uint8_t* px) {
    double r, g, b;
    frame::HslToRgb(hue * kByteToHue, sat / 255.0, light / 255.0, &r, &g, &b);
    px[0] = UnitByte(b), px[1] = UnitByte(g), px[2] = UnitByte(r);
  });
}

}  // namespace ilvant
