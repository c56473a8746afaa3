// The C exports that a module answers straight from its catalogue. A module
// expands the ones it has once, inside its extern "C" block, next to its own
// InitMethod, RunMethod and DoneMethod.
#pragma once

#include "frame/catalogue.h"
#include "module_api.h"

// The category and method enumerators, inputs and outputs, for a module that
// has its own Init and Done.
#define VISION_CATALOGUE_ENUMERATORS(cat)                                                                           \
  MODULE_API bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,  \
                                             int* categoryId, HostIcon* icon) {                                     \
    return (cat).EnumerateMethodsCategories(methodIndex, path, level, nameLen, nameBuf, categoryId, icon);          \
  }                                                                                                                 \
  MODULE_API bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,           \
                                   HostIcon* icon, bool* gpuFlag) {                                                 \
    return (cat).EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);                            \
  }                                                                                                                 \
  MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf, \
                                        int nameLen, char16_t* nameBuf) {                                           \
    return (cat).EnumerateMethodInputs(methodIndex, paramIndex, type, propLen, propBuf, nameLen, nameBuf);          \
  }                                                                                                                 \
  MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) { \
    return (cat).EnumerateMethodOutputs(methodIndex, paramIndex, type, nameLen, nameBuf);                           \
  }

// Init, Done, the category and method enumerators, inputs and outputs.
#define VISION_CATALOGUE_EXPORTS(cat)                                                                               \
  MODULE_API bool Init(void) { return (cat).Init(); }                                                               \
  MODULE_API void Done(void) { (cat).Done(); }                                                                      \
  VISION_CATALOGUE_ENUMERATORS(cat)

// EnumerateMethodsSort, for modules that give sort keys.
#define VISION_SORT_EXPORT(cat)                                                                                     \
  MODULE_API bool EnumerateMethodsSort(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,       \
                                       HostIcon* icon, bool* gpuFlag, int* sortKey) {                               \
    return (cat).EnumerateMethodsSort(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag, sortKey);               \
  }

// EnumerateMethodsSortWithProperties, for modules that give properties too.
#define VISION_SORT_WITH_PROPERTIES_EXPORT(cat)                                                                     \
  MODULE_API bool EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen,            \
                                                     char16_t* descBuf, HostIcon* icon, bool* gpuFlag,              \
                                                     int* sortKey, int* properties) {                               \
    return (cat).EnumerateMethodsSortWithProperties(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag, sortKey,  \
                                                    properties);                                                    \
  }
