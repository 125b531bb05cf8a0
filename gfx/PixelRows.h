#pragma once
// Row converters from every stored pixel format to 24-bit blue, green, red.
// One small function per source format, chosen once per picture.
#include <cstdint>
#include <span>

#include "gfx/PixelFormat.h"
#include "gfx/Types.h"

namespace gfx {

using RowToBGR24 = void (*)(const std::uint8_t* src, std::uint8_t* dst, int width,
                            std::span<const TRGBQuad> colorTable);

// Null for pfCustom.
RowToBGR24 ChooseRowToBGR24(TPixelFormat format);

// Channel expansion of 5- and 6-bit values to 8 bits.
constexpr std::uint8_t Expand5(unsigned c) { return static_cast<std::uint8_t>(c * 8 + c / 4); }
constexpr std::uint8_t Expand6(unsigned c) { return static_cast<std::uint8_t>(c * 4 + c / 16); }

}  // namespace gfx
