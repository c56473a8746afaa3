#include "stamped_frame.h"

#include "talvix.h"

namespace mirvok {

bool StampedFrame::Fetch(const frame::RunArgs& a, int i) {
  const frame::ParamName name = frame::InputName(a, i);
  given_ = false;
  frame_ = nullptr;
  if (!name.ok) return true;
  if (!GetInputFrameTimestamp(a.ctx, 63, name.c_str(), &frame_, &stamp_) || !frame_) return false;
  given_ = true;
  return true;
}

void StampedFrame::Upload(gpu::CGLToolkit& toolkit, GLenum unit) {
  if (!given_) return;
  if (texture_ && stamp_ == uploadedStamp_) return;
  frame::FrameRows rows(frame_);
  width_ = rows.width;
  height_ = rows.depth;
  bpp_ = rows.bpp;
  if (texture_) {
    toolkit.UpdateFrameTexture(texture_, unit, width_, height_, bpp_, rows.data);
  } else {
    texture_ = toolkit.CreateFrameTexture(unit, width_, height_, bpp_, rows.data);
  }
  uploadedStamp_ = stamp_;
}

void StampedFrame::Release() {
  if (texture_) glDeleteTextures(1, &texture_);
  texture_ = 0;
}

}  // namespace mirvok
