// Records, codes and callbacks shared by the modules and the host interface
// library. Plain C layout: modules read and write these through pointers
// that the host hands out during a run.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#include <cstdbool>
#else
#include <stdbool.h>
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Parameter type codes reported by the catalogue for each input and output.
enum ParameterType {
  ptFrame = 1,
  ptCoordinateSystem = 2,
  ptRectangularRegion = 3,
  ptRingRegion = 4,
  ptRectangle = 5,
  ptRing = 6,
  ptPoint = 7,
  ptLine = 8,
  ptColor = 9,
  ptNumber = 10,
  ptString = 11,
  ptFlag = 12,
  ptDataObject = 13,
};

// Frame header: a 40-byte device-independent bitmap header followed directly
// by the pixel rows (padded to 4 bytes, memory row 0 = bottom line of the
// picture, bytes B, G, R(, A)). There is never a palette.
typedef struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;  // the host's "depth": rows, > 0 (bottom-up)
  uint16_t biPlanes;
  uint16_t biBitCount;  // 8, 24 or 32
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} BitmapInfoHeader;

typedef BitmapInfoHeader Frame;

// Colour components in 0..1.
typedef struct TColor {
  double R, G, B, A;
} TColor;

typedef struct TPoint {
  double x, y;
} TPoint;

typedef struct TLine {
  double x0, y0, x1, y1;
} TLine;

// Angle in degrees.
typedef struct TCoordinateSystem {
  double x, y, angle;
} TCoordinateSystem;

// Centre, width, height ("depth") and angle in degrees. A positive angle
// turns +x towards +y (memory rows). Axes: u = (cos a, sin a), v = (-sin a, cos a).
typedef struct TRectangle {
  double cx, cy, width, height, angle;
} TRectangle;

typedef struct TRectangularRegion {
  double cx, cy, width, height, angle;
} TRectangularRegion;

// Centre, two radii (unordered: the annulus runs from the smaller to the
// larger) and the sweep from a1 to a2 in degrees; a sweep of 0 mod 360 is a
// full turn. A circle uses r1.
typedef struct TRing {
  double cx, cy, r1, r2, a1, a2;
} TRing;

typedef struct TRingRegion {
  double cx, cy, r1, r2, a1, a2;
} TRingRegion;

// A host string block: capacity (characters, host-owned) at byte 0, length at
// byte 4, 16-bit characters from byte 8. The host keeps a NUL after the last
// character. A HostString is the handle (pointer to the block); getters hand
// out the address of the slot that holds the handle.
typedef struct HostStringBlock {
  int32_t capacity;
  int32_t length;
  char16_t chars[1];
} HostStringBlock;
typedef HostStringBlock* HostString;

// A data object block: capacity in bytes at 0, length at 4, data from 8.
typedef struct DataBlock {
  int32_t capacity;
  int32_t length;
  uint8_t data[8];
} DataBlock;
typedef DataBlock* DataObject;

typedef struct FloatVec2 {
  float x, y;
} FloatVec2;

// Row-major, applied to column vectors (x, y, 1).
typedef struct FloatMatrix3x3 {
  float m[3][3];
} FloatMatrix3x3;

typedef struct FloatMatrix2x2 {
  float m[2][2];
} FloatMatrix2x2;

// Called by the host's scans for each sample; false stops the scan.
typedef bool (*PixelCallback)(void* user, int x, int y, unsigned value);

// Icon handles are opaque tokens of the host.
typedef void* HostIcon;

// Resources that a module carries (Linux has no resource sections). Each
// module exports TalvixModuleResources(), which the host looks up through the
// module handle in GetResourceIconAddress.
typedef struct ModuleResource {
  int32_t type;    // 4192 for icons
  int32_t number;  // resource number
  uint32_t size;   // bytes of data
  const uint8_t* data;  // a 32-bit BMP file image
} ModuleResource;

typedef struct ModuleResourceTable {
  uint32_t count;
  const ModuleResource* entries;
} ModuleResourceTable;

typedef const ModuleResourceTable* (*TalvixModuleResourcesFn)(void);

enum { kIconResourceType = 4192 };

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(bool) == 1, "interface booleans are one byte");
static_assert(sizeof(BitmapInfoHeader) == 40, "DIB header is 40 bytes");
static_assert(sizeof(TColor) == 32);
static_assert(sizeof(TRectangularRegion) == 40);
static_assert(sizeof(TRing) == 48);
static_assert(offsetof(HostStringBlock, length) == 4);
static_assert(offsetof(HostStringBlock, chars) == 8);
static_assert(offsetof(DataBlock, data) == 8);
#endif
