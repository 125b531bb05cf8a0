#pragma once
// Small picture builders for the reduction tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <random>

#include "gfx/Bitmap.h"
#include "gfx/Types.h"

namespace colorreduce::test {

struct RGB {
  std::uint8_t r = 0, g = 0, b = 0;
};

// A pf24bit picture whose pixel (x, y), y from the top, is colour(x, y).
inline std::unique_ptr<gfx::TBitmap> Picture(int width, int height, const std::function<RGB(int, int)>& colour) {
  auto bitmap = std::make_unique<gfx::TBitmap>();
  bitmap->SetPixelFormat(gfx::pf24bit);
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const RGB c = colour(x, y);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
  }
  return bitmap;
}

inline std::unique_ptr<gfx::TBitmap> NoisePicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  return Picture(width, height, [&](int, int) {
    const std::uint32_t v = random();
    return RGB{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16)};
  });
}

inline RGB PixelOf(const gfx::TBitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

inline int CubeIndex(RGB c) { return 36 * ((c.r + 3) / 51) + 6 * ((c.g + 3) / 51) + (c.b + 3) / 51; }

}  // namespace colorreduce::test
