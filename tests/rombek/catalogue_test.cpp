// The rombek catalogue as the host reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module_run.h"
#include "text_buffer.h"

namespace {

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

TEST(RombekCatalogue, Methods) {
  const talvix::Catalogue& cat = module_test::Load("rombek").catalogue();
  struct Golden {
    std::u16string id;
    int icon, sortKey;
    size_t inputs, outputs;
  };
  const Golden golden[] = {{u"covariance_oriented_bounding_rectangle", 1002, 5, 5, 1},
                           {u"axes_aligned_bounding_rectangle", 1003, 6, 5, 1},
                           {u"noise_monitor", 1004, 4, 3, 5},
                           {u"histogram", 1005, 1, 4, 3}};
  ASSERT_EQ(cat.methods.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(cat.methods[i].id, golden[i].id);
    EXPECT_EQ(IconNumber(cat.methods[i].icon), golden[i].icon);
    EXPECT_EQ(cat.methods[i].sortKey, golden[i].sortKey);
    EXPECT_EQ(cat.methods[i].inputs.size(), golden[i].inputs);
    EXPECT_EQ(cat.methods[i].outputs.size(), golden[i].outputs);
  }
  EXPECT_EQ(cat.methods[0].description,
            u"Finding the minimal bounding box, oriented along the maximal diffusion of the set of pixels");
  EXPECT_EQ(cat.methods[2].description, u"Signal to noise ration statistical evaluation");
  const auto& in = cat.methods[1].inputs;
  EXPECT_EQ(in[2].name, u"Threshold level");
  EXPECT_EQ(in[2].properties, u"EditType=Threshold;Max=1.0;Min=0;Default=0.5;Step=0.01;DecPlaces=2");
  EXPECT_EQ(in[3].properties, u"Default=false");
  EXPECT_EQ(in[4].properties, u"Default=true");
  EXPECT_EQ(in[1].properties, u"EditType=ScanRectRegion");
  EXPECT_TRUE(in[0].properties.empty());
  EXPECT_EQ(cat.methods[3].inputs[2].name, u"Drawing region");
  EXPECT_EQ(cat.methods[2].outputs[4].name, u"Signal to noise ratio");
  EXPECT_EQ(cat.methods[0].outputs[0].type, ptRectangle);
}

TEST(RombekCatalogue, CategoryAtTheTopOnly) {
  const auto& fn = module_test::Load("rombek").exports();
  testing_support::TextBuffer name(63);
  int id = -1;
  HostIcon icon = nullptr;
  for (int m = 0; m < 4; ++m) {
    ASSERT_TRUE(fn.EnumerateMethodsCategories(m, 0, 0, name.hi(), name.data(), &id, &icon));
    EXPECT_EQ(name.text(), u"Statistics");
    EXPECT_EQ(id, 8);
    EXPECT_EQ(IconNumber(icon), 1000);
  }
  EXPECT_FALSE(fn.EnumerateMethodsCategories(4, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 1, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 0, 1, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(module_test::Load("rombek").create(4), 0);
}

}  // namespace
