// Code 128: stop and start patterns found anywhere on the line in both
// reading directions, paired, the characters between them matched by
// squared width error, the modulo-103 check, code sets A, B and C, and GS1
// application identifiers put in parentheses.
#include <cmath>

#include "bar_runs.h"
#include "row_decoder.h"
#include "symbol_tables.h"

namespace dunsel {

namespace {

constexpr int kMaxValues = 254;  // symbol characters after the start
constexpr int kMaxText = 254;    // characters of the result text
// Marks an FNC1 until its identifier is put in parentheses; no character
// of a symbol (at most 255 with FNC4) can take its place.
constexpr char16_t kFnc1 = 0xFFFF;
constexpr char16_t kFunction = 0xFE;  // FNC2 and FNC3 stay in the text

constexpr int kStop[7] = {2, 3, 3, 1, 1, 1, 2};
constexpr int kStopReversed[7] = {2, 1, 1, 1, 3, 3, 2};
constexpr int kStarts[3][6] = {{2, 1, 1, 4, 1, 2}, {2, 1, 1, 2, 1, 4}, {2, 1, 1, 2, 3, 2}};

int Count(float w, float module) {
  const int c = static_cast<int>(std::lround(w / module));
  return c == 0 ? 1 : c;
}

bool Same(const int* counts, const int* pattern, int n) {
  for (int k = 0; k < n; ++k) {
    if (counts[k] != pattern[k]) return false;
  }
  return true;
}

bool SameReversed(const int* counts, const int* pattern, int n) {
  for (int k = 0; k < n; ++k) {
    if (counts[k] != pattern[n - 1 - k]) return false;
  }
  return true;
}

// Stop and start candidates from the forward walk at every bar start.
void FindCandidates(const SampleSlot& s, const LineElements& fwd, Code128Work& w) {
  w.stops.clear();
  w.starts.clear();
  for (int opened = -1; opened < fwd.changes(); ++opened) {
    const int i = opened < 0 ? 0 : fwd.change(opened);
    if (!BarBegins(s, i)) continue;
    const int close = opened + 1;
    if (close + 6 >= fwd.changes()) break;
    float wd[7];
    wd[0] = fwd.first(s, i, close);
    for (int k = 1; k < 7; ++k) wd[k] = fwd.inner(close + k);
    int counts[7];
    float total = 0.0f;
    for (float x : wd) total += x;
    for (int k = 0; k < 7; ++k) counts[k] = Count(wd[k], total / 13.0f);
    if (Same(counts, kStop, 7)) w.stops.push_back({i, true, 0});
    if (Same(counts, kStopReversed, 7)) w.stops.push_back({fwd.change(close + 6) - 1, false, 0});

    float six = 0.0f;
    for (int k = 0; k < 6; ++k) six += wd[k];
    for (int k = 0; k < 6; ++k) counts[k] = Count(wd[k], six / 11.0f);
    for (int t = 0; t < 3; ++t) {
      if (Same(counts, kStarts[t], 6)) w.starts.push_back({fwd.change(close + 5), true, t});
    }
    six = 0.0f;
    for (int k = 1; k < 7; ++k) six += wd[k];
    for (int k = 1; k < 7; ++k) counts[k - 1] = Count(wd[k], six / 11.0f);
    // A reversed start lies at the inner edge of the start pattern: the
    // last sample of the bar before it, where the leftward walk begins.
    for (int t = 0; t < 3; ++t) {
      if (SameReversed(counts, kStarts[t], 6)) w.starts.push_back({fwd.change(close) - 1, false, t});
    }
  }
}

struct Lookup {
  int value = -1;
};

Lookup Match(const Code128Tables& tables, const int* counts) {
  for (int v = 96; v <= 102; ++v) {
    int err = 0;
    for (int k = 0; k < 6; ++k) err += WidthError(tables.functions[v - 96].pattern[k] - '0', counts[k]);
    if (err == 0) return {v};
  }
  int lastOne = -1;
  for (int v = 0; v < 96; ++v) {
    int err = 0;
    for (int k = 0; k < 6; ++k) err += WidthError(tables.symbols[v].pattern[k] - '0', counts[k]);
    if (err == 0) return {v};
    if (err == 1) lastOne = v;
  }
  return {lastOne};
}

// Text of the values after the start; false when it would not fit. FNC4
// adds 128 to the next character of set A or B; two in a row latch that for
// every character after them, and within the latch one FNC4 lets the next
// character through plain and two more end it.
bool BuildText(const Code128Tables& tables, const int* values, int m, int startType, std::u16string& text) {
  text.clear();
  int set = startType;  // 0 A, 1 B, 2 C
  int shifted = -1;     // the set of the one character after SHIFT
  int fnc1 = 0;
  int fnc4Run = 0;      // FNC4 values just before this one
  bool latched = false, flipNext = false;
  for (int k = 1; k < m; ++k) {
    const int v = values[k];
    const int cs = shifted >= 0 ? shifted : set;
    shifted = -1;
    const int run = fnc4Run;
    fnc4Run = 0;
    if (v < 96) {
      const Code128Symbol& sym = tables.symbols[v];
      const char16_t high = latched != flipNext ? 128 : 0;
      flipNext = false;
      if (cs == 0) {
        text.push_back(static_cast<char16_t>(sym.setA + high));
      } else if (cs == 1) {
        text.push_back(static_cast<char16_t>(sym.setB + high));
      } else {
        text.push_back(sym.setC[0]);
        text.push_back(sym.setC[1]);
      }
    } else {
      const int action = tables.functions[v - 96].action[cs];
      if (action >= 1 && action <= 3) {
        // SHIFT changes the set of the next character only.
        if (v == 98 && cs != 2) {
          shifted = action - 1;
        } else {
          set = action - 1;
        }
        continue;
      }
      if (action == 6 && v >= 100) {  // FNC4
        fnc4Run = run + 1;
        if (fnc4Run % 2 == 0) {
          latched = !latched;
          flipNext = false;
        } else {
          flipNext = true;
        }
        continue;
      }
      if (action == 4) {
        text.push_back(kFnc1);
        ++fnc1;
      } else if (action >= 96) {
        text.push_back(static_cast<char16_t>(u'0' + action / 10));
        text.push_back(static_cast<char16_t>(u'0' + action % 10));
      } else {
        text.push_back(kFunction);
      }
    }
    if (static_cast<int>(text.size()) + fnc1 > 253) return false;
  }
  return true;
}

// GS1 element strings of predefined length, by the first two digits of the
// identifier: the whole length, identifier included. No FNC1 follows them.
int PredefinedLength(const std::u16string& t, size_t at) {
  if (at + 2 > t.size()) return 0;
  const int p = (t[at] - u'0') * 10 + (t[at + 1] - u'0');
  if (p >= 0 && p <= 3) return 16 + (p == 0 ? 4 : 0);
  if (p == 4) return 18;
  if (p >= 11 && p <= 19) return 8;
  if (p == 20) return 4;
  if (p >= 31 && p <= 36) return 10;
  if (p == 41) return 16;
  return 0;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Number of digits of the application identifier at `at`, 0 when no row
// accepts it.
int IdentifierDigits(const Code128Tables& tables, const std::u16string& t, size_t at) {
  int numbers[5] = {-1, -1, -1, -1, -1};  // by digit count 2 to 4
  int value = 0;
  for (int d = 1; d <= 4; ++d) {
    if (at + d > t.size() || !IsDigit(t[at + d - 1])) break;
    value = value * 10 + (t[at + d - 1] - u'0');
    numbers[d] = value;
  }
  for (const AiRange& r : tables.aiRanges) {
    for (int d = 2; d <= 4; ++d) {
      if (numbers[d] >= r.lowest && numbers[d] <= r.highest) return r.digits;
    }
  }
  return 0;
}

// Puts every application identifier in parentheses: after each FNC1, and
// after each element string of predefined length that the text goes on
// from. Returns 0, or status 2 for an identifier no row accepts.
int Bracket(const Code128Tables& tables, const std::u16string& in, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < in.size()) {
    if (in[i] != kFnc1) {
      out.push_back(in[i++]);
      continue;
    }
    ++i;
    // One or more element strings follow this FNC1.
    while (true) {
      const int digits = IdentifierDigits(tables, in, i);
      if (digits == 0 || i + digits > in.size()) return 2;
      out.push_back(u'(');
      out.append(in, i, static_cast<size_t>(digits));
      out.push_back(u')');
      const int fixed = PredefinedLength(in, i);
      i += static_cast<size_t>(digits);
      if (fixed == 0) break;
      const size_t end = i + static_cast<size_t>(fixed - digits);
      while (i < end && i < in.size() && in[i] != kFnc1) out.push_back(in[i++]);
      if (i >= in.size() || in[i] == kFnc1) break;
    }
  }
  return 0;
}

}  // namespace

int DecodeCode128(const Code128Tables& tables, SampleSlot& slot, int n, bool whiteBars, bool refine, LineElements& fwd,
                  LineElements& rev, Code128Work& work, std::u16string& text, LineEnds& ends) {
  ends = LineEnds{};
  if (n < 3) return 0;
  ExtractBarRuns(slot, n, whiteBars, refine);
  fwd.Measure(slot, n, +1);
  FindCandidates(slot, fwd, work);
  if (work.stops.empty() || work.starts.empty()) return 0;
  rev.Measure(slot, n, -1);

  int status = 0;
  std::vector<float>& widths = work.widths;
  std::vector<int>& values = work.values;
  for (const PatternCandidate& stop : work.stops) {
    for (const PatternCandidate& start : work.starts) {
      if (start.forward != stop.forward) continue;
      if (start.forward ? start.sample >= stop.sample : start.sample <= stop.sample) continue;
      const LineElements& el = start.forward ? fwd : rev;
      // The start sample opens an element in the walk; the stop sample is
      // where the last element before the stop closes.
      const int opened = el.changeAt(start.sample);
      const int last = el.changeAt(stop.sample);
      if (opened < 0 || last < 0) continue;
      const int elements = last - opened;
      if (elements <= 0 || elements % 6 != 0) continue;
      widths.resize(static_cast<size_t>(elements));
      widths[0] = el.first(slot, start.sample, opened + 1);
      for (int k = 1; k < elements; ++k) widths[static_cast<size_t>(k)] = el.inner(opened + 1 + k);

      values.clear();
      values.push_back(103 + start.type);
      bool abandon = false, failed = false;
      float module = 0.0f;
      for (int g = 0; g < elements; g += 6) {
        const float* w = &widths[static_cast<size_t>(g)];
        float lo = w[0], hi = w[0], sum = 0.0f;
        for (int k = 0; k < 6; ++k) {
          lo = w[k] < lo ? w[k] : lo;
          hi = w[k] > hi ? w[k] : hi;
          sum += w[k];
        }
        if (hi > 10.0f * lo) {
          abandon = true;
          break;
        }
        module = sum / 11.0f;
        int counts[6];
        for (int k = 0; k < 6; ++k) counts[k] = Count(w[k], module);
        const Lookup found = Match(tables, counts);
        if (found.value < 0) {
          failed = true;
          break;
        }
        values.push_back(found.value);
        if (static_cast<int>(values.size()) - 1 > kMaxValues) break;
      }
      if (abandon) break;  // the next stop candidate
      if (failed) continue;
      const int m = static_cast<int>(values.size()) - 1;
      if (m > kMaxValues) {
        status = status > 1 ? status : 1;
        continue;
      }
      if (m < 2) continue;
      int sum = values[0];
      for (int k = 1; k < m; ++k) sum += k * values[static_cast<size_t>(k)];
      if (sum % 103 != values[static_cast<size_t>(m)]) {
        status = status > 3 ? status : 3;
        text.assign(values.begin(), values.end());
        continue;
      }
      std::u16string raw;
      if (!BuildText(tables, values.data(), m, start.type, raw)) continue;
      std::u16string bracketed;
      if (Bracket(tables, raw, bracketed) != 0) {
        status = status > 2 ? status : 2;
        continue;
      }
      if (static_cast<int>(bracketed.size()) > kMaxText) continue;
      text = bracketed;
      const double sx = slot.sampleX[start.sample], sy = slot.sampleY[start.sample];
      const double tx = slot.sampleX[stop.sample], ty = slot.sampleY[stop.sample];
      const double dx = sx - tx, dy = sy - ty, len = std::hypot(dx, dy);
      const double ux = len > 0 ? dx / len : 0.0, uy = len > 0 ? dy / len : 0.0;
      ends = {sx + ux * 11.0 * module, sy + uy * 11.0 * module, tx - ux * 13.0 * module, ty - uy * 13.0 * module};
      return 4;
    }
  }
  return status;
}

}  // namespace dunsel
