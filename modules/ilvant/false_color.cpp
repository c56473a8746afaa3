// false_color: an 8-bit frame mapped through a palette of 256 colours, either
// one of the predefined palettes or one interpolated from user colours.
#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "frame_access.h"

namespace ilvant {

namespace {

using Palette = std::array<TColor, 256>;

constexpr std::u16string_view kNotMonochrome = u"error: Frame is not monochromatic ";
constexpr std::u16string_view kUnknownPalette = u"error: Unknown palette";
constexpr std::u16string_view kNoColor = u"error: Cannot get input color";
constexpr std::u16string_view kTooFewColors = u"error: There must be defined at least 3 colors for the pallete";
constexpr std::u16string_view kIndexCount = u"error: There must be the same number of defined colors and indexes";
constexpr std::u16string_view kNoIndexes = u"error: Cannot get input indexes";
constexpr std::u16string_view kIndexRange = u"error: Index out of range 0 - 1";
constexpr std::u16string_view kNoMemory = u"error: Not enough memory for the palette";

// ---- Predefined palettes ------------------------------------------------------

// How one channel of a predefined palette follows the entry index i.
enum class Channel : uint8_t {
  kZero,   // 0
  kUp,     // i
  kDown,   // 255 - i
  kLead,   // 2i, then 254 from 128 on: the hue of a black-hue-white ramp
  kTrail,  // 0, then 2(i - 128) from 128 on: the way to white
};

enum class Kind : uint8_t { kChannels, kSpectrum, kSaturation };

struct Predefined {
  Kind kind;
  Channel r, g, b;
};

using enum Channel;

// Indexed by palette number - 1, in the order of the "Predefined palette" options.
constexpr std::array<Predefined, 17> kPredefined = {{
    {Kind::kChannels, kUp, kUp, kUp},          // 1 black-white
    {Kind::kChannels, kDown, kDown, kDown},    // 2 negative
    {Kind::kSpectrum, kZero, kZero, kZero},    // 3 spectrum
    {Kind::kChannels, kLead, kTrail, kTrail},  // 4 black-red-white
    {Kind::kChannels, kLead, kUp, kTrail},     // 5 black-orange-white
    {Kind::kChannels, kLead, kLead, kTrail},   // 6 black-yellow-white
    {Kind::kChannels, kTrail, kLead, kTrail},  // 7 black-green-white
    {Kind::kChannels, kTrail, kLead, kLead},   // 8 black-cyan-white
    {Kind::kChannels, kTrail, kTrail, kLead},  // 9 black-blue-white
    {Kind::kChannels, kLead, kTrail, kLead},   // 10 black-magenta-white
    {Kind::kChannels, kUp, kZero, kZero},      // 11 red
    {Kind::kChannels, kUp, kUp, kZero},        // 12 yellow
    {Kind::kChannels, kZero, kUp, kZero},      // 13 green
    {Kind::kChannels, kZero, kUp, kUp},        // 14 cyan
    {Kind::kChannels, kZero, kZero, kUp},      // 15 blue
    {Kind::kChannels, kUp, kZero, kUp},        // 16 magenta
    {Kind::kSaturation, kUp, kUp, kUp},        // 17 saturation
}};

int ChannelLevel(Channel c, int i) {
  switch (c) {
    case kZero:
      return 0;
    case kUp:
      return i;
    case kDown:
      return 255 - i;
    case kLead:
      return i < 128 ? 2 * i : 254;
    case kTrail:
      return i < 128 ? 0 : 2 * (i - 128);
  }
  return 0;
}

// The spectrum in ramps of 7 levels: over entries first..last, with k counting
// from first, each channel is max(0, base + slope k).
struct SpectrumRamp {
  int first, last;
  int r0, rs, g0, gs, b0, bs;
};

constexpr std::array<SpectrumRamp, 8> kSpectrum = {{
    {0, 35, 0, 7, 0, 0, 0, 7},           // black to magenta
    {36, 72, 252, -7, 0, 0, 252, 0},     // to blue
    {73, 107, 0, 0, 0, 7, 252, 0},       // to cyan
    {108, 143, 0, 0, 245, 0, 252, -7},   // to green
    {144, 179, 0, 7, 245, 0, 0, 0},      // to yellow
    {180, 215, 252, 0, 245, -7, 0, 0},   // to red
    {216, 252, 252, 0, -7, 7, 0, 7},     // to pink
    {253, 255, 253, 1, 253, 1, 253, 1},  // greys 253, 254 and white
}};

TColor Levels(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1.0}; }

void BuildPredefined(int p, Palette& pal) {
  const Predefined& def = kPredefined[p - 1];
  if (def.kind == Kind::kSpectrum) {
    for (const SpectrumRamp& s : kSpectrum) {
      for (int i = s.first; i <= s.last; ++i) {
        const int k = i - s.first;
        pal[i] = Levels(std::max(0, s.r0 + s.rs * k), std::max(0, s.g0 + s.gs * k), std::max(0, s.b0 + s.bs * k));
      }
    }
    return;
  }
  for (int i = 0; i < 256; ++i) pal[i] = Levels(ChannelLevel(def.r, i), ChannelLevel(def.g, i), ChannelLevel(def.b, i));
  if (def.kind == Kind::kSaturation) {
    pal[0] = Levels(0, 255, 0);
    pal[255] = Levels(255, 0, 0);
  }
}

// ---- User palette ---------------------------------------------------------------

struct Stop {
  int position;
  TColor color;
};

TColor Scaled(const TColor& c, double num, double den) {
  return {c.R * num / den, c.G * num / den, c.B * num / den, 1};
}

// Reads the user's colours (input 3) and positions (input 2) into stops
// sorted by position. Answers the failure text, empty on success.
std::u16string_view ReadStops(const RunArgs& a, std::vector<Stop>& stops) {
  const ParamName colorName = InputName(a, 3);
  if (!colorName.ok) return kNoColor;
  int n = -1;
  GetObjectMaxIndex(a.ctx, 63, colorName.c_str(), &n);
  if (n < 2) return kTooFewColors;
  try {
    stops.resize(static_cast<size_t>(n) + 1);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }

  const ParamName indexName = InputName(a, 2);
  if (!indexName.ok) {
    // Evenly spaced from 0, the last colour at 255.
    const float spacing = 256.0f / static_cast<float>(n);
    stops[0].position = 0;
    for (int k = 1; k < n; ++k)
      stops[k].position = static_cast<int>(static_cast<float>(stops[k - 1].position) + spacing);
    stops[n].position = 255;
  } else {
    int m = -1;
    if (!GetObjectMaxIndex(a.ctx, 63, indexName.c_str(), &m) || m != n) return kIndexCount;
    for (int k = 0; k <= n; ++k) {
      double* v = nullptr;
      if (!GetNumber(a.ctx, 63, indexName.c_str(), k, &v)) return kNoIndexes;
      if (!(*v >= 0.0 && *v <= 1.0)) return kIndexRange;
      stops[k].position = static_cast<int>(*v * 255.0);
    }
  }
  for (int k = 0; k <= n; ++k) {
    TColor* c = nullptr;
    if (!GetColor(a.ctx, 63, colorName.c_str(), k, &c)) return kNoColor;
    stops[k].color = *c;
  }

  // Adjacent swaps until a pass swaps nothing; equal positions keep their order.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t k = 0; k + 1 < stops.size(); ++k) {
      if (stops[k].position > stops[k + 1].position) {
        std::swap(stops[k], stops[k + 1]);
        swapped = true;
      }
    }
  }
  return {};
}

// Black up to the first stop, linear between stops, white after the last.
void BuildUser(const std::vector<Stop>& stops, Palette& pal) {
  const Stop& first = stops.front();
  for (int j = 0; j < first.position; ++j) pal[j] = Scaled(first.color, j, first.position);
  for (size_t k = 1; k < stops.size(); ++k) {
    const int p0 = stops[k - 1].position, p1 = stops[k].position;
    const TColor &c0 = stops[k - 1].color, &c1 = stops[k].color;
    const double span = p1 - p0;
    for (int j = p0 + 1; j < p1; ++j) {
      pal[j] = {c0.R * (p1 - j) / span + c1.R * (j - p0) / span, c0.G * (p1 - j) / span + c1.G * (j - p0) / span,
                c0.B * (p1 - j) / span + c1.B * (j - p0) / span, 1};
    }
  }
  const Stop& last = stops.back();
  const double span = 255 - last.position;
  for (int j = last.position + 1; j < 256; ++j) {
    const double toWhite = (j - last.position) / span;
    pal[j] = {last.color.R * (255 - j) / span + toWhite, last.color.G * (255 - j) / span + toWhite,
              last.color.B * (255 - j) / span + toWhite, 1};
  }
  for (const Stop& s : stops) pal[s.position] = {s.color.R, s.color.G, s.color.B, 1};
}

void Map(const FrameRows& src, const FrameRows& dst, const Palette& pal) {
  std::array<std::array<uint8_t, 3>, 256> lut;
  for (int i = 0; i < 256; ++i) lut[i] = {ColorByte(pal[i].B), ColorByte(pal[i].G), ColorByte(pal[i].R)};
  ForRows(src.depth, src.width, [&](int y) {
    const uint8_t* s = src.row(y);
    uint8_t* d = dst.row(y);
    // The alpha byte stays as the host made it.
    for (int x = 0; x < src.width; ++x, d += 4) {
      const auto& e = lut[s[x]];
      d[0] = e[0], d[1] = e[1], d[2] = e[2];
    }
  });
}

}  // namespace

bool RunFalseColor(const RunArgs& a) {
  Frame* in = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  const FrameRows src(in);
  if (src.bpp != 8) return a.fail(kNotMonochrome);

  int p = 0;
  if (const NumberInput v = ReadNumber(a, 1, false); v.ok) {
    // Out-of-range numbers are unknown palettes; range-check before truncating.
    p = v.value > -1.0 && v.value < 18.0 ? static_cast<int>(v.value) : -1;
  }

  Palette pal{};
  Frame* out = nullptr;
  if (p == 0) {
    std::vector<Stop> stops;
    const std::u16string_view bad = ReadStops(a, stops);
    if (!bad.empty()) return a.fail(bad);
    BuildUser(stops, pal);
    if (!OutputFrame(a, 0, src.width, src.depth, 32, &out)) return a.fail(kNoOutputFrame);
  } else if (p >= 1 && p <= 17) {
    if (!OutputFrame(a, 0, src.width, src.depth, 32, &out)) return a.fail(kNoOutputFrame);
    BuildPredefined(p, pal);
  } else {
    return a.fail(kUnknownPalette);
  }
  Map(src, FrameRows(out), pal);
  return true;
}

}  // namespace ilvant
