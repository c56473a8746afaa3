// The maker library that the GPU modules call for shader decoding, text
// objects and data blocks, as named functions. Text objects are the host's
// strings (length at byte 4, characters from byte 8); null handles count as
// empty texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "talvix_types.h"

namespace kavrin {

// Decodes an enciphered shader in place: buf holds the file's n bytes and
// one more. On 0 buf holds the source, zero-terminated; any other answer
// means a wrong key, a file not in this format or a damaged one. The
// constant arguments are as the modules pass them (14, 8, 0, 0).
int DecodeShader(int kind, uint8_t* buf, uint32_t n, int keyLength, const char* key, int, int);
// The enciphered form of a source under an 8-character key.
std::vector<uint8_t> EncodeShader(const std::string& source, const char* key);

// Copies the text into dst: at most hi characters, then a terminator.
void ExportText(int hi, char16_t* dst, HostString s);
// -1, 0 or +1 as a orders before, equal to or after b (by code units).
int CompareText(HostString a, HostString b);
bool IsEmptyText(HostString s);
// Inserts count characters of lit (fewer when it ends first) at pos, clamped
// to the text. The block may move, hence its address.
void InsertText(HostString* s, int count, const char16_t* lit, int pos);
// Follows each insertion; the modules use neither output.
void AfterInsert(HostString s, int* first, int* second);
void AppendText(HostString* main, HostString add);

// Data blocks: allocate a block of at least size bytes for an empty slot, or
// grow the slot's block to at least size bytes keeping its contents.
void AllocateBlock(DataObject* slot, int size);
void GrowBlock(DataObject* slot, int size);

}  // namespace kavrin
