// The GPU filter services: this host records and checks the request and
// fills the output with the input converted to 32 bits; it runs no filter.
#include "filter_services.h"

#include <cstring>

namespace talvix {
namespace {

struct Service {
  std::u16string_view name;
  int size;
  unsigned first, last;
};

constexpr Service kServices[] = {
    {u"GPU_basic", 317, 0, 17},      {u"GPU_area", 309, 18, 18},   {u"GPU_k3x3", 349, 19, 19},
    {u"GPU_k5x5", 413, 20, 20},      {u"GPU_morph", 289, 21, 35},  {u"GPU_morph3x3", 325, 36, 38},
    {u"GPU_morph5x5", 389, 39, 41},  {u"GPU_cmorph", 313, 42, 45}, {u"GPU_cmorph3x3", 349, 46, 49},
    {u"GPU_cmorph5x5", 413, 50, 53},
};

template <class T>
T Read(const void* block, int at) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(block) + at, sizeof v);
  return v;
}

}  // namespace

std::optional<FilterAnswer> ServeFilter(RunContext::State* run, const std::u16string& name, void* block, int size) {
  const Service* service = nullptr;
  for (const Service& s : kServices) service = name == s.name ? &s : service;
  if (!service) return std::nullopt;
  if (!block || size != service->size) return FilterAnswer{false, u"Wrong block size for " + name};
  const auto index = Read<uint64_t>(block, 272);
  if (index < service->first || index > service->last) return FilterAnswer{false, u"Method not in " + name};
  Frame* input = Read<Frame*>(block, 256);
  Frame* output = Read<Frame*>(block, 264);
  const FrameBuffer* in = nullptr;
  const FrameBuffer* out = nullptr;
  if (run) {
    for (Slot& s : run->inputs) in = !s.frame.empty() && s.frame.frame() == input ? &s.frame : in;
    for (auto& [n, f] : run->outFrames) out = f && f->frame() == output ? f.get() : out;
  }
  if (!in || !out || in == out) return FilterAnswer{false, u"Not this run's frames"};
  if (out->bpp() != 32 || out->width() != in->width() || out->depth() != in->depth()) {
    return FilterAnswer{false, u"Output frame does not fit the input"};
  }
  const int bytes = in->bpp() / 8;
  if (bytes != 1 && bytes != 3 && bytes != 4) return FilterAnswer{false, u"Unsupported input depth"};
  auto* target = const_cast<FrameBuffer*>(out);
  for (int y = 0; y < in->depth(); ++y) {
    const uint8_t* src = in->row(y);
    uint8_t* dst = target->row(y);
    for (int x = 0; x < in->width(); ++x, src += bytes, dst += 4) {
      if (bytes == 1) {
        dst[0] = dst[1] = dst[2] = src[0];
        dst[3] = 255;
      } else {
        dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
        dst[3] = bytes == 4 ? src[3] : 255;
      }
    }
  }
  return FilterAnswer{true, u""};
}

}  // namespace talvix
