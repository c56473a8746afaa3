// The exported interface that every module implements and the host drives.
// Booleans are one byte. Index comparisons are unsigned: a negative index is
// past the end. Texts are copied into host buffers as highest index + 1
// characters, zero-filled behind the text and not terminated when full.
//
// Instance handles: a method object (object modules; null or -1 means none)
// or the method index itself (stateless modules, where 0 is a valid handle).
// The module owns its instances from InitMethod to DoneMethod/DoneMethod2.
#pragma once

#include "talvix_types.h"

#if defined(__GNUC__)
#define MODULE_API __attribute__((visibility("default")))
#else
#define MODULE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef bool (*InitFn)(void);
typedef void (*DoneFn)(void);
typedef bool (*EnumerateMethodsCategoriesFn)(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                             int* categoryId, HostIcon* icon);
typedef bool (*EnumerateMethodsFn)(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                   HostIcon* icon, bool* gpuFlag);
typedef bool (*EnumerateMethodsSortFn)(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                       HostIcon* icon, bool* gpuFlag, int* sortKey);
typedef bool (*EnumerateMethodsSortWithPropertiesFn)(int index, int idLen, char16_t* idBuf, int descLen,
                                                     char16_t* descBuf, HostIcon* icon, bool* gpuFlag, int* sortKey,
                                                     int* properties);
typedef bool (*EnumerateMethodInputsFn)(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                        int nameLen, char16_t* nameBuf);
typedef bool (*EnumerateMethodOutputsFn)(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf);
typedef intptr_t (*InitMethodFn)(int methodIndex);
typedef bool (*RunMethodFn)(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                            intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf);
typedef void (*DoneMethodFn)(intptr_t handle);
typedef void (*DoneMethod2Fn)(intptr_t handle, void* hostContext);

#ifdef __cplusplus
}  // extern "C"
#endif
