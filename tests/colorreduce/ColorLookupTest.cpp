#include "colorreduce/ColorLookup.h"

#include <gtest/gtest.h>

#include <vector>

using namespace colorreduce;

namespace {

struct Match {
  int index;
  int red, green, blue;
};

Match MatchOf(TColorLookup& matcher, int red, int green, int blue) {
  std::uint8_t r = 1, g = 2, b = 3;
  const int index = matcher.MatchColor(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                       static_cast<std::uint8_t>(blue), r, g, b);
  return {index, r, g, b};
}

}  // namespace

TEST(NetscapeColorLookup, MatchesByLevelWithOffsetThree) {
  struct Case {
    int r, g, b;
    Match want;
  } cases[] = {
      {0, 0, 0, {0, 0, 0, 0}},
      {255, 255, 255, {215, 255, 255, 255}},
      {47, 48, 252, {11, 0, 51, 255}},  // 47 stays at level 0 although 51 is nearer
      {98, 99, 149, {50, 51, 102, 102}},
      {200, 201, 251, {136, 153, 204, 204}},  // 200 is level 3 although 204 is nearer
      {12, 34, 56, {1, 0, 0, 51}},
      {255, 0, 0, {180, 255, 0, 0}},  // red varies slowest, blue fastest
      {0, 0, 255, {5, 0, 0, 255}},
  };
  TNetscapeColorLookup matcher;
  EXPECT_EQ(matcher.ColorCount, 216);
  for (const Case& c : cases) {
    const Match m = MatchOf(matcher, c.r, c.g, c.b);
    EXPECT_EQ(m.index, c.want.index) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(m.red, c.want.red);
    EXPECT_EQ(m.green, c.want.green);
    EXPECT_EQ(m.blue, c.want.blue);
  }
}

TEST(NetscapeColorLookup, LevelBoundariesOfEveryChannel) {
  // Last value of each level and the first of the next.
  const int bounds[][2] = {{47, 0}, {48, 1}, {98, 1}, {99, 2}, {149, 2}, {150, 3}, {200, 3}, {201, 4}, {251, 4}, {252, 5}};
  TNetscapeColorLookup matcher;
  for (const auto& [v, level] : bounds) {
    EXPECT_EQ(MatchOf(matcher, v, 0, 0).index, 36 * level) << v;
    EXPECT_EQ(MatchOf(matcher, 0, v, 0).index, 6 * level) << v;
    EXPECT_EQ(MatchOf(matcher, 0, 0, v).index, level) << v;
  }
}

TEST(NetscapeColorLookup, PaletteHoldsTheCubeInIndexOrder) {
  gfx::HPALETTE palette = MakeNetscapePalette();
  ASSERT_EQ(gfx::GetPaletteEntryCount(palette), 216u);
  EXPECT_EQ(palette->Version(), 0x300);
  const auto e = palette->Entries();
  EXPECT_EQ(e[1], (gfx::TPaletteEntry{0, 0, 51, 0}));
  EXPECT_EQ(e[6], (gfx::TPaletteEntry{0, 51, 0, 0}));
  EXPECT_EQ(e[36], (gfx::TPaletteEntry{51, 0, 0, 0}));
  EXPECT_EQ(e[215], (gfx::TPaletteEntry{255, 255, 255, 0}));
  // The matched colour of every index is that index's entry.
  TNetscapeColorLookup matcher;
  for (int v = 0; v < 256; v += 5) {
    const Match m = MatchOf(matcher, v, 255 - v, (v * 7) & 255);
    EXPECT_EQ(e[m.index], (gfx::TPaletteEntry{static_cast<std::uint8_t>(m.red), static_cast<std::uint8_t>(m.green),
                                               static_cast<std::uint8_t>(m.blue), 0}));
  }
}

TEST(GrayAndMonochromeLookup, WeightedSumDecides) {
  TGrayScaleLookup gray;
  EXPECT_EQ(gray.ColorCount, 256);
  EXPECT_EQ(MatchOf(gray, 128, 128, 128).index, 128);
  EXPECT_EQ(MatchOf(gray, 255, 255, 255).index, 255);
  const Match red = MatchOf(gray, 255, 0, 0);  // (77 * 255) >> 8 = 76
  EXPECT_EQ(red.index, 76);
  EXPECT_EQ(red.green, 76);
  EXPECT_EQ(MatchOf(gray, 0, 0, 255).index, 28);  // (29 * 255) >> 8: blue weighs least

  TMonochromeLookup mono;
  EXPECT_EQ(mono.ColorCount, 2);
  const Match black = MatchOf(mono, 127, 127, 127);  // sum exactly 32512
  EXPECT_EQ(black.index, 0);
  EXPECT_EQ(black.red, 0);
  const Match white = MatchOf(mono, 128, 128, 128);
  EXPECT_EQ(white.index, 1);
  EXPECT_EQ(white.blue, 255);
  EXPECT_EQ(MatchOf(mono, 0, 255, 0).index, 1);  // 150 * 255 > 32512
  EXPECT_EQ(MatchOf(mono, 255, 0, 255).index, 0);  // 106 * 255 is not
}

TEST(SlowColorLookup, SearchesThePaletteAndReportsTheEntry) {
  gfx::HPALETTE palette = gfx::CreatePalette(std::vector<gfx::TPaletteEntry>{
      {0, 0, 0, 0}, {200, 10, 10, 0}, {10, 200, 10, 0}, {10, 10, 200, 0}});
  TSlowColorLookup matcher(palette);
  EXPECT_EQ(matcher.ColorCount, 4);
  const Match m = MatchOf(matcher, 180, 30, 0);
  EXPECT_EQ(m.index, 1);
  EXPECT_EQ(m.red, 200);
  EXPECT_EQ(m.green, 10);
  EXPECT_EQ(m.blue, 10);
  EXPECT_EQ(MatchOf(matcher, 0, 0, 250).index, 3);
  EXPECT_EQ(MatchOf(matcher, 20, 20, 20).index, 0);

  gfx::HPALETTE none;
  EXPECT_EQ(TSlowColorLookup(none).ColorCount, 0);
  EXPECT_EQ(TSlowColorLookup(gfx::StockDefaultPalette()).ColorCount, 20);
}
