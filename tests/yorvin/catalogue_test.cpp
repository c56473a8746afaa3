// The one-method catalogue through the exported enumerators.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "module_run.h"

namespace {

TEST(YorvinCatalogue, MethodAndCategory) {
  auto& mod = module_test::Load("yorvin");
  const auto& cat = mod.catalogue();
  ASSERT_EQ(cat.methods.size(), 1u);
  const auto& m = cat.methods[0];
  EXPECT_EQ(m.id, u"gpu_fast_fourier_transform_2D");
  EXPECT_EQ(m.description, u"two-dimensional fast Fourier transform");
  EXPECT_TRUE(m.gpu);
  ASSERT_EQ(m.inputs.size(), 1u);
  EXPECT_EQ(m.inputs[0].name, u"input frame");
  ASSERT_EQ(m.outputs.size(), 1u);
  EXPECT_EQ(m.outputs[0].name, u"output frame");
  EXPECT_EQ(mod.exports().EnumerateMethodsSort, nullptr);
  EXPECT_EQ(dlsym(mod.handle(), "EnumerateMethodsSort"), nullptr);

  const struct {
    int method, path, level;
    bool ok;
  } places[] = {{0, 0, 0, true}, {0, 1, 0, false}, {0, 0, 1, false}, {1, 0, 0, false}};
  for (const auto& p : places) {
    char16_t name[64] = {};
    int id = -1;
    HostIcon icon = reinterpret_cast<HostIcon>(1);
    ASSERT_EQ(mod.exports().EnumerateMethodsCategories(p.method, p.path, p.level, 63, name, &id, &icon), p.ok);
    if (!p.ok) continue;
    EXPECT_EQ(std::u16string(name), u"Transformation encoding");
    EXPECT_EQ(id, 16);
    EXPECT_EQ(icon, nullptr);
  }
  EXPECT_EQ(mod.exports().InitMethod(1), 0);
}

}  // namespace
