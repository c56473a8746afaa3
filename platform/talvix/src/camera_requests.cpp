// CameraCallback: the bracket requests of the GPU modules, served on the
// process-wide headless context, each one logged in the inspection.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <functional>
#include <map>

#include "context.h"
#include "filter_services.h"
#include "gl_context.h"

namespace talvix {
namespace {

// The bracket block of the 64-bit build: the 280-byte layout with its frame
// pointers widened to 8 bytes, later fields shifted by 8.
constexpr int kMessageChars = 128;
constexpr int kMessageBytes = kMessageChars * 2;
constexpr int kBlockSize = 288;
constexpr int kInputAt = 256;
constexpr int kOutputAt = 264;
constexpr int kHostTextureAt = 272;
constexpr int kFirstIntAt = 276;
constexpr int kSecondIntAt = 280;

void WriteMessage(void* block, int blockSize, std::u16string_view text) {
  if (!block || blockSize < kMessageBytes) return;
  std::u16string msg(text.substr(0, std::min(text.size(), static_cast<size_t>(kMessageChars - 1))));
  msg.push_back(0);
  std::memcpy(block, msg.data(), msg.size() * 2);
}

template <class T>
T Field(const void* block, int at) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(block) + at, sizeof v);
  return v;
}

struct Answer {
  bool ok = true;
  std::u16string message;
};

Answer Refuse(std::u16string text) { return {false, std::move(text)}; }

// State that lives with the context: the "*_PT0" texture and the viewport
// saved by "!_BRU".
struct Lent {
  GLuint frameTexture = 0;
  bool savedViewport = false;
  GLint viewport[4] = {0, 0, 0, 0};
};

Lent& TheLent() {
  static Lent l;
  return l;
}

Answer NoContext() { return Refuse(u"No OpenGL context is lent: \"*_LRC\" first"); }

Answer Lend(Frame* input) {
  std::string why;
  int w = input ? input->biWidth : 0;
  int h = input ? std::abs(input->biHeight) : 0;
  if (!MakeGlCurrent(w, h, &why)) return Refuse(u"OpenGL is not available in this host: " + ToU16(why));
  return {};
}

// The plane of 320 x 240 units onto the frame, and a neutral state whatever
// the previous module left behind.
Answer Prepare(Frame* input) {
  if (!GlCurrent()) return NoContext();
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  if (input) {
    glViewport(0, 0, input->biWidth, std::abs(input->biHeight));
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  glUseProgram(0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-160, 160, -120, 120, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glDisable(GL_STENCIL_TEST);
  glFrontFace(GL_CCW);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilMask(~0u);
  glActiveTexture(GL_TEXTURE0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  TheLent().savedViewport = false;
  return {};
}

// The input frame as one two-dimensional RGBA texture whose name stays the
// same for the process (a module may keep it in a display list).
Answer FrameAsTexture(void* block, Frame* input) {
  if (!GlCurrent()) return NoContext();
  if (!input) return Refuse(u"No input frame for the texture");
  const int w = input->biWidth, h = std::abs(input->biHeight), bpp = input->biBitCount;
  if (w <= 0 || h <= 0 || (bpp != 8 && bpp != 24 && bpp != 32)) return Refuse(u"Unsupported input frame");
  const uint8_t* px = GetFrameDataAddr(input);
  const int stride = Stride(w, bpp);
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = px + static_cast<size_t>(y) * stride;
    uint8_t* dst = rgba.data() + static_cast<size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x, dst += 4) {
      if (bpp == 8) {
        dst[0] = dst[1] = dst[2] = src[x];
        dst[3] = 255;
      } else {
        const uint8_t* p = src + x * (bpp / 8);
        dst[0] = p[2], dst[1] = p[1], dst[2] = p[0];
        dst[3] = bpp == 32 ? p[3] : 255;
      }
    }
  }
  Lent& l = TheLent();
  if (!l.frameTexture) glGenTextures(1, &l.frameTexture);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, l.frameTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  const uint32_t name = l.frameTexture;
  std::memcpy(static_cast<uint8_t*>(block) + kHostTextureAt, &name, sizeof name);
  return {};
}

// The rendered picture into the output frame, memory row 0 from GL row 0;
// into the run's own picture when the output is the input frame.
Answer Picture(RunContext::State* run, Frame* input, Frame* output) {
  if (!GlCurrent()) return NoContext();
  if (!output) return Refuse(u"No output frame for the picture");
  const int w = output->biWidth, h = std::abs(output->biHeight);
  FrameBuffer* own = nullptr;
  uint8_t* dst = nullptr;
  if (output == input) {
    if (!run) return Refuse(u"No run for the picture");
    run->picture = FrameBuffer::make(w, h, 32, 0);
    own = &run->picture;
    dst = own->row(0);
  } else {
    if (output->biBitCount != 32 || (input && (input->biWidth != w || std::abs(input->biHeight) != h))) {
      return Refuse(u"The output frame is not 32 bits per pixel of the input frame's size");
    }
    dst = GetFrameDataAddr(output);
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, dst);
  return {};
}

Answer Finish() {
  if (!GlCurrent()) return NoContext();
  glFinish();
  return {};
}

Answer Unlend() {
  if (GlCurrent()) glFinish();
  ReleaseGl();
  return {};
}

Answer SaveViewport(void* block) {
  if (!GlCurrent()) return NoContext();
  Lent& l = TheLent();
  glGetIntegerv(GL_VIEWPORT, l.viewport);
  l.savedViewport = true;
  glViewport(0, 0, Field<int32_t>(block, kFirstIntAt), Field<int32_t>(block, kSecondIntAt));
  return {};
}

Answer RestoreViewport() {
  if (!GlCurrent()) return NoContext();
  Lent& l = TheLent();
  if (l.savedViewport) glViewport(l.viewport[0], l.viewport[1], l.viewport[2], l.viewport[3]);
  l.savedViewport = false;
  return {};
}

Answer Serve(RunContext::State* run, const std::u16string& name, void* block, int size) {
  static const char16_t* const kBracket[] = {u"*_LRC", u"*_IRE", u"*_PT0", u"*_POF", u"*_FRE",
                                             u"*_URC", u"!_CUP", u"!_BRU", u"!_ERU", u"!_DUP"};
  bool known = false;
  for (const char16_t* n : kBracket) known = known || name == n;
  if (auto filtered = ServeFilter(run, name, block, size)) return {filtered->ok, filtered->message};
  if (!known) return Refuse(u"Unknown request");
  std::string why;
  if (!EnsureGlContext(&why)) return Refuse(u"OpenGL is not available in this host: " + ToU16(why));
  if (!block || size != kBlockSize) return Refuse(u"Wrong block size for " + name);
  Frame* input = Field<Frame*>(block, kInputAt);
  Frame* output = Field<Frame*>(block, kOutputAt);
  if (name == u"*_LRC") return Lend(input);
  if (name == u"*_IRE") return Prepare(input);
  if (name == u"*_PT0") return FrameAsTexture(block, input);
  if (name == u"*_POF") return Picture(run, input, output);
  if (name == u"*_FRE") return Finish();
  if (name == u"*_URC") return Unlend();
  if (name == u"!_BRU") return SaveViewport(block);
  if (name == u"!_ERU") return RestoreViewport();
  return {};  // "!_CUP", "!_DUP": nothing kept by this host
}

}  // namespace

void CloseGlBracket() { ReleaseGl(); }

}  // namespace talvix

extern "C" bool CameraCallback(void* ctx, int nameLen, const char16_t* name, int blockSize, void* block) {
  return talvix::NoThrow(false, [&] {
    using namespace talvix;
    RunContext::State* run = FromContext(ctx);
    Inspection::State* insp = run && run->inspection ? run->inspection->state() : nullptr;
    CameraRequest entry;
    entry.name = ReadText(nameLen, name);
    entry.nameLength = nameLen;
    entry.size = blockSize;
    if (block && blockSize > 0) {
      auto* b = static_cast<const uint8_t*>(block);
      entry.block.assign(b, b + blockSize);
    }
    RequestHandler handler;
    if (insp) {
      std::lock_guard lock(insp->mu);
      handler = insp->requestHandler;
    }
    std::optional<RequestAnswer> scripted;
    if (handler) scripted = handler(entry.name, block, blockSize);
    Answer a;
    if (scripted) {
      a = {scripted->answer, scripted->answer ? u"" : scripted->message};
    } else {
      a = Serve(run, entry.name, block, blockSize);
    }
    if (!a.ok) WriteMessage(block, blockSize, a.message);
    entry.answer = a.ok;
    entry.message = a.ok ? u"" : a.message.substr(0, std::min(a.message.size(), size_t{kMessageChars - 1}));
    if (insp) {
      std::lock_guard lock(insp->mu);
      insp->requests.push_back(std::move(entry));
    }
    return a.ok;
  });
}

namespace talvix {

void Inspection::setRequestHandler(RequestHandler handler) {
  std::lock_guard lock(state_->mu);
  state_->requestHandler = std::move(handler);
}

std::vector<CameraRequest> Inspection::requests() const {
  std::lock_guard lock(state_->mu);
  return state_->requests;
}

void Inspection::clearRequests() {
  std::lock_guard lock(state_->mu);
  state_->requests.clear();
}

}  // namespace talvix
