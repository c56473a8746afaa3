// The kelmar catalogue and the life of its method objects, through the exports.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "kelmar_rig.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using kelmar_test::Kelmar;
using testing_support::TextBuffer;

struct Param {
  int type;
  std::u16string name;
  std::u16string props;
};

struct Golden {
  std::u16string id, description;
  int icon;
  std::u16string category;
  int categoryId, categoryIcon;
  std::vector<Param> inputs, outputs;
};

const std::u16string kSelection =
    u"Default=0;Options=0: 'All characters', 1: 'Only digits', 2: 'Only capitalized English letters', 3: 'Only "
    u"capitalized English letters and digits', 4: 'Only non-capitalized English letters', 5: 'Only "
    u"non-capitalized English letters and digits', 6: 'Only English letters', 7: 'Only English letters and digits'";

const std::vector<Golden>& Table() {
  const Param in{1, u"Input frame", u""}, region{3, u"Region", u"EditType=ScanRectRegion"};
  const std::vector<Param> patternIn = {in,
                                        region,
                                        {1, u"Pattern frame", u""},
                                        {10, u"Allowed rotation", u"Min=0;Max=180;Default=0"},
                                        {10, u"Speed versus quality", u"Min=0;Max=1;Default=0.5"},
                                        {10, u"Minimal matching score", u"Min=0.5;Max=1;Default=0.7"},
                                        {10, u"Maximum number of pattern occurancies", u"Min=1;Max=50;Default=1"},
                                        {7, u"Offset of coordinate system origin", u""},
                                        {12, u"Show results", u"Default=true"}};
  const std::vector<Param> patternOut = {{10, u"Number of found patterns", u""},
                                         {2, u"Output coordinate system", u""},
                                         {5, u"Output rectangle", u""},
                                         {10, u"Matching confidence", u""}};
  const std::vector<Param> ocrIn = {in,
                                    region,
                                    {1, u"Pattern frame", u""},
                                    {11, u"Table of characters", u""},
                                    {10, u"Acceptance level", u"Min=0;Max=1;Default=0.6"},
                                    {11, u"Substitution character", u"Default='?'"},
                                    {10, u"Minimal size of charater", u"Default=10"},
                                    {10, u"Vertical spacing", u"Default=0"},
                                    {10, u"Horizontal spacing", u"Default=0"},
                                    {10, u"Speed versus quality", u"Min=0;Max=1;Default=0.5"},
                                    {10, u"Threshold", u"EditType=Threshold"},
                                    {10, u"Pattern threshold", u""},
                                    {12, u"Negative", u"Default=false"},
                                    {10, u"Scale", u"Min=0;Max=50;Default=0"},
                                    {12, u"Show results", u"Default=true"}};
  const std::vector<Param> stringOut = {{11, u"Output string", u""}};
  static const std::vector<Golden> t = {
      {u"pattern_match_monochrome", u"Find pattern in input image", 1003, u"Pattern matching", 11, 1001, patternIn,
       patternOut},
      {u"pattern_match_color", u"Find pattern in input image", 1004, u"Pattern matching", 11, 1001, patternIn,
       patternOut},
      {u"latin_optical_character_recognition",
       u"Optical latin character recognition",
       1005,
       u"OCR",
       13,
       1002,
       {in,
        region,
        {10, u"Threshold", u"EditType=Threshold"},
        {10, u"Selection of characters", kSelection},
        {12, u"Negative", u"Default=false"},
        {12, u"Show results", u"Default=true"}},
       {{11, u"Output string", u""}, {1, u"Output frame", u""}}},
      {u"optical_character_recognition", u"Optical character recognition according to pattern", 1006, u"OCR", 13,
       1002, ocrIn, stringOut},
      {u"simple_optical_character_recognition", u"Single line OCR", 1007, u"OCR", 13, 1002, ocrIn, stringOut},
      {u"text_angle",
       u"Angle of text direction",
       1008,
       u"OCR",
       13,
       1002,
       {in, region, {10, u"Threshold", u"EditType=Threshold"}, {12, u"Negative", u"Default=false"}},
       {{10, u"Text direction angle", u""}}},
      {u"licence_plate",
       u"Licence plate locating & reading",
       1009,
       u"Reading licence plates",
       14,
       1010,
       {in, region, {12, u"Show results", u"Default=true"}},
       {{3, u"Region of plate", u""}, {11, u"Output string", u""}, {1, u"Licence plate", u""}}},
  };
  return t;
}

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

TEST(KelmarCatalogue, EveryEntryMatchesTheTable) {
  const talvix::Catalogue& cat = Kelmar().catalogue();
  ASSERT_EQ(cat.methods.size(), Table().size());
  ASSERT_EQ(cat.categories.size(), Table().size()) << "one place per method, at path 0 and level 0 only";
  for (size_t m = 0; m < Table().size(); ++m) {
    SCOPED_TRACE(talvix::ToUtf8(Table()[m].id));
    const Golden& g = Table()[m];
    const talvix::MethodInfo& info = cat.methods[m];
    EXPECT_EQ(info.id, g.id);
    EXPECT_EQ(info.description, g.description);
    EXPECT_EQ(IconNumber(info.icon), g.icon);
    EXPECT_FALSE(info.gpu);
    EXPECT_FALSE(info.sortKey.has_value()) << "no sort enumerators";
    ASSERT_EQ(info.inputs.size(), g.inputs.size());
    for (size_t i = 0; i < g.inputs.size(); ++i) {
      EXPECT_EQ(info.inputs[i].type, g.inputs[i].type) << i;
      EXPECT_EQ(info.inputs[i].name, g.inputs[i].name) << i;
      EXPECT_EQ(info.inputs[i].properties, g.inputs[i].props) << i;
    }
    ASSERT_EQ(info.outputs.size(), g.outputs.size());
    for (size_t i = 0; i < g.outputs.size(); ++i) {
      EXPECT_EQ(info.outputs[i].type, g.outputs[i].type) << i;
      EXPECT_EQ(info.outputs[i].name, g.outputs[i].name) << i;
    }
    const talvix::CategoryPlace& place = cat.categories[m];
    EXPECT_EQ(place.method, static_cast<int>(m));
    EXPECT_EQ(place.path, 0);
    EXPECT_EQ(place.level, 0);
    EXPECT_EQ(place.name, g.category);
    EXPECT_EQ(place.categoryId, g.categoryId);
    EXPECT_EQ(IconNumber(place.icon), g.categoryIcon);
  }
  EXPECT_EQ(kSelection.size(), 306u);
}

TEST(KelmarCatalogue, EnumeratorsAnswerFalsePastTheEnd) {
  const talvix::ModuleExports& fn = Kelmar().exports();
  EXPECT_EQ(fn.EnumerateMethodsSort, nullptr);
  EXPECT_EQ(fn.EnumerateMethodsSortWithProperties, nullptr);
  EXPECT_EQ(fn.DoneMethod2, nullptr);
  for (int index : {7, -1, 1000}) {
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = true;
    EXPECT_FALSE(fn.EnumerateMethods(index, 63, id.data(), 255, desc.data(), &icon, &gpu)) << index;
    EXPECT_FALSE(gpu) << "the flag is cleared before the index is tested";
  }
  const struct {
    int method, path, level;
  } noPlace[] = {{0, 1, 0}, {0, 0, 1}, {7, 0, 0}, {-1, 0, 0}};
  for (const auto& p : noPlace) {
    TextBuffer name(63);
    int categoryId = -5;
    HostIcon icon = nullptr;
    EXPECT_FALSE(fn.EnumerateMethodsCategories(p.method, p.path, p.level, 63, name.data(), &categoryId, &icon));
    EXPECT_TRUE(name.untouched());
    EXPECT_EQ(categoryId, -5);
  }
  // Past each method's last input and output.
  const int inputs[] = {9, 9, 6, 15, 15, 4, 3}, outputs[] = {4, 4, 2, 1, 1, 1, 3};
  for (int m = 0; m <= 7; ++m) {
    TextBuffer prop(63), name(63);
    int type = -1;
    const int past = m < 7 ? inputs[m] : 0;
    EXPECT_FALSE(fn.EnumerateMethodInputs(m, past, &type, 63, prop.data(), 63, name.data())) << m;
    EXPECT_EQ(prop[0], 0) << "an empty property string also on false";
    TextBuffer outName(63);
    EXPECT_FALSE(fn.EnumerateMethodOutputs(m, m < 7 ? outputs[m] : 0, &type, 63, outName.data())) << m;
    EXPECT_TRUE(outName.untouched());
  }
  // A short property buffer receives the text cut at propLen + 1 characters.
  TextBuffer shortProp(99), name(63);
  int type = 0;
  ASSERT_TRUE(fn.EnumerateMethodInputs(2, 3, &type, 99, shortProp.data(), 63, name.data()));
  EXPECT_EQ(shortProp.text(), kSelection.substr(0, 100));
  EXPECT_TRUE(shortProp.guardIntact());
}

TEST(KelmarLifecycle, InitFetchesAndDoneReleasesTheIconsInOrder) {
  std::string error;
  auto module = talvix::Module::open("kelmar", &error);
  ASSERT_NE(module, nullptr) << error;
  const talvix::ModuleExports& fn = module->exports();
  Kelmar().exports().Done();  // the library is shared with the other tests
  talvix::ClearIconLog();
  ASSERT_TRUE(fn.Init());
  const std::vector<int> order = {1003, 1004, 1005, 1006, 1007, 1008, 1009, 1001, 1010, 1002};
  const std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  ASSERT_EQ(fetched.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(fetched[i].number, order[i]) << i;
    EXPECT_FALSE(fetched[i].released);
  }
  talvix::ClearIconLog();
  fn.Done();
  const std::vector<talvix::IconEvent> released = talvix::IconLog();
  ASSERT_EQ(released.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_TRUE(released[i].released);
    EXPECT_EQ(released[i].token, fetched[i].token) << i;
  }
  Kelmar().exports().Init();
}

TEST(KelmarLifecycle, InstancesAndInvalidHandles) {
  const talvix::ModuleExports& fn = Kelmar().exports();
  EXPECT_EQ(fn.InitMethod(7), -1);
  EXPECT_EQ(fn.InitMethod(-1), -1);
  talvix::RunContext ctx(Kelmar(), 0);
  const talvix::RunResult none = ctx.run(-1);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(none.error.empty()) << "no text for a missing instance";
  EXPECT_FALSE(ctx.run(0).ok);
  fn.DoneMethod(-1);
  fn.DoneMethod(0);
  std::set<intptr_t> handles;
  for (int m = 0; m < 7; ++m) {
    const intptr_t h = fn.InitMethod(m);
    EXPECT_NE(h, 0);
    EXPECT_NE(h, -1);
    handles.insert(h);
  }
  EXPECT_EQ(handles.size(), 7u) << "one object per instance";
  for (intptr_t h : handles) fn.DoneMethod(h);
}

// Methods still to be built answer false with the common text.
TEST(KelmarLifecycle, PlateMethodRunsThroughTheInterface) {
  kelmar_test::Instance inst(6);
  const talvix::RunResult r = inst.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame");
}

}  // namespace
