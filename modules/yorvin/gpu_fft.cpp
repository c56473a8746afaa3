#include "gpu_fft.h"

#include "fft_tables.h"
#include "frame/text_format.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"

namespace yorvin {
namespace {

// Green into red; alpha written too (the engine reads all four channels).
constexpr const char* kCopyGreenFragmentShader =
    "uniform sampler2D source;\n"
    "void main()\n"
    "{\n"
    "  float g = texture2D( source, gl_TexCoord[ 0 ].xy ).g;\n"
    "  gl_FragColor = vec4( g, 0.0, 0.0, 0.0 );\n"
    "}\n";

}  // namespace

bool CGPUFFT::Setup(int width, int errLen, char16_t* errBuf) {
  if (!gpu::CheckGpuCapabilities(errLen, errBuf)) return false;
  sourceList_ = glGenLists(1);
  glNewList(sourceList_, GL_COMPILE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, hostTexture_);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2f(1, 0);
  glVertex2f(1, -1);
  glTexCoord2f(1, 1);
  glVertex2f(1, 1);
  glTexCoord2f(0, 1);
  glVertex2f(-1, 1);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEndList();
  if (!gpu::BuildProgram(gpu::kPassthroughVertexShader, kCopyGreenFragmentShader, &copyProgram_)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  n_ = FftSize(width);
  engine_ = std::make_unique<CFFTEngine>(n_, sourceList_, copyProgram_);
  return engine_->Build(errLen, errBuf);
}

void CGPUFFT::Work() {
  const float s = 1.0f / static_cast<float>(n_);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_CULL_FACE);
  glBlendFunc(GL_ONE, GL_ONE);
  glDisable(GL_BLEND);
  // Red and blue.
  engine_->SetInputMode(0);
  engine_->Transform();
  glEnable(GL_BLEND);
  engine_->DrawResult(0, s, 0, 0);
  engine_->DrawResult(1, 0, 0, s);
  glDisable(GL_BLEND);
  // Green.
  engine_->SetInputMode(1);
  engine_->Load();
  engine_->Transform();
  glEnable(GL_BLEND);
  engine_->DrawResult(0, 0, s, 0);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

bool CGPUFFT::Run(const frame::RunArgs& a) {
  if (!usable_) return a.fail(u"Step is not able to run - see previous errors");
  frame::FrameRows src;
  if (!frame::InputRows(a, 0, &src)) return a.fail(u"Cannot get source frame");
  // The first frame's width fixes the transform's size; later frames are
  // stretched to it.
  if (firstRun_ && FftSize(src.width) > kMaxFftSize)
    return a.fail(frame::FormatText(255, "Frame too wide for the transform: width %d needs %d x %d, at most %d x %d",
                                    src.width, FftSize(src.width), FftSize(src.width), kMaxFftSize, kMaxFftSize));
  Frame* out = nullptr;
  if (!frame::OutputFrame(a, 0, src.width, src.depth, 32, &out)) return a.fail(u"Unknown target frame");

  gpu::Bracket bracket(a.ctx, src.frame, out, a.errLen, a.errBuf);
  bracket.Lend();
  bracket.Send(u"*_IRE");
  if (bracket.Send(u"*_PT0")) hostTexture_ = bracket.block().hostTexture;
  bool ok = true;
  if (bracket.glUsable()) {
    if (firstRun_) {
      firstRun_ = false;
      objectsExist_ = true;
      if (!Setup(src.width, a.errLen, a.errBuf)) {
        usable_ = false;
        ok = false;
      }
    }
    if (usable_) Work();
  }
  if (usable_) bracket.Send(u"*_POF");
  bracket.Send(u"*_FRE");
  bracket.Send(u"*_URC");
  return ok && bracket.ok();
}

void CGPUFFT::Release(void* hostContext) {
  if (!objectsExist_) return;
  gpu::Bracket bracket(hostContext);
  if (bracket.Lend()) {
    if (sourceList_) glDeleteLists(sourceList_, 1);
    sourceList_ = 0;
    hostTexture_ = 0;
    if (copyProgram_) glDeleteProgram(copyProgram_);
    copyProgram_ = 0;
    if (engine_) engine_->Release();
  }
  engine_.reset();
  bracket.Send(u"*_URC");
  objectsExist_ = false;
}

}  // namespace yorvin
