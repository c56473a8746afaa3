// The run bracket against a recording host whose answers are scripted.
#include "gpu/bracket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "talvix/host.hpp"

namespace {

struct Recorder {
  talvix::Inspection insp;
  talvix::RunContext ctx{{}, {}, &insp};
  std::vector<std::u16string> sent;
  std::vector<std::u16string> messagesSeen;  // the message area as each request arrived

  explicit Recorder(std::set<std::u16string> refuse) {
    insp.setRequestHandler([this, refuse](const std::u16string& name, void* block, int) {
      sent.push_back(name);
      messagesSeen.emplace_back(static_cast<const char16_t*>(block));
      return std::optional<talvix::RequestAnswer>(
          talvix::RequestAnswer{!refuse.count(name), u"host refused " + name});
    });
  }
};

std::u16string Joined(const std::vector<std::u16string>& v) {
  std::u16string s;
  for (const auto& x : v) s += (s.empty() ? u"" : u" ") + x;
  return s;
}

TEST(RunBracket, RefusalPatterns) {
  struct Case {
    std::set<std::u16string> refuse;
    bool setupFails;
    std::u16string sequence;
    bool result;
    std::u16string error;
    bool glWork;  // set-up and work ran
  };
  const Case cases[] = {
      {{}, false, u"*_LRC *_IRE *_FRE *_URC", true, u"", true},
      {{u"*_LRC"}, false, u"*_LRC *_IRE *_FRE *_URC", false, u"host refused *_LRC", false},
      {{u"*_IRE"}, false, u"*_LRC *_IRE *_FRE *_URC", false, u"host refused *_IRE", true},
      {{u"*_FRE"}, false, u"*_LRC *_IRE *_FRE *_URC", false, u"host refused *_FRE", true},
      {{u"*_URC"}, false, u"*_LRC *_IRE *_FRE *_URC", false, u"host refused *_URC", true},
      {{u"*_LRC", u"*_FRE"}, false, u"*_LRC *_IRE *_FRE *_URC", false, u"host refused *_FRE", false},
      {{}, true, u"*_LRC *_IRE *_URC", false, u"Error during shader building", true},
      {{u"*_URC"}, true, u"*_LRC *_IRE *_URC", false, u"host refused *_URC", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.sequence) + (c.setupFails ? " after a failed set-up" : ""));
    Recorder host(c.refuse);
    gpu::GpuState state;
    bool setupRan = false, workRan = false;
    std::vector<char16_t> err(257, u'#');
    err[256] = 0;
    const bool ok = gpu::RunInBracket(
        host.ctx.hostContext(), nullptr, nullptr, 255, err.data(), state,
        [&](int len, char16_t* buf) {
          setupRan = true;
          if (c.setupFails) gpu::CopyError(u"Error during shader building", len, buf);
          return !c.setupFails;
        },
        [&](int, char16_t*) { return workRan = true; });
    EXPECT_EQ(Joined(host.sent), c.sequence);
    EXPECT_EQ(ok, c.result);
    EXPECT_EQ(std::u16string(err.data()), c.result ? std::u16string(256, u'#') : c.error);
    EXPECT_EQ(setupRan, c.glWork);
    EXPECT_EQ(workRan, c.glWork && !c.setupFails);
    // The block is filled once: a message stays for the following requests.
    for (size_t i = 1; i < host.sent.size(); ++i) {
      if (c.refuse.count(host.sent[i - 1])) {
        EXPECT_EQ(host.messagesSeen[i], u"host refused " + host.sent[i - 1]);
      }
    }
  }
}

TEST(RunBracket, FailedSetupIsFinalAndSilent) {
  Recorder host({});
  gpu::GpuState state;
  int setups = 0;
  auto setup = [&](int len, char16_t* buf) {
    ++setups;
    gpu::CopyError(u"Error during shader building", len, buf);
    return false;
  };
  auto work = [](int, char16_t*) { return true; };
  char16_t err[64];
  EXPECT_FALSE(gpu::RunInBracket(host.ctx.hostContext(), nullptr, nullptr, 63, err, state, setup, work));
  host.sent.clear();
  std::fill(std::begin(err), std::end(err), u'#');
  EXPECT_FALSE(gpu::RunInBracket(host.ctx.hostContext(), nullptr, nullptr, 63, err, state, setup, work));
  EXPECT_TRUE(host.sent.empty()) << "no request after a failed set-up";
  EXPECT_EQ(std::u16string(err), u"Error during shader building");
  EXPECT_EQ(setups, 1);
  // Its objects are still released once.
  gpu::ReleaseInBracket(host.ctx.hostContext(), state, [] {});
  EXPECT_EQ(Joined(host.sent), u"*_LRC *_URC");
}

TEST(RunBracket, ReleaseIgnoresAnswersAndIsSilentWithoutObjects) {
  {
    Recorder host({});
    gpu::GpuState never;
    bool released = false;
    gpu::ReleaseInBracket(host.ctx.hostContext(), never, [&] { released = true; });
    EXPECT_TRUE(host.sent.empty());
    EXPECT_FALSE(released);
  }
  for (bool lrcRefused : {false, true}) {
    Recorder host(lrcRefused ? std::set<std::u16string>{u"*_LRC", u"*_URC"} : std::set<std::u16string>{u"*_URC"});
    gpu::GpuState state;
    state.objectsExist = true;
    bool released = false;
    gpu::ReleaseInBracket(host.ctx.hostContext(), state, [&] { released = true; });
    EXPECT_EQ(Joined(host.sent), u"*_LRC *_URC");
    EXPECT_EQ(released, !lrcRefused) << "no GL call without a lent context";
    EXPECT_FALSE(state.objectsExist);
  }
}

TEST(RunBracket, ErrorCopiesStopAtErrLenAndAreTerminated) {
  struct Case {
    int errLen;
    std::u16string expected;
  };
  const Case cases[] = {{0, u""}, {4, u"host"}, {255, u"host refused *_LRC"}};
  for (const Case& c : cases) {
    Recorder host({u"*_LRC"});
    std::vector<char16_t> err(c.errLen + 2, u'#');
    gpu::Bracket b(host.ctx.hostContext(), nullptr, nullptr, c.errLen, err.data());
    EXPECT_FALSE(b.Lend());
    EXPECT_EQ(std::u16string(err.data()), c.expected) << c.errLen;
    EXPECT_EQ(err[c.errLen + 1], u'#') << "nothing past errLen + 1 characters";
  }
}

TEST(RunBracket, BlockLayout) {
  Recorder host({});
  talvix::FrameBuffer f = talvix::FrameBuffer::make(4, 4, 8);
  gpu::Bracket b(host.ctx.hostContext(), f.frame(), nullptr, -1, nullptr);
  b.Send(u"*_LRC");
  std::vector<talvix::CameraRequest> log = host.insp.requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].nameLength, 4);
  EXPECT_EQ(log[0].size, 288);
  Frame* at256 = nullptr;
  std::memcpy(&at256, log[0].block.data() + 256, sizeof at256);
  EXPECT_EQ(at256, f.frame());
  // Everything but the input pointer is zero.
  std::vector<uint8_t> rest(log[0].block);
  std::fill(rest.begin() + 256, rest.begin() + 264, 0);
  EXPECT_EQ(rest, std::vector<uint8_t>(288, 0));
}

}  // namespace
