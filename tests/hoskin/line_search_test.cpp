// The search of one line's widths for every symbology, the result texts and
// the vote over a pass's lines.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "barcode_rows.h"
#include "decoder/code_text.h"
#include "decoder/decoder.h"

namespace {

using hoskin::CBarcodeDecoder;

std::u16string Text(HostString s) { return s ? std::u16string(s->chars, s->length) : std::u16string(); }

// The decoder after one line with these widths was measured.
void Measured(CBarcodeDecoder& d, const std::vector<float>& w, double module) {
  d.widths = w;
  d.edgeCount = static_cast<int>(w.size());
  double total = 0;
  for (float x : w) total += std::fabs(x);
  d.profile.assign(static_cast<size_t>(total), 128);
  d.meanElementWidth = module;
}

// A text is voted into the codes once two lines read it: the same widths
// searched as lines 0 and 1.
bool SearchTwoLines(CBarcodeDecoder& d) {
  d.lineIndex = 0;
  const bool first = d.SearchMeasuredLine();
  d.lineIndex = 1;
  return d.SearchMeasuredLine() && first;
}

std::vector<std::u16string> CodeTexts(CBarcodeDecoder& d, std::vector<int>* types = nullptr) {
  std::vector<std::u16string> out;
  for (gpu::CListElem* e = d.codes.head; e; e = e->next) {
    auto* c = static_cast<hoskin::CCodeListElem*>(e);
    out.push_back(Text(c->text));
    if (types) types->push_back(c->type);
  }
  return out;
}

struct SymbolCase {
  const char* name;
  const char* dump;
  std::u16string text;
  int type;
};

void PrintTo(const SymbolCase& c, std::ostream* os) { *os << c.name; }

class ZintSymbols : public testing::TestWithParam<SymbolCase> {};

TEST_P(ZintSymbols, ReadForwardsAndReversedAtUnevenModuleWidths) {
  const SymbolCase& c = GetParam();
  const std::vector<int> runs = barcode_rows::Runs(c.dump);
  uint32_t seed = 7;
  for (double module : {1.7, 2.3, 2.9, 3.6}) {
    for (bool reversed : {false, true}) {
      std::vector<float> w = barcode_rows::Jittered(runs, module, 0.06, seed++);
      if (reversed) std::reverse(w.begin(), w.end());
      CBarcodeDecoder d;
      Measured(d, w, module);
      ASSERT_TRUE(SearchTwoLines(d)) << "module " << module << (reversed ? " reversed" : "");
      EXPECT_EQ(d.forward, reversed ? 0 : 1);
      std::vector<int> types;
      EXPECT_EQ(CodeTexts(d, &types), std::vector<std::u16string>{c.text})
          << "module " << module << (reversed ? " reversed" : "");
      EXPECT_EQ(types, std::vector<int>{c.type});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Symbologies, ZintSymbols,
    testing::Values(
        SymbolCase{"ean13", barcode_rows::kEan13, u"5 901234 123457", hoskin::kEan13},
        SymbolCase{"ean13_ean2", barcode_rows::kEan13Ean2, u"5 901234 123457|12", hoskin::kEan13},
        SymbolCase{"ean13_ean5", barcode_rows::kEan13Ean5, u"5 901234 123457|86104", hoskin::kEan13},
        SymbolCase{"ean8", barcode_rows::kEan8, u"1234 5670", hoskin::kEan8},
        SymbolCase{"upce_system0", barcode_rows::kUpcE0, u"0425261 4", hoskin::kUpcE},
        SymbolCase{"upce_system1", barcode_rows::kUpcE1, u"1425261 1", hoskin::kUpcE},
        SymbolCase{"code39_plus_shift", barcode_rows::kCode39Plus, u"Ab", hoskin::kCode39Type},
        SymbolCase{"code39_dollar_digit", barcode_rows::kCode39Dollar1, u"$1", hoskin::kCode39Type},
        SymbolCase{"code39_trailing_shift", barcode_rows::kCode39TrailingDollar, u"AB$", hoskin::kCode39Type},
        SymbolCase{"code39_check_kept", barcode_rows::kCode39Check, u"AB12O", hoskin::kCode39Type},
        SymbolCase{"code128_b_c", barcode_rows::kCode128, u"Ab12345678", hoskin::kCode128Type},
        SymbolCase{"code128_c", barcode_rows::kCode128SetC, u"1234", hoskin::kCode128Type},
        SymbolCase{"gs1_128", barcode_rows::kGs1128, u"(01)09501101530003", hoskin::kCode128Type},
        SymbolCase{"code128_a_shift", barcode_rows::kCode128Controls, u"\x01\x02" u"a\x03\x04", hoskin::kCode128Type},
        SymbolCase{"code128_fnc4", barcode_rows::kCode128Latin, u"\u00c4\u00d6\u00dc\u00df", hoskin::kCode128Type},
        SymbolCase{"code128_one_fnc4", barcode_rows::kCode128OneExtended, u"a\u00c4", hoskin::kCode128Type}),
    [](const testing::TestParamInfo<SymbolCase>& i) { return std::string(i.param.name); });

TEST(SearchLine, QuietZoneOfSixModulesBeforeTheStartGuard) {
  struct Case {
    bool barBefore;  // another element in front: the guard is not among the first two
    int quiet;
    bool found;
  };
  const Case cases[] = {{true, 5, false}, {true, 6, true}, {false, 5, true}};
  for (const Case& c : cases) {
    std::vector<int> runs = barcode_rows::Runs(barcode_rows::kEan8, c.quiet);
    if (c.barBefore) runs.insert(runs.begin(), {-10, 3});
    CBarcodeDecoder d;
    Measured(d, barcode_rows::Widths(runs, 2.5), 2.5);
    EXPECT_EQ(d.SearchMeasuredLine(), c.found) << c.barBefore << " " << c.quiet;
  }
}

TEST(SearchLine, WindowsBelowTwentyFourOrTwentyNineElementsReadNothing) {
  // A Code 39 "A" spans elements 1 to 29.
  struct Case {
    int last;
    bool found;
  };
  for (const Case& c : {Case{23, false}, Case{28, false}, Case{29, true}}) {
    CBarcodeDecoder d;
    Measured(d, barcode_rows::Widths(barcode_rows::Runs(barcode_rows::kCode39A), 2.0), 2.0);
    d.forward = 1;
    EXPECT_EQ(d.SearchLine(1, c.last), c.found) << c.last;
    d.lineIndex = 1;
    EXPECT_EQ(d.SearchLine(1, c.last), c.found) << c.last;
    EXPECT_EQ(CodeTexts(d).size(), c.found ? 1u : 0u);
  }
}

TEST(SearchLine, AnAddOnReachingPastTheWidthsIsNotRead) {
  // The EAN-5 add-on cut after its guard and first digit.
  std::vector<int> runs = barcode_rows::Runs(barcode_rows::kEan13Ean5);
  runs.resize(61 + 1 + 7);
  runs.push_back(-12);
  CBarcodeDecoder d;
  Measured(d, barcode_rows::Widths(runs, 2.0), 2.0);
  ASSERT_TRUE(SearchTwoLines(d));
  EXPECT_EQ(CodeTexts(d), std::vector<std::u16string>{u"5 901234 123457"});
}

// --- texts from symbol values

int Check128(int startSet, const std::vector<int>& data) {
  int sum = 102 + startSet;
  for (size_t i = 0; i < data.size(); ++i) sum += static_cast<int>(i + 1) * data[i];
  return sum % 103;
}

struct TextCase {
  const char* name;
  int type;
  int startSet;
  std::vector<int> values;
  std::vector<uint8_t> parity;
  bool accepted;
  std::u16string text;
};

std::vector<int> With128Check(int startSet, std::vector<int> data, int offset = 0) {
  data.push_back((Check128(startSet, data) + offset) % 103);
  return data;
}

TEST(BuildCodeText, SymbolValuesGiveTheTextOrAreRejected) {
  const TextCase cases[] = {
      {"128 set B", 4, 2, With128Check(2, {33, 66}), {}, true, u"Ab"},
      {"128 check off by one", 4, 2, With128Check(2, {33, 66}, 1), {}, false, u""},
      {"128 start C", 4, 3, With128Check(3, {12, 34}), {}, true, u"1234"},
      {"128 C then CODE B", 4, 3, With128Check(3, {12, 100, 33}), {}, true, u"12A"},
      {"128 A with SHIFT", 4, 1, With128Check(1, {65, 98, 65, 65}), {}, true, u"\x01" u"a\x01"},
      {"128 FNC4 latch and unlatch", 4, 2, With128Check(2, {100, 100, 33, 33, 100, 100, 33}), {}, true,
       u"\u00c1\u00c1A"},
      {"128 FNC4 once inside the latch", 4, 2, With128Check(2, {100, 100, 33, 100, 33, 33}), {}, true,
       u"\u00c1A\u00c1"},
      {"128 FNC4 in set A", 4, 1, With128Check(1, {101, 33, 33}), {}, true, u"\u00c1A"},
      {"128 three FNC4: a latch and a lone one", 4, 2, With128Check(2, {100, 100, 100, 33, 33}), {}, true,
       u"A\u00c1"},
      {"GS1 01", 4, 3, With128Check(3, {102, 1, 9, 50, 11, 1, 53, 0, 3}), {}, true, u"(01)09501101530003"},
      {"GS1 two strings", 4, 3, With128Check(3, {102, 10, 12, 34, 102, 17, 26, 12, 31}), {}, true, u"(10)1234(17)261231"},
      {"FNC1 before an unknown identifier", 4, 3, With128Check(3, {102, 23, 45}), {}, true, u"\x1d" u"2345"},
      {"FNC1 before two digits only", 4, 3, With128Check(3, {102, 23}), {}, true, u"\x1d" u"23"},
      {"FNC1 inside a string of predefined length", 4, 3, With128Check(3, {102, 1, 12, 34, 102, 56, 78, 90, 12, 34, 56, 78}),
       {}, true, u"(01)1234\x1d" u"567890123456" u"78"},
      {"FNC1 later without GS1", 4, 2, With128Check(2, {33, 102, 33}), {}, true, u"AA"},
      {"ean13", 2, 0, {9, 10, 11, 2, 13, 14, 1, 2, 3, 4, 5, 7}, {1, 0, 0, 1, 1, 0}, true, u"5 901234 123457"},
      {"ean13 check digit", 2, 0, {9, 10, 11, 2, 13, 14, 1, 2, 3, 4, 5, 8}, {1, 0, 0, 1, 1, 0}, false, u""},
      {"ean13 parity of no row", 2, 0, {9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7}, {1, 1, 1, 1, 1, 0}, false, u""},
      {"ean8", 1, 0, {1, 2, 3, 4, 5, 6, 7, 0}, {}, true, u"1234 5670"},
      {"ean8 check digit", 1, 0, {1, 2, 3, 4, 5, 6, 7, 1}, {}, false, u""},
      {"upc-e parity of no row", 5, 0, {14, 12, 5, 2, 16, 1}, {0, 0, 0, 0, 0, 0}, false, u""},
      {"upc-e system 0", 5, 0, {14, 2, 15, 2, 6, 11}, {0, 1, 0, 0, 1, 1}, true, u"0425261 4"},
      {"upc-e system 1", 5, 0, {4, 2, 15, 2, 16, 11}, {1, 1, 0, 1, 0, 0}, true, u"1425261 1"},
      // A parity row of its own but not the check digit of the UPC-A it stands for.
      {"upc-e check digit of its upc-a", 5, 0, {4, 12, 5, 12, 16, 1}, {1, 0, 1, 1, 0, 0}, false, u""},
      {"upc-e last digit 3", 5, 0, {11, 12, 3, 14, 5, 3}, {0, 0, 1, 0, 1, 1}, true, u"0123453 1"},
      {"upc-e last digit 7", 5, 0, {11, 12, 3, 4, 15, 7}, {0, 0, 1, 1, 0, 1}, true, u"0123457 2"},
      {"ean2 parity", 6, 0, {1, 2}, {1, 1}, true, u"12"},
      {"ean2 wrong parity", 6, 0, {1, 12}, {1, 0}, false, u""},
      {"ean5", 7, 0, {18, 16, 1, 0, 4}, {0, 0, 1, 1, 1}, true, u"86104"},
      {"code39 star as data", 3, 0, {10, 43}, {}, true, u"A*"},
      {"code39 shifts", 3, 0, {10, 41, 11, 40, 25, 42, 30}, {}, true, std::u16string(u"Ab0\0", 4)},
      // A shift that pairs with no letter makes the whole text plain Code 39.
      {"code39 not Full ASCII", 3, 0, {10, 11, 12, 36, 1, 2, 38, 39, 40, 41, 42}, {}, true, u"ABC-12 $/+%"},
      {"code39 a pair beside a lone shift", 3, 0, {41, 11, 39, 1}, {}, true, u"+B$1"},
      // "%" is the check character of "A+BC+D" (128 mod 43 = 42) and is kept.
      {"code39 check character a shift", 3, 0, {10, 41, 11, 12, 41, 13, 42}, {}, true, u"AbCd%"},
      // "$" is not the check character of "+A" (51 mod 43 = 8): a lone shift.
      {"code39 last lone shift not the check", 3, 0, {41, 10, 39}, {}, true, u"+A$"},
  };
  for (const TextCase& c : cases) {
    HostString text = nullptr;
    const bool ok = hoskin::BuildCodeTextFromValues(c.type, &text, c.startSet, static_cast<int>(c.values.size()),
                                                    c.parity.data(), c.values.data());
    EXPECT_EQ(ok, c.accepted) << c.name;
    EXPECT_EQ(Text(text), c.text) << c.name;
    FreeHostString(&text);
  }
}

// --- the vote

TEST(VoteLineResults, LongestRunOfEqualTextsTheGreaterFirstAmongEqualRuns) {
  struct Case {
    const char* name;
    std::vector<const char16_t*> texts;  // 15, null for an empty line
    bool voted;
    std::u16string winner;
  };
  const std::vector<const char16_t*> fiveFiveFive = {u"A", u"B", nullptr, u"A", u"B", nullptr, u"A", u"B", nullptr,
                                                      u"A", u"B", nullptr, u"A", u"B", nullptr};
  const std::vector<const char16_t*> fourSix = {u"C", u"A", u"A", u"C", u"A", u"A", u"C", u"A",
                                                u"C", u"A", nullptr, nullptr, nullptr, nullptr, nullptr};
  const Case cases[] = {
      {"five, five and five", fiveFiveFive, true, u"B"},
      {"a longer run sorts later", fourSix, true, u"A"},
      {"all empty", std::vector<const char16_t*>(15, nullptr), false, u""},
      {"two lines beside a single one", {u"Z", nullptr, u"A", nullptr, u"A", nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
       true, u"A"},
      {"each text on one line only", {u"Z", nullptr, u"A", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
       false, u""},
  };
  for (const Case& c : cases) {
    CBarcodeDecoder d;
    for (int i = 0; i < hoskin::kLineCount; ++i) {
      if (c.texts[i]) SetString(static_cast<int>(std::char_traits<char16_t>::length(c.texts[i])) - 1, c.texts[i], &d.lineResults[i].text);
      d.lineResults[i].type = 3;
      d.lineResults[i].x0 = i;
    }
    EXPECT_EQ(d.VoteLineResults(), c.voted) << c.name;
    EXPECT_EQ(CodeTexts(d), c.voted ? std::vector<std::u16string>{c.winner} : std::vector<std::u16string>{})
        << c.name;
    if (!c.voted && !c.texts[0]) {
      for (const hoskin::LineResult& r : d.lineResults) EXPECT_EQ(r.text, nullptr) << c.name;
    }
  }
}

TEST(AddCode, AKnownCodeAddsAHitAndItsTextIsFreed) {
  CBarcodeDecoder d;
  d.regionQuad.p[0] = {0, 0}, d.regionQuad.p[1] = {10, 0}, d.regionQuad.p[2] = {10, 10}, d.regionQuad.p[3] = {0, 10};
  d.regionQuad.Close();
  const auto add = [&](const char16_t* t, double x0, double x1) {
    HostString s = nullptr;
    SetString(static_cast<int>(std::char_traits<char16_t>::length(t)) - 1, t, &s);
    d.AddCode(2, x0, 5, x1, 5, s);
  };
  add(u"12", 2, 8);
  add(u"12", 3, 7);   // a line end inside the first code: known
  add(u"12", -4, 2);  // a line end on the first code's edge: known as well
  add(u"13", 3, 7);   // another text
  add(u"12", 12, 18); // elsewhere
  std::vector<std::pair<std::u16string, int>> got;
  for (gpu::CListElem* e = d.codes.head; e; e = e->next) {
    auto* c = static_cast<hoskin::CCodeListElem*>(e);
    got.push_back({Text(c->text), c->hits});
  }
  EXPECT_EQ(got, (std::vector<std::pair<std::u16string, int>>{{u"12", 3}, {u"13", 1}, {u"12", 1}}));
}

}  // namespace
