// Our enciphered shader format: a 12-byte header (tag, source length, check
// sum over key and source) and the source XORed with a key-seeded stream.
// A wrong key fails the check sum; a plain or cut file fails the header.
#include <cstring>

#include "kavrin.h"

namespace kavrin {
namespace {

constexpr uint8_t kTag[4] = {'V', 'S', 'C', '1'};
constexpr size_t kHeader = 12;
constexpr int kKeyLength = 8;
constexpr int kShaderKind = 14;

enum : int { kOk = 0, kBadArguments = 1, kNotEnciphered = 2, kDamaged = 3, kWrongKey = 4 };

uint32_t CheckSum(const char* key, const uint8_t* text, size_t n) {
  uint32_t h = 2166136261u;
  auto mix = [&h](uint8_t b) { h = (h ^ b) * 16777619u; };
  for (int i = 0; i < kKeyLength; ++i) mix(static_cast<uint8_t>(key[i]));
  for (size_t i = 0; i < n; ++i) mix(text[i]);
  return h;
}

// xorshift64* seeded from the key.
class Stream {
 public:
  explicit Stream(const char* key) {
    state_ = 1469598103934665603ull;
    for (int i = 0; i < kKeyLength; ++i) state_ = (state_ ^ static_cast<uint8_t>(key[i])) * 1099511628211ull;
    if (!state_) state_ = 1;
  }
  uint8_t next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint8_t>((state_ * 0x2545F4914F6CDD1Dull) >> 56);
  }

 private:
  uint64_t state_;
};

void PutWord(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Word(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

std::vector<uint8_t> EncodeShader(const std::string& source, const char* key) {
  std::vector<uint8_t> out(kHeader + source.size());
  std::memcpy(out.data(), kTag, 4);
  PutWord(&out[4], static_cast<uint32_t>(source.size()));
  PutWord(&out[8], CheckSum(key, reinterpret_cast<const uint8_t*>(source.data()), source.size()));
  Stream s(key);
  for (size_t i = 0; i < source.size(); ++i) out[kHeader + i] = static_cast<uint8_t>(source[i]) ^ s.next();
  return out;
}

int DecodeShader(int kind, uint8_t* buf, uint32_t n, int keyLength, const char* key, int, int) {
  if (kind != kShaderKind || keyLength != kKeyLength || !buf || !key) return kBadArguments;
  if (n < kHeader || std::memcmp(buf, kTag, 4) != 0) return kNotEnciphered;
  const uint32_t length = Word(buf + 4);
  if (length != n - kHeader) return kDamaged;
  const uint32_t sum = Word(buf + 8);
  Stream s(key);
  for (uint32_t i = 0; i < length; ++i) buf[i] = buf[kHeader + i] ^ s.next();
  buf[length] = 0;
  if (CheckSum(key, buf, length) != sum) {
    buf[0] = 0;
    return kWrongKey;
  }
  return kOk;
}

}  // namespace kavrin
