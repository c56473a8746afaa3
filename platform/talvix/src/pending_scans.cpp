// Placeholders for the scans and geometry until they are built.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <string>
#include <vector>
#include "talvix/host.hpp"

extern "C" {
void ScanLine(const Frame* f, const TRectangularRegion* region, const TLine* line, int mode, void* user, PixelCallback cb) {}
void ScanRectangularRegion(const Frame* f, const TRectangularRegion* region, int mode, void* user, PixelCallback cb) {}
void ScanRing(const Frame* f, const TRing* ring, int mode, void* user, int step, PixelCallback cb) {}
bool GetScanRectangularRegionLine(const Frame* f, const TRectangularRegion* region, int count, int i, double angle, int* x0, int* y0, int* x1, int* y1) { return {};}
bool GetScanRingRegionArc(const Frame* f, const TRingRegion* region, int arcs, int i, TRing* arc) { return {};}
bool GetScanRingRegionSpoke(const Frame* f, const TRingRegion* region, int count, int i, int* x0, int* y0, int* x1, int* y1) { return {};}
bool GetScanPoints(const Frame* f, const TRectangularRegion* region, int vCount, int hCount, int index, int mode, int reserved, int* x, int* y, unsigned* value) { return {};}
bool PixelInRectangularRegion(const Frame* f, const TRectangularRegion* region, TPoint p, double a, double b) { return {};}
bool PixelInRingRegion(const Frame* f, const TRingRegion* region, TPoint p) { return {};}
void CountRectRegionLeftBottomPoint(const TRectangularRegion* region, int* x0, int* y0) {}
bool ClipLine(const Frame* f, const TRectangularRegion* region, double x0, double y0, double x1, double y1, double* ox0, double* oy0, double* ox1, double* oy1) { return {};}
int RoundReal(float v) { return {};}
void NormalizeDegreeLongreal(double* a) {}
double DegRATan(double x) { return {};}
FloatVec2 InitFloatVec2(float x, float y) { return {};}
FloatVec2 FloatVec2Add(FloatVec2 a, FloatVec2 b) { return {};}
FloatVec2 FloatVec2Transform3x3(const FloatMatrix3x3* m, FloatVec2 v) { return {};}
void FloatMatrix3x3Identity(FloatMatrix3x3* m) {}
void FloatMatrix3x3Rotate(FloatMatrix3x3* m, float radians) {}
void FloatMatrix3x3Translate(FloatMatrix3x3* m, float tx, float ty) {}
void GetTextWD(void* ctx, int hi, const char16_t* text, int* w, int* d) {}
}
namespace talvix {
void RenderDrawList(const std::vector<DrawCall>&, FrameBuffer&) {}
void RenderDrawList(const std::vector<DrawCall>&, Frame*) {}
}
