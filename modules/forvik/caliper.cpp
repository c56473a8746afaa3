// Inner and outer calipers: the widest and narrowest object width along
// parallel horizontal scan lines of a region.
#include <cfloat>
#include <cmath>

#include "frame/input_params.h"
#include "frame/scan_span.h"
#include "run_io.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr std::u16string_view kMixedEnds =
    u"Error in defined threshold or rectangle - point at the beginning or at the end is below threshold and the "
    u"other is above threshold";

struct Extreme {
  float width;
  TLine line{};
};

// One scan from `from` to `to`; the first crossing, or `fallback` (when
// given) if the scan meets nothing.
bool Scan(CShapesMain& o, const Frame* f, const TRectangularRegion* region, double fx, double fy, double tx, double ty,
          const TPoint* fallback, TPoint* hit) {
  o.foundX = -1;
  o.foundY = -1;
  const TLine line{fx, fy, tx, ty};
  ScanLine(f, region, &line, 1, &o, FindFirstCrossing);
  if (o.foundX != -1 || o.foundY != -1) {
    *hit = {static_cast<double>(o.foundX), static_cast<double>(o.foundY)};
    return true;
  }
  if (!fallback) return false;
  *hit = *fallback;
  return true;
}

// Scan line i of the region: its middle, and its ends cut to the frame,
// which are then frame pixels. Past the frame the host reads -1, below any
// threshold, which would pass for the object (or the ground) at the ends.
// The middle stays the region's. False when the line misses the frame.
struct ScanLineInFrame {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int midX = 0, midY = 0;           // integer halves, for the inner caliper's direction
  double middleX = 0, middleY = 0;  // where the inner caliper opens from
};

bool LineInFrame(const Frame* f, const TRectangularRegion* region, int count, int i, ScanLineInFrame* l) {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (!GetScanRectangularRegionLine(f, region, count, i, 0.0, &x0, &y0, &x1, &y1)) return false;
  double cx0 = 0, cy0 = 0, cx1 = 0, cy1 = 0;
  if (!ClipLine(f, nullptr, x0, y0, x1, y1, &cx0, &cy0, &cx1, &cy1)) return false;
  l->x0 = static_cast<int>(std::lround(cx0)), l->y0 = static_cast<int>(std::lround(cy0));
  l->x1 = static_cast<int>(std::lround(cx1)), l->y1 = static_cast<int>(std::lround(cy1));
  l->midX = (x0 + x1) / 2, l->midY = (y0 + y1) / 2;
  l->middleX = (x0 + x1) * 0.5, l->middleY = (y0 + y1) * 0.5;
  return true;
}

void DrawCaliper(void* ctx, const TLine& l, float width) {
  const bool labelled = GetDrawingLevel(ctx) >= 2;
  const std::u16string text = Label("%.2f", static_cast<double>(width));
  DrawDimension(ctx, l.x0, l.y0, l.x1, l.y1, labelled ? 128 : -1, labelled ? text.c_str() : u"", 0.0,
                GetDrawThickness(ctx, 1), GetDrawColor(ctx, 1));
}

}  // namespace

bool CCaliper::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const TRectangularRegion* region = RegionAt(a, 1);
  const int height = region ? frame::TruncateToInt(region->height) : GetFrameDepth(f);
  const int fallbackLines = region ? frame::TruncateToInt(region->height * 0.125) : height / 8;
  int lines = fallbackLines;
  if (const double* n = NumberAt(a, 2); n && frame::TruncateToInt(*n) >= 1) lines = frame::TruncateToInt(*n);
  // A region under 8 rows still gets one line rather than none.
  if (lines < 1) lines = 1;
  threshold = 128;
  if (const double* t = NumberAt(a, 3)) threshold = frame::TruncateToInt(*t * 255.0);
  const bool show = FlagAt(a, 4, true);

  Extreme widest{FLT_MIN}, narrowest{FLT_MAX};

  ScanLineInFrame l;
  const frame::ScanSpan span = frame::ScanSpanInFrame(f, region, lines);
  if (LineInFrame(f, region, span.count, span.count / 2, &l)) {
    if (inner()) {
      int mid = -1;
      GetPixelValue(f, l.midX, l.midY, &mid);
      objectBright = mid < threshold;
    } else {
      int v0 = -1, v1 = -1;
      GetPixelValue(f, l.x0, l.y0, &v0);
      GetPixelValue(f, l.x1, l.y1, &v1);
      if ((v0 < threshold && v1 > threshold) || (v0 > threshold && v1 < threshold)) return a.fail(kMixedEnds);
      objectBright = v0 < threshold;
    }
  }

  for (int i = span.first; i <= span.last; ++i) {
    if (!LineInFrame(f, region, span.count, i, &l)) continue;
    const TPoint start{static_cast<double>(l.x0), static_cast<double>(l.y0)};
    const TPoint end{static_cast<double>(l.x1), static_cast<double>(l.y1)};
    const TPoint middle{l.middleX, l.middleY};
    TPoint p1, p2;
    bool ok;
    if (inner()) {
      ok = Scan(*this, f, region, middle.x, middle.y, end.x, end.y, &end, &p1) &&
           Scan(*this, f, region, middle.x, middle.y, start.x, start.y, &start, &p2);
    } else {
      ok = Scan(*this, f, region, start.x, start.y, end.x, end.y, nullptr, &p1) &&
           Scan(*this, f, region, end.x, end.y, start.x, start.y, nullptr, &p2);
    }
    if (!ok) continue;
    const float d = static_cast<float>(std::hypot(p1.x - p2.x, p1.y - p2.y));
    if (!(d > 0)) continue;
    const TLine line{p2.x, p2.y, p1.x, p1.y};
    if (d > widest.width) widest = {d, line};
    if (d < narrowest.width) narrowest = {d, line};
  }

  const bool measured = widest.width != FLT_MIN;
  WriteNumber(a, 0, measured ? widest.width : 0.0);
  WriteNumber(a, 1, measured ? narrowest.width : 0.0);
  WriteLine(a, 2, measured ? widest.line : TLine{});
  WriteLine(a, 3, measured ? narrowest.line : TLine{});
  if (!measured) return a.fail(kNoBoundaryPoints);

  if (show) {
    DrawCaliper(a.ctx, narrowest.line, narrowest.width);
    if (widest.width != narrowest.width) DrawCaliper(a.ctx, widest.line, widest.width);
  }
  return true;
}

}  // namespace forvik
