// The intrusive list: its edge cases, a model-checked random walk, and the
// ownership of DeleteAll.
#include "gpu/list.h"

#include <gtest/gtest.h>

#include <iterator>
#include <list>
#include <random>

#include "gpu/result_elem.h"

namespace {

using gpu::CList;
using gpu::CListElem;

struct Item : CListElem {
  explicit Item(int v, int* deaths = nullptr) : value(v), deaths(deaths) {}
  ~Item() override {
    if (deaths) ++*deaths;
  }
  int value;
  int* deaths;
};

// Head to tail, checking the links against the count.
std::vector<int> Values(const CList& l) {
  std::vector<int> v;
  const CListElem* last = nullptr;
  for (const CListElem* e = l.head; e; e = e->next) {
    v.push_back(static_cast<const Item*>(e)->value);
    last = e;
  }
  EXPECT_EQ(last, l.tail);
  EXPECT_EQ(static_cast<int>(v.size()), l.count);
  return v;
}

int CurrentValue(const CList& l) { return l.current ? static_cast<const Item*>(l.current)->value : -1; }

TEST(List, EdgeCases) {
  struct Case {
    const char* what;
    std::vector<int> start;  // appended in order
    std::function<void(CList&)> act;
    std::vector<int> values;
    int current;  // -1: none
  };
  const Case cases[] = {
      {"GetFirst on empty", {}, [](CList& l) { CListElem* e = nullptr; EXPECT_FALSE(l.GetFirst(&e)); EXPECT_EQ(e, nullptr); }, {}, -1},
      {"GetNext on last", {1, 2},
       [](CList& l) {
         CListElem* e = nullptr;
         l.GetFirst(&e);
         EXPECT_TRUE(l.GetNext(&e));
         CListElem* kept = e;
         EXPECT_FALSE(l.GetNext(&e));
         EXPECT_EQ(e, kept) << "unchanged on false";
         EXPECT_FALSE(l.GetCurrent(&e));
       },
       {1, 2}, -1},
      {"remove the only element", {7}, [](CList& l) { l.RemoveCurrent(); }, {}, -1},
      {"remove the last of several", {1, 2, 3}, [](CList& l) { l.RemoveCurrent(); }, {1, 2}, -1},
      {"remove the head", {1, 2, 3},
       [](CList& l) { CListElem* e; l.GetFirst(&e); l.RemoveCurrent(); }, {2, 3}, 2},
      {"remove in the middle, walk on with GetCurrent", {1, 2, 3},
       [](CList& l) {
         CListElem* e;
         l.GetFirst(&e);
         l.GetNext(&e);
         l.RemoveCurrent();
         EXPECT_TRUE(l.GetCurrent(&e));
         EXPECT_EQ(static_cast<Item*>(e)->value, 3);
       },
       {1, 3}, 3},
      {"append makes current", {1, 2}, [](CList&) {}, {1, 2}, 2},
      {"append null is ignored", {1}, [](CList& l) { l.Append(nullptr); }, {1}, 1},
      {"delete all on empty", {}, [](CList& l) { l.DeleteAll(); }, {}, -1},
      {"remove with no cursor", {1, 2}, [](CList& l) { l.current = nullptr; l.RemoveCurrent(); }, {1, 2}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CList l;
    std::vector<std::unique_ptr<Item>> owned;
    for (int v : c.start) {
      owned.push_back(std::make_unique<Item>(v));
      l.Append(owned.back().get());
    }
    c.act(l);
    EXPECT_EQ(Values(l), c.values);
    EXPECT_EQ(CurrentValue(l), c.current);
    EXPECT_EQ(l.IsEmpty(), c.values.empty());
    EXPECT_EQ(l.head == nullptr, l.tail == nullptr);
  }
}

// Random operations against std::list plus a cursor index.
TEST(List, RandomWalkMatchesAModel) {
  std::mt19937 rng(7);
  CList l;
  std::list<Item*> model;
  int cursor = -1;  // index into the model, -1 none
  std::vector<std::unique_ptr<Item>> pool;
  int next = 0;
  for (int step = 0; step < 3000; ++step) {
    switch (rng() % 5) {
      case 0:
      case 1: {
        pool.push_back(std::make_unique<Item>(next++));
        l.Append(pool.back().get());
        model.push_back(pool.back().get());
        cursor = static_cast<int>(model.size()) - 1;
        break;
      }
      case 2: {
        CListElem* e = nullptr;
        const bool ok = l.GetFirst(&e);
        EXPECT_EQ(ok, !model.empty());
        cursor = model.empty() ? -1 : 0;
        break;
      }
      case 3: {
        CListElem* e = nullptr;
        const bool ok = l.GetNext(&e);
        const bool expect = cursor >= 0 && cursor + 1 < static_cast<int>(model.size());
        EXPECT_EQ(ok, expect);
        cursor = expect ? cursor + 1 : -1;
        break;
      }
      case 4: {
        l.RemoveCurrent();
        if (cursor >= 0) {
          model.erase(std::next(model.begin(), cursor));
          if (cursor >= static_cast<int>(model.size())) cursor = -1;
        }
        break;
      }
    }
    ASSERT_EQ(l.count, static_cast<int>(model.size())) << step;
    ASSERT_EQ(l.head, model.empty() ? nullptr : model.front()) << step;
    ASSERT_EQ(l.tail, model.empty() ? nullptr : model.back()) << step;
    ASSERT_EQ(l.current, cursor < 0 ? nullptr : *std::next(model.begin(), cursor)) << step;
  }
}

TEST(List, DeleteAllDestroysEachElementOnce) {
  int deaths = 0;
  CList a, b;
  for (int i = 0; i < 5; ++i) a.Append(new Item(i, &deaths));
  for (int i = 5; i < 8; ++i) b.Append(new Item(i, &deaths));
  a.AppendList(&b);
  EXPECT_EQ(Values(a), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(CurrentValue(a), 7);
  EXPECT_EQ(Values(b), (std::vector<int>{5, 6, 7})) << "both lists reach the shared chain until Reset";
  b.Reset();
  b.DeleteAll();
  EXPECT_EQ(deaths, 0);
  a.DeleteAll();
  EXPECT_EQ(deaths, 8);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.current, nullptr);
  // Appending into an empty list and appending an empty or null list.
  CList c, d, empty;
  d.Append(new Item(9, &deaths));
  c.AppendList(&empty);
  c.AppendList(nullptr);
  EXPECT_TRUE(c.IsEmpty());
  c.AppendList(&d);
  d.Reset();
  EXPECT_EQ(Values(c), std::vector<int>{9});
  c.DeleteAll();
  EXPECT_EQ(deaths, 9);
}

TEST(ResultElem, ReadBackFieldsAndTheStoredRecord) {
  const float channels[3] = {-0.5f, 15.0f, 1.25f};
  auto* e = new gpu::CResultListElem(3.0f, 4.0f, channels);
  EXPECT_EQ(e->key.x, 3.0f);
  EXPECT_EQ(e->key.y, 4.0f);
  EXPECT_EQ(e->key.response, -0.5f);
  EXPECT_EQ(e->key.scale, 15.0f);
  EXPECT_EQ(e->key.orientation, 1.25f);
  EXPECT_EQ(e->distance, 1e10f);
  EXPECT_EQ(e->score, 0);
  EXPECT_EQ(e->best, nullptr);
  EXPECT_EQ(offsetof(gpu::KeypointRecord, descriptor), 20u);
  EXPECT_EQ(offsetof(gpu::KeypointRecord, stats), 288u);
  gpu::CList l;
  l.Append(e);
  l.DeleteAll();
}

}  // namespace
