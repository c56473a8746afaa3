// Accepting a gated plate under the search's lock: threshold and trims of
// its height, the plate image, the character blobs and their alignment.
#include <algorithm>
#include <cmath>

#include "frame/image_stats.h"
#include "plate/plate_output.h"
#include "plate/plate_search.h"
#include "talvix.h"

namespace kelmar::plate {
namespace {

constexpr double kDegree = M_PI / 180;

struct BrightDark {
  int threshold;
  int bright = 0, dark = 0;
};

bool CountBrightDark(void* user, int, int, unsigned value) {
  auto* c = static_cast<BrightDark*>(user);
  if (static_cast<int>(value) > c->threshold)
    ++c->bright;
  else
    ++c->dark;
  return true;
}

// Whether line i of `count` across the region is mostly dark.
bool DarkLine(const PlateSearch& s, const TRectangularRegion& r, int count, int i, int threshold) {
  int x0, y0, x1, y1;
  if (!GetScanRectangularRegionLine(s.frame.frame, &r, count, i, 0, &x0, &y0, &x1, &y1)) return false;
  BrightDark c{threshold};
  const TLine line{double(x0), double(y0), double(x1), double(y1)};
  ScanLine(s.frame.frame, &r, &line, 1, &c, CountBrightDark);
  return c.dark >= 2 * c.bright;
}

struct Painter {
  const PlateSearch* s;
  const PlateResult* r;
  uint8_t* pixels;
  int stride, width, height;
  const std::vector<int>* labels;
};

bool PaintPlateCharacters(void* user, int x, int y, unsigned) {
  if (!user) return false;
  const auto* p = static_cast<const Painter*>(user);
  const PlateResult& r = *p->r;
  const uint16_t l = p->s->labels[static_cast<size_t>(y) * p->s->frame.width + x];
  if (y - r.y0 >= p->height || x - r.x0 >= p->width) return true;
  for (int label : *p->labels)
    if (l == label) {
      p->pixels[static_cast<size_t>(y - r.y0) * p->stride + (x - r.x0)] = 0;
      break;
    }
  return true;
}

// Whether the accepted characters leave a gap wider than 1.5 character
// heights (some two characters and their spaces) between two of them: the
// characters that stood there were not taken, so the text is not the plate's.
bool HasDroppedCharacters(const std::vector<PlateBlobBox>& blobs, const std::vector<int>& accepted, double tall) {
  std::vector<std::pair<double, double>> spans;
  for (int i : accepted) spans.emplace_back(blobs[i].left, blobs[i].left + blobs[i].width);
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i)
    if (spans[i].first - spans[i - 1].second > 1.5 * tall) return true;
  return false;
}

}  // namespace

bool AcceptPlate(PlateSearch& s, int block, const int (&corners)[8], const PlateGate& gate) {
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.Stopped(block)) return true;
  PlateResult& r = s.results[block];
  std::copy(corners, corners + 4, r.corners);
  const frame::FrameRows& f = s.frame;

  TRectangularRegion plate{gate.cx, gate.cy, gate.width, gate.height, gate.angle};
  TRectangularRegion middle = plate;
  middle.height = 0.66 * gate.height;
  const int threshold = static_cast<int>(std::trunc(0.87 * frame::AutoThreshold(f.frame, &middle)));
  if (threshold == 0) return false;

  // Mostly dark lines come off the top and the bottom.
  const double sa = std::sin(gate.angle * kDegree), ca = std::cos(gate.angle * kDegree);
  double height = gate.height;
  int cut = 0;
  for (int i = 0; i < height / 2 && height > 24; ++i) {
    plate.height = height;
    if (!DarkLine(s, plate, static_cast<int>(height), i, threshold)) break;
    height -= 1;
    ++cut;
  }
  plate.cx -= sa * cut / 2;
  plate.cy += ca * cut / 2;
  const double before = height;
  cut = 0;
  for (int i = 0; height > 24 && height > before / 2; ++i) {
    plate.height = height;
    const int count = static_cast<int>(height);
    if (!DarkLine(s, plate, count, count - 1 - i, threshold)) break;
    height -= 1;
    ++cut;
  }
  plate.cx += sa * cut / 2;
  plate.cy -= ca * cut / 2;
  plate.height = height;

  // The plate window: the corners along the plate and slant axes.
  const float s1 = static_cast<float>(sa), c1 = static_cast<float>(ca);
  const float s2 = static_cast<float>(std::sin(gate.slant * kDegree)), c2 = static_cast<float>(std::cos(gate.slant * kDegree));
  const float k = c2 * c1 + s2 * s1;
  double xmin = 1e18, xmax = -1e18, ymin = 1e18, ymax = -1e18;
  for (int su : {-1, 1})
    for (int sv : {-1, 1}) {
      const double x = plate.cx + su * plate.width / 2 * c1 - sv * height / 2 * s2;
      const double y = plate.cy + su * plate.width / 2 * s1 + sv * height / 2 * c2;
      xmin = std::min(xmin, x), xmax = std::max(xmax, x), ymin = std::min(ymin, y), ymax = std::max(ymax, y);
    }
  PlateGeometry g;
  g.region = plate;
  g.s1 = s1, g.c1 = c1, g.s2 = s2, g.c2 = c2, g.k = k;
  g.x0 = std::max(0, static_cast<int>(std::floor(xmin)));
  g.x1 = std::min(f.width - 1, static_cast<int>(std::ceil(xmax)));
  g.y0 = std::max(0, static_cast<int>(std::floor(ymin)));
  g.y1 = std::min(f.depth - 1, static_cast<int>(std::ceil(ymax)));
  if (g.x1 <= g.x0 || g.y1 <= g.y0) return false;
  s.labels.assign(static_cast<size_t>(f.width) * f.depth, 0);
  const PlateInk ink{threshold, false, std::min(5, static_cast<int>(0.125 * height)), 25.5f};
  s.blobs.Segment(f, ink, g, s.labels);

  // Characters: blobs of a common height, top and gap below, in scan order.
  const std::vector<PlateBlobBox>& blobs = s.blobs.boxes();
  const int n = static_cast<int>(blobs.size());
  if (n < 4) return false;
  double meanAll = 0;
  for (const auto& b : blobs) meanAll += b.height;
  meanAll /= n;
  double meanTop = 0, tall = 0, meanGap = 0;
  int talls = 0;
  for (const auto& b : blobs) {
    if (b.height <= 0.8 * meanAll) continue;
    meanTop += b.top, tall += b.height, meanGap += height - b.top - b.height;
    ++talls;
  }
  if (talls == 0) return false;
  meanTop /= talls, tall /= talls, meanGap /= talls;
  const double ox = plate.cx - plate.width * c1 / 2 + height * s2 / 2;
  const double oy = plate.cy - plate.width * s1 / 2 - height * c2 / 2;

  std::vector<PlateCharacterBox> boxes;
  std::vector<int> accepted;
  double widthSum = 0, heightSum = 0;
  for (int i = 0; i < n && accepted.size() < 11; ++i) {
    const PlateBlobBox& b = blobs[i];
    if (b.width > 2 * b.height) continue;
    if (i == n - 1 && !boxes.empty()) {
      const double meanW = widthSum / accepted.size(), meanH = heightSum / accepted.size();
      const PlateBlobBox& prev = blobs[accepted.back()];
      if (b.left - (prev.left + prev.width) > 0.75 * meanW && b.left + b.width > plate.width + 0.5 * meanW) continue;
      if (b.width < 0.75 * meanW && b.height > 1.05 * meanH) continue;
    }
    const double gap = height - b.top - b.height;
    if (!(b.height < 12 * b.width) || b.height < 0.8 * tall || std::fabs(b.top - meanTop) > 0.16 * tall ||
        std::fabs(gap - meanGap) > 0.2 * tall)
      continue;
    PlateCharacterBox box;
    box.x = static_cast<float>(b.left * c1 + ox - b.top * s2);
    box.y = static_cast<float>(b.left * s1 + oy + b.top * c2);
    box.width = b.width;
    box.height = b.height;
    boxes.push_back(box);
    accepted.push_back(i);
    widthSum += b.width;
    heightSum += b.height;
  }
  if (accepted.size() <= 3 || widthSum / accepted.size() <= 7) return false;
  if (HasDroppedCharacters(blobs, accepted, tall)) return false;
  for (auto& box : boxes)
    if (box.height < 0.88 * tall) {
      box.height = static_cast<float>(tall);
      box.heightRaised = 1;
    }

  r.corners[4] = corners[4], r.corners[5] = corners[5], r.corners[6] = corners[6], r.corners[7] = corners[7];
  r.angle = gate.angle, r.slant = gate.slant;
  r.width = static_cast<float>(plate.width), r.height = static_cast<float>(height);
  r.cx = static_cast<float>(plate.cx), r.cy = static_cast<float>(plate.cy);
  r.s1 = s1, r.c1 = c1, r.s2 = s2, r.c2 = c2, r.k = k;
  r.x0 = g.x0, r.x1 = g.x1, r.y0 = g.y0, r.y1 = g.y1;
  r.threshold = threshold;
  const int w = g.x1 - g.x0 + 1, h = g.y1 - g.y0 + 1;
  r.image.assign(static_cast<size_t>(GetFrameSizeParam(w, h, 8)), 255);
  InitFrameDIB(r.image.data(), w, h, 8);
  Frame* image = reinterpret_cast<Frame*>(r.image.data());
  std::vector<int> labels;
  for (int i : accepted) labels.push_back(blobs[i].label);
  Painter painter{&s, &r, GetFrameDataAddr(image), (w + 3) / 4 * 4, w, h, &labels};
  ScanRectangularRegion(f.frame, &plate, 1, &painter, PaintPlateCharacters);
  // A candidate with a character that reads as none is no plate (a textured
  // spot, a label): the search goes on.
  if (!ReadsWhole(r.image, r.x0, r.y0, AnglesOf(r.angle, r.slant), boxes)) {
    r.accepted = 0;
    return false;
  }
  r.boxes = std::move(boxes);
  r.accepted = static_cast<int>(r.boxes.size());
  s.winner = std::min(s.winner.load(), block);
  return true;
}

}  // namespace kelmar::plate
