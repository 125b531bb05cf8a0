#pragma once
// Conversion of stored bitmap rows into PNG sample rows: one small function per source
// format and output layout, chosen once per image.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "gfx/PixelFormat.h"
#include "gfx/Types.h"
#include "png/PNGFormat.h"

namespace png {

// The pixels of one pass row: source columns Start, Start + Step, ... (Count of them).
struct TPassColumns {
  int Start = 0;
  int Step = 1;
  int Count = 0;
};

struct TRowConvertContext {
  const std::uint8_t* GrayTable = nullptr;  // 256 entries, for gray output from indexed sources
  std::size_t SourceRowBytes = 0;           // bytes copied for a whole indexed row
  // Interlaced images pick the pass's pixels and pack 1- and 4-bit samples afresh from
  // the most significant bit, zero-filling an incomplete last byte.
  bool Repack = false;
};

// mask is the 8-bit alpha mask row (alpha = 255 - mask byte); null unless the output has alpha.
using TRowConverter = void (*)(const std::uint8_t* src, const std::uint8_t* mask, std::uint8_t* dst,
                               const TPassColumns& columns, const TRowConvertContext& context);

// storage is the bitmap's own format (the device format is stored as 32 bits).
TRowConverter ChooseRowConverter(gfx::TPixelFormat storage, const TPNGFormat& format);

// Gray levels of the palette entries at the source's depth. 1-bit: only entry 0 counts,
// 255 when entry 0 is the brighter colour (the row bits are then inverted).
std::array<std::uint8_t, 256> BuildGrayTable(std::span<const gfx::TPaletteEntry> palette, int sourceBits);

}  // namespace png
