#include "fft_engine.h"

#include "gpu/bracket.h"
#include "gpu/programs.h"

namespace yorvin {
namespace {

GLuint CreateTableTexture(const float* data, int n, bool column, GLint internal, GLenum format) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, internal, column ? 1 : n, column ? n : 1, 0, format, GL_FLOAT, data);
  return t;
}

void Delete(std::vector<GLuint>& textures) {
  if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
  textures.clear();
}

void DeleteProgram(GLuint& p) {
  if (p) glDeleteProgram(p);
  p = 0;
}

void Ortho(double lo, double hi) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(lo, hi, lo, hi, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

GLuint CreateIndexTexture(const float* pairs, int n, bool column) {
  return CreateTableTexture(pairs, n, column, GL_LUMINANCE_ALPHA32F_ARB, GL_LUMINANCE_ALPHA);
}

GLuint CreateWeightTexture(const float* weights, int n, bool column) {
  return CreateTableTexture(weights, n, column, GL_ALPHA32F_ARB, GL_ALPHA);
}

void CFFTEngine::Quad() const {
  const float n = static_cast<float>(n_);
  glBegin(GL_QUADS);
  glMultiTexCoord2f(GL_TEXTURE0, 0, 0);
  glVertex2f(0, 0);
  glMultiTexCoord2f(GL_TEXTURE0, n, 0);
  glVertex2f(n, 0);
  glMultiTexCoord2f(GL_TEXTURE0, n, n);
  glVertex2f(n, n);
  glMultiTexCoord2f(GL_TEXTURE0, 0, n);
  glVertex2f(0, n);
  glEnd();
}

bool CFFTEngine::Build(int errLen, char16_t* errBuf) {
  tables_ = MakeStageTables(n_);
  stages_ = tables_.stages;
  glActiveTexture(GL_TEXTURE0);
  for (int d = 0; d < 2; ++d) {
    const bool column = d == 1;
    for (int s = 0; s < stages_; ++s) {
      const size_t row = static_cast<size_t>(s) * n_;
      indexTextures_[d].push_back(CreateIndexTexture(&tables_.indices[row * 2], n_, column));
      realTextures_[d].push_back(CreateWeightTexture(&tables_.real[row], n_, column));
      imagTextures_[d].push_back(CreateWeightTexture(&tables_.imag[row], n_, column));
    }
    stageLists_[d] = glGenLists(stages_);
    for (int s = 0; s < stages_; ++s) {
      glNewList(stageLists_[d] + s, GL_COMPILE);
      const GLuint textures[3] = {indexTextures_[d][s], realTextures_[d][s], imagTextures_[d][s]};
      for (int u = 0; u < 3; ++u) {
        glActiveTexture(GL_TEXTURE1 + u);
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, textures[u]);
      }
      glActiveTexture(GL_TEXTURE0);
      Quad();
      glEndList();
    }
  }
  emptyList_ = glGenLists(1);
  glNewList(emptyList_, GL_COMPILE);
  glEndList();
  for (GLuint& t : targets_) {
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA32F_ARB, n_, n_, 0, GL_RGBA, GL_FLOAT, nullptr);
  }
  glGenFramebuffersEXT(1, &fbo_);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, targets_[0], 0);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_RECTANGLE_ARB, targets_[1], 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

  const bool built = gpu::BuildProgramFromFiles("FTransform", "FFT", &fftProgram_, true) &&
                     gpu::BuildProgramFromFiles("Position1", "Input0", &inputPrograms_[0], true) &&
                     gpu::BuildProgramFromFiles("Position1", "Input1", &inputPrograms_[1], true) &&
                     gpu::BuildProgramFromFiles("Position0", "Display0", &displayPrograms_[0], true) &&
                     gpu::BuildProgramFromFiles("Position0", "Display1", &displayPrograms_[1], true);
  if (!built) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  glUseProgram(fftProgram_);
  const char* samplers[4] = {"fft", "scrambler", "real_weight", "imag_weight"};
  for (int u = 0; u < 4; ++u) glUniform1i(glGetUniformLocation(fftProgram_, samplers[u]), u);
  glUniform2i(glGetUniformLocation(fftProgram_, "inverse"), inverse_[0], inverse_[1]);
  dimensionLocation_ = glGetUniformLocation(fftProgram_, "dimension");
  for (int d = 0; d < 2; ++d) {
    glUseProgram(displayPrograms_[d]);
    glUniform2f(glGetUniformLocation(displayPrograms_[d], "size"), static_cast<float>(n_), static_cast<float>(n_));
    colorLocation_[d] = glGetUniformLocation(displayPrograms_[d], "color");
  }
  glUseProgram(0);
  return true;
}

void CFFTEngine::Release() {
  for (int d = 0; d < 2; ++d) {
    Delete(indexTextures_[d]);
    Delete(realTextures_[d]);
    Delete(imagTextures_[d]);
    if (stageLists_[d]) glDeleteLists(stageLists_[d], stages_);
    stageLists_[d] = 0;
  }
  glDeleteTextures(2, targets_);
  targets_[0] = targets_[1] = 0;
  if (fbo_) glDeleteFramebuffersEXT(1, &fbo_);
  fbo_ = 0;
  DeleteProgram(fftProgram_);
  for (GLuint* p : {&inputPrograms_[0], &inputPrograms_[1], &displayPrograms_[0], &displayPrograms_[1]}) {
    DeleteProgram(*p);
  }
  if (emptyList_) glDeleteLists(emptyList_, 1);
  emptyList_ = 0;
  tables_ = {};
}

// The source over the whole N x N target, by the input mode.
void CFFTEngine::DrawInput() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  Ortho(-1, 1);
  glActiveTexture(GL_TEXTURE0);
  if (inputMode_ == 0) {
    glUseProgram(0);
    glColor3f(1, 0, 1);
    glCallList(sourceList_);
    glColor3f(1, 1, 1);
  } else {
    glUseProgram(copyProgram_);
    glCallList(sourceList_);
    glUseProgram(0);
  }
}

void CFFTEngine::Load() {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glViewport(0, 0, n_, n_);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + current_);
  DrawInput();
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glDrawBuffer(GL_BACK);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  inputLoaded_ = true;
}

void CFFTEngine::Transform() {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glViewport(0, 0, n_, n_);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  if (inputLoaded_) {
    inputLoaded_ = false;
  } else {
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + current_);
    DrawInput();
  }
  glUseProgram(fftProgram_);
  for (int u = 0; u < 4; ++u) {
    glActiveTexture(GL_TEXTURE0 + u);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
  }
  Ortho(0, n_);
  for (int d = 0; d < 2; ++d) {
    glUniform1i(dimensionLocation_, d);
    for (int s = 0; s < stages_; ++s) {
      glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + (1 - current_));
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_RECTANGLE_ARB, targets_[current_]);
      glCallList(stageLists_[d] + s);
      current_ = 1 - current_;
    }
  }
  for (int u = 3; u >= 0; --u) {
    glActiveTexture(GL_TEXTURE0 + u);
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
  }
  glUseProgram(0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glDrawBuffer(GL_BACK);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void CFFTEngine::DrawResult(int display, float r, float g, float b) {
  const GLuint program = inputLoaded_ ? inputPrograms_[display] : displayPrograms_[display];
  glUseProgram(program);
  if (!inputLoaded_) glUniform3f(colorLocation_[display], r, g, b);
  Ortho(0, n_);
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, targets_[current_]);
  Quad();
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glUseProgram(0);
}

}  // namespace yorvin
