// Scanline filters, the row score and the adaptive choice.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "png/Filters.h"

using namespace png;
using Row = std::vector<std::uint8_t>;

namespace {
Row Filtered(TFilterType type, const Row& row, const Row& previous, std::size_t bpp) {
  Row out(row.size() + 1);
  FilterRow(type, row.data(), previous.data(), row.size(), bpp, out.data());
  return out;
}
}  // namespace

TEST(Filters, EachTypeAgainstHandComputedRows) {
  const Row row{10, 20, 30}, previous{5, 5, 40};
  EXPECT_EQ(Filtered(ftNone, row, previous, 1), (Row{0, 10, 20, 30}));
  EXPECT_EQ(Filtered(ftSub, row, previous, 1), (Row{1, 10, 10, 10}));
  EXPECT_EQ(Filtered(ftUp, row, previous, 1), (Row{2, 5, 15, 246}));
  EXPECT_EQ(Filtered(ftAverage, row, previous, 1), (Row{3, 8, 13, 0}));
  EXPECT_EQ(Filtered(ftPaeth, row, previous, 1), (Row{4, 5, 10, 246}));
  // Two bytes per pixel: the first pixel has no left neighbour.
  const Row wide{1, 2, 3, 4}, zeros(4, 0);
  EXPECT_EQ(Filtered(ftSub, wide, zeros, 2), (Row{1, 1, 2, 2, 2}));
  EXPECT_EQ(Filtered(ftAverage, wide, zeros, 2), (Row{3, 1, 2, 3, 3}));
}

TEST(Filters, PaethTieOrderIsLeftThenAboveThenUpperLeft) {
  struct Case {
    std::uint8_t a, b, c, expected;
  };
  const Case cases[] = {
      {10, 10, 20, 10},  // left and above tie: left
      {30, 0, 20, 0},    // above and upper left tie: above
      {10, 20, 10, 20},  // above nearest
      {5, 10, 7, 7},     // upper left nearest
      {0, 0, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PaethPredictor(c.a, c.b, c.c), c.expected) << int(c.a) << "," << int(c.b) << "," << int(c.c);
}

TEST(Filters, FilterModeNumbers) {
  EXPECT_EQ(FixedFilterOf(1), ftNone);
  EXPECT_EQ(FixedFilterOf(2), ftSub);
  EXPECT_EQ(FixedFilterOf(3), ftUp);
  EXPECT_EQ(FixedFilterOf(4), ftAverage);
  EXPECT_EQ(FixedFilterOf(5), ftPaeth);
  EXPECT_EQ(FixedFilterOf(6), ftNone);
  EXPECT_EQ(FixedFilterOf(255), ftNone);
}

TEST(Filters, Score) {
  std::array<std::uint32_t, 256> histogram{};
  auto score = [&](const Row& r, int pixelBits) { return ScoreFilteredRow(r.data(), r.size(), pixelBits, histogram.data()); };

  Row tenValuesTwice;  // n 20, 10 distinct, top counts 2, 2, 2
  for (int i = 0; i < 20; ++i) tenValuesTwice.push_back(static_cast<std::uint8_t>(i % 10));
  EXPECT_EQ(score(tenValuesTwice, 24), 1633);  // 20/1.5/10*1000 + 6/20*1000
  EXPECT_EQ(score(tenValuesTwice, 1), 2200);   // 20/1.5/10*1500 + 4/20*1000

  Row eightValues;
  for (int i = 0; i < 100; ++i) eightValues.push_back(static_cast<std::uint8_t>(i % 8));
  EXPECT_EQ(score(eightValues, 8), UniformScore);

  Row ninetyPercent(90, 0);
  for (int i = 1; i <= 10; ++i) ninetyPercent.push_back(static_cast<std::uint8_t>(i));
  EXPECT_EQ(score(ninetyPercent, 8), UniformScore);
  ninetyPercent[0] = 200;  // 89 of 100: no longer uniform
  EXPECT_GT(score(ninetyPercent, 8), 0);
}

namespace {
struct Choice {
  TFilterType type;
  Row best;
};
Choice Choose(const Row& row, const Row& previous, std::size_t bpp, int pixelBits, int formatBits) {
  std::vector<std::uint8_t> a(row.size() + 1), b(row.size() + 1);
  std::array<std::uint32_t, 256> histogram{};
  TAdaptiveBuffers buffers{a.data(), b.data(), histogram.data()};
  const TFilterType type = ChooseAdaptiveFilter(row.data(), previous.data(), row.size(), bpp, pixelBits, formatBits, buffers);
  return {type, Row(buffers.Best, buffers.Best + row.size() + 1)};
}
}  // namespace

TEST(Filters, AdaptiveChoice) {
  Row oneColour;
  for (int i = 0; i < 30; ++i) oneColour.insert(oneColour.end(), {10, 20, 30});
  const Row zeros(90, 0);
  EXPECT_EQ(Choose(oneColour, zeros, 3, 24, 24).type, ftNone) << "a row of one colour";

  Row ramp;
  for (int i = 0; i < 100; ++i) ramp.push_back(static_cast<std::uint8_t>(i * 3));
  const Choice sub = Choose(ramp, Row(100, 0), 1, 8, 8);
  EXPECT_EQ(sub.type, ftSub) << "Sub makes a ramp uniform";
  EXPECT_EQ(sub.best, Filtered(ftSub, ramp, Row(100, 0), 1)) << "the chosen row is the one handed on";

  std::mt19937 random(7);
  Row noise(100), above(100);
  for (auto& v : noise) v = static_cast<std::uint8_t>(random());
  for (std::size_t i = 0; i < 100; ++i) above[i] = static_cast<std::uint8_t>(noise[i] - 5);
  EXPECT_EQ(Choose(noise, above, 1, 4, 4).type, ftNone) << "4-bit rows always take None";
  EXPECT_EQ(Choose(noise, above, 1, 8, 8).type, ftUp) << "Up makes this row uniform";
}

TEST(Filters, NoneIsFavouredForOneAndEightBitFormats) {
  // Find a row whose best other filter beats None, but not twice None.
  std::mt19937 random(11);
  std::array<std::uint32_t, 256> histogram{};
  for (int attempt = 0; attempt < 5000; ++attempt) {
    Row row(60), previous(60);
    for (auto& v : previous) v = static_cast<std::uint8_t>(random() % 40);
    for (std::size_t i = 0; i < row.size(); ++i)
      row[i] = static_cast<std::uint8_t>(previous[i] + random() % (1 + attempt % 30));
    auto scoreOf = [&](TFilterType t) {
      const Row f = Filtered(t, row, previous, 1);
      return ScoreFilteredRow(f.data(), f.size(), 8, histogram.data());
    };
    const std::int64_t none = scoreOf(ftNone);
    std::int64_t bestOther = -2;
    bool anyUniform = none == UniformScore;
    for (TFilterType t : {ftSub, ftUp, ftAverage, ftPaeth}) {
      const std::int64_t s = scoreOf(t);
      anyUniform |= s == UniformScore;
      bestOther = std::max(bestOther, s);
    }
    if (anyUniform || !(bestOther > none && bestOther < 2 * none)) continue;
    EXPECT_EQ(Choose(row, previous, 1, 8, 8).type, ftNone);
    EXPECT_NE(Choose(row, previous, 1, 8, 24).type, ftNone);
    return;
  }
  FAIL() << "no row found to show the rule";
}
