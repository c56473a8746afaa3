// The method object of "gpu_haar": the pipeline, the set-up state kept
// between runs, and the run sequence inside the host's bracket.
#pragma once

#include "frame/run_args.h"
#include "gpu/bracket.h"
#include "haar_orientation.h"

namespace tarnis {

class CHaarDetector {
 public:
  CHaarDetector() = default;
  virtual ~CHaarDetector() = default;
  CHaarDetector(const CHaarDetector&) = delete;
  CHaarDetector& operator=(const CHaarDetector&) = delete;

  // "*_LRC", the pipeline's objects deleted, "*_URC"; nothing when none exist.
  virtual void Release(void* hostContext);
  bool Run(const frame::RunArgs& a);

 private:
  // The window size, mode and flags of inputs 2 to 5, corrections reported.
  void ReadParameters(const frame::RunArgs& a);
  // First run: capabilities, the pipeline's set-up and the source texture.
  // False with the text in the stored message.
  bool SetUp(int width, int height, int bpp, const uint8_t* pixels);

  CHaarOrientation orientation_;
  gpu::GpuState state_;
  bool drawRegion_ = true;
};

}  // namespace tarnis
