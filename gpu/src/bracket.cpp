#include "gpu/bracket.h"

#include <algorithm>
#include <cstring>

namespace gpu {

void CopyError(std::u16string_view text, int errLen, char16_t* errBuf) {
  if (!errBuf || errLen < 0) return;
  const size_t n = std::min(text.size(), static_cast<size_t>(errLen));
  std::copy_n(text.data(), n, errBuf);
  errBuf[n] = 0;
}

Bracket::Bracket(void* hostContext, Frame* input, Frame* output, int errLen, char16_t* errBuf)
    : ctx_(hostContext), errLen_(errLen), errBuf_(errBuf) {
  std::memset(&block_, 0, sizeof block_);
  block_.input = input;
  block_.output = output;
}

Bracket::Bracket(void* hostContext) : Bracket(hostContext, nullptr, nullptr, -1, nullptr) {}

bool Bracket::Send(std::u16string_view name) {
  // Names are five characters; the host takes the highest index.
  char16_t text[8] = {};
  std::copy_n(name.data(), std::min<size_t>(name.size(), 7), text);
  const bool answer = CameraCallback(ctx_, static_cast<int>(name.size()) - 1, text, sizeof block_, &block_);
  if (!answer) {
    ok_ = false;
    // The host terminates its message within the 128 characters; stop there regardless.
    const char16_t* m = block_.message;
    size_t len = 0;
    while (len < std::size(block_.message) && m[len]) ++len;
    CopyError(std::u16string_view(m, len), errLen_, errBuf_);
  }
  return answer;
}

bool Bracket::Lend() {
  lent_ = Send(u"*_LRC");
  return lent_;
}

bool RunInBracket(void* hostContext, Frame* input, Frame* output, int errLen, char16_t* errBuf, GpuState& state,
                  const GpuStep& setup, const GpuStep& work) {
  if (!state.usable) {
    size_t len = 0;
    while (len < std::size(state.setupText) - 1 && state.setupText[len]) ++len;
    CopyError(std::u16string_view(state.setupText, len), errLen, errBuf);
    return false;
  }
  Bracket b(hostContext, input, output, errLen, errBuf);
  b.Lend();
  b.Send(u"*_IRE");
  bool ok = true;
  if (b.glUsable()) {
    if (state.firstRun) {
      state.objectsExist = true;  // a partial set-up leaves objects to release
      std::fill(std::begin(state.setupText), std::end(state.setupText), 0);
      if (!setup(255, state.setupText)) {
        state.usable = false;
        state.setupText[255] = 0;
        CopyError(state.setupText, errLen, errBuf);
        b.Send(u"*_URC");
        return false;
      }
      state.firstRun = false;
    }
    ok = work(errLen, errBuf);
  }
  b.Send(u"*_FRE");
  b.Send(u"*_URC");
  return ok && b.ok();
}

void ReleaseInBracket(void* hostContext, GpuState& state, const std::function<void()>& release) {
  if (!state.objectsExist) return;
  Bracket b(hostContext);
  if (b.Lend()) release();
  b.Send(u"*_URC");
  state.objectsExist = false;
}

}  // namespace gpu
