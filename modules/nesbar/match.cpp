// One run of the matcher inside the host bracket.
#include "match.h"

#include <cmath>
#include <cstdio>

#include "frame/module_frame.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"

namespace nesbar {
namespace {

using frame::RunArgs;

constexpr const char* kProgramFiles[2][CGPUMatch::kProgramCount] = {
    {"PatternMonoPhase1RotScale", "PatternMonoPhase2RotScale", "PatternMonoPhase1", "PatternMonoPhase2",
     "PatternMonoFull", "PatternMaximum"},
    {"PatternBinaryPhase1RotScale", "PatternBinaryPhase2RotScale", "PatternBinaryPhase1", "PatternBinaryPhase2",
     "PatternMonoFull", "PatternMaximum"},
};

bool FailWith(const RunArgs& a, std::u16string_view text) {
  gpu::CopyError(text, a.errLen, a.errBuf);
  return false;
}

void DeleteTexture(GLuint* t) {
  if (*t) glDeleteTextures(1, t);
  *t = 0;
}

void Uniform1f(GLuint program, const char* name, float v) { glUniform1f(glGetUniformLocation(program, name), v); }
void Uniform2f(GLuint program, const char* name, float x, float y) {
  glUniform2f(glGetUniformLocation(program, name), x, y);
}
void Uniform1i(GLuint program, const char* name, int v) { glUniform1i(glGetUniformLocation(program, name), v); }

GLuint PointTexture(gpu::CGLToolkit& toolkit, const SamplePoints& p) {
  return toolkit.CreateRgbFloatTexture(GL_TEXTURE2, std::max(p.count, 1), 1, p.count ? p.xyz.data() : nullptr);
}

}  // namespace

CGPUMatch::~CGPUMatch() { results.DeleteAll(); }

bool CGPUMatch::SetUp() {
  if (!gpu::CheckGpuCapabilities(255, message)) return false;
  if (!toolkit.BuildWhiteProgram(255, message)) return false;
  for (int p = 0; p < kProgramCount; ++p) {
    if (!gpu::BuildProgramFromFiles("Pattern", kProgramFiles[method][p], &programs[p], true)) {
      gpu::CopyError(u"Error during shader building", 255, message);
      return false;
    }
  }
  return toolkit.BuildCopyProgram(255, message);
}

void CGPUMatch::PreparePattern(Frame* pattern) {
  patternWidth = GetFrameWidth(pattern);
  patternHeight = GetFrameDepth(pattern);
  patternBpp = GetFrameBPP(pattern);
  const uint8_t* pixels = GetFrameDataAddr(pattern);
  DeleteTexture(&patternTexture);
  patternTexture = toolkit.CreateFrameTexture(GL_TEXTURE1, patternWidth, patternHeight, patternBpp, pixels);
  marginX = marginY = PatternMargin(patternWidth, patternHeight);
  if (method == kBinaryPattern) return;  // compared on a grid, no sample points
  const PatternPixels p{patternWidth, patternHeight, patternBpp, pixels};
  stats = ComputePatternStats(p);
  for (int phase = 0; phase < 2; ++phase) {
    points[phase] = SelectPatternSamplePoints(p, stats, targets[phase], maxima[phase]);
    DeleteTexture(&pointTextures[phase]);
    pointTextures[phase] = PointTexture(toolkit, points[phase]);
  }
}

void CGPUMatch::Pass(Program p, int phase) {
  const GLuint prog = programs[p];
  glUseProgram(prog);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, patternTexture);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, pointTextures[phase]);
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, resultTextures[0]);
  for (int unit = 0; unit < 4; ++unit) Uniform1i(prog, ("TexChan" + std::to_string(unit)).c_str(), unit);
  Uniform1f(prog, "PatternMapLen", static_cast<float>(points[phase].count));
  Uniform2f(prog, "Shift", static_cast<float>(patternWidth / 2), static_cast<float>(patternHeight / 2));
  Uniform1f(prog, "PatternMean", points[phase].mean);
  Uniform1f(prog, "PatternNormPow2", points[phase].sumSq);
  Uniform1f(prog, "Score", correlation[phase]);
  Uniform1f(prog, "Step", static_cast<float>(samplingStep));
  Uniform1f(prog, "Threshold", binaryThreshold);
  Uniform2f(prog, "Distance", static_cast<float>(marginX), static_cast<float>(marginY));
  Uniform1f(prog, "UAngleStart", plan.angleStart);
  Uniform1f(prog, "UAngleStep", plan.angleStep);
  Uniform1f(prog, "UNumAngleSteps", static_cast<float>(plan.angleSteps));
  Uniform1f(prog, "UScaleStart", plan.scaleStart);
  Uniform1f(prog, "UScaleStepUnder", plan.scaleStepUnder);
  Uniform1f(prog, "UScaleStepOver", plan.scaleStepOver);
  Uniform1f(prog, "UNumScaleStepsUnder", static_cast<float>(plan.scaleStepsUnder));
  Uniform1f(prog, "UNumScaleStepsOver", static_cast<float>(plan.scaleStepsOver));
  const bool steps = plan.angleSteps > 0;
  Uniform1f(prog, "UAngleSpan", steps ? plan.angleSteps * plan.angleStep : 0.0f);
  Uniform1f(prog, "UAngleRange", steps ? plan.angleRange : 0.0f);
  Uniform1f(prog, "UAngleStep1", steps ? plan.angleStep : 0.0f);
  Uniform1f(prog, "UAngleStep2", plan.refineAngleStep);
  Uniform1f(prog, "UScaleRange", plan.scaleStepsOver * plan.scaleStepOver + plan.scaleStepsUnder * plan.scaleStepUnder);
  Uniform1f(prog, "UScaleStep1", plan.scaleStepUnder > 0 ? plan.scaleStepUnder : plan.scaleStepOver);
  Uniform1f(prog, "UScaleStep2", plan.refineScaleStep);
  gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
}

void CGPUMatch::Render(const TRectangularRegion* region) {
  plan = MakePlan(search);
  const TRectangularRegion whole{width / 2.0, height / 2.0, static_cast<double>(width - 2 * marginX),
                                 static_cast<double>(height - 2 * marginY), 0.0};
  toolkit.BindFramebufferTexture(resultTextures[0]);
  toolkit.StencilRegionGrid(region ? region : &whole, marginX, marginY, width, height);
  Pass(plan.search ? kPhase1RotScale : kPhase1, 0);

  gpu::AttachColorTarget(resultTextures[1]);
  gpu::DisableStencilTest();
  Pass(plan.search ? kPhase2RotScale : kPhase2, 1);

  const GLuint maxProgram = programs[kMaximum];
  glUseProgram(maxProgram);
  Uniform1i(maxProgram, "TexChan0", 0);
  const struct {
    GLuint into, from;
    float hx, hy;
  } maxima[] = {{resultTextures[0], resultTextures[1], static_cast<float>(marginX / 2), static_cast<float>(marginY / 2)},
                {resultTextures[1], resultTextures[0], static_cast<float>(patternWidth / 2),
                 static_cast<float>(patternHeight / 2)}};
  for (const auto& m : maxima) {
    gpu::AttachColorTarget(m.into);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, m.from);
    Uniform2f(maxProgram, "HalfSize", m.hx, m.hy);
    gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
  }
  readBack.resize(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGB, GL_FLOAT, readBack.data());
  lastScale = CollectMatches(readBack.data(), width, height, patternWidth, patternHeight, maxMatches, AnglesOf(plan),
                             results);
  gpu::EndRender();
}

bool CGPUMatch::Run(const RunArgs& a) {
  if (!usable) return FailWith(a, std::u16string_view(message, frame::BoundedLength(message, 255)));
  Frame* frame = nullptr;
  int32_t stamp = 0;
  const frame::ParamName frameName = frame::InputName(a, 0);
  if (!frameName.ok || !GetInputFrameTimestamp(a.ctx, 63, frameName.c_str(), &frame, &stamp) || !frame) {
    return FailWith(a, u"Cannot get source frame");
  }
  const bool frameChanged = stamp != frameStamp;
  frameStamp = stamp;
  const frame::ParamName regionName = frame::InputName(a, 1);
  TRectangularRegion* region = nullptr;
  if (!regionName.ok || !GetRectangularRegion(a.ctx, 63, regionName.c_str(), 0, &region)) region = nullptr;
  Frame* pattern = nullptr;
  const frame::ParamName patternName = frame::InputName(a, 2);
  if (!patternName.ok || !GetInputFrameTimestamp(a.ctx, 63, patternName.c_str(), &pattern, &stamp) || !pattern) {
    return FailWith(a, u"Cannot get pattern frame");
  }
  // The first run builds the pattern whatever its stamp.
  const bool patternChanged = firstRun || stamp != patternStamp;
  patternStamp = stamp;
  ReadInputs(a);

  gpu::Bracket b(a.ctx, frame, frame, a.errLen, a.errBuf);
  b.Lend();
  b.Send(u"*_IRE");
  if (b.glUsable()) {
    const int w = GetFrameWidth(frame), h = GetFrameDepth(frame), depth = GetFrameBPP(frame);
    const uint8_t* pixels = GetFrameDataAddr(frame);
    if (firstRun) {
      glReady = true;
      if (!SetUp()) {
        usable = false;
        FailWith(a, std::u16string_view(message, frame::BoundedLength(message, 255)));
        b.Send(u"*_URC");
        return false;
      }
    }
    // A new frame size needs new targets of that size.
    if (firstRun || w != width || h != height) {
      DeleteTexture(&sourceTexture);
      sourceTexture = toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, depth, pixels);
      for (int i = 0; i < 2; ++i) {
        DeleteTexture(&resultTextures[i]);
        resultTextures[i] = toolkit.CreateRgbFloatTexture(GL_TEXTURE3 + i, w, h, nullptr);
      }
      toolkit.CreateRenderTarget(w, h);
    } else if (frameChanged || depth != bpp) {
      toolkit.UpdateFrameTexture(sourceTexture, GL_TEXTURE0, w, h, depth, pixels);
    }
    width = w;
    height = h;
    bpp = depth;
    if (patternChanged) PreparePattern(pattern);
    Render(region);
    firstRun = false;
  }
  b.Send(u"*_FRE");
  b.Send(u"*_URC");
  WriteOutputs(a);
  return b.ok();
}

void CGPUMatch::WriteOutputs(const RunArgs& a) {
  frame::ParamName names[5];
  for (int i = 0; i < 5; ++i) names[i] = frame::OutputName(a, i);
  double* count = nullptr;
  if (names[0].ok && GetNumber(a.ctx, 63, names[0].c_str(), 0, &count) && count) *count = results.count;
  const TColor colour = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  int i = 0;
  for (gpu::CListElem* e = results.head; e; e = e->next, ++i) {
    const auto* r = static_cast<const CResultListElem*>(e);
    TCoordinateSystem* cs = nullptr;
    if (names[1].ok && GetCoordinateSystem(a.ctx, 63, names[1].c_str(), i, &cs) && cs) *cs = {r->x, r->y, r->angle};
    TRectangle* rect = nullptr;
    if (names[2].ok && GetRectangle(a.ctx, 63, names[2].c_str(), i, &rect) && rect) {
      *rect = {r->centreX, r->centreY, r->width, r->height, r->rectangleAngle};
    }
    double* p = nullptr;
    if (names[3].ok && GetNumber(a.ctx, 63, names[3].c_str(), i, &p) && p) *p = r->correlation;
    if (names[4].ok && GetNumber(a.ctx, 63, names[4].c_str(), i, &p) && p) *p = r->scale;
    if (drawOutputs) {
      DrawRectangle(a.ctx, r->centreX, r->centreY, r->width, r->height, r->rectangleAngle, thickness, colour);
      char narrow[100];
      std::snprintf(narrow, sizeof narrow, "[%.f, %.f]", r->x, r->y);
      char16_t text[100] = {};
      for (int k = 0; k < 99 && narrow[k]; ++k) text[k] = static_cast<unsigned char>(narrow[k]);
      const double t = r->angle * 0.017453292519943295, c = std::cos(t), s = std::sin(t);
      const double tx = r->x - r->width / 2 * c + (r->height / 2 + 25) * s;
      const double ty = r->y - r->width / 2 * s - (r->height / 2 + 25) * c;
      DrawString(a.ctx, 99, text, tx, ty, 0, r->angle, colour);
    }
  }
  for (int k = 1; k < 5; ++k) {
    if (names[k].ok) SetObjectMaxIndex(a.ctx, 63, names[k].c_str(), results.count - 1);
  }
}

void CGPUMatch::ReleaseGL(void* hostContext) {
  if (!glReady) return;
  gpu::Bracket b(hostContext);
  if (b.Lend()) {
    toolkit.Release();
    for (GLuint& p : programs) {
      if (p) glDeleteProgram(p);
      p = 0;
    }
    for (GLuint* t : {&sourceTexture, &resultTextures[0], &resultTextures[1], &patternTexture, &pointTextures[0],
                      &pointTextures[1]}) {
      DeleteTexture(t);
    }
  }
  std::vector<float>().swap(readBack);
  results.DeleteAll();
  b.Send(u"*_URC");
  glReady = false;
}

}  // namespace nesbar
