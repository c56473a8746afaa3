#include "method.h"

namespace dunsel {

void SampleSlot::Resize(int entries) {
  const size_t n = static_cast<size_t>(entries);
  for (std::vector<int>* a :
       {&barSpace, &extremumMarks, &sampleGradient, &sampleValues, &sampleThreshold, &sampleX, &sampleY}) {
    a->resize(n);
  }
}

void CMethod::MakeSlots(int count, int entries) {
  slots_.assign(static_cast<size_t>(count), SampleSlot{});
  for (SampleSlot& s : slots_) s.Resize(entries);
}

}  // namespace dunsel
