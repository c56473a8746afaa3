#include "latin/vote_targets.h"

#include <array>

#include "latin/latin_classes.h"

namespace kelmar::latin {

const CandidateListText kCandidateLists[kListCount] = {
    {39, u"1 2 3 4 5 7 Ä J S T V Y Z ä a d q v x y z Ř Č č Š š Ž ž Ý ý Á á á Ó ó Ú ú Ů ů"},
    {22, u"Ü ü B D E F H K L M N P R U b h k l m n p u"},
    {36, u"0 8 B C D E F G H K L M N O P R U W a b c e f h k m n o p r u w ö ü Ö Ü"},
    {28, u"1 2 3 4 5 7 J S T V X Y Z a j q s v x y z š Š Ť ž Ž ý Ý"},
    {46, u"2 5 6 7 Ä C E F G K L P R S T V X Y Z b c e f h k p r s v x y z é É ý Ý Ě ě Ř ř Š š č Č Ž ž"},
    {14, u"Ü H J M N U d j l m n q u ü"},
    {24, u"0 1 3 8 B D H J M N O Q U W a a d j l m n o q u"},
    {46, u"2 5 6 7 C E F G L P S T V X Y Z b c f h k p r s v x y z É é Ý ý Ě ě Ť Š š Č č Ř ř Ž ž Á á á"},
    {37, u"4 Ä Ü ü H K L M N U V W X Y b d h k t u v w x y Á á á É é Ó ó Ý ý Ú ú Ů ů"},
    {31, u"0 2 3 7 9 Ö ö B C D E F G O P Q R S T Z a c e g m n o p q r s"},
    {22, u"7 Ü ü E F H J L N T U V W Z b d h k u v y z"},
    {35, u"4 7 Ä A F H K M N P R T V W X Y f h k m n p q v w x y Ň Ť ň Ř ř Ý ý Á"},
    {49, u"0 2 3 5 6 8 Ö Ü ö ü B C D E G L O S U Z a a b c d e g j o s z Ě Ď ě Š š Č č Ž ž É é Ó ó á Ú ú Ů ů"},
    {31, u"2 7 E F H L M N P R T V X Y Z h m n q r v y z Ň ň Ě Ť Ž Ý É ý"},
    {33, u"0 2 5 6 9 C D E G O Q S Z c e g s z É Ď Ě Č Š Ž ě š č ž Ó ó é Ö ö"},
    {15, u"H L M N T U V W X Y h u v w y"},
    {37, u"0 1 Ä Ü ü A C D I J L M N O T U V W a b c h i j l m n o r t u v w Í í Ú ú"},
    {19, u"2 5 8 B E S Z a e g s Ě Š Ž ě ž É é ä"},
    {53, u"0 2 3 5 6 8 9 Ä ä Ö ö A B C D E G O P Q R S Z a a b c d e g o p q s z Ď Ě Š Č Ň Ř Ž Á Ó ó É ě š č ž á á é"},
    {46, u"0 1 7 C D G H I J L M N O Q T U V W X Y a b c d h i j k l m n o r t u v w x y á Č č Í í Ú ú"},
    {24, u"5 6 8 B E F P R S Z a e s z Ě Š Ř Ž É ě š ž á é"},
    {32, u"0 1 C D I J L M N O Q T U a b c h i j k l n o r t u Í í Ú ú Ü ü"},
    {26, u"0 Ö ö Ü ü D N O Q U V a m n o u Ď Ň ň Ó ó Ú ú Ů ů á"},
    {41, u"1 2 3 5 7 C E F I J L P S T X Z c e f i j l r s t x z Ě Ť Š Č Ž Í É ě š č ř ž í é"},
    {39, u"0 Ä Ö Ü ö ü ä A B D M N O Q U V a b d h m n o p q u v Á á á Ó ó Ď Ň ň Ú ú Ů ů"},
    {19, u"3 7 C I L S T Z c f i j l r s t Í ř í"},
    {45, u"0 4 6 8 9 A B D H K O P Q R U V X Y a b d g h k n o p q u v x y Ď Ř Ý ý Á á á Ó ó Ú ú Ů ů"},
    {39, u"1 2 4 7 C E F I L P T Y Z c e f i j l p q r t y z Ě Ť Č Ž Ý Í É ě č ř ž ý í é"},
    {16, u"1 7 F I P T Y f i r y Ť Ý Í ř í"},
    {47, u"0 6 8 Ä ä Ö ö Ü ü A B D G H K M N O R U W X a a b d h k m n o u w x Ď Ň ň Ř Á á á Ó ó Ú ú Ů ů"},
    {13, u"H K M N U V W X Y u v y w"},
    {21, u"3 5 E F I J L T Z b d f h i j k r t z Í í"},
    {39, u"0 8 9 Ä ä Ö ö Ü ü B D H K M N O P Q R U V W X Y a e g m n o p q u v w x y Ů ů"},
    {9, u"I J L j i l t Í í"},
    {45, u"0 8 A B D H I M N O S T U V W X Y Z m n o s u v w x z Ď Ť Ň ň Š š Ý Ú ú Ů ů Ž ž Ä Ö Ü ü ö"},
    {20, u"0 2 3 B C D E H I N O R S X Z c s o x z"},
    {11, u"3 7 9 J a d j q á Ó ó"},
    {17, u"6 C E F L P b c h k p r ř Č č Ě É"},
    {12, u"4 6 G J L a b d h j k á"},
    {11, u"7 9 F P T Y p q r y Ť"},
    {33, u"0 6 8 9 A B D O P Q R a a b d e g o p q Ď Ř Á Ó ó ě é á á Ä ä Ö ö"},
    {63, u"1 2 3 5 7 8 B C E F G H I J K L M N S T U V W X Y Z c f h i j k l m n r s t u v w x y z Ě Ť Š Č Ž Ý Í É Ú š č ň ř ž ý í ú Ů ů"},
};

namespace {

struct TargetEntry {
  Target target;
  std::u16string_view text;
};

constexpr TargetEntry kTexts[] = {
    {kTallNarrow, u"!1 I i l Í=117 í=118"},
    {kLeftClose, u"L1"},
    {kLeftCloseG, u"g"},
    {kLeftCloseF, u"f"},
    {kLeftFar, u"!1 I i l Í í J T"},
    {kLeftElse, u"L2"},
    {kLeftD, u"d"},
    {kLeftQ, u"q"},
    {kLeftTI, u"T I"},
    {kLeftTI2, u"Í=88"},
    {kLeftAccents, u"Ď Ě Ť ě Č č Ň Ž ž É é Ó ó Ý ý Ů ů á=86 á=87 ú*2"},
    {kLeft1, u"1 t ň"},
    {kLeft2, u"Ď"},
    {kLeft3, u"i l r p É Ě Ň"},
    {kLeft3Else, u"2 3 4 5 7 S V X Y Z a=42 s v x y z Š š Ž ž Ý ý Á á=86 Ä ä"},
    {kLeft4, u"L3"},
    {kLeft4Else, u"L4"},
    {kLeft5, u"6 A V v"},
    {kLeft6, u"7 Z Ä z A d Á"},
    {kLeft6b, u"2"},
    {kLeft6c, u"á=86 a=42"},
    {kLeft7, u"5 S Y s y q"},
    {kLeft8, u"V v"},
    {kLeft9, u"Š š"},
    {kLeft10, u"X 8 9"},
    {kLeft11, u"o a=43"},
    {kLeft12, u"0 4 A C G O Q"},
    {kLeft12Else, u"Y V X y v x"},
    {kLeft13, u"V v"},
    {kLeft14, u"X x A"},
    {kLeft15, u"ě é č"},
    {kLeft16, u"7 2 Z z"},
    {kLeft17, u"f*2"},
    {kLeft18, u"C*2 c*2 G*2 0*2 O*2 o*2 a=43*2"},
    {kLeft19, u"T U P R u p M N K L k m n h b Ü ü"},
    {kLeft20, u"Ť"},
    {kLeft21, u"I J"},
    {kLeft22, u"J"},
    {kLeft23, u"j"},
    {kLeft24, u"C c e a=43 b d w u q g ř Ř ě Ě Ď Ň č Č š É Ó é á=87 r*2"},
    {kLeft24b, u"t f"},
    {kLeft25, u"3"},
    {kLeft26, u"ž Ž"},
    {kLeft27, u"ě č Č é á=87 c C o O 0 a=43 e"},
    {kLeft27Else, u"B D E F H K M N P R h m n p"},
    {kLeft28, u"y j J s S 5 9 3 ý Š š"},
    {kLeft29, u"2 3 7 Z Ť"},
    {kLeft29b, u"1"},
    {kLeft30, u"a=42 ä á=115"},
    {kRight1, u"L5"},
    {kRight1Far, u"!1 l 4 C c f i I L T"},
    {kRight1Else, u"L6"},
    {kRight2, u"L7"},
    {kRight2I, u"I"},
    {kRight2Mid, u"5"},
    {kRight2Else, u"L8"},
    {kRight3, u"K"},
    {kRight4, u"9"},
    {kRight5, u"Y y P p"},
    {kRight5Else, u"5 6 Ä Á A S b h k s"},
    {kRight6, u"2 7 V W Z v w y"},
    {kRight7, u"z Ž ž"},
    {kRight8, u"K R X x"},
    {kRight9, u"6"},
    {kRight10, u"9 V v Y y Ý ý w*2"},
    {kRight11, u"1 l"},
    {kRight12, u"G F E P S s h É Ě Š š"},
    {kRight13, u"X x K k z Z 2 Ž ž"},
    {kRight14, u"a=42 d j q ä á=86 Ň Ď ň"},
    {kRight15, u"c e é ě p"},
    {kRight15b, u"z Z r ř"},
    {kRight16, u"k"},
    {kRight17, u"b h"},
    {kRight17Else, u"t"},
    {kRight18, u"T I i"},
    {kRight19, u"1 l"},
    {kRight20, u"Y y V v X x K Z z W w"},
    {kRight21, u"Á"},
    {kRight22, u"V v y ý"},
    {kRight23, u"X x R Ř K k"},
    {kRight24, u"Y Ý"},
    {kRight25, u"F P"},
    {kRight26, u"Y V v"},
    {kRight27, u"W w Y V v"},
    {kRight28, u"Ý ý"},
    {kRight29, u"7 y"},
    {kRight30, u"T u Ů Ú m n"},
    {kRight31, u"a=43 á=87"},
    {kRight32, u"0 3 5 6 8 9 B D O S U"},
    {kRight33, u"A"},
    {kRight34, u"I Í=117"},
    {kRight35, u"P p F E Ě ě č ř É é"},
    {kRight36, u"2 C c L e E z Z é É Ě ě č Č Ž ž"},
    {kRight37, u"G b"},
    {kRight38, u"5"},
    {kRight39, u"Q"},
    {kRight40, u"a=43"},
    {kRight41, u"b h"},
    {kRight41Else, u"K S X x k*2"},
    {kRight41Shallow, u"s R Ř Š š"},
    {kBottom1, u"L9"},
    {kBottom1Flat, u"6 Ě ě Ď Ť Š š Č č Ň ň Ř ř Ž ž"},
    {kBottom1Low, u"L11"},
    {kBottom1Else, u"L10"},
    {kBottom1Deep, u"5"},
    {kBottom2, u"É Ě Ď Ť Ž ž"},
    {kBottom3, u"Y X y x"},
    {kBottom4, u"u U"},
    {kBottom5, u"K"},
    {kBottom5Else, u"N"},
    {kBottom6, u"Ü M V X Y v x y U u"},
    {kBottom7, u"I B D 8 R C c e g m n o P p q r s É Ó Ě Ď Š Č Ř Ž"},
    {kBottom8, u"ě é ó š č ř ň ž"},
    {kBottom9, u"0 2 9 B C c D G O P Q R S s"},
    {kBottom10, u"6 a=43"},
    {kBottom11, u"U u V v H L Y"},
    {kBottom12, u"d u U N H"},
    {kBottom13, u"H u U b h K k"},
    {kBottom14, u"k K V v X x Y y"},
    {kBottom15, u"Ě Ď Ť Š Č Ň Ř Ž ě ň š č ř ž"},
    {kTop1, u"1"},
    {kTop2, u"4"},
    {kTop3, u"L12"},
    {kTop3Low, u"L14"},
    {kTop3Else, u"L13"},
    {kTop4, u"K N R Ň Ř"},
    {kTop5, u"Ä A H Á Ř X K R h k n"},
    {kTop6, u"0 3 5 6 8 Ö B C D J O S U c e o ě Ď č Č š Š é Ó ó Ú Ů ö"},
    {kTop7, u"I Í=88"},
    {kTop8, u"a=43 u"},
    {kTop9, u"q"},
    {kA1Min1, u"L15"},
    {kA1Min2, u"L16"},
    {kA1Second1, u"L19"},
    {kA1Second3, u"L17"},
    {kA1Second2, u"L18"},
    {kA2Min2, u"L20"},
    {kA2Second1, u"L21"},
    {kA2Second2, u"L22"},
    {kBMin1, u"L23"},
    {kBMinMore, u"L24"},
    {kBSecond1, u"L25"},
    {kBSecondMore, u"L26"},
    {kBMin3, u"L27"},
    {kBSecond4, u"N Ň a=43 á=87"},
    {kCMinMore, u"L28"},
    {kCSecond1, u"L30"},
    {kCSecondMore, u"L29"},
    {kCThree, u"n ň o O Ó ó D Ď 0"},
    {kCSecond2, u"m"},
    {kDMin1, u"L31"},
    {kDMinMore, u"L32"},
    {kDSecond1, u"L33"},
    {kDSecondMore, u"L34"},
    {kDSecond3, u"Q"},
    {kTopMiddle, u"0 C D O c*2 o*2 a=43*2"},
    {kTopMiddleElse, u"6*2 8*2 9*2 B*2 b*2 P*2 g*2"},
    {kSpanWideRow, u"ý á=86 á=87 í é ú"},
    {kSpanWideTop, u"Ý Á É Ú Ó ó"},
    {kSpanMostWide, u"L T Z r z Ť Č Ž 2 7"},
    {kSpanFewWide, u"6 9 Q"},
    {kSpanManyWide, u"J"},
    {kSpanNotMostlyWide, u"0 8 B D H M N O U W g m n o u w a=43 Ú ú Ů ů Ň Ó Ď Ü Ö ü ö"},
    {kSpanNarrowTop, u"t r ó ň"},
    {kSpanEven, u"W w"},
    {kSpanThin, u"Í í I i l"},
    {kShareLeftRight, u"L35"},
    {kShareLowerUpper, u"L36"},
    {kShareLeft, u"L37"},
    {kShareRight, u"L38"},
    {kShareLower, u"L39"},
    {kShareUpper, u"L40"},
    {kNoHole, u"L41"},
    {kOneHole, u"L42"},
    {kHoleSmall, u"0 D O Q o Ó ó Ď Ö a=43"},
    {kHoleHigh, u"6 a=42 b d á=86 á=87 ä"},
    {kHoleBelowMiddle, u"9 P R g e p q"},
    {kHoleLow, u"0 4 A D O Q o a=43 Ř Á ě é Ä"},
    {kHoleLowElse, u"0 A D O o Ó ó Ď a=43 Ö ö"},
    {kTwoHoles, u"!8 B g"},
    {kTwoHolesApart, u"8 B g"},
};

constexpr std::array<std::u16string_view, kTargetCount> Index() {
  std::array<std::u16string_view, kTargetCount> a{};
  for (const TargetEntry& t : kTexts) a[t.target] = t.text;
  return a;
}
constexpr std::array<std::u16string_view, kTargetCount> kIndexed = Index();

constexpr bool EveryTargetHasText() {
  for (const auto& t : kIndexed)
    if (t.empty()) return false;
  return std::size(kTexts) == kTargetCount;
}
static_assert(EveryTargetHasText());

int Number(std::u16string_view s, size_t& i) {
  int n = 0;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') n = n * 10 + (s[i++] - u'0');
  return n;
}

}  // namespace

std::u16string_view TargetText(Target t) { return kIndexed[t]; }

VoteList ParseTargets(std::u16string_view text) {
  VoteList named;
  bool complement = false;
  size_t i = 0;
  if (!text.empty() && text[0] == u'!') {
    complement = true;
    ++i;
  }
  std::array<bool, kClassCount> seen{};
  while (i < text.size()) {
    if (text[i] == u' ') {
      ++i;
      continue;
    }
    const char16_t ch = text[i++];
    std::vector<int> classes;
    if (ch == u'L' && i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
      const int n = Number(text, i);
      if (n >= 1 && n <= kListCount)
        for (const Vote& v : CandidateList(n)) classes.push_back(v.cls);
    } else if (i < text.size() && text[i] == u'=') {
      ++i;
      classes.push_back(Number(text, i));
    } else {
      // The first class of the character not named yet in this text.
      int first = -1;
      for (int c = 0; c < kFirstMarkClass; ++c) {
        if (kClassCharacters[c] != ch) continue;
        if (first < 0) first = c;
        if (!seen[c]) {
          classes.push_back(c);
          break;
        }
      }
      if (classes.empty() && first >= 0) classes.push_back(first);
    }
    int weight = 1;
    if (i < text.size() && text[i] == u'*') {
      ++i;
      weight = Number(text, i);
    }
    for (int c : classes) {
      if (c < 0 || c >= kClassCount) continue;
      seen[c] = true;
      named.push_back({static_cast<uint8_t>(c), static_cast<uint8_t>(weight)});
    }
  }
  if (!complement) return named;
  VoteList all;
  std::array<bool, kClassCount> out{};
  for (const Vote& v : named) out[v.cls] = true;
  for (int c = 0; c < kClassCount; ++c)
    if (!out[c]) all.push_back({static_cast<uint8_t>(c), 1});
  return all;
}

const VoteList& CandidateList(int n) {
  static const std::vector<VoteList> lists = [] {
    std::vector<VoteList> l;
    for (const CandidateListText& t : kCandidateLists) l.push_back(ParseTargets(t.text));
    return l;
  }();
  return lists[n - 1];
}

const VoteList& TargetVotes(Target t) {
  static const std::vector<VoteList> targets = [] {
    std::vector<VoteList> v;
    for (int i = 0; i < kTargetCount; ++i) v.push_back(ParseTargets(kIndexed[i]));
    return v;
  }();
  return targets[t];
}

}  // namespace kelmar::latin
