// The classes each structural test of the letter classifier votes against,
// kept as data: the 42 candidate lists and the targets of every rule.
//
// Notation of a target text: tokens separated by spaces. A character names
// its first class among 0-97 (an accented character its whole-glyph class,
// a bare "a" 42 and "á" 86); the same character again in one text names the
// next class of that character (a a = 42 and 43). "x=NN" names class NN,
// a suffix "*2" votes twice, "L7" stands for candidate list 7, and a leading
// "!" turns the text into every class but those named.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelmar::latin {

struct Vote {
  uint8_t cls;
  uint8_t weight;
};
using VoteList = std::vector<Vote>;

inline constexpr int kListCount = 42;

struct CandidateListText {
  int count;  // the number of classes the list names
  std::u16string_view text;
};
// Lists 1..42 at indexes 0..41.
extern const CandidateListText kCandidateLists[kListCount];

// The targets of the tests, in the order the classifier runs them.
enum Target : int {
  kTallNarrow,
  // left profile
  kLeftClose, kLeftCloseG, kLeftCloseF, kLeftFar, kLeftElse, kLeftD, kLeftQ, kLeftTI, kLeftTI2, kLeftAccents,
  kLeft1, kLeft2, kLeft3, kLeft3Else, kLeft4, kLeft4Else, kLeft5, kLeft6, kLeft6b, kLeft6c, kLeft7, kLeft8,
  kLeft9, kLeft10, kLeft11, kLeft12, kLeft12Else, kLeft13, kLeft14, kLeft15, kLeft16, kLeft17, kLeft18, kLeft19,
  kLeft20, kLeft21, kLeft22, kLeft23, kLeft24, kLeft24b, kLeft25, kLeft26, kLeft27, kLeft27Else, kLeft28, kLeft29,
  kLeft29b, kLeft30,
  // right profile
  kRight1, kRight1Far, kRight1Else, kRight2, kRight2I, kRight2Mid, kRight2Else, kRight3, kRight4, kRight5,
  kRight5Else, kRight6, kRight7, kRight8, kRight9, kRight10, kRight11, kRight12, kRight13, kRight14, kRight15,
  kRight15b, kRight16, kRight17, kRight17Else, kRight18, kRight19, kRight20, kRight21, kRight22, kRight23,
  kRight24, kRight25, kRight26, kRight27, kRight28, kRight29, kRight30, kRight31, kRight32, kRight33, kRight34,
  kRight35, kRight36, kRight37, kRight38, kRight39, kRight40, kRight41, kRight41Else, kRight41Shallow,
  // bottom-side profile
  kBottom1, kBottom1Flat, kBottom1Low, kBottom1Else, kBottom1Deep, kBottom2, kBottom3, kBottom4, kBottom5,
  kBottom5Else, kBottom6, kBottom7, kBottom8, kBottom9, kBottom10, kBottom11, kBottom12, kBottom13, kBottom14,
  kBottom15,
  // top-side profile
  kTop1, kTop2, kTop3, kTop3Low, kTop3Else, kTop4, kTop5, kTop6, kTop7, kTop8, kTop9,
  // crossings of the line sets A (whole columns A1, their parts A2), B, C, D
  kA1Min1, kA1Min2, kA1Second1, kA1Second3, kA1Second2, kA2Min2, kA2Second1, kA2Second2, kBMin1, kBMinMore,
  kBSecond1, kBSecondMore, kBMin3, kBSecond4, kCMinMore, kCSecond1, kCSecondMore, kCThree, kCSecond2, kDMin1,
  kDMinMore, kDSecond1, kDSecondMore, kDSecond3,
  // top side of the middle columns
  kTopMiddle, kTopMiddleElse,
  // row spans
  kSpanWideRow, kSpanWideTop, kSpanMostWide, kSpanFewWide, kSpanManyWide, kSpanNotMostlyWide, kSpanNarrowTop,
  kSpanEven, kSpanThin,
  // shares and holes
  kShareLeftRight, kShareLowerUpper, kShareLeft, kShareRight, kShareLower, kShareUpper, kNoHole, kOneHole,
  kHoleSmall, kHoleHigh, kHoleBelowMiddle, kHoleLow, kHoleLowElse, kTwoHoles, kTwoHolesApart,
  kTargetCount
};

// The text of a target.
std::u16string_view TargetText(Target t);

// Parses a target text; unknown characters are left out.
VoteList ParseTargets(std::u16string_view text);

// Parsed lists (1..42) and targets, built once.
const VoteList& CandidateList(int n);
const VoteList& TargetVotes(Target t);

}  // namespace kelmar::latin
