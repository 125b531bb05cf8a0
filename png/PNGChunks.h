#pragma once
// Bodies of the ancillary chunks, each built by one small function from the settings.
// An empty optional (or an empty body) means the chunk is not written.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "gfx/Types.h"
#include "png/PNGFormat.h"

namespace png {

// Year, month, day, hour, minute, second.
struct TPNGTime {
  std::uint16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  friend constexpr bool operator==(const TPNGTime&, const TPNGTime&) = default;
};

// Bit 24 of a colour value marks its low byte as a palette index.
constexpr std::uint32_t PaletteIndexFlag = 0x01000000;
constexpr std::int32_t NoColour = -1;

TPNGTime CurrentUTCTime();
// Absent when a field lies outside its range (second 60 is allowed).
std::optional<std::array<std::uint8_t, 7>> TimeBody(const TPNGTime& time);
// keyword, zero byte, text; absent for an empty text or a keyword over 79 bytes.
std::optional<std::vector<std::uint8_t>> TextBody(std::string_view keyword, std::string_view text);
// gamma times 100000, truncated; absent unless above 0.
std::optional<std::uint32_t> GammaValue(double gamma);
// Absent unless both densities are above 0; unit 2 converts pixels per inch to per metre.
std::optional<std::array<std::uint8_t, 9>> PhysBody(std::int32_t unit, std::int32_t x, std::int32_t y);

// The sBIT value: fixed for 15- and 16-bit sources, else the setting unchanged.
std::uint32_t SignificantBitsValue(int sourceBits, std::uint32_t setting, bool alphaOut);
// Its first 3 (4 with alpha) bytes from the lowest up; empty when not above 0 or gray.
std::vector<std::uint8_t> SignificantBitsBody(std::uint32_t value, const TPNGFormat& format);

// First exact match, else the smallest sum of channel differences (lowest index on ties).
std::optional<int> NearestPaletteEntry(std::span<const gfx::TPaletteEntry> palette, std::int32_t colour);

// bKGD and tRNS bodies for the output format; empty when no chunk is to be written.
std::vector<std::uint8_t> BackgroundBody(std::int32_t colour, const TPNGFormat& format,
                                         std::span<const gfx::TPaletteEntry> palette);
std::vector<std::uint8_t> TransparencyBody(std::int32_t colour, const TPNGFormat& format,
                                           std::span<const gfx::TPaletteEntry> palette);

}  // namespace png
