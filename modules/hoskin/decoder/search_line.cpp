// The search of one scan line's widths for every symbology, in the reading
// direction of `forward` (backwards every offset is mirrored).
#include <algorithm>
#include <cmath>

#include "decoder/decoder.h"
#include "kavrin.h"

namespace hoskin {

namespace {

// A guard or character next to a quiet zone: its elements and modules.
struct Group {
  int elements, modules;
};

constexpr Group kEanGuard{3, 3};
constexpr Group kUpcEEnd{6, 6};
constexpr Group kAddOnCharacter{4, 7};
constexpr Group kCode128Start{6, 11};
constexpr Group kCode128Stop{7, 13};
constexpr Group kCode39Character{9, 12};

// The element outside a group must be six of the group's modules wide. The
// group spans groupFirst..groupLast (either order) and `outer` lies just
// outside it; ends within two elements of the width list pass.
bool QuietZone(const CBarcodeDecoder& d, int groupFirst, int groupLast, int outer, Group g) {
  const int low = std::min(groupFirst, groupLast), high = std::max(groupFirst, groupLast);
  if (outer < low) {
    if (low < 2) return true;
  } else if (high + 1 >= d.edgeCount - 1) {
    return true;
  }
  if (outer < 0 || outer >= d.edgeCount) return true;
  const float module = CBarcodeDecoder::SumWidths(d.edgeCount, d.widths.data(), low, g.elements) / g.modules;
  return std::fabs(d.widths[outer]) >= 6 * module;
}

}  // namespace

bool CBarcodeDecoder::SearchLine(int first, int last) {
  if (last - first + 1 < 24) return false;
  const int far = forward ? last : first;
  const auto at = [&](int p, int k) { return forward ? p + k : p - k; };
  const auto remaining = [&](int p) { return forward ? far - p + 1 : p - far + 1; };
  // Quiet zones at both ends of a code from b to e (reading order).
  const auto quiet = [&](int b, int e, Group start, Group end) {
    return QuietZone(*this, b, at(b, start.elements - 1), at(b, -1), start) &&
           QuietZone(*this, at(e, -(end.elements - 1)), e, at(e, 1), end);
  };
  LineResult& result = lineResults[lineIndex];
  bool any = false;
  int start = forward ? first : last;
  while (remaining(start) >= 24) {
    bool found = false;
    int next = start;
    int codeEnd = start;

    // EAN-13 (with add-ons), EAN-8, UPC-E.
    for (int p = start; remaining(p) >= 33; p = at(p, 2)) {
      if (!DecodeGuard(kEan13, p, -1)) continue;
      if (remaining(p) >= 59 && DecodeGuard(kEan13, at(p, 56), 1) && DecodeGuard(kEan13, at(p, 27), 0)) {
        const int e = at(p, 58);
        if (!quiet(p, e, kEanGuard, kEanGuard)) continue;
        SetZeroString(&result.text);
        type = kEan13;
        if (!DecodeSymbols(std::min(p, e), std::max(p, e))) continue;
        codeEnd = e;
        const int g = at(p, 60);
        int addOnType = 0, addOnEnd = 0;
        if (remaining(p) >= 61 && DecodeGuard(kEan5, g, -1)) {
          if (QuietZone(*this, at(g, 9), at(g, 12), at(g, 13), kAddOnCharacter)) {
            addOnType = kEan2, addOnEnd = at(g, 12);
          } else if (QuietZone(*this, at(g, 27), at(g, 30), at(g, 31), kAddOnCharacter)) {
            addOnType = kEan5, addOnEnd = at(g, 30);
          }
        }
        if (addOnType) {
          HostString main = result.text;
          result.text = nullptr;
          type = addOnType;
          if (DecodeSymbols(std::min(g, addOnEnd), std::max(g, addOnEnd))) {
            SetStringChar(GetStringLength(&main), u'|', &main);
            kavrin::AppendText(&main, result.text);
            codeEnd = addOnEnd;
          }
          FreeHostString(&result.text);
          result.text = main;
          type = kEan13;
        }
        StoreLineCode(std::min(p, codeEnd), std::max(p, codeEnd));
        found = true;
        break;
      }
      if (remaining(p) >= 43 && DecodeGuard(kEan8, at(p, 40), 1) && DecodeGuard(kEan8, at(p, 19), 0)) {
        const int e = at(p, 42);
        SetZeroString(&result.text);
        type = kEan8;
        if (quiet(p, e, kEanGuard, kEanGuard) && DecodeSymbols(std::min(p, e), std::max(p, e))) {
          codeEnd = e;
          StoreLineCode(std::min(p, e), std::max(p, e));
          found = true;
          break;
        }
        continue;
      }
      if (DecodeGuard(kUpcE, at(p, 27), 1)) {
        const int e = at(p, 32);
        SetZeroString(&result.text);
        type = kUpcE;
        if (quiet(p, e, kEanGuard, kUpcEEnd) && DecodeSymbols(std::min(p, e), std::max(p, e))) {
          codeEnd = e;
          StoreLineCode(std::min(p, e), std::max(p, e));
          found = true;
          break;
        }
      }
    }
    if (found) next = at(codeEnd, 2);

    // Code 128: the first stop that gives a valid code wins.
    bool phaseFound = false;
    for (int p = next; !phaseFound && remaining(p) >= 24; p = at(p, 2)) {
      if (!DecodeGuard(kCode128Type, p, -1)) continue;
      for (int q = at(p, 12); remaining(q) >= 7; q = at(q, 6)) {
        if (!DecodeGuard(kCode128Type, q, 1)) continue;
        const int e = at(q, 6);
        SetZeroString(&result.text);
        type = kCode128Type;
        if (!quiet(p, e, kCode128Start, kCode128Stop) || !DecodeSymbols(std::min(p, e), std::max(p, e))) continue;
        StoreLineCode(std::min(p, e), std::max(p, e));
        codeEnd = e;
        phaseFound = found = true;
        break;
      }
    }
    if (phaseFound) next = at(codeEnd, 2);

    // Code 39, likewise.
    phaseFound = false;
    for (int p = next; !phaseFound && remaining(p) >= 29; p = at(p, 2)) {
      if (!DecodeGuard(kCode39Type, p, -1)) continue;
      for (int q = at(p, 10); remaining(q) >= 9; q = at(q, 10)) {
        if (!DecodeGuard(kCode39Type, q, 1)) continue;
        const int e = at(q, 8);
        if (!quiet(p, e, kCode39Character, kCode39Character)) continue;
        SetZeroString(&result.text);
        type = kCode39Type;
        if (!DecodeSymbols(std::min(p, e), std::max(p, e))) continue;
        StoreLineCode(std::min(p, e), std::max(p, e));
        codeEnd = e;
        phaseFound = found = true;
        break;
      }
    }
    if (phaseFound) next = at(codeEnd, 2);

    if (!found) break;
    any = true;
    VoteLineResults();
    start = next;
  }
  return any;
}

void CBarcodeDecoder::StoreLineCode(int begin, int end) {
  LineResult& r = lineResults[lineIndex];
  const double length = static_cast<double>(profile.size());
  double before = 0, through = 0;
  for (int k = 0; k <= end && k < edgeCount; ++k) {
    const double w = std::round(std::fabs(widths[k]));
    if (k < begin) before += w;
    through += w;
  }
  const Segment& s = segmentInUse;
  const auto point = [&](double sum, double* x, double* y) {
    const double f = length > 0 ? std::clamp(sum / length, 0.0, 1.0) : 0.0;
    *x = s.x0 + (s.x1 - s.x0) * f;
    *y = s.y0 + (s.y1 - s.y0) * f;
  };
  if (forward) {
    point(before, &r.x0, &r.y0);
    point(through, &r.x1, &r.y1);
  } else {
    point(through, &r.x0, &r.y0);
    point(before, &r.x1, &r.y1);
  }
  r.type = type;
}

bool CBarcodeDecoder::SearchMeasuredLine() {
  type = kNoType;
  const double widest = 6 * meanElementWidth;
  int first = -1, last = -1;
  for (int k = 0; k < edgeCount; ++k) {
    if (widths[k] >= 0 && widths[k] <= widest) {
      if (first < 0) first = k;
      last = k;
    }
  }
  if (first < 0) return false;
  forward = 1;
  if (SearchLine(first, last)) return true;
  forward = 0;
  return SearchLine(first, last);
}

bool CBarcodeDecoder::DecodeLine() {
  ClipSegment(clipPolygon, &segmentInUse);
  SetZeroString(&lineResults[lineIndex].text);
  if (!MeasureLine()) return false;
  return SearchMeasuredLine();
}

}  // namespace hoskin
