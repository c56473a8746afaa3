// The icons a module carries: Linux has no resource sections, so each
// resource is a 32-bit BMP file image generated at compile time, with a
// pattern of its own per resource number (20x20 for categories, 40x40 for
// methods). CatalogueResources<kCatalogue> derives the resource set from a
// catalogue's tables, so no second list of icon numbers exists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace frame {

inline constexpr int kCategoryIconSize = 20;
inline constexpr int kMethodIconSize = 40;

constexpr size_t kBmpHeaderBytes = 14 + 40;  // file header + BITMAPINFOHEADER
constexpr size_t IconBytes(int size) { return kBmpHeaderBytes + static_cast<size_t>(size) * size * 4; }

template <int kSize>
using IconImage = std::array<uint8_t, IconBytes(kSize)>;

namespace icon_detail {

template <size_t N>
constexpr void Put32(std::array<uint8_t, N>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A well-mixed 32-bit hash of the resource number, for the colours.
constexpr uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

}  // namespace icon_detail

// A square 32-bit BMP (bottom-up, B G R A): a dark frame, a background and a
// diagonal band in colours drawn from the number, and the number's low 12
// bits as a row of on/off squares, so that every resource number looks apart.
template <int kSize>
constexpr IconImage<kSize> MakeIcon(int number) {
  using icon_detail::Put32;
  IconImage<kSize> b{};
  const uint32_t pixels = static_cast<uint32_t>(kSize) * kSize * 4;
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(IconBytes(kSize)));
  Put32(b, 10, kBmpHeaderBytes);
  Put32(b, 14, 40);
  Put32(b, 18, kSize);
  Put32(b, 22, kSize);
  b[26] = 1;   // planes
  b[28] = 32;  // bits per pixel
  Put32(b, 34, pixels);
  Put32(b, 38, 2835);  // 72 dpi
  Put32(b, 42, 2835);

  const uint32_t h = icon_detail::Mix(static_cast<uint32_t>(number));
  const uint8_t back[3] = {static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h >> 16)};
  const uint8_t band[3] = {static_cast<uint8_t>(255 - back[0]), static_cast<uint8_t>(255 - back[1]),
                           static_cast<uint8_t>(255 - back[2])};
  const int cell = kSize / 16 > 0 ? kSize / 16 : 1;  // bit squares: 12 cells across
  const int bitsTop = kSize / 2 - cell;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const size_t at = kBmpHeaderBytes + (static_cast<size_t>(y) * kSize + x) * 4;
      uint8_t c[3] = {back[0], back[1], back[2]};
      const int d = x - y;
      if (d >= -kSize / 8 && d <= kSize / 8) c[0] = band[0], c[1] = band[1], c[2] = band[2];
      const int bx = (x - 2) / cell;
      if (x >= 2 && bx < 12 && y >= bitsTop && y < bitsTop + 2 * cell) {
        const bool on = (number >> (11 - bx)) & 1;
        c[0] = c[1] = c[2] = on ? 255 : 0;
      }
      if (x == 0 || y == 0 || x == kSize - 1 || y == kSize - 1) c[0] = c[1] = c[2] = 32;
      b[at] = c[0];
      b[at + 1] = c[1];
      b[at + 2] = c[2];
      b[at + 3] = 255;
    }
  }
  return b;
}

// The distinct resource numbers of a catalogue's methods or categories, in
// first-use order.
template <const Catalogue& kC, bool kCategories>
struct IconNumbers {
  static constexpr int At(size_t i) { return kCategories ? kC.categories()[i].icon : kC.methods()[i].icon; }
  static constexpr size_t kEntries = kCategories ? kC.categories().size() : kC.methods().size();
  // A category without an icon carries no resource.
  static constexpr bool Iconless(size_t i) { return kCategories && kC.policy().categoriesWithoutIcon && At(i) == 0; }
  static constexpr size_t Count() {
    size_t n = 0;
    for (size_t i = 0; i < kEntries; ++i) {
      if (Iconless(i)) continue;
      bool seen = false;
      for (size_t j = 0; j < i; ++j) seen = seen || At(j) == At(i);
      n += seen ? 0 : 1;
    }
    return n;
  }
  static constexpr std::array<int, Count()> Make() {
    std::array<int, Count()> out{};
    size_t n = 0;
    for (size_t i = 0; i < kEntries; ++i) {
      if (Iconless(i)) continue;
      bool seen = false;
      for (size_t j = 0; j < n; ++j) seen = seen || out[j] == At(i);
      if (!seen) out[n++] = At(i);
    }
    return out;
  }
  static constexpr auto kNumbers = Make();
};

template <int kSize, size_t N>
constexpr std::array<IconImage<kSize>, N> MakeIcons(const std::array<int, N>& numbers) {
  std::array<IconImage<kSize>, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = MakeIcon<kSize>(numbers[i]);
  return out;
}

// Every icon a catalogue names, as the resource table the module exports.
template <const Catalogue& kC>
class CatalogueResources {
  using Methods = IconNumbers<kC, false>;
  using Categories = IconNumbers<kC, true>;
  static constexpr size_t kMethodCount = Methods::kNumbers.size();
  static constexpr size_t kCount = kMethodCount + Categories::kNumbers.size();
  static constexpr auto kMethodImages = MakeIcons<kMethodIconSize>(Methods::kNumbers);
  static constexpr auto kCategoryImages = MakeIcons<kCategoryIconSize>(Categories::kNumbers);

  static constexpr std::array<ModuleResource, kCount> MakeEntries() {
    std::array<ModuleResource, kCount> out{};
    for (size_t i = 0; i < kMethodCount; ++i) {
      out[i] = {kIconResourceType, Methods::kNumbers[i], static_cast<uint32_t>(kMethodImages[i].size()),
                kMethodImages[i].data()};
    }
    for (size_t i = 0; i < Categories::kNumbers.size(); ++i) {
      out[kMethodCount + i] = {kIconResourceType, Categories::kNumbers[i],
                               static_cast<uint32_t>(kCategoryImages[i].size()), kCategoryImages[i].data()};
    }
    return out;
  }
  static constexpr std::array<ModuleResource, kCount> kEntries = MakeEntries();

  static constexpr bool NumbersApart() {
    for (int m : Methods::kNumbers) {
      for (int c : Categories::kNumbers) {
        if (m == c) return false;
      }
    }
    return true;
  }
  static_assert(NumbersApart(), "a resource number is either a method icon or a category icon");

 public:
  static constexpr ModuleResourceTable kTable{static_cast<uint32_t>(kCount), kEntries.data()};
};

}  // namespace frame
