// Code 128 through the exported interface: zint symbols and symbols put
// together from symbol values where zint does not make the case (function
// characters, faults, lengths), rendered into frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dunsel_symbols.h"

namespace {

using dunsel_test::Reader;
using dunsel_test::Render;
using dunsel_test::RenderRuns;
using dunsel_test::Utf8;

// Element widths of the symbol values 0 to 106 (106 the stop).
const char* const kPatterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

// A symbol from its start value and data values: the check value (or a
// given wrong one) and the stop are added.
std::vector<int> Code128Runs(const std::vector<int>& values, int check = -1) {
  int sum = values[0];
  for (size_t i = 1; i < values.size(); ++i) sum += static_cast<int>(i) * values[i];
  std::vector<int> all = values;
  all.push_back(check >= 0 ? check : sum % 103);
  all.push_back(106);
  std::vector<int> runs;
  for (int v : all)
    for (const char* p = kPatterns[v]; *p; ++p) runs.push_back(*p - '0');
  return runs;
}

std::vector<int> SetB(const std::string& text) {
  std::vector<int> v = {104};
  for (char c : text) v.push_back(c - 32);
  return v;
}

struct Outcome {
  bool ok;
  std::string text, error;
};

Outcome Read(const talvix::FrameBuffer& f, int lines = 8) {
  Reader reader("barcode_Code128");
  talvix::RunContext ctx(Reader::Module(), reader.index());
  ctx.setFrame(u"Input frame", f);
  ctx.setNumbers(u"Scanline number", {double(lines)});
  ctx.setNumbers(u"Scanline angles", {0});
  const talvix::RunResult r = reader.run(ctx);
  const auto out = ctx.strings(u"Result string");
  return {r.ok, out.empty() ? "" : Utf8(out[0]), Utf8(r.error)};
}

talvix::FrameBuffer Draw(const std::vector<int>& runs, Render r = {}) {
  int modules = 0;
  for (int w : runs) modules += w;
  r.width = static_cast<int>(modules * r.module) + 60;
  return RenderRuns(std::vector<double>(runs.begin(), runs.end()), r);
}

std::vector<int> Zint(int symbology, const std::string& data, int mode = 0) {
  return dunsel_test::Runs(dunsel_test::ZintRow(symbology, data, mode));
}

TEST(Code128, ValuesMakeTheSymbolZintMakes) { EXPECT_EQ(Code128Runs(SetB("Hello")), Zint(BARCODE_CODE128, "Hello")); }

TEST(Code128, ReadsZintSymbolsInEveryCodeSet) {
  struct Case {
    std::string data, expected;
  };
  const Case cases[] = {
      {"Hello World", "Hello World"},                // set B
      {"HELLO\x01\x02WORLD", "HELLO\x01\x02WORLD"},  // set A for the control characters
      {"1234567890123456", "1234567890123456"},      // set C digit pairs
      {"ab123456cd", "ab123456cd"},                  // B, C, B
      {"\x01\x02\x03"
       "abc"
       "123456",
       "\x01\x02\x03"
       "abc"
       "123456"},            // A, B, C
      {"a\x01b", "a\x01b"},  // a lone control character amid set B
  };
  for (const Case& c : cases) {
    for (double module : {2.0, 3.0}) {
      SCOPED_TRACE(c.data + " at " + std::to_string(module));
      Render r;
      r.module = module;
      const Outcome got = Read(Draw(Zint(BARCODE_CODE128, c.data), r));
      EXPECT_TRUE(got.ok) << got.error;
      EXPECT_EQ(got.text, c.expected);
    }
  }
}

TEST(Code128, ShiftActsOnTheNextCharacterOnly) {
  // Set B "ab", SHIFT, set A control 1 (value 65), then "cd" still in set B.
  const std::vector<int> values = {104, 'a' - 32, 'b' - 32, 98, 65, 'c' - 32, 'd' - 32};
  const Outcome got = Read(Draw(Code128Runs(values)));
  EXPECT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.text,
            "ab\x01"
            "cd");
  // The same from set A: SHIFT reads one set B letter.
  const Outcome back = Read(Draw(Code128Runs({103, 'A' - 32, 98, 'x' - 32, 'B' - 32})));
  EXPECT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.text, "AxB");
}

TEST(Code128, FunctionCharactersTwoAndThreeStayAsMarks) {
  // FNC2 (97), FNC3 (96).
  const Outcome got = Read(Draw(Code128Runs({104, 'A' - 32, 97, 'B' - 32, 96, 'C' - 32})));
  EXPECT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.text,
            "A\u00feB\u00fe"
            "C");
}

TEST(Code128, Fnc4AddsOneHundredTwentyEight) {
  // FNC4 is 100 in set B and 101 in set A; 'v' + 128 is U+00F6.
  const int v = 'v' - 32, fnc4 = 100;
  struct Case {
    const char* what;
    std::vector<int> values;
    std::u16string text;
  };
  const Case cases[] = {
      {"one character", {104, fnc4, v, v}, u"\u00f6v"},
      {"two latch until two more", {104, fnc4, fnc4, v, v, fnc4, fnc4, v}, u"\u00f6\u00f6v"},
      {"one within the latch lets one through", {104, fnc4, fnc4, v, fnc4, v, v}, u"\u00f6v\u00f6"},
      {"three: a latch and a lone one", {104, fnc4, fnc4, fnc4, v, v}, u"v\u00f6"},
      {"across SHIFT", {104, fnc4, 98, 64, v}, u"\u0080v"},
      {"set A, NUL + 128 is no FNC1", {103, 101, 64, 'A' - 32}, u"\u0080A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome got = Read(Draw(Code128Runs(c.values)));
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, Utf8(c.text));
  }
}

TEST(Code128, ZintTextsComeBackWhole) {
  struct Case {
    std::string data;
    int mode;
    std::u16string text;
  };
  const Case cases[] = {
      {std::string("A\0BC", 4), DATA_MODE, std::u16string(u"A\0BC", 4)},
      {std::string("\0AB", 3), DATA_MODE, std::u16string(u"\0AB", 3)},
      {"Gr\u00f6\u00dfe", UNICODE_MODE, u"Gr\u00f6\u00dfe"},
      {"\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df AB", UNICODE_MODE, u"\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df AB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    const Outcome got = Read(Draw(Zint(BARCODE_CODE128, c.data, c.mode)));
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, Utf8(c.text));
  }
}

TEST(Code128, ApplicationIdentifiersInParentheses) {
  struct Case {
    std::string data, expected;
  };
  const Case cases[] = {
      // Element strings of predefined length are followed by no FNC1.
      {"[01]09501101530003[17]140704[10]AB-123", "(01)09501101530003(17)140704(10)AB-123"},
      {"[10]ABC[21]12345", "(10)ABC(21)12345"},
      {"[3103]000123[15]991231", "(3103)000123(15)991231"},
      {"[00]123456789012345675", "(00)123456789012345675"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const Outcome got = Read(Draw(Zint(BARCODE_GS1_128, c.data, GS1_MODE)));
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, c.expected);
  }
  // FNC1 then "5012": no identifier begins with 5.
  const Outcome unknown = Read(Draw(Code128Runs({105, 102, 50, 12})));
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(unknown.error, "error: None existing Application Identifier");
  EXPECT_EQ(unknown.text, "");
  // An identifier cut short by the end of the text.
  const Outcome cut = Read(Draw(Code128Runs({104, 102, '9' - 32})));
  EXPECT_FALSE(cut.ok);
  EXPECT_EQ(cut.error, "error: None existing Application Identifier");
}

TEST(Code128, ReadsReversedTurnedAndWhiteSymbols) {
  const std::vector<int> runs = Zint(BARCODE_CODE128, "Code-128 test");
  struct Case {
    double angle;
    bool white;
    double blur, noise;
  };
  for (const Case c : {Case{180, false, 0, 0}, Case{3, false, 1, 3}, Case{0, true, 0, 0}, Case{177, true, 1, 3}}) {
    SCOPED_TRACE(testing::Message() << c.angle << (c.white ? " white" : ""));
    Render r;
    r.angle = c.angle;
    r.whiteBars = c.white;
    r.blur = c.blur;
    r.noise = c.noise;
    r.depth = 200;
    Reader reader("barcode_Code128");
    talvix::RunContext ctx(Reader::Module(), reader.index());
    ctx.setFrame(u"Input frame", Draw(runs, r));
    ctx.setNumbers(u"Scanline number", {10});
    ctx.setNumbers(u"Scanline angles", {0});
    ctx.setFlags(u"Barcode color ( true - white bars, false - black bars )", {c.white});
    const talvix::RunResult res = reader.run(ctx);
    EXPECT_TRUE(res.ok) << Utf8(res.error);
    EXPECT_EQ(Utf8(ctx.strings(u"Result string").at(0)), "Code-128 test");
  }
}

TEST(Code128, OneElementAModuleOffReadsTwoDoNot) {
  const std::vector<int> runs = Code128Runs(SetB("Hello"));
  // Character 3 ("l", value 76) begins at element 6 * 3.
  struct Case {
    std::vector<int> widened;  // elements of that character
    bool reads;
  };
  const Case cases[] = {{{0}, true}, {{3}, true}, {{5}, true}, {{0, 2}, false}, {{1, 4}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.widened.size() << " widened, first " << c.widened[0]);
    std::vector<int> edited = runs;
    for (int e : c.widened) edited[static_cast<size_t>(18 + e)] += 1;
    const Outcome got = Read(Draw(edited));
    EXPECT_EQ(got.ok, c.reads) << got.error;
    if (c.reads) {
      EXPECT_EQ(got.text, "Hello");
    }
  }
}

TEST(Code128, TooManyCharacters) {
  struct Case {
    int letters;
    bool reads;
  };
  for (const Case c : {Case{253, true}, Case{254, false}}) {
    SCOPED_TRACE(c.letters);
    Render r;
    r.module = 2;
    r.depth = 24;
    r.height = 20;
    const Outcome got = Read(Draw(Code128Runs(SetB(std::string(static_cast<size_t>(c.letters), 'A'))), r), 3);
    EXPECT_EQ(got.ok, c.reads) << got.error;
    if (c.reads) {
      EXPECT_EQ(got.text, std::string(static_cast<size_t>(c.letters), 'A'));
    } else {
      EXPECT_EQ(got.error, "error: Too many characters");
    }
  }
}

TEST(Code128, ABadCheckCharacterOnOneLineDoesNotHideAGoodLine) {
  Render top, bottom;
  top.width = bottom.width = 400;
  top.depth = bottom.depth = 240;
  top.height = bottom.height = 80;
  top.cy = 60;
  bottom.cy = 180;
  const std::vector<int> values = SetB("Hello");
  talvix::FrameBuffer f = RenderRuns(
      [&] {
        const std::vector<int> r = Code128Runs(values, 7);
        return std::vector<double>(r.begin(), r.end());
      }(),
      top);
  const talvix::FrameBuffer good = RenderRuns(
      [&] {
        const std::vector<int> r = Code128Runs(values);
        return std::vector<double>(r.begin(), r.end());
      }(),
      bottom);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 400; ++x) f.pixel(x, y)[0] = good.pixel(x, y)[0];
  const Outcome both = Read(f, 12);
  EXPECT_TRUE(both.ok) << both.error;
  EXPECT_EQ(both.text, "Hello");
  Render alone;
  alone.width = 400;
  const std::vector<int> bad = Code128Runs(values, 7);
  const Outcome wrong = Read(RenderRuns(std::vector<double>(bad.begin(), bad.end()), alone));
  EXPECT_FALSE(wrong.ok);
  EXPECT_EQ(wrong.error, "error: Checksum error");
  EXPECT_EQ(wrong.text, "");
  // Read so on one line only, it may be a misread scan.
  const Outcome once = Read(RenderRuns(std::vector<double>(bad.begin(), bad.end()), alone), 1);
  EXPECT_FALSE(once.ok);
  EXPECT_EQ(once.error, "No barcode was found on the image");
}

}  // namespace
