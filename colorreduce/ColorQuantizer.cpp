#include "colorreduce/ColorQuantizer.h"

#include <algorithm>
#include <new>

#include "gfx/Errors.h"

namespace colorreduce {

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::clamp(maxColors, 1, 256)), colorBits_(std::clamp(colorBits, 1, 8)) {
  reducible_.resize(static_cast<std::size_t>(colorBits_));
  NewNode(0);  // the root
}

std::int32_t TColorQuantizer::NewNode(int level) {
  std::int32_t index;
  if (!freeNodes_.empty()) {
    index = freeNodes_.back();
    freeNodes_.pop_back();
    nodes_[static_cast<std::size_t>(index)] = TOctreeNode{};
  } else {
    index = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  if (level == colorBits_) {
    nodes_[static_cast<std::size_t>(index)].leaf = true;
    ++leafCount_;
  } else {
    reducible_[static_cast<std::size_t>(level)].push_back(index);
  }
  return index;
}

void TColorQuantizer::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const std::uint32_t key = red | (green << 8) | (blue << 16);
  std::int32_t node = 0;
  if (key == lastColor_ && lastLeaf_ >= 0) {
    node = lastLeaf_;
  } else {
    for (int level = 0; !nodes_[static_cast<std::size_t>(node)].leaf; ++level) {
      const int shift = 7 - level;
      const int branch = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
      std::int32_t child = nodes_[static_cast<std::size_t>(node)].children[branch];
      if (child < 0) {
        child = NewNode(level + 1);  // may move nodes_: index again below
        nodes_[static_cast<std::size_t>(node)].children[branch] = child;
      }
      node = child;
    }
  }
  TOctreeNode& leaf = nodes_[static_cast<std::size_t>(node)];
  ++leaf.pixels;
  leaf.red += red;
  leaf.green += green;
  leaf.blue += blue;
  lastColor_ = key;
  lastLeaf_ = node;
  while (leafCount_ > maxColors_) ReduceOne();
}

void TColorQuantizer::AddRows(const TDIBReader& reader, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = reader.RowPointer(y);
    for (int x = 0; x < width; ++x, p += 3) AddColor(p[2], p[1], p[0]);
  }
}

// Folds the most recently made inner node of the deepest level that has one: its children
// are all leaves then, and their sums move into it.
void TColorQuantizer::ReduceOne() {
  int level = colorBits_ - 1;
  while (level > 0 && reducible_[static_cast<std::size_t>(level)].empty()) --level;
  auto& candidates = reducible_[static_cast<std::size_t>(level)];
  if (candidates.empty()) return;  // only the root is left and it is already a leaf
  const std::int32_t index = candidates.back();
  candidates.pop_back();
  TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  int folded = 0;
  for (std::int32_t& child : node.children) {
    if (child < 0) continue;
    const TOctreeNode& c = nodes_[static_cast<std::size_t>(child)];
    node.pixels += c.pixels;
    node.red += c.red;
    node.green += c.green;
    node.blue += c.blue;
    freeNodes_.push_back(child);
    child = -1;
    ++folded;
  }
  node.leaf = true;
  leafCount_ += 1 - folded;
  lastLeaf_ = -1;  // the cached leaf may have been folded away
}

void TColorQuantizer::CollectColors(std::int32_t index, std::vector<gfx::TPaletteEntry>& out) const {
  const TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  if (node.leaf) {
    if (node.pixels == 0) return;
    const std::uint64_t n = node.pixels, half = n / 2;
    out.push_back({static_cast<std::uint8_t>((node.red + half) / n), static_cast<std::uint8_t>((node.green + half) / n),
                   static_cast<std::uint8_t>((node.blue + half) / n), 0});
    return;
  }
  for (const std::int32_t child : node.children)
    if (child >= 0) CollectColors(child, out);
}

std::vector<gfx::TPaletteEntry> TColorQuantizer::Colors() const {
  std::vector<gfx::TPaletteEntry> colors;
  CollectColors(0, colors);
  return colors;
}

namespace {

std::vector<gfx::TPaletteEntry> QuantizedEntries(const TDIBReader& reader, int colors) {
  try {
    TColorQuantizer quantizer(colors, 8);
    quantizer.AddRows(reader, reader.Bitmap().Width(), reader.Bitmap().Height());
    std::vector<gfx::TPaletteEntry> entries = quantizer.Colors();
    entries.resize(static_cast<std::size_t>(colors));  // black where no colour was found
    return entries;
  } catch (const std::bad_alloc&) {
    throw gfx::EOutOfMemory();
  }
}

}  // namespace

gfx::HPALETTE MakeQuantizedPalette(const TDIBReader& reader, int colors) {
  return gfx::CreatePalette(QuantizedEntries(reader, std::clamp(colors, 1, 256)));
}

gfx::HPALETTE MakeOptimizedPalette(const TDIBReader& reader) {
  const auto system = gfx::SystemColors();
  std::vector<gfx::TPaletteEntry> entries(system.begin(), system.begin() + 10);
  const std::vector<gfx::TPaletteEntry> quantized = QuantizedEntries(reader, 236);
  entries.insert(entries.end(), quantized.begin(), quantized.end());
  entries.insert(entries.end(), system.begin() + 10, system.end());
  return gfx::CreatePalette(entries);
}

}  // namespace colorreduce
