#include "symbol_tables.h"

namespace dunsel {

namespace {

constexpr const char* kCode128Patterns[96] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113"};

constexpr Code128Tables MakeCode128() {
  Code128Tables t{};
  for (int v = 0; v < 96; ++v) {
    Code128Symbol& s = t.symbols[v];
    for (int k = 0; k < 6; ++k) s.pattern[k] = kCode128Patterns[v][k];
    s.setA = static_cast<char16_t>(v < 64 ? 32 + v : v - 64);
    s.setB = static_cast<char16_t>(32 + v);
    s.setC[0] = static_cast<char16_t>(u'0' + v / 10);
    s.setC[1] = static_cast<char16_t>(u'0' + v % 10);
  }
  t.functions = {{{"114311", {6, 6, 96}},
                  {"411113", {5, 5, 97}},
                  {"411311", {2, 1, 98}},
                  {"113141", {3, 3, 99}},
                  {"114131", {2, 6, 2}},
                  {"311141", {6, 1, 1}},
                  {"411131", {4, 4, 4}}}};
  t.aiRanges = {{{0, 2, 2},       {10, 10, 2},     {11, 17, 2},   {20, 22, 2},   {23, 23, 3},   {240, 240, 3},
                 {250, 250, 3},   {30, 30, 2},     {310, 316, 4}, {320, 336, 4}, {340, 356, 4}, {360, 369, 4},
                 {37, 37, 2},     {400, 400, 3},   {410, 412, 3}, {414, 414, 3}, {420, 421, 3}, {8001, 8003, 4},
                 {8005, 8005, 4}, {8100, 8102, 4}, {90, 99, 2}}};
  return t;
}

constexpr Code39Tables MakeCode39() {
  Code39Tables t{};
  t.symbols = {
      {{"1211212111", u'*'}, {"1112212111", u'0'}, {"2112111121", u'1'}, {"1122111121", u'2'}, {"2122111111", u'3'},
       {"1112211121", u'4'}, {"2112211111", u'5'}, {"1122211111", u'6'}, {"1112112121", u'7'}, {"2112112111", u'8'},
       {"1122112111", u'9'}, {"2111121121", u'A'}, {"1121121121", u'B'}, {"2121121111", u'C'}, {"1111221121", u'D'},
       {"2111221111", u'E'}, {"1121221111", u'F'}, {"1111122121", u'G'}, {"2111122111", u'H'}, {"1121122111", u'I'},
       {"1111222111", u'J'}, {"2111111221", u'K'}, {"1121111221", u'L'}, {"2121111211", u'M'}, {"1111211221", u'N'},
       {"2111211211", u'O'}, {"1121211211", u'P'}, {"1111112221", u'Q'}, {"2111112211", u'R'}, {"1121112211", u'S'},
       {"1111212211", u'T'}, {"2211111121", u'U'}, {"1221111121", u'V'}, {"2221111111", u'W'}, {"1211211121", u'X'},
       {"2211211111", u'Y'}, {"1221211111", u'Z'}, {"1211112121", u'-'}, {"2211112111", u'.'}, {"1221112111", u' '},
       {"1212121111", u'$'}, {"1212111211", u'/'}, {"1211121211", u'+'}, {"1112121211", u'%'}}};
  const auto put = [&t](int code, char16_t a, char16_t b) { t.fullAscii[code] = {a, b, 0}; };
  put(0, u'%', u'U');
  for (int c = 1; c <= 26; ++c) put(c, u'$', static_cast<char16_t>(u'A' + c - 1));
  for (int c = 27; c <= 31; ++c) put(c, u'%', static_cast<char16_t>(u'A' + c - 27));
  for (int c = 33; c <= 44; ++c) put(c, u'/', static_cast<char16_t>(u'A' + c - 33));
  put(47, u'/', u'O');
  put(58, u'/', u'Z');
  for (int c = 59; c <= 63; ++c) put(c, u'%', static_cast<char16_t>(u'F' + c - 59));
  put(64, u'%', u'V');
  for (int c = 91; c <= 95; ++c) put(c, u'%', static_cast<char16_t>(u'K' + c - 91));
  put(96, u'%', u'W');
  for (int c = 97; c <= 122; ++c) put(c, u'+', static_cast<char16_t>(u'A' + c - 97));
  for (int c = 123; c <= 127; ++c) put(c, u'%', static_cast<char16_t>(u'P' + c - 123));
  put(128, u'%', u'X');
  put(129, u'%', u'Y');
  put(130, u'%', u'Z');
  return t;
}

constexpr Code128Tables kCode128 = MakeCode128();
constexpr Code39Tables kCode39 = MakeCode39();

// Every Code 128 pattern is 11 modules wide with an even bar total.
constexpr bool Code128PatternsSound() {
  for (const Code128Symbol& s : kCode128.symbols) {
    int sum = 0, bars = 0;
    for (int k = 0; k < 6; ++k) {
      sum += s.pattern[k] - '0';
      bars += k % 2 == 0 ? s.pattern[k] - '0' : 0;
    }
    if (sum != 11 || bars % 2 != 0) return false;
  }
  return true;
}
static_assert(Code128PatternsSound());

// Every Code 39 character has three wide elements of nine.
constexpr bool Code39PatternsSound() {
  for (const Code39Symbol& s : kCode39.symbols) {
    int wide = 0;
    for (int k = 0; k < 9; ++k) wide += s.pattern[k] == '2' ? 1 : 0;
    if (wide != 3 || s.pattern[9] != '1') return false;
  }
  return true;
}
static_assert(Code39PatternsSound());

}  // namespace

const Code128Tables& Code128() { return kCode128; }
const Code39Tables& Code39() { return kCode39; }

}  // namespace dunsel
