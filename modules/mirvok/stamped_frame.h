// A frame input kept on the GPU between runs (the motion detectors' mask and
// external background): fetched with its change stamp each run and uploaded
// again only when the stamp differs from the one of its last upload.
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "frame/run_args.h"
#include "gpu/gl_toolkit.h"

namespace mirvok {

class StampedFrame {
 public:
  // Input i of this run. Not named: not given this run (true). Named but not
  // had: false.
  bool Fetch(const frame::RunArgs& a, int i);
  // Creates the texture on the first upload, refills it when the stamp changed.
  void Upload(gpu::CGLToolkit& toolkit, GLenum unit);
  void Release();

  // Given in this run and uploaded.
  bool inUse() const { return given_ && texture_ != 0; }
  GLuint texture() const { return texture_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  Frame* frame_ = nullptr;
  int32_t stamp_ = 0;
  bool given_ = false;
  GLuint texture_ = 0;
  int32_t uploadedStamp_ = 0;
  int width_ = 0, height_ = 0, bpp_ = 0;
};

}  // namespace mirvok
