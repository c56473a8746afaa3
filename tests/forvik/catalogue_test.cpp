// The forvik catalogue, exports and object lifecycle as the host sees them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "forvik_run.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using forvik_test::Forvik;
using testing_support::TextBuffer;

struct P {
  int type;
  std::u16string name;
  std::u16string props;
};
struct M {
  std::u16string id, description;
  int icon;
  std::vector<P> inputs, outputs;
};

const std::u16string kRect = u"EditType=ScanRectRegion";
const std::u16string kU02 = u"Min=0;Max=1;Default=0.2;Step=0.01";
const std::u16string kU05 = u"Min=0;Max=1;Default=0.5;Step=0.01";
const P kIn{1, u"Input frame", u""};
const P kShow{12, u"Show results", u""};
const std::vector<P> kCaliperIn = {kIn,
                                   {3, u"Examination region", kRect},
                                   {10, u"Horizontal scanline number", u"EditType=ScanLinesCount"},
                                   {10, u"Threshold level", u"EditType=Threshold"},
                                   kShow};
const std::vector<P> kCaliperOut = {{10, u"Caliper maximum length", u""},
                                    {10, u"Caliper minimum length", u""},
                                    {8, u"Result maximum caliper", u""},
                                    {8, u"Result minimum caliper", u""}};
const std::vector<P> kLinesOut = {{10, u"Number of results", u""}, {8, u"Result lines", u""}};

const std::vector<M> kGolden = {
    {u"geometric_matching",
     u"Geometric matched pattern in target image",
     1006,
     {kIn,
      {1, u"Pattern frame", u""},
      {3, u"Region of examination", kRect},
      {10, u"Horizontal template scanline number", u"Min=0;Default=10;Step=1"},
      {10, u"Vertical template scanline number", u"Min=0;Default=10;Step=1"},
      {10, u"Horizontal camera scanline number", u"EditType=ScanLinesHCount;Min=0;Default=10"},
      {10, u"Vertical camera scanline number", u"EditType=ScanLinesVCount;Min=0;Default=10"},
      {10, u"Gradient threshold", kU02},
      {10, u"Image quality", kU05},
      {10, u"Upper scaling limit [0-]", u"Min=0;Default=2.0;Step=0.01"},
      {10, u"Lower scaling limit [0-]", u"Min=0;Default=0.5;Step=0.01"},
      {10, u"Matching precision", kU05},
      {10, u"Matching Limit", kU05},
      {7, u"Relative bias of coordinate system", u""},
      kShow,
      {10, u"Maximum number of pattern occurancies", u"Min=1;Max=50;Default=1"}},
     {{10, u"Result number", u""}, {2, u"Result coordinate systems", u""}, {5, u"Result rectangles", u""}}},
    {u"line_detection_by_contour",
     u"Line detection by object contour",
     1009,
     {kIn,
      {3, u"Region of examination", kRect},
      {10, u"Number Of Horizontal Scanlines", u"EditType=ScanLinesHCount"},
      {10, u"Number Of Vertical Scanlines", u"EditType=ScanLinesVCount"},
      {10, u"Gradient threshold", kU02},
      {10, u"Line quality", kU05},
      kShow},
     kLinesOut},
    {u"circle_detection_by_contour",
     u"Circle detection by object contour",
     1007,
     {kIn,
      {3, u"Examination region", kRect},
      {10, u"Scanline number", u"EditType=ScanLinesCount"},
      {10, u"Gradient threshold", kU02},
      {10, u"Circle quality", kU05},
      {12, u"Arcs [true - all arcs; false - only circles]", u""},
      kShow},
     {{10, u"Results number", u""}, {6, u"Result circles", u""}}},
    {u"ring_detection_by_contour",
     u"Circle detection by object contour",
     1008,
     {kIn,
      {3, u"Region of examination", kRect},
      {10, u"Scanline number", u"EditType=ScanLinesCount"},
      {10, u"Gradient threshold", kU02},
      {10, u"Circle quality", kU05},
      {12, u"Ring sectors [true - all sectors; false - only full rings]", u""},
      kShow},
     {{10, u"Number of results", u""}, {6, u"Result rings", u""}}},
    {u"inner_caliper", u"Caliper is measured from the verticle middle line of the region", 1010, kCaliperIn,
     kCaliperOut},
    {u"outer_caliper", u"Caliper is measured from the vertical borderlines of the region", 1011, kCaliperIn,
     kCaliperOut},
    {u"line_detection_by_threshold",
     u"Line detection by the first object pixels which are found by scanning the scanline",
     1012,
     {kIn,
      {3, u"Examination region", kRect},
      {10, u"Number of horizontal scanlines", u"EditType=ScanLinesCount;Min=3"},
      {10, u"Threshold level", u"EditType=Threshold;Default=0.5"},
      {10, u"Line quality", kU05},
      kShow},
     kLinesOut},
    {u"circle_detection_by_threshold",
     u"Circle detection by the first object pixels which are found by scanning through the scanline using grid "
     u"intersection points",
     1013,
     {kIn,
      {3, u"Region of examination", kRect},
      {10, u"Number of horizontal scanlines", u"EditType=ScanLinesHCount"},
      {10, u"Number of vertical scanlines", u"EditType=ScanLinesVCount"},
      {10, u"Threshold level", u"EditType=Threshold;Default=0.5"},
      {10, u"Circle quality", kU05},
      {12, u"Color flag", u""},
      kShow},
     {{10, u"Number of found circles", u""}, {6, u"Circles", u""}, {10, u"Circle quality", u""}}},
};

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

TEST(ForvikCatalogue, MethodsInputsAndOutputsMatchTheTableByteForByte) {
  const auto& fn = Forvik().exports();
  for (int m = 0; m < static_cast<int>(kGolden.size()); ++m) {
    SCOPED_TRACE(m);
    const M& g = kGolden[m];
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = true;
    ASSERT_TRUE(fn.EnumerateMethods(m, 63, id.data(), 255, desc.data(), &icon, &gpu));
    EXPECT_EQ(id.text(), g.id);
    EXPECT_EQ(desc.text(), g.description);
    EXPECT_FALSE(gpu);
    EXPECT_EQ(IconNumber(icon), g.icon);
    for (int i = 0; i <= static_cast<int>(g.inputs.size()); ++i) {
      TextBuffer props(255), name(63);
      int type = -7;
      const bool ok = fn.EnumerateMethodInputs(m, i, &type, 255, props.data(), 63, name.data());
      if (i == static_cast<int>(g.inputs.size())) {
        EXPECT_FALSE(ok) << "past the last input";
        EXPECT_EQ(props[0], 0) << "property buffer emptied first";
        break;
      }
      ASSERT_TRUE(ok) << i;
      EXPECT_EQ(type, g.inputs[i].type) << i;
      EXPECT_EQ(name.text(), g.inputs[i].name) << i;
      EXPECT_EQ(props.text(), g.inputs[i].props) << i;
    }
    for (int o = 0; o <= static_cast<int>(g.outputs.size()); ++o) {
      TextBuffer name(63);
      int type = -7;
      const bool ok = fn.EnumerateMethodOutputs(m, o, &type, 63, name.data());
      if (o == static_cast<int>(g.outputs.size())) {
        EXPECT_FALSE(ok);
        break;
      }
      ASSERT_TRUE(ok) << o;
      EXPECT_EQ(type, g.outputs[o].type) << o;
      EXPECT_EQ(name.text(), g.outputs[o].name) << o;
    }
  }
  TextBuffer id(63), desc(255);
  HostIcon icon = nullptr;
  bool gpu = true;
  EXPECT_FALSE(fn.EnumerateMethods(8, 63, id.data(), 255, desc.data(), &icon, &gpu));
  EXPECT_FALSE(fn.EnumerateMethods(-1, 63, id.data(), 255, desc.data(), &icon, &gpu));
  int type = 0;
  TextBuffer props(255), name(63);
  EXPECT_FALSE(fn.EnumerateMethodInputs(8, 0, &type, 255, props.data(), 63, name.data()));
}

// (index, path, level) -> name and id, or nothing.
TEST(ForvikCatalogue, CategoryMatrix) {
  struct Row {
    int level;
    const char16_t* name;
    int id;
    int icon;
  };
  const Row kGeo{0, u"Geometric matching", 20, 1002}, kMeas{0, u"Measurements", 7, 1005},
      kShape{0, u"Shape detection", 12, 1001}, kContour{1, u"Contour detection", 36, 1003},
      kThresh{1, u"Threshold detection", 37, 1004};
  const auto& fn = Forvik().exports();
  for (int index = -1; index <= 10; ++index) {
    for (int path = 0; path <= 1; ++path) {
      for (int level = 0; level <= 2; ++level) {
        const Row* want = nullptr;
        if (path == 0 && level == 0) want = index == 0 ? &kGeo : (index == 4 || index == 5) ? &kMeas : &kShape;
        if (path == 0 && level == 1 && index >= 1 && index <= 3) want = &kContour;
        if (path == 0 && level == 1 && (index == 6 || index == 7)) want = &kThresh;
        TextBuffer name(63);
        int id = -5;
        HostIcon icon = nullptr;
        const bool ok = fn.EnumerateMethodsCategories(index, path, level, 63, name.data(), &id, &icon);
        SCOPED_TRACE(testing::Message() << "index " << index << " path " << path << " level " << level);
        ASSERT_EQ(ok, want != nullptr);
        if (!want) continue;
        EXPECT_EQ(name.text(), want->name);
        EXPECT_EQ(id, want->id);
        EXPECT_EQ(IconNumber(icon), want->icon);
      }
    }
  }
}

TEST(ForvikExports, InitMethodRangeAndRunMethodWithoutInstance) {
  const auto& fn = Forvik().exports();
  for (int bad : {8, 9, -1, -100}) EXPECT_EQ(fn.InitMethod(bad), -1) << bad;
  talvix::RunContext ctx(Forvik(), 4);
  for (intptr_t handle : {intptr_t{-1}, intptr_t{0}}) {
    const talvix::RunResult r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.empty()) << "no text for handle " << handle;
  }
  fn.DoneMethod(-1);
  fn.DoneMethod(0);
}

TEST(ForvikExports, InitFetchesAndDoneReleasesIconsInOrder) {
  const std::vector<int> order = {1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1002, 1005, 1001, 1003, 1004};
  talvix::Module& shared = Forvik();
  std::string error;
  auto module = talvix::Module::open("forvik", &error);
  ASSERT_NE(module, nullptr) << error;
  shared.exports().Done();
  talvix::ClearIconLog();
  ASSERT_TRUE(module->exports().Init());
  const std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  ASSERT_EQ(fetched.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_FALSE(fetched[i].released);
    EXPECT_EQ(fetched[i].number, order[i]) << i;
  }
  talvix::ClearIconLog();
  module->exports().Done();
  const std::vector<talvix::IconEvent> released = talvix::IconLog();
  ASSERT_EQ(released.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_TRUE(released[i].released);
    EXPECT_EQ(released[i].token, fetched[i].token) << i;
  }
  ASSERT_TRUE(shared.exports().Init());
}

// Every class is made, run on frames whose size changes between runs, and
// destroyed; the sanitizer build checks the buffers.
TEST(ForvikLifecycle, EveryClassRunsOnChangingFrameSizes) {
  for (int m = 0; m < 8; ++m) {
    SCOPED_TRACE(m);
    forvik_test::MethodRun run(talvix::ToUtf8(kGolden[m].id));
    ASSERT_NE(run.handle, 0);
    ASSERT_NE(run.handle, -1);
    for (auto [w, d] : {std::pair{64, 48}, {33, 17}, {120, 90}, {5, 3}}) {
      talvix::FrameBuffer f = forvik_test::Disc(w, d, w / 2.0, d / 2.0, d / 3.0, 30, 220);
      run.ctx.setFrame(u"Input frame", f);
      if (m == 0) run.ctx.setFrame(u"Pattern frame", f);
      const talvix::RunResult r = run();
      if (!r.ok) {
        EXPECT_FALSE(r.error.empty()) << "a failed run says why";
      }
    }
  }
}

}  // namespace
