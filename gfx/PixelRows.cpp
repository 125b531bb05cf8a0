#include "gfx/PixelRows.h"

#include <cstring>

#include "gfx/Bytes.h"

namespace gfx {

namespace {

inline void PutFromTable(std::uint8_t* dst, unsigned index, std::span<const TRGBQuad> table) {
  if (index < table.size()) {
    dst[0] = table[index].Blue;
    dst[1] = table[index].Green;
    dst[2] = table[index].Red;
  } else {
    dst[0] = dst[1] = dst[2] = 0;
  }
}

void Row1(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad> table) {
  for (int x = 0; x < width; ++x, dst += 3) PutFromTable(dst, (src[x >> 3] >> (7 - (x & 7))) & 1, table);
}

void Row4(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad> table) {
  for (int x = 0; x < width; ++x, dst += 3) {
    const std::uint8_t byte = src[x >> 1];
    PutFromTable(dst, (x & 1) ? (byte & 0x0F) : (byte >> 4), table);
  }
}

void Row8(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad> table) {
  for (int x = 0; x < width; ++x, dst += 3) PutFromTable(dst, src[x], table);
}

void Row15(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad>) {
  for (int x = 0; x < width; ++x, src += 2, dst += 3) {
    const unsigned v = GetU16LE(src);
    dst[0] = Expand5(v & 0x1F);
    dst[1] = Expand5((v >> 5) & 0x1F);
    dst[2] = Expand5((v >> 10) & 0x1F);
  }
}

void Row16(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad>) {
  for (int x = 0; x < width; ++x, src += 2, dst += 3) {
    const unsigned v = GetU16LE(src);
    dst[0] = Expand5(v & 0x1F);
    dst[1] = Expand6((v >> 5) & 0x3F);
    dst[2] = Expand5((v >> 11) & 0x1F);
  }
}

void Row24(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad>) {
  std::memmove(dst, src, static_cast<std::size_t>(width) * 3);
}

// Safe in place (dst == src): each pixel moves to a lower or equal address.
void Row32(const std::uint8_t* src, std::uint8_t* dst, int width, std::span<const TRGBQuad>) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    const std::uint8_t b = src[0], g = src[1], r = src[2];
    dst[0] = b;
    dst[1] = g;
    dst[2] = r;
  }
}

}  // namespace

RowToBGR24 ChooseRowToBGR24(TPixelFormat format) {
  switch (format) {
    case pf1bit: return Row1;
    case pf4bit: return Row4;
    case pf8bit: return Row8;
    case pf15bit: return Row15;
    case pf16bit: return Row16;
    case pf24bit: return Row24;
    case pfDevice:
    case pf32bit: return Row32;
    case pfCustom: return nullptr;
  }
  return nullptr;
}

}  // namespace gfx
