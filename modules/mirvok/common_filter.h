// The base of every method object of this module: the run sequence inside the
// host's bracket, the render frame that confines the filter to the activity
// region, and the release of the GPU objects.
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "frame/run_args.h"
#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "talvix.h"

namespace mirvok {

using frame::RunArgs;

class CGPUCommonFilter {
 public:
  explicit CGPUCommonFilter(int methodIndex) : methodIndex_(methodIndex) {}
  virtual ~CGPUCommonFilter() = default;
  CGPUCommonFilter(const CGPUCommonFilter&) = delete;
  CGPUCommonFilter& operator=(const CGPUCommonFilter&) = delete;

  // The toolkit's white, copy and colour programs; false with the text of the
  // first failure.
  virtual bool InitGL(int errLen, char16_t* errBuf);
  virtual void SetSize(int width, int height, int bpp);
  virtual void SetUniforms() {}
  // The filter pass into the current framebuffer.
  virtual void Draw(const TRectangularRegion* region);
  virtual void Render(const TRectangularRegion* region);
  // The activity region's rectangle, when there is one and drawing is asked for.
  virtual void DrawOutputs();
  virtual void ReleaseExtra() {}
  // "*_LRC", every GPU object deleted, "*_URC"; nothing when none exists.
  virtual void ReleaseGL(void* hostContext);
  virtual bool Run(const RunArgs& a);

 protected:
  // The method indexes the class serves.
  virtual bool Serves(int methodIndex) const = 0;
  // Reads the inputs after the region; false ends the run (text in errBuf).
  virtual bool ReadParameters(const RunArgs& a) = 0;
  // The first lent run after InitGL: the source texture and whatever else the
  // class keeps on the GPU.
  virtual void CreateObjects(const uint8_t* pixels);
  // Later runs: the source texture refilled.
  virtual void RefillObjects(const uint8_t* pixels);
  // After the bracket was closed, whatever the run's result.
  virtual void AfterBracket(const RunArgs&) {}
  // Binds the source texture on unit 0.
  void BindSource() const;
  // Stencil test on, drawing only outside the marked region.
  static void OutsideRegionOnly();

  int methodIndex_;
  void* hostContext_ = nullptr;
  gpu::CGLToolkit toolkit_;
  gpu::GpuState state_;
  int width_ = 0, height_ = 0, bpp_ = 0;
  // The activity region of the run, drawn by DrawOutputs.
  TRectangularRegion region_{};
  bool hasRegion_ = false;
  GLuint sourceTexture_ = 0;
  GLuint filterProgram_ = 0;
  GLint texChan0_ = -1;
  bool copyRegion_ = true;
  bool drawOutputs_ = true;
};

// Builds a filter program from the shader files "Vertex" and the fragment
// file; the text of a failure in errBuf.
bool BuildFilterProgram(const char* fragmentFile, GLuint* program, int errLen, char16_t* errBuf);

}  // namespace mirvok
