// The method objects: the barcode reader (method 0) and the unlisted pattern
// finder (method 1), each with the GPU set-up state kept between runs.
#pragma once

#include <cstdint>
#include <memory>

#include "decoder/decoder.h"
#include "frame/run_args.h"
#include "gpu/feature.h"
#include "orientation.h"
#include "pattern.h"
#include "talvix.h"

namespace hoskin {

class CDetector {
 public:
  explicit CDetector(int index) : methodIndex(index) {}
  virtual ~CDetector() = default;
  CDetector(const CDetector&) = delete;
  CDetector& operator=(const CDetector&) = delete;

  // Gives the GPU objects back inside a release bracket (only when a set-up
  // succeeded).
  virtual void ReleaseGpu(void* hostContext) = 0;
  virtual bool Run(const frame::RunArgs& args) = 0;

  int32_t methodIndex;
  uint8_t needsSetup = 1;
  uint8_t usable = 1;
  uint8_t gpuReady = 0;
  int32_t messageCapacity = 255;
  char16_t message[256] = {};
};

using UnderpaintedDrawFn = decltype(&DrawDirectionUnderpainted);

class CBarcodeDetector : public CDetector {
 public:
  CBarcodeDetector();
  ~CBarcodeDetector() override;
  void ReleaseGpu(void* hostContext) override;
  bool Run(const frame::RunArgs& args) override;

  CBarcodeOrientation orientation;
  std::unique_ptr<CBarcodeDecoder> decoder;
  int32_t lastStamp = 0;
  int32_t lastWidth = 0;
  int32_t lastHeight = 0;
  int32_t drawContent = 0;  // 0 nothing, 1 all, 2 points, 3 regions
  uint8_t drawOutputs = 1;
  UnderpaintedDrawFn underpaintedDraw = nullptr;
};

class CDatamatrixDetector : public CDetector {
 public:
  CDatamatrixDetector() : CDetector(1) {}
  void ReleaseGpu(void* hostContext) override;
  bool Run(const frame::RunArgs& args) override;

  CFeaturePattern pattern;
  float thresholds[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  int32_t debugContent = 0;
  uint8_t drawOutputs = 1;
};

// The optional host function looked up by name in the host library.
UnderpaintedDrawFn FindUnderpaintedDraw();

}  // namespace hoskin
