// The ilvant catalogue as the host reads it through the module's exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using testing_support::kCanary;
using testing_support::TextBuffer;

constexpr int kHi = 1023;

class IlvantCatalogue : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    module_ = talvix::Module::load("ilvant", &error).release();
    ASSERT_NE(module_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete module_;
    module_ = nullptr;
  }
  static const talvix::ModuleExports& fn() { return module_->exports(); }
  static int IconNumber(HostIcon token) {
    const ModuleResource* r = talvix::IconResource(token);
    return r ? r->number : -1;
  }
  static talvix::Module* module_;
};

talvix::Module* IlvantCatalogue::module_ = nullptr;

// ---- The golden catalogue, typed from the module's documentation -------------

struct GoldenParam {
  int type;
  std::u16string name;
  std::u16string props;
};

struct GoldenMethod {
  std::u16string id;
  std::u16string description;
  int icon;
  int properties;
  std::vector<GoldenParam> inputs;   // empty: "Input frame" only
  std::vector<GoldenParam> outputs;  // empty: "Output frame" only
};

const std::u16string kInterp = u"Default=0;Options=0: 'Nearest-neighbour', 1: 'Bilinear', 2: 'Bicubic'";
const std::u16string kPaletteOptions =
    u"Options=0: 'user-defined', 1: 'black-white', 2: 'negative', 3: 'spectrum', 4: 'black-red-white', 5: "
    u"'black-orange-white', 6: 'black-yellow-white', 7: 'black-green-white', 8: 'black-cyan-white', 9: "
    u"'black-blue-white', 10: 'black-magenta-white', 11: 'red', 12: 'yellow', 13: 'green', 14: 'cyan', 15: 'blue', "
    u"16: 'magenta', 17: 'saturation'";
const GoldenParam kIn{1, u"Input frame", u""};

const std::vector<GoldenMethod>& Golden() {
  static const std::vector<GoldenMethod> g = {
      {u"simple_threshold",
       u"Simple threshold (convert frame to two-value frame)",
       1006,
       0,
       {kIn, {10, u"Threshold", u"EditType=Threshold"}},
       {}},
      {u"color_to_monochrome",
       u"Convert color frame to mochrome one using NTSC brightness coefficients",
       1004,
       0,
       {},
       {}},
      {u"color_to_monochrome_avg",
       u"Convert color frame to mochrome one by averaging of red, green and blue values",
       1004,
       0,
       {},
       {}},
      {u"monochrome_to_color",
       u"Convert monochrome (8-bit) to color (32-bit) frame (image remains gray-scale)",
       1005,
       0,
       {},
       {}},
      {u"copy_frame", u"Copy one frame to another", 1023, 0, {}, {}},
      {u"split_RGB",
       u"Split color frame to four monochrome frames, one for each basic color (red, green and blue) and one for "
       u"the alpha channel",
       1007,
       0,
       {},
       {{1, u"Output red frame", u""},
        {1, u"Output green frame", u""},
        {1, u"Output blue frame", u""},
        {1, u"Output mask frame", u""}}},
      {u"combine_RGB",
       u"Combine four monochrome frames, one for each basic color (red, green and blue) and one for the alpha "
       u"channel, into one color frame",
       1008,
       0,
       {{1, u"Input red frame", u""},
        {1, u"Input green frame", u""},
        {1, u"Input blue frame", u""},
        {1, u"Input mask frame", u""}},
       {}},
      {u"split_HSL",
       u"Split color frame to four monochrome frames, one for each: hue, saturation, lightness and alpha channel",
       1009,
       0,
       {},
       {{1, u"Output hue frame", u""},
        {1, u"Output saturation frame", u""},
        {1, u"Output lightness frame", u""},
        {1, u"Output mask frame", u""}}},
      {u"combine_HSL",
       u"Combine four monochrome frames (hue, saturation, lightness and alpha channel) into one color frame",
       1010,
       0,
       {{1, u"Input hue frame", u""},
        {1, u"Input saturation frame", u""},
        {1, u"Input lightness frame", u""},
        {1, u"Input mask frame", u""}},
       {}},
      {u"rotate_90_right", u"Rotate frame 90 degrees right", 1011, 2, {}, {}},
      {u"rotate_90_left", u"Rotate frame 90 degrees left", 1012, 2, {}, {}},
      {u"rotate_180", u"Rotate frame 180 degrees", 1013, 0, {}, {}},
      {u"rotate",
       u"Rotate frame by arbitrary angle",
       1016,
       2,
       {kIn, {10, u"Angle", u""}, {12, u"Crop", u"Default=true"}, {7, u"Rotation center", u""}},
       {}},
      {u"translate", u"Translate frame by arbitrary sub-pixel offset", 1018, 0, {kIn, {7, u"Offset", u""}}, {}},
      {u"crop", u"Crop frame border", 1017, 2, {kIn, {3, u"Region", u""}}, {}},
      {u"flip_horizontal", u"Flip frame horizontally", 1014, 0, {}, {}},
      {u"flip_vertical", u"Flip frame vertically", 1015, 0, {}, {}},
      {u"downsample",
       u"Decrease the resolution of the image",
       1019,
       2,
       {kIn, {10, u"X axis - coefficient of decrease", u""}, {10, u"Y axis - coefficient of decrease", u""}},
       {}},
      {u"oversample",
       u"Increase the resolution of the image",
       1020,
       2,
       {kIn,
        {10, u"X axis - coefficient of increase", u""},
        {10, u"Y axis - coefficient of increase", u""},
        {10, u"Type of interpolation", kInterp}},
       {}},
      {u"resize",
       u"Resize image",
       1021,
       2,
       {kIn, {10, u"New width", u""}, {10, u"New depth", u""}, {10, u"Type of interpolation", kInterp}},
       {}},
      {u"inverse", u"Invert frame", 1022, 0, {}, {}},
      {u"add_const", u"Add number to each pixel", 1024, 0, {kIn, {10, u"Add value", u"Min=-1;Max=1;Default=0"}}, {}},
      {u"mult_const", u"Multiply each pixel", 1025, 0, {kIn, {10, u"Multiplier", u"Min=0;Default=1"}}, {}},
      {u"add_frame", u"Add frame to input frame", 1026, 0, {kIn, {1, u"Added frame", u""}}, {}},
      {u"sub_frame", u"Substract frame from input frame", 1027, 0, {kIn, {1, u"Substract frame", u""}}, {}},
      {u"paste_mask",
       u"Pastes second frame as an alpha channel (mask) of the first frame",
       1030,
       0,
       {kIn, {1, u"Mask frame", u""}},
       {}},
      {u"blend_frame",
       u"Blend frame",
       1028,
       0,
       {kIn, {1, u"Blend frame", u""}, {10, u"Alpha channel", u"Min=0;Max=1;Default=1"}, {7, u"Offset", u""}},
       {}},
      {u"blend_frame_alpha", u"Blend frame", 1029, 0, {kIn, {1, u"Blend frame", u""}, {7, u"Offset", u""}}, {}},
      {u"line_pixel_count",
       u"Number of light / dark pixels on line",
       1031,
       0,
       {kIn,
        {8, u"Input line", u""},
        {10, u"Threshold", u"EditType=Threshold"},
        {12, u"Show results", u"Default=true"}},
       {{10, u"Number of light pixels", u""},
        {10, u"Number of dark pixels", u""},
        {10, u"Ratio of light pixels", u""},
        {10, u"Ratio of dark pixels", u""}}},
      {u"region_pixel_count",
       u"Number of light / dark pixels in region",
       1032,
       0,
       {kIn,
        {3, u"Input region", u"EditType=ScanRectRegion"},
        {10, u"Threshold", u"EditType=Threshold"},
        {12, u"Show results", u"Default=true"}},
       {{10, u"Number of light pixels", u""},
        {10, u"Number of dark pixels", u""},
        {10, u"Ratio of light pixels", u""},
        {10, u"Ratio of dark pixels", u""}}},
      {u"false_color",
       u"Transforming the monochromatic frame to the color image using the defined color palette",
       1033,
       0,
       {kIn, {10, u"Predefined palette", kPaletteOptions}, {10, u"Border threshold ", u""}, {9, u"Border color", u""}},
       {}},
      {u"masking", u"Frame masking", 1034, 0, {kIn, {1, u"Mask frame", u""}, {9, u"Background color", u""}}, {}},
      {u"get_pixel",
       u"Get the colour of the pixel",
       1037,
       0,
       {kIn, {7, u"Input point", u""}},
       {{9, u"Output color", u""}}},
      {u"put_pixel",
       u"Put pixel of defined colour into frame",
       1035,
       0,
       {kIn, {7, u"Input point", u""}, {9, u"Input color", u""}},
       {}},
      {u"put_region",
       u"Put region of defined colour into frame",
       1036,
       0,
       {kIn, {3, u"Input region", u""}, {9, u"Input color", u""}},
       {}},
      {u"histogram_equalization", u"Image contrast enhance through the histogram equalization", 1038, 0, {}, {}},
  };
  return g;
}

struct GoldenCategory {
  std::u16string name;
  int categoryId;
  int icon;
};

// (path, level) -> category for one method; absent: the enumerator answers false.
std::map<std::pair<int, int>, GoldenCategory> GoldenPlaces(int method) {
  const GoldenCategory frameOps{u"Frame operations", 3, 1101}, statistics{u"Statistics", 8, 1110},
      color{u"Color operations", 30, 1102}, transforms{u"Transforms", 31, 1103}, others{u"Others", 32, 1104},
      thresholding{u"Thresholding", 4, 1111};
  const std::set<int> colorSet{0, 1, 2, 3, 5, 6, 7, 8, 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 35};
  const std::set<int> othersSet{4, 25, 26, 27};
  std::map<std::pair<int, int>, GoldenCategory> places;
  places[{0, 0}] = (method == 28 || method == 29) ? statistics : frameOps;
  if (colorSet.count(method)) places[{0, 1}] = color;
  if (method >= 9 && method <= 19) places[{0, 1}] = transforms;
  if (othersSet.count(method)) places[{0, 1}] = others;
  if (method == 0) places[{1, 0}] = thresholding;
  return places;
}

// ---- The whole catalogue against the golden table -----------------------------------

TEST_F(IlvantCatalogue, EveryEntryMatchesTheGoldenTable) {
  const auto& golden = Golden();
  ASSERT_EQ(golden.size(), 36u);
  ASSERT_EQ(module_->catalogue().methods.size(), golden.size()) << "the host stops at the first false";
  std::set<HostIcon> methodTokens;
  for (int m = 0; m < 36; ++m) {
    SCOPED_TRACE(testing::Message() << "method " << m);
    const GoldenMethod& g = golden[m];
    TextBuffer id(kHi), desc(kHi);
    HostIcon icon = nullptr;
    bool gpu = true;
    int sortKey = -1, properties = -1;
    ASSERT_TRUE(fn().EnumerateMethodsSortWithProperties(m, kHi, id.data(), kHi, desc.data(), &icon, &gpu, &sortKey,
                                                        &properties));
    EXPECT_EQ(id.text(), g.id);
    EXPECT_EQ(desc.text(), g.description);
    EXPECT_EQ(IconNumber(icon), g.icon);
    EXPECT_FALSE(gpu);
    EXPECT_EQ(sortKey, m);
    EXPECT_EQ(properties, g.properties);
    methodTokens.insert(icon);

    TextBuffer id2(kHi), desc2(kHi);
    HostIcon icon2 = nullptr;
    gpu = true;
    ASSERT_TRUE(fn().EnumerateMethods(m, kHi, id2.data(), kHi, desc2.data(), &icon2, &gpu));
    EXPECT_EQ(id2.text(), g.id);
    EXPECT_EQ(desc2.text(), g.description);
    EXPECT_EQ(icon2, icon);
    EXPECT_FALSE(gpu);

    const std::vector<GoldenParam> inputs = g.inputs.empty() ? std::vector<GoldenParam>{kIn} : g.inputs;
    for (size_t p = 0; p <= inputs.size(); ++p) {
      TextBuffer name(kHi), prop(kHi);
      int type = -1;
      const bool ok = fn().EnumerateMethodInputs(m, static_cast<int>(p), &type, kHi, prop.data(), kHi, name.data());
      if (p == inputs.size()) {
        EXPECT_FALSE(ok) << "past the last input";
        EXPECT_EQ(prop[0], 0) << "property buffer emptied first";
        continue;
      }
      ASSERT_TRUE(ok) << "input " << p;
      EXPECT_EQ(type, inputs[p].type) << "input " << p;
      EXPECT_EQ(name.text(), inputs[p].name) << "input " << p;
      EXPECT_EQ(prop.text(), inputs[p].props) << "input " << p;
    }

    const std::vector<GoldenParam> outputs =
        g.outputs.empty() ? std::vector<GoldenParam>{{1, u"Output frame", u""}} : g.outputs;
    for (size_t p = 0; p <= outputs.size(); ++p) {
      TextBuffer name(kHi);
      int type = -1;
      const bool ok = fn().EnumerateMethodOutputs(m, static_cast<int>(p), &type, kHi, name.data());
      if (p == outputs.size()) {
        EXPECT_FALSE(ok) << "past the last output";
        continue;
      }
      ASSERT_TRUE(ok) << "output " << p;
      EXPECT_EQ(type, outputs[p].type) << "output " << p;
      EXPECT_EQ(name.text(), outputs[p].name) << "output " << p;
    }

    const auto places = GoldenPlaces(m);
    for (int path = -1; path <= 2; ++path) {
      for (int level = -1; level <= 2; ++level) {
        TextBuffer name(kHi);
        int categoryId = -1;
        HostIcon catIcon = nullptr;
        const bool ok = fn().EnumerateMethodsCategories(m, path, level, kHi, name.data(), &categoryId, &catIcon);
        auto it = places.find({path, level});
        if (it == places.end()) {
          EXPECT_FALSE(ok) << "path " << path << " level " << level;
          continue;
        }
        ASSERT_TRUE(ok) << "path " << path << " level " << level;
        EXPECT_EQ(name.text(), it->second.name);
        EXPECT_EQ(categoryId, it->second.categoryId);
        EXPECT_EQ(IconNumber(catIcon), it->second.icon);
      }
    }
  }
  EXPECT_EQ(methodTokens.size(), 36u) << "one icon handle per method, 1004 fetched twice";
}

TEST_F(IlvantCatalogue, ExportSetOfAStatelessModule) {
  EXPECT_NE(fn().EnumerateMethods, nullptr);
  EXPECT_NE(fn().EnumerateMethodsSortWithProperties, nullptr);
  EXPECT_EQ(fn().EnumerateMethodsSort, nullptr) << "no plain sort enumerator";
  EXPECT_NE(fn().DoneMethod, nullptr);
  EXPECT_EQ(fn().DoneMethod2, nullptr);
  EXPECT_NE(dlsym(module_->handle(), "TalvixModuleResources"), nullptr);
}

// ---- Property strings --------------------------------------------------------------

std::vector<std::u16string> Split(const std::u16string& s, char16_t sep) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::optional<double> Number(const std::u16string& s) {
  const std::string t = talvix::ToUtf8(s);
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (t.empty() || end != t.c_str() + t.size()) return std::nullopt;
  return v;
}

TEST_F(IlvantCatalogue, PropertyStringsParse) {
  const std::set<std::u16string> keys{u"Default",   u"Min",     u"Max",    u"Step",
                                      u"DecPlaces", u"Options", u"Matrix", u"EditType"};
  const std::set<std::u16string> editTypes{u"Slider",         u"ScanRectRegion",  u"Threshold",       u"CountBox",
                                           u"ScanLinesCount", u"ScanLinesVCount", u"ScanLinesHCount", u"ScanLineAngle"};
  int checked = 0;
  for (const talvix::MethodInfo& m : module_->catalogue().methods) {
    for (const talvix::ParamInfo& in : m.inputs) {
      if (in.properties.empty()) continue;
      SCOPED_TRACE(talvix::ToUtf8(m.id) + " / " + talvix::ToUtf8(in.name));
      ++checked;
      std::map<std::u16string, std::u16string> kv;
      for (const std::u16string& pair : Split(in.properties, u';')) {
        const size_t eq = pair.find(u'=');
        ASSERT_NE(eq, std::u16string::npos) << talvix::ToUtf8(pair);
        const std::u16string key = pair.substr(0, eq), value = pair.substr(eq + 1);
        EXPECT_TRUE(keys.count(key)) << talvix::ToUtf8(key);
        EXPECT_FALSE(value.empty());
        EXPECT_TRUE(kv.emplace(key, value).second) << "duplicate key " << talvix::ToUtf8(key);
      }
      if (kv.count(u"EditType")) {
        EXPECT_TRUE(editTypes.count(kv[u"EditType"])) << talvix::ToUtf8(kv[u"EditType"]);
      }
      std::set<double> options;
      if (kv.count(u"Options")) {
        int expected = 0;
        for (std::u16string item : Split(kv[u"Options"], u',')) {
          while (!item.empty() && item[0] == u' ') item.erase(0, 1);
          const size_t colon = item.find(u": '");
          ASSERT_NE(colon, std::u16string::npos) << talvix::ToUtf8(item);
          EXPECT_EQ(Number(item.substr(0, colon)), expected++) << talvix::ToUtf8(item);
          EXPECT_EQ(item.back(), u'\'');
          options.insert(expected - 1);
        }
      }
      if (kv.count(u"Default")) {
        const std::u16string& d = kv[u"Default"];
        if (in.type == ptFlag) {
          EXPECT_TRUE(d == u"true" || d == u"false");
        } else if (in.type == ptNumber) {
          const auto v = Number(d);
          ASSERT_TRUE(v.has_value()) << talvix::ToUtf8(d);
          if (kv.count(u"Min")) {
            EXPECT_GE(*v, Number(kv[u"Min"]).value());
          }
          if (kv.count(u"Max")) {
            EXPECT_LE(*v, Number(kv[u"Max"]).value());
          }
          if (!options.empty()) {
            EXPECT_TRUE(options.count(*v));
          }
        }
      }
    }
  }
  EXPECT_EQ(checked, 13) << "inputs with hints";
}

// ---- Enumerator protocol at and past the edges ------------------------------------------

TEST_F(IlvantCatalogue, MethodEnumeratorsWriteGpuFlagSortKeyAndPropertiesBeforeTheCheck) {
  struct Case {
    int index;
    bool ok;
    int properties;
  };
  const Case cases[] = {{0, true, 0},   {9, true, 2},   {19, true, 2},  {35, true, 0},
                        {36, false, 0}, {40, false, 0}, {-1, false, 0}, {INT_MIN, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << c.index);
    TextBuffer id(63), desc(255);
    HostIcon icon = reinterpret_cast<HostIcon>(uintptr_t{0x1234});
    bool gpu = true;
    int sortKey = -777, properties = -777;
    EXPECT_EQ(fn().EnumerateMethodsSortWithProperties(c.index, 63, id.data(), 255, desc.data(), &icon, &gpu, &sortKey,
                                                      &properties),
              c.ok);
    EXPECT_FALSE(gpu);
    EXPECT_EQ(sortKey, c.index);
    EXPECT_EQ(properties, c.properties);

    TextBuffer id2(63), desc2(255);
    bool gpu2 = true;
    EXPECT_EQ(fn().EnumerateMethods(c.index, 63, id2.data(), 255, desc2.data(), &icon, &gpu2), c.ok);
    EXPECT_FALSE(gpu2) << "gpuFlag is 0 also on false";
    if (!c.ok) {
      EXPECT_TRUE(id.untouched() && desc.untouched() && id2.untouched() && desc2.untouched());
      EXPECT_EQ(icon, reinterpret_cast<HostIcon>(uintptr_t{0x1234}));
    }
  }
}

TEST_F(IlvantCatalogue, CategoriesAtTheEdges) {
  struct Case {
    int method, path, level;
    bool ok;
    std::u16string name;
    int categoryId;
    int icon;
  };
  const Case cases[] = {
      {0, 0, 0, true, u"Frame operations", 3, 1101},
      {28, 0, 0, true, u"Statistics", 8, 1110},
      {29, 0, 0, true, u"Statistics", 8, 1110},
      {35, 0, 0, true, u"Frame operations", 3, 1101},
      // path 0, level 0 does not check the index
      {36, 0, 0, true, u"Frame operations", 3, 1101},
      {40, 0, 0, true, u"Frame operations", 3, 1101},
      {-1, 0, 0, true, u"Frame operations", 3, 1101},
      {INT_MAX, 0, 0, true, u"Frame operations", 3, 1101},
      {28, 0, 1, false, u"", 0, 0},
      {29, 0, 1, false, u"", 0, 0},
      {4, 0, 1, true, u"Others", 32, 1104},
      {9, 0, 1, true, u"Transforms", 31, 1103},
      {36, 0, 1, false, u"", 0, 0},
      {-1, 0, 1, false, u"", 0, 0},
      {0, 1, 0, true, u"Thresholding", 4, 1111},
      {1, 1, 0, false, u"", 0, 0},
      {36, 1, 0, false, u"", 0, 0},
      {0, 1, 1, false, u"", 0, 0},
      {0, 2, 0, false, u"", 0, 0},
      {0, 0, 2, false, u"", 0, 0},
      {0, -1, 0, false, u"", 0, 0},
      {0, 0, -1, false, u"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.method << " path " << c.path << " level " << c.level);
    TextBuffer name(63);
    int categoryId = -777;
    HostIcon icon = reinterpret_cast<HostIcon>(uintptr_t{0x1234});
    ASSERT_EQ(fn().EnumerateMethodsCategories(c.method, c.path, c.level, 63, name.data(), &categoryId, &icon), c.ok);
    if (c.ok) {
      EXPECT_EQ(name.text(), c.name);
      EXPECT_EQ(categoryId, c.categoryId);
      EXPECT_EQ(IconNumber(icon), c.icon);
    } else {
      EXPECT_TRUE(name.untouched()) << "nothing written on false";
      EXPECT_EQ(categoryId, -777);
      EXPECT_EQ(icon, reinterpret_cast<HostIcon>(uintptr_t{0x1234}));
    }
  }
}

TEST_F(IlvantCatalogue, InputAndOutputEnumeratorsAtTheEdges) {
  struct Case {
    bool output;
    int method, param;
    bool ok;
    int type;
    std::u16string name;
  };
  const Case cases[] = {
      {false, 12, 0, true, 1, u"Input frame"},
      {false, 12, 3, true, 7, u"Rotation center"},
      {false, 12, 4, false, 0, u""},
      {false, 6, 0, true, 1, u"Input red frame"},
      {false, 30, 2, true, 10, u"Border threshold "},
      {false, 36, 0, false, 0, u""},
      {false, -1, 0, false, 0, u""},
      {false, 0, -1, false, 0, u""},
      {true, 32, 0, true, 9, u"Output color"},
      {true, 32, 1, false, 0, u""},
      {true, 5, 3, true, 1, u"Output mask frame"},
      {true, 5, 4, false, 0, u""},
      {true, 36, 0, false, 0, u""},
      {true, -1, 0, false, 0, u""},
      {true, 0, -1, false, 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.output ? "output " : "input ") << c.method << "/" << c.param);
    TextBuffer name(63), prop(255);
    int type = -777;
    const bool ok = c.output ? fn().EnumerateMethodOutputs(c.method, c.param, &type, 63, name.data())
                             : fn().EnumerateMethodInputs(c.method, c.param, &type, 255, prop.data(), 63, name.data());
    ASSERT_EQ(ok, c.ok);
    if (!c.output) {
      EXPECT_EQ(prop[0], 0) << "emptied before any test";
      EXPECT_EQ(prop[1], kCanary) << "an input without hints gets only the leading zero";
    }
    if (ok) {
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(name.text(), c.name);
    } else {
      EXPECT_EQ(type, -777);
      EXPECT_TRUE(name.untouched()) << "the name buffer is left alone on false";
    }
  }
}

// hi + 1 characters are copied: the text, cut when longer, then zeros; no
// terminator when the text fills the buffer, and nothing behind it.
TEST_F(IlvantCatalogue, TextsAreCopiedWithHighestIndexPlusOneCharacters) {
  using Copy = std::function<bool(int hi, char16_t* buf)>;
  struct Case {
    const char* what;
    std::u16string full;
    Copy copy;
  };
  HostIcon icon;
  bool gpu;
  int type, categoryId;
  TextBuffer spare(1023);
  const Case cases[] = {
      {"method id", u"copy_frame",
       [&](int hi, char16_t* b) { return fn().EnumerateMethods(4, hi, b, 1023, spare.data(), &icon, &gpu); }},
      {"description", u"Copy one frame to another",
       [&](int hi, char16_t* b) { return fn().EnumerateMethods(4, 1023, spare.data(), hi, b, &icon, &gpu); }},
      {"category", u"Thresholding",
       [&](int hi, char16_t* b) { return fn().EnumerateMethodsCategories(0, 1, 0, hi, b, &categoryId, &icon); }},
      {"input name", u"Border threshold ",
       [&](int hi, char16_t* b) { return fn().EnumerateMethodInputs(30, 2, &type, 1023, spare.data(), hi, b); }},
      {"property", u"EditType=ScanRectRegion",
       [&](int hi, char16_t* b) { return fn().EnumerateMethodInputs(29, 1, &type, hi, b, 1023, spare.data()); }},
      {"output name", u"Output color",
       [&](int hi, char16_t* b) { return fn().EnumerateMethodOutputs(32, 0, &type, hi, b); }},
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.full.size());
    for (int hi : {0, n / 2, n - 2, n - 1, n, n + 5}) {
      SCOPED_TRACE(testing::Message() << c.what << ", hi " << hi);
      TextBuffer buf(hi);
      ASSERT_TRUE(c.copy(hi, buf.data()));
      const std::u16string expected = c.full.substr(0, static_cast<size_t>(hi) + 1);
      for (int i = 0; i <= hi; ++i) {
        const char16_t want = i < static_cast<int>(expected.size()) ? expected[i] : u'\0';
        ASSERT_EQ(buf[i], want) << "character " << i;
      }
      EXPECT_TRUE(buf.guardIntact()) << "written past hi + 1 characters";
    }
  }
}

// ---- Icons carried by the module ------------------------------------------------------

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

TEST_F(IlvantCatalogue, ResourcesHoldOneBmpPerIconNumber) {
  auto fnRes = reinterpret_cast<TalvixModuleResourcesFn>(dlsym(module_->handle(), "TalvixModuleResources"));
  ASSERT_NE(fnRes, nullptr);
  const ModuleResourceTable* table = fnRes();
  ASSERT_NE(table, nullptr);
  std::set<int> methodNumbers, categoryNumbers;
  for (const GoldenMethod& g : Golden()) methodNumbers.insert(g.icon);
  for (int n : {1101, 1110, 1102, 1103, 1104, 1111}) categoryNumbers.insert(n);
  ASSERT_EQ(table->count, 41u);
  std::set<int> seen;
  std::vector<std::vector<uint8_t>> pixels;
  for (uint32_t i = 0; i < table->count; ++i) {
    const ModuleResource& r = table->entries[i];
    SCOPED_TRACE(testing::Message() << "resource " << r.number);
    EXPECT_EQ(r.type, 4192);
    EXPECT_TRUE(seen.insert(r.number).second) << "duplicate";
    const bool method = methodNumbers.count(r.number) > 0;
    ASSERT_TRUE(method || categoryNumbers.count(r.number));
    const uint32_t side = method ? 40 : 20;
    ASSERT_EQ(r.size, 54 + side * side * 4);
    const uint8_t* d = r.data;
    EXPECT_EQ(d[0], 'B');
    EXPECT_EQ(d[1], 'M');
    EXPECT_EQ(Le32(d + 2), r.size);
    EXPECT_EQ(Le32(d + 10), 54u);
    EXPECT_EQ(Le32(d + 14), 40u);
    EXPECT_EQ(Le32(d + 18), side);
    EXPECT_EQ(Le32(d + 22), side);
    EXPECT_EQ(d[26] | d[27] << 8, 1);
    EXPECT_EQ(d[28] | d[29] << 8, 32);
    EXPECT_EQ(Le32(d + 30), 0u);
    EXPECT_EQ(Le32(d + 34), side * side * 4);
    pixels.emplace_back(d + 54, d + r.size);
  }
  for (size_t a = 0; a < pixels.size(); ++a) {
    for (size_t b = a + 1; b < pixels.size(); ++b) EXPECT_NE(pixels[a], pixels[b]) << "icons " << a << ", " << b;
  }
}

}  // namespace
