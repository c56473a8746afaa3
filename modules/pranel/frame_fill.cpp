// create_frame: a frame from the host, filled with a colour when one is given.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "catalogue.h"
#include "element_run.h"
#include "frame/input_params.h"

namespace pranel {

namespace {

// A colour component held to 0..1: values outside would wrap; one that is not
// a number counts as 0, as the colour comparisons take it.
double Unit(double c) { return std::isnan(c) ? 0.0 : std::clamp(c, 0.0, 1.0); }
int Byte(double c) { return static_cast<int>(Unit(c) * 255); }

// Reads element 0 of a scalar input, then warns when it is an array.
bool Scalar(const RunArgs& a, int input, double* v, bool required) {
  const ParamName name = frame::InputName(a, input);
  double* p = nullptr;
  const bool ok = name.ok && GetNumber(a.ctx, 63, name.c_str(), 0, &p) && p;
  if (ok) *v = *p;
  if (name.ok) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  if (!ok && required) {
    std::u16string text(kNoInput);
    text += name.ok ? std::u16string_view(name.c_str()) : kCatalogue.ListedInputName(kFrame, input);
    return a.fail(text);
  }
  return true;
}

}  // namespace

bool RunFrame(const RunArgs& a) {
  double width = 0, height = 0, type = 1;
  if (!Scalar(a, 0, &width, true) || !Scalar(a, 1, &height, true) || !Scalar(a, 2, &type, false)) return false;
  const ParamName fillName = frame::InputName(a, 3);
  TColor* fill = nullptr;
  if (!fillName.ok || !GetColor(a.ctx, 63, fillName.c_str(), 0, &fill)) fill = nullptr;
  if (fillName.ok) frame::WarnArrayInput(a.ctx, 63, fillName.c_str());

  const ParamName out = frame::OutputName(a, 0);
  const int bpp = frame::TruncateToInt(type) == 0 ? 8 : 32;
  Frame* f = nullptr;
  if (!out.ok || !GetOutputFrame(a.ctx, 63, out.c_str(), &f, frame::TruncateToInt(width), frame::TruncateToInt(height), bpp) ||
      !f) {
    std::u16string text(kNoOutput);
    text += out.ok ? out.c_str() : u"";
    return a.fail(text);
  }
  if (!fill) return true;

  // The frame the host returned, by its own size and row stride.
  const frame::FrameRows rows(f);
  const int n = rows.bpp / 8;
  if (n != 1 && n != 4) return true;
  const uint8_t px[4] = {static_cast<uint8_t>(Byte(fill->B)), static_cast<uint8_t>(Byte(fill->G)),
                         static_cast<uint8_t>(Byte(fill->R)), static_cast<uint8_t>(Byte(fill->A))};
  const double grey = (Unit(fill->R) + Unit(fill->G) + Unit(fill->B)) * 255 / 3;
  const uint8_t g = static_cast<uint8_t>(static_cast<int>(grey));
  for (int y = 0; y < rows.depth; ++y) {
    uint8_t* row = rows.row(y);
    if (n == 1) {
      std::fill(row, row + rows.width, g);
    } else {
      for (int x = 0; x < rows.width; ++x) std::copy(px, px + 4, row + 4 * x);
    }
  }
  return true;
}

}  // namespace pranel
