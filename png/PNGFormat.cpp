#include "png/PNGFormat.h"

namespace png {

int SourceBitsOf(gfx::TPixelFormat format) {
  switch (format) {
    case gfx::pf1bit: return 1;
    case gfx::pf4bit: return 4;
    case gfx::pf8bit: return 8;
    case gfx::pf15bit: return 15;
    case gfx::pf16bit: return 16;
    case gfx::pf24bit: return 24;
    case gfx::pf32bit: return 32;
    case gfx::pfDevice: return 24;
    case gfx::pfCustom: return 15;
  }
  return 24;
}

TPNGFormat DecideFormat(gfx::TPixelFormat pixelFormat, bool grayscale, bool maskAccepted) {
  TPNGFormat f;
  f.SourceBits = SourceBitsOf(pixelFormat);
  f.PNGBits = (f.SourceBits == 15 || f.SourceBits == 16) ? 24 : f.SourceBits;
  const bool indexed = f.SourceBits <= 8;
  if (!grayscale) {
    if (indexed) {
      f.BitDepth = f.SourceBits;
      f.ColourType = ctPalette;
      f.PixelBits = f.SourceBits;
    } else {
      f.BitDepth = 8;
      f.AlphaOut = maskAccepted;
      f.ColourType = maskAccepted ? ctRGBA : ctRGB;
      f.PixelBits = maskAccepted ? 32 : 24;
    }
    return f;
  }
  f.GrayOut = true;
  if (f.SourceBits < 8) {
    f.BitDepth = f.SourceBits;
    f.ColourType = ctGray;
    f.PixelBits = f.SourceBits;
    return f;
  }
  f.PNGBits = 8;
  f.BitDepth = 8;
  f.AlphaOut = maskAccepted;
  f.ColourType = maskAccepted ? ctGrayAlpha : ctGray;
  f.PixelBits = maskAccepted ? 16 : 8;
  return f;
}

bool AcceptsMask(const gfx::TBitmap& source, const gfx::TBitmap* mask) {
  return mask != nullptr && mask != &source && !mask->Empty() && mask->Width() == source.Width() &&
         mask->Height() == source.Height() && mask->PixelFormat() == gfx::pf8bit;
}

std::int64_t PaddedRowBytes(std::int64_t width, int bits) { return ((width * bits + 7) / 8 + 3) & ~std::int64_t{3}; }

}  // namespace png
