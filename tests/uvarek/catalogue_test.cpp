// The uvarek catalogue as the host reads it.
#include <gtest/gtest.h>

#include "module_run.h"
#include "text_buffer.h"

namespace {

TEST(UvarekCatalogue, MethodsInputsOutputs) {
  const auto& cat = module_test::Load("uvarek").catalogue();
  ASSERT_EQ(cat.methods.size(), 3u);
  EXPECT_EQ(cat.methods[0].id, u"discrete_cosine_transform_1D");
  EXPECT_EQ(cat.methods[1].description, u"one-dimensional discrete Fourier transform");
  EXPECT_EQ(cat.methods[2].id, u"fast_fourier_transform_1D");
  for (int m = 0; m < 3; ++m) {
    EXPECT_EQ(talvix::IconResource(cat.methods[m].icon)->number, 1002 + m);
    ASSERT_EQ(cat.methods[m].inputs.size(), 8u);
    EXPECT_EQ(cat.methods[m].outputs.size(), m == 0 ? 3u : 4u);
  }
  const auto& in = cat.methods[2].inputs;
  EXPECT_EQ(in[2].properties, u"EditType=CountBox;Min=0;Default=1;Step=1;DecPlaces=0");
  EXPECT_EQ(in[4].properties, u"Min=0;Default=1;Step=1;DecPlaces=0");
  EXPECT_EQ(in[5].properties,
            u"Options=0: 'Rectangular', 1: 'Hann', 2: 'Hamming', 3: 'Blackman', 4: 'Blackman-Harris', 5: 'Bartlett'");
  EXPECT_TRUE(in[0].properties.empty());
  EXPECT_EQ(cat.methods[1].outputs[3].name, u"Phase spectrum");
}

TEST(UvarekCatalogue, CategoryIdIsWrittenBeforeTheIndexTest) {
  const auto& fn = module_test::Load("uvarek").exports();
  testing_support::TextBuffer name(63);
  int id = -1;
  HostIcon icon = nullptr;
  ASSERT_TRUE(fn.EnumerateMethodsCategories(2, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(name.text(), u"Transformation encoding");
  EXPECT_EQ(id, 16);
  EXPECT_EQ(talvix::IconResource(icon)->number, 1000);
  id = -1;
  EXPECT_FALSE(fn.EnumerateMethodsCategories(3, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(id, 16);
  id = -1;
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 1, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(id, -1);
  EXPECT_EQ(module_test::Load("uvarek").create(3), 0);
}

}  // namespace
