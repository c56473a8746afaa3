#include "reader2d.h"

#include <cmath>
#include <string>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "frame/run_args.h"

namespace dunsel {

namespace {

constexpr std::u16string_view kNotFound = u"Data matrix not found";

}  // namespace

bool CReadBarcode2D::Run(void* ctx, intptr_t inputList, const void* inputNames, intptr_t outputList,
                         const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs a{ctx, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  Frame* f = nullptr;
  if (!frame::InputFrame(a, 0, &f)) return a.fail(u"error: Cannot get source frame");
  const int width = GetFrameWidth(f), depth = GetFrameDepth(f), bpp = GetFrameBPP(f);

  const frame::ParamName regionName = frame::InputName(a, 1);
  TRectangularRegion* region = nullptr;
  if (!regionName.ok || !GetRectangularRegion(ctx, 63, regionName.text, 0, &region)) region = nullptr;
  if (region) NormalizeDegreeLongreal(&region->angle);
  frame::WarnArrayInput(ctx, 63, regionName.ok ? regionName.text : u"");
  const bool negative = frame::FlagOr(a, 2, false, true);
  const bool showResults = frame::FlagOr(a, 3, true, true);
  const frame::ParamName modeName = frame::InputName(a, 4);
  double* mode = nullptr;
  const bool squareOnly = modeName.ok && GetNumber(ctx, 63, modeName.text, 0, &mode) && mode &&
                          std::isfinite(*mode) && std::trunc(*mode) == 1.0;
  frame::WarnArrayInput(ctx, 63, modeName.ok ? modeName.text : u"");
  legRatio_ = squareOnly ? 0.7f : 0.15f;

  if (!field_) field_ = std::make_unique<GaloisField>();
  decodedText_.clear();
  outputRectangleValid_ = false;
  locationWork_ = {};

  if ((bpp != 8 && bpp != 32) || !LocateDataMatrix(ctx, f, region, negative, width, depth, showResults)) {
    return a.fail(kNotFound);
  }

  const frame::ParamName resultName = frame::OutputName(a, 0);
  if (resultName.ok) {
    HostString* result = nullptr;
    if (!GetString(ctx, 63, resultName.text, 0, &result) || !result) {
      return a.fail(u"error: There is no defined string for the result");
    }
    frame::SetWholeString(decodedText_, result);
    SetObjectMaxIndex(ctx, 63, resultName.text, 0);
  }
  const float values[3] = {unusedErrorCorrection_, symbolContrast_, moduleWidthRatio_};
  for (int k = 1; k <= 3; ++k) {
    const frame::ParamName name = frame::OutputName(a, k);
    if (!name.ok) continue;
    double* number = nullptr;
    if (!GetNumber(ctx, 63, name.text, 0, &number) || !number) {
      return a.fail(u"error: Cannot get output parameter" + std::u16string(name.text));
    }
    *number = static_cast<double>(values[k - 1]);
    SetObjectMaxIndex(ctx, 63, name.text, 0);
  }
  if (outputRectangleValid_) {
    const frame::ParamName name = frame::OutputName(a, 4);
    if (name.ok) {
      TRectangle* rect = nullptr;
      if (!GetRectangle(ctx, 63, name.text, 0, &rect) || !rect) {
        return a.fail(u"error: Cannot get output parameter" + std::u16string(name.text));
      }
      *rect = outputRectangle_;
      SetObjectMaxIndex(ctx, 63, name.text, 0);
    }
  }
  return true;
}

}  // namespace dunsel
