// Data Matrix decodation: zint symbols in each encodation read back to their
// text, and hand-made codeword sequences for what an encoder rarely writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dm_decode.h"
#include "dm_grid.h"

namespace {

using dunsel_test::DmOptions;

std::u16string Latin1(const std::string& s) {
  std::u16string out;
  for (unsigned char ch : s) out.push_back(ch);
  return out;
}

std::u16string Decode(const std::vector<uint8_t>& cw) {
  std::u16string text;
  dunsel::DecodeDataCodewords(cw.data(), static_cast<int>(cw.size()), text);
  return text;
}

TEST(DataMatrixDecode, EncoderSymbolsReadBack) {
  struct Case {
    const char* what;
    std::string data;
    DmOptions options;
    int marker;  // a codeword the encoder must have used, 0 for none
    std::string text;
  };
  std::string bytes300;
  for (int i = 0; i < 300; ++i) bytes300 += static_cast<char>(128 + (i * 37) % 128);
  const std::string longText = "The quick brown fox jumps over the lazy dog 0123456789";
  const Case cases[] = {
      {"digit pairs", "123456", {}, 142, "123456"},
      {"C40", "ABCDEFGHIJKLMNOPQRSTUV0123", {}, 230, ""},
      {"C40 shift 2", "ABCDEFGHIJKLMNOP!QRSTUVWXYZ", {}, 230, ""},
      {"C40 shift 3", "ABCDEF`GHIJKLMNOPQRSTUVWXYZ012345", {}, 230, ""},
      {"Text", "abcdefghijklmnopqrstuvwxyz", {}, 239, ""},
      {"Text shifts", "abcdefghijklmnopABCqrstuvwxyz{", {}, 239, ""},
      {"X12", "ABC*>DEF*>GHI*>JKL*>\rMNO", {}, 238, ""},
      {"EDIFACT", ".@.@.@.@.@.@.@.@.@.@.@.@", {}, 240, ""},
      {"Base 256, two length codewords", bytes300, {}, 231, ""},
      {"Upper Shift", "A\xe9", {}, 235, ""},
      {"pads", "A", {.size = 4}, 129, ""},
      {"text over 32 characters", longText, {}, 0, ""},
      {"GS1: FNC1 first and between fields", "[01]09501101530003[10]AB12[21]123", {.inputMode = GS1_MODE}, 232,
       "010950110153000310AB12\x1d" "21123"},
      {"ECI of one codeword", "ABC", {.eci = 26}, 241, ""},
      {"ECI of two codewords", "ABC", {.eci = 899}, 241, ""},
      {"ECI of three codewords", "ABC", {.eci = 20000}, 241, ""},
      {"Structured Append", "ABCDEF", {.appendIndex = 2, .appendCount = 3}, 233, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const dunsel_test::DmMatrix m = dunsel_test::ZintDataMatrix(c.data, c.options);
    const dunsel::DmSize* size = dunsel::FindSymbolSize(m.rows, m.cols);
    ASSERT_NE(size, nullptr);
    std::vector<uint8_t> cw = dunsel_test::DrawnCodewords(m);
    ASSERT_FALSE(cw.empty());
    cw.resize(static_cast<size_t>(size->dataCodewords()));
    if (c.marker) {
      EXPECT_NE(std::find(cw.begin(), cw.end(), c.marker), cw.end()) << "the encoder took another way";
    }
    EXPECT_EQ(Decode(cw), Latin1(c.text.empty() ? c.data : c.text));
  }
}

// A byte of a Base 256 field as written at a 1-based position.
uint8_t Randomise255(int byte, int position) { return static_cast<uint8_t>((byte + (149 * position) % 255 + 1) % 256); }
uint8_t Pad(int position) { return static_cast<uint8_t>(((149 * position) % 253 + 130) % 254); }

TEST(DataMatrixDecode, CodewordSequences) {
  struct Case {
    const char* what;
    std::vector<uint8_t> cw;
    std::u16string text;
  };
  const Case cases[] = {
      {"ASCII and digit pairs", {66, 67, 130, 229, 1}, std::u16string(u"AB0099\0", 7)},
      {"Upper Shift", {235, 66, 67}, u"\u00c1B"},
      {"pads after the data", {66, 129, Pad(3), Pad(4), Pad(5)}, u"A"},
      {"a pad value before the pad codeword is data", {Pad(1), 129}, std::u16string(1, char16_t(Pad(1) - 1))},
      {"FNC1 leading", {232, 66, 232, 67}, u"A\x1d" u"B"},
      {"FNC1 after an unlatch separates", {230, 89, 233, 254, 232, 66}, u"ABC\x1d" u"A"},
      {"ECI of each length", {241, 27, 66, 241, 130, 5, 67, 241, 195, 1, 1, 68}, u"ABC"},
      {"Structured Append header", {233, 18, 1, 1, 66}, u"A"},
      {"reader programming and macros", {234, 236, 237, 0, 66}, u"A"},
      {"C40 pair", {230, 89, 233}, u"ABC"},
      {"C40 final single codeword is ASCII", {230, 89, 233, 66}, u"ABCA"},
      {"C40 Upper Shift", {230, 10, 255}, u"\u00c1"},
      {"C40 shift 2 carried into the next pair", {230, 0, 202, 170, 244}, u"\x05\x1d" "A "},
      {"Text shift 3", {239, 12, 172}, u"A "},
      {"Text letters", {239, 89, 233}, u"abc"},
      {"X12 specials", {238, 0, 43}, u"\r*>"},
      {"X12 unlatch", {238, 0, 43, 254, 66}, u"\r*>A"},
      {"EDIFACT unlatch in the second value", {240, 0x05, 0xF0, 0x00, 67}, u"AB"},
      {"EDIFACT triple beginning with 254 is data", {240, 254, 8, 31, 66}, u"?  A"},
      {"EDIFACT final two codewords are ASCII", {240, 0x05, 0xF0, 0x00, 240, 0x04, 0x10, 0x41, 66, 67}, u"AAAAAAB"},
      {"Base 256 of length 0 runs to the end",
       {231, Randomise255(0, 2), Randomise255('x', 3), Randomise255('y', 4), Randomise255(200, 5)},
       u"xy\u00c8"},
      {"Base 256 field then ASCII", {231, Randomise255(2, 2), Randomise255('x', 3), Randomise255('y', 4), 66},
       u"xyA"},
      {"Base 256 field cut at the last codeword", {231, Randomise255(200, 2), Randomise255('x', 3)}, u"x"},
      {"Base 256 with one codeword left", {66, 231, 1}, u"A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.cw), c.text) << c.what;
  }
}

// Codewords as an encoder writes them, position after position.
struct Codewords {
  std::vector<uint8_t> cw;
  Codewords& Add(std::initializer_list<int> values) {
    for (int v : values) cw.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  // EDIFACT values of the characters (and the unlatch), packed from the
  // most significant bit, the last codeword filled with zero bits.
  Codewords& Edifact(const std::string& chars, bool unlatch) {
    std::vector<int> values;
    for (char ch : chars) values.push_back(ch & 63);
    if (unlatch) values.push_back(31);
    uint32_t acc = 0;
    int bits = 0;
    for (int v : values) {
      acc = (acc << 6) | static_cast<uint32_t>(v);
      for (bits += 6; bits >= 8; bits -= 8) cw.push_back(static_cast<uint8_t>(acc >> (bits - 8)));
    }
    if (bits > 0) cw.push_back(static_cast<uint8_t>(acc << (8 - bits)));
    return *this;
  }
  // One C40/Text/X12 pair of three values.
  Codewords& Triple(int a, int b, int c) {
    const int v = 1600 * a + 40 * b + c + 1;
    return Add({v / 256, v % 256});
  }
  // The pad codeword and randomised pads up to `total` codewords.
  Codewords& Pads(int total) {
    if (static_cast<int>(cw.size()) < total) cw.push_back(129);
    while (static_cast<int>(cw.size()) < total) cw.push_back(Pad(static_cast<int>(cw.size()) + 1));
    return *this;
  }
};

TEST(DataMatrixDecode, EndsOfEncodationsAndThePaddingAfterThem) {
  struct Case {
    const char* what;
    std::vector<uint8_t> cw;
    std::u16string text;
  };
  const int n = 18;  // data codewords of a 16 x 16 symbol
  const Case cases[] = {
      {"EDIFACT unlatch in value 1", Codewords().Add({240}).Edifact("ABCD", true).Pads(n).cw, u"ABCD"},
      {"EDIFACT unlatch in value 2", Codewords().Add({240}).Edifact("ABCDE", true).Pads(n).cw, u"ABCDE"},
      {"EDIFACT unlatch in value 3", Codewords().Add({240}).Edifact("ABCDEF", true).Pads(n).cw, u"ABCDEF"},
      {"EDIFACT unlatch in value 4", Codewords().Add({240}).Edifact("ABCDEFG", true).Pads(n).cw, u"ABCDEFG"},
      {"ASCII after an unlatch in value 1", Codewords().Add({240}).Edifact("ABCD", true).Add({91}).Pads(n).cw,
       u"ABCDZ"},
      {"ASCII after an unlatch in value 2", Codewords().Add({240}).Edifact("A", true).Add({91}).Pads(n).cw, u"AZ"},
      {"ASCII after an unlatch in value 3", Codewords().Add({240}).Edifact("AB", true).Add({91}).Pads(n).cw, u"ABZ"},
      {"ASCII after an unlatch in value 4", Codewords().Add({240}).Edifact("ABC", true).Add({91}).Pads(n).cw,
       u"ABCZ"},
      {"EDIFACT, one codeword left in ASCII", Codewords().Add({240}).Edifact("ABCD", false).Add({91}).cw, u"ABCDZ"},
      {"EDIFACT, one codeword left: '{' is ASCII", Codewords().Add({240}).Edifact("ABCD", false).Add({124}).cw,
       u"ABCD{"},
      {"EDIFACT, two codewords left in ASCII", Codewords().Add({240}).Edifact("ABCD", false).Add({90, 91}).cw,
       u"ABCDYZ"},
      {"EDIFACT, two codewords left: ASCII and a pad", Codewords().Add({240}).Edifact("ABCD", false).Add({91, 129}).cw,
       u"ABCDZ"},
      {"EDIFACT, two codewords left: a value and the unlatch", Codewords().Add({240}).Edifact("ABCDE", true).cw,
       u"ABCDE"},
      {"EDIFACT, two codewords left: pads", Codewords().Add({240}).Edifact("ABCD", false).Pads(6).cw, u"ABCD"},
      {"C40 ends on a lone codeword", Codewords().Add({230}).Triple(14, 15, 16).Add({69}).cw, u"ABCD"},
      {"Text ends on a lone codeword", Codewords().Add({239}).Triple(14, 15, 16).Add({69}).cw, u"abcD"},
      {"X12 ends on a lone codeword", Codewords().Add({238}).Triple(14, 1, 2).Add({69}).cw, u"A*>D"},
      {"C40 ends on an unlatch", Codewords().Add({230}).Triple(14, 15, 16).Add({254}).Pads(n).cw, u"ABC"},
      {"Text ends on an unlatch", Codewords().Add({239}).Triple(14, 15, 16).Add({254}).Pads(n).cw, u"abc"},
      {"X12 ends on an unlatch", Codewords().Add({238}).Triple(14, 1, 2).Add({254}).Pads(n).cw, u"A*>"},
      {"Base 256 field then pads",
       Codewords().Add({231, Randomise255(2, 2), Randomise255('x', 3), Randomise255('y', 4)}).Pads(n).cw, u"xy"},
      {"nothing after the pad codeword is text", Codewords().Add({66, 129, 66, 130, 240, 1, 2, 3}).cw, u"A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.cw), c.text) << c.what;
  }
}

}  // namespace
