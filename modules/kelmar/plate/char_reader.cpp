// Reading the character boxes of an accepted plate: measure, apply the rule
// families and the refinement stages, then decide on the fewest points.
#include "plate/char_box.h"
#include "plate/char_rules.h"

namespace kelmar::plate {

int DecideCharacter(const int32_t* row, bool* unique) {
  int lowest = row[0];
  for (int c = 1; c < kPlateClasses; ++c) lowest = std::min(lowest, row[c]);
  int holder = -1, holders = 0;
  for (int c = 0; c < kPlateClasses; ++c)
    if (row[c] == lowest) {
      holder = c;
      ++holders;
    }
  *unique = holders == 1;
  if (*unique) return holder;
  if (row[Cls(u'0')] <= lowest + 1 && row[Cls(u'O')] <= lowest + 1) return Cls(u'0');
  return kUnreadable;
}

namespace {

void ReadBox(const BoxFrame& frame, PlateCharacterBox& box, int32_t* row) {
  BoxReading r{frame, {}, Scores{row}, frame.w, frame.h, 0.08 * frame.w, box.heightRaised != 0};
  MeasureProfiles(r.box, r.prof);
  ApplyBoxRules(r);
  ApplyLeftRules(r);
  if (!ApplyGate(r)) {
    ApplyRightRules(r);
    ApplyBottomRules(r);
    ApplyTopRules(r);
    ApplyStrokeRules(r);
    ApplyMiddleDepthRule(r);
    Refine(r);
  }
  bool unique = false;
  box.text = kPlateAlphabet[DecideCharacter(row, &unique)];
  if (unique) box.readOnce = 1;
}

}  // namespace

void ReadPlateCharacters(const Frame* plate, int firstColumn, int firstRow, const PlateAngles& angles,
                         PlateCharacterBox* boxes, int count, int32_t* scores) {
  for (int i = 0; i < count; ++i) {
    PlateCharacterBox& box = boxes[i];
    box.x -= static_cast<float>(firstColumn);
    box.y -= static_cast<float>(firstRow);
    BoxFrame frame{plate, box.x, box.y, box.width, box.height,
                   angles.cosPlate, angles.sinPlate, angles.sinSlant, angles.cosSlant};
    ReadBox(frame, box, scores + static_cast<ptrdiff_t>(i) * kPlateClasses);
  }
}

}  // namespace kelmar::plate
