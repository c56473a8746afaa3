// Barcode-like places of a frame: two GPU passes mark pixels whose window
// shows strong stripes of one direction and keep the grid points whose
// neighbourhood agrees; the CPU reads the grid back, drops isolated cells,
// grows cells of similar direction into regions and keeps the plausible ones.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "decoder/region.h"
#include "gpu/feature.h"
#include "gpu/list.h"

namespace hoskin {

class CBarcodeOrientation : public gpu::CFeature {
 public:
  CBarcodeOrientation();
  ~CBarcodeOrientation() override;

  // CFeature::Release, then the targets, programs, regions and buffers.
  void Release() override;
  // CFeature::Resize at 32 bits, then the two 8-bit colour targets.
  void Resize(int width, int height, int bpp) override;
  bool BuildShaders(int errLen, char16_t* errBuf) override;

  // Every pass whose grid step is at least 1: the two programs, the read-back
  // and the regions. A null region is the whole frame; draw shows the cells.
  void Detect(const TRectangularRegion* region, bool draw);
  // Reads the bound target back, then builds the regions of one pass.
  void BuildRegions(int step, bool draw);
  // The CPU half of BuildRegions, on readBack (width x height RGBA bytes).
  void BuildRegionsFromReadBack(int step, bool draw);
  void FilterCells(int minNeighbours, bool eightNeighbourhood);
  // Depth-first flood fill from a cell, in the order of a recursion over the
  // neighbours left, right, below, above, below-right, below-left,
  // above-right, above-left, with one running mean direction per region.
  void GrowRegion(int cell, float mean[2], CRegionListElem* region, bool draw);

  void* hostContext = nullptr;
  std::vector<uint8_t> readBack;
  std::vector<float> cellDirection;  // dx, dy per cell
  std::vector<uint8_t> cellMark;
  std::vector<int> cellLabel;
  int cellCount = 0, gridColumns = 0, gridRows = 0;
  GLuint orientationTarget = 0, filtrationTarget = 0;
  GLuint orientationProgram = 0, filtrationProgram = 0;
  GLint orientationTexChan0 = -1, orientationTexChan1 = -1, orientationSize = -1, orientationSensitivity = -1;
  GLint filtrationTexChan0 = -1, filtrationSize = -1;
  float passSize[8] = {10, 0, 0, 0, 0, 0, 0, 0};
  float passSensitivity[8] = {0.005f, 0.005f, 0.005f, 0.005f, 0.005f, 0.005f, 0.005f, 0.005f};
  gpu::CList regions;
  int regionCounter = 0;
  gpu::CList workRegions;

 private:
  // The neighbour k (in growing order) of a cell, or -1 past the grid's edge.
  int Neighbour(int cell, int k) const;
  bool Similar(int a, int b) const;
};

// The light cyan of the cells drawn while regions grow.
extern const TColor rgbaLCyan;

}  // namespace hoskin
