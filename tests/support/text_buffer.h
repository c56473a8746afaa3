// A 16-bit text buffer for export calls: hi + 1 characters for the callee and
// a guard behind them, all pre-filled with a canary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

inline constexpr char16_t kCanary = 0xA5A5;

class TextBuffer {
 public:
  explicit TextBuffer(int hi, size_t guard = 4) : hi_(hi), buf_(static_cast<size_t>(hi) + 1 + guard, kCanary) {}
  int hi() const { return hi_; }
  char16_t* data() { return buf_.data(); }
  char16_t operator[](size_t i) const { return buf_[i]; }
  size_t size() const { return buf_.size(); }
  // The characters up to the first NUL within hi + 1 (or all hi + 1).
  std::u16string text() const {
    std::u16string s;
    for (int i = 0; i <= hi_ && buf_[i] != 0; ++i) s.push_back(buf_[i]);
    return s;
  }
  // True when nothing behind the hi + 1 characters was written.
  bool guardIntact() const {
    for (size_t i = static_cast<size_t>(hi_) + 1; i < buf_.size(); ++i) {
      if (buf_[i] != kCanary) return false;
    }
    return true;
  }
  bool untouched() const {
    for (char16_t c : buf_) {
      if (c != kCanary) return false;
    }
    return true;
  }

 private:
  int hi_;
  std::vector<char16_t> buf_;
};

}  // namespace testing_support
