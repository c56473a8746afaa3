// The marks of one band of the pattern search: which (coarse angle, pixel)
// have been evaluated or lie round a match. A band's climbs touch few pixels
// of the frame, so the marks are kept sparse, one 64-bit word of angles per
// pixel and group of 64 angles. Header-only: the search and its tests share it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelmar {

class BandMarks {
 public:
  // Unmarks everything; the frame's width and the number of coarse angles fix
  // the keys.
  void Reset(int width, int angles) {
    width_ = static_cast<uint64_t>(width);
    groups_ = static_cast<uint64_t>((angles + 63) / 64);
    if (slots_.empty()) slots_.resize(kFirstCapacity);
    if (used_ > 0) std::fill(slots_.begin(), slots_.end(), Slot{});
    used_ = 0;
  }

  bool Test(int r, int x, int y) const {
    const Slot* s = Find(Key(r, x, y));
    return s && ((s->bits >> (r & 63)) & 1);
  }
  void Set(int r, int x, int y) { Insert(Key(r, x, y)) |= uint64_t{1} << (r & 63); }
  void Clear(int r, int x, int y) {
    Slot* s = Find(Key(r, x, y));
    if (s) s->bits &= ~(uint64_t{1} << (r & 63));
  }

 private:
  static constexpr uint64_t kEmpty = ~uint64_t{0};
  static constexpr size_t kFirstCapacity = size_t{1} << 12;
  struct Slot {
    uint64_t key = kEmpty;
    uint64_t bits = 0;
  };

  uint64_t Key(int r, int x, int y) const {
    return ((static_cast<uint64_t>(y) * width_ + static_cast<uint64_t>(x)) * groups_) + static_cast<uint64_t>(r >> 6);
  }
  size_t Home(uint64_t key) const {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
  }
  Slot* Find(uint64_t key) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = Home(key);; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.key == key) return const_cast<Slot*>(&s);
      if (s.key == kEmpty) return nullptr;
    }
  }
  uint64_t& Insert(uint64_t key) {
    if (Slot* s = Find(key)) return s->bits;
    // At most half full, so that every probe ends soon on an empty slot.
    if (2 * (used_ + 1) > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = Home(key);
    while (slots_[i].key != kEmpty) i = (i + 1) & mask;
    slots_[i].key = key;
    ++used_;
    return slots_[i].bits;
  }
  void Grow() {
    std::vector<Slot> old(2 * slots_.size());
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.key == kEmpty) continue;
      size_t i = Home(s.key);
      while (slots_[i].key != kEmpty) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t used_ = 0;
  uint64_t width_ = 0, groups_ = 1;
};

}  // namespace kelmar
