#include "run.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "catalogue.h"
#include "selvane64.h"
#include "talvix.h"

namespace wostra {

namespace {

constexpr int kNameHi = 63;
constexpr size_t kMaxBlock = 413;
constexpr int kMessageChars = 128;
constexpr int kInputAt = 256, kOutputAt = 264, kIndexAt = 272;

template <typename T>
void Put(uint8_t* block, int offset, T value) {
  std::memcpy(block + offset, &value, sizeof value);  // packed: fields may be unaligned
}

void Fail(int errLen, char16_t* errBuf, std::u16string_view text) {
  selvane64::CopyText(errLen, errBuf, static_cast<int>(text.size()), text.data());
}

// Truncated towards zero; out of range saturates and NaN takes the default.
int32_t ToInt32(double v, double fallback) {
  if (std::isnan(v)) return static_cast<int32_t>(fallback);
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

struct Reader {
  void* ctx;
  intptr_t list;
  const void* names;

  bool Name(int input, char16_t* name) const { return GetParameterName(list, names, input, kNameHi, name); }

  bool Number(const char16_t* name, int element, double* out) const {
    double* p = nullptr;
    if (!GetNumber(ctx, kNameHi, name, element, &p) || !p) return false;
    *out = *p;
    return true;
  }

  bool Flag(const char16_t* name, uint8_t* out) const {
    bool* p = nullptr;
    if (!GetFlag(ctx, kNameHi, name, 0, &p) || !p) return false;
    std::memcpy(out, p, 1);  // the flag's byte as the host holds it
    return true;
  }
};

void FillField(const Reader& in, const Field& f, uint8_t* block) {
  char16_t name[kNameHi + 1] = {};
  const bool named = in.Name(f.input, name);
  double v = 0;
  switch (f.kind) {
    case FieldKind::kFloat:
      Put(block, f.offset, static_cast<float>(named && in.Number(name, 0, &v) ? v : f.fallback));
      break;
    case FieldKind::kInt32:
      Put(block, f.offset, named && in.Number(name, 0, &v) ? ToInt32(v, f.fallback) : static_cast<int32_t>(f.fallback));
      break;
    case FieldKind::kByte: {
      uint8_t b = static_cast<uint8_t>(f.fallback);
      if (named && !in.Flag(name, &b)) b = static_cast<uint8_t>(f.fallback);
      block[f.offset] = b;
      break;
    }
    case FieldKind::kArray: {
      const size_t n = f.fallbackArray.size();
      if (!named || !in.Number(name, 0, &v)) {
        selvane64::Move(f.fallbackArray.data(), block + f.offset, n * sizeof(float));
        break;
      }
      Put(block, f.offset, static_cast<float>(v));
      // A shorter array: the default element stands in for each missing one.
      for (size_t i = 1; i < n; ++i) {
        const float e = in.Number(name, static_cast<int>(i), &v) ? static_cast<float>(v) : f.fallbackArray[i];
        Put(block, f.offset + static_cast<int>(4 * i), e);
      }
      break;
    }
  }
}

}  // namespace

bool Run(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList,
         const void* outputNames, int errLen, char16_t* errBuf) {
  // No such method: a refusal, without a call to the host.
  if (static_cast<uint64_t>(handle) >= kMethodCount) return false;
  const auto index = static_cast<unsigned>(handle);
  const Group& group = *GroupOf(index);

  char16_t name[kNameHi + 1] = {};
  Frame* input = nullptr;
  if (!GetParameterName(inputList, inputNames, 0, kNameHi, name) ||
      !GetInputFrame(hostContext, kNameHi, name, &input) || !input) {
    Fail(errLen, errBuf, u"Cannot get input frame");
    return false;
  }
  const int width = GetFrameWidth(input);
  const int depth = GetFrameDepth(input);
  (void)GetFrameBPP(input);

  std::memset(name, 0, sizeof name);
  Frame* output = nullptr;
  if (!GetParameterName(outputList, outputNames, 0, kNameHi, name) ||
      !GetOutputFrame(hostContext, kNameHi, name, &output, width, depth, 32) || !output) {
    Fail(errLen, errBuf, u"Cannot get output frame");
    return false;
  }

  // Zeroed, so that a refusal without a reason reads as an empty text.
  std::array<uint8_t, kMaxBlock> block{};
  Put(block.data(), kInputAt, reinterpret_cast<uint64_t>(input));
  Put(block.data(), kOutputAt, reinterpret_cast<uint64_t>(output));
  Put(block.data(), kIndexAt, static_cast<uint64_t>(index));
  const Reader reader{hostContext, inputList, inputNames};
  for (const Field& f : group.fields) FillField(reader, f, block.data());

  if (CameraCallback(hostContext, static_cast<int>(group.service.size()), group.service.data(), group.size,
                     block.data())) {
    return true;
  }
  char16_t message[kMessageChars];
  std::memcpy(message, block.data(), sizeof message);
  message[kMessageChars - 1] = 0;
  selvane64::CopyText(errLen, errBuf, kMessageChars - 1, message);
  return false;
}

}  // namespace wostra
