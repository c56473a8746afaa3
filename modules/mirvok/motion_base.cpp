#include <vector>

#include "motion.h"
#include "params.h"

namespace mirvok {

bool CMotionBase::ReadBackgroundInputs(const RunArgs& a) {
  WarnArray(a, 1);
  if (!mask_.Fetch(a, 2)) return a.fail(u"Cannot get mask frame");
  WarnArray(a, 2);
  if (!external_.Fetch(a, 3)) return a.fail(u"Cannot get external background frame");
  WarnArray(a, 3);
  useDynamic_ = FlagOr(a, 4, false, true);
  ratio_ = RealInRange(a, 5, 0.1, 0, 1, true);
  threshold_ = RealInRange(a, 6, 0.5, 0, 1, true);
  return true;
}

GLuint CMotionBase::CreateMidGreyBackground(GLenum unit) {
  std::vector<float> texels(static_cast<size_t>(width_) * height_ * 4);
  for (size_t i = 0; i < texels.size(); i += 4) {
    texels[i] = texels[i + 1] = texels[i + 2] = 0.5f;
    texels[i + 3] = 1.0f;
  }
  return toolkit_.CreateRgbaFloatTexture(unit, width_, height_, texels.data());
}

void CMotionBase::SetProgramTexture(GLuint program, const char* name, int unit) const {
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, name), unit);
  glUseProgram(0);
}

}  // namespace mirvok
