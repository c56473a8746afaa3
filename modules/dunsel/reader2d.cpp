#include "reader2d.h"

#include "frame/module_frame.h"

namespace dunsel {

bool CReadBarcode2D::Run(void*, intptr_t, const void*, intptr_t, const void*, int errLen, char16_t* errBuf) {
  return frame::Fail(errLen, errBuf, u"error: Method not implemented");
}

}  // namespace dunsel
