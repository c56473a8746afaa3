// The quisto catalogue as the host reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module_run.h"
#include "text_buffer.h"

namespace {

struct Golden {
  std::u16string id, description;
  int icon;
  std::vector<std::pair<int, std::u16string>> inputs, outputs;
};

const std::vector<Golden> kGolden = {
    {u"midpoint", u"Get the midpoint of the defined line", 1002, {{8, u"Input line"}, {12, u"Show results"}}, {{7, u"Center"}}},
    {u"length", u"Calculate the length of the defined line", 1005, {{8, u"Input line"}, {12, u"Show results"}}, {{10, u"Length of line"}}},
    {u"distance", u"Calculate the distance between two defined points", 1004,
     {{7, u"Input point 1"}, {7, u"Input point 2"}, {12, u"Show results"}}, {{10, u"Distance"}}},
    {u"distance_line", u"Calculate the distance between the defined point and defined line", 1006,
     {{7, u"Input point"}, {8, u"Input line"}}, {{10, u"Distance"}}},
    {u"lines_intersection", u"Get the cross point of the two defined lines", 1008,
     {{8, u"Input line 1"}, {8, u"Input line 2"}, {12, u"Show results"}}, {{7, u"Cross point"}}},
    {u"angle_lines", u"Calculate the angle between two defined lines", 1007, {{8, u"Input line 1"}, {8, u"Input line 2"}},
     {{10, u"Output angle"}}},
    {u"aggregate_points", u"Group points", 1010, {{7, u"Input points 1"}, {7, u"Input points 2"}, {12, u"Show results"}},
     {{10, u"Number of points in the output group"}, {7, u"Output group of points"}}},
    {u"add_point", u"Add point to the group", 1011,
     {{7, u"Input points"}, {10, u"Coordinate X"}, {10, u"Coordinate Y"}, {12, u"Show results"}},
     {{10, u"Number of points in the output group"}, {7, u"Output group of points"}}},
    {u"fit_line", u"Line fitting to data points (linear regresion)", 1012, {{7, u"Input points"}, {12, u"Show results"}},
     {{8, u"Output line"}}},
    {u"fit_circle", u"Circle fitting to data points (Pratt's algorithm)", 1013,
     {{7, u"Input points"}, {12, u"Show results"}}, {{6, u"Output circle"}}},
    {u"mass_center", u"Calculate the center of mass for defined points", 1009, {{7, u"Input points"}, {12, u"Show results"}},
     {{7, u"Center"}}},
};

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

TEST(QuistoCatalogue, MethodsInputsAndOutputs) {
  const talvix::Catalogue& cat = module_test::Load("quisto").catalogue();
  ASSERT_EQ(cat.methods.size(), kGolden.size());
  for (size_t i = 0; i < kGolden.size(); ++i) {
    const auto& m = cat.methods[i];
    const Golden& g = kGolden[i];
    SCOPED_TRACE(talvix::ToUtf8(g.id));
    EXPECT_EQ(m.id, g.id);
    EXPECT_EQ(m.description, g.description);
    EXPECT_EQ(IconNumber(m.icon), g.icon);
    EXPECT_FALSE(m.gpu);
    ASSERT_EQ(m.inputs.size(), g.inputs.size());
    for (size_t k = 0; k < g.inputs.size(); ++k) {
      EXPECT_EQ(m.inputs[k].type, g.inputs[k].first);
      EXPECT_EQ(m.inputs[k].name, g.inputs[k].second);
      EXPECT_TRUE(m.inputs[k].properties.empty());
    }
    ASSERT_EQ(m.outputs.size(), g.outputs.size());
    for (size_t k = 0; k < g.outputs.size(); ++k) {
      EXPECT_EQ(m.outputs[k].type, g.outputs[k].first);
      EXPECT_EQ(m.outputs[k].name, g.outputs[k].second);
    }
  }
}

TEST(QuistoCatalogue, OneCategoryForEveryIndexAtTheTopOnly) {
  const auto& fn = module_test::Load("quisto").exports();
  for (int index : {0, 5, 10, 11, 40}) {
    testing_support::TextBuffer name(63);
    int id = -1;
    HostIcon icon = nullptr;
    ASSERT_TRUE(fn.EnumerateMethodsCategories(index, 0, 0, name.hi(), name.data(), &id, &icon));
    EXPECT_EQ(name.text(), u"Basic geometric operations");
    EXPECT_EQ(id, 2);
    EXPECT_EQ(IconNumber(icon), 1001);
  }
  testing_support::TextBuffer name(63);
  int id = -1;
  HostIcon icon = nullptr;
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 0, 1, name.hi(), name.data(), &id, &icon));
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 1, 0, name.hi(), name.data(), &id, &icon));
  bool gpu = true;
  testing_support::TextBuffer idBuf(63), desc(255);
  EXPECT_FALSE(fn.EnumerateMethods(11, idBuf.hi(), idBuf.data(), desc.hi(), desc.data(), &icon, &gpu));
}

TEST(QuistoCatalogue, IconsFetchedAndGivenBackInTheirOrder) {
  const auto& fn = module_test::Load("quisto").exports();
  fn.Done();
  talvix::ClearIconLog();
  ASSERT_TRUE(fn.Init());
  const auto fetched = talvix::IconLog();
  talvix::ClearIconLog();
  fn.Done();
  const auto released = talvix::IconLog();
  ASSERT_TRUE(fn.Init());
  const std::vector<int> order = {1002, 1008, 1004, 1006, 1005, 1007, 1009, 1010, 1011, 1012, 1013, 1001};
  ASSERT_EQ(fetched.size(), order.size());
  ASSERT_EQ(released.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(fetched[i].number, order[i]);
    EXPECT_TRUE(released[i].released);
    EXPECT_EQ(released[i].token, fetched[i].token);
  }
}

}  // namespace
