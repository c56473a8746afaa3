// The GPU filter service module through its exports and the host's request log.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "module_run.h"
#include "text_buffer.h"

namespace {

using talvix::CameraRequest;
using talvix::FrameBuffer;
using talvix::Inspection;
using talvix::RequestAnswer;
using testing_support::TextBuffer;

talvix::Module& Mod() { return module_test::Load("wostra"); }

template <typename T>
T At(const std::vector<uint8_t>& b, int offset) {
  T v{};
  std::memcpy(&v, b.data() + offset, sizeof v);
  return v;
}

struct Group {
  unsigned first, last;
  std::u16string category, service;
  int size;
  std::vector<std::u16string> inputs;  // after "input frame"
};

const std::vector<std::u16string> kColorInputs = {u"intensity", u"brightness", u"contrast", u"red",           u"green",
                                                  u"blue",      u"saturation", u"negative", u"approximations"};
std::vector<std::u16string> With(std::vector<std::u16string> v, std::u16string last) {
  v.push_back(std::move(last));
  return v;
}

const std::vector<Group> kGroups = {
    {0,
     17,
     u"Basic filters",
     u"GPU_basic",
     317,
     {u"intensity", u"sensitivity", u"brightness", u"contrast", u"red", u"green", u"blue", u"saturation", u"negative",
      u"approximations"}},
    {18,
     18,
     u"Image area filters",
     u"GPU_area",
     309,
     {u"sensitivity", u"level", u"threshold", u"area", u"red", u"green", u"blue", u"negative"}},
    {19, 19, u"User kernel 3x3 filters", u"GPU_k3x3", 349, With(kColorInputs, u"kernel 3x3")},
    {20, 20, u"User kernel 5x5 filters", u"GPU_k5x5", 413, With(kColorInputs, u"kernel 5x5")},
    {21, 35, u"Morphologic filters", u"GPU_morph", 289, {u"threshold", u"negative", u"approximations"}},
    {36,
     38,
     u"User morphologic 3x3 filters",
     u"GPU_morph3x3",
     325,
     {u"threshold", u"negative", u"approximations", u"structure element 3x3"}},
    {39,
     41,
     u"User morphologic 5x5 filters",
     u"GPU_morph5x5",
     389,
     {u"threshold", u"negative", u"approximations", u"structure element 5x5"}},
    {42, 45, u"Color morphologic filters", u"GPU_cmorph", 313, kColorInputs},
    {46, 49, u"User color morphologic 3x3 filters", u"GPU_cmorph3x3", 349,
     With(kColorInputs, u"structure element 3x3")},
    {50, 53, u"User color morphologic 5x5 filters", u"GPU_cmorph5x5", 413,
     With(kColorInputs, u"structure element 5x5")},
};

const Group& GroupOf(unsigned m) {
  for (const Group& g : kGroups)
    if (m >= g.first && m <= g.last) return g;
  throw std::out_of_range("method");
}

enum Kind { kF, kI, kB };
struct FieldCase {
  std::u16string input;
  int offset;
  Kind kind;
  double fallback;
};

// The scalar fields of each service as the host decodes them.
std::vector<FieldCase> FieldsOf(const std::u16string& service) {
  if (service == u"GPU_basic")
    return {{u"intensity", 280, kF, 1.0},   {u"sensitivity", 284, kF, 0.1}, {u"brightness", 288, kF, 0.0},
            {u"contrast", 292, kF, 1.0},    {u"red", 296, kF, 0.0},         {u"green", 300, kF, 0.0},
            {u"blue", 304, kF, 0.0},        {u"saturation", 308, kF, 1.0},  {u"negative", 312, kB, 0},
            {u"approximations", 313, kI, 1}};
  if (service == u"GPU_area")
    return {{u"sensitivity", 280, kF, 0.1}, {u"level", 284, kI, 0},   {u"threshold", 288, kF, 0.5},
            {u"area", 292, kI, 20},         {u"red", 296, kF, 0.0},   {u"green", 300, kF, 0.0},
            {u"blue", 304, kF, 0.0},        {u"negative", 308, kB, 0}};
  if (service.starts_with(u"GPU_morph"))
    return {{u"threshold", 280, kF, 0.5}, {u"negative", 284, kB, 0}, {u"approximations", 285, kI, 1}};
  return {{u"intensity", 280, kF, 1.0},  {u"brightness", 284, kF, 0.0}, {u"contrast", 288, kF, 1.0},
          {u"red", 292, kF, 0.0},        {u"green", 296, kF, 0.0},      {u"blue", 300, kF, 0.0},
          {u"saturation", 304, kF, 1.0}, {u"negative", 308, kB, 0},     {u"approximations", 309, kI, 1}};
}

// One run with every request answered true; the module's answer and the log.
struct Served {
  Inspection insp;
  talvix::RunContext ctx;
  intptr_t handle;
  explicit Served(int method) : ctx(Mod(), method, &insp), handle(Mod().create(method)) {
    insp.setRequestHandler([](const std::u16string&, void*, int) { return RequestAnswer{true, u""}; });
    ctx.setFrame(u"input frame", FrameBuffer::make(5, 3, 24, 40));
  }
  CameraRequest RunOnce() {
    const auto r = ctx.run(handle);
    EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    const auto log = insp.requests();
    EXPECT_EQ(log.size(), 1u);
    return log.empty() ? CameraRequest{} : log.back();
  }
};

TEST(WostraCatalogue, MethodsGroupsAndInputs) {
  const auto& cat = Mod().catalogue();
  ASSERT_EQ(cat.methods.size(), 54u);
  for (const auto& m : cat.methods) {
    SCOPED_TRACE(m.index);
    const Group& g = GroupOf(m.index);
    EXPECT_TRUE(m.gpu);
    EXPECT_NE(m.icon, nullptr);
    ASSERT_EQ(m.inputs.size(), g.inputs.size() + 1);
    EXPECT_EQ(m.inputs[0].name, u"input frame");
    EXPECT_EQ(m.inputs[0].type, ptFrame);
    EXPECT_EQ(m.inputs[0].properties, u"");
    for (size_t i = 0; i < g.inputs.size(); ++i) {
      EXPECT_EQ(m.inputs[i + 1].name, g.inputs[i]);
      EXPECT_EQ(m.inputs[i + 1].type, g.inputs[i] == u"negative" ? ptFlag : ptNumber);
    }
    ASSERT_EQ(m.outputs.size(), 1u);
    EXPECT_EQ(m.outputs[0].name, u"input frame");
    EXPECT_EQ(m.outputs[0].type, ptFrame);
  }
  // Spot checks of ids and of descriptions as stored, code unit by code unit.
  EXPECT_EQ(cat.methods[0].id, u"no_filter");
  EXPECT_EQ(cat.methods[53].id, u"user_color_extreme_5x5");
  EXPECT_EQ(cat.methods[18].id, u"grayscale");
  const std::u16string d0 = cat.methods[0].description;
  ASSERT_GE(d0.size(), 3u);
  EXPECT_EQ(d0.substr(0, 3), std::u16string({u'Z', u'\u00e1', u'k'}));
  EXPECT_EQ(cat.methods[9].description, std::u16string({u'Z', u'o', u's', u't', u'\u0159', u'e', u'n', u'\u00ed'}));
  // The 5x5 dilation keeps its description of "3x3".
  EXPECT_TRUE(cat.methods[39].description.ends_with(u"velikosti 3x3"));
  // Property strings of the two kinds of structure element.
  EXPECT_EQ(cat.methods[36].inputs[4].properties, u"EditType=CountBox;Max=1;Min=-1;Default=-1;Step=1;DecPlaces=0");
  EXPECT_EQ(cat.methods[46].inputs[10].properties, u"EditType=CountBox;Max=1;Min=0;Default=0;Step=1;DecPlaces=0");
  EXPECT_EQ(cat.methods[0].inputs[10].properties, u"EditType=CountBox;Min=0;Default=1;Step=1;DecPlaces=0");
}

TEST(WostraCatalogue, Categories) {
  const auto& cat = Mod().catalogue();
  std::vector<talvix::CategoryPlace> pathOne;
  for (const auto& c : cat.categories) {
    EXPECT_EQ(c.categoryId, 6);
    EXPECT_NE(c.icon, nullptr);
    if (c.path == 1) {
      pathOne.push_back(c);
      continue;
    }
    EXPECT_EQ(c.name, c.level == 0 ? u"GPU full frame filters" : GroupOf(c.method).category) << c.method;
  }
  ASSERT_EQ(pathOne.size(), 1u);
  EXPECT_EQ(pathOne[0].method, 18);
  EXPECT_EQ(pathOne[0].level, 0);
  EXPECT_EQ(pathOne[0].name, u"Thresholding");
}

TEST(WostraCatalogue, EnumeratorsPastTheEndAndShortBuffers) {
  const auto& fn = Mod().exports();
  for (int index : {54, -1}) {
    bool gpu = false;
    TextBuffer id(31), desc(255);
    EXPECT_FALSE(fn.EnumerateMethods(index, id.hi(), id.data(), desc.hi(), desc.data(), nullptr, &gpu));
    EXPECT_TRUE(gpu) << index;
    EXPECT_TRUE(id.untouched());
    TextBuffer prop(255), name(63);
    int type = 0, categoryId = 0;
    HostIcon icon = nullptr;
    EXPECT_FALSE(fn.EnumerateMethodInputs(index, 0, &type, prop.hi(), prop.data(), name.hi(), name.data()));
    EXPECT_EQ(prop[0], 0);  // emptied before the index is tested
    EXPECT_FALSE(fn.EnumerateMethodOutputs(index, 0, &type, name.hi(), name.data()));
    EXPECT_FALSE(fn.EnumerateMethodsCategories(index, 0, 0, name.hi(), name.data(), &categoryId, &icon));
  }
  TextBuffer prop(255), name(63);
  int type = 0;
  EXPECT_FALSE(fn.EnumerateMethodInputs(21, 4, &type, prop.hi(), prop.data(), name.hi(), name.data()));
  EXPECT_FALSE(fn.EnumerateMethodOutputs(0, 1, &type, name.hi(), name.data()));
  int categoryId = 0;
  HostIcon icon = nullptr;
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 0, 2, name.hi(), name.data(), &categoryId, &icon));
  EXPECT_FALSE(fn.EnumerateMethodsCategories(17, 1, 0, name.hi(), name.data(), &categoryId, &icon));
  // A short buffer: the copy stops at the highest index with the terminator.
  TextBuffer id(3), desc(255);
  bool gpu = false;
  ASSERT_TRUE(fn.EnumerateMethods(0, id.hi(), id.data(), desc.hi(), desc.data(), &icon, &gpu));
  EXPECT_EQ(id.text(), u"no_");
  EXPECT_EQ(id[3], 0);
  EXPECT_TRUE(id.guardIntact());
}

TEST(WostraRun, EveryMethodSendsItsBlockWithDefaults) {
  for (unsigned m = 0; m < 54; ++m) {
    SCOPED_TRACE(m);
    Served run(static_cast<int>(m));
    const CameraRequest req = run.RunOnce();
    const Group& g = GroupOf(m);
    EXPECT_EQ(req.name, g.service);
    EXPECT_EQ(req.nameLength, static_cast<int>(g.service.size()));
    ASSERT_EQ(req.size, g.size);
    ASSERT_EQ(req.block.size(), static_cast<size_t>(g.size));
    EXPECT_EQ(At<uint64_t>(req.block, 256), reinterpret_cast<uint64_t>(run.ctx.inputFrame(u"input frame")->frame()));
    const FrameBuffer* out = run.ctx.frame(u"input frame");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(At<uint64_t>(req.block, 264), reinterpret_cast<uint64_t>(out->frame()));
    EXPECT_EQ(out->bpp(), 32);
    EXPECT_EQ(out->width(), 5);
    EXPECT_EQ(out->depth(), 3);
    EXPECT_EQ(At<uint64_t>(req.block, 272), m);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(req.block[i], 0) << i;
    for (const FieldCase& f : FieldsOf(g.service)) {
      SCOPED_TRACE(talvix::ToUtf8(f.input));
      if (f.kind == kF) {
        EXPECT_EQ(At<float>(req.block, f.offset), static_cast<float>(f.fallback));
      }
      if (f.kind == kI) {
        EXPECT_EQ(At<int32_t>(req.block, f.offset), static_cast<int32_t>(f.fallback));
      }
      if (f.kind == kB) {
        EXPECT_EQ(req.block[f.offset], 0);
      }
    }
  }
}

TEST(WostraRun, EveryMethodSendsGivenValues) {
  for (unsigned m = 0; m < 54; ++m) {
    SCOPED_TRACE(m);
    Served run(static_cast<int>(m));
    const auto fields = FieldsOf(GroupOf(m).service);
    // Distinct values that are not exact in single precision, negative ones
    // for the int32 fields to show truncation towards zero.
    for (size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].kind == kB) {
        run.ctx.setFlags(fields[k].input, {true});
      } else {
        const double v = fields[k].kind == kI ? -(2.9 + static_cast<double>(k)) : 0.1 + 0.3 * static_cast<double>(k);
        run.ctx.setNumbers(fields[k].input, {v, 99.0});
      }
    }
    const CameraRequest req = run.RunOnce();
    ASSERT_EQ(req.block.size(), static_cast<size_t>(GroupOf(m).size));
    for (size_t k = 0; k < fields.size(); ++k) {
      const FieldCase& f = fields[k];
      SCOPED_TRACE(talvix::ToUtf8(f.input));
      if (f.kind == kF) {
        EXPECT_EQ(At<float>(req.block, f.offset), static_cast<float>(0.1 + 0.3 * static_cast<double>(k)));
      }
      if (f.kind == kI) {
        EXPECT_EQ(At<int32_t>(req.block, f.offset), -(2 + static_cast<int32_t>(k)));
      }
      if (f.kind == kB) {
        EXPECT_EQ(req.block[f.offset], 1);
      }
    }
  }
}

TEST(WostraRun, Int32FieldsSaturateAndNanTakesTheDefault) {
  struct Case {
    double given;
    int32_t sent;
  } cases[] = {{1e12, std::numeric_limits<int32_t>::max()},
               {-1e12, std::numeric_limits<int32_t>::min()},
               {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::max()},
               {std::nan(""), 1},
               {7.99, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    Served run(21);
    run.ctx.setNumbers(u"approximations", {c.given});
    EXPECT_EQ(At<int32_t>(run.RunOnce().block, 285), c.sent);
  }
}

struct ArrayMethod {
  int method;
  std::u16string input;
  int offset, count;
  std::vector<float> fallback;
};

std::vector<float> Identity(int n) {
  std::vector<float> v(n, 0.0f);
  v[n / 2] = 1.0f;
  return v;
}
std::vector<float> Round5() {
  std::vector<float> v(25, 1.0f);
  for (int i : {0, 4, 20, 24}) v[i] = 0.0f;
  return v;
}

TEST(WostraRun, ArrayFields) {
  const std::vector<ArrayMethod> methods = {
      {19, u"kernel 3x3", 313, 9, Identity(9)},
      {20, u"kernel 5x5", 313, 25, Identity(25)},
      {36, u"structure element 3x3", 289, 9, std::vector<float>(9, 1.0f)},
      {41, u"structure element 5x5", 289, 25, Round5()},
      {47, u"structure element 3x3", 313, 9, std::vector<float>(9, 1.0f)},
      {52, u"structure element 5x5", 313, 25, Round5()},
  };
  // absent: never set; -1: set but empty (element 0 unreadable); n: n elements.
  for (const ArrayMethod& a : methods) {
    for (int given : {-2, -1, 1, 9, 25}) {
      SCOPED_TRACE(testing::Message() << a.method << " with " << given);
      Served run(a.method);
      std::vector<double> values;
      for (int i = 0; i < given; ++i) values.push_back(-0.3 * (i + 1));
      if (given == -1) run.ctx.setEmpty(a.input);
      if (given > 0) run.ctx.setNumbers(a.input, values);
      const CameraRequest req = run.RunOnce();
      ASSERT_EQ(req.block.size(), static_cast<size_t>(a.offset + 4 * a.count));
      for (int i = 0; i < a.count; ++i) {
        const float expected = i < given ? static_cast<float>(values[i]) : a.fallback[i];
        EXPECT_EQ(At<float>(req.block, a.offset + 4 * i), expected) << "element " << i;
      }
    }
  }
}

TEST(WostraRun, FrameFailures) {
  {  // no input frame
    Inspection insp;
    talvix::RunContext ctx(Mod(), 0, &insp);
    const auto r = ctx.run(Mod().create(0));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"Cannot get input frame");
    EXPECT_TRUE(insp.requests().empty());
  }
  {  // no output to name
    Inspection insp;
    talvix::RunContext ctx({{ptFrame, u"input frame", u""}}, {}, &insp);
    ctx.setFrame(u"input frame", FrameBuffer::make(4, 2, 8));
    ctx.beginRun();
    TextBuffer err(255);
    const auto in = ctx.inputList();
    const auto out = ctx.outputList();
    EXPECT_FALSE(
        Mod().exports().RunMethod(20, ctx.hostContext(), in.list, in.names, out.list, out.names, err.hi(), err.data()));
    EXPECT_EQ(err.text(), u"Cannot get output frame");
    EXPECT_TRUE(insp.requests().empty());
  }
}

TEST(WostraRun, RefusalsCarryTheHostsReason) {
  struct Case {
    std::u16string message;
    std::u16string error;
  } cases[] = {
      {std::u16string(200, u'r'), std::u16string(127, u'r')},
      {u"", u""},
      {u"no such service here", u"no such service here"},
  };
  for (const Case& c : cases) {
    Inspection insp;
    talvix::RunContext ctx(Mod(), 42, &insp);
    ctx.setFrame(u"input frame", FrameBuffer::make(3, 3, 32));
    const std::u16string message = c.message;
    insp.setRequestHandler([message](const std::u16string&, void*, int) { return RequestAnswer{false, message}; });
    const auto r = ctx.run(Mod().create(42));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
}

TEST(WostraRun, HandlesPastTheLastMethodTouchNothing) {
  Inspection insp;
  talvix::RunContext ctx(Mod(), 0, &insp);
  ctx.setFrame(u"input frame", FrameBuffer::make(3, 3, 32));
  ctx.beginRun();
  const auto in = ctx.inputList();
  const auto out = ctx.outputList();
  for (intptr_t handle : {intptr_t{54}, intptr_t{-1}}) {
    TextBuffer err(255);
    EXPECT_FALSE(Mod().exports().RunMethod(handle, ctx.hostContext(), in.list, in.names, out.list, out.names, err.hi(),
                                           err.data()));
    EXPECT_TRUE(err.untouched()) << handle;
  }
  EXPECT_TRUE(insp.requests().empty());
  EXPECT_TRUE(ctx.outputFrameNames().empty());
}

TEST(WostraHostService, FillsTheOutputOrRefuses) {
  for (int bpp : {8, 24, 32}) {
    SCOPED_TRACE(bpp);
    Inspection insp;
    talvix::RunContext ctx(Mod(), 30, &insp);
    FrameBuffer in = FrameBuffer::make(3, 2, bpp, 0, false);
    for (int y = 0; y < 2; ++y) {
      for (int i = 0; i < 3 * bpp / 8; ++i) in.row(y)[i] = static_cast<uint8_t>(7 * (y * 16 + i) + 1);
    }
    ctx.setFrame(u"input frame", in);
    const auto r = ctx.run(Mod().create(30));
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    const FrameBuffer* out = ctx.frame(u"input frame");
    ASSERT_NE(out, nullptr);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        const uint8_t* s = in.pixel(x, y);
        const uint8_t* d = out->pixel(x, y);
        const uint8_t want[4] = {s[0], bpp == 8 ? s[0] : s[1], bpp == 8 ? s[0] : s[2], bpp == 32 ? s[3] : uint8_t{255}};
        EXPECT_EQ(std::vector<uint8_t>(d, d + 4), std::vector<uint8_t>(want, want + 4)) << x << "," << y;
      }
    }
  }
  // Requests that do not fit: a wrong size, a method of another group, foreign frames.
  Inspection insp;
  talvix::RunContext ctx(Mod(), 21, &insp);
  ctx.setFrame(u"input frame", FrameBuffer::make(3, 2, 24));
  ctx.beginRun();
  std::vector<uint8_t> block(289, 0);
  const auto send = [&](const std::u16string& name, int size) {
    return CameraCallback(ctx.hostContext(), static_cast<int>(name.size()), name.c_str(), size, block.data());
  };
  block[272] = 21;
  EXPECT_FALSE(send(u"GPU_morph", 289));  // no frames in the block
  block.resize(413);
  EXPECT_FALSE(send(u"GPU_basic", 289));
  block[272] = 0;
  EXPECT_FALSE(send(u"GPU_morph", 289));
  for (const auto& r : insp.requests()) EXPECT_FALSE(r.message.empty());
}

}  // namespace
