// Init/Done and the life of ilvant's stateless instances through the exports.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ilvant_run.h"
#include "talvix/host.hpp"
#include "text_buffer.h"

namespace {

using testing_support::TextBuffer;

// Icons in the order Init fetches them: methods 0 to 35, then the categories.
const std::vector<int> kIconOrder = {1006, 1004, 1004, 1005, 1023, 1007, 1008, 1009, 1010, 1011, 1012,
                                     1013, 1016, 1018, 1017, 1014, 1015, 1019, 1020, 1021, 1022, 1024,
                                     1025, 1026, 1027, 1030, 1028, 1029, 1031, 1032, 1033, 1034, 1037,
                                     1035, 1036, 1038, 1101, 1110, 1102, 1103, 1104, 1111};

std::unique_ptr<talvix::Module> Open() {
  std::string error;
  auto m = talvix::Module::open("ilvant", &error);
  EXPECT_NE(m, nullptr) << error;
  return m;
}

TEST(IlvantLifecycle, InitFetchesAndDoneReleasesEveryIconOnceInOrder) {
  // The library is shared with the other tests of this process: give back the
  // icons of the one loaded module here, and fetch them again at the end.
  talvix::Module& shared = ilvant_test::Ilvant();
  auto module = Open();
  ASSERT_NE(module, nullptr);
  const auto& fn = module->exports();
  shared.exports().Done();
  talvix::ClearIconLog();
  ASSERT_TRUE(fn.Init());
  const std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  ASSERT_EQ(fetched.size(), kIconOrder.size());
  std::set<HostIcon> tokens;
  for (size_t i = 0; i < fetched.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "icon " << i);
    EXPECT_FALSE(fetched[i].released);
    EXPECT_EQ(fetched[i].module, module->handle()) << "fetched with the module's own handle";
    EXPECT_EQ(fetched[i].number, kIconOrder[i]);
    EXPECT_NE(fetched[i].token, nullptr);
    tokens.insert(fetched[i].token);
  }
  EXPECT_EQ(tokens.size(), 42u) << "42 handles";

  // The enumerators answer the handles Init stored.
  for (int m = 0; m < 36; ++m) {
    TextBuffer id(63), desc(255);
    HostIcon icon = nullptr;
    bool gpu = false;
    ASSERT_TRUE(fn.EnumerateMethods(m, 63, id.data(), 255, desc.data(), &icon, &gpu));
    EXPECT_EQ(icon, fetched[m].token) << "method " << m;
  }
  const struct {
    int method, path, level;
    size_t slot;
  } places[] = {{0, 0, 0, 36}, {28, 0, 0, 37}, {0, 0, 1, 38}, {9, 0, 1, 39}, {4, 0, 1, 40}, {0, 1, 0, 41}};
  for (const auto& p : places) {
    TextBuffer name(63);
    int categoryId = 0;
    HostIcon icon = nullptr;
    ASSERT_TRUE(fn.EnumerateMethodsCategories(p.method, p.path, p.level, 63, name.data(), &categoryId, &icon));
    EXPECT_EQ(icon, fetched[p.slot].token) << "category of method " << p.method;
  }

  talvix::ClearIconLog();
  fn.Done();
  const std::vector<talvix::IconEvent> released = talvix::IconLog();
  ASSERT_EQ(released.size(), fetched.size()) << "every icon given back once";
  for (size_t i = 0; i < released.size(); ++i) {
    EXPECT_TRUE(released[i].released);
    EXPECT_EQ(released[i].token, fetched[i].token) << "release " << i << " out of order";
  }
  ASSERT_TRUE(shared.exports().Init());
}

// A handle past the last method runs nothing, touches neither the host nor
// the error buffer, and does not report success.
TEST(IlvantLifecycle, HandlesPastTheLastMethodFailUntouched) {
  auto module = Open();
  ASSERT_NE(module, nullptr);
  for (intptr_t handle : {intptr_t{36}, intptr_t{37}, intptr_t{1000}, intptr_t{-1}, intptr_t{INTPTR_MIN}}) {
    TextBuffer err(255);
    EXPECT_FALSE(module->exports().RunMethod(handle, nullptr, 0, nullptr, 0, nullptr, 255, err.data()))
        << "handle " << handle;
    EXPECT_TRUE(err.untouched()) << "handle " << handle;
  }
}

TEST(IlvantLifecycle, HandleZeroIsAMethodAndInstancesKeepNothing) {
  std::string error;
  auto module = talvix::Module::load("ilvant", &error);
  ASSERT_NE(module, nullptr) << error;
  const auto& fn = module->exports();

  // Handle 0 is method 0, not "no instance": without an input frame it fails with a text.
  const intptr_t zero = fn.InitMethod(0);
  talvix::RunContext threshold(*module, 0);
  const talvix::RunResult r0 = threshold.run(zero);
  EXPECT_FALSE(r0.ok);
  EXPECT_EQ(r0.error.rfind(u"error: ", 0), 0u) << talvix::ToUtf8(r0.error);
  fn.DoneMethod(zero);

  // DoneMethod releases nothing: the same handle runs again afterwards.
  const intptr_t copy = fn.InitMethod(4);
  fn.DoneMethod(copy);
  fn.DoneMethod(-1);
  fn.DoneMethod(36);
  talvix::RunContext ctx(*module, 4);
  ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(3, 2, 8, 7));
  EXPECT_TRUE(ctx.run(copy).ok);
  ASSERT_NE(ctx.frame(u"Output frame"), nullptr);
}

}  // namespace
