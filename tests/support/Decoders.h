#pragma once
// Decoders nobody here wrote (libpng, libjpeg, giflib, netpbm), for checking our files.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace testsupport {

struct RGBImage {
  int width = 0;
  int height = 0;
  int channels = 3;                // 3: RGB, 4: RGBA
  std::vector<std::uint8_t> pixels;  // rows from the top, no padding
  const std::uint8_t* At(int x, int y) const { return pixels.data() + (std::size_t(y) * width + x) * channels; }
};

// libpng, expanded to 8-bit RGB or RGBA (palette, gray and low depths expanded; 16-bit stripped).
RGBImage DecodePNG(std::span<const std::uint8_t> file);
// libjpeg's own decompressor, RGB output.
RGBImage DecodeJPEG(std::span<const std::uint8_t> file);

struct GIFImage {
  int screenWidth = 0, screenHeight = 0;
  int width = 0, height = 0, left = 0, top = 0;
  std::vector<std::uint8_t> indices;   // the first frame, rows from the top
  std::vector<std::uint8_t> colorMap;  // the frame's (or global) table, RGB triples
  bool interlaced = false;
};
// giflib (DGifSlurp).
GIFImage DecodeGIF(std::span<const std::uint8_t> file);

// netpbm's bmptopnm, read back as RGB.
RGBImage DecodeBMPWithNetpbm(const std::string& path);

// A bitmap's pixels as RGB rows from the top (through our own 24-bit conversion of a copy).
RGBImage ToRGB(const gfx::TBitmap& bitmap);

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);

// A bitmap of the given size and format filled with a reproducible pattern.
std::unique_ptr<gfx::TBitmap> NewPatternBitmap(int width, int height, gfx::TPixelFormat format, unsigned seed = 1);

}  // namespace testsupport
