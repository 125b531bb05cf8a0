#pragma once
#include <cstdint>

namespace gfx {

// pfDevice is the screen-compatible format; here it is stored as 32-bit blue, green, red, unused.
enum TPixelFormat : std::uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Bits per stored pixel; 0 for pfCustom.
constexpr int BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pfDevice:
    case pf32bit: return 32;
    case pfCustom: return 0;
  }
  return 0;
}

constexpr bool IsIndexed(TPixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

}  // namespace gfx
