#include "colorreduce/ReduceBitmapColors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Pictures.h"
#include "colorreduce/ColorLookup.h"
#include "colorreduce/GIFException.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"

using namespace colorreduce;
using namespace colorreduce::test;
using gfx::TBitmap;

namespace {

using ReduceFn = std::unique_ptr<TBitmap> (*)(TBitmap&, TReductionMethod, TDitherKind, int, const gfx::HPALETTE&);

std::unique_ptr<TBitmap> Reduce(TBitmap& source, TReductionMethod method = rdNetscape, TDitherKind dither = dkNearest,
                                 int bits = 8, const gfx::HPALETTE& custom = nullptr) {
  return ReduceBitmapColors(source, method, dither, bits, custom);
}

std::uint8_t IndexAt(const TBitmap& bitmap, int x, int y) { return bitmap.ScanLine(y)[x]; }

// Same size, format, colour table and stored bytes (padding included).
void ExpectIdentical(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.PixelFormat(), b.PixelFormat());
  ASSERT_EQ(a.ImageSize(), b.ImageSize());
  EXPECT_TRUE(std::ranges::equal(a.ColorTable(), b.ColorTable()));
  EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.ImageSize()), 0);
}

// Every pixel is its own cube index and the table is the cube followed by black.
void ExpectCubeReduction(const TBitmap& source, const TBitmap& result) {
  ASSERT_EQ(result.PixelFormat(), gfx::pf8bit);
  ASSERT_EQ(result.Width(), source.Width());
  ASSERT_EQ(result.Height(), source.Height());
  const auto table = result.ColorTable();
  ASSERT_EQ(table.size(), 256u);
  const auto cube = NetscapeEntries();
  for (int i = 0; i < 256; ++i) {
    const gfx::TRGBQuad want = i < 216 ? gfx::TRGBQuad{cube[i].Blue, cube[i].Green, cube[i].Red, 0} : gfx::TRGBQuad{};
    ASSERT_EQ(table[i], want) << "entry " << i;
  }
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x)
      ASSERT_EQ(IndexAt(result, x, y), CubeIndex(PixelOf(source, x, y))) << x << "," << y;
}

}  // namespace

TEST(ReduceBitmapColors, OneWhitePixelBecomesTheLastCubeEntry) {
  for (ReduceFn reduce : {&ReduceBitmapColors, &ReduceBitmapColorsGeneral}) {
    auto source = Picture(1, 1, [](int, int) { return RGB{255, 255, 255}; });
    auto result = reduce(*source, rdNetscape, dkNearest, 8, nullptr);
    ASSERT_EQ(result->PixelFormat(), gfx::pf8bit);
    EXPECT_EQ(IndexAt(*result, 0, 0), 215);
    EXPECT_EQ(result->ColorTable()[215], (gfx::TRGBQuad{255, 255, 255, 0}));
    ExpectCubeReduction(*source, *result);
  }
}

TEST(ReduceBitmapColors, OddWidthsAndLargePicturesMapEveryPixel) {
  // Width 5 leaves padding in every row; 1000 x 600 is above the 500000-pixel threshold.
  for (auto [w, h] : {std::pair{5, 3}, std::pair{5, 1}, std::pair{1000, 600}}) {
    for (ReduceFn reduce : {&ReduceBitmapColors, &ReduceBitmapColorsGeneral}) {
      auto source = NoisePicture(w, h, 7);
      auto result = reduce(*source, rdNetscape, dkNearest, 8, nullptr);
      ExpectCubeReduction(*source, *result);
      EXPECT_EQ(result->Stride(), gfx::RowStride(w, 8));
    }
  }
}

TEST(ReduceBitmapColors, DirectRoadGivesTheSameBitmapAsTheObjects) {
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 1}, {1, 3}, {3, 2}, {7, 5}, {33, 17}, {1001, 501}, {641, 3}};
  unsigned seed = 1;
  for (auto [w, h] : sizes) {
    auto a = NoisePicture(w, h, seed);
    auto b = NoisePicture(w, h, seed++);
    auto fast = ReduceBitmapColors(*a, rdNetscape, dkNearest, 8, nullptr);
    auto general = ReduceBitmapColorsGeneral(*b, rdNetscape, dkNearest, 8, nullptr);
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    ExpectIdentical(*fast, *general);
  }
}

TEST(ReduceBitmapColors, ThirtyTwoBitSourceIsConvertedInPlaceFirst) {
  for (ReduceFn reduce : {&ReduceBitmapColors, &ReduceBitmapColorsGeneral}) {
    auto source = NoisePicture(9, 4, 3);
    auto original = NoisePicture(9, 4, 3);
    source->SetPixelFormat(gfx::pf32bit);
    auto result = reduce(*source, rdNetscape, dkNearest, 8, nullptr);
    EXPECT_EQ(source->PixelFormat(), gfx::pf24bit);
    ExpectCubeReduction(*original, *result);
  }
}

TEST(ReduceBitmapColors, NoneGivesATwentyFourBitCopyAndLeavesTheSource) {
  auto source = NoisePicture(6, 3, 5);
  source->SetPixelFormat(gfx::pf32bit);
  auto result = Reduce(*source, rdNone);
  EXPECT_EQ(source->PixelFormat(), gfx::pf32bit);
  ASSERT_EQ(result->PixelFormat(), gfx::pf24bit);
  auto expected = NoisePicture(6, 3, 5);
  ExpectIdentical(*result, *expected);
}

TEST(ReduceBitmapColors, UnknownChoicesAndEmptyPalettesGiveAnEmptyBitmap) {
  struct Case {
    const char* name;
    int method, dither;
    bool customPalette;
  } cases[] = {
      {"method 10", 10, dkNearest, false},     {"method 255", 255, dkNearest, false},
      {"dither 7", rdNetscape, 7, false},      {"dither 7, slow matcher", rdWindowsGrays, 7, false},
      {"null custom palette", rdCustomPalette, dkNearest, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto [w, h] : {std::pair{4, 3}, std::pair{1000, 600}}) {
      for (ReduceFn reduce : {&ReduceBitmapColors, &ReduceBitmapColorsGeneral}) {
        auto source = NoisePicture(w, h, 1);
        source->SetPixelFormat(gfx::pf32bit);
        std::unique_ptr<TBitmap> result;
        ASSERT_NO_THROW(result = reduce(*source, static_cast<TReductionMethod>(c.method),
                                        static_cast<TDitherKind>(c.dither), 8, nullptr));
        ASSERT_TRUE(result);
        EXPECT_TRUE(result->Empty());
        EXPECT_EQ(source->PixelFormat(), gfx::pf24bit) << "the source is read as 24-bit before the choice is checked";
      }
    }
  }
}

TEST(ReduceBitmapColors, ZeroSizedSourceIsRefused) {
  for (ReduceFn reduce : {&ReduceBitmapColors, &ReduceBitmapColorsGeneral}) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 4}, std::pair{4, 0}}) {
      TBitmap source;
      source.SetPixelFormat(gfx::pf24bit);
      source.SetSize(w, h);
      try {
        reduce(source, rdNetscape, dkNearest, 8, nullptr);
        ADD_FAILURE() << "no error for " << w << "x" << h;
      } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Invalid image dimensions");
      }
      // The empty-result cases are decided before the size is looked at.
      EXPECT_TRUE(reduce(source, static_cast<TReductionMethod>(10), dkNearest, 8, nullptr)->Empty());
    }
  }
}
