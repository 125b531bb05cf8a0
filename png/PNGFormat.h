#pragma once
// How a bitmap is written: bit depth, colour type and sample layout, decided once per image.
#include <cstdint>

#include "gfx/Bitmap.h"
#include "gfx/PixelFormat.h"

namespace png {

enum TPNGColourType : std::uint8_t { ctGray = 0, ctRGB = 2, ctPalette = 3, ctGrayAlpha = 4, ctRGBA = 6 };

struct TPNGFormat {
  int SourceBits = 0;  // 1, 4, 8, 15, 16, 24 or 32
  int PNGBits = 0;     // SourceBits, 24 for 15 and 16, 8 for gray from more than 8
  int BitDepth = 0;
  TPNGColourType ColourType = ctRGB;
  int PixelBits = 0;   // bits per pixel of a PNG row: depth times channels
  bool GrayOut = false;
  bool AlphaOut = false;
};

// Bits per pixel as the writer counts them: the device format counts as 24, custom as 15.
int SourceBitsOf(gfx::TPixelFormat format);

TPNGFormat DecideFormat(gfx::TPixelFormat format, bool grayscale, bool maskAccepted);

// A mask is used when it is a separate, non-empty 8-bit bitmap of the source's size.
bool AcceptsMask(const gfx::TBitmap& source, const gfx::TBitmap* mask);

// Bytes of a stored bitmap row at the given bits per pixel, padded to 4 bytes.
std::int64_t PaddedRowBytes(std::int64_t width, int bits);

}  // namespace png
