// The exception boundaries of RunMethod and DoneMethod: nothing thrown by a
// run or a release may cross the C interface.
#pragma once

#include <new>
#include <string_view>

#include "frame/run_args.h"

namespace frame {

// The texts of the run boundary; a module whose messages are worded
// otherwise passes its own.
struct BoundaryTexts {
  std::u16string_view noMemory = u"error: Not enough memory";
  std::u16string_view unexpected = u"error: Unexpected failure";
};

// A throw out of the run becomes a false answer with a text.
template <class Body>
bool RunGuarded(const RunArgs& args, const Body& body, const BoundaryTexts& texts = {}) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return args.fail(texts.noMemory);
  } catch (...) {
    return args.fail(texts.unexpected);
  }
}

// The instance is deleted whatever its release throws; a null one is left.
template <class T, class Release>
void DeleteAfter(T* object, const Release& release) noexcept {
  if (!object) return;
  try {
    release(*object);
  } catch (...) {
  }
  delete object;
}

}  // namespace frame
