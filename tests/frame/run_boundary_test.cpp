// Nothing thrown by a run or a release crosses the C interface.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "frame/run_boundary.h"

namespace {

TEST(RunBoundary, ThrowsBecomeFalseWithAText) {
  struct Case {
    const char* what;
    int kind;  // 0 answers true, 1 answers false, 2 throws bad_alloc, 3 throws something else
    bool ok;
    std::u16string text;
  };
  const Case cases[] = {
      {"true passes", 0, true, u""},
      {"false passes, text left to the run", 1, false, u""},
      {"memory", 2, false, u"error: Not enough memory"},
      {"anything else", 3, false, u"error: Unexpected failure"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char16_t err[64] = {};
    const frame::RunArgs args{nullptr, 0, nullptr, 0, nullptr, 63, err};
    const bool ok = frame::RunGuarded(args, [&] {
      if (c.kind == 2) throw std::bad_alloc();
      if (c.kind == 3) throw std::runtime_error("x");
      return c.kind == 0;
    });
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(std::u16string(err), c.text);
  }
}

TEST(RunBoundary, ModuleWordsItsOwnTexts) {
  char16_t err[64] = {};
  const frame::RunArgs args{nullptr, 0, nullptr, 0, nullptr, 63, err};
  const frame::BoundaryTexts texts{u"Not enough memory", u"Unexpected failure"};
  EXPECT_FALSE(frame::RunGuarded(args, []() -> bool { throw std::bad_alloc(); }, texts));
  EXPECT_EQ(std::u16string(err), u"Not enough memory");
  EXPECT_FALSE(frame::RunGuarded(args, []() -> bool { throw 1; }, texts));
  EXPECT_EQ(std::u16string(err), u"Unexpected failure");
}

struct Counted {
  int* deleted;
  ~Counted() { ++*deleted; }
};

TEST(RunBoundary, InstanceIsDeletedWhateverItsReleaseThrows) {
  for (bool throws : {false, true}) {
    int deleted = 0, released = 0;
    frame::DeleteAfter(new Counted{&deleted}, [&](Counted&) {
      ++released;
      if (throws) throw std::runtime_error("release");
    });
    EXPECT_EQ(released, 1);
    EXPECT_EQ(deleted, 1);
  }
  int calls = 0;
  frame::DeleteAfter(static_cast<Counted*>(nullptr), [&](Counted&) { ++calls; });
  EXPECT_EQ(calls, 0);
}

}  // namespace
