#include "plate/licence_plate.h"

#include <omp.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "plate/plate_output.h"

namespace kelmar {
namespace {

constexpr double kDegree = M_PI / 180;

// A region side in whole pixels; absurd or undefined sizes search nothing.
int WholePixels(double side) {
  return std::isfinite(side) ? std::clamp(frame::TruncateToInt(side), -10000000, 10000000) : 0;
}

}  // namespace

bool CMatchLicencePlate::SearchFromStarts(const std::vector<plate::PlateSearchBlock>& blocks, int firstStart) {
  plate::PlateSearch& s = search_;
  const std::vector<std::vector<plate::BandRun>> candidates = plate::BandCandidates(s, blocks, buffers_, firstStart);
  std::vector<std::thread> workers;
  bool started = true;
  for (size_t i = 0; i + 1 < blocks.size(); ++i) {
    try {
      workers.emplace_back(plate::LicencePlateThread, std::ref(s), std::cref(blocks[i]), std::ref(buffers_[i]),
                           std::cref(candidates[i]));
    } catch (const std::system_error&) {
      started = false;
      s.winner = -1;  // the started workers stop at their next check
      break;
    }
  }
  if (started) plate::LicencePlateThread(s, blocks.back(), buffers_[blocks.size() - 1], candidates.back());
  for (auto& t : workers) t.join();
  return started;
}

bool CMatchLicencePlate::Run(const frame::RunArgs& args) {
  // One worker per thread of the OpenMP setting, as the other searches.
  const int n = std::max(1, processorOverride_ > 0 ? processorOverride_ : omp_get_max_threads());
  Frame* input = nullptr;
  if (!frame::InputFrame(args, 0, &input)) return args.fail(u"error: Cannot get input frame");
  plate::PlateSearch& s = search_;
  s.frame = frame::FrameRows(input);
  for (int i = 4; i < 8; ++i) s.result.corners[i] = 0;
  s.result.accepted = 0;

  TRectangularRegion whole{s.frame.width * 0.5, s.frame.depth * 0.5, double(s.frame.width), double(s.frame.depth), 0};
  const frame::ParamName regionName = frame::InputName(args, 1);
  s.region = &whole;
  if (regionName.ok) {
    TRectangularRegion* r = nullptr;
    if (!GetRectangularRegion(args.ctx, 63, regionName.c_str(), 0, &r) || !r)
      return args.fail(u"error: Cannot get input region");
    s.region = r;
    frame::WarnArrayInput(args.ctx, 63, regionName.c_str());
  }
  s.tiltLimit = 0;
  s.regionWidth = WholePixels(s.region->width);
  s.regionHeight = WholePixels(s.region->height);
  const float a = static_cast<float>(s.region->angle * kDegree);
  s.sinRegion = std::sin(a);
  s.cosRegion = std::cos(a);
  // A line through the region at any angle has at most this many pixels, and
  // the samples are those inside the frame: a region far past the frame
  // needs no more than the frame's own lines.
  const double longest = std::ceil(std::fabs(s.region->width)) + std::ceil(std::fabs(s.region->height)) + 3;
  const double inFrame = double(s.frame.width) + double(s.frame.depth) + 3;
  const int samples = std::isfinite(longest) ? frame::TruncateToInt(std::min(longest, inFrame)) : 0;

  const std::vector<plate::PlateSearchBlock> blocks = plate::PlateShares(s.regionHeight, n);
  if (buffers_.size() < blocks.size()) buffers_.resize(blocks.size());
  for (size_t i = 0; i < buffers_.size(); ++i) {
    buffers_[i].index = static_cast<int>(i);
    buffers_[i].reserve(samples);
  }
  s.results.resize(blocks.size());
  for (auto& r : s.results) r.accepted = 0;
  s.winner = INT_MAX;
  s.scannedLines = 0;

  // Band starts lie 20 lines apart, so the characters of a small plate can
  // fall between two of them. Only when no start led to a plate are the
  // starts halfway between tried: what the first pass reads stays as it was.
  for (int firstStart : {0, plate::kBandStartStep / 2}) {
    if (!SearchFromStarts(blocks, firstStart)) return args.fail(u"error: Cannot start the search threads");
    if (s.winner.load() != INT_MAX) break;
  }
  const int winner = s.winner.load();
  if (winner >= 0 && winner < static_cast<int>(blocks.size())) s.result = std::move(s.results[winner]);

  bool show = true;
  const frame::ParamName showName = frame::InputName(args, 2);
  if (showName.ok) {
    bool* flag = nullptr;
    if (GetFlag(args.ctx, 63, showName.c_str(), 0, &flag) && flag) show = *flag;
    frame::WarnArrayInput(args.ctx, 63, showName.c_str());
  }
  const int level = GetDrawingLevel(args.ctx);
  const int* c = s.result.corners;
  if (c[4] == 0 && c[5] == 0 && c[6] == 0 && c[7] == 0) return args.fail(u"Licence plate not found");
  return Finish(args, show, level);
}

bool CMatchLicencePlate::Finish(const frame::RunArgs& args, bool show, int level) {
  plate::PlateResult& p = search_.result;
  if (const frame::ParamName name = frame::OutputName(args, 0); name.ok) {
    TRectangularRegion* out = nullptr;
    if (GetRectangularRegion(args.ctx, 63, name.c_str(), 0, &out) && out) *out = {p.cx, p.cy, p.width, p.height, p.angle};
  }
  // Only the boxes of the written plate are read.
  const int count = std::min<int>(p.accepted, static_cast<int>(p.boxes.size()));
  const plate::PlateAngles angles = plate::AnglesOf(p.angle, p.slant);

  Frame* image = reinterpret_cast<Frame*>(p.image.data());
  plate::MarkPlateSpecks(image);
  if (const frame::ParamName name = frame::OutputName(args, 2); name.ok) {
    Frame* out = nullptr;
    if (!GetOutputFrame(args.ctx, 63, name.c_str(), &out, GetFrameWidth(image), GetFrameDepth(image), 8) || !out)
      return args.fail(u"error: Cannot get output frame");
    std::memcpy(out, image, static_cast<size_t>(GetFrameSize(image)));
  }
  scores_.assign(static_cast<size_t>(count) * plate::kPlateClasses, 0);
  plate::ReadPlateCharacters(image, p.x0, p.y0, angles, p.boxes.data(), count, scores_.data());

  if (show) {
    DrawRectangle(args.ctx, p.cx, p.cy, p.width, p.height, p.angle, GetDrawThickness(args.ctx, 1),
                  GetDrawColor(args.ctx, 1));
    if (level >= 1) {
      for (int i = 0; i < count; ++i) {
        const plate::PlateCharacterBox& b = p.boxes[i];
        const double w = b.width, h = b.height, dx = p.x0, dy = p.y0;
        if (level >= 2)
          DrawRectangle(args.ctx, std::trunc(b.x + 0.5 * w * angles.cosPlate - 0.5 * h * angles.sinSlant + dx),
                        std::trunc(b.y + 0.5 * h * angles.cosSlant + 0.5 * w * angles.sinPlate + dy), w, h, p.angle,
                        GetDrawThickness(args.ctx, 2), GetDrawColor(args.ctx, 2));
        const char16_t text[2] = {b.text, 0};
        DrawString(args.ctx, 0, text, std::trunc(b.x - (h - 1) * angles.sinSlant + dx),
                   std::trunc(b.y + (h - 1) * angles.cosSlant + dy + 5.0), 0.0, p.angle, GetDrawColor(args.ctx, 1));
      }
    }
  }
  if (const frame::ParamName name = frame::OutputName(args, 1); name.ok) {
    HostString* str = nullptr;
    if (GetString(args.ctx, 63, name.c_str(), 0, &str) && str) {
      SetZeroString(str);
      const std::u16string text = plate::TextInOrderOfX(p.boxes.data(), count);
      for (size_t i = 0; i < text.size(); ++i) SetStringChar(static_cast<int>(i), text[i], str);
    }
    SetObjectMaxIndex(args.ctx, 63, name.c_str(), 0);
  }
  return true;
}

}  // namespace kelmar
