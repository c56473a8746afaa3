// Parameter lists, element getters, array sizes and the context's locking.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <thread>

#include "talvix/host.hpp"
#include "talvix_fake_context.h"

using talvix::RunContext;
using testing_support::kNameHi;
using testing_support::Param;

namespace {

const std::u16string kLong74 = u"distance coefficient from region center for outcome statistical filtration";

RunContext MakeContext() {
  return RunContext(
      {Param(ptFrame, u"Input frame"), Param(ptNumber, u"Threshold"), Param(ptRectangularRegion, u"Region"),
       Param(ptRing, u"Circle"), Param(ptFlag, u"Negative"), Param(ptNumber, kLong74), Param(ptString, u"Text")},
      {Param(ptNumber, u"Values"), Param(ptPoint, u"Points"), Param(ptString, u"Names"), Param(ptRectangle, u"Box"),
       Param(ptFrame, u"Output frame"), Param(ptDataObject, u"Blob")});
}

std::u16string NameOf(RunContext::ParamList l, int i, int hi = kNameHi, bool* ok = nullptr) {
  std::vector<char16_t> buf(hi + 2, 0xAAAA);
  bool r = GetParameterName(l.list, l.names, i, hi, buf.data());
  if (ok) *ok = r;
  return r ? std::u16string(buf.data()) : std::u16string();
}

TEST(ParameterNames, CatalogueOrderUnnamedAndCut) {
  RunContext ctx = MakeContext();
  ctx.setUnnamed(u"Region");
  ctx.setUnnamed(u"Points");
  bool ok = false;
  EXPECT_EQ(NameOf(ctx.inputList(), 0), u"Input frame");
  EXPECT_EQ(NameOf(ctx.inputList(), 1), u"Threshold");
  NameOf(ctx.inputList(), 2, kNameHi, &ok);
  EXPECT_FALSE(ok);
  NameOf(ctx.outputList(), 1, kNameHi, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(NameOf(ctx.outputList(), 0), u"Values");
  EXPECT_EQ(NameOf(ctx.inputList(), 5), kLong74.substr(0, 63));  // at most hi characters and a NUL
  for (int i : {-1, 7, 100}) {
    std::vector<char16_t> buf(64, 0xAAAA);
    RunContext::ParamList l = ctx.inputList();
    EXPECT_FALSE(GetParameterName(l.list, l.names, i, kNameHi, buf.data())) << i;
    EXPECT_EQ(buf[0], 0xAAAA) << "buffer untouched for " << i;
  }
  EXPECT_EQ(ctx.inputList().list, 7);
  EXPECT_EQ(ctx.outputList().list, 6);
}

// An input and an output of one name: unnaming the input leaves the output
// connected, unnaming the name leaves neither.
TEST(ParameterNames, UnnamingAnInputKeepsTheSameNamedOutput) {
  const auto make = [] {
    return RunContext({Param(ptFrame, u"input frame"), Param(ptNumber, u"Quality")},
                      {Param(ptNumber, u"Quality"), Param(ptFrame, u"input frame")});
  };
  const struct Case {
    const char16_t* name;
    bool inputOnly;
    bool inputNamed[2], outputNamed[2];
  } cases[] = {
      {u"Quality", true, {true, false}, {true, true}},
      {u"input frame", true, {false, true}, {true, true}},
      {u"Quality", false, {true, false}, {false, true}},
      {u"input frame", false, {false, true}, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.name) + (c.inputOnly ? " input only" : " both"));
    RunContext ctx = make();
    if (c.inputOnly) {
      ctx.setUnnamedInput(c.name);
    } else {
      ctx.setUnnamed(c.name);
    }
    for (int i = 0; i < 2; ++i) {
      bool ok = false;
      NameOf(ctx.inputList(), i, kNameHi, &ok);
      EXPECT_EQ(ok, c.inputNamed[i]) << "input " << i;
      NameOf(ctx.outputList(), i, kNameHi, &ok);
      EXPECT_EQ(ok, c.outputNamed[i]) << "output " << i;
    }
  }
  RunContext ctx = make();
  EXPECT_THROW(ctx.setUnnamedInput(u"Nope"), std::invalid_argument);
}

// Each getter against each slot type: only the type's own family answers.
TEST(ElementGetters, TypeChecksAndInterchangeableRecords) {
  RunContext ctx = MakeContext();
  ctx.setNumbers(u"Threshold", {1});
  ctx.setRegions(u"Region", {{1, 2, 3, 4, 5}});
  ctx.setRings(u"Circle", {{1, 2, 3, 4, 5, 6}});
  ctx.setFlags(u"Negative", {true});
  void* c = ctx.hostContext();
  struct Case {
    const char16_t* name;
    int getter;
    bool expected;
  };
  const Case cases[] = {
      {u"Threshold", ptNumber, true},  {u"Threshold", ptFlag, false},
      {u"Threshold", ptPoint, false},  {u"Region", ptRectangularRegion, true},
      {u"Region", ptRectangle, true},  {u"Region", ptRing, false},
      {u"Circle", ptRing, true},       {u"Circle", ptRingRegion, true},
      {u"Circle", ptRectangle, false}, {u"Negative", ptFlag, true},
      {u"Negative", ptNumber, false},  {u"Box", ptRectangularRegion, true},
      {u"Box", ptRectangle, true},     {u"Input frame", ptNumber, false},
      {u"Nothing", ptNumber, false},   {u"Text", ptString, false},  // unset input
  };
  for (const Case& k : cases) {
    void* p = nullptr;
    bool r = false;
    switch (k.getter) {
      case ptNumber:
        r = GetNumber(c, kNameHi, k.name, 0, reinterpret_cast<double**>(&p));
        break;
      case ptFlag:
        r = GetFlag(c, kNameHi, k.name, 0, reinterpret_cast<bool**>(&p));
        break;
      case ptPoint:
        r = GetPoint(c, kNameHi, k.name, 0, reinterpret_cast<TPoint**>(&p));
        break;
      case ptRectangle:
        r = GetRectangle(c, kNameHi, k.name, 0, reinterpret_cast<TRectangle**>(&p));
        break;
      case ptRectangularRegion:
        r = GetRectangularRegion(c, kNameHi, k.name, 0, reinterpret_cast<TRectangularRegion**>(&p));
        break;
      case ptRing:
        r = GetRing(c, kNameHi, k.name, 0, reinterpret_cast<TRing**>(&p));
        break;
      case ptRingRegion:
        r = GetRingRegion(c, kNameHi, k.name, 0, reinterpret_cast<TRingRegion**>(&p));
        break;
      case ptString:
        r = GetString(c, kNameHi, k.name, 0, reinterpret_cast<HostString**>(&p));
        break;
    }
    EXPECT_EQ(r, k.expected) << std::string(k.name, k.name + std::char_traits<char16_t>::length(k.name)) << " / "
                             << k.getter;
    EXPECT_EQ(p != nullptr, k.expected);
  }
}

TEST(ElementGetters, InputBoundsWriteBackAndEmpty) {
  RunContext ctx = MakeContext();
  void* c = ctx.hostContext();
  double* v = nullptr;
  int n = 99;
  EXPECT_FALSE(GetObjectMaxIndex(c, kNameHi, u"Threshold", &n));
  EXPECT_EQ(n, 99);
  ctx.setNumbers(u"Threshold", {10, 20});
  ASSERT_TRUE(GetNumber(c, kNameHi, u"Threshold", 1, &v));
  EXPECT_EQ(*v, 20);
  *v = 25;  // methods write back into inputs
  EXPECT_FALSE(GetNumber(c, kNameHi, u"Threshold", 2, &v));
  EXPECT_FALSE(GetNumber(c, kNameHi, u"Threshold", -1, &v));
  ASSERT_TRUE(GetObjectMaxIndex(c, kNameHi, u"Threshold", &n));
  EXPECT_EQ(n, 1);
  ctx.beginRun();  // inputs are not refreshed
  EXPECT_EQ(ctx.numbers(u"Threshold"), (std::vector<double>{10, 25}));
  SetObjectMaxIndex(c, kNameHi, u"Threshold", 0);  // inputs are not sized by the module
  EXPECT_EQ(ctx.maxIndex(u"Threshold"), 1);
  ctx.setEmpty(u"Threshold");
  ASSERT_TRUE(GetObjectMaxIndex(c, kNameHi, u"Threshold", &n));
  EXPECT_EQ(n, -1);
  EXPECT_FALSE(GetNumber(c, kNameHi, u"Threshold", 0, &v));
}

TEST(ElementGetters, TransformFlagPerElement) {
  RunContext ctx = MakeContext();
  ctx.setNumbers(u"Threshold", {1, 2, 3});
  ctx.setTransformFlags(u"Threshold", {false, true});
  double* v = nullptr;
  bool inFrame = true;
  const bool expected[] = {false, true, false};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(GetNumberTransformFlag(ctx.hostContext(), kNameHi, u"Threshold", i, &v, &inFrame));
    EXPECT_EQ(inFrame, expected[i]) << i;
  }
  inFrame = true;
  EXPECT_FALSE(GetNumberTransformFlag(ctx.hostContext(), kNameHi, u"Missing", 0, &v, &inFrame));
  EXPECT_FALSE(inFrame);
}

TEST(OutputArrays, GrowOnDemandWithStableStorage) {
  RunContext ctx = MakeContext();
  void* c = ctx.hostContext();
  int n = 5;
  ASSERT_TRUE(GetObjectMaxIndex(c, kNameHi, u"Values", &n));
  EXPECT_EQ(n, -1);
  double* first = nullptr;
  ASSERT_TRUE(GetNumber(c, kNameHi, u"Values", 0, &first));
  *first = 7;
  double* far = nullptr;
  ASSERT_TRUE(GetNumber(c, kNameHi, u"Values", 1000, &far));
  *far = 9;
  *first = 8;  // still the same storage after the growth
  std::vector<double> v = ctx.numbers(u"Values");
  ASSERT_EQ(v.size(), 1001u);
  EXPECT_EQ(v[0], 8);
  EXPECT_EQ(v[500], 0);
  EXPECT_EQ(v[1000], 9);
  double* again = nullptr;
  ASSERT_TRUE(GetNumber(c, kNameHi, u"Values", 0, &again));
  EXPECT_EQ(again, first);
  EXPECT_FALSE(GetNumber(c, kNameHi, u"Values", -1, &again));
}

TEST(OutputArrays, SetObjectMaxIndexKeepsHidesAndEmpties) {
  RunContext ctx = MakeContext();
  void* c = ctx.hostContext();
  for (int i = 0; i < 4; ++i) {
    double* v = nullptr;
    ASSERT_TRUE(GetNumber(c, kNameHi, u"Values", i, &v));
    *v = 10 + i;
  }
  struct Step {
    int n;
    std::vector<double> expected;
  };
  const Step steps[] = {
      {5, {10, 11, 12, 13, 0, 0}},  // written elements kept, zeroed ones added
      {1, {10, 11}},                // the rest hidden
      {-2, {}},                     // any negative is empty
      {-1, {}},
      {0, {10}},
  };
  for (const Step& s : steps) {
    SetObjectMaxIndex(c, kNameHi, u"Values", s.n);
    EXPECT_EQ(ctx.numbers(u"Values"), s.expected) << s.n;
    EXPECT_EQ(ctx.maxIndex(u"Values"), s.n < 0 ? -1 : s.n);
  }
  SetObjectMaxIndex(c, kNameHi, u"Unknown", 3);  // ignored
  ctx.beginRun();
  EXPECT_EQ(ctx.maxIndex(u"Values"), -1) << "every run starts with empty outputs";
  EXPECT_TRUE(ctx.numbers(u"Values").empty());
}

TEST(OutputArrays, NewStringElementsHoldEmptyBlocksAndDataSlotsNull) {
  RunContext ctx = MakeContext();
  HostString* s = nullptr;
  ASSERT_TRUE(GetString(ctx.hostContext(), kNameHi, u"Names", 2, &s));
  ASSERT_NE(*s, nullptr);
  EXPECT_EQ((*s)->length, 0);
  SetString(4, u"abc", s);
  DataObject* d = nullptr;
  ASSERT_TRUE(GetData(ctx.hostContext(), kNameHi, u"Blob", 0, &d));
  EXPECT_EQ(*d, nullptr);
  EXPECT_EQ(ctx.strings(u"Names"), (std::vector<std::u16string>{u"", u"", u"abc"}));
}

// A wild index must not exhaust memory: growth stops at 2^24 elements.
TEST(OutputArrays, GrowthIsBounded) {
  RunContext ctx = MakeContext();
  double* v = nullptr;
  EXPECT_FALSE(GetNumber(ctx.hostContext(), kNameHi, u"Values", 1 << 24, &v));
  SetObjectMaxIndex(ctx.hostContext(), kNameHi, u"Values", INT32_MAX);
  EXPECT_EQ(ctx.maxIndex(u"Values"), -1);
  EXPECT_TRUE(GetNumber(ctx.hostContext(), kNameHi, u"Values", 3, &v));
}

// A name cut to 63 characters still finds the one parameter it starts.
TEST(ElementGetters, CutNamesMatchAUniquePrefix) {
  RunContext ctx = MakeContext();
  ctx.setNumbers(kLong74, {3.5});
  double* v = nullptr;
  std::u16string cut = kLong74.substr(0, 63);
  ASSERT_TRUE(GetNumber(ctx.hostContext(), kNameHi, cut.c_str(), 0, &v));
  EXPECT_EQ(*v, 3.5);
  std::u16string shorter = kLong74.substr(0, 62);
  EXPECT_FALSE(GetNumber(ctx.hostContext(), 200, shorter.c_str(), 0, &v));

  std::u16string stem(63, u'x');
  RunContext twins({Param(ptNumber, stem + u"1"), Param(ptNumber, stem + u"2")}, {});
  twins.setNumbers(stem + u"1", {1});
  twins.setNumbers(stem + u"2", {2});
  EXPECT_FALSE(GetNumber(twins.hostContext(), kNameHi, stem.c_str(), 0, &v)) << "ambiguous prefix";
}

TEST(ElementGetters, NameReadUpToHiPlusOneOrNul) {
  RunContext ctx = MakeContext();
  ctx.setNumbers(u"Threshold", {4});
  double* v = nullptr;
  EXPECT_TRUE(GetNumber(ctx.hostContext(), 8, u"ThresholdXYZ", 0, &v));  // 9 characters read
  EXPECT_FALSE(GetNumber(ctx.hostContext(), 7, u"Threshold", 0, &v));
  EXPECT_TRUE(GetNumber(ctx.hostContext(), 255, u"Threshold\0junk", 0, &v));
}

TEST(RunContextSetup, RejectsUnknownNamesAndWrongTypes) {
  RunContext ctx = MakeContext();
  EXPECT_THROW(ctx.setNumbers(u"Nope", {1}), std::invalid_argument);
  EXPECT_THROW(ctx.setNumbers(u"Negative", {1}), std::invalid_argument);
  EXPECT_THROW(ctx.setNumbers(u"Values", {1}), std::invalid_argument) << "outputs are not set";
  EXPECT_THROW(ctx.setUnnamed(u"Nope"), std::invalid_argument);
  EXPECT_NO_THROW(RunContext({Param(ptFrame, u"input frame")}, {Param(ptFrame, u"input frame")}));
}

// An input and an output of one catalogue name are two parameters: the host
// connects the output under a name of its own and reports it under the
// catalogue name after the run.
TEST(RunContextSetup, KeepsAnInputAndAnOutputOfOneNameApart) {
  RunContext ctx({Param(ptNumber, u"x")}, {Param(ptNumber, u"x")});
  ctx.setNumbers(u"x", {1});
  void* c = ctx.hostContext();
  const RunContext::ParamList in = ctx.inputList(), out = ctx.outputList();
  char16_t inName[64] = {}, outName[64] = {};
  ASSERT_TRUE(GetParameterName(in.list, in.names, 0, 63, inName));
  ASSERT_TRUE(GetParameterName(out.list, out.names, 0, 63, outName));
  EXPECT_EQ(std::u16string(inName), u"x");
  ASSERT_NE(std::u16string(outName), u"x");
  double *input = nullptr, *output = nullptr;
  ASSERT_TRUE(GetNumber(c, 63, inName, 0, &input));
  ASSERT_TRUE(GetNumber(c, 63, outName, 0, &output));
  ASSERT_NE(input, output);
  EXPECT_EQ(*input, 1);
  *output = 5;
  EXPECT_EQ(ctx.numbers(u"x"), std::vector<double>{5});
  EXPECT_EQ(ctx.maxIndex(u"x"), 0);
}

// OpenMP workers call getters, output growth and warnings at the same time.
TEST(ContextLocking, ConcurrentGettersGrowthAndWarnings) {
  RunContext ctx = MakeContext();
  ctx.setNumbers(u"Threshold", {1});
  void* c = ctx.hostContext();
  constexpr int kThreads = 8, kPerThread = 200;
  std::vector<std::thread> pool;
  for (int t = 0; t < kThreads; ++t) {
    pool.emplace_back([c, t] {
      for (int i = 0; i < kPerThread; ++i) {
        double* v = nullptr;
        if (GetNumber(c, kNameHi, u"Values", t * kPerThread + i, &v)) *v = t * kPerThread + i;
        double* in = nullptr;
        GetNumber(c, kNameHi, u"Threshold", 0, &in);
        AddWarning(c, 255, u"w");
        DrawLine(c, 0, 0, 1, 1, 1, GetDrawColor(c, 1));
      }
    });
  }
  for (auto& th : pool) th.join();
  std::vector<double> v = ctx.numbers(u"Values");
  ASSERT_EQ(v.size(), static_cast<size_t>(kThreads * kPerThread));
  for (size_t i = 0; i < v.size(); ++i) ASSERT_EQ(v[i], static_cast<double>(i));
  EXPECT_EQ(ctx.warnings().size(), static_cast<size_t>(kThreads * kPerThread));
  EXPECT_EQ(ctx.drawList().size(), static_cast<size_t>(kThreads * kPerThread));
}

}  // namespace
