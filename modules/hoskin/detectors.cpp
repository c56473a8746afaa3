#include "detectors.h"

#include <dlfcn.h>

#include "gpu/bracket.h"

namespace hoskin {

UnderpaintedDrawFn FindUnderpaintedDraw() {
  // A second load of the host library, given back at once: the address stays
  // valid because the host keeps the library loaded.
  void* host = dlopen("libtalvix.so", RTLD_NOW | RTLD_NOLOAD);
  if (!host) return nullptr;
  auto fn = reinterpret_cast<UnderpaintedDrawFn>(dlsym(host, "DrawDirectionUnderpainted"));
  dlclose(host);
  return fn;
}

CBarcodeDetector::CBarcodeDetector() : CDetector(0), decoder(std::make_unique<CBarcodeDecoder>()) {
  decoder->integralSource = &orientation;
  underpaintedDraw = FindUnderpaintedDraw();
}

CBarcodeDetector::~CBarcodeDetector() = default;

void CBarcodeDetector::ReleaseGpu(void* hostContext) {
  decoder.reset();
  if (!gpuReady) return;
  // Answers are ignored; without a lent context nothing is deleted.
  gpu::Bracket release(hostContext);
  if (release.Lend()) orientation.Release();
  release.Send(u"*_URC");
}

}  // namespace hoskin
