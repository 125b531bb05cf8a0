#include "png/RowConvert.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "gfx/Bytes.h"
#include "gfx/PixelRows.h"

namespace png {

namespace {

// ---- Indexed sources (1, 4, 8 bits): copied whole, or picked and packed again.

template <int Bits>
std::uint8_t SampleAt(const std::uint8_t* src, int x) {
  if constexpr (Bits == 8) {
    return src[x];
  } else {
    constexpr int PerByte = 8 / Bits;
    constexpr unsigned Mask = (1u << Bits) - 1;
    const int shift = 8 - Bits - (x % PerByte) * Bits;
    return static_cast<std::uint8_t>((src[x / PerByte] >> shift) & Mask);
  }
}

// Writes the row's samples into dst; returns the number of bytes that hold them.
template <int Bits>
std::size_t CopyIndexRow(const std::uint8_t* src, std::uint8_t* dst, const TPassColumns& c,
                         const TRowConvertContext& ctx) {
  if (!ctx.Repack) {
    std::memcpy(dst, src, ctx.SourceRowBytes);
    return ctx.SourceRowBytes;
  }
  const std::size_t bytes = (static_cast<std::size_t>(c.Count) * Bits + 7) / 8;
  if constexpr (Bits == 8) {
    for (int k = 0, x = c.Start; k < c.Count; ++k, x += c.Step) dst[k] = src[x];
  } else {
    std::memset(dst, 0, bytes);
    constexpr int PerByte = 8 / Bits;
    for (int k = 0, x = c.Start; k < c.Count; ++k, x += c.Step)
      dst[k / PerByte] |= static_cast<std::uint8_t>(SampleAt<Bits>(src, x) << (8 - Bits - (k % PerByte) * Bits));
  }
  return bytes;
}

template <int Bits>
void IndexRow(const std::uint8_t* src, const std::uint8_t*, std::uint8_t* dst, const TPassColumns& c,
              const TRowConvertContext& ctx) {
  CopyIndexRow<Bits>(src, dst, c, ctx);
}

void Gray1Row(const std::uint8_t* src, const std::uint8_t*, std::uint8_t* dst, const TPassColumns& c,
              const TRowConvertContext& ctx) {
  const std::size_t bytes = CopyIndexRow<1>(src, dst, c, ctx);
  if (ctx.GrayTable[0] == 255)
    for (std::size_t i = 0; i < bytes; ++i) dst[i] = static_cast<std::uint8_t>(~dst[i]);
}

void Gray4Row(const std::uint8_t* src, const std::uint8_t*, std::uint8_t* dst, const TPassColumns& c,
              const TRowConvertContext& ctx) {
  const std::size_t bytes = CopyIndexRow<4>(src, dst, c, ctx);
  const std::uint8_t* table = ctx.GrayTable;
  for (std::size_t i = 0; i < bytes; ++i)
    dst[i] = static_cast<std::uint8_t>(((table[dst[i] >> 4] & 0x0F) << 4) | (table[dst[i] & 0x0F] & 0x0F));
}

template <bool Alpha>
void Gray8Row(const std::uint8_t* src, const std::uint8_t* mask, std::uint8_t* dst, const TPassColumns& c,
              const TRowConvertContext& ctx) {
  for (int k = 0, x = c.Start; k < c.Count; ++k, x += c.Step) {
    *dst++ = ctx.GrayTable[src[x]];
    if constexpr (Alpha) *dst++ = static_cast<std::uint8_t>(255 - mask[x]);
  }
}

// ---- True-colour sources: a pixel reader and an output writer, combined by a template.

struct RGB {
  std::uint8_t r, g, b;
};

struct Read15 {
  static RGB At(const std::uint8_t* src, int x) {
    const unsigned w = gfx::GetU16LE(src + 2 * x);
    return {gfx::Expand5((w >> 10) & 31), gfx::Expand5((w >> 5) & 31), gfx::Expand5(w & 31)};
  }
};
struct Read16 {
  static RGB At(const std::uint8_t* src, int x) {
    const unsigned w = gfx::GetU16LE(src + 2 * x);
    return {gfx::Expand5((w >> 11) & 31), gfx::Expand6((w >> 5) & 63), gfx::Expand5(w & 31)};
  }
};
struct Read24 {
  static RGB At(const std::uint8_t* src, int x) { return {src[3 * x + 2], src[3 * x + 1], src[3 * x]}; }
};
struct Read32 {  // the fourth byte is not used
  static RGB At(const std::uint8_t* src, int x) { return {src[4 * x + 2], src[4 * x + 1], src[4 * x]}; }
};

std::uint8_t GrayOf(const RGB& p) { return static_cast<std::uint8_t>((p.r * 77 + p.g * 150 + p.b * 29) >> 8); }

template <class Reader, bool Gray, bool Alpha>
void TrueColourRow(const std::uint8_t* src, const std::uint8_t* mask, std::uint8_t* dst, const TPassColumns& c,
                   const TRowConvertContext&) {
  for (int k = 0, x = c.Start; k < c.Count; ++k, x += c.Step) {
    const RGB p = Reader::At(src, x);
    if constexpr (Gray) {
      *dst++ = GrayOf(p);
    } else {
      dst[0] = p.r;
      dst[1] = p.g;
      dst[2] = p.b;
      dst += 3;
    }
    if constexpr (Alpha) *dst++ = static_cast<std::uint8_t>(255 - mask[x]);
  }
}

// The capture road: blue, green, red to red, green, blue, every pixel.
void BGRToRGBRow(const std::uint8_t* src, const std::uint8_t* mask, std::uint8_t* dst, const TPassColumns& c,
                 const TRowConvertContext& ctx) {
  if (c.Step != 1) {
    TrueColourRow<Read24, false, false>(src, mask, dst, c, ctx);
    return;
  }
  src += 3 * static_cast<std::size_t>(c.Start);
  for (int k = 0; k < c.Count; ++k, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle for four pixels at a time, where the processor has it.
__attribute__((target("ssse3"))) void BGRToRGBRowShuffled(const std::uint8_t* src, const std::uint8_t* mask,
                                                           std::uint8_t* dst, const TPassColumns& c,
                                                           const TRowConvertContext& ctx) {
  if (c.Step != 1) {
    TrueColourRow<Read24, false, false>(src, mask, dst, c, ctx);
    return;
  }
  src += 3 * static_cast<std::size_t>(c.Start);
  const std::size_t n = 3 * static_cast<std::size_t>(c.Count);
  const __m128i reverseEachPixel = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  std::size_t i = 0;
  // 16 bytes read and written, 12 of them final; never past the row's own n bytes.
  for (; i + 16 <= n; i += 12) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_shuffle_epi8(v, reverseEachPixel));
  }
  for (; i < n; i += 3) {
    dst[i] = src[i + 2];
    dst[i + 1] = src[i + 1];
    dst[i + 2] = src[i];
  }
}

TRowConverter FastestBGRToRGB() { return __builtin_cpu_supports("ssse3") ? BGRToRGBRowShuffled : BGRToRGBRow; }
#else
TRowConverter FastestBGRToRGB() { return BGRToRGBRow; }
#endif

template <class Reader>
TRowConverter TrueColourConverter(const TPNGFormat& f) {
  if (f.GrayOut) return f.AlphaOut ? TrueColourRow<Reader, true, true> : TrueColourRow<Reader, true, false>;
  return f.AlphaOut ? TrueColourRow<Reader, false, true> : TrueColourRow<Reader, false, false>;
}

}  // namespace

TRowConverter ChooseRowConverter(gfx::TPixelFormat storage, const TPNGFormat& f) {
  switch (storage) {
    case gfx::pf1bit: return f.GrayOut ? Gray1Row : IndexRow<1>;
    case gfx::pf4bit: return f.GrayOut ? Gray4Row : IndexRow<4>;
    case gfx::pf8bit:
      if (!f.GrayOut) return IndexRow<8>;
      return f.AlphaOut ? Gray8Row<true> : Gray8Row<false>;
    case gfx::pf15bit:
    case gfx::pfCustom: return TrueColourConverter<Read15>(f);
    case gfx::pf16bit: return TrueColourConverter<Read16>(f);
    case gfx::pf24bit:
      if (!f.GrayOut && !f.AlphaOut) return FastestBGRToRGB();
      return TrueColourConverter<Read24>(f);
    case gfx::pf32bit:
    case gfx::pfDevice: return TrueColourConverter<Read32>(f);
  }
  return nullptr;
}

std::array<std::uint8_t, 256> BuildGrayTable(std::span<const gfx::TPaletteEntry> palette, int sourceBits) {
  std::array<std::uint8_t, 256> table{};
  if (palette.empty()) {  // identity for the values the source can hold
    const int count = sourceBits >= 8 ? 256 : 1 << sourceBits;
    for (int i = 0; i < count; ++i) table[i] = static_cast<std::uint8_t>(i);
    if (sourceBits == 1) table[0] = 0;
    return table;
  }
  const std::size_t count = palette.size() < 256 ? palette.size() : 256;
  auto weight = [&](std::size_t i) -> unsigned {
    if (i >= count) return 0;
    return palette[i].Red * 77u + palette[i].Green * 150u + palette[i].Blue * 29u;
  };
  if (sourceBits == 1) {
    table[0] = (weight(0) / 256 > weight(1) / 256) ? 255 : 0;
    return table;
  }
  const unsigned divisor = sourceBits == 4 ? 4096 : 256;
  for (std::size_t i = 0; i < count; ++i) table[i] = static_cast<std::uint8_t>(weight(i) / divisor);
  return table;
}

}  // namespace png
