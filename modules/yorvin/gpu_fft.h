// The FFT method: the host's frame texture through the engine, the spectra of
// red and blue, then of green, drawn additively into the host's framebuffer.
#pragma once

#include <GL/glew.h>

#include <memory>

#include "fft_engine.h"
#include "frame/run_args.h"

namespace yorvin {

class CGPUFFT {
 public:
  CGPUFFT() = default;
  virtual ~CGPUFFT() = default;
  CGPUFFT(const CGPUFFT&) = delete;
  CGPUFFT& operator=(const CGPUFFT&) = delete;

  bool Run(const frame::RunArgs& a);
  // "*_LRC", the GPU objects deleted, "*_URC"; nothing for an object that never ran.
  virtual void Release(void* hostContext);

 private:
  bool Setup(int width, int errLen, char16_t* errBuf);
  void Work();

  int n_ = 1024;
  std::unique_ptr<CFFTEngine> engine_;
  bool firstRun_ = true;
  bool usable_ = true;
  bool objectsExist_ = false;
  GLuint sourceList_ = 0;
  GLuint hostTexture_ = 0;
  GLuint copyProgram_ = 0;
};

}  // namespace yorvin
