// The character table of the pattern-trained reader: the pattern frame cut
// into characters, each with a coarse and a fine set of grey samples.
#include <omp.h>

#include <algorithm>

#include "frame/image_stats.h"
#include "ocr/ocr_params.h"
#include "pattern/sampling.h"

namespace kelmar {

namespace {

int Grey(const uint8_t* data, ptrdiff_t stride, int bpp, int x, int y) {
  if (bpp == 8) return data[y * stride + x];
  const uint8_t* p = data + y * stride + static_cast<ptrdiff_t>(x) * 4;
  return (p[0] + p[1] + p[2]) / 3;
}

ptrdiff_t StrideOf(const Frame* f) {
  const int w = GetFrameWidth(f);
  return GetFrameBPP(f) == 8 ? (w + 3) & ~3 : 4 * static_cast<ptrdiff_t>(w);
}

// Every pixel of the box, rows in parallel.
void SampleCharacterBox(const Frame* f, const CharacterRecord& r, bool negative, std::vector<int32_t>* set) {
  const int n = r.width * r.height;
  set->assign(static_cast<size_t>(3) * n, 0);
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(f));
  const ptrdiff_t stride = StrideOf(f);
  const int bpp = GetFrameBPP(f);
  int32_t* out = set->data();
#pragma omp parallel for schedule(static)
  for (int y = r.y; y < r.y + r.height; ++y) {
    for (int x = r.x; x < r.x + r.width; ++x) {
      const int k = (y - r.y) * r.width + (x - r.x);
      const int v = Grey(data, stride, bpp, x, y);
      out[k] = negative ? 255 - v : v;
      out[n + k] = x - r.x - r.width / 2;
      out[2 * n + k] = y - r.y - r.height / 2;
    }
  }
}

// A histogram-guided random subset of the box.
int DrawSamples(const Frame* f, const CharacterRecord& r, const int32_t (&hist)[32], float percent, bool negative,
                std::vector<int32_t>* set) {
  const int n = CountSamplePoints(hist, percent);
  set->assign(static_cast<size_t>(3) * n, 0);
  const SampleSource src{GetFrameDataAddr(const_cast<Frame*>(f)), static_cast<int>(StrideOf(f)), GetFrameBPP(f),
                         r.x, r.y, r.width, r.height};
  // No alpha test here: the table counts every pixel, so a box of transparent
  // pixels must still end its draw.
  const int got = SelectSamplePoints(set->data(), hist, percent, src, SampleAngles{360, 0, 54}, false);
  if (negative) {
    for (int i = 0; i < got; ++i) (*set)[i] = 255 - (*set)[i];
  }
  return n;
}

}  // namespace

void CMatchOCR::SampleRecord(const Frame* pattern, bool negative, float speed, CharacterRecord* rec,
                             bool* coarseIsFine) {
  const float area = static_cast<float>(rec->width) * static_cast<float>(rec->height);
  const float finePercent = 50000.0f / area;
  const float coarsePercent = (speed * 0.8f + 1.2f) * 10000.0f / area;
  *coarseIsFine = false;
  int32_t hist[32] = {};
  if (coarsePercent <= 70 || finePercent <= 70) {
    const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(pattern));
    const ptrdiff_t stride = StrideOf(pattern);
    const int bpp = GetFrameBPP(pattern);
    for (int y = rec->y; y < rec->y + rec->height; ++y) {
      for (int x = rec->x; x < rec->x + rec->width; ++x) {
        const uint8_t* p = data + y * stride + static_cast<ptrdiff_t>(x) * (bpp / 8);
        ++hist[bpp == 8 ? p[0] / 8 : (p[0] + p[1] + p[2]) / 24];
      }
    }
  }
  if (finePercent > 70) {
    SampleCharacterBox(pattern, *rec, negative, &rec->fine);
    rec->fineCount = rec->width * rec->height;
  } else {
    rec->fineCount = DrawSamples(pattern, *rec, hist, finePercent, negative, &rec->fine);
  }
  rec->fineDeviation = frame::RowStdDev(rec->fine.data(), rec->fineCount, 0, &rec->fineMean);
  if (coarsePercent > 70 && finePercent > 70) {
    rec->coarse = rec->fine;
    rec->coarseCount = rec->fineCount;
    rec->coarseDeviation = rec->fineDeviation;
    rec->coarseMean = rec->fineMean;
    *coarseIsFine = true;
    return;
  }
  rec->coarseCount = DrawSamples(pattern, *rec, hist, coarsePercent, negative, &rec->coarse);
  rec->coarseDeviation = frame::RowStdDev(rec->coarse.data(), rec->coarseCount, 0, &rec->coarseMean);
}

std::u16string_view CMatchOCR::BuildTable(const frame::RunArgs& a, const Frame* pattern, const Params& p) {
  SegmentationContext c;
  c.frame = pattern;
  c.threshold = p.patternThreshold >= 0 ? p.patternThreshold : frame::AutoThreshold(pattern, nullptr);
  c.negative = p.negative;
  c.minimalSize = p.minimalSize;
  c.horizontalSpacing = p.horizontalSpacing;
  c.verticalSpacing = p.verticalSpacing;
  c.singleLine = singleLine_;
  Segmenter segmenter(c);
  const int w = GetFrameWidth(pattern), d = GetFrameDepth(pattern);
  const TRectangularRegion whole{(w - 1) / 2.0, (d - 1) / 2.0, static_cast<double>(w), static_cast<double>(d), 0};
  const TextLines lines = segmenter.FindLines(whole, true);
  if (lines.count() == 0) return u"error: List of chars not found";
  patternTable_.clear();
  for (int i = 0; i < lines.count(); ++i) {
    const TRectangularRegion line{lines.rightEnds[i] / 2.0, (lines.starts[i] + lines.ends[i]) / 2.0,
                                  lines.rightEnds[i] + 1.0, lines.starts[i] - lines.ends[i] + 1.0, 0};
    const size_t before = patternTable_.size();
    segmenter.SegmentLine(line, i, true, &patternTable_);
    for (size_t k = before; k < patternTable_.size(); ++k) patternTable_[k].y += lines.ends[i];
  }
  if (patternTable_.empty()) return u"error: List of chars not found";  // every glyph below the minimal size
  const size_t defined = characters_.size() - 1;
  if (patternTable_.size() > defined) {
    AddWarning(a.ctx, 255,
               u"The pattern frame holds more characters than the table of characters; the extra ones are ignored");
  }
  int64_t widths = 0;
  for (const CharacterRecord& r : patternTable_) widths += r.width;
  meanPatternWidth_ = static_cast<int>(widths / static_cast<int64_t>(patternTable_.size()));
  coarseIsFine_.assign(patternTable_.size(), 0);
  for (size_t k = 0; k < patternTable_.size(); ++k) {
    bool shared = false;
    SampleRecord(pattern, p.negative, p.speed, &patternTable_[k], &shared);
    coarseIsFine_[k] = shared;
  }
  return {};
}

std::u16string_view CMatchOCR::UpdateTable(const frame::RunArgs& a, const Frame* pattern, int32_t stamp,
                                           const Params& p) {
  const bool changed = stamp != patternStamp_;
  patternStamp_ = stamp;
  const bool rebuild = changed || !tableValid_ || p.patternThreshold != storedThreshold_ ||
                       p.verticalSpacing != storedVertical_ || p.horizontalSpacing != storedHorizontal_ ||
                       p.minimalSize != storedMinimal_ || p.negative != storedNegative_ || p.speed != storedSpeed_;
  if (rebuild) {
    tableValid_ = false;  // a failed build is tried again on the next run
    const std::u16string_view failure = BuildTable(a, pattern, p);
    if (!failure.empty()) return failure;
    tableValid_ = true;
  }
  storedThreshold_ = p.patternThreshold;
  storedVertical_ = p.verticalSpacing;
  storedHorizontal_ = p.horizontalSpacing;
  storedMinimal_ = p.minimalSize;
  storedNegative_ = p.negative;
  storedSpeed_ = p.speed;
  return {};
}

}  // namespace kelmar
