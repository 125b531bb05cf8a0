#include "colorreduce/ColorLookup.h"

#include <algorithm>

namespace colorreduce {

std::uint8_t TNetscapeColorLookup::MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                              std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                              std::uint8_t& matchedBlue) {
  const unsigned r = Level(red), g = Level(green), b = Level(blue);
  matchedRed = static_cast<std::uint8_t>(51 * r);
  matchedGreen = static_cast<std::uint8_t>(51 * g);
  matchedBlue = static_cast<std::uint8_t>(51 * b);
  return static_cast<std::uint8_t>(36 * r + 6 * g + b);
}

std::uint8_t TGrayScaleLookup::MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                          std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                          std::uint8_t& matchedBlue) {
  const auto i = static_cast<std::uint8_t>((77u * red + 150u * green + 29u * blue) >> 8);
  matchedRed = matchedGreen = matchedBlue = i;
  return i;
}

std::uint8_t TMonochromeLookup::MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                           std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                           std::uint8_t& matchedBlue) {
  const unsigned s = 77u * red + 150u * green + 29u * blue;
  const bool white = s > 32512;
  matchedRed = matchedGreen = matchedBlue = white ? 255 : 0;
  return white ? 1 : 0;
}

TSlowColorLookup::TSlowColorLookup(const gfx::HPALETTE& palette) : TColorLookup(0), palette_(palette) {
  const std::uint32_t count = std::min<std::uint32_t>(gfx::GetPaletteEntryCount(palette_), 256);
  ColorCount = static_cast<int>(count);
  if (count > 0) {
    entries_.resize(count);
    ColorCount = static_cast<int>(gfx::GetPaletteEntries(palette_, 0, count, entries_.data()));
    entries_.resize(static_cast<std::size_t>(ColorCount));
  }
}

std::uint8_t TSlowColorLookup::MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                          std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                          std::uint8_t& matchedBlue) {
  const auto index = static_cast<std::uint8_t>(gfx::GetNearestPaletteIndex(palette_, gfx::RGBColor(red, green, blue)));
  if (index < entries_.size()) {
    matchedRed = entries_[index].Red;
    matchedGreen = entries_[index].Green;
    matchedBlue = entries_[index].Blue;
  }
  return index;
}

std::vector<gfx::TPaletteEntry> NetscapeEntries() {
  std::vector<gfx::TPaletteEntry> entries;
  entries.reserve(216);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        entries.push_back({static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                           static_cast<std::uint8_t>(51 * b), 0});
  return entries;
}

gfx::HPALETTE MakeNetscapePalette() { return gfx::CreatePalette(NetscapeEntries(), gfx::PaletteVersion); }

}  // namespace colorreduce
