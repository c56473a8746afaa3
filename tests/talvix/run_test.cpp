// Loading a real module, its catalogue, and the host side of one run.
#include <gtest/gtest.h>

#include "talvix/host.hpp"

using talvix::FrameBuffer;
using talvix::Module;
using talvix::RunContext;

namespace {

std::unique_ptr<Module> Ilvant() {
  std::string error;
  std::unique_ptr<Module> m = Module::load("ilvant", &error);
  EXPECT_TRUE(m) << error;
  return m;
}

TEST(ModuleLoading, CatalogueAndFailures) {
  std::unique_ptr<Module> m = Ilvant();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->name(), "ilvant");
  EXPECT_EQ(m->catalogue().methods.size(), 36u);
  int copy = m->findMethod(std::string("copy_frame"));
  ASSERT_GE(copy, 0);
  const talvix::MethodInfo& mi = m->catalogue().methods[copy];
  EXPECT_EQ(mi.index, copy);
  ASSERT_FALSE(mi.inputs.empty());
  EXPECT_EQ(mi.inputs[0].type, ptFrame);
  EXPECT_FALSE(m->catalogue().categories.empty());
  EXPECT_EQ(m->findMethod(std::string("no such method")), -1);

  std::string error;
  EXPECT_EQ(Module::load("no_such_module", &error), nullptr);
  EXPECT_NE(error.find("no_such_module"), std::string::npos);
  EXPECT_EQ(Module::load(m->path() + ".missing", &error), nullptr);
}

TEST(ModuleRuns, ErrorBufferIsTerminatedByTheHost) {
  std::unique_ptr<Module> m = Ilvant();
  ASSERT_TRUE(m);
  int copy = m->findMethod(std::string("copy_frame"));
  RunContext ctx(*m, copy);
  intptr_t handle = m->create(copy);
  const std::u16string full = u"error: Cannot get input frame Input frame";
  struct Case {
    int errLen;
    std::u16string expected;
  };
  const Case cases[] = {{255, full}, {5, full.substr(0, 6)}, {0, full.substr(0, 1)}};
  for (const Case& c : cases) {
    talvix::RunResult r = ctx.run(handle, c.errLen);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.expected) << c.errLen;
    const std::vector<char16_t>& buf = ctx.errorBuffer();
    ASSERT_EQ(buf.size(), static_cast<size_t>(c.errLen) + 2);
    EXPECT_EQ(buf.back(), 0);
  }

  ctx.setFrame(u"Input frame", FrameBuffer::make(3, 2, 24, 9));
  talvix::RunResult r = ctx.run(handle);
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  std::vector<std::u16string> names = ctx.outputFrameNames();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(ctx.frame(names[0])->bytes(), ctx.inputFrame(u"Input frame")->bytes());
  m->destroy(handle);
}

}  // namespace
