// The module's catalogue and lifecycle through its exports.
#include <gtest/gtest.h>

#include <string>

#include "module_run.h"

namespace {

talvix::Module& Mod() { return module_test::Load("hoskin"); }

TEST(Catalogue, OffersOneMethodWhileTheHiddenOneAnswersItsParameters) {
  const talvix::ModuleExports& f = Mod().exports();
  char16_t id[64], desc[128];
  HostIcon icon = nullptr;
  bool gpu = false;
  int sortKey = -1, properties = -1;
  ASSERT_TRUE(f.EnumerateMethods(0, 63, id, 127, desc, &icon, &gpu));
  EXPECT_EQ(std::u16string(id), u"gpu_barcode");
  EXPECT_EQ(std::u16string(desc), u"GPU accelerated barcode reading");
  EXPECT_TRUE(gpu);
  EXPECT_NE(icon, nullptr);

  // Index 1 is hidden from every method enumerator, which still write their
  // flag and keys first.
  gpu = false;
  EXPECT_FALSE(f.EnumerateMethods(1, 63, id, 127, desc, &icon, &gpu));
  EXPECT_TRUE(gpu);
  EXPECT_FALSE(f.EnumerateMethodsSort(1, 63, id, 127, desc, &icon, &gpu, &sortKey));
  EXPECT_EQ(sortKey, 10);
  ASSERT_TRUE(f.EnumerateMethodsSort(0, 63, id, 127, desc, &icon, &gpu, &sortKey));
  EXPECT_EQ(sortKey, 10);
  ASSERT_TRUE(f.EnumerateMethodsSortWithProperties(0, 63, id, 127, desc, &icon, &gpu, &sortKey, &properties));
  EXPECT_EQ(sortKey, 0);
  EXPECT_EQ(properties, 0);
  EXPECT_FALSE(f.EnumerateMethodsSortWithProperties(1, 63, id, 127, desc, &icon, &gpu, &sortKey, &properties));
  EXPECT_EQ(sortKey, 1);

  struct Param {
    int method, index, type;
    std::u16string name, properties;
  };
  const Param inputs[] = {
      {0, 1, ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"},
      {0, 3, ptNumber, u"brightness differentiation sensitivity", u"Min=0.0;Max=0.5;Step=0.0001;Default=0.005"},
      {0, 5, ptFlag, u"draw outputs into the picture", u"Default=true"},
      {1, 2, ptNumber, u"features threshold", u"Min=0;Max=200;Default=0.5"},
      {1, 4, ptFlag, u"draw outputs into the picture", u"Default=true"},
  };
  for (const Param& p : inputs) {
    int type = 0;
    char16_t props[256], name[64];
    ASSERT_TRUE(f.EnumerateMethodInputs(p.method, p.index, &type, 255, props, 63, name)) << p.method << p.index;
    EXPECT_EQ(type, p.type);
    EXPECT_EQ(std::u16string(name), p.name);
    EXPECT_EQ(std::u16string(props), p.properties);
  }
  int type = 0;
  char16_t props[256], name[64];
  EXPECT_FALSE(f.EnumerateMethodInputs(0, 6, &type, 255, props, 63, name));
  EXPECT_FALSE(f.EnumerateMethodInputs(1, 5, &type, 255, props, 63, name));
  EXPECT_FALSE(f.EnumerateMethodInputs(2, 0, &type, 255, props, 63, name));
  for (int method : {0, 1}) {
    ASSERT_TRUE(f.EnumerateMethodOutputs(method, 2, &type, 63, name));
    EXPECT_EQ(std::u16string(name), u"Barcode type");
    EXPECT_FALSE(f.EnumerateMethodOutputs(method, 3, &type, 63, name));
    int categoryId = 0;
    ASSERT_TRUE(f.EnumerateMethodsCategories(method, 0, 0, 63, name, &categoryId, &icon));
    EXPECT_EQ(std::u16string(name), u"Barcodes");
    EXPECT_EQ(categoryId, 15);
    EXPECT_FALSE(f.EnumerateMethodsCategories(method, 1, 0, 63, name, &categoryId, &icon));
  }
}

TEST(Catalogue, InitFetchesFourIconsInOrderAndDoneGivesThemBack) {
  std::string error;
  auto module = talvix::Module::open("hoskin", &error);
  ASSERT_NE(module, nullptr) << error;
  const talvix::ModuleExports& fn = module->exports();
  Mod().exports().Done();  // the library is shared with the other tests
  talvix::ClearIconLog();
  ASSERT_TRUE(fn.Init());
  const std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  talvix::ClearIconLog();
  fn.Done();
  const std::vector<talvix::IconEvent> released = talvix::IconLog();
  Mod().exports().Init();
  const std::vector<int> order = {1001, 1002, 1003, 1000};
  ASSERT_EQ(fetched.size(), order.size());
  ASSERT_EQ(released.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(fetched[i].number, order[i]) << i;
    EXPECT_EQ(released[i].token, fetched[i].token) << i;
  }
}

TEST(Lifecycle, MethodObjectsForIndexesZeroAndOneOnly) {
  const talvix::ModuleExports& f = Mod().exports();
  EXPECT_EQ(f.InitMethod(2), 0);
  EXPECT_EQ(f.InitMethod(-1), 0);
  for (int index : {0, 1}) {
    const intptr_t h = f.InitMethod(index);
    ASSERT_NE(h, 0);
    f.DoneMethod2(h, nullptr);  // never set up: no release bracket, nothing to free on the GPU
  }
}

}  // namespace
