#include "colorreduce/ReduceBitmapColors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Pictures.h"
#include "colorreduce/ColorLookup.h"
#include "colorreduce/ColorQuantizer.h"
#include "colorreduce/DIB.h"
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

namespace {

// The palette a method should end up with for this source (already 24-bit).
std::vector<gfx::TPaletteEntry> ExpectedPalette(TReductionMethod method, TBitmap& source, const gfx::HPALETTE& custom) {
  const auto grays = [](std::initializer_list<int> levels) {
    std::vector<gfx::TPaletteEntry> e;
    for (int v : levels) e.push_back({std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), 0});
    return e;
  };
  TDIBReader reader(source, gfx::pf24bit);
  gfx::HPALETTE palette;
  switch (method) {
    case rdSystemColors: palette = gfx::StockDefaultPalette(); break;
    case rdHalftone: palette = gfx::CreateHalftonePalette(); break;
    case rdWindowsGrays: return grays({0, 128, 192, 255});
    case rdMonochrome: return grays({0, 255});
    case rdGrayScale: {
      std::vector<gfx::TPaletteEntry> e;
      for (int v = 0; v < 256; ++v) e.push_back({std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), 0});
      return e;
    }
    case rdNetscape: return NetscapeEntries();
    case rdQuantize: palette = MakeQuantizedPalette(reader, 16); break;
    case rdQuantizeSystem: palette = MakeOptimizedPalette(reader); break;
    case rdCustomPalette: palette = custom; break;
    case rdNone: break;
  }
  const auto e = palette->Entries();
  return {e.begin(), e.end()};
}

}  // namespace

// Every method with every dither kind gives a pf8bit picture of the source's size whose
// table is the method's palette followed by black and whose indices all name an entry.
// Without diffusion each index is what the method's matcher says for that pixel alone.
TEST(ReduceBitmapColors, EveryMethodAndDitherGivesAValidPaletteBitmap) {
  const gfx::HPALETTE custom = gfx::CreatePalette(std::vector<gfx::TPaletteEntry>{
      {0, 0, 0, 0}, {255, 255, 255, 0}, {255, 0, 0, 0}, {0, 160, 0, 0}, {0, 0, 200, 0}, {90, 90, 90, 0}, {250, 200, 40, 0}});
  for (int method = rdSystemColors; method <= rdCustomPalette; ++method) {
    const auto m = static_cast<TReductionMethod>(method);
    auto probe = NoisePicture(13, 7, 30);
    const std::vector<gfx::TPaletteEntry> palette = ExpectedPalette(m, *probe, custom);
    const gfx::HPALETTE paletteObject = gfx::CreatePalette(palette);
    for (int dither = dkNearest; dither <= dkBurkes; ++dither) {
      SCOPED_TRACE(testing::Message() << "method " << method << " dither " << dither);
      auto source = NoisePicture(13, 7, 30);
      auto result = ReduceBitmapColors(*source, m, static_cast<TDitherKind>(dither), 4, custom);
      ASSERT_EQ(result->PixelFormat(), gfx::pf8bit);
      ASSERT_EQ(result->Width(), 13);
      ASSERT_EQ(result->Height(), 7);
      const auto table = result->ColorTable();
      ASSERT_EQ(table.size(), 256u);
      for (std::size_t i = 0; i < 256; ++i) {
        const gfx::TRGBQuad want =
            i < palette.size() ? gfx::TRGBQuad{palette[i].Blue, palette[i].Green, palette[i].Red, 0} : gfx::TRGBQuad{};
        ASSERT_EQ(table[i], want) << "entry " << i;
      }
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
          const std::uint8_t index = IndexAt(*result, x, y);
          ASSERT_LT(index, palette.size());
          if (dither != dkNearest) continue;
          const RGB c = PixelOf(*source, x, y);
          std::uint8_t mr, mg, mb;
          std::uint8_t want;
          switch (m) {
            case rdMonochrome: want = TMonochromeLookup().MatchColor(c.r, c.g, c.b, mr, mg, mb); break;
            case rdGrayScale: want = TGrayScaleLookup().MatchColor(c.r, c.g, c.b, mr, mg, mb); break;
            case rdNetscape: want = static_cast<std::uint8_t>(CubeIndex(c)); break;
            default: want = static_cast<std::uint8_t>(gfx::GetNearestPaletteIndex(paletteObject, gfx::RGBColor(c.r, c.g, c.b)));
          }
          ASSERT_EQ(index, want) << x << "," << y;
        }
    }
  }
}

TEST(ReduceBitmapColors, QuantizeTakesTwoToThePowerOfTheBitsAndLeavesTheCustomPalette) {
  auto source = NoisePicture(64, 32, 12);
  for (const int bits : {1, 3, 8}) {
    auto result = ReduceBitmapColors(*source, rdQuantize, dkNearest, bits, nullptr);
    int highest = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) highest = std::max<int>(highest, IndexAt(*result, x, y));
    EXPECT_LT(highest, 1 << bits) << bits;
    EXPECT_GE(highest, (1 << bits) / 2) << "most of the palette is used on noise";
  }
  const gfx::HPALETTE custom = gfx::CreatePalette(std::vector<gfx::TPaletteEntry>{{1, 2, 3, 0}, {200, 200, 200, 0}});
  ReduceBitmapColors(*source, rdCustomPalette, dkFloydSteinberg, 8, custom);
  EXPECT_EQ(gfx::GetPaletteEntryCount(custom), 2u);
  EXPECT_EQ(custom.use_count(), 1) << "no share of the caller's palette is kept";
}
