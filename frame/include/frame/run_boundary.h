// The exception boundaries of RunMethod and DoneMethod: nothing thrown by a
// run or a release may cross the C interface.
#pragma once

#include <new>

#include "frame/run_args.h"

namespace frame {

// A throw out of the run becomes a false answer with a text.
template <class Body>
bool RunGuarded(const RunArgs& args, const Body& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return args.fail(u"error: Not enough memory");
  } catch (...) {
    return args.fail(u"error: Unexpected failure");
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
