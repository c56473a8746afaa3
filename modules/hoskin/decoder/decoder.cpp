#include "decoder/decoder.h"

#include <cstdlib>

namespace hoskin {

CCodeListElem::~CCodeListElem() { FreeHostString(&text); }

CRegionListElem::~CRegionListElem() { points.DeleteAll(); }

CBarcodeDecoder::CBarcodeDecoder() { ClearHistogram(&histogram); }

CBarcodeDecoder::~CBarcodeDecoder() { Release(); }

void CBarcodeDecoder::Release() {
  codes.DeleteAll();
  scratch.DeleteAll();
  for (LineResult& r : lineResults) FreeHostString(&r.text);
  profile = {};
  extrema = {};
  thresholds = {};
  widths = {};
  symbols = {};
  edgeCount = 0;
}

void CBarcodeDecoder::SetFrame(Frame* f, const TRectangularRegion* region) {
  scanRegion = region;
  if (f) {
    frame.frame = f;
    frame.pixels = GetFrameDataAddr(f);
    frame.width = GetFrameWidth(f);
    frame.height = std::abs(GetFrameDepth(f));
    frame.bpp = GetFrameBPP(f);
    frame.stride = static_cast<ptrdiff_t>((static_cast<int64_t>(frame.width) * frame.bpp + 31) / 32 * 4);
    const double w = frame.width, h = frame.height;
    clipPolygon.p[0] = {1, 1};
    clipPolygon.p[1] = {w - 2, 1};
    clipPolygon.p[2] = {w - 2, h - 2};
    clipPolygon.p[3] = {1, h - 2};
    clipPolygon.Close();
  }
  scanRegionPolygon = Quad{};
}

void CBarcodeDecoder::SetScanGeometry(const CRegionListElem& region) {
  const double ux = region.dx, uy = region.dy, nx = uy, ny = -ux;
  const double l = region.halfLength, w = region.halfWidth, cx = region.cx, cy = region.cy;
  regionGeometry.p[0] = {cx - l * ux - w * nx, cy - l * uy - w * ny};
  regionGeometry.p[1] = {cx - l * ux + w * nx, cy - l * uy + w * ny};
  regionGeometry.p[2] = {cx + l * ux + w * nx, cy + l * uy + w * ny};
  regionGeometry.p[3] = {cx + l * ux - w * nx, cy + l * uy - w * ny};
  regionGeometry.Close();
  regionQuad = regionGeometry;
  centre = {cx, cy};
  if (scanRegion) {
    const TRectangularRegion& r = *scanRegion;
    scanRegionPolygon = RegionCorners(r.cx, r.cy, r.width, r.height, r.angle);
  }
}

}  // namespace hoskin
