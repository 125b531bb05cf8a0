#pragma once
// Colour matchers: given a wanted colour, the palette index that stands for it and the
// colour that index really has. One matcher per reduction method; the ditherers call it
// once per pixel.
#include <cstdint>
#include <vector>

#include "gfx/Palette.h"

namespace colorreduce {

class TColorLookup {
 public:
  explicit TColorLookup(int colorCount) : ColorCount(colorCount) {}
  virtual ~TColorLookup() = default;
  TColorLookup(const TColorLookup&) = delete;
  TColorLookup& operator=(const TColorLookup&) = delete;

  // Returns the index and sets the matched colour.
  virtual std::uint8_t MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                                  std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) = 0;

  // How many colours the matcher can return; 0 means it cannot be used.
  int ColorCount;
};

// The 216-colour cube: level (v + 3) div 51 per channel, index 36r + 6g + b.
// The offset 3 is deliberate: 47 maps to level 0 and 200 to level 3.
class TNetscapeColorLookup : public TColorLookup {
 public:
  explicit TNetscapeColorLookup(const gfx::HPALETTE& = nullptr) : TColorLookup(216) {}
  std::uint8_t MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                          std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;

  static constexpr unsigned Level(std::uint8_t value) { return (value + 3u) / 51u; }
};

// 256 grays: index (77r + 150g + 29b) >> 8.
class TGrayScaleLookup : public TColorLookup {
 public:
  explicit TGrayScaleLookup(const gfx::HPALETTE& = nullptr) : TColorLookup(256) {}
  std::uint8_t MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                          std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
};

// Black (0) or white (1): white when 77r + 150g + 29b exceeds 32512.
class TMonochromeLookup : public TColorLookup {
 public:
  explicit TMonochromeLookup(const gfx::HPALETTE& = nullptr) : TColorLookup(2) {}
  std::uint8_t MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                          std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
};

// Any palette object: the platform's nearest-entry search, one search per pixel.
// Keeps a share of the palette (the driver still deletes its own) and a copy of the
// entries for the matched colour.
class TSlowColorLookup : public TColorLookup {
 public:
  explicit TSlowColorLookup(const gfx::HPALETTE& palette);
  std::uint8_t MatchColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                          std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;

 private:
  gfx::HPALETTE palette_;
  std::vector<gfx::TPaletteEntry> entries_;
};

// The 216 entries of the cube in index order (blue fastest, red slowest), flags 0.
std::vector<gfx::TPaletteEntry> NetscapeEntries();
// A palette object of those entries; the caller deletes it.
gfx::HPALETTE MakeNetscapePalette();

}  // namespace colorreduce
