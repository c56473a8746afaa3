// One run of "gpu_haar": inputs, the GPU bracket, the picture and the region.
#include <algorithm>
#include <iterator>

#include "detector.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "gpu/programs.h"

namespace tarnis {
namespace {

using frame::RunArgs;

constexpr int kMessageMaxIndex = 255;

size_t StoredLength(const char16_t* text) {
  size_t n = 0;
  while (n < kMessageMaxIndex && text[n]) ++n;
  return n;
}

void WarnCorrected(const RunArgs& a, int i, int oldValue, int newValue) {
  const frame::ParamName name = frame::InputName(a, i);
  if (name.ok) frame::WarnIntParameterCorrected(a.ctx, 63, name.c_str(), oldValue, newValue);
}

}  // namespace

void CHaarDetector::ReadParameters(const RunArgs& a) {
  double size = frame::NumberOr(a, 2, 5.0, true);
  if (size > 240.0 || size < 1.0) {
    const double corrected = size > 240.0 ? 240.0 : 1.0;
    WarnCorrected(a, 2, frame::TruncateToInt(size), static_cast<int>(corrected));
    size = corrected;
  }
  orientation_.windowSize = static_cast<float>(size);

  int mode = frame::TruncateToInt(frame::NumberOr(a, 3, 0.0, true));
  if (mode > 5 || mode < 0) {
    const int corrected = mode > 5 ? 5 : 0;
    WarnCorrected(a, 3, mode, corrected);
    mode = corrected;
  }
  orientation_.gradientMode = mode;
  orientation_.negative = frame::FlagOr(a, 4, false, true) ? 1 : 0;
  orientation_.copyRegion = frame::FlagOr(a, 5, false, true);
}

bool CHaarDetector::SetUp(int width, int height, int bpp, const uint8_t* pixels) {
  std::fill(std::begin(state_.setupText), std::end(state_.setupText), 0);
  if (!gpu::CheckGpuCapabilities(kMessageMaxIndex, state_.setupText) ||
      !orientation_.Setup(width, height, bpp, kMessageMaxIndex, state_.setupText)) {
    state_.setupText[kMessageMaxIndex] = 0;
    return false;
  }
  orientation_.CreateSourceTexture(bpp, pixels);
  return true;
}

bool CHaarDetector::Run(const RunArgs& a) {
  if (!state_.usable) return a.fail(std::u16string_view(state_.setupText, StoredLength(state_.setupText)));
  frame::FrameRows src;
  if (!frame::InputRows(a, 0, &src)) return a.fail(u"Cannot get source frame");

  TRectangularRegion region{};
  const bool hasRegion = frame::RegionOf(a, 1, &region, true);
  ReadParameters(a);

  // The host reads its picture back for the input frame itself.
  gpu::Bracket bracket(a.ctx, src.frame, src.frame, a.errLen, a.errBuf);
  bracket.Lend();
  bracket.Send(u"*_IRE");
  if (bracket.glUsable()) {
    if (state_.firstRun) {
      // A partial set-up leaves objects behind for the release.
      state_.objectsExist = true;
      if (!SetUp(src.width, src.depth, src.bpp, src.data)) {
        state_.usable = false;
        const std::u16string_view text(state_.setupText, StoredLength(state_.setupText));
        gpu::CopyError(text, a.errLen, a.errBuf);
        // The host's message of a refused "*_URC" replaces the set-up text.
        bracket.Send(u"*_URC");
        return false;
      }
    } else if (src.width != orientation_.width || src.depth != orientation_.height) {
      // A new frame size: every size-bound object is made again, so that no
      // pass reads or writes past the old textures.
      orientation_.Resize(src.width, src.depth, src.bpp);
      orientation_.CreateSourceTexture(src.bpp, src.data);
    } else {
      orientation_.RefillSourceTexture(src.bpp, src.data);
    }
    const float params[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    orientation_.UploadIntegralImage(src.width, src.depth, src.bpp, src.data, params, 0);
    orientation_.Render(hasRegion ? &region : nullptr);
    if (hasRegion && drawRegion_) {
      DrawRectangle(a.ctx, region.cx, region.cy, region.width, region.height, region.angle,
                    GetDrawThickness(a.ctx, 2), GetDrawColor(a.ctx, 2));
    }
  }
  bracket.Send(u"*_POF");
  bracket.Send(u"*_FRE");
  const bool unlent = bracket.Send(u"*_URC");
  if (bracket.glUsable()) state_.firstRun = false;
  if (!unlent) return false;
  return bracket.ok();
}

void CHaarDetector::Release(void* hostContext) {
  gpu::ReleaseInBracket(hostContext, state_, [this] { orientation_.Release(); });
}

}  // namespace tarnis
