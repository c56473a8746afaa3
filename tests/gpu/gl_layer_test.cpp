// The OpenGL layer on the host's context: capability texts, program
// building and its diagnostics, frame uploads through the copy program, and
// stencil marking.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "gl_test_util.h"
#include "gpu/bracket.h"
#include "gpu/debug_output.h"
#include "gpu/gl_toolkit.h"
#include "gpu/grid.h"
#include "gpu/programs.h"
#include "kavrin.h"

namespace {

using talvix::FrameBuffer;

// Collects the layer's debug output for the life of the object.
struct DebugLog {
  DebugLog() {
    gpu::SetDebugSink([this](std::string_view t) { text += t; });
  }
  ~DebugLog() { gpu::SetDebugSink({}); }
  std::string text;
};

TEST(Capabilities, FirstMissingOneReported) {
  gpu::GpuCapabilities all;
  all.version21 = all.textureRectangle = all.fragmentProgram = all.textureFloat = all.framebufferObject = true;
  struct Case {
    std::function<void(gpu::GpuCapabilities&)> change;
    int errLen;
    std::u16string text;  // "" when the check passes
  };
  const Case cases[] = {
      {[](auto&) {}, 255, u""},
      {[](auto& c) { c.glewResult = GLEW_ERROR_NO_GLX_DISPLAY; }, 255, u""},
      {[](auto& c) { c.glewResult = GLEW_ERROR_NO_GL_VERSION; }, 255, u"Missing GL version"},
      {[](auto& c) { c.version21 = false, c.textureFloat = false; }, 255, u"OpenGL version 2.1 is not supported"},
      {[](auto& c) { c.textureRectangle = false; }, 255, u"Rectangular textures are not supported ARB_texture_rectangle"},
      {[](auto& c) { c.fragmentProgram = false; }, 255, u"Fragment programs are not supported ARB_fragment_program"},
      {[](auto& c) { c.textureFloat = false, c.framebufferObject = false; }, 255,
       u"Floating point textures are not supported ARB_texture_float"},
      {[](auto& c) { c.framebufferObject = false; }, 255, u"Framebuffer objects are not supported EXT_framebuffer_object"},
      {[](auto& c) { c.version21 = false; }, 6, u"OpenGL"},
  };
  for (const Case& c : cases) {
    gpu::GpuCapabilities caps = all;
    c.change(caps);
    std::vector<char16_t> err(static_cast<size_t>(c.errLen) + 2, u'#');
    err.back() = 0;
    const bool ok = gpu::CheckGpuCapabilities(caps, c.errLen, err.data());
    EXPECT_EQ(ok, c.text.empty()) << talvix::ToUtf8(c.text);
    if (!ok) {
      EXPECT_EQ(std::u16string(err.data()), c.text);
    }
  }
}

class OnContext : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL();
    dir = std::filesystem::temp_directory_path() / ("gpu_layer_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void WriteEncoded(const std::string& name, const std::string& source) {
    Write(name, kavrin::EncodeShader(source, gpu::kShaderKey));
  }
  std::filesystem::path dir;
};

TEST_F(OnContext, CapabilitiesOfTheHostContext) {
  FrameBuffer f = FrameBuffer::make(8, 8, 8);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  char16_t err[256] = {};
  EXPECT_TRUE(gpu::CheckGpuCapabilities(255, err)) << gl_test::Text(err);
}

TEST_F(OnContext, ProgramsAndTheirDiagnostics) {
  FrameBuffer f = FrameBuffer::make(8, 8, 8);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  const std::string vs = gpu::kPassthroughVertexShader, white = gpu::kWhiteFragmentShader;
  const std::string broken = "void main() { gl_FragColor = undefinedThing; }\n";
  WriteEncoded("Pass.vsh_bin", vs);
  WriteEncoded("White.fsh_bin", white);
  WriteEncoded("Broken.fsh_bin", broken);
  Write("Plain.fsh_bin", std::vector<uint8_t>(white.begin(), white.end()));
  std::ofstream(dir / "Pass.vsh") << vs;
  std::ofstream(dir / "White.fsh") << white;
  struct Case {
    const char* what;
    const char *vertex, *fragment;
    bool encoded;
    bool ok;
    std::string log;  // exact, or "*" for any non-empty compiler log
  };
  const Case cases[] = {
      {"encoded files", "Pass", "White", true, true, ""},
      {"plain files", "Pass", "White", false, true, ""},
      {"missing vertex file", "Nope", "Nope", true, false, "Vertex shader file not found : Nope\n"},
      {"missing fragment file", "Pass", "Gone", true, false, "Fragment shader file not found : Gone\n"},
      {"failed decode", "Pass", "Plain", true, false, ""},
      {"broken shader", "Pass", "Broken", true, false, "*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DebugLog log;
    GLuint program = 0;
    EXPECT_EQ(gpu::BuildProgramFromDirectory(dir.string(), c.vertex, c.fragment, &program, c.encoded), c.ok);
    if (c.log == "*") {
      EXPECT_FALSE(log.text.empty());
      EXPECT_EQ(log.text.back(), '\n');
    } else {
      EXPECT_EQ(log.text, c.log);
    }
    if (program) glDeleteProgram(program);
  }
  // The plain directory set at start serves BuildProgramFromFiles.
  gpu::SetShaderModule(nullptr, dir.c_str());
  GLuint program = 0;
  EXPECT_TRUE(gpu::BuildProgramFromFiles("Pass", "White", &program, false));
  // Building again replaces (and deletes) the program.
  const GLuint first = program;
  EXPECT_TRUE(gpu::BuildProgram(vs.c_str(), white.c_str(), &program));
  EXPECT_FALSE(glIsProgram(first));
  glDeleteProgram(program);
  gpu::SetShaderModule(nullptr, nullptr);
}

// A frame through a frame texture and the copy program into the host's
// framebuffer, read back as it was.
void CopyRoundTrip(int width, int height, int bpp) {
  SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " at " + std::to_string(bpp));
  FrameBuffer f = FrameBuffer::make(width, height, bpp);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * bpp / 8; ++x) f.row(y)[x] = static_cast<uint8_t>(x * 37 + y * 11 + 5);
  }
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  gpu::CGLToolkit t;
  char16_t err[256] = {};
  ASSERT_TRUE(t.BuildCopyProgram(255, err));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // whatever state came before
  GLuint tex = t.CreateFrameTexture(GL_TEXTURE0, width, height, bpp, GetFrameDataAddr(f.frame()));
  glUseProgram(t.copyProgram);
  glUniform1i(t.texChan0Location, 0);
  gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
  std::vector<uint8_t> back(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, back.data());
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* got = &back[(static_cast<size_t>(y) * width + x) * 4];
      const uint8_t* px = f.pixel(x, y);
      for (int c = 0; c < 3; ++c) wrong += got[c] != (bpp == 8 ? px[0] : px[c]);
    }
  }
  EXPECT_EQ(wrong, 0);
  gpu::EndRender();
  glDeleteTextures(1, &tex);
  t.Release();
}

TEST_F(OnContext, FramesThroughTheCopyProgram) {
  CopyRoundTrip(5, 7, 8);
  CopyRoundTrip(16, 6, 8);
  CopyRoundTrip(5, 7, 24);
  CopyRoundTrip(9, 5, 32);
}

// Pixels lit by a white pass after the marking, in the toolkit's own
// framebuffer.
std::set<std::pair<int, int>> Lit(int w, int h, const std::function<void(gpu::CGLToolkit&)>& mark) {
  gpu::CGLToolkit t;
  char16_t err[256] = {};
  EXPECT_TRUE(t.BuildWhiteProgram(255, err));
  t.CreateRenderTarget(w, h);
  GLuint target = t.CreateRgbaFloatTexture(GL_TEXTURE2, w, h, nullptr);
  t.BindFramebufferTexture(target);
  mark(t);
  glUseProgram(t.whiteProgram);
  gpu::DrawScreenQuad(GL_TEXTURE0, w, h);
  std::vector<float> px(static_cast<size_t>(w) * h * 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, px.data());
  gpu::EndRender();
  std::set<std::pair<int, int>> lit;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (px[(static_cast<size_t>(y) * w + x) * 4] != 0) lit.insert({x, y});
    }
  }
  glDeleteTextures(1, &target);
  t.Release();
  return lit;
}

TEST_F(OnContext, StencilMarksTheGridAndTheRegion) {
  const int W = 64, H = 48;
  FrameBuffer f = FrameBuffer::make(W, H, 8);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  const TRectangularRegion turned{30, 22, 30, 16, 30};
  for (const TRectangularRegion* g : {static_cast<const TRectangularRegion*>(nullptr), &turned}) {
    std::set<std::pair<int, int>> grid;
    const TRectangularRegion whole{W / 2.0, H / 2.0, double(W), double(H), 0};
    gpu::EmitRegionGrid(g ? g : &whole, 3, 4, W, H, [&](int c, int r) {
      if (c >= 0 && c < W && r >= 0 && r < H) grid.insert({c, r});
    });
    EXPECT_EQ(Lit(W, H, [&](gpu::CGLToolkit& t) { t.StencilRegionGrid(g, 3, 4, W, H); }), grid);
  }
  // The region's pixels: every centre clearly inside, none clearly outside.
  std::set<std::pair<int, int>> lit = Lit(W, H, [&](gpu::CGLToolkit& t) { t.StencilRegion(&turned, W, H); });
  const double a = turned.angle * M_PI / 180;
  int inside = 0;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      // The drawing plane puts pixel x's centre at x + 0.5 frame units.
      const double dx = x + 0.5 - turned.cx, dy = y + 0.5 - turned.cy;
      const double u = dx * std::cos(a) + dy * std::sin(a), v = -dx * std::sin(a) + dy * std::cos(a);
      const double d = std::min(turned.width / 2 - std::abs(u), turned.height / 2 - std::abs(v));
      if (d > 0.05) {
        EXPECT_TRUE(lit.count({x, y})) << x << "," << y;
        ++inside;
      } else if (d < -0.05) {
        EXPECT_FALSE(lit.count({x, y})) << x << "," << y;
      }
    }
  }
  EXPECT_GT(inside, 400);
  // A null region lifts the restriction.
  EXPECT_EQ(Lit(W, H, [&](gpu::CGLToolkit& t) { t.StencilRegion(nullptr, W, H); }).size(), size_t{W * H});
}

}  // namespace
