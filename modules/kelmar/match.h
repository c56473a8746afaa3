// CMatch: the base of every kelmar method object. The host's instance handle
// is the object's address; the object lives from InitMethod to DoneMethod and
// keeps its work buffers and cached models between runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "frame/run_args.h"

namespace kelmar {

class CMatch {
 public:
  explicit CMatch(uint32_t methodIndex) : methodIndex_(methodIndex) {}
  virtual ~CMatch() = default;
  CMatch(const CMatch&) = delete;
  CMatch& operator=(const CMatch&) = delete;

  // One run on the host's current data: true, or false with a text copied
  // into the run's error buffer.
  virtual bool Run(const frame::RunArgs& args) = 0;

  // The index InitMethod was given; a class serving several methods reads its
  // variant from it.
  uint32_t methodIndex() const { return methodIndex_; }

 private:
  uint32_t methodIndex_;
};

// The object of method `index`, null past the last method.
std::unique_ptr<CMatch> CreateMethod(uint32_t index);

}  // namespace kelmar
