#include "gpu/gl_toolkit.h"

#include <cstring>

#include "gpu/bracket.h"
#include "gpu/grid.h"
#include "gpu/programs.h"

namespace gpu {
namespace {

constexpr char16_t kShaderBuildError[] = u"Error during shader building";

void RectangleParameters() {
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

GLuint CreateFloatTexture(GLenum unit, int width, int height, const float* data, GLint internal, GLenum format) {
  glActiveTexture(unit);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, tex);
  RectangleParameters();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, internal, width, height, 0, format, GL_FLOAT, data);
  return tex;
}

void Vertex(PlanePoint p) { glVertex3f(p.x, p.y, 0.0f); }

}  // namespace

void DrawScreenQuad(GLenum unit, int width, int height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  glFrontFace(GL_CW);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  glMultiTexCoord2f(unit, 0, 0);
  glVertex3f(-160, -120, 0);
  glMultiTexCoord2f(unit, w, 0);
  glVertex3f(160, -120, 0);
  glMultiTexCoord2f(unit, w, h);
  glVertex3f(160, 120, 0);
  glMultiTexCoord2f(unit, 0, h);
  glVertex3f(-160, 120, 0);
  glEnd();
}

void DrawRegionQuad(const TRectangularRegion& region, int frameWidth, int frameHeight) {
  PlanePoint c[4];
  RegionQuadCorners(region, frameWidth, frameHeight, c);
  glFrontFace(GL_CW);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  for (const PlanePoint& p : c) Vertex(p);
  glEnd();
}

void EndRender() {
  glUseProgram(0);
  glStencilMask(~0u);
  glDisable(GL_STENCIL_TEST);
  glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glDrawBuffer(GL_BACK);
}

void DisableStencilTest() { glDisable(GL_STENCIL_TEST); }

void AttachColorTarget(GLuint texture) {
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, texture, 0);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
  glDisable(GL_BLEND);
}

void CGLToolkit::Release() {
  repack_.reset();
  repackWidth_ = repackHeight_ = 0;
  for (GLuint* p : {&whiteProgram, &copyProgram, &colorProgram}) {
    if (*p) glDeleteProgram(*p);
    *p = 0;
  }
  if (renderbuffer) glDeleteRenderbuffersEXT(1, &renderbuffer);
  if (framebuffer) glDeleteFramebuffersEXT(1, &framebuffer);
  renderbuffer = framebuffer = 0;
  texChan0Location = colorLocation = -1;
}

bool CGLToolkit::BuildWhiteProgram(int errLen, char16_t* errBuf) {
  if (BuildProgram(kPassthroughVertexShader, kWhiteFragmentShader, &whiteProgram)) return true;
  CopyError(kShaderBuildError, errLen, errBuf);
  return false;
}

bool CGLToolkit::BuildCopyProgram(int errLen, char16_t* errBuf) {
  if (!BuildProgram(kPassthroughVertexShader, kCopyFragmentShader, &copyProgram)) {
    CopyError(kShaderBuildError, errLen, errBuf);
    return false;
  }
  texChan0Location = glGetUniformLocation(copyProgram, "TexChan0");
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  return true;
}

void CGLToolkit::CreateRenderTarget(int width, int height) {
  if (renderbuffer) glDeleteRenderbuffersEXT(1, &renderbuffer);
  glGenRenderbuffersEXT(1, &renderbuffer);
  glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
  glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_STENCIL_EXT, width, height);
  if (framebuffer) glDeleteFramebuffersEXT(1, &framebuffer);
  glGenFramebuffersEXT(1, &framebuffer);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
  glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, renderbuffer);
  glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, renderbuffer);
  glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void CGLToolkit::BindFramebufferTexture(GLuint texture) {
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, texture, 0);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
}

void CGLToolkit::TightRows(int width, int height, const uint8_t* pixels) {
  if (!repack_ || repackWidth_ != width || repackHeight_ != height) {
    repack_.reset(new uint8_t[static_cast<size_t>(width) * height]);
    repackWidth_ = width;
    repackHeight_ = height;
  }
  const size_t stride = (static_cast<size_t>(width) + 3) & ~size_t{3};
  for (int r = 0; r < height; ++r) {
    std::memcpy(repack_.get() + static_cast<size_t>(r) * width, pixels + r * stride, static_cast<size_t>(width));
  }
}

void CGLToolkit::UploadFrameImage(int width, int height, int bpp, const uint8_t* pixels) {
  if (bpp == 32) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGB, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    return;
  }
  if (bpp == 24) {
    // Rows padded to 4 bytes, as the frame stores them.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGB, width, height, 0, GL_BGR, GL_UNSIGNED_BYTE, pixels);
    return;
  }
  const uint8_t* rows = pixels;
  if (bpp == 8 && width % 4 != 0 && pixels && width > 0 && height > 0) {
    TightRows(width, height, pixels);
    rows = repack_.get();
  }
  // Tight rows: any other alignment would shear them and read past the end.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, rows);
}

GLuint CGLToolkit::CreateLuminanceFloatTexture(GLenum unit, int width, int height, const float* data) {
  return CreateFloatTexture(unit, width, height, data, GL_LUMINANCE32F_ARB, GL_RED);
}

GLuint CGLToolkit::CreateRgbaFloatTexture(GLenum unit, int width, int height, const float* data) {
  return CreateFloatTexture(unit, width, height, data, GL_RGBA32F_ARB, GL_RGBA);
}

GLuint CGLToolkit::CreateRgbFloatTexture(GLenum unit, int width, int height, const float* data) {
  return CreateFloatTexture(unit, width, height, data, GL_RGBA32F_ARB, GL_RGB);
}

GLuint CGLToolkit::CreateFrameTexture(GLenum unit, int width, int height, int bpp, const uint8_t* pixels) {
  glActiveTexture(unit);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, tex);
  UploadFrameImage(width, height, bpp, pixels);
  RectangleParameters();
  return tex;
}

void CGLToolkit::UpdateFloatTexture(GLuint texture, GLenum unit, int width, int height, const float* data) {
  glActiveTexture(unit);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_LUMINANCE32F_ARB, width, height, 0, GL_RED, GL_FLOAT, data);
}

void CGLToolkit::UpdateFrameTexture(GLuint texture, GLenum unit, int width, int height, int bpp,
                                    const uint8_t* pixels) {
  glActiveTexture(unit);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  UploadFrameImage(width, height, bpp, pixels);
}

bool CGLToolkit::RepackRows(int width, int height, const uint8_t* pixels) {
  if (width % 4 == 0) return false;
  TightRows(width, height, pixels);
  return true;
}

void CGLToolkit::EmitRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int frameWidth,
                                int frameHeight) {
  gpu::EmitRegionGrid(region, stepX, stepY, frameWidth, frameHeight, [&](int c, int r) {
    Vertex(PixelCentre(c, r, frameWidth, frameHeight));
  });
}

namespace {

// Steps shared by both markings: the stencil is cleared and every drawn
// fragment writes 1 into it, without touching the colours.
void BeginMarking() {
  glStencilMask(~0u);
  glEnable(GL_STENCIL_TEST);
  glDisable(GL_BLEND);
  glClearColor(0, 0, 0, 0);
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glStencilFunc(GL_ALWAYS, 1, 1);
  glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
}

// Later passes draw only where the stencil holds 1.
void EndMarking() {
  glUseProgram(0);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glEnable(GL_STENCIL_TEST);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glStencilMask(0);
  glStencilFunc(GL_EQUAL, 1, 1);
}

}  // namespace

void CGLToolkit::StencilRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int frameWidth,
                                   int frameHeight) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  BeginMarking();
  const TRectangularRegion whole{frameWidth / 2.0, frameHeight / 2.0, static_cast<double>(frameWidth),
                                 static_cast<double>(frameHeight), 0.0};
  glUseProgram(whiteProgram);
  glPointSize(1);
  glBegin(GL_POINTS);
  glNormal3f(0, 0, 1);
  EmitRegionGrid(region ? region : &whole, stepX, stepY, frameWidth, frameHeight);
  glEnd();
  EndMarking();
}

void CGLToolkit::StencilRegion(const TRectangularRegion* region, int frameWidth, int frameHeight) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (!region) {
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    return;
  }
  BeginMarking();
  glUseProgram(whiteProgram);
  DrawRegionQuad(*region, frameWidth, frameHeight);
  EndMarking();
  glDisable(GL_BLEND);
}

}  // namespace gpu
