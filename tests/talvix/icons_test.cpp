// Icon tokens: a module's Init fetches them from its resource table, Done
// gives each back once.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>

#include "talvix/host.hpp"

namespace {

TEST(Icons, EveryFetchedTokenIsReleasedOnce) {
  talvix::ClearIconLog();
  std::string error;
  std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant", &error);
  ASSERT_TRUE(m) << error;
  std::vector<talvix::IconEvent> fetched = talvix::IconLog();
  ASSERT_FALSE(fetched.empty());
  for (const talvix::IconEvent& e : fetched) {
    EXPECT_FALSE(e.released);
    EXPECT_NE(e.token, nullptr);
    const ModuleResource* r = talvix::IconResource(e.token);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->type, kIconResourceType);
    EXPECT_EQ(r->number, e.number);
    EXPECT_EQ(r->data[0], 'B');
  }
  EXPECT_NE(m->catalogue().methods.at(0).icon, nullptr);

  EXPECT_EQ(GetResourceIconAddress(m->handle(), -12345), nullptr) << "no such resource";
  void* self = dlopen("libtalvix.so", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(GetResourceIconAddress(self, 1), nullptr) << "a library without a resource table";
  dlclose(self);
  EXPECT_EQ(GetResourceIconAddress(nullptr, 1), nullptr);

  m.reset();
  std::map<HostIcon, int> balance;
  for (const talvix::IconEvent& e : talvix::IconLog()) balance[e.token] += e.released ? -1 : 1;
  for (const auto& [token, n] : balance) EXPECT_EQ(n, 0) << token;
  EXPECT_EQ(talvix::IconLog().size(), 2 * fetched.size());
}

TEST(Icons, DoneIconNullsTheHandleAndIgnoresRepeats) {
  std::string error;
  std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant", &error);
  ASSERT_TRUE(m) << error;
  int number = talvix::IconLog().back().number;
  HostIcon icon = GetResourceIconAddress(m->handle(), number);
  ASSERT_NE(icon, nullptr);
  HostIcon copy = icon;
  DoneIcon(&icon);
  EXPECT_EQ(icon, nullptr);
  EXPECT_EQ(talvix::IconResource(copy), nullptr);
  size_t events = talvix::IconLog().size();
  DoneIcon(&copy);  // already released: left alone
  DoneIcon(&icon);
  DoneIcon(nullptr);
  EXPECT_EQ(talvix::IconLog().size(), events);
}

}  // namespace
