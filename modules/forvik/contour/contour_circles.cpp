// Border detection, tracing into point lists and the coarse-to-fine circle
// search over each traced contour.
#include <cstdlib>

#include "shapes_main.h"

namespace forvik {

bool CollectBorderEdgePoint(void* user, int x, int y, unsigned /*value*/) {
  auto* rec = static_cast<BorderScanRecord*>(user);
  auto* bd = static_cast<CBorderDetection*>(rec->owner);
  ++rec->index;
  if (rec->index >= bd->sampleCapacity && !bd->GrowSamples(rec->index + 257)) return false;
  const size_t i = static_cast<size_t>(rec->index);
  bd->sampleX[i] = 0;
  bd->sampleY[i] = 0;
  bd->sampleContrast[i] = 0;
  int contrast = 0;
  if (CBorderDetection::CountEdgeContrast(rec->frame, x, y, &contrast) && contrast > rec->threshold) {
    bd->sampleContrast[i] = contrast;
    bd->sampleX[i] = x;
    bd->sampleY[i] = y;
  }
  return true;
}

bool CShapesMain::FindBorders(const Frame* source, const TRectangularRegion* region, void* ctx, int threshold,
                              int hLines, int vLines, bool show, Borders* out) {
  mark.Ensure(GetFrameWidth(source), GetFrameDepth(source));
  mark.Fill(kFree);
  DetectBorderInRectRegion(source, mark.get(), region, static_cast<CBorderDetection*>(this), ctx, threshold, hLines,
                           vLines, -1, show, CollectBorderEdgePoint, &out->lastContour, out->lengths, out->valid,
                           out->open);
  return out->lastContour != -1;
}

void CShapesMain::TraceBorder(int label, int x, int y, PointList* main, PointList* every32, int* lastX, int* lastY) {
  Frame* m = mark.get();
  const int marker = objectCount;
  // Far from every pixel, so that the first step may go any way.
  int prevX = -100, prevY = -100;
  AddPixelValue(m, x, y, static_cast<unsigned>(marker));
  for (int steps = 1; ScanBorder(m, m, label, &prevX, &prevY, &x, &y); ++steps) {
    AddPixelValue(m, x, y, static_cast<unsigned>(marker));
    if (main && steps % 2 == 1) main->push(static_cast<float>(x), static_cast<float>(y));
    if (every32 && steps % 32 == 1) every32->push(static_cast<float>(x), static_cast<float>(y));
  }
  for (BorderEndPoint& e : endPoints) {
    if (e.label == label) e.label = marker;
  }
  *lastX = x;
  *lastY = y;
}

namespace {

// Every `every`-th entry of the main list.
void Subsample(const PointList& main, int every, PointList* out) {
  out->clear();
  for (int k = 0; k < main.size(); k += every) out->push(main.xs[static_cast<size_t>(k)], main.ys[static_cast<size_t>(k)]);
}

constexpr int kMinSearchPoints = 8;

}  // namespace

bool CShapesMain::DetectContourCircles(const Frame* source, const TRectangularRegion* region, void* ctx,
                                       int scanLines, int threshold, float tolerance, bool arcs, bool show,
                                       bool strict, int* lastCircle) {
  Borders borders;
  if (!FindBorders(source, region, ctx, threshold, scanLines, 0, show, &borders)) return false;
  candidates.clear();
  const int halfHeight = GetFrameDepth(source) / 2;
  const int objects = objectCount;
  int label = 0;
  for (int pos = 0; pos < kMaxEndPoints && pos / 2 < objects && pos / 2 < kLabelSlots; ++pos) {
    const int object = pos / 2;
    if (!borders.valid[object]) continue;
    const BorderEndPoint& start = endPoints[pos];
    const int sx = static_cast<int>(start.x), sy = static_cast<int>(start.y);
    if (pos % 2 == 0) GetPixelValue(mark.get(), sx, sy, &label);
    mainList.clear();
    list32.clear();
    int lastX = sx, lastY = sy;
    TraceBorder(label, sx, sy, &mainList, &list32, &lastX, &lastY);
    if (pos % 2 == 1) objectCount = label;
    const bool closed = std::abs(lastX - sx) <= 4 && std::abs(lastY - sy) <= 4;

    const struct Level {
      int step;
      float minRadius, maxRadius;
      int every;  // 0: the 32-list itself
    } levels[] = {{32, 53.5f, static_cast<float>(halfHeight), 0},
                  {16, 26.0f, static_cast<float>((halfHeight + 53) / 2), 8},
                  {8, 13.0f, 40.0f, 4},
                  {4, 0.0f, 20.0f, 2}};
    for (const Level& l : levels) {
      const PointList* sub = &list32;
      if (l.every > 0) {
        Subsample(mainList, l.every, &subList);
        sub = &subList;
      }
      if (sub->size() < kMinSearchPoints) continue;
      const ArcSearch search{l.step, l.minRadius, l.maxRadius, tolerance, closed, arcs, 0};
      FindContourCircles(*sub, &mainList, search, candidates, bisectors);
    }
  }
  if (candidates.empty()) return false;
  *lastCircle = candidates.size() == 1 ? 0 : MergeDuplicateCircles(candidates, static_cast<int>(candidates.size()) - 1, strict);
  return true;
}

}  // namespace forvik
