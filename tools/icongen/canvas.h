#pragma once

#include <vector>

#include "indexed_image.h"

namespace vindrel::icongen {

// A true-colour drawing surface, transparent when created. Drawing outside it is clipped.
class Canvas {
 public:
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgba At(int x, int y) const;

  void Set(int x, int y, Rgba colour);
  void FillRect(int x, int y, int w, int h, Rgba colour);
  // Every pixel whose centre lies within `radius` of (cx, cy), in pixel units.
  void FillCircle(double cx, double cy, double radius, Rgba colour);
  // Pixels whose centre lies between `inner` and `outer` from (cx, cy), limited to the angles
  // from `fromDeg` to `toDeg` (0 = right, counter-clockwise, y up on screen).
  void FillArc(double cx, double cy, double inner, double outer, double fromDeg, double toDeg,
               Rgba colour);
  void Line(int x0, int y0, int x1, int y1, Rgba colour);

 private:
  int width_;
  int height_;
  std::vector<Rgba> pixels_;
};

// The canvas as a paletted image of at most `maxColours` entries. All fully transparent pixels
// share entry 0; when the canvas holds more colours than fit, the closest pair of colours is
// merged (the rarer into the more frequent) until they do.
IndexedImage ToIndexed(const Canvas& canvas, std::size_t maxColours = 16);

// image with every pixel made factor x factor pixels: the large icons that web app launchers ask
// for, keeping the small icon's sharp pixels.
IndexedImage Enlarged(const IndexedImage& image, int factor);

}  // namespace vindrel::icongen
