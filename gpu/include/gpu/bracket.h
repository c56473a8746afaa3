// The host bracket around every piece of OpenGL work of a GPU method: named
// requests through CameraCallback that lend the host's context to the module
// and take it back.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "talvix.h"

namespace gpu {

// The block that travels with every request of one sequence. The message
// area is written only by the host (its reason when it refuses). The frame
// pointers are pointer-sized, so the later fields sit 8 bytes further than in
// a 32-bit build.
struct ServiceBlock {
  char16_t message[128];
  Frame* input;
  Frame* output;
  uint32_t hostTexture;  // written by the host after "*_PT0"
  int32_t first;         // the feature module's own requests only
  int32_t second;
  uint32_t hostWord;  // written by the host, unused
};
static_assert(sizeof(ServiceBlock) == 288);
static_assert(offsetof(ServiceBlock, input) == 256);
static_assert(offsetof(ServiceBlock, output) == 264);
static_assert(offsetof(ServiceBlock, hostTexture) == 272);
static_assert(offsetof(ServiceBlock, first) == 276);
static_assert(offsetof(ServiceBlock, second) == 280);

// Copies text into errBuf: at most errLen characters, then a terminator
// (nothing when errLen < 0 or errBuf is null).
void CopyError(std::u16string_view text, int errLen, char16_t* errBuf);

// One sequence of requests. The block is zeroed and filled once, and passed
// unchanged to every request, so the host's message of one request stays for
// the next.
class Bracket {
 public:
  // A run's bracket: every refusal copies the host's message into errBuf.
  Bracket(void* hostContext, Frame* input, Frame* output, int errLen, char16_t* errBuf);
  // A release's bracket: no frames, answers ignored.
  explicit Bracket(void* hostContext);

  // Sends one request and answers the host's answer.
  bool Send(std::u16string_view name);
  // "*_LRC": the context may be used only when the host lent it.
  bool Lend();
  bool glUsable() const { return lent_; }
  // False once any request was refused.
  bool ok() const { return ok_; }
  ServiceBlock& block() { return block_; }

 private:
  void* ctx_;
  ServiceBlock block_;
  int errLen_;
  char16_t* errBuf_;
  bool ok_ = true;
  bool lent_ = false;
};

// What a GPU method object keeps about its GPU set-up between runs.
struct GpuState {
  bool firstRun = true;      // the set-up happens in the next lent run
  bool usable = true;        // cleared for good when the set-up fails
  bool objectsExist = false;  // the release touches OpenGL only then
  char16_t setupText[256] = {};  // the set-up failure, highest index 255
};

// A run in the usual sequence: "*_LRC", "*_IRE", the set-up on the first run,
// the work, "*_FRE", "*_URC". An object whose set-up failed once answers false
// at once with that text and sends nothing. A refused request never stops the
// sequence; it turns the answer false with the host's text. Without a lent
// context no GL step runs. When the set-up fails only "*_URC" follows.
// setup and work answer false with their text in (errLen, errBuf).
using GpuStep = std::function<bool(int errLen, char16_t* errBuf)>;
bool RunInBracket(void* hostContext, Frame* input, Frame* output, int errLen, char16_t* errBuf, GpuState& state,
                  const GpuStep& setup, const GpuStep& work);

// The release: "*_LRC", the release, "*_URC" when GPU objects exist; nothing
// otherwise. Answers are ignored; the release runs only on a lent context.
void ReleaseInBracket(void* hostContext, GpuState& state, const std::function<void()>& release);

}  // namespace gpu
