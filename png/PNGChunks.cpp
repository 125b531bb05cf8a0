#include "png/PNGChunks.h"

#include <cstdlib>
#include <ctime>

#include "gfx/Bytes.h"

namespace png {

TPNGTime CurrentUTCTime() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  TPNGTime t;
  t.Year = static_cast<std::uint16_t>(utc.tm_year + 1900);
  t.Month = static_cast<std::uint8_t>(utc.tm_mon + 1);
  t.Day = static_cast<std::uint8_t>(utc.tm_mday);
  t.Hour = static_cast<std::uint8_t>(utc.tm_hour);
  t.Minute = static_cast<std::uint8_t>(utc.tm_min);
  t.Second = static_cast<std::uint8_t>(utc.tm_sec);
  return t;
}

std::optional<std::array<std::uint8_t, 7>> TimeBody(const TPNGTime& t) {
  const bool valid = t.Year >= 1 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour <= 23 &&
                     t.Minute <= 59 && t.Second <= 60;
  if (!valid) return std::nullopt;
  std::array<std::uint8_t, 7> body{};
  gfx::PutU16BE(body.data(), t.Year);
  body[2] = t.Month;
  body[3] = t.Day;
  body[4] = t.Hour;
  body[5] = t.Minute;
  body[6] = t.Second;
  return body;
}

std::optional<std::vector<std::uint8_t>> TextBody(std::string_view keyword, std::string_view text) {
  constexpr std::size_t MaxKeywordBytes = 79;
  if (text.empty() || keyword.size() > MaxKeywordBytes) return std::nullopt;
  std::vector<std::uint8_t> body(keyword.begin(), keyword.end());
  body.push_back(0);
  body.insert(body.end(), text.begin(), text.end());
  return body;
}

std::optional<std::uint32_t> GammaValue(double gamma) {
  const double scaled = gamma * 100000.0;
  if (!(scaled >= 1.0)) return std::nullopt;  // truncates to 0 or below (or is not a number)
  if (scaled >= 4294967296.0) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(scaled);
}

std::optional<std::array<std::uint8_t, 9>> PhysBody(std::int32_t unit, std::int32_t x, std::int32_t y) {
  if (x <= 0 || y <= 0) return std::nullopt;
  std::uint32_t outX = static_cast<std::uint32_t>(x);
  std::uint32_t outY = static_cast<std::uint32_t>(y);
  std::uint8_t outUnit = 0;
  if (unit == 1) {
    outUnit = 1;
  } else if (unit == 2) {  // pixels per inch to pixels per metre
    outX = static_cast<std::uint32_t>(x * 100.0 / 254.0 * 100.0);
    outY = static_cast<std::uint32_t>(y * 100.0 / 254.0 * 100.0);
    outUnit = 1;
  }  // unit 0, and any unknown selector, write the values with the unknown unit
  std::array<std::uint8_t, 9> body{};
  gfx::PutU32BE(body.data(), outX);
  gfx::PutU32BE(body.data() + 4, outY);
  body[8] = outUnit;
  return body;
}

std::uint32_t SignificantBitsValue(int sourceBits, std::uint32_t setting, bool alphaOut) {
  const std::uint32_t alphaByte = alphaOut ? 0x08000000u : 0;
  if (sourceBits == 15) return 0x050505u | alphaByte;
  if (sourceBits == 16) return 0x050605u | alphaByte;
  return setting;
}

std::vector<std::uint8_t> SignificantBitsBody(std::uint32_t value, const TPNGFormat& format) {
  if (static_cast<std::int32_t>(value) <= 0 || format.GrayOut) return {};
  std::vector<std::uint8_t> body(format.AlphaOut ? 4 : 3);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return body;
}

std::optional<int> NearestPaletteEntry(std::span<const gfx::TPaletteEntry> palette, std::int32_t colour) {
  const int r = gfx::RedOf(colour), g = gfx::GreenOf(colour), b = gfx::BlueOf(colour);
  std::optional<int> best;
  int bestDistance = 0;
  const std::size_t count = palette.size() < 256 ? palette.size() : 256;
  for (std::size_t i = 0; i < count; ++i) {
    const gfx::TPaletteEntry& e = palette[i];
    const int distance = std::abs(e.Red - r) + std::abs(e.Green - g) + std::abs(e.Blue - b);
    if (distance == 0) return static_cast<int>(i);
    if (!best || distance < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  return best;
}

namespace {

bool HasIndexFlag(std::int32_t colour) { return (static_cast<std::uint32_t>(colour) & PaletteIndexFlag) != 0; }

// The gray sample of a colour at the output's bit depth.
std::uint16_t GrayLevel(std::int32_t colour, const TPNGFormat& format, std::span<const gfx::TPaletteEntry> palette) {
  unsigned r = gfx::RedOf(colour), g = gfx::GreenOf(colour), b = gfx::BlueOf(colour);
  if (HasIndexFlag(colour) && format.SourceBits <= 8) {
    const std::size_t index = static_cast<std::uint8_t>(colour);
    if (index < palette.size()) {
      r = palette[index].Red;
      g = palette[index].Green;
      b = palette[index].Blue;
    } else {
      r = g = b = 255;  // an entry that cannot be read counts as white
    }
  }
  unsigned level = (r * 77 + g * 150 + b * 29) / 256;
  if (format.SourceBits == 1) level = level >= 128 ? 1 : 0;
  if (format.SourceBits == 4) level /= 16;
  return static_cast<std::uint16_t>(level);
}

// The palette index a colour stands for; none when it names no existing entry.
std::optional<int> PaletteIndexOf(std::int32_t colour, std::span<const gfx::TPaletteEntry> palette) {
  std::optional<int> index;
  if (HasIndexFlag(colour))
    index = static_cast<std::uint8_t>(colour);
  else
    index = NearestPaletteEntry(palette, colour);
  // An index past the palette would make a file decoders reject.
  if (index && static_cast<std::size_t>(*index) >= palette.size()) return std::nullopt;
  return index;
}

// Gray: one 16-bit level. RGB: three 16-bit samples.
std::vector<std::uint8_t> SampleBody(std::int32_t colour, const TPNGFormat& format,
                                     std::span<const gfx::TPaletteEntry> palette) {
  if (format.GrayOut) {
    std::vector<std::uint8_t> body(2);
    gfx::PutU16BE(body.data(), GrayLevel(colour, format, palette));
    return body;
  }
  std::vector<std::uint8_t> body(6);
  gfx::PutU16BE(body.data(), gfx::RedOf(colour));
  gfx::PutU16BE(body.data() + 2, gfx::GreenOf(colour));
  gfx::PutU16BE(body.data() + 4, gfx::BlueOf(colour));
  return body;
}

}  // namespace

std::vector<std::uint8_t> BackgroundBody(std::int32_t colour, const TPNGFormat& format,
                                         std::span<const gfx::TPaletteEntry> palette) {
  if (colour == NoColour) return {};
  if (format.ColourType == ctPalette) {
    const auto index = PaletteIndexOf(colour, palette);
    if (!index) return {};
    return {static_cast<std::uint8_t>(*index)};
  }
  return SampleBody(colour, format, palette);
}

std::vector<std::uint8_t> TransparencyBody(std::int32_t colour, const TPNGFormat& format,
                                           std::span<const gfx::TPaletteEntry> palette) {
  if (colour == NoColour || format.AlphaOut) return {};
  if (format.ColourType == ctPalette) {
    const auto index = PaletteIndexOf(colour, palette);
    if (!index) return {};
    // Entries before the index stay opaque; the entry at the index is fully transparent.
    std::vector<std::uint8_t> body(static_cast<std::size_t>(*index) + 1, 255);
    body.back() = 0;
    return body;
  }
  return SampleBody(colour, format, palette);
}

}  // namespace png
