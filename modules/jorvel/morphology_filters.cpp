// Dilation, erosion, opening and closing: repeated 3 x 3 passes alternating
// between the output and a scratch frame so that the last lands in the output.
#include <cstring>

#include "filters.h"
#include "morphology.h"

namespace jorvel {

namespace {

using Pass = bool (*)(Frame*, Frame*, int, int, int);

inline constexpr std::u16string_view kBadDepth = u"error: Frame must have 8, 24 or 32 bits per pixel";

class CMorphology final : public CFilter {
 public:
  // `first` runs k times from the input, then `second` (if any) k times.
  CMorphology(int method, Pass first, Pass second, int maxRepeat)
      : CFilter(method), first_(first), second_(second), maxRepeat_(maxRepeat) {}

  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    const bool changed = FrameChanged(in.width, in.depth, 0);
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, 8, &out)) return false;
    const int k = ReadInt(a, 1, 1, 1, maxRepeat_);
    const int t = ReadThreshold(a, 2);
    if (in.bpp != 8 && in.bpp != 24 && in.bpp != 32) return a.fail(kBadDepth);
    if (scratch_.empty() || changed) scratch_.Make(in.width, in.depth, 8);
    Frame* scratch = scratch_.frame();
    auto op = [&](Pass pass, Frame* src, Frame* dst) { pass(src, dst, in.depth, in.width, t); };

    int count = 1;
    if (k % 2 == 1) {
      op(first_, in.frame, out);
    } else {
      op(first_, in.frame, scratch);
      op(first_, scratch, out);
      count = 2;
    }
    for (; count < k; count += 2) {
      op(first_, out, scratch);
      op(first_, scratch, out);
    }
    if (!second_) return true;
    if (k % 2 == 1) {
      op(second_, out, scratch);
      const frame::FrameRows from(scratch), to(out);
      std::memcpy(to.data, from.data, static_cast<size_t>(to.stride) * static_cast<size_t>(in.depth));
      count = 1;
    } else {
      op(second_, out, scratch);
      op(second_, scratch, out);
      count = 2;
    }
    for (; count < k; count += 2) {
      op(second_, out, scratch);
      op(second_, scratch, out);
    }
    return true;
  }

 private:
  Pass first_, second_;
  int maxRepeat_;
  WorkFrame scratch_;
};

}  // namespace

std::unique_ptr<CFilter> MakeMorphologyFilter(int method) {
  switch (method) {
    case 12: return std::make_unique<CMorphology>(method, MorphDilate, nullptr, 10);
    case 13: return std::make_unique<CMorphology>(method, MorphErode, nullptr, 10);
    case 14: return std::make_unique<CMorphology>(method, MorphErode, MorphDilate, 20);
    case 15: return std::make_unique<CMorphology>(method, MorphDilate, MorphErode, 20);
    default: return nullptr;
  }
}

}  // namespace jorvel
