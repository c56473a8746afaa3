// The base of every reader object: a virtual run and the per-slot arrays of
// scan-line samples that the scan callbacks and decoders fill. A slot is one
// OpenMP thread of a one-dimensional run, or one scan direction of a Data
// Matrix run; each slot is written by one thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dunsel {

// The samples of one scan line and what the bar/space classification makes
// of them. The seven arrays of a slot always share one length.
struct SampleSlot {
  std::vector<int> barSpace;         // 0 bar, 255 space, whatever the bar colour
  std::vector<int> extremumMarks;    // -1 light extremum, +1 dark, 0 elsewhere
  std::vector<int> sampleGradient;   // central difference
  std::vector<int> sampleValues;     // sharpened grey value
  std::vector<int> sampleThreshold;  // local threshold
  std::vector<int> sampleX;          // pixel column, rounded
  std::vector<int> sampleY;          // pixel row, rounded
  int count = 0;                     // samples of the current line

  int capacity() const { return static_cast<int>(sampleValues.size()); }
  void Resize(int entries);
};

class CMethod {
 public:
  virtual ~CMethod() = default;
  virtual bool Run(void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList,
                   const void* outputNames, int errLen, char16_t* errBuf) = 0;

  int slotCount() const { return static_cast<int>(slots_.size()); }
  SampleSlot& slot(int i) { return slots_[static_cast<size_t>(i)]; }

 protected:
  // Replaces the slots by `count` fresh ones of `entries` samples each.
  void MakeSlots(int count, int entries);

 private:
  std::vector<SampleSlot> slots_;
};

}  // namespace dunsel
