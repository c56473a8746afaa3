// Methods that this build does not offer yet answer false with a text.
#include "shapes_main.h"

namespace forvik {


}  // namespace forvik
