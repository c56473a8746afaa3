// The catalogue engine's policies on a small catalogue of its own; ilvant's
// tests cover the engine as a module uses it.
#include <gtest/gtest.h>

#include <string>

#include "frame/catalogue.h"
#include "frame/icons.h"
#include "frame/module_frame.h"
#include "text_buffer.h"

namespace {

using frame::Catalogue;
using frame::CategoryEntry;
using frame::IconSlot;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;
using testing_support::TextBuffer;

constexpr InputEntry kIn[] = {{ptFrame, u"Input frame"}, {ptNumber, u"Gain", u"Min=0;Default=1"}};
constexpr OutputEntry kOut[] = {{ptFrame, u"Output frame"}};
constexpr MethodEntry kMethods[] = {
    {u"first", u"First", 2001, 10, 1, kIn, kOut},
    {u"second", u"Second", 2002, 5, 0, kIn, {}},
};
constexpr CategoryEntry kCategories[] = {{u"Filters", 5, 2100}, {u"Others", 32, 2101}};
constexpr int kFirst[] = {0};
constexpr int kSecond[] = {1};
constexpr int kBoth[] = {0, 1};
constexpr Placement kPlacements[] = {{0, 0, 0, kFirst}, {1, 1, 0, kBoth}};
constexpr IconSlot kOrder[] = {{true, 1}, {false, 1}, {true, 0}, {false, 0}};

HostIcon g_methodIcons[2];
HostIcon g_categoryIcons[2];

constexpr frame::CataloguePolicy kGpuPolicy{.gpuFlag = true, .iconOrder = kOrder};
constexpr Catalogue kGpu(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kGpuPolicy);
static_assert(kGpu.Consistent());

TEST(CatalogueEngine, TableSortKeysAndGpuFlag) {
  struct Case {
    int index;
    bool ok;
    int sortKey;  // -777: left untouched
    int properties;
  };
  const Case cases[] = {{0, true, 10, 1}, {1, true, 5, 0}, {2, false, -777, 0}, {-1, false, -777, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << c.index);
    TextBuffer id(63), desc(63);
    HostIcon icon = nullptr;
    bool gpu = false;
    int sortKey = -777, properties = -777;
    EXPECT_EQ(kGpu.EnumerateMethodsSortWithProperties(c.index, 63, id.data(), 63, desc.data(), &icon, &gpu, &sortKey,
                                                      &properties),
              c.ok);
    EXPECT_TRUE(gpu) << "a GPU module's flag is written before the check";
    EXPECT_EQ(sortKey, c.sortKey);
    EXPECT_EQ(properties, c.properties);
    sortKey = -777;
    gpu = false;
    EXPECT_EQ(kGpu.EnumerateMethodsSort(c.index, 63, id.data(), 63, desc.data(), &icon, &gpu, &sortKey), c.ok);
    EXPECT_TRUE(gpu);
    EXPECT_EQ(sortKey, c.sortKey);
  }
}

TEST(CatalogueEngine, PlacesWithoutAnUnboundedLevel) {
  struct Case {
    int method, path, level;
    bool ok;
    std::u16string name;
  };
  const Case cases[] = {
      {0, 0, 0, true, u"Filters"}, {1, 0, 0, false, u""},      {2, 0, 0, false, u""}, {-1, 0, 0, false, u""},
      {0, 1, 0, true, u"Others"},  {1, 1, 0, true, u"Others"}, {0, 0, 1, false, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << "/" << c.path << "/" << c.level);
    TextBuffer name(63);
    int id = -1;
    HostIcon icon = nullptr;
    EXPECT_EQ(kGpu.EnumerateMethodsCategories(c.method, c.path, c.level, 63, name.data(), &id, &icon), c.ok);
    if (c.ok) {
      EXPECT_EQ(name.text(), c.name);
    } else {
      EXPECT_TRUE(name.untouched());
    }
  }
}

TEST(CatalogueEngine, MethodWithoutOutputsAnswersFalse) {
  TextBuffer name(63);
  int type = -1;
  EXPECT_FALSE(kGpu.EnumerateMethodOutputs(1, 0, &type, 63, name.data()));
  EXPECT_TRUE(name.untouched());
  EXPECT_TRUE(kGpu.EnumerateMethodOutputs(0, 0, &type, 63, name.data()));
  EXPECT_EQ(name.text(), u"Output frame");
}

// Tables that Consistent() must refuse, so that a module's static_assert
// catches them; checked when this file compiles.
constexpr int kOutOfRange[] = {2};
constexpr Placement kTwice[] = {{0, 0, 0, kFirst}, {1, 0, 0, kFirst}};
constexpr Placement kBadMethod[] = {{0, 0, 0, kOutOfRange}};
constexpr Placement kBadCategory[] = {{2, 0, 0, kSecond}};
constexpr IconSlot kRepeated[] = {{true, 1}, {true, 1}, {true, 0}, {false, 0}};
constexpr IconSlot kShort[] = {{true, 1}, {false, 1}};
constexpr InputEntry kBadType[] = {{0, u"Input frame"}};
constexpr MethodEntry kBadMethods[] = {{u"first", u"First", 2001, 0, 0, kBadType, kOut}, kMethods[1]};

static_assert(!Catalogue(kMethods, kCategories, kTwice, g_methodIcons, g_categoryIcons).Consistent());
static_assert(!Catalogue(kMethods, kCategories, kBadMethod, g_methodIcons, g_categoryIcons).Consistent());
static_assert(!Catalogue(kMethods, kCategories, kBadCategory, g_methodIcons, g_categoryIcons).Consistent());
static_assert(!Catalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, {.iconOrder = kRepeated})
                   .Consistent());
static_assert(!Catalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, {.iconOrder = kShort})
                   .Consistent());
static_assert(
    !Catalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, {.unboundedTopCategory = 2})
         .Consistent());
static_assert(!Catalogue(kBadMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons).Consistent());
static_assert(!Catalogue(kMethods, kCategories, kPlacements, std::span<HostIcon>(g_methodIcons, 1), g_categoryIcons)
                   .Consistent());

TEST(CatalogueEngine, IconsDifferByResourceNumber) {
  constexpr auto a = frame::MakeIcon<20>(1101);
  constexpr auto b = frame::MakeIcon<20>(1102);
  static_assert(a.size() == 54 + 20 * 20 * 4);
  EXPECT_EQ(a[0], 'B');
  EXPECT_EQ(a[28], 32);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, frame::MakeIcon<20>(1101)) << "generated the same way every time";
}

// hi + 1 characters, zero-filled, unterminated when full; nothing for hi < 0.
TEST(CopyText, WritesExactlyHighestIndexPlusOne) {
  struct Case {
    int hi;
    std::u16string written;  // all hi + 1 characters
  };
  const Case cases[] = {{4, std::u16string(u"abcde")},
                        {2, std::u16string(u"abc")},
                        {7, std::u16string(u"abcde\0\0\0", 8)},
                        {0, std::u16string(u"a")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "hi " << c.hi);
    TextBuffer buf(c.hi);
    frame::CopyText(u"abcde", c.hi, buf.data());
    EXPECT_EQ(std::u16string(buf.data(), static_cast<size_t>(c.hi) + 1), c.written);
    EXPECT_TRUE(buf.guardIntact());
  }
  TextBuffer none(0);
  frame::CopyText(u"abcde", -1, none.data());
  EXPECT_TRUE(none.untouched());
}

}  // namespace
