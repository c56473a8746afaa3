// The transition band of the plate search: strong, evenly spread intensity
// transitions along one scan line, as the characters of a plate give them.
#pragma once

#include <cstdint>

namespace kelmar::plate {

struct Transitions {
  int count = 0;
  int brightSum = 0;
  int darkSum = 0;
};

// Transitions of p in [max(from, 4), usable - 4): positions (j + 2) go to
// pos (room for `capacity`), bright and dark levels four samples either side
// to the sums. A transition skips the next four samples.
Transitions FindTransitions(const uint8_t* p, int from, int usable, int* pos, int capacity);

// The run of transitions a..b (b - a >= 9) spanning under 350 samples with no
// gap above 0.3 of the span that holds the most transitions; the first found
// keeps a tie. count 0 when there is none.
struct BandWindow {
  int a = 0, b = 0;
  int count = 0;
};
BandWindow BestBandWindow(const int* pos, int n);

}  // namespace kelmar::plate
