// Module rows of real symbols (printed by `zint --dump`, one hex digit per
// four modules, 1 a bar) turned into element widths and grey profiles.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace barcode_rows {

// Runs of equal modules, bars positive, spaces negative, with a quiet zone
// of `quiet` modules on both sides. Trailing padding bits of the last hex
// digit are spaces and join the quiet zone.
inline std::vector<int> Runs(const std::string& dump, int quiet = 10) {
  std::vector<int> bits(quiet, 0);
  for (char c : dump) {
    if (c == ' ') continue;
    const int v = c <= '9' ? c - '0' : c - 'A' + 10;
    for (int b = 3; b >= 0; --b) bits.push_back((v >> b) & 1);
  }
  bits.insert(bits.end(), quiet, 0);
  std::vector<int> runs;
  for (size_t i = 0; i < bits.size();) {
    size_t j = i;
    while (j < bits.size() && bits[j] == bits[i]) ++j;
    const int n = static_cast<int>(j - i);
    runs.push_back(bits[i] ? n : -n);
    i = j;
  }
  return runs;
}

// Signed widths in samples of the runs at `module` samples per module.
inline std::vector<float> Widths(const std::vector<int>& runs, double module, bool reversed = false) {
  std::vector<float> w;
  for (int r : runs) w.push_back(static_cast<float>(r * module));
  if (reversed) std::reverse(w.begin(), w.end());
  return w;
}

struct ProfileStyle {
  double module = 2.0;
  bool blur = false;
  int noise = 0;  // +- grey levels
};

// The grey value of each pixel column: bars 20, spaces 230, area-sampled,
// optionally blurred by [1 2 1] / 4 and with deterministic noise.
inline std::vector<uint8_t> Profile(const std::vector<int>& runs, const ProfileStyle& s) {
  double total = 0;
  for (int r : runs) total += std::abs(r) * s.module;
  const int n = static_cast<int>(std::ceil(total));
  std::vector<double> dark(n, 0.0);
  double at = 0;
  for (int r : runs) {
    const double end = at + std::abs(r) * s.module;
    if (r > 0) {
      for (int x = static_cast<int>(at); x < n && x < end; ++x) {
        dark[x] += std::max(0.0, std::min(end, x + 1.0) - std::max(at, static_cast<double>(x)));
      }
    }
    at = end;
  }
  std::vector<double> v(n);
  for (int x = 0; x < n; ++x) v[x] = 230 - 210 * dark[x];
  if (s.blur) {
    std::vector<double> b(v);
    for (int x = 1; x + 1 < n; ++x) b[x] = (v[x - 1] + 2 * v[x] + v[x + 1]) / 4;
    v = b;
  }
  std::vector<uint8_t> out(n);
  uint32_t seed = 12345;
  for (int x = 0; x < n; ++x) {
    seed = seed * 1103515245u + 12345u;
    const int noise = s.noise ? static_cast<int>((seed >> 16) % (2 * s.noise + 1)) - s.noise : 0;
    out[x] = static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(v[x])) + noise, 0, 255));
  }
  return out;
}

// An 8-bit frame of `rows` rows, each holding the profile.
inline talvix::FrameBuffer ProfileFrame(const std::vector<uint8_t>& profile, int rows = 5) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(static_cast<int>(profile.size()), rows, 8);
  for (int y = 0; y < rows; ++y) std::copy(profile.begin(), profile.end(), f.row(y));
  return f;
}

// Signed widths with each element stretched or shrunk by up to `jitter` of
// itself (deterministic), as a printed and scanned symbol would be.
inline std::vector<float> Jittered(const std::vector<int>& runs, double module, double jitter, uint32_t seed) {
  std::vector<float> w;
  for (int r : runs) {
    seed = seed * 1664525u + 1013904223u;
    const double j = ((seed >> 8) % 2001 / 1000.0 - 1.0) * jitter;
    w.push_back(static_cast<float>(r * module * (1 + j)));
  }
  return w;
}

// Dumps of zint 2.11 (Debian).
inline constexpr const char* kEan13 = "A2 D3 B3 26 F4 EA B3 6C 85 72 74 4A";  // 5901234123457
inline constexpr const char* kEan13Ean2 = "A2 D3 B3 26 F4 EA B3 6C 85 72 74 4A 02 CC A4 C";  // +12
inline constexpr const char* kEan13Ean5 = "A2 D3 B3 26 F4 EA B3 6C 85 72 74 4A 02 C4 AB D3 28 D4 E8";  // +86104
inline constexpr const char* kEan8 = "A6 49 BD 46 A9 D4 22 72 A";             // 1234567(0)
inline constexpr const char* kUpcE0 = "A7 49 B9 36 BC CA A";                    // 0425261
inline constexpr const char* kUpcE1 = "A8 C9 B9 26 15 9A A";                    // 1425261
inline constexpr const char* kCode39Plus = "96 D6 A5 A5 25 69 69 6D";           // A+B
inline constexpr const char* kCode39Dollar1 = "96 D4 92 B4 AD 2D A";            // $1
inline constexpr const char* kCode39TrailingDollar = "96 D6 A5 AD 2D 24 A9 6D";  // AB$
inline constexpr const char* kCode39Check = "96 D6 A5 AD 2D A5 6B 2B 6B 4A 5B 4";  // AB12 and check O
inline constexpr const char* kCode39A = "96 D6 A5 A5 B4";                        // A
inline constexpr const char* kCode128 = "D2 14 62 43 5D EB 39 16 38 B6 14 CE 58 EB";  // "Ab12345678"
inline constexpr const char* kCode128SetC = "D3 96 72 2C 49 EC 75 8";                 // 1234
inline constexpr const char* kGs1128 = "D3 9E BB 36 64 8C 5D 89 33 66 EE D9 92 62 68 63 AC";  // [01]09501101530003
inline constexpr const char* kCode128Controls = "D0 92 C2 43 7A 29 61 0B 21 36 E2 C7 58";     // 01 02 'a' 03 04
inline constexpr const char* kCode128Latin = "D2 17 BA C4 5E EB DD D6 3B D5 30 DE D8 EB";   // C4 D6 DC DF
inline constexpr const char* kCode128OneExtended = "D2 12 C2 F7 58 89 61 8E B";             // 'a' C4

}  // namespace barcode_rows
