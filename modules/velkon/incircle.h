// CGPUIncircle: a fragment program writes, for every pixel, the radius of
// the circle centred there (0 for none); the run reads the radius map back
// and picks one pixel: the largest radius (inscribed) or the smallest
// (enclosing).
#pragma once

#include <GL/glew.h>

#include <vector>

#include "frame/run_args.h"
#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "talvix.h"

namespace velkon {

class CGPUIncircle {
 public:
  explicit CGPUIncircle(int methodIndex) : methodIndex_(methodIndex) {}
  CGPUIncircle(const CGPUIncircle&) = delete;
  CGPUIncircle& operator=(const CGPUIncircle&) = delete;

  bool Run(const frame::RunArgs& a);
  // "*_LRC", every GPU object deleted, "*_URC"; nothing when none exists.
  void Release(void* hostContext);

 private:
  bool SetUp(const Frame* source, int errLen, char16_t* errBuf);
  // The size of the radius texture and render target; remade on a new size.
  void Resize(int width, int height);
  void Render(const TRectangularRegion* region);

  int methodIndex_;
  gpu::CGLToolkit toolkit_;
  gpu::GpuState state_;
  int width_ = 0, height_ = 0, bpp_ = 0;
  int targetWidth_ = 0, targetHeight_ = 0;
  GLuint sourceTexture_ = 0, radiusTexture_ = 0;
  std::vector<float> readBack_;
  GLuint program_ = 0;
  GLint texChan0_ = -1, threshold_ = -1, originalX_ = -1, originalY_ = -1, limit_ = -1;
  float threshold = 0.5f, sizeLimit = 0.f;
  float centreX = 0, centreY = 0, radius = 0;
};

// The pick of a read-back radius map (rows from 0, columns from 0, zeros
// ignored, ties to the earlier pixel): the largest radius or the smallest.
struct CirclePick {
  float x, y, r;
};
CirclePick PickCircle(const float* radii, int width, int height, bool largest);

}  // namespace velkon
