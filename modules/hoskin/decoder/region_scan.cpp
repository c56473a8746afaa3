// The scans of one candidate region: five passes of fifteen lines across it,
// repeated on a lengthened region and then along the whole frame when nothing
// is found; the codes that more than one line or pass agree on are kept.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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
  const auto remove = [&](gpu::CListElem* previous, gpu::CListElem* e) {
    previous->next = e->next;
    if (codes.tail == e) codes.tail = previous;
    --codes.count;
    delete static_cast<CCodeListElem*>(e);
  };
  // Same texts first, so that a conflict below weighs each text's hits in full.
  for (gpu::CListElem* ea = codes.head; ea; ea = ea->next) {
    auto* a = static_cast<CCodeListElem*>(ea);
    gpu::CListElem* previous = ea;
    for (gpu::CListElem* eb = ea->next; eb;) {
      auto* b = static_cast<CCodeListElem*>(eb);
      gpu::CListElem* next = eb->next;
      bool close = kavrin::CompareText(a->text, b->text) == 0;
      if (close) {
        bool near = true;
        for (int k = 0; k < 8; ++k) near = near && std::fabs(a->corners[k] - b->corners[k]) <= 2.0;
        close = near || QuadsOverlap(CornersOf(a->regionGeometry), CornersOf(b->regionGeometry)) ||
                QuadsOverlap(CornersOf(a->corners), CornersOf(b->corners));
      }
      if (close) {
        a->hits += b->hits;
        remove(previous, eb);
      } else {
        previous = eb;
      }
      eb = next;
    }
  }
  // Two texts at one place cannot both be right: the one with more hits
  // stays, and with equal hits neither is trusted. A tie keeps its hits as
  // the bar that a later text at the place must pass, so that no weaker text
  // takes the place, whatever the order of the list.
  std::vector<gpu::CListElem*> tied;
  const auto isTied = [&](gpu::CListElem* e) { return std::find(tied.begin(), tied.end(), e) != tied.end(); };
  for (gpu::CListElem* ea = codes.head; ea; ea = ea->next) {
    auto* a = static_cast<CCodeListElem*>(ea);
    gpu::CListElem* previous = ea;
    for (gpu::CListElem* eb = ea->next; eb;) {
      auto* b = static_cast<CCodeListElem*>(eb);
      gpu::CListElem* next = eb->next;
      if (QuadsOverlap(CornersOf(a->corners), CornersOf(b->corners))) {
        if (b->hits > a->hits) {
          a->hits = b->hits;
          a->type = b->type;
          std::copy(b->line, b->line + 4, a->line);
          std::swap(a->text, b->text);
          std::erase(tied, ea);
        } else if (b->hits == a->hits && !isTied(ea)) {
          tied.push_back(ea);
        }
        remove(previous, eb);
      } else {
        previous = eb;
      }
      eb = next;
    }
  }
  // A tie goes always; then, while two or more remain, codes seen only once.
  for (gpu::CListElem* e : tied) {
    codes.current = e;
    codes.RemoveCurrent();
    delete static_cast<CCodeListElem*>(e);
  }
  codes.current = nullptr;
  for (gpu::CListElem* e = codes.head; e;) {
    gpu::CListElem* next = e->next;
    const int hits = static_cast<CCodeListElem*>(e)->hits;
    if (hits < 1 || (hits < 2 && codes.count >= 2)) {
      codes.current = e;
      codes.RemoveCurrent();
      delete static_cast<CCodeListElem*>(e);
    }
    e = next;
  }
  codes.current = nullptr;
}

}  // namespace hoskin
