// Host string blocks, input strings and data, warnings and text conversions.
#include <gtest/gtest.h>

#include <cstdint>

#include "talvix/host.hpp"
#include "talvix_fake_context.h"

using talvix::RunContext;
using testing_support::kNameHi;
using testing_support::Param;

namespace {

std::u16string Text(const HostString* s) {
  return *s ? std::u16string((*s)->chars, (*s)->chars + (*s)->length) : std::u16string();
}

TEST(HostStrings, SetStringReadsAtMostHiPlusOne) {
  struct Case {
    int hi;
    const char16_t* text;
    std::u16string expected;
  };
  const Case cases[] = {{4, u"hello world", u"hello"}, {8, u"abc", u"abc"}, {-1, u"abc", u""}, {2, u"a\0bc", u"a"}};
  for (const Case& c : cases) {
    HostString s = nullptr;
    SetString(c.hi, c.text, &s);
    ASSERT_NE(s, nullptr) << "a null handle gets a block";
    EXPECT_EQ(Text(&s), c.expected);
    EXPECT_EQ(s->chars[s->length], 0) << "NUL kept after the last character";
    FreeHostString(&s);
    EXPECT_EQ(s, nullptr);
  }
}

TEST(HostStrings, CharactersAppendPadAndZero) {
  HostString s = nullptr;
  SetString(9, u"longer text", &s);
  for (int i = 0; i < 3; ++i) SetStringChar(i, u"xyz"[i], &s);
  EXPECT_EQ(Text(&s), u"xyzger tex") << "callers never clear first; the tail stays";
  SetZeroString(&s);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->length, 0);
  SetStringChar(0, u'a', &s);
  SetStringChar(1, u'b', &s);
  SetStringChar(4, u'e', &s);  // pads with blanks
  SetStringChar(-1, u'!', &s);
  EXPECT_EQ(Text(&s), u"ab  e");
  EXPECT_EQ(GetStringLength(&s), 5);
  for (int i = 0; i < 40; ++i) SetStringChar(GetStringLength(&s), u'z', &s);  // growth moves the block
  EXPECT_EQ(GetStringLength(&s), 45);
  EXPECT_EQ(s->chars[45], 0);
  char16_t ch = 0;
  EXPECT_TRUE(GetStringChar(4, &s, &ch));
  EXPECT_EQ(ch, u'e');
  EXPECT_FALSE(GetStringChar(45, &s, &ch));
  EXPECT_FALSE(GetStringChar(-1, &s, &ch));
  FreeHostString(&s);
  HostString none = nullptr;
  EXPECT_EQ(GetStringLength(&none), 0);
  EXPECT_EQ(GetStringLength(nullptr), 0);
  EXPECT_FALSE(GetStringChar(0, &none, &ch));
  SetZeroString(&none);
  ASSERT_NE(none, nullptr) << "emptying keeps (or makes) a block";
  FreeHostString(&none);
}

// A position whose terminator would not fit the largest block is refused
// before anything is allocated or padded.
TEST(HostStrings, PositionBeyondTheLargestBlockIsIgnored) {
  HostString s = nullptr;
  SetString(2, u"abc", &s);
  HostString before = s;
  SetStringChar(INT32_MAX - 1, u'x', &s);
  SetStringChar(INT32_MAX, u'x', &s);
  EXPECT_EQ(s, before);
  EXPECT_EQ(Text(&s), u"abc");
  FreeHostString(&s);
  SetStringChar(INT32_MAX - 1, u'x', &s);
  EXPECT_EQ(s, nullptr);
}

TEST(HostStrings, InputStringsAndDataThroughTheirSlots) {
  RunContext ctx({Param(ptString, u"Text"), Param(ptDataObject, u"Blob")}, {});
  ctx.setStrings(u"Text", {u"one", u"two"});
  ctx.setData(u"Blob", {1, 2, 3});
  HostString* s = nullptr;
  ASSERT_TRUE(GetString(ctx.hostContext(), kNameHi, u"Text", 1, &s));
  EXPECT_EQ(Text(s), u"two");
  SetString(5, u"second", s);
  EXPECT_EQ(ctx.strings(u"Text"), (std::vector<std::u16string>{u"one", u"second"}));
  DataObject* d = nullptr;
  ASSERT_TRUE(GetData(ctx.hostContext(), 259, u"Blob", 0, &d));
  ASSERT_NE(*d, nullptr);
  EXPECT_EQ((*d)->length, 3);
  EXPECT_GE((*d)->capacity, 3);
  EXPECT_EQ((*d)->data[2], 3);
  EXPECT_EQ(ctx.data(u"Blob"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Warnings, ReadAtMostHiPlusOneCharactersInOrder) {
  RunContext ctx({}, {});
  const std::u16string long65(65, u'w');
  AddWarning(ctx.hostContext(), 255, u"first");
  AddWarning(ctx.hostContext(), 63, long65.c_str());
  AddWarning(ctx.hostContext(), 255, u"stop\0here");
  AddWarning(ctx.hostContext(), 2, u"abcdef");
  AddWarning(nullptr, 255, u"no context");
  EXPECT_EQ(ctx.warnings(), (std::vector<std::u16string>{u"first", long65.substr(0, 64), u"stop", u"abc"}));
  ctx.beginRun();
  EXPECT_TRUE(ctx.warnings().empty());
}

TEST(TextConversion, Utf8RoundTripWithSurrogates) {
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e acute, euro, U+1F600
  const std::u16string utf16 = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(talvix::ToU16(utf8), utf16);
  EXPECT_EQ(talvix::ToUtf8(utf16), utf8);
  EXPECT_EQ(talvix::ToU16("\xFF"
                          "x"),
            u"\uFFFDx");
  EXPECT_EQ(talvix::ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
