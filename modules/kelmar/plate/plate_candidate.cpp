// A candidate plate from its lower border on: sides, corners, the geometry
// gate and the characters.
#include "plate/plate_search.h"

namespace kelmar::plate {

bool CheckPlateCandidate(PlateSearch&, WorkerBuffers&, const BorderLine&, int) { return false; }

}  // namespace kelmar::plate
