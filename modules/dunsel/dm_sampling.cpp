// Module sampling of a located symbol and the print-quality figures.
#include <algorithm>
#include <cmath>

#include "dm_codewords.h"
#include "frame/image_stats.h"

namespace dunsel {

namespace {

struct Vec {
  double x, y;
};

Vec Unit(double x, double y) {
  const double n = std::hypot(x, y);
  return n > 0 ? Vec{x / n, y / n} : Vec{0, 0};
}

Vec Mean(Vec a, Vec b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// Where p + s r meets q + u c; p itself when the two are parallel.
Vec Cross(Vec p, Vec r, Vec q, Vec c) {
  const double det = r.x * c.y - r.y * c.x;
  if (std::abs(det) < 1e-12) return p;
  const double s = ((q.x - p.x) * c.y - (q.y - p.y) * c.x) / det;
  return {p.x + s * r.x, p.y + s * r.y};
}

// Keeps the n largest (or smallest) values in order; on ties the earlier
// value stays first.
void Insert(std::vector<int>& list, int& filled, int value, bool largest) {
  const int n = static_cast<int>(list.size());
  int at = filled;
  while (at > 0 && (largest ? value > list[at - 1] : value < list[at - 1])) --at;
  if (at >= n) return;
  for (int k = std::min(filled, n - 1); k > at; --k) list[k] = list[k - 1];
  list[at] = value;
  if (filled < n) ++filled;
}

}  // namespace

bool CodewordReader::Read(const Frame* image, const SymbolCandidate& c, const DmSize& size, bool negative,
                          int threshold, std::vector<uint8_t>& codewords, CodewordSample& sample) {
  const int regionW = size.cols / size.regionsAcross, regionH = size.rows / size.regionsDown;
  const int dataCols = size.cols - 2 * size.regionsAcross, dataRows = size.rows - 2 * size.regionsDown;
  // Rows up to rows - 2 and columns up to cols - 2 take their reference
  // points from the clock tracks.
  if (c.rowPoints < size.rows - 1 || c.columnPoints < size.cols - 1) return false;

  const Vec r = Mean(Unit(c.cornerX[1] - c.cornerX[0], c.cornerY[1] - c.cornerY[0]),
                     Unit(c.cornerX[3] - c.cornerX[2], c.cornerY[3] - c.cornerY[2]));
  const Vec col = Mean(Unit(c.cornerX[2] - c.cornerX[0], c.cornerY[2] - c.cornerY[0]),
                       Unit(c.cornerX[3] - c.cornerX[1], c.cornerY[3] - c.cornerY[1]));

  bits_.assign(static_cast<size_t>(dataRows) * dataCols, 0);
  const int n = std::max(1, dataRows * dataCols / 10);
  brightest_.assign(static_cast<size_t>(n), 0);
  darkest_.assign(static_cast<size_t>(n), 0);
  int brightFilled = 0, darkFilled = 0;

  int k = 0;
  for (int row = size.rows - 2; row >= 1; --row) {
    if (row % regionH == 0 || (row + 1) % regionH == 0) continue;
    const Vec rowPoint{c.rowX[static_cast<size_t>(row)], c.rowY[static_cast<size_t>(row)]};
    int j = 0;
    for (int column = 1; column <= size.cols - 2; ++column) {
      if (column % regionW == 0 || (column + 1) % regionW == 0) continue;
      const Vec colPoint{c.columnX[static_cast<size_t>(column)], c.columnY[static_cast<size_t>(column)]};
      const Vec centre = Cross(rowPoint, r, colPoint, col);
      const int x = static_cast<int>(centre.x + 0.5), y = static_cast<int>(centre.y + 0.5);
      const int value = static_cast<int>(2 * frame::GetPixelIntensity(image, x, y) +
                                         frame::GetPixelIntensity(image, x - 1, y) +
                                         frame::GetPixelIntensity(image, x + 1, y) +
                                         frame::GetPixelIntensity(image, x, y - 1) +
                                         frame::GetPixelIntensity(image, x, y + 1));
      const bool dark = value < 6 * threshold;
      bits_[static_cast<size_t>(k) * dataCols + j] = dark != negative ? 1 : 0;
      Insert(brightest_, brightFilled, value / 6, true);
      Insert(darkest_, darkFilled, value / 6, false);
      ++j;
    }
    ++k;
  }

  double bright = 0, darkSum = 0;
  for (int i = 0; i < brightFilled; ++i) bright += brightest_[static_cast<size_t>(i)];
  for (int i = 0; i < darkFilled; ++i) darkSum += darkest_[static_cast<size_t>(i)];
  sample.contrast = static_cast<float>(((brightFilled ? bright / brightFilled : 0) -
                                        (darkFilled ? darkSum / darkFilled : 0)) / 255.0);
  sample.widthRatio = c.darkWidth > 0 ? static_cast<float>(c.lightWidth) / static_cast<float>(c.darkWidth) : 0.0f;

  PlaceCodewords(dataRows, dataCols, map_);
  PackCodewords(bits_, map_, codewords);
  return true;
}

}  // namespace dunsel
