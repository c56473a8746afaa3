#include "latin/latin_classes.h"

#include <vector>

namespace kelmar::latin {

namespace {

struct Range {
  int first, last;
};

struct Selection {
  std::vector<Range> ranges;
  std::vector<int> extra;
};

constexpr Range kDigits{0, 9}, kCapitals{10, 35}, kSmall{42, 68};

// Capital and small accented classes, both twin sets. Ť, Ň and ň are not
// among them.
#define KELMAR_ACCENTED_CAPITALS 69, 71, 73, 75, 79, 81, 83, 85, 88, 90, 92, 94, 96, \
                                 98, 100, 102, 104, 108, 110, 112, 114, 117, 119, 121, 123, 125
#define KELMAR_ACCENTED_SMALL 70, 74, 76, 80, 82, 84, 86, 87, 89, 91, 93, 95, 97, \
                              99, 103, 105, 109, 111, 113, 115, 116, 118, 120, 122, 124, 126

const Selection kSelections[kLastSelection + 1] = {
    {{{0, kClassCount - 1}}, {}},
    {{kDigits}, {}},
    {{kCapitals}, {}},
    {{kDigits, kCapitals}, {}},
    {{kSmall}, {}},
    {{kDigits, kSmall}, {}},
    {{kCapitals, kSmall}, {}},
    {{kDigits, kCapitals, kSmall}, {}},
    {{kCapitals}, {KELMAR_ACCENTED_CAPITALS}},
    {{kDigits, kCapitals}, {KELMAR_ACCENTED_CAPITALS}},
    {{kSmall}, {KELMAR_ACCENTED_SMALL}},
    {{kDigits, kSmall}, {KELMAR_ACCENTED_SMALL}},
    {{kCapitals, kSmall, {kFirstWholeAccent, kClassCount - 1}}, {}},
};

#undef KELMAR_ACCENTED_CAPITALS
#undef KELMAR_ACCENTED_SMALL

struct Group {
  MetricGroup group;
  std::vector<Range> ranges;
  std::vector<int> extra;
};

// Capitals leave out "Q" (its tail); accented capitals read with their mark
// count with 0.8 of their height; descender letters keep out of the mean top.
const Group kGroups[] = {
    {MetricGroup::kCapital, {{0, 25}, {27, 38}}, {98, 102, 104, 108, 110, 112, 114, 117, 119, 123, 125}},
    {MetricGroup::kAccentedCapital, {}, {69, 73, 75, 79, 81, 83, 85, 88, 90, 94, 96}},
    {MetricGroup::kSmall,
     {},
     {42, 45, 47, 51, 55, 56, 57, 60, 61, 63, 64, 65, 66, 68, 99, 103, 105, 109, 111, 115, 118, 120, 124, 126}},
    {MetricGroup::kTallSmall, {}, {44, 46, 48, 50, 53, 54, 70, 74, 76, 80, 82, 86, 89, 91, 95, 97}},
    {MetricGroup::kDescender, {}, {49, 52, 58, 59, 67, 113}},
};

std::array<MetricGroup, kClassCount> BuildGroups() {
  std::array<MetricGroup, kClassCount> g{};
  g.fill(MetricGroup::kNone);
  for (const Group& group : kGroups) {
    for (const Range& r : group.ranges)
      for (int c = r.first; c <= r.last; ++c) g[c] = group.group;
    for (int c : group.extra) g[c] = group.group;
  }
  return g;
}

}  // namespace

ClassSet AllowedClasses(int selection) {
  ClassSet allowed{};
  if (selection < 0 || selection > kLastSelection) selection = 0;
  const Selection& s = kSelections[selection];
  for (const Range& r : s.ranges)
    for (int c = r.first; c <= r.last; ++c) allowed[c] = true;
  for (int c : s.extra) allowed[c] = true;
  return allowed;
}

MetricGroup MetricGroupOf(int cls) {
  static const std::array<MetricGroup, kClassCount> groups = BuildGroups();
  return cls >= 0 && cls < kClassCount ? groups[cls] : MetricGroup::kNone;
}

}  // namespace kelmar::latin
