// Ring detection by contour: concentric pairs of the contour circles.
#include "circle_drawing.h"
#include "contour/rings.h"
#include "run_io.h"
#include "shapes_main.h"

namespace forvik {

namespace {

void DrawRing(const CircleMarks& m, const CircleCandidate& outer, const CircleCandidate& inner) {
  for (const CircleCandidate* c : {&outer, &inner}) {
    DrawCircle(m.ctx, c->x, c->y, c->radius, m.thickness, m.colour);
    DrawLine(m.ctx, c->x - m.armLength, c->y, c->x + m.armLength, c->y, m.thickness, m.colour);
    DrawLine(m.ctx, c->x, c->y - m.armLength, c->x, c->y + m.armLength, m.thickness, m.colour);
  }
  const int level = GetDrawingLevel(m.ctx);
  if (level > 0) {
    m.RadiusRight(outer.x, outer.y, outer.radius, m.zeroWidth);
    // The inner radius is labelled below the centre, or above it near the
    // frame's last row.
    const std::u16string t = Label("%.2f", static_cast<double>(inner.radius));
    int w = 0, d = 0;
    GetTextWD(m.ctx, 128, t.c_str(), &w, &d);
    const int Y = static_cast<int>(inner.y + inner.radius + d);
    if (d + Y < m.frameDepth) {
      DrawArrow(m.ctx, inner.x, inner.y, inner.x, inner.y + inner.radius, m.thickness, m.colour);
      DrawString(m.ctx, 128, t.c_str(), inner.x, Y, 0.0, 0.0, m.colour);
    } else {
      DrawArrow(m.ctx, inner.x, inner.y, inner.x, inner.y - inner.radius, m.thickness, m.colour);
      DrawString(m.ctx, 128, t.c_str(), inner.x, inner.y - inner.radius - 2.0 * d, 0.0, 0.0, m.colour);
    }
  }
  if (level == 2) m.CentreLabel(outer.x, outer.y, outer.radius);
}

}  // namespace

bool CRingDetectionByContour::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const ContourCircleInputs in = ReadContourCircleInputs(a, f);
  constexpr std::u16string_view kNoRings = u"There are no detected rings";
  int last = -1;
  if (!DetectContourCircles(f, in.region, a.ctx, in.scanLines, in.threshold, in.tolerance, in.arcs, in.show, true,
                            &last))
    return a.fail(kNoRings);
  std::vector<RingPair> rings;
  if ((OutputName(a, 1).ok || in.show) && last >= 1) rings = PairRings(candidates, last);
  if (rings.empty()) return a.fail(kNoRings);

  const int n = static_cast<int>(rings.size());
  SetOutputMaxIndex(a, 1, n - 1);
  for (int k = 0; k < n; ++k) {
    const RingPair& p = rings[static_cast<size_t>(k)];
    if (TRing* r = OutputElement<TRing>(a, 1, k, GetRing)) *r = {p.x, p.y, p.outer, p.inner, 0, 0};
  }
  WriteNumber(a, 0, n);

  if (in.show) {
    const CircleMarks marks(a.ctx, f, endMarkRadius);
    for (const RingPair& p : rings)
      DrawRing(marks, candidates[static_cast<size_t>(p.outerIndex)], candidates[static_cast<size_t>(p.innerIndex)]);
  }
  return true;
}

}  // namespace forvik
