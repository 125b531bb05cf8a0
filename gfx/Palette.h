#pragma once
// Palette objects: immutable lists of up to 256 entries, shared by handle.
// Deleting a handle only drops this holder's share, so the stock palette stays intact.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gfx/Types.h"

namespace gfx {

class TPaletteObject {
 public:
  TPaletteObject(std::span<const TPaletteEntry> entries, std::uint16_t version)
      : entries_(entries.begin(), entries.end()), version_(version) {}
  std::span<const TPaletteEntry> Entries() const { return entries_; }
  std::uint16_t Version() const { return version_; }

 private:
  std::vector<TPaletteEntry> entries_;
  std::uint16_t version_;
};

using HPALETTE = std::shared_ptr<const TPaletteObject>;

constexpr std::uint16_t PaletteVersion = 0x300;
constexpr std::uint8_t PC_NOCOLLAPSE = 4;
constexpr std::uint32_t CLR_INVALID = 0xFFFFFFFF;

// Null when entries is empty or holds more than 256 entries.
HPALETTE CreatePalette(std::span<const TPaletteEntry> entries, std::uint16_t version = PaletteVersion);
void DeletePalette(HPALETTE& palette);

// Number of entries (0 for a null palette).
std::uint32_t GetPaletteEntryCount(const HPALETTE& palette);
// Copies up to count entries from start into out; returns how many were copied.
std::uint32_t GetPaletteEntries(const HPALETTE& palette, std::uint32_t start, std::uint32_t count,
                                TPaletteEntry* out);
// Index of the entry nearest to colour (squared RGB distance, lowest index on ties);
// CLR_INVALID for a null or empty palette.
std::uint32_t GetNearestPaletteIndex(const HPALETTE& palette, TColor colour);

// The 20 standard system colours, one shared object.
HPALETTE StockDefaultPalette();
std::span<const TPaletteEntry, 20> SystemColors();

// A 256-entry general-purpose palette:
//   0..9     the first 10 system colours
//   10..225  the 6x6x6 colour cube, entry 10 + 36r + 6g + b = (51r, 51g, 51b)
//   226..245 20 grays, entry 226 + i = (12(i+1), 12(i+1), 12(i+1)) for i = 0..19 (12 to 240)
//   246..255 the last 10 system colours
HPALETTE CreateHalftonePalette();
std::span<const TPaletteEntry, 256> HalftoneEntries();

}  // namespace gfx
