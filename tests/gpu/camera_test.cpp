// The camera requests on the host's headless context, each effect read back.
#include <gtest/gtest.h>

#include <functional>

#include "gl_test_util.h"
#include "talvix/host.hpp"

using gl_test::Block;
using gl_test::Request;
using talvix::FrameBuffer;

namespace {

constexpr int kW = 320, kH = 240;

void FillPlane(float x0, float y0, float x1, float y1, float r, float g, float b) {
  glUseProgram(0);
  glColor4f(r, g, b, 1);
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
}

std::vector<uint8_t> ReadBack(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  return px;
}

std::array<GLint, 4> Viewport() {
  std::array<GLint, 4> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

TEST(CameraRequests, EachRequestAsTheModulesRelyOnIt) {
  REQUIRE_GL();
  FrameBuffer in = FrameBuffer::make(kW, kH, 32, 0);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) in.pixel(x, y)[0] = static_cast<uint8_t>(x), in.pixel(x, y)[1] = static_cast<uint8_t>(y);
  }
  FrameBuffer out = FrameBuffer::make(kW, kH, 32, 0x11);
  talvix::RunContext ctx({}, {});
  Block b{};
  b.input = in.frame();
  b.output = out.frame();
  GLuint firstTexture = 0;

  struct Case {
    const char16_t* name;
    std::function<void()> before;  // GL work or block edits before the request
    bool answer;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {u"*_LRC", [] {}, true, [] { EXPECT_NE(glGetString(GL_VERSION), nullptr); }},
      {u"*_IRE", [] {}, true,
       [] {
         glewInit();
         EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, kW, kH}));
         GLint stencil = 0;
         glGetIntegerv(GL_STENCIL_BITS, &stencil);
         EXPECT_EQ(stencil, 8);
         // A quad over the whole plane covers every pixel; one over its left
         // half exactly the left half of the columns.
         glClearColor(0, 0, 0, 0);
         glClear(GL_COLOR_BUFFER_BIT);
         FillPlane(-160, -120, 0, 120, 1, 1, 1);
         std::vector<uint8_t> px = ReadBack(kW, kH);
         int wrong = 0;
         for (int y = 0; y < kH; ++y) {
           for (int x = 0; x < kW; ++x) wrong += px[(y * kW + x) * 4] != (x < kW / 2 ? 255 : 0);
         }
         EXPECT_EQ(wrong, 0);
       }},
      {u"*_PT0", [] {}, true,
       [&] {
         firstTexture = b.hostTexture;
         ASSERT_NE(firstTexture, 0u);
         std::vector<uint8_t> tex(static_cast<size_t>(kW) * kH * 4);
         glBindTexture(GL_TEXTURE_2D, firstTexture);
         glPixelStorei(GL_PACK_ALIGNMENT, 1);
         glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, tex.data());
         // RGBA of the B, G, R, A bytes: texel (x, y) has blue x and green y.
         EXPECT_EQ(tex[(7 * kW + 5) * 4 + 2], 5);
         EXPECT_EQ(tex[(7 * kW + 5) * 4 + 1], 7);
       }},
      {u"*_PT0", [&] { b.hostTexture = 0; }, true, [&] { EXPECT_EQ(b.hostTexture, firstTexture); }},
      {u"*_POF",
       [] {
         glClear(GL_COLOR_BUFFER_BIT);
         FillPlane(-160, -120, 160, 0, 1, 0, 0);  // the lower half of the plane
       },
       true,
       [&] {
         // Memory row 0 is GL row 0: the red half is the first half of the rows.
         EXPECT_EQ(out.pixel(3, 0)[2], 255);
         EXPECT_EQ(out.pixel(3, kH / 2 - 1)[2], 255);
         EXPECT_EQ(out.pixel(3, kH / 2)[2], 0);
         EXPECT_EQ(out.pixel(3, kH - 1)[2], 0);
       }},
      {u"!_CUP", [&] { b.first = 40, b.second = 4; }, true, [] {}},
      {u"!_BRU", [] {}, true, [] { EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 40, 4})); }},
      {u"!_ERU", [] {}, true, [] { EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, kW, kH})); }},
      {u"!_DUP", [] {}, true, [] {}},
      {u"*_FRE", [] {}, true, [] { EXPECT_NE(glGetString(GL_VERSION), nullptr) << "kept until *_URC"; }},
      {u"*_GPU", [] {}, false, [&] { EXPECT_EQ(gl_test::Text(b.message), "Unknown request"); }},
      {u"*_URC", [] {}, true, [] { EXPECT_EQ(glGetString(GL_VERSION), nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(gl_test::Text(c.name));
    c.before();
    EXPECT_EQ(Request(ctx.hostContext(), c.name, b), c.answer) << gl_test::Text(b.message);
    c.check();
  }
  std::vector<uint8_t> shortBlock(280, 0);
  EXPECT_FALSE(CameraCallback(ctx.hostContext(), 4, u"*_LRC", 280, shortBlock.data()));
  EXPECT_EQ(gl_test::Text(reinterpret_cast<const char16_t*>(shortBlock.data())), "Wrong block size for *_LRC");
}

TEST(CameraRequests, LoggedWithTheBlockAsPassedAndScriptable) {
  talvix::Inspection insp;
  talvix::RunContext ctx({}, {}, &insp);
  insp.setRequestHandler([](const std::u16string& name, void*, int) -> std::optional<talvix::RequestAnswer> {
    if (name == u"*_FRE") return talvix::RequestAnswer{false, u"scripted refusal"};
    if (name == u"*_LRC") return talvix::RequestAnswer{true, u""};
    return std::nullopt;
  });
  Block b{};
  b.first = 0x01020304;
  EXPECT_TRUE(Request(ctx.hostContext(), u"*_LRC", b));
  EXPECT_FALSE(Request(ctx.hostContext(), u"*_FRE", b));
  EXPECT_FALSE(CameraCallback(ctx.hostContext(), 9, u"GPU_nothing", sizeof b, &b));
  std::vector<talvix::CameraRequest> log = insp.requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].name, u"*_LRC");
  EXPECT_EQ(log[0].nameLength, 4);
  EXPECT_EQ(log[0].size, 288);
  ASSERT_EQ(log[0].block.size(), 288u);
  EXPECT_EQ(log[0].block[276], 0x04);
  EXPECT_TRUE(log[0].answer);
  EXPECT_EQ(log[1].message, u"scripted refusal");
  EXPECT_EQ(log[1].block[0], 0) << "the block as passed, before the host's message";
  EXPECT_EQ(gl_test::Text(b.message), "Unknown request");
  EXPECT_EQ(log[2].name, u"GPU_nothin") << "at most nameLength + 1 characters";
  EXPECT_EQ(log[2].message, u"Unknown request");
}

TEST(CameraRequests, ABracketLeftOpenEndsWithTheRunAndTheRelease) {
  REQUIRE_GL();
  std::string error;
  auto module = talvix::Module::load(VISION_BINARY_DIR "/gpu-fixtures/bracket.so", &error);
  ASSERT_TRUE(module) << error;
  talvix::Inspection insp;
  talvix::RunContext ctx(*module, 0, &insp);
  ctx.setFrame(u"frame", FrameBuffer::make(8, 6, 8));
  ctx.setFlags(u"close", {false});
  const intptr_t handle = module->create(0);
  talvix::RunResult r = ctx.run(handle);
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "the context is taken back when RunMethod returns";
  module->destroy(handle, &insp);
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);
  std::vector<std::u16string> names;
  for (const talvix::CameraRequest& q : insp.requests()) names.push_back(q.name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"*_LRC", u"*_IRE", u"*_FRE", u"*_LRC", u"*_URC"}));
}

}  // namespace
