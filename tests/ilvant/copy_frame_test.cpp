// copy_frame through RunMethod and the stand-in host.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "talvix/host.hpp"
#include "test_frames.h"

namespace {

constexpr int kCopyFrame = 4;

class CopyFrame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    module_ = talvix::Module::load("ilvant", &error).release();
    ASSERT_NE(module_, nullptr) << error;
    ASSERT_EQ(module_->findMethod("copy_frame"), kCopyFrame);
  }
  static void TearDownTestSuite() {
    delete module_;
    module_ = nullptr;
  }
  static talvix::Module* module_;
};

talvix::Module* CopyFrame::module_ = nullptr;

TEST_F(CopyFrame, CopiesHeaderAndPixelsBitExact) {
  for (int bpp : {8, 24, 32}) {
    for (int w : {1, 3, 5, 7, 33}) {
      for (int d : {1, 2, 5}) {
        SCOPED_TRACE(testing::Message() << bpp << " bpp, " << w << " x " << d);
        const talvix::FrameBuffer in = test_frames::Pattern(w, d, bpp, static_cast<uint32_t>(bpp * 1000 + w * 10 + d), true);
        talvix::RunContext ctx(*module_, kCopyFrame);
        ctx.fillNewFrames(0xCD);  // an uncopied byte would show
        ctx.setFrame(u"Input frame", in);
        const talvix::RunResult r = ctx.run(module_->create(kCopyFrame));
        ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
        const talvix::FrameBuffer* out = ctx.frame(u"Output frame");
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->width(), w);
        EXPECT_EQ(out->depth(), d);
        EXPECT_EQ(out->bpp(), bpp);
        EXPECT_EQ(out->bytes(), in.bytes());
        EXPECT_TRUE(ctx.warnings().empty());
      }
    }
  }
}

// A frame header of the given geometry with no pixels behind it.
talvix::FrameBuffer EmptyFrame(int bpp) {
  talvix::FrameBuffer f;
  f.bytes().assign(sizeof(BitmapInfoHeader), 0);
  BitmapInfoHeader h{};
  h.biSize = 40;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bpp);
  std::memcpy(f.bytes().data(), &h, sizeof h);
  return f;
}

TEST_F(CopyFrame, MissingFramesGiveTheirTexts) {
  const std::u16string noInput = u"error: Cannot get input frame Input frame";
  const std::u16string noOutput = u"error: Cannot get output frame";
  struct Case {
    const char* what;
    void (*prepare)(talvix::RunContext&);
    std::u16string error;
  };
  const Case cases[] = {
      {"input not set", [](talvix::RunContext&) {}, noInput},
      {"input unnamed",
       [](talvix::RunContext& c) {
         c.setFrame(u"Input frame", talvix::FrameBuffer::make(2, 2, 8));
         c.setUnnamed(u"Input frame");
       },
       noInput},
      {"output unnamed",
       [](talvix::RunContext& c) {
         c.setFrame(u"Input frame", talvix::FrameBuffer::make(2, 2, 8));
         c.setUnnamed(u"Output frame");
       },
       noOutput},
      {"0 x 0 input", [](talvix::RunContext& c) { c.setFrame(u"Input frame", EmptyFrame(8)); }, noOutput},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::RunContext ctx(*module_, kCopyFrame);
    c.prepare(ctx);
    const talvix::RunResult r = ctx.run(module_->create(kCopyFrame));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(ctx.outputFrameNames().empty());
  }
}

// The error text is cut to errLen + 1 characters; when it fills the buffer
// exactly there is no terminator, and nothing is written behind it.
TEST_F(CopyFrame, ErrorTextStaysWithinErrLenPlusOne) {
  const std::u16string text = u"error: Cannot get input frame Input frame";
  const int full = static_cast<int>(text.size());
  for (int errLen : {0, 9, full - 2, full - 1, full, 255}) {
    SCOPED_TRACE(testing::Message() << "errLen " << errLen);
    talvix::RunContext ctx(*module_, kCopyFrame);
    const talvix::RunResult r = ctx.run(module_->create(kCopyFrame), errLen);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, text.substr(0, static_cast<size_t>(errLen) + 1));
    const std::vector<char16_t>& buf = ctx.errorBuffer();
    ASSERT_EQ(buf.size(), static_cast<size_t>(errLen) + 2);
    for (int i = 0; i <= errLen; ++i) {
      const char16_t want = i < full ? text[i] : u'\0';
      ASSERT_EQ(buf[i], want) << "character " << i;
    }
  }
}

}  // namespace
