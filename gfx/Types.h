#pragma once
// Small value types shared by every layer: colours, rectangles, palette entries.
#include <cstdint>

namespace gfx {

// The platform's 32-bit colour value: red in the lowest byte, then green, then blue.
using TColor = std::int32_t;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}
constexpr std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr std::int32_t Width() const { return Right - Left; }
  constexpr std::int32_t Height() const { return Bottom - Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// One entry of a colour table as stored in a device-independent bitmap.
struct TRGBQuad {
  std::uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  friend constexpr bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// One entry of a palette object: red, green, blue and a flag byte.
struct TPaletteEntry {
  std::uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
  friend constexpr bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

enum TProgressStage : std::uint8_t { psStarting, psRunning, psEnding };

}  // namespace gfx
