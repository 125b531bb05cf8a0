// vantora-make-sample OUT.bmp: writes a small 24-bit sample picture (a colour gradient
// with a red square top-left and a blue one bottom-right) for trying the encoders.
#include <cstdio>
#include <exception>

#include "gfx/Bitmap.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantora-make-sample OUT.bmp\n");
    return 2;
  }
  try {
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(gfx::pf24bit);
    bitmap.SetSize(160, 120);
    for (int y = 0; y < bitmap.Height(); ++y) {
      std::uint8_t* row = bitmap.ScanLine(y);
      for (int x = 0; x < bitmap.Width(); ++x) {
        std::uint8_t r = static_cast<std::uint8_t>(x * 255 / 159), g = static_cast<std::uint8_t>(y * 255 / 119), b = 128;
        if (x < 32 && y < 32) r = 255, g = 0, b = 0;
        if (x >= 128 && y >= 88) r = 0, g = 0, b = 255;
        row[3 * x] = b;
        row[3 * x + 1] = g;
        row[3 * x + 2] = r;
      }
    }
    bitmap.SaveToFile(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
