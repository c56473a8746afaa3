// The lomber catalogue and the life of its instances, through the exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lomber_rig.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using lomber_test::Lomber;
using testing_support::TextBuffer;

struct GoldenParam {
  int type;
  std::u16string name;
  std::u16string props;
};

struct GoldenMethod {
  std::u16string id, description;
  int icon;
  std::vector<GoldenParam> inputs, outputs;
};

const std::u16string kM =
    u"Options=0: 'compare hue', 1: 'compare hue and saturation', 2: 'compare hue, saturation and brightness'";
const GoldenParam kIn{1, u"InputFrame", u""}, kRegion{3, u"Region", u""}, kPattern{1, u"Pattern frame", u""};
const GoldenParam kOverlay{12, u"Overlay", u"Default=false"}, kShow{12, u"Show results", u"Default=true"};
const GoldenParam kLt{10, u"Lightness Tolerance", u"EditType=Slider;Min=0;Max=1;Default=1"};
const GoldenParam kSt{10, u"Saturation Tolerance", u"EditType=Slider;Min=0;Max=1;Default=1"};
const std::vector<GoldenParam> kMatchOut = {{10, u"Count", u""}, {7, u"Center", u""}};
const std::vector<GoldenParam> kMeasureOut = {{9, u"RGB Output", u""},
                                              {10, u"Hue Output", u""},
                                              {10, u"Saturation Output", u""},
                                              {10, u"Lightness Output", u""}};
const std::vector<GoldenParam> kCompareOut = {{12, u"Compare Output", u""}};
const std::vector<GoldenParam> kFrameOut = {{1, u"Output Frame", u""}};

const std::vector<GoldenMethod> kGolden = {
    {u"color_match_average",
     u"Find color sample in image (RGB)",
     1002,
     {kIn, kRegion, kPattern, {10, u"Method", kM}, {10, u"Color Tolerance", u"EditType=CountBox;Min=0;DecPlaces=6"},
      {10, u"Pattern dimension (pixels)", u"EditType=CountBox;Min=0;DecPlaces=0"}, kOverlay, kShow},
     kMatchOut},
    {u"get_average_color", u"Get average color from region", 1006, {kIn, kRegion}, kMeasureOut},
    {u"compare_average_color",
     u"Compare average color in region",
     1008,
     {kIn, kRegion, {10, u"Method", kM}, {9, u"RGB Color", u""}, {10, u"Color Tolerance", u"EditType=CountBox;Min=0"}},
     kCompareOut},
    {u"color_match_dominant",
     u"Find color sample in image (HSL)",
     1002,
     {kIn, kRegion, kPattern, {10, u"Color Tolerance", u"EditType=CountBox;Min=0;DecPlaces=6"}, kLt, kSt, kOverlay,
      kShow},
     kMatchOut},
    {u"get_dominant_color", u"Get dominant color from region", 1007, {kIn, kRegion}, kMeasureOut},
    {u"compare_dominant_color",
     u"Compare with dominant color in region",
     1009,
     {kIn, kRegion, {9, u"RGB Color", u""}, {10, u"Color Tolerance", u"EditType=Slider;Min=0;Max=1;Default=0.05"}, kLt,
      kSt},
     kCompareOut},
    {u"filter_HSL",
     u"Color filter in HSL space",
     1005,
     {kIn,
      kRegion,
      {9, u"Color", u""},
      {10, u"Color Tolerance", u"EditType=Slider;Min=0;Max=360;Default=5"},
      {10, u"Min Lightness", u"EditType=Slider;Min=0;Max=1;Default=0"},
      {10, u"Max Lightness", u"EditType=Slider;Min=0;Max=1;Default=1"},
      {10, u"Min Saturation", u"EditType=Slider;Min=0;Max=1;Default=0"},
      {10, u"Max Saturation", u"EditType=Slider;Min=0;Max=1;Default=1"},
      {9, u"Foreground Color", u""},
      {9, u"Background Color", u""}},
     kFrameOut},
    {u"filter_RGB",
     u"Color filter in RGB space",
     1013,
     {kIn,
      kRegion,
      {9, u"Color", u""},
      {10, u"Method", kM},
      {10, u"Color Tolerance", u"EditType=Slider;Min=0;Max=1;Default=0.75"},
      {9, u"Foreground Color", u""},
      {9, u"Background Color", u""}},
     kFrameOut},
};

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

void ExpectParams(const std::vector<talvix::ParamInfo>& got, const std::vector<GoldenParam>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "parameter " << i);
    EXPECT_EQ(got[i].type, want[i].type);
    EXPECT_EQ(got[i].name, want[i].name);
    EXPECT_EQ(got[i].properties, want[i].props);
  }
}

TEST(LomberCatalogue, MethodsInputsAndOutputs) {
  const talvix::Catalogue& c = Lomber().catalogue();
  ASSERT_EQ(c.methods.size(), kGolden.size());
  for (size_t m = 0; m < kGolden.size(); ++m) {
    SCOPED_TRACE(talvix::ToUtf8(kGolden[m].id));
    const talvix::MethodInfo& got = c.methods[m];
    EXPECT_EQ(got.id, kGolden[m].id);
    EXPECT_EQ(got.description, kGolden[m].description);
    EXPECT_EQ(IconNumber(got.icon), kGolden[m].icon);
    EXPECT_FALSE(got.gpu);
    EXPECT_FALSE(got.sortKey.has_value());
    ExpectParams(got.inputs, kGolden[m].inputs);
    ExpectParams(got.outputs, kGolden[m].outputs);
  }
}

TEST(LomberCatalogue, CategoriesByLevel) {
  const auto& fn = Lomber().exports();
  struct Case {
    int method, path, level;
    bool ok;
    std::u16string name;
    int id, icon;
  };
  const Case cases[] = {
      {0, 0, 0, true, u"Color detection", 9, 1001}, {5, 0, 0, true, u"Color detection", 9, 1001},
      {6, 0, 0, true, u"Filters", 5, 1011},         {7, 0, 0, true, u"Filters", 5, 1011},
      {8, 0, 0, true, u"Color detection", 9, 1001},  // any index, past the last too
      {-1, 0, 0, true, u"Color detection", 9, 1001}, {6, 0, 1, true, u"Color filters", 35, 1012},
      {7, 0, 1, true, u"Color filters", 35, 1012},   {3, 0, 1, false, u"", 0, 0},
      {6, 1, 0, false, u"", 0, 0},                   {6, 0, 2, false, u"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << " " << c.path << " " << c.level);
    TextBuffer name(63);
    int id = -7;
    HostIcon icon = nullptr;
    ASSERT_EQ(fn.EnumerateMethodsCategories(c.method, c.path, c.level, 63, name.data(), &id, &icon), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(name.text(), c.name);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(IconNumber(icon), c.icon);
  }
}

TEST(LomberCatalogue, EnumeratorsRefusePastTheEnd) {
  const auto& fn = Lomber().exports();
  TextBuffer id(63), desc(255), prop(255), name(63);
  HostIcon icon = nullptr;
  bool gpu = true;
  EXPECT_FALSE(fn.EnumerateMethods(8, 63, id.data(), 255, desc.data(), &icon, &gpu));
  EXPECT_FALSE(gpu);
  int type = 0;
  prop.data()[0] = u'x';
  EXPECT_FALSE(fn.EnumerateMethodInputs(1, 2, &type, 255, prop.data(), 63, name.data()));
  EXPECT_EQ(prop.data()[0], u'\0') << "the property buffer is cleared first";
  EXPECT_FALSE(fn.EnumerateMethodInputs(8, 0, &type, 255, prop.data(), 63, name.data()));
  EXPECT_FALSE(fn.EnumerateMethodOutputs(6, 1, &type, 63, name.data()));
  EXPECT_FALSE(fn.EnumerateMethodOutputs(8, 0, &type, 63, name.data()));
}

TEST(LomberLifecycle, InitFetchesIconsInItsOrderAndDoneReleasesThem) {
  talvix::Module& shared = Lomber();
  std::string error;
  auto module = talvix::Module::open("lomber", &error);
  ASSERT_NE(module, nullptr) << error;
  shared.exports().Done();
  talvix::ClearIconLog();
  ASSERT_TRUE(module->exports().Init());
  const std::vector<int> order = {1002, 1002, 1006, 1007, 1008, 1009, 1005, 1013, 1011, 1001, 1012};
  const std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  ASSERT_EQ(fetched.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(fetched[i].number, order[i]) << i;
  talvix::ClearIconLog();
  module->exports().Done();
  const std::vector<talvix::IconEvent> released = talvix::IconLog();
  ASSERT_EQ(released.size(), fetched.size());
  for (size_t i = 0; i < released.size(); ++i) EXPECT_EQ(released[i].token, fetched[i].token) << i;
  module.reset();
  ASSERT_TRUE(shared.exports().Init());
}

TEST(LomberLifecycle, InstancesAndTheNullHandle) {
  const auto& fn = Lomber().exports();
  EXPECT_EQ(fn.InitMethod(8), 0);
  EXPECT_EQ(fn.InitMethod(-1), 0);
  talvix::RunContext ctx(Lomber(), 6);
  const talvix::RunResult r = ctx.run(0);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Error: Step not initialized");
  for (int m = 0; m < 8; ++m) {
    const intptr_t h = fn.InitMethod(m);
    EXPECT_NE(h, 0) << m;
    fn.DoneMethod(h);
  }
  fn.DoneMethod(0);
}

}  // namespace
