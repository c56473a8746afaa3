#include <algorithm>
#include <cstring>

#include "frame/image_stats.h"
#include "spot.h"

namespace gantrel {

namespace {

enum { kFrameIn, kPointIn, kColorIn, kThresholdIn, kNegativeIn, kShowIn };
enum { kFrameOut, kSizeOut };

}  // namespace

bool CFillSpot::InSpot(int x, int y) const {
  const int g = static_cast<int>(frame::GetPixelIntensity(frame_, x, y));
  return negative_ ? g > level_ : g < level_;
}

void CFillSpot::Fill(int x, int y) {
  visited_[static_cast<size_t>(y) * width_ + x] = 1;
  if (overlay_.frame) std::memcpy(overlay_.row(y) + 4 * x, mark_, 4);
  if (bpp_ == 8) {
    output_.row(y)[x] = greyFill_;
  } else {
    std::memcpy(output_.row(y) + 4 * x, fill_, 4);
  }
  ++filled_;
}

bool CFillSpot::FillSpotFromSeed(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= depth_) return true;
  const auto open = [&](int px, int py) { return !visited_[static_cast<size_t>(py) * width_ + px] && InSpot(px, py); };
  stack_.clear();
  stack_.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y)});
  while (!stack_.empty()) {
    const int cx = stack_.back().x;
    int cy = stack_.back().y;
    stack_.pop_back();
    // Up to the top of the run (row 0 at the most), then down along it.
    while (cy >= 0 && open(cx, cy)) --cy;
    ++cy;
    bool leftPushed = false, rightPushed = false;
    for (; cy < depth_ && open(cx, cy); ++cy) {
      Fill(cx, cy);
      for (int side : {-1, 1}) {
        const int nx = cx + side;
        bool& pushed = side < 0 ? leftPushed : rightPushed;
        if (nx < 0 || nx >= width_) continue;
        if (!open(nx, cy)) {
          pushed = false;
          continue;
        }
        if (pushed) continue;
        if (static_cast<int>(stack_.size()) >= kStackSize) return false;
        stack_.push_back({static_cast<int16_t>(nx), static_cast<int16_t>(cy)});
        pushed = true;
      }
    }
  }
  return true;
}

bool CFillSpot::Run(const RunArgs& a) {
  frame_ = InputFrame(a, kFrameIn);
  if (!frame_) return a.fail(kNoInputFrame);
  width_ = GetFrameWidth(frame_);
  depth_ = GetFrameDepth(frame_);
  bpp_ = GetFrameBPP(frame_);
  const TColor* color = InputElement<TColor>(a, kColorIn, GetColor);
  if (!color) return a.fail(u"error: Cannot get input color");
  ColorBytes(*color, fill_);
  greyFill_ = static_cast<uint8_t>((fill_[0] + fill_[1] + fill_[2]) / 3);
  WarnArray(a, kColorIn);
  level_ = WarnedLevel(a, kThresholdIn);
  WarnArray(a, kThresholdIn);
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  negative_ = negativeIn && *negativeIn;
  WarnArray(a, kNegativeIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);
  // Rows of other depths cannot be filled pixel by pixel.
  if (bpp_ != 8 && bpp_ != 32) return a.fail(u"error: Input frame must have 8 or 32 bits per pixel");
  // Positions are 16-bit on the fill stack.
  if (width_ > 32767 || depth_ > 32767) return a.fail(u"error: Input frame is too large");

  overlay_ = FrameRows();
  if (show) {
    Frame* o = nullptr;
    if (GetOutputFrame(a.ctx, 63, u"overlay", &o, width_, depth_, 32) && o && GetFrameWidth(o) == width_ &&
        GetFrameDepth(o) == depth_ && GetFrameBPP(o) == 32) {
      overlay_ = FrameRows(o);
    }
  }
  filled_ = 0;
  visited_.assign(static_cast<size_t>(width_) * depth_, 0);
  stack_.reserve(kStackSize);
  Frame* out = nullptr;
  if (!frame::OutputFrame(a, kFrameOut, width_, depth_, bpp_, &out)) return a.fail(u"error: Cannot get output frame");
  std::memcpy(out, frame_, static_cast<size_t>(std::min(GetFrameSize(out), GetFrameSize(frame_))));
  output_ = FrameRows(out);
  ColorBytes(GetDrawColor(a.ctx, negative_ ? 7 : 8), mark_);

  int last = 0;
  if (!InputMaxIndex(a, kPointIn, &last)) last = 0;
  for (int i = 0; i <= last; ++i) {
    const TPoint* p = InputElement<TPoint>(a, kPointIn, GetPoint, i);
    if (!p) return a.fail(u"error: Cannot get input point");
    FillSpotFromSeed(frame::TruncateToInt(p->x), frame::TruncateToInt(p->y));  // a full stack ends that seed only
  }
  if (double* size = OutputElement<double>(a, kSizeOut, GetNumber, 0)) {
    *size = static_cast<double>(filled_);
    SetOutputMaxIndex(a, kSizeOut, 0);
  }
  return true;
}

}  // namespace gantrel
