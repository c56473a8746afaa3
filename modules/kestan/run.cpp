// One run of a detector: inputs, the GPU bracket, outputs and drawing.
#include <cmath>
#include <string>

#include "descriptor_file.h"
#include "detector.h"
#include "frame/module_frame.h"
#include "frame/text_format.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"

namespace kestan {
namespace {

using frame::RunArgs;

constexpr int kGroupWidth = 40;
constexpr int kSingleWidth = 4;
constexpr int kTargetHeight = 4;

bool FailWith(const RunArgs& a, const char16_t* text) {
  size_t n = 0;
  while (n < 255 && text[n]) ++n;
  gpu::CopyError(std::u16string_view(text, n), a.errLen, a.errBuf);
  return false;
}

// The viewport requests of the descriptor passes carry the target's size.
bool SendSized(gpu::Bracket& b, std::u16string_view name, int w, int h) {
  b.block().first = w;
  b.block().second = h;
  return b.Send(name);
}

}  // namespace

void CFeatureDetector::Release(void* hostContext) {
  if (!glReady) return;
  gpu::Bracket b(hostContext);
  if (b.Lend()) feature.Release();
  b.Send(u"*_URC");
  glReady = false;
}

bool CFeatureDetector::RenderFrame(const RunArgs& a, const RunInputs& in) {
  gpu::Bracket b(a.ctx, in.frame, in.frame, a.errLen, a.errBuf);
  b.Lend();
  b.Send(u"*_IRE");
  // Without the host's context no GL call is made; the requests still follow.
  const bool gl = b.glUsable();
  const bool setUp = gl && firstRun;
  if (setUp) {
    glReady = true;  // a partial set-up leaves objects for the release
    std::fill(std::begin(message), std::end(message), 0);
    if (!gpu::CheckGpuCapabilities(messageMaxIndex, message) ||
        !feature.Setup(in.width, in.height, in.bpp, messageMaxIndex, message)) {
      usable = false;
      FailWith(a, message);
      if (!b.Send(u"*_URC")) return false;
      return false;
    }
  }
  if (gl) {
    feature.UploadIntegralImage(in.width, in.height, in.bpp, in.pixels, thresholds, orientationMode);
    feature.Render(in.region);
    if (in.region && drawOutputs) {
      const TRectangularRegion& r = *in.region;
      DrawRectangle(a.ctx, r.cx, r.cy, r.width, r.height, r.angle, GetDrawThickness(a.ctx, 2), GetDrawColor(a.ctx, 2));
    }
  }
  b.Send(u"*_FRE");

  if (gl && method != kKeypoint) {
    if (setUp) {
      const struct {
        FeaturePipeline::Pass pass;
        int width;
      } passes[] = {{FeaturePipeline::kGroup, kGroupWidth}, {FeaturePipeline::kSingle, kSingleWidth}};
      for (const auto& p : passes) {
        SendSized(b, u"!_CUP", p.width, kTargetHeight);
        b.Send(u"!_BRU");
        feature.CreateDescriptorTarget(p.pass, p.width, kTargetHeight);
        if (!feature.BuildDescriptorProgram(p.pass, messageMaxIndex, message)) {
          usable = false;
          FailWith(a, message);
          // The viewport and the context go back to the host before leaving.
          b.Send(u"!_ERU");
          b.Send(u"*_URC");
          return false;
        }
        b.Send(u"!_ERU");
      }
    }
    int groups = 0, rest = 0;
    feature.SplitKeypointCount(&groups, &rest);
    if (groups > 0) {
      SendSized(b, u"!_BRU", kGroupWidth, kTargetHeight);
      feature.UploadDescriptorFrame(in.width, in.height, in.bpp, in.pixels);
      feature.DescribeKeypointGroups(groups);
      b.Send(u"!_ERU");
      SendSized(b, u"!_BRU", kSingleWidth, kTargetHeight);
      feature.DescribeRemainingKeypoints(true, rest);
      b.Send(u"!_ERU");
    } else {
      SendSized(b, u"!_BRU", kSingleWidth, kTargetHeight);
      feature.UploadDescriptorFrame(in.width, in.height, in.bpp, in.pixels);
      feature.DescribeKeypoints();
      b.Send(u"!_ERU");
    }
  }
  b.Send(u"*_URC");
  if (gl) firstRun = false;
  return b.ok();
}

void CFeatureDetector::DrawKeypoints(const RunArgs& a) {
  const TColor colour = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  gpu::CResultListElem* k = nullptr;
  for (bool more = feature.results.GetFirst(&k); more; more = feature.results.GetNext(&k)) {
    const double x = k->key.x, y = k->key.y, r = k->key.scale * 1.2 * 0.5, o = k->key.orientation;
    DrawCircle(a.ctx, x, y, r, thickness, colour);
    if (orientationMode != 0) DrawLine(a.ctx, x, y, x + r * std::cos(o), y + r * std::sin(o), thickness, colour);
  }
}

bool CFeatureDetector::WriteOutputs(const RunArgs& a, const RunInputs& in) {
  if (method >= kFeatureMatch) {
    WriteMatches(a);
    return true;
  }
  const int n = feature.results.count;
  const frame::ParamName countName = frame::OutputName(a, 0);
  double* count = nullptr;
  if (countName.ok && GetNumber(a.ctx, 63, countName.c_str(), 0, &count) && count) *count = n;

  if (drawOutputs) DrawKeypoints(a);
  if (method == kKeypoint) {
    const frame::ParamName coordsName = frame::OutputName(a, 1), sizesName = frame::OutputName(a, 2);
    gpu::CResultListElem* k = nullptr;
    int i = 0;
    for (bool more = feature.results.GetFirst(&k); more; more = feature.results.GetNext(&k), ++i) {
      TCoordinateSystem* cs = nullptr;
      if (coordsName.ok && GetCoordinateSystem(a.ctx, 63, coordsName.c_str(), i, &cs) && cs) {
        *cs = TCoordinateSystem{k->key.x, k->key.y, k->key.orientation};
      }
      double* size = nullptr;
      if (sizesName.ok && GetNumber(a.ctx, 63, sizesName.c_str(), i, &size) && size) *size = k->key.scale;
    }
    // Arrays hold what this run wrote, nothing of an earlier one.
    if (coordsName.ok) SetObjectMaxIndex(a.ctx, 63, coordsName.c_str(), n - 1);
    if (sizesName.ok) SetObjectMaxIndex(a.ctx, 63, sizesName.c_str(), n - 1);
  }

  // A save without keypoints would be found nowhere, every search answering
  // with 0 matches: it is refused.
  const SaveSettings save{orientationMode, thresholds, in.region, in.width, in.height, true};
  if (method == kFeatureSave && saveDescriptors) {
    if (fileNameHoldsNul) return FailWith(a, kFileNameHoldsNul);
    if (!SaveDescriptorFile(messageMaxIndex, message, fileName, feature.results, save)) return FailWith(a, message);
    if (in.saveFlag) *in.saveFlag = false;
    WarnOfFewKeypoints(a);
  }
  if (method == kFeatureSaveData) {
    const frame::ParamName dataName = frame::OutputName(a, 1);
    DataObject* slot = nullptr;
    if (dataName.ok && GetData(a.ctx, 259, dataName.c_str(), 0, &slot) && slot) {
      if (!SaveDescriptorData(messageMaxIndex, message, slot, feature.results, save)) return FailWith(a, message);
      WarnOfFewKeypoints(a);
    }
  }
  return true;
}

// Fewer keypoints saved than a search needs to pin a pose down.
void CFeatureDetector::WarnOfFewKeypoints(const RunArgs& a) {
  const int n = feature.results.count;
  if (n < kLeastPairsFound) {
    const std::u16string text = frame::FormatText(
        255, "Only %d keypoints were saved, fewer than a search needs to find the object (%d): a lower "
             "\"features threshold\" finds more",
        n, kLeastPairsFound);
    AddWarning(a.ctx, 255, text.c_str());
  }
}

bool CFeatureDetector::Run(const RunArgs& a) {
  if (!usable) return FailWith(a, message);
  RunInputs in;
  if (!ReadInputs(a, in)) return FailWith(a, u"Cannot get source frame");
  if (method >= kFeatureMatch && !LoadDescriptors(a, in)) return false;
  const bool ok = RenderFrame(a, in);
  if (!usable) return false;
  return WriteOutputs(a, in) && ok;
}

bool CFeatureDetector::LoadDescriptors(const RunArgs& a, const RunInputs& in) {
  const bool everyRun = method == kFeatureMatchData || method == kKeypointMatchData || method == kKeypointMatch;
  if (!firstRun && !(in.reloadFlag && *in.reloadFlag) && !everyRun) return true;
  LoadedSettings s;
  const bool fromFile = method == kFeatureMatch || method == kKeypointMatch;
  if (fromFile && fileNameHoldsNul) return FailWith(a, kFileNameHoldsNul);
  const bool ok = fromFile ? LoadDescriptorFile(messageMaxIndex, message, fileName, descriptors, s)
                           : LoadDescriptorData(messageMaxIndex, message, in.dataObject ? *in.dataObject : nullptr,
                                                descriptors, s);
  if (!ok) return FailWith(a, message);
  orientationMode = s.orientationMode;
  for (int k = 0; k < 8; ++k) thresholds[k] = s.thresholds[k] + thresholdCorrection[k];
  rectangle = s.reference;
  if (fromFile && in.reloadFlag) *in.reloadFlag = false;
  return true;
}

}  // namespace kestan
