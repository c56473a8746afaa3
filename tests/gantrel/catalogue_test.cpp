// The gantrel catalogue as the host reads it through the exports, the icons,
// the instance lifecycle and the border tracer's exported members.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gantrel_run.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using gantrel_test::Gantrel;
using gantrel_test::Utf8;
using testing_support::TextBuffer;

// The golden catalogue, typed from the module's documentation. One method
// per "m" line (index|id|description|sort key|icon), then its inputs ("i
// type|name|properties") and outputs ("o type|name").
constexpr const char* kGolden = R"(
m 0|get_segment_borders|Getting segments between edges|16|1002
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1;Default=1
i 10|Threshold|EditType=Threshold;Min=0;Default=0.5;Max=1
i 10|Minimum length of segment|
i 10|Minimum lenght of border|
i 12|Negative|Default=false
i 12|Show results|Default=true
o 10|Number of segments
o 10|Segment lengths
o 8|Segments
m 1|edge_defects|Detecting edge defects|15|1003
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1;Default=1
i 10|Threshold of gradient|Default=0.2;Min=0.1;Max=1;
i 10|Number of filtered pixels|Default=10
i 10|Damage threshold|Min=0;Max=1;Default=0.2
i 12|Show results|Default=true
o 10|Number of defects
o 8|Defect positions
m 2|centroid|Detecting the centroid|2|1004
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Threshold|EditType=Threshold; Default=0.5
i 12|Negative|Default=false
i 12|Show results|Default=true
o 7|Centroid
m 3|edge_detection|Detecting edges on line|5|1005
i 1|Input frame|
i 8|Line|
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 10|Number of filtered pixels|Min=1;Max=20;Default=5
i 10|Edge polarity|Default=0;Options=0: 'All edges', 1: 'Light-to-dark edges', 2: 'Dark-to-light edges'
i 10|Edge placement|Default=0;Options=0: 'All edges', 1: 'Only the first edge', 2: 'Only the last edge', 3: 'First and last edge'
i 12|Show results|Default=true
o 10|Number of edges
o 7|Detected edge position
o 10|Detected edge polarity
m 4|edge_detection_ring|Detecting edges on ring|6|1006
i 1|Input frame|
i 6|Ring|
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 10|Number of filtered pixels|Min=1;Max=20;Default=5
i 10|Edge polarity|Default=0;Options=0: 'All edges', 1: 'Light-to-dark edges', 2: 'Dark-to-light edges'
i 10|Edge placement|Default=0;Options=0: 'All edges', 1: 'Only the first edge', 2: 'Only the last edge', 3: 'First and last edge'
i 12|Show results|Default=true
o 10|Number of edges
o 7|Detected edge position
o 10|Detected edge polarity
m 5|edge_profile_by_threshold|Detecting profile by threshold|7|1008
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount
i 10|Threshold|EditType=Threshold;Default=0.5
i 10|Minimum length of object|Min=1;Default=5
i 12|Negative|Default=false
i 12|Show results|Default=true
o 10|Number of points
o 7|Position of points
m 6|edge_profile_by_contour|Detecting profile by gradient|8|1009
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 12|Negative|Default=false
i 12|Show results|Default=true
o 10|Number of points
o 7|Position of points
m 7|straight_edge_detection_by_threshold|Detecting straight edge by threshold|9|1010
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1
i 10|Threshold|EditType=Threshold;Default=0.5
i 10|Minimum length of object|Min=1;Default=5
i 10|Expected angle of edge|Min=-90;Max=90
i 10|Allowed angle deviation|Min=0;Max=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
o 8|Detected edge
o 10|Angle of detected edge
m 8|straight_edge_detection_by_contour|Detecting straight edge by gradient|10|1011
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 10|Expected angle of edge|Min=-90;Max=90
i 10|Allowed angle deviation|Min=0;Max=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
o 8|Detected edge
o 10|Angle of detected edge
m 9|line_edge_detection_by_threshold|Detecting straight edge by threshold|11|1026
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Default=16
i 10|Threshold|EditType=Threshold;Default=0.5
i 10|Minimum length of object|Min=1;Default=5
i 10|Minimum count of used points|Min=2;Default=2
i 10|Maximum distance of point from edge|Min=0;Default=50
i 10|Pass count|Min=1;Default=1
i 10|Expected angle of edge|Min=-90;Max=90;Default=0
i 10|Allowed angle deviation|Min=0;Max=90;Default=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
o 8|Detected edge
o 10|Angle of detected edge
o 10|Number of used points
o 7|Used points
o 10|Distance of used points from edge
m 10|line_edge_detection_by_contour|Detecting straight edge by gradient|12|1025
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Default=16
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=20
i 10|Minimum count of used points|Min=2;Default=2
i 10|Maximum distance of point from edge|Min=0;Default=50
i 10|Pass count|Min=1;Default=1
i 10|Expected angle of edge|Min=-90;Max=90;Default=0
i 10|Allowed angle deviation|Min=0;Max=90;Default=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
o 8|Detected edge
o 10|Angle of detected edge
o 10|Number of used points
o 7|Used points
o 10|Distance of used points from edge
m 11|best_line_edge_detection_by_threshold|Detecting best straight edge by threshold|9|1028
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1
i 10|Threshold|EditType=Threshold;Default=0.5
i 10|Minimum length of object|Min=1;Default=5
i 10|Expected angle of edge|Min=-90;Max=90
i 10|Allowed angle deviation|Min=0;Max=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
i 10|Search angle step|Min=0.01;Default=0.5
o 8|Detected edge
o 10|Angle of detected edge
o 7|Detected points
o 10|Distance of points from edge
m 12|best_line_edge_detection_by_contour|Detecting best straight edge by gradient|10|1027
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Number of horizontal scan lines|EditType=ScanLinesCount;Min=1
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 10|Expected angle of edge|Min=-90;Max=90
i 10|Allowed angle deviation|Min=0;Max=90
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Negative|Default=false
i 12|Show results|Default=true
i 10|Search angle step|Min=0.01;Default=0.5
o 8|Detected edge
o 10|Angle of detected edge
o 7|Detected points
o 10|Distance of points from edge
m 13|radial_edge_detection_by_threshold|Radial detecting of edges by threshold|13|1030
i 1|Input frame|
i 4|Ring|
i 10|Number of scan lines|Default=16
i 10|Threshold|EditType=Threshold;Default=0.5
i 10|Minimum length of object|Min=1;Default=5
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Calculate missing edges|Default=false
i 12|Negative|Default=false
i 12|Show results|Default=true
o 7|Detected points
o 10|Number of points
o 12|Indication of finding a point at scanline
m 14|radial_edge_detection_by_contour|Radial detecting of edges by threshold|14|1029
i 1|Input frame|
i 4|Ring|
i 10|Number of scan lines|Default=16
i 10|Edge strength|Min=0;Max=1;Default=0.25
i 10|Maximum length of transient|Min=1;Default=5
i 10|Method|Default=0;Options=0: 'Only first transition', 1: 'All transitions'
i 12|Calculate missing edges|Default=false
i 12|Negative|Default=false
i 12|Show results|Default=true
o 7|Detected points
o 10|Number of points
o 12|Indication of finding a point at scanline
m 15|object_detection_by_threshold|Object detection according to brightness|0|1013
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Threshold|EditType=Threshold; Default=0.5
i 12|Negative|Default=false
i 10|Minimum number of pixels|Min=1;Default=100
i 10|Objects on the border of region|Default=1;Options=0: 'Ignore', 1: 'Detect object of the parts inside the region', 2: 'Detect complete'
i 9|Requested color of object|
i 9|Requested color of background|
i 12|Show results|Default=true
o 10|Number of objects detected
o 7|Centroid
o 10|Size of object
o 10|Character of object distribution
o 1|Output frame
o 3|Object bounding box
m 16|object_detection_by_color|Object detection according to color|1|1014
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 9|Color to find|
i 10|Color tolerance|Min=0;Max=180;Default=10
i 10|Brightness tolerance|Min=0;Max=1;Default=0.25
i 10|Saturation tolerance|Min=0;Max=1;Default=0.25
i 10|Minimum number of pixels|Min=1;Default=100
i 10|Objects on the border of region|Default=1;Options=0: 'Ignore', 1: 'Detect object of the parts inside the region', 2: 'Detect complete'
i 9|Requested color of object|
i 9|Requested color of background|
i 12|Show results|Default=true
o 10|Number of objects detected
o 7|Centroid
o 10|Size of object
o 10|Character of object distribution
o 1|Output frame
o 3|Object bounding box
m 17|object_detection_by_texture|Object detection according to texture|2|1015
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Deviation|Default=0.02; Min=0; Max=0.5
i 10|Minimum number of pixels|Min=1;Default=100
i 10|Objects on the border of region|Default=1;Options=0: 'Ignore', 1: 'Detect object of the parts inside the region', 2: 'Detect complete'
i 9|Requested color of object|
i 9|Requested color of background|
i 12|Show results|Default=true
o 10|Number of objects detected
o 7|Centroid
o 10|Size of object
o 10|Character of object distribution
o 1|Output frame
o 3|Object bounding box
m 18|simple_threshold_region|Simple threshold (convert input region of frame to two-value)|1|1016
i 1|Input frame|
i 3|Region|
i 10|Threshold|EditType=Threshold
i 12|Crop output frame|Default=false
o 1|Output frame
m 19|get_threshold|Get threshold value according to histogram|3|1012
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Requested rate of black pixels|Min=0;Max=1
i 12|Crop output frame|
o 10|Threshold
o 1|Output frame
m 20|bimodal_threshold|Get threshold value for the frames with bimodal histogram|4|1017
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 12|Crop output frame|Default=false
o 10|Threshold
o 1|Output frame
m 21|unimodal_threshold|Get threshold value for the frames with unimodal histogram|5|1018
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 12|Crop output frame|Default=false
o 10|Threshold
o 1|Output frame
m 22|local_threshold|Local threshold (threshold pixels not only according to its value but also accordint to the sorrounding pixels)|2|1024
i 1|Input frame|
i 3|Region|
i 10|Threshold|EditType=Threshold
i 10|Area|Default=10;Min=0;Max=100
i 10|Sensitivity|Default=0.1;Min=0;Max=1
i 12|Crop output frame|Default=false
o 1|Output frame
m 23|line_profile|Scanning line profile|3|1019
i 1|Input frame|
i 8|Line|
i 3|Drawing region|
i 12|Show results|Default=true
o 10|Number of points
o 10|Red profile
o 10|Green profile
o 10|Blue profile
m 24|mask_compare|Comparing input image with mask|27|1020
i 1|Input frame|
i 1|Input mask|
i 10|Threshold|EditType=Threshold; Min=0;Max=1;Default=0.5
i 12|Negative|Default=false
i 12|Show results|Default=true
o 10|Number of excess pixels
o 10|Number of missing pixels
o 1|Output frame
m 25|fill_spot_threshold|Filling the target spot with deifned color|25|1021
i 1|Input frame|
i 7|Point|
i 9|Filling color|
i 10|Threshold|EditType=Threshold; Min=0;Max=1;Default=0.5
i 12|Negative|Default=false
i 12|Show results|Default=true
o 1|Output frame
o 10|Size of object
m 26|fill_gaps|Filling the gaps in the object wuth the defined color|3|1022
i 1|Input frame|
i 3|Region|EditType=ScanRectRegion
i 10|Threshold|EditType=Threshold; Default=0.5
i 12|Negative|Default=false
i 10|Maximal number of pixels|Min=1;Default=100
i 10|Objects on the border of region|Default=1;Options=0: 'Ignore', 1: 'Detect object of the parts inside the region', 2: 'Detect complete'
i 9|Filling color|
i 12|Show results|Default=true
o 10|Number of gaps detected
o 7|Centroid
o 10|Size of gap
o 10|Character of gap distribution
o 1|Output frame
m 27|get_color_statistics|Getting the color statistics of the frame region|3|1023
i 1|Input frame|
i 3|Region|
o 9|Minimal values of color channels
o 9|Maximal values of color channels
o 9|Average values of color channels
)";

struct GoldenMethod {
  int index = 0;
  std::string id, description;
  int sortKey = 0, icon = 0;
  std::vector<std::string> inputs, outputs;  // "type|name|properties", "type|name"
};

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string part; std::getline(in, part, '|');) out.push_back(part);
  if (!s.empty() && s.back() == '|') out.push_back("");
  return out;
}

std::vector<GoldenMethod> Golden() {
  std::vector<GoldenMethod> out;
  std::stringstream in(kGolden);
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 2) continue;
    const std::string body = line.substr(2);
    if (line[0] == 'm') {
      const auto f = Split(body);
      out.push_back({std::stoi(f[0]), f[1], f[2], std::stoi(f[3]), std::stoi(f[4]), {}, {}});
    } else if (line[0] == 'i') {
      out.back().inputs.push_back(body);
    } else {
      out.back().outputs.push_back(body);
    }
  }
  return out;
}

int IconNumber(HostIcon token) {
  const ModuleResource* r = talvix::IconResource(token);
  return r ? r->number : -1;
}

TEST(GantrelCatalogue, MethodsInputsAndOutputsMatchTheGoldenTable) {
  const auto& fn = Gantrel().exports();
  const std::vector<GoldenMethod> golden = Golden();
  ASSERT_EQ(golden.size(), 28u);
  for (const GoldenMethod& g : golden) {
    SCOPED_TRACE(g.id);
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = true;
    int sortKey = -5, properties = -5;
    ASSERT_TRUE(fn.EnumerateMethodsSortWithProperties(g.index, 63, id.data(), 255, desc.data(), &icon, &gpu, &sortKey,
                                                      &properties));
    EXPECT_EQ(Utf8(id.text()), g.id);
    EXPECT_EQ(Utf8(desc.text()), g.description);
    EXPECT_EQ(sortKey, g.sortKey);
    EXPECT_EQ(properties, g.index == 7 || g.index == 8 ? 1 : 0);
    EXPECT_FALSE(gpu);
    EXPECT_EQ(IconNumber(icon), g.icon);
    EXPECT_TRUE(id.guardIntact() && desc.guardIntact());

    for (size_t p = 0; p <= g.inputs.size(); ++p) {
      TextBuffer props(255), name(63);
      int type = -1;
      const bool ok = fn.EnumerateMethodInputs(g.index, int(p), &type, 255, props.data(), 63, name.data());
      if (p == g.inputs.size()) {
        EXPECT_FALSE(ok) << "past the last input";
        EXPECT_EQ(props[0], 0) << "property buffer emptied first";
        break;
      }
      ASSERT_TRUE(ok) << p;
      EXPECT_EQ(std::to_string(type) + "|" + Utf8(name.text()) + "|" + Utf8(props.text()), g.inputs[p]);
    }
    for (size_t p = 0; p <= g.outputs.size(); ++p) {
      TextBuffer name(63);
      int type = -1;
      const bool ok = fn.EnumerateMethodOutputs(g.index, int(p), &type, 63, name.data());
      if (p == g.outputs.size()) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(name.untouched());
        break;
      }
      ASSERT_TRUE(ok) << p;
      EXPECT_EQ(std::to_string(type) + "|" + Utf8(name.text()), g.outputs[p]);
    }
  }
}

TEST(GantrelCatalogue, Categories) {
  const auto& fn = Gantrel().exports();
  const auto category = [](int m) -> std::pair<std::string, int> {
    if (m == 2 || m == 23 || m == 24 || m == 27) return {"Statistics", 8};
    if (m == 15 || m == 16 || m == 17 || m == 25 || m == 26) return {"Object detection and processing", 10};
    if (m >= 18 && m <= 22) return {"Thresholding", 4};
    return {"Measurements", 7};
  };
  for (int m = -1; m <= 29; ++m) {
    SCOPED_TRACE(m);
    for (int path = 0; path <= 2; ++path) {
      for (int level = 0; level <= 1; ++level) {
        TextBuffer name(63);
        int id = -5;
        HostIcon icon = reinterpret_cast<HostIcon>(1);
        const bool ok = fn.EnumerateMethodsCategories(m, path, level, 63, name.data(), &id, &icon);
        const bool valid = m >= 0 && m <= 27 && level == 0 && (path == 0 || (path == 1 && m == 27));
        EXPECT_EQ(ok, valid) << path << "," << level;
        if (!ok) {
          EXPECT_TRUE(name.untouched());
          continue;
        }
        const auto expected = path == 1 ? std::pair<std::string, int>{"Color detection", 9} : category(m);
        EXPECT_EQ(Utf8(name.text()), expected.first);
        EXPECT_EQ(id, expected.second);
        // Only the object category has an icon.
        EXPECT_EQ(IconNumber(icon), expected.second == 10 ? 1001 : -1);
        if (expected.second != 10) {
          EXPECT_EQ(icon, nullptr);
        }
      }
    }
  }
}

// EnumerateMethods leaves gpuFlag alone; the sort enumerators write 0, also
// past the end; properties is written for any index.
TEST(GantrelCatalogue, FlagsPastTheEnd) {
  const auto& fn = Gantrel().exports();
  for (int index : {0, 27, 28, 30, -1, INT_MIN}) {
    SCOPED_TRACE(index);
    const bool valid = index >= 0 && index <= 27;
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = true;
    EXPECT_EQ(fn.EnumerateMethods(index, 63, id.data(), 255, desc.data(), &icon, &gpu), valid);
    EXPECT_TRUE(gpu) << "EnumerateMethods does not write gpuFlag";
    int sortKey = -5;
    EXPECT_EQ(fn.EnumerateMethodsSort(index, 63, id.data(), 255, desc.data(), &icon, &gpu, &sortKey), valid);
    EXPECT_FALSE(gpu);
    if (!valid) {
      EXPECT_EQ(sortKey, -5);
    }
    gpu = true;
    int properties = -5;
    EXPECT_EQ(fn.EnumerateMethodsSortWithProperties(index, 63, id.data(), 255, desc.data(), &icon, &gpu, &sortKey,
                                                    &properties),
              valid);
    EXPECT_EQ(properties, 0);
    EXPECT_FALSE(gpu);
    TextBuffer props(255), name(63);
    int type = -5;
    if (!valid) {
      EXPECT_FALSE(fn.EnumerateMethodInputs(index, 0, &type, 255, props.data(), 63, name.data()));
      EXPECT_EQ(props[0], 0);
    }
  }
}

// Init fetches 29 icons in its fixed order; Done gives each back once, in
// the same order.
TEST(GantrelCatalogue, IconOrder) {
  const std::vector<int> order = {1002, 1003, 1004, 1005, 1006, 1008, 1009, 1010, 1011, 1013,
                                  1014, 1015, 1016, 1012, 1017, 1018, 1024, 1019, 1020, 1021,
                                  1022, 1023, 1001, 1025, 1026, 1027, 1028, 1029, 1030};
  talvix::Module& shared = Gantrel();
  std::string error;
  auto module = talvix::Module::open("gantrel", &error);
  ASSERT_NE(module, nullptr) << error;
  shared.exports().Done();
  talvix::ClearIconLog();
  ASSERT_TRUE(module->exports().Init());
  const auto fetched = talvix::IconLog();
  ASSERT_EQ(fetched.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(fetched[i].number, order[i]) << i;
  talvix::ClearIconLog();
  module->exports().Done();
  const auto released = talvix::IconLog();
  ASSERT_EQ(released.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_TRUE(released[i].released);
    EXPECT_EQ(released[i].token, fetched[i].token) << i;
  }
  ASSERT_TRUE(shared.exports().Init());
}

TEST(GantrelLifecycle, InstancesAndHandles) {
  const auto& fn = Gantrel().exports();
  for (int index : {28, 100, -1, INT_MIN}) EXPECT_EQ(fn.InitMethod(index), -1) << index;
  for (intptr_t handle : {intptr_t{-1}, intptr_t{0}}) {
    TextBuffer err(255);
    EXPECT_FALSE(fn.RunMethod(handle, nullptr, 0, nullptr, 0, nullptr, 255, err.data()));
    EXPECT_TRUE(err.untouched());
    fn.DoneMethod(handle);
  }
  // Every index gets an object of its own; methods not available answer
  // with the not-implemented text, the others with their own failure.
  std::vector<intptr_t> handles;
  for (int m = 0; m < 28; ++m) {
    const intptr_t h = fn.InitMethod(m);
    ASSERT_NE(h, 0);
    ASSERT_NE(h, -1);
    handles.push_back(h);
    talvix::RunContext ctx(Gantrel(), m);
    const talvix::RunResult r = ctx.run(h);
    EXPECT_FALSE(r.ok) << m;
    EXPECT_EQ(r.error.rfind(u"error: ", 0), 0u) << m << ": " << Utf8(r.error);
  }
  EXPECT_EQ(std::set<intptr_t>(handles.begin(), handles.end()).size(), 28u);
  for (intptr_t h : handles) fn.DoneMethod(h);
}

// The border tracer's members are exported from the module.
TEST(GantrelLifecycle, BorderMembersAreExported) {
  void* member = dlsym(Gantrel().handle(), "_ZN16CBorderDetection17CountEdgeContrastEPK16BitmapInfoHeaderiiPi");
  ASSERT_NE(member, nullptr) << "CBorderDetection::CountEdgeContrast";
  using Fn = bool (*)(const Frame*, int, int, int*);
  talvix::FrameBuffer f = talvix::FrameBuffer::make(5, 5, 8);
  for (int y = 0; y < 5; ++y)
    for (int x = 3; x < 5; ++x) *f.pixel(x, y) = 200;
  int contrast = 0;
  EXPECT_TRUE(reinterpret_cast<Fn>(member)(f.frame(), 2, 2, &contrast));
  EXPECT_GT(contrast, 0);
}

}  // namespace
