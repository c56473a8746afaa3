// The host interface library: every function that the modules call during a
// run. Texts travel as (highest index, pointer): the host reads at most
// highest index + 1 characters and stops at the first NUL; any highest index
// >= 0 is accepted. hostContext is the run's opaque context.
//
// Ownership: the host owns frames and parameter storage. Pointers that a
// getter hands out stay valid (and do not move when arrays grow) until the
// RunMethod call that received them returns. Scan and geometry functions are
// pure and safe to call from any thread; functions that change run state
// (drawing, warnings, output growth, strings) lock the context.
#pragma once

#include "talvix_types.h"

#if defined(__GNUC__)
#define TALVIX_API __attribute__((visibility("default")))
#else
#define TALVIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- Parameters and arrays ----------------------------------------------

// Name of entry i of an input or output list (the pair RunMethod received).
// Writes at most hi characters and a NUL; false (buf untouched) when i is out
// of range or the entry is not connected.
TALVIX_API bool GetParameterName(intptr_t list, const void* names, int i, int hi, char16_t* buf);

// Element getters: *out points into the element's storage. False for an
// unknown name, a type mismatch, an input without a value, elem < 0 or elem
// above an input's highest index. An output element past the end grows the
// array with zeroed elements. The 5-double types (3, 5) and the 6-double
// types (4, 6) are interchangeable.
TALVIX_API bool GetNumber(void* ctx, int hi, const char16_t* name, int elem, double** out);
TALVIX_API bool GetNumberTransformFlag(void* ctx, int hi, const char16_t* name, int elem, double** out,
                                       bool* inFrame);
TALVIX_API bool GetFlag(void* ctx, int hi, const char16_t* name, int elem, bool** out);
TALVIX_API bool GetColor(void* ctx, int hi, const char16_t* name, int elem, TColor** out);
TALVIX_API bool GetPoint(void* ctx, int hi, const char16_t* name, int elem, TPoint** out);
TALVIX_API bool GetLine(void* ctx, int hi, const char16_t* name, int elem, TLine** out);
TALVIX_API bool GetRectangle(void* ctx, int hi, const char16_t* name, int elem, TRectangle** out);
TALVIX_API bool GetRing(void* ctx, int hi, const char16_t* name, int elem, TRing** out);
TALVIX_API bool GetRectangularRegion(void* ctx, int hi, const char16_t* name, int elem, TRectangularRegion** out);
TALVIX_API bool GetRingRegion(void* ctx, int hi, const char16_t* name, int elem, TRingRegion** out);
TALVIX_API bool GetCoordinateSystem(void* ctx, int hi, const char16_t* name, int elem, TCoordinateSystem** out);
// *out is the address of the slot that holds the string handle. A new output
// element holds an empty, non-null block.
TALVIX_API bool GetString(void* ctx, int hi, const char16_t* name, int elem, HostString** out);
// *out is the address of the slot that holds the data block pointer (null: no block).
TALVIX_API bool GetData(void* ctx, int hi, const char16_t* name, int elem, DataObject** out);

// Highest valid index: 0 for a single value, -1 for an empty array. False for
// an unknown name or an input without a value (*n untouched).
TALVIX_API bool GetObjectMaxIndex(void* ctx, int hi, const char16_t* name, int* n);
// Final highest index of an output; elements already written are kept, any
// n < 0 means empty. Unknown names and inputs are ignored.
TALVIX_API void SetObjectMaxIndex(void* ctx, int hi, const char16_t* name, int n);

// ---- Frames ---------------------------------------------------------------

TALVIX_API bool GetInputFrame(void* ctx, int hi, const char16_t* name, Frame** out);
// Stamps change when the frame changes and are never 0 or -1.
TALVIX_API bool GetInputFrameTimestamp(void* ctx, int hi, const char16_t* name, Frame** out, int32_t* stamp);
// A zero-filled frame of exactly w x d x bpp (8, 24 or 32) under any name;
// the same geometry again returns the same frame with its contents.
TALVIX_API bool GetOutputFrame(void* ctx, int hi, const char16_t* name, Frame** out, int w, int d, int bpp);
TALVIX_API int GetFrameWidth(const Frame* f);
TALVIX_API int GetFrameDepth(const Frame* f);
TALVIX_API int GetFrameBPP(const Frame* f);
TALVIX_API uint8_t* GetFrameDataAddr(Frame* f);
TALVIX_API int GetFrameSize(const Frame* f);
TALVIX_API int GetFrameDataSize(const Frame* f);
TALVIX_API int GetFrameSizeParam(int w, int d, int bpp);
TALVIX_API void InitFrameDIB(void* mem, int w, int d, int bpp);

// ---- Strings ----------------------------------------------------------------

TALVIX_API void SetString(int hi, const char16_t* text, HostString* s);
TALVIX_API void SetZeroString(HostString* s);
TALVIX_API void SetStringChar(int pos, char16_t ch, HostString* s);
TALVIX_API bool GetStringChar(int pos, const HostString* s, char16_t* ch);
TALVIX_API int GetStringLength(const HostString* s);
// Frees a module-owned string block and nulls the handle.
TALVIX_API void FreeHostString(HostString* s);

// ---- Scans and regions --------------------------------------------------------
// Modes: 1 grey (8 bpp the byte, colour (R+G+B)/3); 0 and 5 packed colour
// (A<<24 | R<<16 | G<<8 | B, grey frames as 0xFF000000 | v*0x010101);
// 2, 3, 4 the R, G or B byte. Other modes act as 1. A null region is the
// whole frame.

TALVIX_API void ScanLine(const Frame* f, const TRectangularRegion* region, const TLine* line, int mode, void* user,
                         PixelCallback cb);
TALVIX_API void ScanRectangularRegion(const Frame* f, const TRectangularRegion* region, int mode, void* user,
                                      PixelCallback cb);
TALVIX_API void ScanRing(const Frame* f, const TRing* ring, int mode, void* user, int step, PixelCallback cb);
TALVIX_API bool GetScanRectangularRegionLine(const Frame* f, const TRectangularRegion* region, int count, int i,
                                             double angle, int* x0, int* y0, int* x1, int* y1);
TALVIX_API bool GetScanRingRegionArc(const Frame* f, const TRingRegion* region, int arcs, int i, TRing* arc);
TALVIX_API bool GetScanRingRegionSpoke(const Frame* f, const TRingRegion* region, int count, int i, int* x0, int* y0,
                                       int* x1, int* y1);
TALVIX_API bool GetScanPoints(const Frame* f, const TRectangularRegion* region, int vCount, int hCount, int index,
                              int mode, int reserved, int* x, int* y, unsigned* value);
// The last two arguments (sine and cosine of the angle, in either order) are
// ignored: the region's own angle is used. A null region means the frame.
TALVIX_API bool PixelInRectangularRegion(const Frame* f, const TRectangularRegion* region, TPoint p, double a,
                                         double b);
TALVIX_API bool PixelInRingRegion(const Frame* f, const TRingRegion* region, TPoint p);
TALVIX_API void CountRectRegionLeftBottomPoint(const TRectangularRegion* region, int* x0, int* y0);
TALVIX_API bool ClipLine(const Frame* f, const TRectangularRegion* region, double x0, double y0, double x1, double y1,
                         double* ox0, double* oy0, double* ox1, double* oy1);

// ---- Geometry and numbers ---------------------------------------------------------

// Nearest integer, halves away from zero; NaN, inf and out-of-range give INT_MIN.
TALVIX_API int RoundReal(float v);
// In place into [0, 360).
TALVIX_API void NormalizeDegreeLongreal(double* a);
TALVIX_API double DegRATan(double x);
// Run coordinate system -> frame.
TALVIX_API void TransformPoint(void* ctx, double x, double y, double* ox, double* oy);
TALVIX_API void TransformAngle(void* ctx, double a, double* out);
// Frame -> run coordinate system.
TALVIX_API void InvTransformPoint(void* ctx, double x, double y, double* ox, double* oy);
TALVIX_API void InvTransformAngle(void* ctx, double a, double* out);

// ---- 2D vectors and matrices (each operation applies after M: M <- Op * M) --------

TALVIX_API FloatVec2 InitFloatVec2(float x, float y);
TALVIX_API FloatVec2 FloatVec2Add(FloatVec2 a, FloatVec2 b);
TALVIX_API FloatVec2 FloatVec2Transform3x3(const FloatMatrix3x3* m, FloatVec2 v);
TALVIX_API void FloatMatrix3x3Identity(FloatMatrix3x3* m);
TALVIX_API void FloatMatrix3x3Rotate(FloatMatrix3x3* m, float radians);
TALVIX_API void FloatMatrix3x3Translate(FloatMatrix3x3* m, float tx, float ty);

// ---- Drawing (frame pixels, memory rows; angles in degrees) ------------------------

TALVIX_API int GetDrawingLevel(void* ctx);
TALVIX_API TColor GetDrawColor(void* ctx, int role);
TALVIX_API double GetDrawThickness(void* ctx, int role);
TALVIX_API void DrawLine(void* ctx, double x0, double y0, double x1, double y1, double thick, TColor c);
TALVIX_API void DrawArrow(void* ctx, double x0, double y0, double x1, double y1, double thick, TColor c);
TALVIX_API void DrawCircle(void* ctx, double cx, double cy, double r, double thick, TColor c);
TALVIX_API void DrawRing(void* ctx, double cx, double cy, double r1, double r2, double a1, double a2, double thick,
                         TColor c);
TALVIX_API void DrawRectangle(void* ctx, double cx, double cy, double w, double h, double angle, double thick,
                              TColor c);
TALVIX_API void DrawBoxFill(void* ctx, double x, double y, double w, double d, TColor c);
TALVIX_API void DrawPolygon4(void* ctx, double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                             double y3, double thick, TColor c);
// (x, y) is the lower-left corner of the text box, which turns about it.
TALVIX_API void DrawString(void* ctx, int hi, const char16_t* text, double x, double y, double size, double angle,
                           TColor c);
// textLen -1: no label.
TALVIX_API void DrawDirection(void* ctx, double x0, double y0, double x1, double y1, int textLen,
                              const char16_t* text, double size, double thick, TColor c);
TALVIX_API void DrawDirectionUnderpainted(void* ctx, double x0, double y0, double x1, double y1, int textLen,
                                          const char16_t* text, double size, double thick, TColor c, TColor under);
TALVIX_API void DrawDimension(void* ctx, double x0, double y0, double x1, double y1, int textLen,
                              const char16_t* text, double size, double thick, TColor c);
// 8 px per character, 16 px deep.
TALVIX_API void GetTextWD(void* ctx, int hi, const char16_t* text, int* w, int* d);
TALVIX_API void DrawDrawingList(void* ctx, Frame* f);
TALVIX_API void DisposeDrawingList(void* ctx);

// ---- Warnings, icons, services, paths ----------------------------------------------

TALVIX_API void AddWarning(void* ctx, int hi, const char16_t* text);
TALVIX_API HostIcon GetResourceIconAddress(void* module, int number);
TALVIX_API void DoneIcon(HostIcon* icon);
TALVIX_API bool CameraCallback(void* ctx, int nameLen, const char16_t* name, int blockSize, void* block);
TALVIX_API bool FindPath(int hi, char16_t* path);
TALVIX_API bool FindNewPath(int hi, char16_t* path);

#ifdef __cplusplus
}  // extern "C"
#endif
