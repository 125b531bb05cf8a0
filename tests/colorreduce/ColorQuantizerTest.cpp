#include "colorreduce/ColorQuantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "Pictures.h"

using namespace colorreduce;
using namespace colorreduce::test;

namespace {

std::vector<gfx::TPaletteEntry> EntriesOf(const gfx::HPALETTE& palette) {
  const auto e = palette->Entries();
  return {e.begin(), e.end()};
}

}  // namespace

TEST(ColorQuantizer, FewColoursAreKeptExactlyAndTheRestIsBlack) {
  const RGB colours[] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {120, 130, 140}, {1, 2, 3}};
  auto source = Picture(7, 5, [&](int x, int y) { return colours[(x + 2 * y) % 5]; });
  TDIBReader reader(*source, gfx::pf24bit);
  gfx::HPALETTE palette = MakeQuantizedPalette(reader, 16);
  ASSERT_EQ(gfx::GetPaletteEntryCount(palette), 16u);
  const auto entries = EntriesOf(palette);
  std::set<std::tuple<int, int, int>> found;
  for (int i = 0; i < 5; ++i) found.insert({entries[i].Red, entries[i].Green, entries[i].Blue});
  for (const RGB& c : colours) EXPECT_TRUE(found.count({c.r, c.g, c.b})) << int(c.r) << "," << int(c.g);
  for (int i = 5; i < 16; ++i) EXPECT_EQ(entries[i], gfx::TPaletteEntry{}) << i;
}

TEST(ColorQuantizer, ManyColoursGiveExactlyTheWantedNumber) {
  auto source = NoisePicture(120, 90, 4);
  TDIBReader reader(*source, gfx::pf24bit);
  for (const int wanted : {1, 2, 16, 236, 256}) {
    gfx::HPALETTE palette = MakeQuantizedPalette(reader, wanted);
    EXPECT_EQ(gfx::GetPaletteEntryCount(palette), static_cast<std::uint32_t>(wanted));
  }
  TColorQuantizer quantizer(256, 8);
  quantizer.AddRows(reader, 120, 90);
  EXPECT_LE(quantizer.LeafCount(), 256);
  EXPECT_GT(quantizer.LeafCount(), 64) << "folding should not throw away most of the room";
}

TEST(ColorQuantizer, TwoClustersBecomeTheirAverages) {
  std::mt19937 random(2);
  // Left half around (20, 40, 200), right half around (230, 200, 30), each channel +-2.
  auto source = Picture(40, 20, [&](int x, int) {
    const auto jitter = [&] { return static_cast<int>(random() % 5) - 2; };
    const RGB base = x < 20 ? RGB{20, 40, 200} : RGB{230, 200, 30};
    return RGB{static_cast<std::uint8_t>(base.r + jitter()), static_cast<std::uint8_t>(base.g + jitter()),
               static_cast<std::uint8_t>(base.b + jitter())};
  });
  TDIBReader reader(*source, gfx::pf24bit);
  const auto entries = EntriesOf(MakeQuantizedPalette(reader, 2));
  std::vector<std::tuple<int, int, int>> got = {{entries[0].Red, entries[0].Green, entries[0].Blue},
                                                {entries[1].Red, entries[1].Green, entries[1].Blue}};
  std::ranges::sort(got);
  const auto near = [](std::tuple<int, int, int> a, std::tuple<int, int, int> b) {
    return std::abs(std::get<0>(a) - std::get<0>(b)) <= 1 && std::abs(std::get<1>(a) - std::get<1>(b)) <= 1 &&
           std::abs(std::get<2>(a) - std::get<2>(b)) <= 1;
  };
  EXPECT_TRUE(near(got[0], {20, 40, 200})) << std::get<0>(got[0]) << "," << std::get<1>(got[0]);
  EXPECT_TRUE(near(got[1], {230, 200, 30})) << std::get<0>(got[1]) << "," << std::get<1>(got[1]);
}

TEST(ColorQuantizer, OptimizedPaletteIsFramedBySystemColours) {
  auto source = NoisePicture(50, 40, 8);
  TDIBReader reader(*source, gfx::pf24bit);
  const auto entries = EntriesOf(MakeOptimizedPalette(reader));
  ASSERT_EQ(entries.size(), 256u);
  const auto system = gfx::SystemColors();
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(entries[i], system[i]);
    EXPECT_EQ(entries[246 + i], system[10 + i]);
  }
}
