// The jorvel catalogue and instance life as the host sees them through the
// exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jorvel_run.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using jorvel_test::Jorvel;
using testing_support::TextBuffer;

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

struct MethodRow {
  const char16_t* id;
  int icon;
  int category;  // level-1 category id
  std::vector<std::u16string> inputs;  // "name|properties" after "Input frame"
};

const std::vector<MethodRow> kRows = {
    {u"blur", 1003, 33, {u"Kernel radius|Max=10;Default=1", u"Pass-through rating|EditType=Slider;Min=0;Max=1;Default=0.5"}},
    {u"gaussian", 1004, 33, {u"Kernel radius|Max=10;Default=1"}},
    {u"laplacian_high_boost_1", 1005, 33, {u"High-boost coefficient|Default=0"}},
    {u"laplacian_high_boost_2", 1006, 33, {u"High-boost coefficient|Default=0"}},
    {u"laplacian_high_boost_3", 1007, 33, {u"High-boost coefficient|Default=0"}},
    {u"mean", 1002, 34, {u"Kernel radius|Max=10;Default=1"}},
    {u"median", 1008, 34, {u"Neighbourhood radius|Default=1;Max=10"}},
    {u"minimum", 1014, 34, {u"Neighbourhood radius|Default=1;Max=10", u"Intensity|Min=0;Max=1;Default=1"}},
    {u"maximum", 1015, 34, {u"Neighbourhood radius|Default=1;Max=10", u"Intensity|Min=0;Max=1;Default=1"}},
    {u"extreme", 1016, 34, {u"Neighbourhood radius|Default=1;Max=10", u"Intensity|Min=0;Max=1;Default=1"}},
    {u"skeletonization", 1013, 34,
     {u"Maximum number of iterations|Default=20;Max=50", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"edge", 1017, 34, {u"Standard deviation|", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"dilation", 1009, 34, {u"Times to repeat|Default=1;Max=10", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"erosion", 1010, 34, {u"Times to repeat|Default=1;Max=10", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"opening", 1011, 34, {u"Times to repeat|Default=1;Min=1;Max=20", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"closing", 1012, 34, {u"Times to repeat|Default=1;Min=1;Max=20", u"Threshold|EditType=Threshold;Default=0.5"}},
    {u"kernel_3x3", 1018, 33, {u"Kernel source|Matrix=3,3"}},
    {u"kernel_5x5", 1019, 33, {u"Kernel source|Matrix=5,5"}},
    {u"kernel", 1020, 33, {u"Kernel width|", u"Kernel height|", u"Kernel source|"}},
    {u"flat_field", 1023, 35, {u"White calibration frame|"}},
};

TEST(JorvelCatalogue, MethodsInputsOutputsAndIcons) {
  const talvix::Catalogue& cat = Jorvel().catalogue();
  ASSERT_EQ(cat.methods.size(), kRows.size());
  for (size_t i = 0; i < kRows.size(); ++i) {
    const talvix::MethodInfo& m = cat.methods[i];
    SCOPED_TRACE(talvix::ToUtf8(kRows[i].id));
    EXPECT_EQ(m.id, kRows[i].id);
    EXPECT_FALSE(m.description.empty());
    EXPECT_EQ(IconNumber(m.icon), kRows[i].icon);
    EXPECT_FALSE(m.gpu);
    ASSERT_EQ(m.inputs.size(), kRows[i].inputs.size() + 1);
    EXPECT_EQ(m.inputs[0].name, u"Input frame");
    EXPECT_EQ(m.inputs[0].type, ptFrame);
    for (size_t p = 0; p < kRows[i].inputs.size(); ++p) {
      const talvix::ParamInfo& in = m.inputs[p + 1];
      EXPECT_EQ(in.name + u"|" + in.properties, kRows[i].inputs[p]);
      EXPECT_EQ(in.type, m.id == u"flat_field" ? ptFrame : ptNumber);
    }
    ASSERT_EQ(m.outputs.size(), 1u);
    EXPECT_EQ(m.outputs[0].name, u"Output frame");
    EXPECT_EQ(m.outputs[0].type, ptFrame);
  }
  EXPECT_EQ(cat.methods[0].description, u"Convolve image with specified pass-through ratio");
  EXPECT_EQ(cat.methods[9].description,
            u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)");
}

TEST(JorvelCatalogue, CategoriesByLevel) {
  const auto& fn = Jorvel().exports();
  struct Case {
    int method, path, level;
    bool ok;
    int id;
    const char16_t* name;
    int icon;
  };
  const Case cases[] = {
      {0, 0, 0, true, 5, u"Filters", 1001},
      {25, 0, 0, true, 5, u"Filters", 1001},  // no range test at level 0
      {-1, 0, 0, true, 5, u"Filters", 1001},
      {0, 0, 1, true, 33, u"Convolution filters", 1021},
      {5, 0, 1, true, 34, u"Morphologic filters", 1022},
      {19, 0, 1, true, 35, u"Color filters", 1001},
      {25, 0, 1, false, 0, u"", 0},
      {20, 0, 1, false, 0, u"", 0},
      {0, 1, 0, false, 0, u"", 0},
      {0, 0, 2, false, 0, u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << "/" << c.path << "/" << c.level);
    TextBuffer name(63);
    int id = -7;
    HostIcon icon = nullptr;
    ASSERT_EQ(fn.EnumerateMethodsCategories(c.method, c.path, c.level, 63, name.data(), &id, &icon), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(name.text(), c.name);
    EXPECT_EQ(IconNumber(icon), c.icon) << "the icon is written for every category";
  }
}

TEST(JorvelCatalogue, OutOfRangeEnumerationAndInstances) {
  const auto& fn = Jorvel().exports();
  TextBuffer id(63), desc(255), prop(255), name(63);
  HostIcon icon = nullptr;
  bool gpu = true;
  EXPECT_FALSE(fn.EnumerateMethods(20, 63, id.data(), 255, desc.data(), &icon, &gpu));
  EXPECT_FALSE(gpu) << "the flag is written also for an unknown index";
  int type = 0;
  prop.data()[0] = u'x';
  EXPECT_FALSE(fn.EnumerateMethodInputs(0, 3, &type, 255, prop.data(), 63, name.data()));
  EXPECT_EQ(prop.data()[0], 0) << "the property buffer is cleared first";
  EXPECT_FALSE(fn.EnumerateMethodInputs(20, 0, &type, 255, prop.data(), 63, name.data()));
  EXPECT_FALSE(fn.EnumerateMethodOutputs(0, 1, &type, 63, name.data()));
  EXPECT_FALSE(fn.EnumerateMethodOutputs(20, 0, &type, 63, name.data()));

  EXPECT_EQ(fn.InitMethod(20), -1);
  EXPECT_EQ(fn.InitMethod(-1), -1);
  talvix::RunContext ctx(Jorvel(), 0);
  for (intptr_t handle : {intptr_t{-1}, intptr_t{0}}) {
    const talvix::RunResult r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.empty()) << "no object, no text";
  }
  fn.DoneMethod(-1);
  fn.DoneMethod(0);
}

TEST(JorvelCatalogue, FrameFailuresHaveTheirTexts) {
  for (const char* id : {"blur", "gaussian", "edge", "kernel_3x3", "laplacian_high_boost_2", "mean"}) {
    SCOPED_TRACE(id);
    {
      jorvel_test::Filter f(id);
      const talvix::RunResult r = f.run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"error: Cannot get input frame");
    }
    {
      jorvel_test::Filter f(id);
      f.input(jorvel_test::Pattern(5, 4, 8, 1));
      f.numbersIfAny(u"Kernel source", std::vector<double>(9, 1.0));
      f.ctx.setUnnamed(u"Output frame");
      const talvix::RunResult r = f.run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"error: Cannot get output frame");
    }
  }
}

}  // namespace
