#include "collect.h"

#include <algorithm>
#include <cmath>

namespace nesbar {

float CollectMatches(const float* rgb, int width, int height, int patternWidth, int patternHeight, int maxMatches,
                     gpu::CList& results) {
  gpu::CList sorted;
  sorted.Append(new CSortListElem(-1000, -1000, 0.0f, 0.0f, 1.0f));  // the sentinel stays last
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const float* px = rgb + (static_cast<size_t>(row) * width + col) * 3;
      const float score = px[0];
      if (score == 0.0f || std::isnan(score)) continue;
      CSortListElem* nearest = nullptr;
      CSortListElem* place = nullptr;
      float nearestDistance = 1e30f;
      for (gpu::CListElem* e = sorted.head; e; e = e->next) {
        auto* s = static_cast<CSortListElem*>(e);
        if (s->score <= 0.0f) {
          if (!place) place = s;  // the sentinel
          continue;
        }
        const float d = std::hypot(static_cast<float>(s->x - col), static_cast<float>(s->y - row));
        if (d < nearestDistance) {
          nearestDistance = d;
          nearest = s;
        }
        if (!place && s->score < score) place = s;
      }
      auto* made = new CSortListElem(col, row, score, px[1], px[2]);
      const float c = patternWidth * made->scale, d = patternHeight * made->scale;
      if (nearest && nearestDistance < 0.75f * std::min(c, d)) {
        if (score > nearest->score) {
          // The insertion place may be the element removed: look for it again.
          sorted.SetCurrent(nearest);
          sorted.RemoveCurrent();
          delete nearest;
          place = nullptr;
          for (gpu::CListElem* e = sorted.head; e && !place; e = e->next) {
            auto* s = static_cast<CSortListElem*>(e);
            if (s->score <= 0.0f || s->score < score) place = s;
          }
        } else {
          delete made;
          continue;
        }
      }
      sorted.SetCurrent(place);
      sorted.InsertBeforeCurrent(made);
    }
  }
  results.DeleteAll();
  float lastScale = 1.0f;
  int taken = 0;
  for (gpu::CListElem* e = sorted.head; e && taken < maxMatches; e = e->next) {
    auto* s = static_cast<CSortListElem*>(e);
    if (s->score <= 0.0f) continue;
    auto* r = new CResultListElem();
    r->x = s->x;
    r->y = s->y;
    r->angle = s->angle * 57.29578;
    r->centreX = s->x;
    r->centreY = s->y;
    r->width = patternWidth * s->scale;
    r->height = patternHeight * s->scale;
    r->rectangleAngle = r->angle;
    // Single-precision sums can land a rounding above 1.
    r->correlation = std::min(s->score, 1.0f);
    r->scale = s->scale;
    lastScale = s->scale;
    results.Append(r);
    ++taken;
  }
  sorted.DeleteAll();
  return lastScale;
}

}  // namespace nesbar
