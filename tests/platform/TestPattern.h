#pragma once
// The picture of the test windows: a grid of coloured blocks, each a child window with
// its own background, so the server repaints it by itself whatever covers it for a while.
// Colours are levels of 51 (exact in a 216-colour reduction); neighbours differ in every
// channel order, so a swapped channel or a shifted row shows at once.
#include <cstdint>

namespace xtest {

struct RGB {
  std::uint8_t r, g, b;
  friend bool operator==(const RGB&, const RGB&) = default;
};

constexpr int BlockColumns = 8, BlockRows = 4;

constexpr RGB BlockColor(int column, int row) {
  const int i = row * BlockColumns + column;
  return {static_cast<std::uint8_t>((i % 6) * 51), static_cast<std::uint8_t>(((i / 6) % 6) * 51),
          static_cast<std::uint8_t>(((i * 5 + 2) % 6) * 51)};
}

// The colour at (x, y) of a pattern window of the given size.
constexpr RGB PatternColor(int x, int y, int width, int height) {
  return BlockColor(x * BlockColumns / width, y * BlockRows / height);
}

}  // namespace xtest
