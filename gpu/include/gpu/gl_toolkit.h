// The OpenGL objects of one GPU method: built-in programs, a framebuffer
// with a depth-stencil renderbuffer, float rectangle textures, frame
// uploads, full-frame and region quads, and stencil marking of regions and
// sample grids. Every call runs inside the host bracket, on its context; the
// layer sets no projection or viewport of its own.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>

#include "talvix_types.h"

namespace gpu {

// Free operations of the layer (texture units as GL_TEXTURE0 + n).
void DrawScreenQuad(GLenum unit, int width, int height);
void DrawRegionQuad(const TRectangularRegion& region, int frameWidth, int frameHeight);
void EndRender();
void DisableStencilTest();
void AttachColorTarget(GLuint texture);
// The full plane as one quad without texture coordinates.
void DrawQuadPlain();
// The full plane with texture coordinates on two units, each in its own
// texture's pixels.
void DrawQuadMultiTex(GLenum unitA, GLenum unitB, int widthA, int heightA, int widthB, int heightB);

class CGLToolkit {
 public:
  CGLToolkit() = default;
  CGLToolkit(const CGLToolkit&) = delete;
  CGLToolkit& operator=(const CGLToolkit&) = delete;

  // Frees the repack buffer and deletes the programs, renderbuffer and
  // framebuffer that exist.
  void Release();
  bool BuildWhiteProgram(int errLen, char16_t* errBuf);
  bool BuildCopyProgram(int errLen, char16_t* errBuf);
  // The capability check, then the white program.
  bool CheckGpuCapabilitiesAndDefaultProgram(int errLen, char16_t* errBuf);
  // The built-in colour program and the location of its Color.
  bool BuildColorProgram(int errLen, char16_t* errBuf);
  // Replaces the renderbuffer (depth and stencil) and the framebuffer.
  void CreateRenderTarget(int width, int height);
  void BindFramebufferTexture(GLuint texture);
  // Into the bound rectangle texture: 8-bit frames as luminance, 24-bit as
  // BGR, 32-bit as BGRA (alpha dropped), others as 8-bit luminance.
  void UploadFrameImage(int width, int height, int bpp, const uint8_t* pixels);
  GLuint CreateLuminanceFloatTexture(GLenum unit, int width, int height, const float* data);
  GLuint CreateRgbaFloatTexture(GLenum unit, int width, int height, const float* data);
  // RGBA float storage specified from RGB float data (3 floats per texel).
  GLuint CreateRgbFloatTexture(GLenum unit, int width, int height, const float* data);
  GLuint CreateFrameTexture(GLenum unit, int width, int height, int bpp, const uint8_t* pixels);
  void UpdateFloatTexture(GLuint texture, GLenum unit, int width, int height, const float* data);
  void UpdateFrameTexture(GLuint texture, GLenum unit, int width, int height, int bpp, const uint8_t* pixels);
  // Tight copies of 8-bit rows padded to 4 bytes, into repack(); false (no
  // copy) when the width is a multiple of 4.
  bool RepackRows(int width, int height, const uint8_t* pixels);
  const uint8_t* repack() const { return repack_.get(); }
  // The grid points of a region (the whole frame when null), as points.
  void EmitRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int frameWidth, int frameHeight);
  // Marks the grid points of the region in the stencil buffer and restricts
  // later drawing to them.
  void StencilRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int frameWidth, int frameHeight);
  // Marks the region's pixels; null switches the restriction off.
  void StencilRegion(const TRectangularRegion* region, int frameWidth, int frameHeight);

  GLuint whiteProgram = 0;
  GLuint copyProgram = 0;
  GLuint colorProgram = 0;
  GLint texChan0Location = -1;
  GLint colorLocation = -1;
  GLuint renderbuffer = 0;
  GLuint framebuffer = 0;

 private:
  void TightRows(int width, int height, const uint8_t* pixels);
  std::unique_ptr<uint8_t[]> repack_;
  int repackWidth_ = 0;
  int repackHeight_ = 0;
};

}  // namespace gpu
