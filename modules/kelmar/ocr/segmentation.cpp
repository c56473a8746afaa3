#include "ocr/segmentation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelmar {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// The region's row or column line i of count, or false when the host cannot
// place it.
bool LineOf(const Frame* f, const TRectangularRegion& r, int count, int i, double angle, TLine* line,
            bool* zero) {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  const bool ok = GetScanRectangularRegionLine(f, &r, count, i, angle, &x0, &y0, &x1, &y1);
  if (zero) *zero = x0 == 0 && y0 == 0 && x1 == 0;
  *line = {static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1), static_cast<double>(y1)};
  return ok;
}

}  // namespace

bool Segmenter::PixelCallback(void* user, int x, int y, unsigned) {
  Segmenter& s = *static_cast<Segmenter*>(user);
  const Frame* f = s.c_.frame;
  const int bpp = GetFrameBPP(f);
  if (bpp != 8 && bpp != 32) return true;
  const int w = GetFrameWidth(f);
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(f));
  bool dark;
  if (bpp == 8) {
    dark = data[static_cast<ptrdiff_t>(y) * ((w + 3) & ~3) + x] <= s.c_.threshold;
  } else {
    const uint8_t* p = data + (static_cast<ptrdiff_t>(y) * w + x) * 4;
    dark = p[0] + p[1] + p[2] <= 3 * s.c_.threshold;
  }
  const bool ink = dark != s.c_.negative;
  if (ink) s.inkSeen_ = true;
  if (!s.profiles_) return true;
  ++s.position_;
  std::vector<int16_t>& mine = s.profile_[s.toggle_];
  const std::vector<int16_t>& previous = s.profile_[1 - s.toggle_];
  if (static_cast<size_t>(s.position_ + 2) >= mine.size()) return true;  // sized per column; never past it
  mine[s.position_] = ink ? 1 : 0;
  if (ink) {
    for (int d = -2; d <= 2; ++d) {
      if (previous[s.position_ + d] == 1) s.connected_ = true;
    }
  }
  return true;
}

bool Segmenter::ScanRow(const TRectangularRegion& r, int count, int i, double angle, bool* zeroLine) {
  inkSeen_ = false;
  connected_ = false;
  TLine line;
  if (!LineOf(c_.frame, r, count, i, angle, &line, zeroLine)) return false;  // refused: blank
  if (profiles_) {
    // The profiles hold every pixel of the column with two spare entries on each side.
    const size_t pixels =
        static_cast<size_t>(std::max(std::abs(line.x1 - line.x0), std::abs(line.y1 - line.y0))) + 1;
    for (std::vector<int16_t>& p : profile_) {
      if (p.size() < pixels + 6) p.resize(pixels + 6, 0);
    }
  }
  ScanLine(c_.frame, &r, &line, 1, this, PixelCallback);
  return inkSeen_;
}

TextLines Segmenter::FindLines(const TRectangularRegion& region, bool patternMode) {
  profiles_ = false;
  return c_.verticalSpacing > 0 ? FindLinesSpaced(region, patternMode) : FindLinesPlain(region, patternMode);
}

namespace {

// The single-line variant searches a region at least 100 pixels wide without
// its outer tenth.
TRectangularRegion SearchRegion(const TRectangularRegion& region, bool narrow) {
  TRectangularRegion r = region;
  const int w = static_cast<int>(region.width);
  if (narrow && w >= 100) r.width -= w / 10;
  return r;
}

}  // namespace

TextLines Segmenter::FindLinesPlain(const TRectangularRegion& region, bool patternMode) {
  const int h = static_cast<int>(region.height);
  const TRectangularRegion search = SearchRegion(region, c_.singleLine && !patternMode);
  TextLines lines;
  bool open = false;
  int run = 0, tallest = 0;
  for (int i = h - 1; i >= 0; --i) {
    bool zero = false;
    const bool ink = ScanRow(search, h, i, 0.0, &zero);
    if (ink) {
      if (!open) {
        open = true;
        lines.starts.push_back(i);
        run = 1;
      } else {
        ++run;
      }
    } else if (open) {
      lines.ends.push_back(zero ? i : i + 1);
      open = false;
      tallest = std::max(tallest, run);
    }
  }
  if (open) {
    lines.ends.push_back(0);
    tallest = std::max(tallest, run);
  }
  if (patternMode || !c_.singleLine) {
    // Dots and accents above a line join the line after them.
    TextLines joined;
    for (int k = 0; k < lines.count(); ++k) {
      const int start = lines.starts[k];
      int end = lines.ends[k];
      bool dropped = false;
      while (start - end < tallest / 2) {
        if (k + 1 >= lines.count()) {
          dropped = true;
          break;
        }
        end = lines.ends[++k];
      }
      if (dropped) break;
      joined.starts.push_back(start);
      joined.ends.push_back(end);
    }
    lines = joined;
  }
  FinishLines(region, patternMode, tallest, &lines);
  return lines;
}

TextLines Segmenter::FindLinesSpaced(const TRectangularRegion& region, bool patternMode) {
  const int h = static_cast<int>(region.height);
  const TRectangularRegion search = SearchRegion(region, c_.singleLine && !patternMode);
  TextLines lines;
  bool open = false;
  int run = 0, tallest = 0, blank = 0, lastInk = 0;
  for (int i = h - 1; i >= 0; --i) {
    bool zero = false;
    const bool ink = ScanRow(search, h, i, 0.0, &zero);
    if (ink) {
      if (!open) {
        open = true;
        lines.starts.push_back(i);
        run = 0;
      }
      run += 1 + blank;
      blank = 0;
      lastInk = i;
    } else if (open && ++blank > c_.verticalSpacing) {
      lines.ends.push_back(zero ? lastInk - 1 : lastInk);
      open = false;
      blank = 0;
      tallest = std::max(tallest, run);
    }
  }
  if (open) {
    lines.ends.push_back(0);
    tallest = std::max(tallest, run);
  }
  FinishLines(region, patternMode, tallest, &lines);
  return lines;
}

void Segmenter::FinishLines(const TRectangularRegion& region, bool patternMode, int tallest, TextLines* lines) {
  if (c_.singleLine && !patternMode) {
    TextLines one;
    for (int k = 0; k < lines->count(); ++k) {
      if (std::abs(lines->starts[k] - lines->ends[k] + 1 - tallest) < 2) {
        one.starts.push_back(lines->starts[k]);
        one.ends.push_back(lines->ends[k]);
        break;
      }
    }
    *lines = one;
  }
  const int w = static_cast<int>(region.width), h = static_cast<int>(region.height);
  const double s = std::sin(region.angle * kDegToRad), c = std::cos(region.angle * kDegToRad);
  lines->rightEnds.assign(lines->count(), -1);
  for (int k = 0; k < lines->count(); ++k) {
    const double d = ((lines->starts[k] + lines->ends[k]) - h + 1) / 2.0;
    const TRectangularRegion line{region.cx - s * d, region.cy + c * d, region.width,
                                  static_cast<double>(lines->starts[k] - lines->ends[k] + 2), region.angle};
    for (int j = 0; j < w; ++j) {
      if (ScanRow(line, w, j, 90.0)) {
        lines->rightEnds[k] = w - 1 - j;
        break;
      }
    }
  }
}

void Segmenter::CloseCharacter(const TRectangularRegion& line, int w, int j, int lineIndex, CharacterRecord rec,
                               std::vector<CharacterRecord>* table, int* sequence) {
  const bool saved = profiles_;
  profiles_ = false;
  if (rec.width <= 0) rec.width = std::abs(w - 1 - rec.x - j);
  const int hl = static_cast<int>(line.height);
  const double s = std::sin(line.angle * kDegToRad), c = std::cos(line.angle * kDegToRad);
  const double e = rec.x - (w - 1 - rec.width) / 2.0;
  const TRectangularRegion box{line.cx + c * e, line.cy + s * e, static_cast<double>(rec.width), line.height,
                               line.angle};
  int top = -1, bottom = -1;
  if (rec.width > 0) {
    for (int i = 0; i < hl; ++i) {
      if (ScanRow(box, hl, i, 0.0)) {
        top = i;
        break;
      }
    }
    for (int i = hl - 1; i >= 0 && top >= 0; --i) {
      if (ScanRow(box, hl, i, 0.0)) {
        bottom = i;
        break;
      }
    }
  }
  profiles_ = saved;
  if (top < 0 || bottom < top) return;
  rec.y = top;
  rec.height = bottom - top + 1;
  rec.line = lineIndex;
  rec.sequence = (*sequence)++;
  if (static_cast<int64_t>(rec.width) * rec.height < c_.minimalSize) {
    --*sequence;
    return;
  }
  rec.text.assign(1, u' ');
  table->push_back(std::move(rec));
}

void Segmenter::SegmentLine(const TRectangularRegion& line, int lineIndex, bool patternMode,
                            std::vector<CharacterRecord>* table) {
  const bool spaced = c_.horizontalSpacing > 0;
  profiles_ = !spaced;
  const int w = static_cast<int>(line.width);
  const int hl = static_cast<int>(line.height);
  for (std::vector<int16_t>& p : profile_) p.assign(static_cast<size_t>(std::max(hl, 0)) + 6, 0);
  toggle_ = 1;
  int sequence = 0;
  bool open = false, lineHasCharacter = false;
  int gap = 0, blankInside = 0, lastInk = 0;
  CharacterRecord rec;
  const auto lastIsSpace = [&] { return !table->empty() && table->back().decided && table->back().text == u" "; };
  const auto startCharacter = [&](int x) {
    rec = CharacterRecord{};
    rec.x = x;
    open = true;
    lastInk = x;
    blankInside = 0;
  };
  const auto close = [&](int j) {
    CloseCharacter(line, w, j, lineIndex, rec, table, &sequence);
    open = false;
    lineHasCharacter = true;
    gap = spaced ? 0 : 1;
  };
  for (int j = w - 1; j >= 0; --j) {
    toggle_ = 1 - toggle_;
    position_ = 2;
    const bool ink = ScanRow(line, w, j, 90.0);
    const int x = w - 1 - j;
    if (!open) {
      if (ink) {
        startCharacter(x);
        if (spaced && j == 0) {
          rec.width = 1;
          close(j);
        }
        continue;
      }
      if (lineHasCharacter && !lastIsSpace()) {
        ++gap;
        if (!patternMode && gap > 0.75 * c_.meanPatternWidth) {
          CharacterRecord space;
          space.x = x - gap;
          space.width = gap;
          space.text = u" ";
          space.decided = true;
          space.line = lineIndex;
          table->push_back(space);
          gap = 0;
        }
      }
      continue;
    }
    if (spaced) {
      if (ink) {
        lastInk = x;
        blankInside = 0;
      } else {
        ++blankInside;
      }
      if (blankInside > c_.horizontalSpacing || j == 0) {
        rec.width = lastInk - rec.x + 1;  // without the trailing blank columns
        close(j);
      }
      continue;
    }
    if (connected_) {
      if (j == 0) close(j);
      continue;
    }
    const int span = x - rec.x + 1;
    if (ink && span >= 3) {
      close(j);  // glyphs that do not touch: split before this column
      startCharacter(x);
      continue;
    }
    if (!ink || j == 0) close(j);
  }
  profiles_ = false;
}

}  // namespace kelmar
