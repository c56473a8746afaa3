// Result texts: EAN/UPC layouts with their check digits and parities, Code 39
// always read as Full ASCII, Code 128 code sets with SHIFT, FNC4 and GS1.
#include "decoder/code_text.h"

#include <algorithm>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/tables.h"
#include "kavrin.h"
#include "talvix.h"

namespace hoskin {

namespace {

// Marks an FNC1 until its identifier is put in parentheses. One that no
// identifier follows becomes the separator that GS1 transmits for FNC1, so
// that no text holds the non-character.
constexpr char16_t kFnc1Marker = 0xFFFF;
constexpr char16_t kGroupSeparator = 0x1D;

void Append(HostString* text, char16_t c) { SetStringChar(GetStringLength(text), c, text); }

void Insert(HostString* text, const char16_t* literal, int count, int position) {
  kavrin::InsertText(text, count, literal, position);
  int first = 0, second = 0;
  kavrin::AfterInsert(*text, &first, &second);
}

char16_t CharAt(HostString* text, int position) {
  char16_t c = 0;
  GetStringChar(position, text, &c);
  return c;
}

bool Reject(HostString* text) {
  SetZeroString(text);
  return false;
}

bool DigitsAt(HostString* text, std::initializer_list<std::pair<int, int>> ranges) {
  for (auto [from, to] : ranges) {
    for (int i = from; i <= to; ++i) {
      const char16_t c = CharAt(text, i);
      if (c < u'0' || c > u'9') return false;
    }
  }
  return true;
}

bool Ean8Text(HostString* text, const int* digits) {
  int sum = 0;
  for (int i = 0; i < 8; ++i) {
    sum += digits[i] * (i % 2 == 0 && i < 7 ? 3 : 1);
    Append(text, static_cast<char16_t>(u'0' + digits[i]));
  }
  if (sum % 10 != 0) return false;
  Insert(text, u" ", 1, 4);
  return GetStringLength(text) == 9 && DigitsAt(text, {{0, 3}, {5, 8}});
}

bool Ean13Text(HostString* text, const int* digits, const uint8_t* parity) {
  int first = -1;
  for (int row = 0; row < 10 && first < 0; ++row) {
    if (std::equal(parity, parity + 6, kEan13Parity[row])) first = row;
  }
  if (first < 0) return false;
  for (int i = 0; i < 12; ++i) Append(text, static_cast<char16_t>(u'0' + digits[i]));
  Insert(text, u"  ", 2, 0);
  SetStringChar(0, static_cast<char16_t>(u'0' + first), text);
  // Weights 1 and 3 alternate from the first digit; the check digit weighs 1.
  int sum = first;
  for (int i = 0; i < 12; ++i) sum += digits[i] * (i % 2 == 0 ? 3 : 1);
  if (sum % 10 != 0) return false;
  Insert(text, u" ", 1, 8);
  return GetStringLength(text) == 15 && DigitsAt(text, {{0, 0}, {2, 7}, {9, 14}});
}

// The check digit of the UPC-A that a UPC-E stands for (ISO/IEC 15420's
// zero suppression, chosen by the last of the six digits).
int UpcACheck(int system, const int* d) {
  int a[11] = {system};
  const int last = d[5];
  if (last <= 2) {
    const int body[10] = {d[0], d[1], last, 0, 0, 0, 0, d[2], d[3], d[4]};
    std::copy(body, body + 10, a + 1);
  } else if (last == 3) {
    const int body[10] = {d[0], d[1], d[2], 0, 0, 0, 0, 0, d[3], d[4]};
    std::copy(body, body + 10, a + 1);
  } else if (last == 4) {
    const int body[10] = {d[0], d[1], d[2], d[3], 0, 0, 0, 0, 0, d[4]};
    std::copy(body, body + 10, a + 1);
  } else {
    const int body[10] = {d[0], d[1], d[2], d[3], d[4], 0, 0, 0, 0, last};
    std::copy(body, body + 10, a + 1);
  }
  int sum = 0;
  for (int i = 0; i < 11; ++i) sum += a[i] * (i % 2 == 0 ? 3 : 1);
  return (10 - sum % 10) % 10;
}

bool UpcEText(HostString* text, const int* digits, const uint8_t* parity) {
  int system = -1, check = -1;
  for (int s = 0; s < 2 && system < 0; ++s) {
    for (int row = 0; row < 10; ++row) {
      if (std::equal(parity, parity + 6, kUpcEParity[s][row])) {
        system = s, check = row;
        break;
      }
    }
  }
  // The parity row gives a check digit but checks nothing by itself: a
  // shifted or upside-down read, or half an EAN-13, finds a row as easily.
  if (system < 0 || UpcACheck(system, digits) != check) return false;
  for (int i = 0; i < 6; ++i) Append(text, static_cast<char16_t>(u'0' + digits[i]));
  Insert(text, u" ", 1, 0);
  SetStringChar(0, static_cast<char16_t>(u'0' + system), text);
  Append(text, u' ');
  Append(text, static_cast<char16_t>(u'0' + check));
  return true;
}

// Values of "$", "/", "+" and "%", and of the letters that they pair with.
bool IsCode39Shift(int v) { return v >= 39 && v <= 42; }
bool IsCode39Letter(int v) { return v >= 10 && v <= 35; }

// A last "$", "/", "+" or "%" that is the sum of the values before it mod
// 43 is taken for the check character: it pairs with nothing, so it neither
// decides Full ASCII nor shifts, and it is kept as printed.
int Code39DataCount(int count, const int* values) {
  if (count < 2 || !IsCode39Shift(values[count - 1])) return count;
  int sum = 0;
  for (int i = 0; i < count - 1; ++i) sum += values[i];
  return sum % 43 == values[count - 1] ? count - 1 : count;
}

// Full ASCII when every "$", "/", "+" and "%" starts a pair with a letter;
// any other text is plain Code 39 and reads as printed.
void Code39Text(HostString* text, int count, const int* values) {
  const int data = Code39DataCount(count, values);
  bool fullAscii = true;
  for (int i = 0; i < data && fullAscii; ++i) {
    if (!IsCode39Shift(values[i])) continue;
    fullAscii = i + 1 < data && IsCode39Letter(values[i + 1]);
    ++i;  // the letter is taken by the pair
  }
  int shift = 0;
  for (int i = 0; i < count; ++i) {
    const int v = values[i];
    if (fullAscii && i < data && IsCode39Shift(v)) {
      shift = v - 38;
      continue;
    }
    Append(text, kCode39[v].text[shift]);
    shift = 0;
  }
}

// The identifier of a GS1 row is compared by its own size: a 2-digit number
// for ranges below 100, 3 digits below 1000, else 4.
int RangeDigits(const Gs1Row& row) { return row.last < 100 ? 2 : row.last < 1000 ? 3 : 4; }

void ResolveGs1(HostString* text) {
  int m = 0;
  while (m < GetStringLength(text)) {
    if (CharAt(text, m) != kFnc1Marker) {
      ++m;
      continue;
    }
    const int after = GetStringLength(text) - m - 1;
    if (after < 2) break;
    int numbers[5] = {};
    for (int d = 2; d <= 4 && d <= after; ++d) {
      int v = 0;
      for (int i = 1; i <= d; ++i) v = 10 * v + (CharAt(text, m + i) - u'0');
      numbers[d] = v;
    }
    const Gs1Row* found = nullptr;
    for (const Gs1Row& row : kGs1Identifiers) {
      const int d = RangeDigits(row);
      if (d <= after && numbers[d] >= row.first && numbers[d] <= row.last && row.digits <= after) {
        found = &row;
        break;
      }
    }
    if (!found) {
      ++m;  // stays as the marker
      continue;
    }
    SetStringChar(m, u'(', text);
    Insert(text, u")", 1, m + 1 + found->digits);
    const int predefined = Gs1PredefinedLength(numbers[2]);
    m += 2 + found->digits;
    if (predefined > found->digits) m += predefined - found->digits;
  }
  for (int i = 0; i < GetStringLength(text); ++i) {
    if (CharAt(text, i) == kFnc1Marker) SetStringChar(i, kGroupSeparator, text);
  }
}

bool Code128Text(HostString* text, int startSet, int count, const int* values) {
  const int data = count - 1;
  int check = 102 + startSet;
  for (int i = 0; i < data; ++i) check += (i + 1) * values[i];
  if (check % 103 != values[data]) return false;

  int set = startSet;  // 1 A, 2 B, 3 C
  bool shift = false, latch = false, gs1 = false;
  int pending = 0, fnc4Run = 0;
  for (int i = 0; i < data; ++i) {
    const int v = values[i];
    const bool fnc4 = (set == 1 && v == 101) || (set == 2 && v == 100);
    if (v < 96) {
      if (set == 3) {
        Append(text, static_cast<char16_t>(u'0' + v / 10));
        Append(text, static_cast<char16_t>(u'0' + v % 10));
      } else {
        const bool columnA = (set == 1) != shift;
        const int c = columnA && v >= 64 ? v - 64 : v + 32;
        Append(text, static_cast<char16_t>(c + pending));
      }
      shift = false;
      pending = latch ? 128 : 0;
    } else if (set == 3 && v < 100) {
      Append(text, static_cast<char16_t>(u'0' + v / 10));
      Append(text, static_cast<char16_t>(u'0' + v % 10));
    } else if (v == 98) {
      shift = true;
    } else if (v == 99) {
      set = 3, shift = false;
    } else if (fnc4) {
      // FNC4s count in pairs: a pair toggles the latch, a lone one turns the
      // next character the other way (so a third in a row is a lone one).
      if (++fnc4Run % 2 == 0) {
        latch = !latch;
        pending = latch ? 128 : 0;
      } else {
        pending = latch ? 0 : 128;
      }
    } else if (v == 100) {
      set = 2;
    } else if (v == 101) {
      set = 1;
    } else if (v == 102) {
      if (i == 0) gs1 = true;
      if (gs1) Append(text, kFnc1Marker);
    } else if (v >= 103 && v <= 105) {
      set = v - 102;
    }
    if (!fnc4) fnc4Run = 0;
  }
  if (gs1) ResolveGs1(text);
  return true;
}

}  // namespace

bool BuildCodeTextFromValues(int type, HostString* text, int startSet, int count, const uint8_t* parity,
                             const int* values) {
  SetZeroString(text);
  std::vector<int> digits(values, values + count);
  for (int& d : digits) d %= 10;
  bool ok = false;
  switch (type) {
    case kEan8:
      ok = count == 8 && Ean8Text(text, digits.data());
      break;
    case kEan13:
      ok = count == 12 && Ean13Text(text, digits.data(), parity);
      break;
    case kUpcE:
      ok = count == 6 && UpcEText(text, digits.data(), parity);
      break;
    case kEan2:
      ok = count == 2 && std::equal(parity, parity + 2, kEan2Parity[(10 * digits[0] + digits[1]) % 4]);
      if (ok) Append(text, static_cast<char16_t>(u'0' + digits[0])), Append(text, static_cast<char16_t>(u'0' + digits[1]));
      break;
    case kEan5:
      ok = count == 5;
      for (int i = 0; ok && i < 5; ++i) Append(text, static_cast<char16_t>(u'0' + digits[i]));
      break;
    case kCode39Type:
      Code39Text(text, count, values);
      ok = true;
      break;
    case kCode128Type:
      ok = count >= 1 && startSet >= 1 && startSet <= 3 && Code128Text(text, startSet, count, values);
      break;
    default:
      break;
  }
  return ok || Reject(text);
}

bool BuildCodeText(int type, HostString* text, int startSet, int count, const uint8_t* parity,
                   const SymbolRecord* symbols) {
  std::vector<int> values(count);
  for (int i = 0; i < count; ++i) values[i] = symbols[i].value;
  return BuildCodeTextFromValues(type, text, startSet, count, parity, values.data());
}

}  // namespace hoskin
