#include "gfx/Palette.h"

#include <algorithm>
#include <array>
#include <limits>

namespace gfx {

namespace {

constexpr std::array<TPaletteEntry, 20> kSystemColors = {{
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
}};

std::array<TPaletteEntry, 256> MakeHalftone() {
  std::array<TPaletteEntry, 256> e{};
  for (int i = 0; i < 10; ++i) e[i] = kSystemColors[i];
  int k = 10;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        e[k++] = {static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                  static_cast<std::uint8_t>(51 * b), 0};
  for (int i = 0; i < 20; ++i) {
    const auto v = static_cast<std::uint8_t>(12 * (i + 1));
    e[k++] = {v, v, v, 0};
  }
  for (int i = 10; i < 20; ++i) e[k++] = kSystemColors[i];
  return e;
}

const std::array<TPaletteEntry, 256> kHalftone = MakeHalftone();

}  // namespace

HPALETTE CreatePalette(std::span<const TPaletteEntry> entries, std::uint16_t version) {
  if (entries.empty() || entries.size() > 256) return nullptr;
  return std::make_shared<const TPaletteObject>(entries, version);
}

void DeletePalette(HPALETTE& palette) { palette.reset(); }

std::uint32_t GetPaletteEntryCount(const HPALETTE& palette) {
  return palette ? static_cast<std::uint32_t>(palette->Entries().size()) : 0;
}

std::uint32_t GetPaletteEntries(const HPALETTE& palette, std::uint32_t start, std::uint32_t count,
                                TPaletteEntry* out) {
  const std::uint32_t n = GetPaletteEntryCount(palette);
  if (start >= n) return 0;
  const std::uint32_t copied = std::min(count, n - start);
  const auto entries = palette->Entries();
  for (std::uint32_t i = 0; i < copied; ++i) out[i] = entries[start + i];
  return copied;
}

std::uint32_t GetNearestPaletteIndex(const HPALETTE& palette, TColor colour) {
  if (GetPaletteEntryCount(palette) == 0) return CLR_INVALID;
  const int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
  std::uint32_t best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  const auto entries = palette->Entries();
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    const int dr = entries[i].Red - r, dg = entries[i].Green - g, db = entries[i].Blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

HPALETTE StockDefaultPalette() {
  static const HPALETTE stock = CreatePalette(kSystemColors);
  return stock;
}

std::span<const TPaletteEntry, 20> SystemColors() { return kSystemColors; }

HPALETTE CreateHalftonePalette() { return CreatePalette(kHalftone); }

std::span<const TPaletteEntry, 256> HalftoneEntries() { return kHalftone; }

}  // namespace gfx
