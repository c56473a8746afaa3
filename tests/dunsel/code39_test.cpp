// Code 39 through the exported interface: symbols put together from their
// characters at a chosen wide-to-narrow ratio (checked once against zint),
// the check character, Full ASCII and two symbols on one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "dunsel_symbols.h"

namespace {

using dunsel_test::Reader;
using dunsel_test::Render;
using dunsel_test::RenderRuns;
using dunsel_test::Utf8;

// Characters in value order (the modulo-43 values), then "*"; each pattern
// is nine elements, 'w' wide.
const std::string kChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
const char* const kPatterns[44] = {
    "nnnwwnwnn", "wnnwnnnnw", "nnwwnnnnw", "wnwwnnnnn", "nnnwwnnnw", "wnnwwnnnn", "nnwwwnnnn", "nnnwnnwnw", "wnnwnnwnn",
    "nnwwnnwnn", "wnnnnwnnw", "nnwnnwnnw", "wnwnnwnnn", "nnnnwwnnw", "wnnnwwnnn", "nnwnwwnnn", "nnnnnwwnw", "wnnnnwwnn",
    "nnwnnwwnn", "nnnnwwwnn", "wnnnnnnww", "nnwnnnnww", "wnwnnnnwn", "nnnnwnnww", "wnnnwnnwn", "nnwnwnnwn", "nnnnnnwww",
    "wnnnnnwwn", "nnwnnnwwn", "nnnnwnwwn", "wwnnnnnnw", "nwwnnnnnw", "wwwnnnnnn", "nwnnwnnnw", "wwnnwnnnn", "nwwnwnnnn",
    "nwnnnnwnw", "wwnnnnwnn", "nwwnnnwnn", "nwnwnwnnn", "nwnwnnnwn", "nwnnnwnwn", "nnnwnwnwn", "nwnnwnwnn"};

// Element widths of "*" + text (+ check character) + "*".
std::vector<double> Code39Runs(const std::string& text, double ratio, bool check = false, int wrongCheck = -1) {
  std::string all = text;
  if (check || wrongCheck >= 0) {
    int sum = 0;
    for (char c : text) sum += static_cast<int>(kChars.find(c));
    all += kChars[static_cast<size_t>(wrongCheck >= 0 ? wrongCheck : sum % 43)];
  }
  all = "*" + all + "*";
  std::vector<double> runs;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i > 0) runs.push_back(1.0);  // the gap between characters
    for (const char* p = kPatterns[kChars.find(all[i])]; *p; ++p) runs.push_back(*p == 'w' ? ratio : 1.0);
  }
  return runs;
}

struct Outcome {
  bool ok;
  std::string text, error;
};

struct Options {
  bool ascii = false, checksum = false, whiteBars = false;
  double ratio = 3.0;
  double module = 2.0;
  double angle = 0.0;
};

talvix::FrameBuffer Draw(const std::vector<double>& runs, const Options& o, int width = 0) {
  double modules = 0;
  for (double w : runs) modules += w;
  Render r;
  r.module = o.module;
  r.angle = o.angle;
  r.whiteBars = o.whiteBars;
  r.width = width > 0 ? width : static_cast<int>(modules * o.module) + 60;
  r.depth = 100;
  r.height = 60;
  return RenderRuns(runs, r);
}

Outcome Read(const talvix::FrameBuffer& f, const Options& o) {
  Reader reader("barcode_Code39");
  talvix::RunContext ctx(Reader::Module(), reader.index());
  ctx.setFrame(u"Input frame", f);
  ctx.setNumbers(u"Scanline number", {5});
  ctx.setNumbers(u"Scanline angles", {0});
  ctx.setFlags(u"ASCII mode ( true - yes, false - no )", {o.ascii});
  ctx.setFlags(u"Checksum mode ( true - yes, false - no )", {o.checksum});
  ctx.setFlags(u"Barcode color ( true - white bars, false - black bars )", {o.whiteBars});
  const talvix::RunResult r = reader.run(ctx);
  const auto out = ctx.strings(u"Result string");
  return {r.ok, out.empty() ? "" : Utf8(out[0]), Utf8(r.error)};
}

TEST(Code39, CharactersMakeTheSymbolZintMakes) {
  const std::vector<int> zint = dunsel_test::Runs(dunsel_test::ZintRow(BARCODE_CODE39, "CODE-39 $/+%."));
  const double wide = *std::max_element(zint.begin(), zint.end());
  const std::vector<double> ours = Code39Runs("CODE-39 $/+%.", wide);
  EXPECT_EQ(std::vector<double>(zint.begin(), zint.end()), ours);
}

TEST(Code39, ReadsEveryCharacterAtSeveralRatiosAndTurns) {
  const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
  for (double ratio : {2.0, 2.5, 3.0}) {
    for (double angle : {0.0, 180.0, 2.0}) {
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << " angle " << angle);
      Options o;
      o.ratio = ratio;
      o.angle = angle;
      const Outcome got = Read(Draw(Code39Runs(all, ratio), o), o);
      EXPECT_TRUE(got.ok) << got.error;
      EXPECT_EQ(got.text, all);
    }
  }
}

TEST(Code39, CheckCharacter) {
  struct Case {
    const char* what;
    bool withCheck, checksum;
    int wrong;
    bool ok;
    std::string text, error;
  };
  const Case cases[] = {
      {"on, right", true, true, -1, true, "ABC123", ""},
      {"off: the check character stays", true, false, -1, true, "ABC123X", ""},
      {"on, wrong", false, true, 5, false, "", "error: Checksum error"},
      {"off, wrong: kept", false, false, 5, true, "ABC1235", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Options o;
    o.checksum = c.checksum;
    const Outcome got = Read(Draw(Code39Runs("ABC123", 3.0, c.withCheck, c.wrong), o), o);
    EXPECT_EQ(got.ok, c.ok) << got.error;
    if (c.ok) {
      std::string expected = c.text;
      if (expected.back() == 'X') expected.back() = kChars[(10 + 11 + 12 + 1 + 2 + 3) % 43];
      EXPECT_EQ(got.text, expected);
    } else {
      EXPECT_EQ(got.error, c.error);
    }
  }
}

TEST(Code39, FullAsciiPairs) {
  struct Case {
    std::string data;
    bool ascii;
    std::string expected;
  };
  const Case cases[] = {
      {"$A", true, "\x01"}, {"$A", false, "$A"},     {"AB$", true, "AB$"}, {"$1", true, "$1"},     {"+A+B", true, "ab"},
      {"%X", true, "\x7f"}, {"%Y%V", true, "\x7f@"}, {"/A/Z", true, "!:"}, {"$$A", true, "$\x01"},
      {"A%UB", true, std::string("A\0B", 3)}, {"%UAB", true, std::string("\0AB", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data + (c.ascii ? " ascii" : ""));
    Options o;
    o.ascii = c.ascii;
    const Outcome got = Read(Draw(Code39Runs(c.data, 3.0), o), o);
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, c.expected);
  }
}

TEST(Code39, TheLongestPairOnALineComesFirst) {
  // Two symbols side by side with a quiet zone between: the pair spanning
  // both fails on the inner "*" characters, then the longer symbol reads.
  std::vector<double> runs = Code39Runs("SHORT", 3.0);
  runs.push_back(12.0);
  for (double w : Code39Runs("LONGER-ONE", 3.0)) runs.push_back(w);
  Options o;
  EXPECT_EQ(Read(Draw(runs, o), o).text, "LONGER-ONE");
  std::vector<double> swapped = Code39Runs("LONGER-ONE", 3.0);
  swapped.push_back(12.0);
  for (double w : Code39Runs("SHORT", 3.0)) swapped.push_back(w);
  EXPECT_EQ(Read(Draw(swapped, o), o).text, "LONGER-ONE");
}

TEST(Code39, TextsNeedQuietZones) {
  // Characters inside a longer symbol that read as "*" (as blur makes them)
  // bound shorter stretches of it on every line; the whole symbol fails on
  // them. Such stretches have only a gap and a bar beside them.
  auto fenced = [](const std::vector<double>& symbol, double quiet) {
    std::vector<double> runs{3.0, quiet};
    runs.insert(runs.end(), symbol.begin(), symbol.end());
    runs.push_back(quiet);
    runs.push_back(3.0);
    return runs;
  };
  struct Case {
    const char* what;
    std::vector<double> runs;
    const char* text;  // nullptr: not found
  };
  const Case cases[] = {
      {"one character between false stars", Code39Runs("XB*6*J7", 3.0), nullptr},
      {"two characters between false stars", Code39Runs("AB*CD*EF", 3.0), nullptr},
      {"a false star, then four characters to the stop", Code39Runs("P8*2DPB", 3.0), nullptr},
      {"four characters from the start to a false star", Code39Runs("2DPB*P8", 2.5), nullptr},
      {"one character with quiet zones", fenced(Code39Runs("6", 3.0), 4.0), "6"},
      {"two characters with quiet zones", fenced(Code39Runs("CD", 2.5), 4.0), "CD"},
      {"one character fenced by bars a gap away", fenced(Code39Runs("6", 3.0), 1.0), nullptr},
      {"a longer text with quiet zones", fenced(Code39Runs("LONGER-ONE", 3.0), 4.0), "LONGER-ONE"},
      {"a longer text fenced by bars a gap away", fenced(Code39Runs("LONGER-ONE", 3.0), 1.0), nullptr},
  };
  for (const Case& c : cases) {
    for (const auto& [angle, white] : {std::pair(0.0, false), std::pair(8.0, false), std::pair(0.0, true)}) {
      SCOPED_TRACE(testing::Message() << c.what << ", angle " << angle << (white ? ", white bars" : ""));
      Options o;
      o.angle = angle;
      o.whiteBars = white;
      const Outcome got = Read(Draw(c.runs, o), o);
      if (c.text) {
        EXPECT_TRUE(got.ok) << got.error;
        EXPECT_EQ(got.text, c.text);
      } else {
        EXPECT_FALSE(got.ok) << got.text;
        EXPECT_EQ(got.error, "No barcode was found on the image");
      }
    }
  }
}

TEST(Code39, ACharacterBlurredIntoAStarGivesTheWholeTextOrNothing) {
  // "X" differs from "*" in its last three elements (n n w against w n n):
  // printed halfway between the two and blurred, it reads as either on a
  // given line. A stretch from it to the start or the stop is never a text.
  const std::string text = "P8XDPB";
  int reads = 0;
  for (double halfway : {0.4, 0.5, 0.6}) {
    std::vector<double> runs = Code39Runs(text, 3.0);
    const size_t x = 10 * (text.find('X') + 1);  // the character's first element
    runs[x + 6] = 1.0 + 2.0 * halfway;
    runs[x + 8] = 3.0 - 2.0 * halfway;
    for (double angle : {0.0, 4.0, 180.0}) {
      SCOPED_TRACE(testing::Message() << "halfway " << halfway << ", angle " << angle);
      Render r;
      r.module = 2.0;
      r.angle = angle;
      r.blur = 1.0;
      r.noise = 4;
      r.width = 320;
      r.depth = 100;
      r.height = 60;
      const Outcome got = Read(RenderRuns(runs, r), Options{});
      if (got.ok) {
        ++reads;
        EXPECT_EQ(got.text, text);
      } else {
        EXPECT_EQ(got.error, "No barcode was found on the image");
      }
    }
  }
  // Some of these symbols read whole: a reader that gave up on every one
  // would pass the checks above.
  EXPECT_GT(reads, 0);
}

}  // namespace
