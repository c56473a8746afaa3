// Element widths to module counts: every uncertain element is marked with the
// direction in which it may be wrong, and a bounded search corrects the
// marked ones in the order of their doubt.
#include <cmath>
#include <cstring>

#include "decoder/decoder.h"
#include "decoder/tables.h"

namespace hoskin {

namespace {

// Fractions at or beyond these cut-offs are taken as sure.
constexpr float kSureBelow = 0.15f;
constexpr float kSureAbove = 0.85f;

int SumModules(int n, const SymbolRecord* r) {
  int sum = 0;
  for (int j = 0; j < n; ++j) sum += r->modules[j];
  return sum;
}

void Correct(SymbolRecord* r, int element, int direction) {
  r->modules[element] = static_cast<uint8_t>(r->modules[element] + (r->doubt[element] == kMayBeMore ? direction : -direction));
}

}  // namespace

void ResetSymbolRecord(SymbolRecord* r) {
  std::memset(r, 0, sizeof(*r));
  r->lastOrdered = -1;
}

void OrderDoubtfulElements(int n, SymbolRecord* r) {
  std::memset(r->taken, 0, sizeof(r->taken));
  r->lastOrdered = -1;
  for (int k = 0; k < n; ++k) {
    int best = -1;
    float bestDistance = 0.5f;
    for (int j = 0; j < n; ++j) {
      if (r->taken[j] || r->doubt[j] == kSure) continue;
      const float d = std::fabs(r->fraction[j] - 0.5f);
      if (d < bestDistance) best = j, bestDistance = d;
    }
    if (best < 0) break;
    r->taken[best] = 1;
    r->order[k] = static_cast<uint8_t>(best);
    r->lastOrdered = k;
  }
  std::memcpy(r->measured, r->modules, sizeof(r->measured));
}

float CBarcodeDecoder::SumWidths(int count, const float* widths, int first, int n) {
  float sum = 0;
  for (int k = first; k < first + n; ++k) {
    if (k >= 0 && k < count) sum += std::fabs(widths[k]);
  }
  return sum;
}

bool CBarcodeDecoder::QuantiseSymbol(int element, int n, int m, SymbolRecord* r) {
  ResetSymbolRecord(r);
  const int last = ElementAt(element, n - 1);
  if (n < 1 || n > kMaxSymbolElements || element < 0 || element >= edgeCount || last < 0 || last >= edgeCount) {
    return false;  // the group reaches past the measured elements
  }
  float sum = 0;
  for (int j = 0; j < n; ++j) sum += std::fabs(widths[ElementAt(element, j)]);
  if (!(sum > 0)) return false;
  const float module = sum / m;
  for (int j = 0; j < n; ++j) {
    const float rel = std::fabs(widths[ElementAt(element, j)]) / module;
    const float whole = std::floor(rel);
    const float f = rel - whole;
    // Counts are bytes: a width of hundreds of modules cannot be a symbol.
    const int i = whole > 250 ? 250 : static_cast<int>(whole);
    r->relative[j] = rel;
    r->fraction[j] = f;
    if (f >= kSureAbove) {
      r->modules[j] = static_cast<uint8_t>(i + 1);
    } else if (f > kSureBelow && f >= 0.5f) {
      r->modules[j] = static_cast<uint8_t>(i + 1);
      r->doubt[j] = i > 0 ? kMayBeLess : kSure;
    } else if (f > kSureBelow) {
      r->modules[j] = static_cast<uint8_t>(i);
      r->doubt[j] = kMayBeMore;
    } else {
      r->modules[j] = static_cast<uint8_t>(i);
    }
  }
  OrderDoubtfulElements(n, r);
  r->total = SumModules(n, r);
  return true;
}

bool CBarcodeDecoder::MeasureSymbol(int position, int element, int n, int m, SymbolRecord* r) {
  if (!QuantiseSymbol(element, n, m, r)) return false;
  if (SumModules(n, r) == m) return true;
  return ResolveDoubts(type, position, n, 0, m, r);
}

bool CBarcodeDecoder::ResolveDoubts(int symbolType, int position, int n, int depth, int m, SymbolRecord* r) {
  if (SumModules(n, r) == m && (position < 0 || LookupSymbol(symbolType, position, r))) return true;
  if (depth > r->lastOrdered || depth >= n) return false;
  const int e = r->order[depth];
  Correct(r, e, 1);
  if (ResolveDoubts(symbolType, position, n, depth + 1, m, r)) return true;
  Correct(r, e, -1);
  return ResolveDoubts(symbolType, position, n, depth + 1, m, r);
}

bool CBarcodeDecoder::CheckGuardBars(int depth, int n, SymbolRecord* r) {
  bool allOne = true;
  for (int j = 0; j < n; ++j) {
    if (r->relative[j] < 0.5f || r->relative[j] > 1.5f) return false;
    allOne = allOne && r->modules[j] == 1;
  }
  if (allOne) return true;
  if (depth > r->lastOrdered || depth >= n) return false;
  const int e = r->order[depth];
  Correct(r, e, 1);
  if (CheckGuardBars(depth + 1, n, r)) return true;
  Correct(r, e, -1);
  return CheckGuardBars(depth + 1, n, r);
}

bool CBarcodeDecoder::LookupSymbol(int symbolType, int position, SymbolRecord* r) const {
  const auto matches = [&](const uint8_t* row, int n) {
    for (int j = 0; j < n; ++j) {
      if (r->modules[j] != row[j]) return false;
    }
    return true;
  };
  int entries = 0;
  switch (symbolType) {
    case kEan8:
      entries = 10;
      break;
    case kEan13:
    case kEan2:
    case kEan5:
      entries = position <= 5 ? 20 : 10;
      break;
    case kUpcE:
      entries = 20;
      break;
    case kCode39Type:
      for (int v = 0; v < kCode39Rows; ++v) {
        if (matches(kCode39[v].widths, 9)) return r->value = v, true;
      }
      return false;
    case kCode128Type:
      for (int v = 0; v < 106; ++v) {
        if (matches(kCode128[v], 6)) return r->value = v, true;
      }
      return false;
    default:
      return false;
  }
  for (int v = 0; v < entries; ++v) {
    if (matches(kEanDigits[v], 4)) return r->value = v, true;
  }
  return false;
}

}  // namespace hoskin
