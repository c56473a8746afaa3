// Contour elements of the pattern and of input contours for geometric
// matching: each traced contour gives circles, segments and corners.
#include <cstdlib>

#include "shapes_main.h"

namespace forvik {

namespace {

void Subsample(const PointList& main, int every, PointList* out) {
  out->clear();
  for (int k = 0; k < main.size(); k += every) out->push(main.xs[static_cast<size_t>(k)], main.ys[static_cast<size_t>(k)]);
}

// Strict merge, keeping only the candidates that remain.
void MergeAndTrim(std::vector<CircleCandidate>& circles) {
  if (circles.size() < 2) return;
  const int last = MergeDuplicateCircles(circles, static_cast<int>(circles.size()) - 1, true);
  circles.resize(static_cast<size_t>(last + 1));
}

}  // namespace

void CShapesMain::ContourElements(int startX, int startY, int frameDepth, int closeWithin, float quality,
                                  float maxResidual, float angleTolerance, ElementSet& out) {
  out.clear();
  int label = 0;
  GetPixelValue(mark.get(), startX, startY, &label);
  mainList.clear();
  list32.clear();
  int lastX = startX, lastY = startY;
  TraceBorder(label, startX, startY, &mainList, &list32, &lastX, &lastY);
  objectCount = label;
  const bool closed = std::abs(lastX - startX) <= closeWithin && std::abs(lastY - startY) <= closeWithin;

  const int halfDepth = frameDepth / 2;
  const struct Level {
    int step;
    float minRadius, maxRadius;
    int every;  // 0: the 32-list itself
  } levels[] = {{32, 53.5f, static_cast<float>(halfDepth), 0},
                {16, 26.0f, static_cast<float>((halfDepth + 53) / 2), 8},
                {8, 13.0f, 40.0f, 4},
                {4, 0.0f, 20.0f, 2}};
  for (const Level& l : levels) {
    const PointList* sub = &list32;
    if (l.every > 0) {
      Subsample(mainList, l.every, &subList);
      sub = &subList;
    }
    if (sub->size() < 8) continue;
    FindContourCircles(*sub, &mainList, {l.step, l.minRadius, l.maxRadius, quality, closed, true, 0}, out.circles,
                       bisectors);
  }
  MergeAndTrim(out.circles);

  if (mainList.size() > 2) {
    // Points a circle took are gone; a list that starts with one no longer
    // closes on itself.
    const bool wraps = closed && mainList.xs[0] != -1.0f;
    ExtractLineSegments(mainList.xs.data(), mainList.ys.data(), mainList.size() - 1, maxResidual, angleTolerance,
                        wraps, out.segments);
    PruneShortSegments(out.segments);
    ContourCorners(out.segments, wraps, 0, out.corners);
  }
}

bool CShapesMain::ExtractPatternFeatures(const Borders& borders, int frameDepth, float quality, float maxResidual,
                                         float angleTolerance, ElementSet& pattern, int* cornerLast) {
  pattern.clear();
  *cornerLast = -1;
  struct Start {
    int x, y;
  };
  std::vector<Start> starts;
  for (int c = 0; c <= borders.lastContour && c < kMaxEndPoints; ++c) {
    const int object = c / 2;
    if (object >= kLabelSlots || !borders.valid[object] || !(c % 2 == 0 || borders.open[object])) continue;
    starts.push_back({static_cast<int>(endPoints[c].x), static_cast<int>(endPoints[c].y)});
  }
  if (starts.empty()) return false;
  ElementSet contour;
  for (const Start& s : starts) {
    ContourElements(s.x, s.y, frameDepth, 10, quality, maxResidual, angleTolerance, contour);
    AppendElements(contour, pattern);
  }
  MergeAndTrim(pattern.circles);
  SortCornersByWeight(pattern.corners);
  *cornerLast = ReducedCornerLast(static_cast<int>(pattern.corners.size()) - 1);
  pattern.corners.resize(static_cast<size_t>(*cornerLast + 1));
  // Coincident elements give no feature: a pattern needs at least one.
  return BuildTriangleFeatures(pattern, *cornerLast, static_cast<int>(pattern.circles.size()) - 1, angleTolerance) &&
         !pattern.features.empty();
}

}  // namespace forvik
