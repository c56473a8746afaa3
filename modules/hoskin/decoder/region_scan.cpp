// The scans of one candidate region: five passes of fifteen lines across it,
// repeated on a lengthened region and then along the whole frame when nothing
// is found; the codes that more than one line or pass agree on are kept.
#include <cmath>
#include <utility>

#include "decoder/decoder.h"
#include "kavrin.h"

namespace hoskin {

namespace {

Point Mid(Point a, Point b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }
Point Lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

Segment Across(const Quad& q) {
  const Point a = Mid(q.p[0], q.p[3]), b = Mid(q.p[1], q.p[2]);
  return {a.x, a.y, b.x, b.y};
}

Quad CornersOf(const double* c) {
  Quad q;
  for (int k = 0; k < 5; ++k) q.p[k] = {c[2 * k], c[2 * k + 1]};
  return q;
}

bool LineEndInside(const CCodeListElem& inside, const CCodeListElem& line) {
  const Quad q = CornersOf(inside.corners);
  return PointInQuad(q, static_cast<float>(line.line[0]), static_cast<float>(line.line[1])) ||
         PointInQuad(q, static_cast<float>(line.line[2]), static_cast<float>(line.line[3]));
}

}  // namespace

bool CBarcodeDecoder::ScanRegion() {
  for (int attempt = 1; attempt <= 5; ++attempt) {
    tiltAttempt = attempt;
    bool decoded = false;
    for (int line = 0; line < kLineCount; ++line) {
      const int i = (line + 1) / 2;
      const double t = line == 0 ? 0.5 : (line % 2 == 1 ? 0.5 - i * 0.0625 : 0.5 + i * 0.0625);
      const Point p = t <= 0 ? regionQuad.p[0] : t >= 1 ? regionQuad.p[3] : Lerp(regionQuad.p[0], regionQuad.p[3], t);
      const Point q = t <= 0 ? regionQuad.p[1] : t >= 1 ? regionQuad.p[2] : Lerp(regionQuad.p[1], regionQuad.p[2], t);
      const double tilt = ScanTilt(regionQuad, p.x, p.y, q.x, q.y, attempt);
      segmentInUse = {p.x, p.y, q.x, q.y};
      TiltScanLine(regionQuad, tilt, Mid(p, q), &segmentInUse);
      lineIndex = line;
      if (DecodeLine()) decoded = true;
    }
    if (decoded) VoteLineResults();
  }
  MergeCodes();
  return !codes.IsEmpty();
}

bool CBarcodeDecoder::DecodeRegion() {
  gpu::CList runCodes;
  runCodes.AppendList(&codes);
  codes.Reset();
  const int before = runCodes.count;
  keptCount = 0;
  for (LineResult& r : lineResults) SetZeroString(&r.text);
  scratch.DeleteAll();

  const auto scan = [&] {
    segment = Across(regionQuad);
    segmentInUse = segment;
    return ScanRegion();
  };
  regionQuad = regionGeometry;
  bool found = scan();
  if (!found) {
    // The sides along the scan lines lengthened by a fifth beyond each end.
    const Point a = regionGeometry.p[0], b = regionGeometry.p[1], c = regionGeometry.p[2], d = regionGeometry.p[3];
    regionQuad.p[0] = Lerp(b, a, 1.2);
    regionQuad.p[1] = Lerp(a, b, 1.2);
    regionQuad.p[2] = Lerp(d, c, 1.2);
    regionQuad.p[3] = Lerp(c, d, 1.2);
    regionQuad.Close();
    found = scan();
  }
  if (!found) {
    // Along the whole frame (within the user's rectangle when there is one).
    Segment s = Across(regionGeometry);
    Point first, second;
    if (LineQuadIntersections(clipPolygon, {s.x0, s.y0}, {s.x1, s.y1}, &first, &second)) {
      s = {first.x, first.y, second.x, second.y};
    }
    if (scanRegion) ClipSegment(scanRegionPolygon, &s);
    const Point a = regionGeometry.p[0], b = regionGeometry.p[1], c = regionGeometry.p[2], d = regionGeometry.p[3];
    const Point start = Mid(a, d);
    const double length = std::hypot(s.x1 - s.x0, s.y1 - s.y0);
    const double ab = std::hypot(b.x - a.x, b.y - a.y), dc = std::hypot(c.x - d.x, c.y - d.y);
    const Point shift{s.x0 - start.x, s.y0 - start.y};
    regionQuad.p[0] = {a.x + shift.x, a.y + shift.y};
    regionQuad.p[3] = {d.x + shift.x, d.y + shift.y};
    regionQuad.p[1] = ab > 0 ? Point{regionQuad.p[0].x + (b.x - a.x) / ab * length,
                                     regionQuad.p[0].y + (b.y - a.y) / ab * length}
                             : regionQuad.p[0];
    regionQuad.p[2] = dc > 0 ? Point{regionQuad.p[3].x + (c.x - d.x) / dc * length,
                                     regionQuad.p[3].y + (c.y - d.y) / dc * length}
                             : regionQuad.p[3];
    regionQuad.Close();
    scan();
  }

  for (LineResult& r : lineResults) FreeHostString(&r.text);
  CCodeListElem* first = nullptr;
  if (codes.GetFirst(&first) && first->hits > 1) {
    runCodes.AppendList(&codes);
  } else {
    codes.DeleteAll();
  }
  codes.Reset();
  codes.AppendList(&runCodes);
  runCodes.Reset();
  return codes.count != before;
}

void CBarcodeDecoder::MergeCodes() {
  if (codes.count < 2) return;
  for (gpu::CListElem* ea = codes.head; ea; ea = ea->next) {
    auto* a = static_cast<CCodeListElem*>(ea);
    // The walk over the later codes removes some of them.
    gpu::CListElem* previous = ea;
    for (gpu::CListElem* eb = ea->next; eb;) {
      auto* b = static_cast<CCodeListElem*>(eb);
      bool remove = false;
      const Quad ca = CornersOf(a->corners), cb = CornersOf(b->corners);
      if (kavrin::CompareText(a->text, b->text) == 0) {
        bool close = true;
        for (int k = 0; k < 8; ++k) close = close && std::fabs(a->corners[k] - b->corners[k]) <= 2.0;
        if (close || QuadsOverlap(CornersOf(a->regionGeometry), CornersOf(b->regionGeometry)) ||
            QuadsOverlap(ca, cb)) {
          a->hits += b->hits;
          remove = true;
        }
      } else if (QuadsOverlap(ca, cb)) {
        const bool p = LineEndInside(*a, *b), q = LineEndInside(*b, *a);
        if (p == q) {
          if (b->hits > a->hits) {
            a->hits = b->hits;
            a->type = b->type;
            std::copy(b->line, b->line + 4, a->line);
            std::swap(a->text, b->text);
          }
          remove = true;
        }
      }
      gpu::CListElem* next = eb->next;
      if (remove) {
        previous->next = next;
        if (codes.tail == eb) codes.tail = previous;
        --codes.count;
        delete b;
      } else {
        previous = eb;
      }
      eb = next;
    }
  }
  codes.current = nullptr;
  // While two or more remain, codes seen only once go.
  for (gpu::CListElem* e = codes.head; e && codes.count >= 2;) {
    gpu::CListElem* next = e->next;
    if (static_cast<CCodeListElem*>(e)->hits < 2) {
      codes.current = e;
      codes.RemoveCurrent();
      delete e;
    }
    e = next;
  }
  codes.current = nullptr;
}

}  // namespace hoskin
