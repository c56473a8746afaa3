// Guards and symbol characters of a candidate: quantised, corrected within
// their doubts and looked up, with the EAN/UPC parity tests on the way.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "decoder/code_text.h"
#include "decoder/decoder.h"
#include "decoder/tables.h"

namespace hoskin {

namespace {

bool Equal(const SymbolRecord& r, const uint8_t* want, int n) {
  for (int j = 0; j < n; ++j) {
    if (r.modules[j] != want[j]) return false;
  }
  return true;
}

// Whether the parity bytes so far (positions 0 .. position) begin a row.
template <size_t kRows, size_t kLength>
bool ParityPrefix(const uint8_t (&rows)[kRows][kLength], const uint8_t* parity, int position) {
  for (size_t row = 0; row < kRows; ++row) {
    if (std::equal(parity, parity + position + 1, rows[row])) return true;
  }
  return false;
}

constexpr uint8_t kAddOnGuard[3] = {1, 1, 2};

// By how much (summed module error of the elements) a digit's counts must fit
// its widths better than any other digit's; measured on drawn symbols, where
// 0.2 still let a wrong digit through and 0.4 lost clean reads.
constexpr float kAmbiguityMargin = 0.3f;

}  // namespace

bool CBarcodeDecoder::DecodeGuard(int guardType, int element, int kind) {
  SymbolRecord r;
  switch (guardType) {
    case kEan8:
    case kEan13: {
      const int n = kind == 0 ? 5 : 3;
      return MeasureSymbol(-1, element, n, n, &r) && CheckGuardBars(0, n, &r);
    }
    case kUpcE: {
      const int n = kind == -1 ? 3 : 6;
      if (!MeasureSymbol(-1, element, n, n, &r)) return false;
      float sum = 0, largest = 0, smallest = r.relative[0];
      for (int j = 0; j < n; ++j) {
        sum += r.relative[j];
        largest = std::max(largest, r.relative[j]);
        smallest = std::min(smallest, r.relative[j]);
      }
      const float mean = sum / n;
      if (largest > 1.55f * mean || smallest < 0.45f * mean || largest > 1.65f * smallest) return false;
      return CheckGuardBars(0, n, &r);
    }
    case kEan2:
    case kEan5:
      return MeasureSymbol(-1, element, 3, 4, &r) && Equal(r, kAddOnGuard, 3);
    case kCode128Type:
      if (kind == -1) {
        if (!MeasureSymbol(-1, element, 6, 11, &r)) return false;
        for (int set = 1; set <= 3; ++set) {
          if (Equal(r, kCode128[102 + set], 6)) return startSet = set, true;
        }
        return false;
      }
      return MeasureSymbol(-1, element, 7, 13, &r) && Equal(r, kCode128Stop, 7);
    case kCode39Type:
      return MeasureSymbol(-1, element, 9, 12, &r) && Equal(r, kCode39[kCode39Star].widths, 9);
    default:
      return false;
  }
}

bool CBarcodeDecoder::CheckSymbol(int n, int m, int position, SymbolRecord* r, uint8_t* parityBytes) {
  int sum = 0;
  for (int j = 0; j < n; ++j) sum += r->modules[j];
  if (sum != m || !LookupSymbol(type, position, r)) return false;
  const uint8_t odd = r->value < 10 ? 1 : 0;
  switch (type) {
    case kEan8:
      return r->value < 10;
    case kEan13:
      if ((position == 0 || position > 5) && !odd) return false;
      if (position > 5) return true;
      parityBytes[position] = odd;
      return ParityPrefix(kEan13Parity, parityBytes, position);
    case kUpcE:
      if (position > 5) return false;
      parityBytes[position] = odd;
      return ParityPrefix(kUpcEParity[0], parityBytes, position) || ParityPrefix(kUpcEParity[1], parityBytes, position);
    case kEan2:
      if (position > 1) return false;
      parityBytes[position] = odd;
      return true;
    case kEan5:
      if (position > 4) return false;
      parityBytes[position] = odd;
      return ParityPrefix(kEan5Parity, parityBytes, position);
    default:
      return true;
  }
}

bool CBarcodeDecoder::SearchSymbol(int position, int n, int m, int depth, SymbolRecord* r, uint8_t* parityBytes) {
  if (depth < 0) return CheckSymbol(n, m, position, r, parityBytes);
  const int e = r->order[depth];
  r->modules[e] = r->measured[e];
  if (SearchSymbol(position, n, m, depth - 1, r, parityBytes)) return true;
  r->modules[e] = static_cast<uint8_t>(r->measured[e] + (r->doubt[e] == kMayBeMore ? 1 : -1));
  if (SearchSymbol(position, n, m, depth - 1, r, parityBytes)) return true;
  r->modules[e] = r->measured[e];
  return false;
}

bool CBarcodeDecoder::PlainestSymbol(int position, int n, int m, SymbolRecord* r, uint8_t* parityBytes) {
  const int doubts = std::max(r->lastOrdered + 1, 0);
  const auto apply = [&](int combination) {
    for (int d = 0; d < doubts; ++d) {
      const int e = r->order[d];
      const bool corrected = (combination >> d) & 1;
      r->modules[e] = static_cast<uint8_t>(r->measured[e] + (corrected ? (r->doubt[e] == kMayBeMore ? 1 : -1) : 0));
    }
    float error = 0;
    for (int j = 0; j < n; ++j) error += std::fabs(r->relative[j] - r->modules[j]);
    return error;
  };
  int best = -1, bestValue = -1;
  float bestError = 0, otherError = 1e9f;  // the best error of any other value
  for (int combination = 0; combination < (1 << doubts); ++combination) {
    const float error = apply(combination);
    if (!CheckSymbol(n, m, position, r, parityBytes)) continue;
    if (best < 0 || error < bestError) {
      if (best >= 0 && r->value != bestValue) otherError = std::min(otherError, bestError);
      best = combination, bestError = error, bestValue = r->value;
    } else if (r->value != bestValue) {
      otherError = std::min(otherError, error);
    }
  }
  if (best < 0 || otherError - bestError < kAmbiguityMargin) return false;
  apply(best);
  return CheckSymbol(n, m, position, r, parityBytes);
}

bool CBarcodeDecoder::DecodeSymbols(int first, int last) {
  int count = 0, n = 4, m = 7;
  switch (type) {
    case kEan8:
      count = 8;
      break;
    case kEan13:
      count = 12;
      break;
    case kUpcE:
      count = 6;
      break;
    case kEan2:
      count = 2;
      break;
    case kEan5:
      count = 5;
      break;
    case kCode39Type:
      count = (last - first - 18) / 10, n = 9, m = 12;
      break;
    case kCode128Type:
      count = (last - first - 12) / 6, n = 6, m = 11;
      break;
    default:
      return false;
  }
  // A start directly followed by its stop holds no character.
  if (count < 1) return false;
  if (symbols.size() < static_cast<size_t>(count)) symbols.resize(count);
  for (int k = 0; k < count; ++k) ResetSymbolRecord(&symbols[k]);
  std::memset(parity, 0, sizeof(parity));
  const int reading = forward ? first : last;
  for (int k = 1; k <= count; ++k) {
    int offset = 0;
    switch (type) {
      case kEan8:
        offset = 3 + 4 * (k - 1) + (k >= 5 ? 5 : 0);
        break;
      case kEan13:
        offset = 3 + 4 * (k - 1) + (k >= 7 ? 5 : 0);
        break;
      case kUpcE:
        offset = 3 + 4 * (k - 1);
        break;
      case kEan2:
      case kEan5:
        offset = 3 + 6 * (k - 1);
        break;
      case kCode39Type:
        offset = 10 * k;
        break;
      default:
        offset = 6 * k;
        break;
    }
    SymbolRecord* r = &symbols[k - 1];
    if (!QuantiseSymbol(ElementAt(reading, offset), n, m, r)) return false;
    // An EAN/UPC digit takes the correction that fits its widths best, not
    // the first that passes, and is not read when another digit fits nearly
    // as well: the check digit lets a wrong digit through one time in ten.
    const bool found =
        n == 4 ? PlainestSymbol(k - 1, n, m, r, parity) : SearchSymbol(k - 1, n, m, r->lastOrdered, r, parity);
    if (!found) return false;
  }
  return BuildCodeText(type, &lineResults[lineIndex].text, startSet, count, parity, symbols.data());
}

}  // namespace hoskin
