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

// Dumps of zint 2.11 (Debian).
inline constexpr const char* kEan13 = "A2 D3 B3 26 F4 EA B3 6C 85 72 74 4A";  // 5901234123457
inline constexpr const char* kCode128 = "D2 14 62 43 5D EB 39 16 38 B6 14 CE 58 EB";  // "Ab12345678"

}  // namespace barcode_rows
