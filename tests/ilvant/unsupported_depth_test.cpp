// Methods whose computation has no 24-bit form refuse 24-bit frames instead of
// answering true with an untouched output; where the result is a plain copy
// they still succeed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ilvant_run.h"

namespace {

using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using Step = std::function<void(talvix::RunContext&)>;

constexpr std::u16string_view kNo24Bit = u"error: Frame format not supported (24 bit/pix)";

Step Frame(const char16_t* name, int bpp) {
  return [=](talvix::RunContext& c) { c.setFrame(name, Pattern(9, 5, bpp, 3)); };
}
Step Number(const char16_t* name, double v) {
  return [=](talvix::RunContext& c) { c.setNumbers(name, {v}); };
}
Step Point(const char16_t* name, TPoint p) {
  return [=](talvix::RunContext& c) { c.setPoints(name, {p}); };
}

struct Case {
  const char* id;
  std::vector<Step> setup;
  bool ok;
};

TEST(UnsupportedDepth, TwentyFourBitFramesAreRefusedWhereNothingWouldBeComputed) {
  const Case cases[] = {
      {"rotate", {Frame(u"Input frame", 24), Number(u"Angle", 30)}, false},
      {"rotate", {Frame(u"Input frame", 24), Number(u"Angle", 0)}, true},
      {"translate", {Frame(u"Input frame", 24), Point(u"Offset", {1, 0})}, false},
      {"translate", {Frame(u"Input frame", 24), Point(u"Offset", {0.5, 0})}, false},
      {"translate", {Frame(u"Input frame", 24), Point(u"Offset", {0, 0})}, true},
      {"resize", {Frame(u"Input frame", 24), Number(u"New width", 4)}, false},
      {"resize", {Frame(u"Input frame", 24)}, true},
      {"oversample", {Frame(u"Input frame", 24), Number(u"X axis - coefficient of increase", 2)}, false},
      {"downsample", {Frame(u"Input frame", 24), Number(u"X axis - coefficient of decrease", 2)}, false},
      {"mult_const", {Frame(u"Input frame", 24), Number(u"Multiplier", 0.5)}, false},
      {"mult_const", {Frame(u"Input frame", 24), Number(u"Multiplier", 1)}, true},
      {"add_frame", {Frame(u"Input frame", 24), Frame(u"Added frame", 8)}, false},
      {"add_frame", {Frame(u"Input frame", 32), Frame(u"Added frame", 24)}, false},
      {"sub_frame", {Frame(u"Input frame", 24), Frame(u"Substract frame", 24)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    MethodRun run(c.id);
    for (const Step& s : c.setup) s(run.ctx);
    const auto r = run();
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.ok ? u"" : kNo24Bit);
    if (c.ok) {
      EXPECT_EQ(run.out().bytes(), run.ctx.inputFrame(u"Input frame")->bytes());
    }
  }
}

}  // namespace
