// One loop over the codewords with the current encodation as its state.
// Every encodation but Base 256 leaves for ASCII on its own unlatch; a final
// codeword too few for a C40/Text/X12 pair is ASCII, and so are the final
// one or two codewords of EDIFACT unless they hold a value and its unlatch.
// The first pad codeword ends the data: the randomised pads after it are
// not text, whichever values they take.
#include "dm_decode.h"

#include <algorithm>

namespace dunsel {

namespace {

enum class Mode { Ascii, C40, Text, X12, Edifact, Base256 };

constexpr int kPad = 129, kC40 = 230, kBase256 = 231, kFnc1 = 232, kStructuredAppend = 233, kUpperShift = 235,
              kX12 = 238, kText = 239, kEdifact = 240, kEci = 241, kUnlatch = 254;

// A Base 256 codeword back to its byte.
int Unrandomise255(int codeword, int position) { return ((codeword - (149 * position) % 255 - 1) % 256 + 256) % 256; }

class Decoder {
 public:
  Decoder(const uint8_t* cw, int count, std::u16string& text) : cw_(cw), n_(count), text_(text) {}

  void Run() {
    while (i_ < n_) {
      switch (mode_) {
        case Mode::Ascii: Ascii(); break;
        case Mode::C40:
        case Mode::Text:
        case Mode::X12: Triplet(); break;
        case Mode::Edifact: Edifact(); break;
        case Mode::Base256: Base256(); break;
      }
    }
  }

 private:
  void Put(int ch) {
    if (upper_) ch += 128;
    upper_ = false;
    text_.push_back(static_cast<char16_t>(ch));
  }

  void Ascii() {
    const int c = cw_[i_];
    const int position = ++i_;
    if (c >= 1 && c <= 128) {
      Put(c - 1);
    } else if (c >= 130 && c <= 229) {
      text_.push_back(static_cast<char16_t>(u'0' + (c - 130) / 10));
      text_.push_back(static_cast<char16_t>(u'0' + (c - 130) % 10));
    } else if (c == kFnc1) {
      // Leading FNC1 marks the symbology's data format; elsewhere it
      // separates fields.
      if (position > 2) text_.push_back(29);
    } else if (c == kUpperShift) {
      upper_ = true;
    } else if (c == kEci) {
      if (i_ >= n_) return;
      const int d = cw_[i_];
      i_ += d <= 127 ? 1 : d <= 191 ? 2 : d <= 207 ? 3 : 1;
      if (i_ > n_) i_ = n_;
    } else if (c == kStructuredAppend) {
      // Symbol sequence and file identification: no text.
      i_ = std::min(i_ + 3, n_);
    } else if (c == kPad) {
      i_ = n_;
    } else if (c == kC40) {
      mode_ = Mode::C40;
    } else if (c == kText) {
      mode_ = Mode::Text;
    } else if (c == kX12) {
      mode_ = Mode::X12;
    } else if (c == kEdifact) {
      mode_ = Mode::Edifact;
    } else if (c == kBase256) {
      mode_ = Mode::Base256;
    }
    // 0, Reader Programming, the two macros and 242 to 255 give nothing.
  }

  // C40, Text and X12: three values from each pair of codewords.
  void Triplet() {
    if (cw_[i_] == kUnlatch) {
      ++i_;
      Leave();
      return;
    }
    if (n_ - i_ < 2) {
      Leave();
      return;
    }
    const int v = 256 * cw_[i_] + cw_[i_ + 1] - 1;
    i_ += 2;
    const int values[3] = {v / 1600, (v / 40) % 40, v % 40};
    for (int value : values) mode_ == Mode::X12 ? X12Value(value) : C40Value(value);
  }

  void Leave() {
    mode_ = Mode::Ascii;
    shift_ = 0;
  }

  void C40Value(int v) {
    const bool text = mode_ == Mode::Text;
    const int shift = shift_;
    shift_ = 0;
    switch (shift) {
      case 0:
        if (v <= 2) shift_ = v + 1;
        else if (v == 3) Put(' ');
        else if (v <= 13) Put('0' + v - 4);
        else if (v <= 39) Put((text ? 'a' : 'A') + v - 14);
        break;
      case 1:
        if (v <= 31) Put(v);
        break;
      case 2:
        if (v <= 14) Put(33 + v);
        else if (v <= 21) Put(58 + v - 15);
        else if (v <= 26) Put(91 + v - 22);
        else if (v == 27) Put(29);
        else if (v == 30) upper_ = true;
        break;
      case 3:
        if (!text) {
          if (v <= 31) Put(96 + v);
        } else if (v == 0) {
          Put(96);
        } else if (v <= 26) {
          Put('A' + v - 1);
        } else if (v <= 31) {
          Put(123 + v - 27);
        }
        break;
    }
  }

  void X12Value(int v) {
    if (v == 0) Put(13);
    else if (v == 1) Put('*');
    else if (v == 2) Put('>');
    else if (v == 3) Put(' ');
    else if (v <= 13) Put('0' + v - 4);
    else if (v <= 39) Put('A' + v - 14);
  }

  // Four 6-bit values from each three codewords. The unlatch (31) in value
  // k ends EDIFACT at the codeword that holds its last bit, ceil(6k / 8);
  // the rest of that codeword is filler and ASCII resumes after it.
  void Edifact() {
    const int left = n_ - i_;
    if (left < 3) {
      EdifactTail(left);
      return;
    }
    const int bits = (cw_[i_] << 16) | (cw_[i_ + 1] << 8) | cw_[i_ + 2];
    for (int k = 0; k < 4; ++k) {
      const int v = (bits >> (18 - 6 * k)) & 63;
      if (v == 31) {
        i_ += (6 * (k + 1) + 7) / 8;
        Leave();
        return;
      }
      EdifactValue(v);
    }
    i_ += 3;
  }

  // One or two codewords left: the encoder writes the last characters in
  // ASCII with the unlatch implied, or one value and the unlatch in two
  // codewords, the second 240 to 255, which holds no ASCII character.
  void EdifactTail(int left) {
    if (left == 2 && (((cw_[i_] & 3) << 4) | (cw_[i_ + 1] >> 4)) == 31) {
      EdifactValue(cw_[i_] >> 2);
      i_ += 2;
    }
    Leave();
  }

  void EdifactValue(int v) { Put(v < 31 ? v + 64 : v); }

  void Base256() {
    mode_ = Mode::Ascii;
    if (n_ - i_ < 2) {
      i_ = n_;
      return;
    }
    const int d1 = Unrandomise255(cw_[i_], i_ + 1);
    ++i_;
    int length;
    if (d1 == 0) {
      length = n_ - i_;
    } else if (d1 <= 249) {
      length = d1;
    } else {
      const int d2 = Unrandomise255(cw_[i_], i_ + 1);
      ++i_;
      length = 250 * (d1 - 249) + d2;
    }
    const int end = std::min(n_, i_ + length);
    for (; i_ < end; ++i_) text_.push_back(static_cast<char16_t>(Unrandomise255(cw_[i_], i_ + 1)));
  }

  const uint8_t* cw_;
  int n_;
  std::u16string& text_;
  int i_ = 0;
  Mode mode_ = Mode::Ascii;
  int shift_ = 0;       // C40/Text shift set for the next value
  bool upper_ = false;  // Upper Shift pending
};

}  // namespace

void DecodeDataCodewords(const uint8_t* codewords, int count, std::u16string& text) {
  if (!codewords || count <= 0) return;
  Decoder(codewords, count, text).Run();
}

}  // namespace dunsel
