// Conversions between RGB bytes and hue / saturation / lightness, shared by
// the frame operations and the colour measurements.
#pragma once

namespace frame {

// r, g, b in 0..255. Hue in degrees: 0 for greys, otherwise in (0, 360] with
// pure red at 360; saturation and lightness in 0..1.
void RgbToHsl(double r, double g, double b, double* hue, double* saturation, double* lightness);

// Hue in degrees, saturation and lightness in 0..1; r, g, b out in 0..1.
// Hues from 360 to 420 act as red onwards; a hue past that (or at or below
// -60) gives the grey of the lightness.
void HslToRgb(double hue, double saturation, double lightness, double* r, double* g, double* b);

}  // namespace frame
