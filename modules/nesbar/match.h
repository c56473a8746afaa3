// The pattern matcher of both methods: inputs, the GL objects, the passes,
// the collection, outputs and drawing.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "catalogue.h"
#include "collect.h"
#include "frame/run_args.h"
#include "gpu/gl_toolkit.h"
#include "gpu/list.h"
#include "plan.h"
#include "sampling.h"

namespace nesbar {

class CGPUMatch {
 public:
  enum Program { kPhase1RotScale, kPhase2RotScale, kPhase1, kPhase2, kFull, kMaximum, kProgramCount };

  explicit CGPUMatch(int methodIndex) : method(methodIndex) {}
  virtual ~CGPUMatch();
  CGPUMatch(const CGPUMatch&) = delete;
  CGPUMatch& operator=(const CGPUMatch&) = delete;

  virtual void ReleaseGL(void* hostContext);
  bool Run(const frame::RunArgs& a);

  int method;
  gpu::CGLToolkit toolkit;
  // The pattern.
  int patternWidth = 0, patternHeight = 0, patternBpp = 0;
  PatternStats stats;
  SamplePoints points[2];
  int marginX = 6, marginY = 6;
  int targets[2] = {256, 512}, maxima[2] = {300, 600};
  GLuint patternTexture = 0, pointTextures[2] = {};
  gpu::CList results;  // of CResultListElem
  bool firstRun = true, usable = true, glReady = false;
  int32_t frameStamp = 0, patternStamp = 0;
  int width = 0, height = 0, bpp = 0;
  GLuint sourceTexture = 0, resultTextures[2] = {};
  std::vector<float> readBack;
  GLuint programs[kProgramCount] = {};
  // Settings.
  SearchSettings search;
  float quality = 0.5f;
  float correlation[2] = {0.8f, 0.8f};
  int maxMatches = 1;
  bool drawOutputs = true;
  int samplingStep = 5;       // the binary method's grid
  float binaryThreshold = 0.5f;
  float lastScale = 1.0f;
  SearchPlan plan;
  char16_t message[256] = {};

 private:
  bool ReadInputs(const frame::RunArgs& a);
  bool SetUp();
  void PreparePattern(Frame* pattern);
  void Render(const TRectangularRegion* region);
  void Pass(Program p, int phase);
  void WriteOutputs(const frame::RunArgs& a);
};

}  // namespace nesbar
