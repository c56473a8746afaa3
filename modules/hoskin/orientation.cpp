#include "orientation.h"

#include <algorithm>
#include <cmath>

#include "frame/module_frame.h"
#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "gpu/programs.h"
#include "grid_neighbour.h"

namespace hoskin {

const TColor rgbaLCyan = {0.6, 1.0, 1.0, 1.0};

namespace {

constexpr float kDirectionTolerance = 0.15f;
constexpr int kMinPoints = 30;
constexpr float kMinMeanNeighbours = 5.8f;
constexpr float kMaxElongation = 2.5f;

void DeleteTexture(GLuint* t) {
  if (*t) glDeleteTextures(1, t);
  *t = 0;
}

void DeleteProgram(GLuint* p) {
  if (*p) glDeleteProgram(*p);
  *p = 0;
}

void RemoveAndDelete(gpu::CList& list) { list.DeleteAll(); }

}  // namespace

CBarcodeOrientation::CBarcodeOrientation() = default;

CBarcodeOrientation::~CBarcodeOrientation() {
  regions.DeleteAll();
  workRegions.DeleteAll();
}

void CBarcodeOrientation::Release() {
  CFeature::Release();
  DeleteTexture(&orientationTarget);
  DeleteTexture(&filtrationTarget);
  DeleteProgram(&orientationProgram);
  DeleteProgram(&filtrationProgram);
  RemoveAndDelete(regions);
  RemoveAndDelete(workRegions);
  readBack = {};
  cellDirection = {};
  cellMark = {};
  cellLabel = {};
  cellCount = gridColumns = gridRows = 0;
}

void CBarcodeOrientation::Resize(int w, int h, int) {
  CFeature::Resize(w, h, 32);
  if (w < 1 || h < 1) return;
  DeleteTexture(&orientationTarget);
  DeleteTexture(&filtrationTarget);
  orientationTarget = toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, 32, nullptr);
  filtrationTarget = toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, 32, nullptr);
}

bool CBarcodeOrientation::BuildShaders(int errLen, char16_t* errBuf) {
  // Built once: a rebuild for a new frame size keeps the white program.
  if (!toolkit.whiteProgram && !toolkit.BuildWhiteProgram(errLen, errBuf)) return false;
  if (!gpu::BuildProgramFromFiles("FTransform", "BarcodeOrientation", &orientationProgram, true)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  orientationTexChan0 = glGetUniformLocation(orientationProgram, "TexChan0");
  orientationTexChan1 = glGetUniformLocation(orientationProgram, "TexChan1");
  orientationSize = glGetUniformLocation(orientationProgram, "Size");
  orientationSensitivity = glGetUniformLocation(orientationProgram, "Sensitivity");
  if (!gpu::BuildProgramFromFiles("FTransform", "BarcodeFiltration", &filtrationProgram, true)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  filtrationTexChan0 = glGetUniformLocation(filtrationProgram, "TexChan0");
  filtrationSize = glGetUniformLocation(filtrationProgram, "Size");
  return toolkit.BuildCopyProgram(errLen, errBuf);
}

void CBarcodeOrientation::Detect(const TRectangularRegion* region, bool draw) {
  for (int i = 0; i < 8; ++i) {
    toolkit.BindFramebufferTexture(orientationTarget);
    toolkit.StencilRegion(region, width, height);
    // A window below one pixel has no grid: the pass is skipped.
    const int s = passSize[i] > 0 ? static_cast<int>(passSize[i]) : 0;
    if (s >= 1) {
      if (region || i > 0) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
      }
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_RECTANGLE_ARB, frameTexture);
      glActiveTexture(GL_TEXTURE1);
      glBindTexture(GL_TEXTURE_RECTANGLE_ARB, integralTexture);
      glUseProgram(orientationProgram);
      glUniform1i(orientationTexChan0, 0);
      glUniform1i(orientationTexChan1, 1);
      glUniform1f(orientationSize, static_cast<float>(s));
      glUniform1f(orientationSensitivity, passSensitivity[i]);
      gpu::DrawScreenQuad(GL_TEXTURE1, width, height);

      gpu::AttachColorTarget(filtrationTarget);
      if (region || i > 0) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
      }
      toolkit.StencilRegionGrid(region, s, s, width, height);
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_RECTANGLE_ARB, orientationTarget);
      glUseProgram(filtrationProgram);
      glUniform1i(filtrationTexChan0, 0);
      glUniform1f(filtrationSize, static_cast<float>(s));
      gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
      gpu::DisableStencilTest();
      BuildRegions(s, draw);
    }
    gpu::EndRender();
  }
}

void CBarcodeOrientation::BuildRegions(int step, bool draw) {
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  if (readBack.size() != bytes) readBack.assign(bytes, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, readBack.data());
  BuildRegionsFromReadBack(step, draw);
}

int CBarcodeOrientation::Neighbour(int cell, int k) const { return GridNeighbour(cell, k, gridColumns, gridRows); }

bool CBarcodeOrientation::Similar(int a, int b) const {
  return std::fabs(cellDirection[2 * a] - cellDirection[2 * b]) < kDirectionTolerance &&
         std::fabs(cellDirection[2 * a + 1] - cellDirection[2 * b + 1]) < kDirectionTolerance;
}

void CBarcodeOrientation::FilterCells(int minNeighbours, bool eightNeighbourhood) {
  const int neighbours = eightNeighbourhood ? 8 : 4;
  for (int cell = 0; cell < cellCount; ++cell) {
    if (!cellMark[cell]) continue;
    int count = 0;
    for (int k = 0; k < neighbours; ++k) {
      const int n = Neighbour(cell, k);
      if (n >= 0 && cellMark[n] && Similar(cell, n)) ++count;
    }
    if (count < minNeighbours) cellMark[cell] = 0;
  }
}

void CBarcodeOrientation::GrowRegion(int seed, float mean[2], CRegionListElem* region, bool draw) {
  const float step = static_cast<float>(region->step);
  // Enters a cell: false when its direction leaves the running mean.
  const auto enter = [&](int cell) {
    const float dx = cellDirection[2 * cell], dy = cellDirection[2 * cell + 1];
    if (std::fabs(dx - mean[0]) >= kDirectionTolerance || std::fabs(dy - mean[1]) >= kDirectionTolerance) {
      return false;
    }
    ++region->pointCount;
    auto* p = new CPointListElem;
    const float x = static_cast<float>(cell % gridColumns) * step + step;
    const float y = static_cast<float>(cell / gridColumns) * step + step;
    p->position = InitFloatVec2(0, 0);
    p->position.x = x;
    p->position.y = y;
    p->cell = cell;
    p->dx = dx;
    p->dy = dy;
    region->minX = std::min(region->minX, x);
    region->maxX = std::max(region->maxX, x);
    region->minY = std::min(region->minY, y);
    region->maxY = std::max(region->maxY, y);
    region->points.Append(p);
    if (draw) {
      const double thickness = GetDrawThickness(region->hostContext, 1);
      DrawLine(region->hostContext, x, y, x + 10 * dx, y + 10 * dy, thickness, rgbaLCyan);
      DrawCircle(region->hostContext, x, y, 1.0, 3.0, rgbaLCyan);
    }
    cellMark[cell] = 0;
    if (region->pointCount > 1) {
      mean[0] = (5 * mean[0] + dx) / 6;
      mean[1] = (5 * mean[1] + dy) / 6;
    }
    cellLabel[cell] = region->id;
    return true;
  };
  // The recursion's frames: a cell and the next neighbour to visit.
  struct Frame {
    int cell, next;
  };
  std::vector<Frame> stack;
  if (enter(seed)) stack.push_back({seed, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == 8) {
      stack.pop_back();
      continue;
    }
    const int n = Neighbour(top.cell, top.next++);
    if (n >= 0 && cellMark[n] && enter(n)) stack.push_back({n, 0});
  }
}

void CBarcodeOrientation::BuildRegionsFromReadBack(int step, bool draw) {
  if (step < 1) return;
  gridColumns = std::max(width / step - 1, 0);
  gridRows = std::max(height / step - 1, 0);
  const int cells = gridColumns * gridRows;
  if (cells != cellCount) {
    cellDirection.assign(static_cast<size_t>(cells) * 2, 0.0f);
    cellMark.assign(cells, 0);
    cellLabel.assign(cells, 0);
    cellCount = cells;
  }
  regionCounter = 0;
  for (int r = 0; r < gridRows; ++r) {
    for (int c = 0; c < gridColumns; ++c) {
      const int cell = r * gridColumns + c;
      const uint8_t* px = &readBack[(static_cast<size_t>(r + 1) * step * width + static_cast<size_t>(c + 1) * step) * 4];
      const bool marked = px[1] != 0;
      cellMark[cell] = marked;
      cellDirection[2 * cell] = marked ? px[0] * 0.0078125f - 1.0f : 0.0f;
      cellDirection[2 * cell + 1] = marked ? px[2] * 0.0078125f - 1.0f : 0.0f;
      cellLabel[cell] = 0;
    }
  }
  FilterCells(4, true);

  for (int seed = 0; seed < cellCount; seed += 5) {
    if (!cellMark[seed]) continue;
    auto* region = new CRegionListElem;
    region->id = ++regionCounter;
    region->step = step;
    region->columns = gridColumns;
    region->rows = gridRows;
    region->minX = static_cast<float>(width);
    region->maxX = 0;
    region->minY = static_cast<float>(height);
    region->maxY = 0;
    region->hostContext = hostContext;
    workRegions.Append(region);
    float mean[2] = {cellDirection[2 * seed], cellDirection[2 * seed + 1]};
    GrowRegion(seed, mean, region, draw);
  }

  // Removes the work regions a test refuses.
  const auto keepIf = [&](auto keep) {
    CRegionListElem* r = nullptr;
    if (!workRegions.GetFirst(&r)) return;
    while (workRegions.GetCurrent(&r)) {
      if (keep(*r)) {
        workRegions.GetNext(&r);
      } else {
        workRegions.RemoveCurrent();
        delete r;
      }
    }
  };
  keepIf([](CRegionListElem& r) {
    r.cx = (r.minX + r.maxX) / 2;
    r.cy = (r.minY + r.maxY) / 2;
    return r.pointCount >= kMinPoints && r.maxX - r.minX != 0 && r.maxY - r.minY != 0;
  });
  keepIf([&](CRegionListElem& r) {
    float neighbours = 0, sx = 0, sy = 0;
    for (gpu::CListElem* e = r.points.head; e; e = e->next) {
      auto* p = static_cast<CPointListElem*>(e);
      for (int k = 0; k < 8; ++k) {
        const int n = Neighbour(p->cell, k);
        if (n >= 0 && cellLabel[n] == r.id) ++neighbours;
      }
      sx += p->dx;
      sy += p->dy;
    }
    r.meanNeighbours = neighbours / r.pointCount;
    r.dx = sx / r.pointCount;
    r.dy = sy / r.pointCount;
    return r.meanNeighbours >= kMinMeanNeighbours;
  });
  keepIf([&](CRegionListElem& r) {
    const float length = std::hypot(r.dx, r.dy);
    float across = 0, along = 0;
    if (length > 0) {
      for (gpu::CListElem* e = r.points.head; e; e = e->next) {
        auto* p = static_cast<CPointListElem*>(e);
        const float x = p->position.x - r.cx, y = p->position.y - r.cy;
        across = std::max(across, std::fabs(r.dy * x - r.dx * y) / length);
        along = std::max(along, std::fabs(r.dx * x + r.dy * y) / length);
      }
    }
    r.halfWidth = across + static_cast<float>(step);
    r.halfLength = along;
    return r.halfLength <= kMaxElongation * r.halfWidth;
  });
  keepIf([&](CRegionListElem& w) {
    for (gpu::CListElem* e = regions.head; e; e = e->next) {
      auto* r = static_cast<CRegionListElem*>(e);
      const float m = 0.1f * std::max(w.halfWidth, r->halfWidth);
      if (std::hypot(w.cx - r->cx, w.cy - r->cy) < m && std::hypot(w.dx - r->dx, w.dy - r->dy) < 0.25f &&
          std::fabs(w.halfWidth - r->halfWidth) < m) {
        return false;
      }
    }
    return true;
  });
  regions.AppendList(&workRegions);
  workRegions.Reset();
}

}  // namespace hoskin
