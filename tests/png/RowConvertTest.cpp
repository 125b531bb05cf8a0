// Row conversion helpers that the round trips do not pin down on their own.
#include <gtest/gtest.h>

#include <vector>

#include "png/RowConvert.h"

using namespace png;

TEST(RowConvert, BlueGreenRedRowsAtEveryWidthAndStart) {
  const TPNGFormat rgb = DecideFormat(gfx::pf24bit, false, false);
  const TRowConverter convert = ChooseRowConverter(gfx::pf24bit, rgb);
  std::vector<std::uint8_t> src(3 * 80);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 37 + 11);
  for (int start : {0, 1, 5})
    for (int count = 0; count + start <= 80; ++count) {
      std::vector<std::uint8_t> dst(3 * 80 + 64, 0xEE);
      convert(src.data(), nullptr, dst.data(), TPassColumns{start, 1, count}, TRowConvertContext{});
      for (int k = 0; k < count; ++k) {
        const std::uint8_t* p = &src[3 * (start + k)];
        ASSERT_EQ(dst[3 * k], p[2]) << start << "/" << count << " pixel " << k;
        ASSERT_EQ(dst[3 * k + 1], p[1]);
        ASSERT_EQ(dst[3 * k + 2], p[0]);
      }
      for (std::size_t i = 3 * count; i < dst.size(); ++i) ASSERT_EQ(dst[i], 0xEE) << "written past the row";
    }
}

TEST(RowConvert, GrayTables) {
  const gfx::TPaletteEntry blackWhite[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  const gfx::TPaletteEntry whiteBlack[] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  const gfx::TPaletteEntry sameLevel[] = {{100, 0, 0, 0}, {101, 0, 0, 0}};  // 30.07 and 30.37: both 30
  EXPECT_EQ(BuildGrayTable(blackWhite, 1)[0], 0);
  EXPECT_EQ(BuildGrayTable(whiteBlack, 1)[0], 255) << "entry 0 brighter: invert";
  EXPECT_EQ(BuildGrayTable(sameLevel, 1)[0], 0);

  const gfx::TPaletteEntry three[] = {{255, 255, 255, 0}, {0, 0, 255, 0}, {16, 16, 16, 0}};
  const auto four = BuildGrayTable(three, 4);
  EXPECT_EQ(four[0], 15);
  EXPECT_EQ(four[1], 1);  // 255*29/4096
  EXPECT_EQ(four[2], 1);
  EXPECT_EQ(four[3], 0) << "past the palette";
  const auto eight = BuildGrayTable(three, 8);
  EXPECT_EQ(eight[0], 255);
  EXPECT_EQ(eight[1], 28);
  EXPECT_EQ(eight[2], 16);

  const auto identity = BuildGrayTable({}, 8);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(identity[i], i);
  EXPECT_EQ(BuildGrayTable({}, 4)[15], 15);
  EXPECT_EQ(BuildGrayTable({}, 4)[16], 0);
}
