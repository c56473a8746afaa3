// One run of the barcode method: inputs with their corrections, the GPU
// bracket with the set-up on a new size, region detection, decoding, the
// drawings and the outputs.
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "detectors.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"
#include "kavrin.h"
#include "run_inputs.h"

namespace hoskin {

namespace {

using frame::InputName;
using frame::OutputName;
using frame::ParamName;

std::u16string_view TypeName(int type) {
  switch (type) {
    case kEan8:
      return u"EAN 8";
    case kEan13:
      return u"EAN 13";
    case kCode39Type:
      return u"Code 39";
    case kCode128Type:
      return u"Code 128";
    case kUpcE:
      return u"UPC-E";
    case kEan2:
      return u"EAN 2";
    case kEan5:
      return u"EAN 5";
    default:
      return u"unknown";
  }
}

// Elements 1 .. highest index (at most 7) of an array input, bounded to
// [0, limit] with a warning; an element that cannot be had is 0.
void ArrayElements(const frame::RunArgs& a, const ParamName& n, float limit, float* values) {
  int highest = 0;
  if (!GetObjectMaxIndex(a.ctx, 63, n.c_str(), &highest)) return;
  highest = std::min(highest, 7);
  for (int i = 1; i <= highest; ++i) {
    double v = 0;
    if (!Number(a, n, i, &v)) {
      values[i] = 0;
      continue;
    }
    if (v > limit) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(v), limit);
      v = limit;
    } else if (v < 0) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(v), 0);
      v = 0;
    }
    values[i] = static_cast<float>(v);
  }
}

}  // namespace

bool CBarcodeDetector::Run(const frame::RunArgs& a) {
  if (!usable) {
    gpu::CopyError(message, a.errLen, a.errBuf);
    return false;
  }
  const ParamName frameName = InputName(a, 0);
  Frame* f = nullptr;
  int32_t stamp = 0;
  if (!frameName.ok || !GetInputFrameTimestamp(a.ctx, 63, frameName.c_str(), &f, &stamp) || !f) {
    return a.fail(u"Cannot get source frame");
  }
  const bool frameChanged = stamp != lastStamp;
  lastStamp = stamp;
  const int width = GetFrameWidth(f), storedHeight = GetFrameDepth(f), height = std::abs(storedHeight);
  const int bpp = GetFrameBPP(f);
  const uint8_t* pixels = GetFrameDataAddr(f);
  const bool sizeChanged = width != lastWidth || height != lastHeight;
  lastWidth = width;
  lastHeight = height;

  TRectangularRegion scanned{};
  TRectangularRegion* region = frame::RegionOf(a, 1, &scanned, true) ? &scanned : nullptr;

  float* size = orientation.passSize;
  const ParamName sizeName = InputName(a, 2);
  if (double v = 0; Number(a, sizeName, 0, &v)) {
    const ParamName& n = sizeName;
    if (v > 50) {
      frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), frame::TruncateToInt(v), 50);
      v = 50;
    } else if (v < 0) {
      frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), frame::TruncateToInt(v), 0);
      v = 0;
    }
    size[0] = static_cast<float>(v);
    for (int i = 1; i < 8; ++i) size[i] = 0;
    ArrayElements(a, n, 50, size);
  } else {
    // Without the input only the first pass runs.
    size[0] = 5;
    for (int i = 1; i < 8; ++i) size[i] = 0;
  }

  float* sensitivity = orientation.passSensitivity;
  const ParamName sensitivityName = InputName(a, 3);
  if (double v = 0; Number(a, sensitivityName, 0, &v)) {
    const ParamName& n = sensitivityName;
    if (v > 0.5) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(v), 0.5f);
      v = 0.5;
    } else if (v < 0) {
      frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), frame::TruncateToInt(v), 0);
      v = 0;
    }
    for (int i = 0; i < 8; ++i) sensitivity[i] = static_cast<float>(v);
    ArrayElements(a, n, 0.5f, sensitivity);
  } else {
    sensitivity[0] = 0.005f;  // the input's own default
    for (int i = 1; i < 8; ++i) sensitivity[i] = 0.5f;
  }

  const ParamName resultName = OutputName(a, 1);
  HostString* result = nullptr;
  if (!resultName.ok || !GetString(a.ctx, 63, resultName.c_str(), 0, &result) || !result) {
    return a.fail(u"There is no defined string for the result");
  }
  SetObjectMaxIndex(a.ctx, 63, resultName.c_str(), 0);
  const ParamName typeName = OutputName(a, 2);
  if (typeName.ok) SetObjectMaxIndex(a.ctx, 63, typeName.c_str(), 0);

  drawContent = frame::IntInRange(a, 4, 0, 0, 3, true);
  drawOutputs = frame::FlagOr(a, 5, true, true) ? 1 : 0;

  gpu::Bracket bracket(a.ctx, f, f, a.errLen, a.errBuf);
  bracket.Lend();
  orientation.hostContext = a.ctx;
  bracket.Send(u"*_IRE");
  // Without the host's context no GL call is made and nothing is written.
  const bool gl = bracket.glUsable();
  if (gl && (needsSetup || sizeChanged)) {
    if (!gpu::CheckGpuCapabilities(messageCapacity, message) ||
        !orientation.Setup(width, height, bpp, messageCapacity, message)) {
      gpu::CopyError(message, a.errLen, a.errBuf);
      usable = 0;
      bracket.Send(u"*_URC");
      return false;
    }
    // The frame texture of the stage is replaced by one of the frame's depth.
    if (orientation.frameTexture) glDeleteTextures(1, &orientation.frameTexture);
    orientation.frameTexture = orientation.toolkit.CreateFrameTexture(GL_TEXTURE0, width, height, bpp, pixels);
    gpuReady = 1;
  }
  if (gl) {
    if (frameChanged) orientation.toolkit.UpdateFrameTexture(orientation.frameTexture, GL_TEXTURE0, width, height,
                                                             bpp, pixels);
    orientation.UploadIntegralImage(width, height, bpp, pixels, orientation.passSize, 0);
    orientation.Detect(region, drawOutputs && (drawContent == 1 || drawContent == 2));

    decoder->codes.DeleteAll();
    decoder->SetFrame(f, region);
    for (gpu::CListElem* e = orientation.regions.head; e; e = e->next) {
      decoder->SetScanGeometry(*static_cast<CRegionListElem*>(e));
      decoder->DecodeRegion();
    }
    if (!orientation.regions.IsEmpty()) decoder->MergeCodes();
    if (region && drawOutputs) {
      DrawRectangle(a.ctx, region->cx, region->cy, region->width, region->height, region->angle,
                    GetDrawThickness(a.ctx, 2), GetDrawColor(a.ctx, 2));
    }
  }
  bracket.Send(u"*_FRE");
  bracket.Send(u"*_URC");
  // A run without the host's context made no GL call: the next one sets up
  // again (the size and the frame texture may be stale).
  if (!gl) {
    needsSetup = 1;
    return false;
  }
  needsSetup = 0;

  const TColor color1 = GetDrawColor(a.ctx, 1);
  const double thick1 = GetDrawThickness(a.ctx, 1) * 2;
  if (drawOutputs && (drawContent == 1 || drawContent == 3)) {
    for (gpu::CListElem* e = orientation.regions.head; e; e = e->next) {
      const auto* r = static_cast<const CRegionListElem*>(e);
      const double len = std::hypot(r->dx, r->dy);
      if (len == 0) continue;
      const double dx = r->dx / len, dy = r->dy / len, px = dy, py = -dx;
      const double l = r->halfLength, w = r->halfWidth;
      const double p1x = r->cx + l * dx + w * px, p1y = r->cy + l * dy + w * py;
      const double p2x = p1x - 2 * l * dx, p2y = p1y - 2 * l * dy;
      const double p3x = p1x - 2 * w * px, p3y = p1y - 2 * w * py;
      const double p4x = p3x - 2 * l * dx, p4y = p3y - 2 * l * dy;
      DrawLine(a.ctx, p1x, p1y, p3x, p3y, thick1, color1);
      DrawLine(a.ctx, p1x, p1y, p2x, p2y, thick1, color1);
      DrawLine(a.ctx, p3x, p3y, p4x, p4y, thick1, color1);
      DrawLine(a.ctx, p2x, p2y, p4x, p4y, thick1, color1);
    }
  }
  orientation.regions.DeleteAll();
  if (!drawOutputs) return bracket.ok();

  if (const ParamName n = OutputName(a, 0); n.ok) {
    double* count = nullptr;
    if (GetNumber(a.ctx, 63, n.c_str(), 0, &count) && count) *count = decoder->codes.count;
  }
  // Outputs 1 and 2 hold exactly the codes with a text.
  int withText = 0;
  for (gpu::CListElem* e = decoder->codes.head; e; e = e->next) {
    withText += GetStringLength(&static_cast<CCodeListElem*>(e)->text) > 0 ? 1 : 0;
  }
  if (withText > 1) {
    SetObjectMaxIndex(a.ctx, 63, resultName.c_str(), withText - 1);
    if (typeName.ok) SetObjectMaxIndex(a.ctx, 63, typeName.c_str(), withText - 1);
  }
  int k = 0;
  for (gpu::CListElem* e = decoder->codes.head; e; e = e->next) {
    auto* code = static_cast<CCodeListElem*>(e);
    const int length = GetStringLength(&code->text);
    if (length <= 0) continue;
    HostString* text = nullptr;
    if (GetString(a.ctx, 63, resultName.c_str(), k, &text) && text)
      frame::SetWholeString({code->text->chars, static_cast<size_t>(length)}, text);
    HostString* name = nullptr;
    if (typeName.ok && GetString(a.ctx, 63, typeName.c_str(), k, &name) && name) {
      const std::u16string_view t = TypeName(code->type);
      SetString(static_cast<int>(t.size()) - 1, t.data(), name);
    }
    char16_t wide[256];
    kavrin::ExportText(255, wide, code->text);
    double y0 = code->line[1], y1 = code->line[3];
    if (storedHeight <= 0) y0 = height - y0, y1 = height - y1;
    if (underpaintedDraw) {
      underpaintedDraw(a.ctx, code->line[0], y0, code->line[2], y1, length, wide, 0, thick1, color1,
                       TColor{1, 1, 1, 0.65});
    } else {
      DrawDirection(a.ctx, code->line[0], y0, code->line[2], y1, length, wide, 0, thick1, color1);
    }
    ++k;
  }
  return bracket.ok();
}

}  // namespace hoskin
