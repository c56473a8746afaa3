// The codes of a run: the vote over a pass's line results, the list of codes
// with their scanned areas, and the merging of codes found more than once.
#include <utility>

#include "decoder/decoder.h"
#include "kavrin.h"

namespace hoskin {

bool CBarcodeDecoder::VoteLineResults() {
  LineResult* r = lineResults;
  for (int i = 0; i < kLineCount; ++i) {
    for (int j = i + 1; j < kLineCount; ++j) {
      if (kavrin::CompareText(r[j].text, r[i].text) > 0) std::swap(r[i], r[j]);
    }
  }
  if (kavrin::IsEmptyText(r[0].text)) {
    for (int i = 0; i < kLineCount; ++i) FreeHostString(&r[i].text);
    return false;
  }
  int best = 0, bestLength = 0;
  for (int i = 0; i < kLineCount && !kavrin::IsEmptyText(r[i].text);) {
    int j = i + 1;
    while (j < kLineCount && !kavrin::IsEmptyText(r[j].text) && kavrin::CompareText(r[j].text, r[i].text) == 0) ++j;
    if (j - i > bestLength) best = i, bestLength = j - i;
    i = j;
  }
  // A text that one line alone reads is too often a misread (another
  // symbology's elements, a doubt resolved the wrong way): two must agree.
  if (bestLength < 2) return false;
  HostString text = std::exchange(r[best].text, nullptr);
  AddCode(r[best].type, r[best].x0, r[best].y0, r[best].x1, r[best].y1, text);
  return true;
}

CCodeListElem* CBarcodeDecoder::KnownCode(HostString text, double x0, double y0, double x1, double y1) {
  for (gpu::CListElem* e = codes.head; e; e = e->next) {
    auto* c = static_cast<CCodeListElem*>(e);
    if (kavrin::CompareText(c->text, text) != 0) continue;
    Quad q;
    for (int k = 0; k < 5; ++k) q.p[k] = {c->corners[2 * k], c->corners[2 * k + 1]};
    if (PointInQuad(q, static_cast<float>(x0), static_cast<float>(y0)) ||
        PointInQuad(q, static_cast<float>(x1), static_cast<float>(y1))) {
      return c;
    }
  }
  return nullptr;
}

bool CBarcodeDecoder::IsKnownCode(HostString text, double x0, double y0, double x1, double y1) {
  return KnownCode(text, x0, y0, x1, y1) != nullptr;
}

void CBarcodeDecoder::AddCode(int codeType, double x0, double y0, double x1, double y1, HostString text) {
  if (CCodeListElem* known = KnownCode(text, x0, y0, x1, y1)) {
    // A repeat confirms the code: without the hit a code read on every line
    // keeps one hit and its region is dropped.
    ++known->hits;
    FreeHostString(&text);  // the caller gave it up
    return;
  }
  auto* c = new CCodeListElem;
  c->type = codeType;
  Quad corners;
  ProjectQuad(regionQuad, {x0, y0}, {x1, y1}, &corners);
  for (int k = 0; k < 5; ++k) {
    c->regionGeometry[2 * k] = regionGeometry.p[k].x;
    c->regionGeometry[2 * k + 1] = regionGeometry.p[k].y;
    c->corners[2 * k] = corners.p[k].x;
    c->corners[2 * k + 1] = corners.p[k].y;
  }
  c->line[0] = x0, c->line[1] = y0, c->line[2] = x1, c->line[3] = y1;
  c->text = text;
  codes.Append(c);
}

}  // namespace hoskin
