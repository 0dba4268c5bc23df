#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace vindrel::icongen {

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * height, kTransparent) {}

Rgba Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kTransparent;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Canvas::Set(int x, int y, Rgba colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
}

void Canvas::FillRect(int x, int y, int w, int h, Rgba colour) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) Set(i, j, colour);
}

void Canvas::FillCircle(double cx, double cy, double radius, Rgba colour) {
  FillArc(cx, cy, -1.0, radius, 0.0, 360.0, colour);
}

void Canvas::FillArc(double cx, double cy, double inner, double outer, double fromDeg, double toDeg,
                     Rgba colour) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double dx = x + 0.5 - cx;
      const double dy = cy - (y + 0.5);
      const double d = std::hypot(dx, dy);
      if (d > outer || d < inner) continue;
      double angle = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
      if (angle < fromDeg) angle += 360.0;
      if (angle >= fromDeg && angle <= toDeg) Set(x, y, colour);
    }
  }
}

void Canvas::Line(int x0, int y0, int x1, int y1, Rgba colour) {
  // Bresenham, all octants.
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, colour);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

namespace {

int Distance(const Rgba& a, const Rgba& b) {
  const int dr = a.r - b.r;
  const int dg = a.g - b.g;
  const int db = a.b - b.b;
  const int da = a.a - b.a;
  return dr * dr + dg * dg + db * db + da * da;
}

}  // namespace

IndexedImage ToIndexed(const Canvas& canvas, std::size_t maxColours) {
  struct Entry {
    Rgba colour;
    std::size_t uses;
  };
  // Entry 0 is always the transparent colour, so that an icon's background is index 0.
  std::vector<Entry> entries{{kTransparent, 0}};
  std::vector<std::size_t> pixelEntry;
  pixelEntry.reserve(static_cast<std::size_t>(canvas.Width()) * canvas.Height());
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      Rgba c = canvas.At(x, y);
      if (c.a == 0) c = kTransparent;
      auto it = std::find_if(entries.begin(), entries.end(),
                             [&](const Entry& e) { return e.colour == c; });
      if (it == entries.end()) it = entries.insert(entries.end(), {c, 0});
      ++it->uses;
      pixelEntry.push_back(static_cast<std::size_t>(it - entries.begin()));
    }
  }

  // remap[i] is where entry i's pixels end up after merging.
  std::vector<std::size_t> remap(entries.size());
  for (std::size_t i = 0; i < remap.size(); ++i) remap[i] = i;
  std::vector<bool> alive(entries.size(), true);
  std::size_t count = entries.size();
  while (count > maxColours) {
    std::size_t bestA = 0;
    std::size_t bestB = 0;
    int best = std::numeric_limits<int>::max();
    for (std::size_t a = 1; a < entries.size(); ++a) {
      for (std::size_t b = a + 1; b < entries.size(); ++b) {
        if (!alive[a] || !alive[b]) continue;
        const int d = Distance(entries[a].colour, entries[b].colour);
        if (d < best) {
          best = d;
          bestA = a;
          bestB = b;
        }
      }
    }
    const std::size_t keep = entries[bestA].uses >= entries[bestB].uses ? bestA : bestB;
    const std::size_t drop = keep == bestA ? bestB : bestA;
    entries[keep].uses += entries[drop].uses;
    alive[drop] = false;
    for (std::size_t& r : remap)
      if (r == drop) r = keep;
    --count;
  }

  IndexedImage image;
  image.width = canvas.Width();
  image.height = canvas.Height();
  std::vector<std::uint8_t> index(entries.size(), 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!alive[i]) continue;
    index[i] = static_cast<std::uint8_t>(image.palette.size());
    image.palette.push_back(entries[i].colour);
  }
  image.pixels.reserve(pixelEntry.size());
  for (std::size_t e : pixelEntry) image.pixels.push_back(index[remap[e]]);
  return image;
}

IndexedImage Enlarged(const IndexedImage& image, int factor) {
  IndexedImage large{image.width * factor, image.height * factor, image.palette, {}};
  large.pixels.reserve(static_cast<std::size_t>(large.width) * large.height);
  for (int y = 0; y < large.height; ++y) {
    for (int x = 0; x < large.width; ++x) {
      large.pixels.push_back(
          image.pixels[static_cast<std::size_t>(y / factor) * image.width + x / factor]);
    }
  }
  return large;
}

}  // namespace vindrel::icongen
