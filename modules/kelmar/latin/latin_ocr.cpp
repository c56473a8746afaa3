// The run of the Latin reader: inputs and their corrections, the region and
// threshold, the output frame, segmentation and the character-set presets.
#include "latin/latin_ocr.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "frame/image_stats.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "frame/run_args.h"

namespace kelmar {

namespace {

enum Input { kInFrame = 0, kInRegion, kInThreshold, kInSelection, kInNegative, kInShow };

constexpr std::u16string_view kNoLetters = u"No letters segmented in the frame";

// Threshold input as a level 1..254; -1 when missing (automatic).
int ThresholdIn(const frame::RunArgs& a) {
  const frame::ParamName name = frame::InputName(a, kInThreshold);
  double* p = nullptr;
  if (!name.ok || !GetNumber(a.ctx, 63, name.c_str(), 0, &p) || !p) return -1;
  const double value = *p, scaled = value * 255.0;
  int level;
  // Compared before the conversion, which would overflow far outside 0..1.
  if (scaled >= 255.0) {
    level = 254;
    frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(value), 0.996f);
  } else if (!(scaled >= 1.0)) {
    level = 1;
    frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(value), 0.004f);
  } else {
    level = static_cast<int>(scaled);
  }
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return level;
}

int SelectionIn(const frame::RunArgs& a) {
  const frame::ParamName name = frame::InputName(a, kInSelection);
  double* p = nullptr;
  if (!name.ok || !GetNumber(a.ctx, 63, name.c_str(), 0, &p) || !p) return 0;
  const int value = std::isnan(*p) ? -1 : frame::TruncateToInt(*p);
  int selection = value;
  if (value < 0 || value > latin::kLastSelection) {
    selection = 0;
    frame::WarnIntParameterCorrected(a.ctx, 63, name.c_str(), value, 0);
  }
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return selection;
}

bool FlagIn(const frame::RunArgs& a, int i, bool fallback) {
  const frame::ParamName name = frame::InputName(a, i);
  bool* p = nullptr;
  if (!name.ok || !GetFlag(a.ctx, 63, name.c_str(), 0, &p) || !p) return fallback;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return *p;
}

// The host's region, or null for the whole frame.
const TRectangularRegion* RegionIn(const frame::RunArgs& a) {
  const frame::ParamName name = frame::InputName(a, kInRegion);
  TRectangularRegion* r = nullptr;
  if (!name.ok || !GetRectangularRegion(a.ctx, 63, name.c_str(), 0, &r) || !r) return nullptr;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return r;
}

}  // namespace

bool CMatchLatinOCR::Run(const frame::RunArgs& a) {
  Frame* input = nullptr;
  if (!frame::InputFrame(a, kInFrame, &input)) return a.fail(u"error: Cannot get input frame");
  int threshold = ThresholdIn(a);
  selection_ = SelectionIn(a);
  const bool negative = FlagIn(a, kInNegative, false);
  showResults_ = FlagIn(a, kInShow, true);
  const TRectangularRegion* region = RegionIn(a);
  SetScene(input, region, 127, negative);
  if (threshold < 0) {
    // Automatic: an Otsu level can reach 255, which no pixel would exceed.
    threshold = frame::AutoThreshold(input, &region_);
    if (threshold == 0) return a.fail(kNoLetters);
    threshold = std::clamp(threshold, 1, 254);
  }
  SetThreshold(threshold);

  if (showResults_) {
    Frame* overlay = nullptr;
    GetOutputFrame(a.ctx, 63, u"overlay", &overlay, inputWidth_, inputHeight_, 32);
  }
  drawingLevel_ = GetDrawingLevel(a.ctx);
  Frame* out = nullptr;
  const int outW = std::clamp(frame::TruncateToInt(region_.width + 2), 0, 1000000);
  const int outH = std::clamp(frame::TruncateToInt(region_.height + 2), 0, 1000000);
  if (frame::OutputFrame(a, 1, outW, outH, 32, &out)) {
    std::memset(GetFrameDataAddr(out), 255, static_cast<size_t>(outW) * outH * 4);
    outData_ = GetFrameDataAddr(out);
    outWidth_ = outW;
    outHeight_ = outH;
    outStride_ = static_cast<ptrdiff_t>(outW) * 4;
  }

  SegmentLetters();
  std::fill_n(votes_.begin(), static_cast<size_t>(letterCount_) * latin::kClassCount, 0);
  const latin::ClassSet allowed = latin::AllowedClasses(selection_);
  for (int i = 0; i < letterCount_; ++i) {
    int32_t* row = &votes_[static_cast<size_t>(i) * latin::kClassCount];
    for (int c = 0; c < latin::kClassCount; ++c)
      if (!allowed[c]) row[c] = latin::kExcluded;
  }
  const bool read = ReadLine(a);
  hostString_ = nullptr;
  if (!read) return a.fail(kNoLetters);
  if (showResults_) Draw(a.ctx);
  return true;
}

}  // namespace kelmar
