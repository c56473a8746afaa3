// The catalogue of dunsel and the life of its reader objects, through the
// exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dunsel_symbols.h"
#include "text_buffer.h"

namespace {

using dunsel_test::Reader;
using testing_support::TextBuffer;

const talvix::ModuleExports& Fn() { return Reader::Module().exports(); }

TEST(DunselCatalogue, EveryIndexIsABarcodeMethodAtTheTopOnly) {
  for (int index : {0, 3, 7, -1, 1000}) {
    TextBuffer name(63);
    int id = 0;
    HostIcon icon = nullptr;
    ASSERT_TRUE(Fn().EnumerateMethodsCategories(index, 0, 0, 63, name.data(), &id, &icon)) << index;
    EXPECT_EQ(name.text(), u"Barcodes");
    EXPECT_EQ(id, 15);
  }
  TextBuffer name(63);
  int id = -7;
  HostIcon icon = nullptr;
  EXPECT_FALSE(Fn().EnumerateMethodsCategories(0, 0, 1, 63, name.data(), &id, &icon));
  EXPECT_FALSE(Fn().EnumerateMethodsCategories(0, 1, 0, 63, name.data(), &id, &icon));
  EXPECT_EQ(id, -7);
}

TEST(DunselCatalogue, MethodsAndTheirParameters) {
  const std::vector<std::u16string> ids = {u"barcode_EAN13", u"barcode_Code128", u"barcode_Code39", u"datamatrix"};
  for (int i = 0; i < 5; ++i) {
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = true;
    EXPECT_EQ(Fn().EnumerateMethods(i, 63, id.data(), 255, desc.data(), &icon, &gpu), i < 4);
    EXPECT_FALSE(gpu);
    if (i < 4) {
      EXPECT_EQ(id.text(), ids[i]);
    }
  }
  struct Input {
    int method, param;
    bool ok;
    int type;
    std::u16string name, properties;
  };
  const Input inputs[] = {
      {0, 5, true, ptFlag, u"Barcode color ( true - white bars, false - black bars )", u"Default=false"},
      {1, 3, true, ptNumber, u"Scanline angles", u"EditType=ScanLineAngle"},
      {1, 7, false, 0, u"", u""},
      {2, 5, true, ptFlag, u"ASCII mode ( true - yes, false - no )", u"Default=false"},
      {2, 6, true, ptFlag, u"Checksum mode ( true - yes, false - no )", u"Default=true"},
      {2, 7, true, ptFlag, u"Barcode color ( true - white bars, false - black bars )", u""},
      {2, 8, true, ptFlag, u"Show results", u""},
      {3, 4, true, ptNumber, u"Mode",
       u"Default=0;Options=0: 'Detect both square and rectangular types', 1: 'Detect only square types'"},
      {3, 5, false, 0, u"", u""},
      {4, 0, false, 0, u"", u""},
  };
  for (const Input& c : inputs) {
    SCOPED_TRACE(testing::Message() << c.method << "/" << c.param);
    TextBuffer prop(255), name(63);
    int type = 0;
    EXPECT_EQ(Fn().EnumerateMethodInputs(c.method, c.param, &type, 255, prop.data(), 63, name.data()), c.ok);
    EXPECT_EQ(prop.text(), c.properties) << "the property buffer is emptied first";
    if (!c.ok) continue;
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(name.text(), c.name);
  }
  struct Output {
    int method, param;
    bool ok;
    int type;
    std::u16string name;
  };
  const Output outputs[] = {
      {0, 0, true, ptString, u"Result string"},
      {2, 1, false, 0, u""},
      {3, 3, true, ptNumber, u"White module to black module width ratio"},
      {3, 4, true, ptRectangle, u"Output region"},
      {3, 5, false, 0, u""},
  };
  for (const Output& c : outputs) {
    SCOPED_TRACE(testing::Message() << c.method << "/" << c.param);
    TextBuffer name(63);
    int type = 0;
    EXPECT_EQ(Fn().EnumerateMethodOutputs(c.method, c.param, &type, 63, name.data()), c.ok);
    if (c.ok) {
      EXPECT_EQ(name.text(), c.name);
    }
  }
}

TEST(DunselCatalogue, ObjectsAreMadeRunAndDestroyed) {
  EXPECT_EQ(Fn().InitMethod(4), -1);
  EXPECT_EQ(Fn().InitMethod(-1), -1);
  TextBuffer err(255);
  for (intptr_t bad : {intptr_t{-1}, intptr_t{0}}) {
    EXPECT_FALSE(Fn().RunMethod(bad, nullptr, 0, nullptr, 0, nullptr, 255, err.data()));
    EXPECT_TRUE(err.untouched());
  }
  for (int m = 0; m < 4; ++m) {
    const intptr_t h = Fn().InitMethod(m);
    EXPECT_NE(h, 0);
    EXPECT_NE(h, -1);
    Fn().DoneMethod(h);
  }
  Fn().DoneMethod(-1);
  Fn().DoneMethod(0);
}

}  // namespace
