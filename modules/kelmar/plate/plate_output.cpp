#include "plate/plate_output.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "frame/run_args.h"

namespace kelmar::plate {

void MarkPlateSpecks(Frame* plate) {
  const frame::FrameRows f(plate);
  const int w = f.width, h = f.depth;
  if (f.bpp != 8 || w < 8 || h < 7) return;
  const std::vector<uint8_t> before(f.data, f.data + f.stride * h);
  auto at = [&](int x, int y) { return before[static_cast<size_t>(y) * f.stride + x]; };
  // Which block centres pass, then every 255 pixel inside a passing block
  // becomes 80; each pass writes its own rows only.
  std::vector<uint8_t> passes(static_cast<size_t>(w) * h, 0);
  // Small plates run on one thread: starting a team costs more than the pass.
  const bool team = static_cast<long>(w) * h >= frame::kParallelPixels;
#pragma omp parallel for schedule(static) if (team)
  for (int y = 3; y <= h - 4; ++y) {
    for (int x = 4; x <= w - 4; ++x) {
      bool any = false, ok = true;
      for (int dy = -1; dy <= 1 && ok; ++dy)
        for (int dx = -1; dx <= 1 && ok; ++dx) {
          const uint8_t v = at(x + dx, y + dy);
          any = any || v != 0;
          if (dx == 0 && dy == 0) continue;
          if (v != 0 && v != 255) ok = false;
          if (v == 255 && ((dx != 0 && at(x + 2 * dx, y + dy) != 0) || (dy != 0 && at(x + dx, y + 2 * dy) != 0)))
            ok = false;
        }
      passes[static_cast<size_t>(y) * w + x] = any && ok;
    }
  }
#pragma omp parallel for schedule(static) if (team)
  for (int y = 2; y <= h - 3; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 3; x <= w - 3; ++x) {
      if (at(x, y) != 255) continue;
      bool mark = false;
      for (int dy = -1; dy <= 1 && !mark; ++dy)
        for (int dx = -1; dx <= 1 && !mark; ++dx) {
          const int cy = y + dy, cx = x + dx;
          mark = cy >= 3 && cy <= h - 4 && cx >= 4 && cx <= w - 4 && passes[static_cast<size_t>(cy) * w + cx];
        }
      if (mark) row[x] = 80;
    }
  }
}

PlateAngles AnglesOf(float angle, float slant) {
  constexpr double kDegree = M_PI / 180;
  const float pa = static_cast<float>(angle * kDegree), ta = static_cast<float>(slant * kDegree);
  return {std::sin(pa), std::cos(pa), std::sin(ta), std::cos(ta)};
}

bool ReadsWhole(const std::vector<uint8_t>& image, int x0, int y0, const PlateAngles& angles,
                std::vector<PlateCharacterBox> boxes) {
  std::vector<uint8_t> copy = image;
  Frame* plate = reinterpret_cast<Frame*>(copy.data());
  MarkPlateSpecks(plate);
  std::vector<int32_t> scores(boxes.size() * kPlateClasses, 0);
  ReadPlateCharacters(plate, x0, y0, angles, boxes.data(), static_cast<int>(boxes.size()), scores.data());
  return std::none_of(boxes.begin(), boxes.end(),
                      [](const PlateCharacterBox& b) { return b.text == kPlateAlphabet[kUnreadable]; });
}

std::u16string TextInOrderOfX(PlateCharacterBox* boxes, int count) {
  std::u16string text;
  for (int n = 0; n < count; ++n) {
    int pick = -1;
    for (int i = 0; i < count; ++i)
      if (boxes[i].x < 9999.0f && (pick < 0 || boxes[i].x < boxes[pick].x)) pick = i;
    if (pick < 0) break;
    text += boxes[pick].text;
    boxes[pick].x = 9999.0f;
  }
  return text;
}

}  // namespace kelmar::plate
