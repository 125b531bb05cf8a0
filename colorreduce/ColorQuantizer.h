#pragma once
// Octree colour quantisation: finds at most a wanted number of representative colours of a
// picture. Every colour is filed under the bits of its channels, most significant first;
// whenever the tree holds more leaves than wanted, the deepest branch is folded into one
// leaf holding the average of its colours.
#include <cstdint>
#include <vector>

#include "colorreduce/DIB.h"
#include "gfx/Palette.h"
#include "gfx/Types.h"

namespace colorreduce {

struct TOctreeNode {
  std::uint64_t pixels = 0;  // pixels filed in this leaf
  std::uint64_t red = 0, green = 0, blue = 0;  // channel sums of those pixels
  std::int32_t children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  bool leaf = false;
};

class TColorQuantizer {
 public:
  // maxColors from 1 to 256; colorBits (1 to 8) is the depth of the tree, the colour
  // resolution per channel.
  TColorQuantizer(int maxColors, int colorBits);

  void AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // Every pixel of 24-bit rows (blue, green, red).
  void AddRows(const TDIBReader& reader, int width, int height);

  // The leaves' average colours in tree order; at most maxColors entries.
  std::vector<gfx::TPaletteEntry> Colors() const;
  int LeafCount() const { return leafCount_; }

 private:
  std::int32_t NewNode(int level);
  void ReduceOne();
  void CollectColors(std::int32_t node, std::vector<gfx::TPaletteEntry>& out) const;

  int maxColors_;
  int colorBits_;
  int leafCount_ = 0;
  std::vector<TOctreeNode> nodes_;
  std::vector<std::int32_t> freeNodes_;
  std::vector<std::vector<std::int32_t>> reducible_;  // per level, inner nodes that may be folded
  // Most recent colour and the leaf it went to: runs of one colour skip the descent.
  std::uint32_t lastColor_ = 0xFFFFFFFF;
  std::int32_t lastLeaf_ = -1;
};

// A palette object of exactly `colors` entries (1 to 256): the quantised colours of the
// picture at 8 bits of colour resolution, then black for entries no colour was found for.
gfx::HPALETTE MakeQuantizedPalette(const TDIBReader& reader, int colors);
// 256 entries: the first 10 system colours, 236 quantised colours, the last 10 system colours.
gfx::HPALETTE MakeOptimizedPalette(const TDIBReader& reader);

}  // namespace colorreduce
