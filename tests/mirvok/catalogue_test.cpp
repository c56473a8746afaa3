// The catalogue through the exported enumerators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module_run.h"

namespace {

talvix::Module& Mod() { return module_test::Load("mirvok"); }

TEST(MirvokCatalogue, MethodsSortKeysAndOutputs) {
  const auto& cat = Mod().catalogue();
  const struct {
    const char16_t* id;
    int sortKey;
    size_t inputs;
    size_t outputs;
  } expected[] = {
      {u"gpu_HSL_filter", 0, 12, 1},       {u"gpu_denoise_filter", 1, 5, 1},
      {u"gpu_grayscale_filter", 7, 12, 1}, {u"gpu_shock_sharpness_filter", 1, 6, 1},
      {u"gpu_shock_morphologic_filter", 1, 6, 1}, {u"gpu_motion_detection", 0, 10, 2},
      {u"gpu_motion_detection_filter", 0, 11, 1},
  };
  ASSERT_EQ(cat.methods.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& m = cat.methods[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(m.id, expected[i].id);
    EXPECT_TRUE(m.gpu);
    EXPECT_EQ(m.sortKey, expected[i].sortKey);
    EXPECT_EQ(m.inputs.size(), expected[i].inputs);
    ASSERT_EQ(m.outputs.size(), expected[i].outputs);
    EXPECT_EQ(m.outputs[0].name, u"output frame");
  }
  EXPECT_EQ(cat.methods[5].outputs[1].name, u"motion detected");
  EXPECT_EQ(cat.methods[5].outputs[1].type, ptFlag);
  const auto& fn = Mod().exports();
  char16_t id[64], desc[128];
  HostIcon icon = nullptr;
  bool gpu = false;
  int sortKey = -5;
  EXPECT_FALSE(fn.EnumerateMethodsSort(7, 63, id, 127, desc, &icon, &gpu, &sortKey));
}

TEST(MirvokCatalogue, Categories) {
  const auto& fn = Mod().exports();
  const struct {
    int method, path, level;
    bool ok;
    const char16_t* name;
    int id;
  } cases[] = {
      {0, 0, 0, true, u"GPU Filters", 6},       {4, 0, 0, true, u"GPU Filters", 6},
      {5, 0, 0, true, u"Motion detection", 18}, {6, 0, 0, true, u"Motion detection", 18},
      {2, 1, 0, true, u"Thresholding", 4},      {0, 1, 0, false, u"", 0},
      {5, 1, 0, false, u"", 0},                 {0, 0, 1, false, u"", 0},
      {7, 0, 0, false, u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method * 100 + c.path * 10 + c.level);
    char16_t name[64] = {};
    int id = -1;
    HostIcon icon = nullptr;
    ASSERT_EQ(fn.EnumerateMethodsCategories(c.method, c.path, c.level, 63, name, &id, &icon), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(std::u16string(name), c.name);
    EXPECT_EQ(id, c.id);
    EXPECT_NE(icon, nullptr);
  }
}

// Colour inputs leave the property buffer as passed; every other input writes
// its string, an empty one included.
TEST(MirvokCatalogue, InputPropertyBuffers) {
  const auto& fn = Mod().exports();
  const struct {
    int method, param;
    bool ok;
    const char16_t* name;
    int type;
    const char16_t* properties;  // null: left as passed
  } cases[] = {
      {0, 0, true, u"input frame", ptFrame, u""},
      {0, 1, true, u"activity region", ptRectangularRegion, u"EditType=ScanRectRegion"},
      {0, 2, true, u"color", ptColor, nullptr},
      {0, 8, true, u"foreground color", ptColor, nullptr},
      {0, 9, true, u"background color", ptColor, nullptr},
      {0, 11, true, u"draw outputs into the image", ptFlag, u"Default=true"},
      {2, 2, true, u"threshold mode og number of gray levels", ptNumber,
       u"EditType=CountBox;Min=0;Max=256;Default=1;Step=1;DecPlaces=0"},
      {3, 3, true, u"intensity", ptNumber, u"EditType=Slider;Min=0;Max=1.0;Default=0.5"},
      {5, 7, true, u"highlight intensity", ptNumber, u"EditType=Slider;Min=0.0;Max=1.0;Default=0.8"},
      {6, 7, true, u"color", ptColor, nullptr},
      {6, 8, true, u"dichromatic output picture only", ptFlag, u"Default=false"},
      {0, 12, false, nullptr, 0, nullptr},
      {1, 5, false, nullptr, 0, nullptr},
      {7, 0, false, nullptr, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method * 100 + c.param);
    std::u16string props(256, u'#');
    char16_t name[64] = {};
    int type = 0;
    ASSERT_EQ(fn.EnumerateMethodInputs(c.method, c.param, &type, 255, props.data(), 63, name), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(std::u16string(name), c.name);
    EXPECT_EQ(type, c.type);
    if (c.properties) {
      EXPECT_EQ(std::u16string(props.c_str()), c.properties);
    } else {
      EXPECT_EQ(props, std::u16string(256, u'#'));
    }
  }
}

}  // namespace
