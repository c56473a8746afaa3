// Finding objects cut from photographs and pasted into other photographs:
// "gpu_feature_match_data" and "gpu_multiple_feature_match_data" beside SIFT
// with a ratio test and a RANSAC homography on the same scenes. The pictures
// come from the directory named by KESTAN_PHOTOS (any PNG or JPEG files, at
// least two); without it the benchmark is skipped. KESTAN_TRIALS sets the
// number of scenes (default 40).
//
// Each scene: an object of 40..150 px cut from one picture (descriptors saved
// at "features threshold" 0.05), turned -30..30 degrees, scaled 0.8..1.25,
// with a change of light, noise, blur, sometimes a covered part, and JPEG
// damage, pasted into another picture; the multiple search gets two copies.
// An answer is right when its centre lies within 10 px and its angle within 5
// degrees of the copy's; a found answer elsewhere is wrong.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "module_run.h"
#include "talvix/host.hpp"

#if defined(VISION_HAVE_OPENCV_FEATURES) && defined(VISION_HAVE_OPENCV_IMGCODECS)
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kW = 640, kH = 480;
constexpr double kRightPx = 10.0, kRightDeg = 5.0;

std::vector<cv::Mat> Photos() {
  std::vector<cv::Mat> out;
  const char* dir = std::getenv("KESTAN_PHOTOS");
  if (!dir) return out;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    cv::Mat m = cv::imread(f.string(), cv::IMREAD_GRAYSCALE);
    if (m.empty()) continue;
    cv::Mat r;
    cv::resize(m, r, cv::Size(kW, kH), 0, 0, cv::INTER_AREA);
    out.push_back(r);
  }
  return out;
}

talvix::FrameBuffer ToFrame(const cv::Mat& m) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(m.cols, m.rows, 8);
  for (int y = 0; y < m.rows; ++y) std::memcpy(f.row(y), m.ptr(y), static_cast<size_t>(m.cols));
  return f;
}

struct Copy {
  double cx, cy, turn, scale;  // turn in degrees
};

struct Scene {
  int source = 0;
  cv::Rect object;
  cv::Mat picture;
  std::vector<Copy> copies;
};

// The object of `src` pasted as `c` into `dst`, with light change and cover.
void Paste(const cv::Mat& src, const cv::Rect& obj, const Copy& c, std::mt19937& rng, cv::Mat& dst) {
  std::uniform_real_distribution<double> u(0, 1);
  cv::Mat patch = src(obj).clone();
  patch.convertTo(patch, CV_8U, 0.7 + 0.6 * u(rng), -20 + 40 * u(rng));
  cv::Mat mask(patch.size(), CV_8U, cv::Scalar(255));
  if (u(rng) < 0.3) {  // a quarter of the object or less covered
    const int cw = static_cast<int>(obj.width * (0.2 + 0.3 * u(rng))), ch = static_cast<int>(obj.height * (0.2 + 0.3 * u(rng)));
    const int x = static_cast<int>((obj.width - cw) * u(rng)), y = static_cast<int>((obj.height - ch) * u(rng));
    patch(cv::Rect(x, y, cw, ch)).setTo(cv::Scalar(40 + 170 * u(rng)));
  }
  cv::Mat a = cv::getRotationMatrix2D(cv::Point2f(obj.width / 2.0f, obj.height / 2.0f), -c.turn, c.scale);
  a.at<double>(0, 2) += c.cx - obj.width / 2.0;
  a.at<double>(1, 2) += c.cy - obj.height / 2.0;
  cv::Mat warped, warpedMask;
  cv::warpAffine(patch, warped, a, dst.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
  cv::warpAffine(mask, warpedMask, a, dst.size(), cv::INTER_NEAREST, cv::BORDER_CONSTANT);
  warped.copyTo(dst, warpedMask);
}

void Damage(cv::Mat& m, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  const double blur = 1.2 * u(rng);
  if (blur > 0.3) cv::GaussianBlur(m, m, cv::Size(0, 0), blur);
  // A generator of the scene's own: OpenCV's default one is per thread and
  // runs on from scene to scene.
  cv::Mat noise(m.size(), CV_16S);
  cv::RNG(rng()).fill(noise, cv::RNG::NORMAL, 0, 6 * u(rng));
  cv::Mat wide;
  m.convertTo(wide, CV_16S);
  wide += noise;
  wide.convertTo(m, CV_8U);
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", m, jpeg, {cv::IMWRITE_JPEG_QUALITY, 40 + static_cast<int>(50 * u(rng))});
  m = cv::imdecode(jpeg, cv::IMREAD_GRAYSCALE);
}

Scene MakeScene(const std::vector<cv::Mat>& photos, unsigned seed, int copies) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  Scene s;
  s.source = static_cast<int>(rng() % photos.size());
  int back = static_cast<int>(rng() % (photos.size() - 1));
  if (back >= s.source) ++back;
  const int ow = 40 + static_cast<int>(rng() % 111), oh = 40 + static_cast<int>(rng() % 111);
  s.object = cv::Rect(static_cast<int>(rng() % (kW - ow)), static_cast<int>(rng() % (kH - oh)), ow, oh);
  s.picture = photos[back].clone();
  if (u(rng) < 0.5) cv::flip(s.picture, s.picture, 1);
  const double diag = std::hypot(ow, oh);
  for (int tries = 0; static_cast<int>(s.copies.size()) < copies && tries < 100; ++tries) {
    const double scale = 0.8 + 0.45 * u(rng), turn = -30 + 60 * u(rng);
    const double r = diag * scale / 2 + 2;
    Copy c{r + (kW - 2 * r) * u(rng), r + (kH - 2 * r) * u(rng), turn, scale};
    bool apart = true;
    for (const Copy& o : s.copies) apart = apart && std::hypot(o.cx - c.cx, o.cy - c.cy) > diag * 1.4;
    if (apart) s.copies.push_back(c);
  }
  for (const Copy& c : s.copies) Paste(photos[s.source], s.object, c, rng, s.picture);
  Damage(s.picture, rng);
  return s;
}

struct Found {
  double cx, cy, angle;  // angle in degrees
};

struct Tally {
  int right = 0, tight = 0, wrong = 0, missed = 0, scenesOff = 0;
  std::vector<double> angleErrors;
  double seconds = 0;
  int searches = 0;

  // Claims each copy by at most one answer.
  void Score(const std::vector<Copy>& copies, const std::vector<Found>& found) {
    std::vector<bool> claimed(copies.size(), false);
    bool off = false;
    for (const Found& f : found) {
      bool ok = false;
      for (size_t i = 0; i < copies.size() && !ok; ++i) {
        const double d = std::hypot(f.cx - copies[i].cx, f.cy - copies[i].cy);
        const double a = std::fabs(std::remainder(f.angle - copies[i].turn, 360.0));
        if (claimed[i] || d > kRightPx || a > kRightDeg) continue;
        claimed[i] = ok = true;
        ++right;
        tight += d <= 3 && a <= 2;
        angleErrors.push_back(a);
      }
      if (!ok) {
        ++wrong;
        off = true;
      }
    }
    missed += static_cast<int>(std::count(claimed.begin(), claimed.end(), false));
    scenesOff += off;
  }

  void Report(benchmark::State& state, const std::string& prefix) const {
    state.counters[prefix + "right"] = right;
    state.counters[prefix + "right_3px_2deg"] = tight;
    state.counters[prefix + "wrong"] = wrong;
    state.counters[prefix + "missed"] = missed;
    state.counters[prefix + "scenes_off"] = scenesOff;
    std::vector<double> a = angleErrors;
    if (!a.empty()) {
      std::nth_element(a.begin(), a.begin() + a.size() / 2, a.end());
      state.counters[prefix + "median_deg"] = a[a.size() / 2];
    }
    if (searches) state.counters[prefix + "ms_per_search"] = 1000 * seconds / searches;
  }
};

// The keypoints that a save keeps of the object, and their bytes.
int Kept(module_test::MethodRun& save, const cv::Mat& photo, const cv::Rect& obj, std::vector<uint8_t>* bytes) {
  save.ctx.setFrame(u"input frame", ToFrame(photo));
  save.ctx.setRegions(u"scanned region", {TRectangularRegion{obj.x + obj.width / 2.0, obj.y + obj.height / 2.0,
                                                             double(obj.width), double(obj.height), 0}});
  if (!save().ok) return 0;
  *bytes = save.ctx.data(u"data object with found features");
  int32_t count = 0;
  if (bytes->size() >= 12) std::memcpy(&count, bytes->data() + 8, 4);
  return count;
}

// The saved object; empty when the save kept fewer than three keypoints.
std::vector<uint8_t> SaveObject(module_test::MethodRun& save, const cv::Mat& photo, const cv::Rect& obj) {
  std::vector<uint8_t> bytes;
  return Kept(save, photo, obj, &bytes) >= 3 ? bytes : std::vector<uint8_t>{};
}

std::vector<Found> KestanSearch(module_test::MethodRun& run, const cv::Mat& picture, Tally& t) {
  run.ctx.setFrame(u"input frame", ToFrame(picture));
  const auto start = std::chrono::steady_clock::now();
  const bool ok = run().ok;
  t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ++t.searches;
  std::vector<Found> found;
  if (!ok) return found;
  const auto rects = run.ctx.rectangles(u"found rectangle");
  const auto matches = run.ctx.numbers(u"number of found matches");
  for (size_t i = 0; i < rects.size() && i < matches.size(); ++i) {
    if (matches[i] > 0) found.push_back({rects[i].cx, rects[i].cy, rects[i].angle});
  }
  return found;
}

// SIFT: ratio test 0.75, RANSAC homography, at least 6 inliers; `rounds`
// finds, each without the scene keypoints of the earlier ones.
std::vector<Found> SiftSearch(const cv::Mat& photo, const cv::Rect& obj, const cv::Mat& picture, int rounds, Tally& t) {
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create();
  cv::Mat mask = cv::Mat::zeros(photo.size(), CV_8U);
  mask(obj).setTo(255);
  std::vector<cv::KeyPoint> ko, ks;
  cv::Mat dobj, dscene;
  sift->detectAndCompute(photo, mask, ko, dobj);
  const auto start = std::chrono::steady_clock::now();
  sift->detectAndCompute(picture, cv::noArray(), ks, dscene);
  std::vector<Found> found;
  std::vector<bool> taken(ks.size(), false);
  cv::BFMatcher matcher(cv::NORM_L2);
  for (int r = 0; r < rounds && ko.size() >= 2 && ks.size() >= 2; ++r) {
    std::vector<std::vector<cv::DMatch>> knn;
    cv::Mat allowed = cv::Mat::ones(static_cast<int>(ko.size()), static_cast<int>(ks.size()), CV_8U);
    for (size_t j = 0; j < ks.size(); ++j)
      if (taken[j]) allowed.col(static_cast<int>(j)).setTo(0);
    matcher.knnMatch(dobj, dscene, knn, 2, allowed);
    std::vector<cv::Point2f> a, b;
    std::vector<int> sceneIndex;
    for (const auto& m : knn) {
      if (m.size() == 2 && m[0].distance < 0.75f * m[1].distance) {
        a.push_back(ko[m[0].queryIdx].pt);
        b.push_back(ks[m[0].trainIdx].pt);
        sceneIndex.push_back(m[0].trainIdx);
      }
    }
    if (a.size() < 6) break;
    std::vector<uchar> inliers;
    cv::Mat h = cv::findHomography(a, b, cv::RANSAC, 3.0, inliers);
    if (h.empty() || std::count(inliers.begin(), inliers.end(), 1) < 6) break;
    for (size_t i = 0; i < inliers.size(); ++i)
      if (inliers[i]) taken[static_cast<size_t>(sceneIndex[i])] = true;
    std::vector<cv::Point2f> in = {{obj.x + obj.width / 2.0f, obj.y + obj.height / 2.0f},
                                   {obj.x + obj.width / 2.0f + 10, obj.y + obj.height / 2.0f}},
                             out;
    cv::perspectiveTransform(in, out, h);
    found.push_back({out[0].x, out[0].y, std::atan2(out[1].y - out[0].y, out[1].x - out[0].x) * 180 / M_PI});
  }
  t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ++t.searches;
  return found;
}

void BM_KestanPhotoScenes(benchmark::State& state) {
  if (!talvix::GlAvailable()) return state.SkipWithError("no OpenGL context");
  const std::vector<cv::Mat> photos = Photos();
  if (photos.size() < 2) return state.SkipWithError("KESTAN_PHOTOS names no directory with two pictures");
  const char* trialsText = std::getenv("KESTAN_TRIALS");
  const int trials = trialsText ? std::max(1, std::atoi(trialsText)) : 40;
  const int threads = static_cast<int>(state.range(0)), before = omp_get_max_threads();
  const int cvBefore = cv::getNumThreads();
  omp_set_num_threads(threads);
  cv::setNumThreads(threads);
  for (auto _ : state) {
    Tally single, multiple, siftSingle, siftMultiple;
    int scenes = 0;
    module_test::MethodRun save("kestan", "gpu_feature_save_data");
    save.ctx.setNumbers(u"features threshold", {0.05});
    save.ctx.setFlags(u"draw outputs into the picture", {false});
    // The catalogue's default threshold on the same objects.
    module_test::MethodRun saveDefault("kestan", "gpu_feature_save_data");
    saveDefault.ctx.setFlags(u"draw outputs into the picture", {false});
    int noneAtDefault = 0, fewAtDefault = 0;
    std::vector<double> kept;
    module_test::MethodRun one("kestan", "gpu_feature_match_data");
    one.ctx.setFlags(u"draw outputs into the picture", {false});
    module_test::MethodRun two("kestan", "gpu_multiple_feature_match_data");
    two.ctx.setFlags(u"draw outputs into the picture", {false});
    for (int t = 0; t < trials; ++t) {
      const Scene a = MakeScene(photos, 1000 + t, 1), b = MakeScene(photos, 5000 + t, 2);
      std::vector<uint8_t> unused;
      const int atDefault = Kept(saveDefault, photos[a.source], a.object, &unused);
      noneAtDefault += atDefault == 0;
      fewAtDefault += atDefault > 0 && atDefault < 3;
      // One save gives both the count kept and the object's data.
      std::vector<uint8_t> savedA;
      const int keptA = Kept(save, photos[a.source], a.object, &savedA);
      kept.push_back(keptA);
      if (keptA < 3) savedA.clear();
      if (!savedA.empty()) {
        ++scenes;
        one.ctx.setData(u"data object with descriptors", savedA);

        single.Score(a.copies, KestanSearch(one, a.picture, single));
        siftSingle.Score(a.copies, SiftSearch(photos[a.source], a.object, a.picture, 1, siftSingle));
      }
      const std::vector<uint8_t> savedB = SaveObject(save, photos[b.source], b.object);
      if (!savedB.empty()) {
        two.ctx.setDataList(u"data object with descriptors", {savedB, savedB});
        multiple.Score(b.copies, KestanSearch(two, b.picture, multiple));
        siftMultiple.Score(b.copies, SiftSearch(photos[b.source], b.object, b.picture, 2, siftMultiple));
      }
    }
    state.counters["scenes"] = scenes;
    state.counters["objects_none_at_0.5"] = noneAtDefault;
    state.counters["objects_1_2_at_0.5"] = fewAtDefault;
    std::nth_element(kept.begin(), kept.begin() + kept.size() / 2, kept.end());
    state.counters["median_kept_at_0.05"] = kept.empty() ? 0 : kept[kept.size() / 2];
    single.Report(state, "one_");
    multiple.Report(state, "two_");
    siftSingle.Report(state, "sift_one_");
    siftMultiple.Report(state, "sift_two_");
  }
  omp_set_num_threads(before);
  cv::setNumThreads(cvBefore);
}
BENCHMARK(BM_KestanPhotoScenes)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
#endif
