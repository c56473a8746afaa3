// The FFT engine: an N x N complex transform of two complex pairs per texel
// ((r, g) and (b, a)), one pass per butterfly stage and dimension, ping-ponging
// between two float textures of one framebuffer object, driven by index and
// twiddle tables held in textures.
#pragma once

#include <GL/glew.h>

#include <vector>

#include "fft_tables.h"

namespace yorvin {

// An N-entry table as a rectangle texture: a row (N x 1) or a column (1 x N).
// Index pairs as 32-bit luminance-alpha texels (exact for every index), weights
// as 32-bit alpha texels.
GLuint CreateIndexTexture(const float* pairs, int n, bool column);
GLuint CreateWeightTexture(const float* weights, int n, bool column);

class CFFTEngine {
 public:
  // The source list draws the host's texture over (-1, -1)..(1, 1); the copy
  // program moves its green into red.
  CFFTEngine(int n, GLuint sourceList, GLuint copyProgram) : n_(n), sourceList_(sourceList), copyProgram_(copyProgram) {}
  CFFTEngine(const CFFTEngine&) = delete;
  CFFTEngine& operator=(const CFFTEngine&) = delete;

  // Tables, textures, stage lists, targets and programs; false with "Error
  // during shader building" when a program fails.
  bool Build(int errLen, char16_t* errBuf);
  // Deletes every GL object (inside the host's bracket).
  void Release();

  // 0: red and blue of the source (fixed-function, green zeroed); 1: green
  // moved into red by the copy program.
  void SetInputMode(int mode) { inputMode_ = mode; }
  // Loads the input on its own; the next Transform uses it.
  void Load();
  void Transform();
  // Display 0 (|(r, g)|) or 1 (|(b, a)|) of the current data, times the colour,
  // into the bound framebuffer.
  void DrawResult(int display, float r, float g, float b);

 private:
  void DrawInput();
  void Quad() const;

  int n_;
  int stages_ = 0;
  bool inputLoaded_ = false;
  int inverse_[2] = {0, 0};
  StageTables tables_;
  // Per dimension (x, then y) and stage.
  std::vector<GLuint> indexTextures_[2], realTextures_[2], imagTextures_[2];
  GLuint stageLists_[2] = {0, 0};
  GLuint targets_[2] = {0, 0};
  int current_ = 0;
  GLuint fbo_ = 0;
  GLuint fftProgram_ = 0, inputPrograms_[2] = {0, 0}, displayPrograms_[2] = {0, 0};
  GLint dimensionLocation_ = -1, colorLocation_[2] = {-1, -1};
  GLuint emptyList_ = 0;
  GLuint sourceList_;
  GLuint copyProgram_;
  int inputMode_ = 0;
};

}  // namespace yorvin
