// The module frame that every CPU module links: bounded text copies into host
// buffers, the parameter warnings, the pinning of the host library, the
// module handle and the shared constants.
#pragma once

#include <string_view>

#include "talvix.h"

namespace frame {

// Copies hi + 1 characters of text into buf: the text (cut when longer), then
// zero characters; no terminator when the text fills the buffer.
void CopyText(std::u16string_view text, int hi, char16_t* buf);

// Writes the whole text into a host string, NUL characters included (the
// host's SetString stops at the first NUL, so the rest goes character by
// character). An empty text empties the string.
void SetWholeString(std::u16string_view text, HostString* s);

// Copies a failure text into a run's error buffer (errLen + 1 characters).
// Always answers false, so that a run can `return Fail(...)`.
bool Fail(int errLen, char16_t* errBuf, std::u16string_view text);

// Length of a NUL-terminated text read with at most hi + 1 characters.
size_t BoundedLength(const char16_t* text, int hi);

// "Only the first element of the array would be evaluated in the input data
// object " + name, when the input holds more than one element.
void WarnArrayInput(void* ctx, int nameLen, const char16_t* name);
// "Not acceptable value of the parameter NAME (OLD). It will be used new value NEW."
void WarnIntParameterCorrected(void* ctx, int nameLen, const char16_t* name, int oldValue, int newValue);
void WarnRealParameterCorrected(void* ctx, int nameLen, const char16_t* name, float oldValue, float newValue);
// "Two input arrays (NAME1 and NAME2) have different number of elements."
void WarnArraySizeMismatch(void* ctx, const char16_t* name1, const char16_t* name2);

// Loads the host interface library once more so that it stays mapped.
bool LoadHostLibrary();

// The handle of the module this code is linked into (what Windows hands to
// DllMain), obtained when the module is loaded.
void* ModuleHandle();

extern const double Sqrt3;
extern const double MaxColorDistance;  // 255 * Sqrt3

}  // namespace frame
