// Tests on the host's headless OpenGL context: skipped when EGL cannot start
// (failed instead when CI is set), and a helper that borrows the context the
// way a module does.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "talvix/host.hpp"

namespace gl_test {

// The 64-bit bracket block.
struct Block {
  char16_t message[128];
  Frame* input;
  Frame* output;
  uint32_t hostTexture;
  int32_t first, second;
  uint32_t hostWord;
};
static_assert(sizeof(Block) == 288);

inline bool Request(void* ctx, const char16_t* name, Block& b) {
  return CameraCallback(ctx, 4, name, sizeof b, &b);
}

inline std::string Text(const char16_t* s) { return talvix::ToUtf8(std::u16string(s)); }

// The context lent for one frame ("*_LRC", "*_IRE"), taken back at the end.
class Lent {
 public:
  explicit Lent(Frame* input, Frame* output = nullptr) : ctx_({}, {}) {
    std::memset(&block_, 0, sizeof block_);
    block_.input = input;
    block_.output = output;
    ok_ = Request(ctx_.hostContext(), u"*_LRC", block_) && Request(ctx_.hostContext(), u"*_IRE", block_);
    if (ok_) glewInit();  // under EGL it answers "no GLX display" after loading the entry points
  }
  ~Lent() { Request(ctx_.hostContext(), u"*_URC", block_); }
  bool ok() const { return ok_; }
  void* hostContext() { return ctx_.hostContext(); }
  Block& block() { return block_; }
  talvix::RunContext& run() { return ctx_; }

 private:
  talvix::RunContext ctx_;
  Block block_;
  bool ok_ = false;
};

}  // namespace gl_test

// Skips a test when the context cannot be made here, fails it under CI.
#define REQUIRE_GL()                                                            \
  do {                                                                          \
    std::string why_;                                                           \
    if (!talvix::GlAvailable(&why_)) {                                          \
      if (std::getenv("CI")) FAIL() << "OpenGL context unavailable: " << why_;  \
      GTEST_SKIP() << "OpenGL context unavailable: " << why_;                   \
    }                                                                           \
  } while (0)
