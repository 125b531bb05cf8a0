#include <gtest/gtest.h>

#include "gfx/Palette.h"

using namespace gfx;

TEST(Palette, CreateCountReadAndDelete) {
  const std::vector<TPaletteEntry> entries = {{1, 2, 3, 0}, {4, 5, 6, 4}};
  HPALETTE p = CreatePalette(entries);
  ASSERT_TRUE(p);
  EXPECT_EQ(GetPaletteEntryCount(p), 2u);
  TPaletteEntry out[4];
  EXPECT_EQ(GetPaletteEntries(p, 1, 4, out), 1u);
  EXPECT_EQ(out[0], (TPaletteEntry{4, 5, 6, 4}));
  EXPECT_EQ(GetPaletteEntries(p, 2, 1, out), 0u);
  DeletePalette(p);
  EXPECT_EQ(GetPaletteEntryCount(p), 0u);
  EXPECT_FALSE(CreatePalette({}));
  EXPECT_FALSE(CreatePalette(std::vector<TPaletteEntry>(257)));
}

TEST(Palette, NearestEntryPrefersTheLowestIndexOnTies) {
  HPALETTE p = CreatePalette(std::vector<TPaletteEntry>{{0, 0, 0, 0}, {10, 10, 10, 0}, {10, 10, 10, 0}});
  EXPECT_EQ(GetNearestPaletteIndex(p, RGBColor(9, 9, 9)), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(p, RGBColor(4, 4, 4)), 0u);
  EXPECT_EQ(GetNearestPaletteIndex(nullptr, 0), CLR_INVALID);
}

TEST(Palette, StockAndHalftoneLayouts) {
  HPALETTE stock = StockDefaultPalette();
  EXPECT_EQ(GetPaletteEntryCount(stock), 20u);
  HPALETTE copy = stock;
  DeletePalette(copy);
  EXPECT_EQ(GetPaletteEntryCount(StockDefaultPalette()), 20u) << "deleting a share leaves the stock palette";
  const auto h = HalftoneEntries();
  EXPECT_EQ(h[0], (TPaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(h[10 + 36 * 5 + 6 * 2 + 1], (TPaletteEntry{255, 102, 51, 0}));
  EXPECT_EQ(h[226], (TPaletteEntry{12, 12, 12, 0}));
  EXPECT_EQ(h[255], (TPaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(GetPaletteEntryCount(CreateHalftonePalette()), 256u);
}
