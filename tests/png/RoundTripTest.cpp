// Every row of the format table, interlaced and not, with every filter mode, decoded by
// libpng and compared pixel by pixel with the source bitmap.
#include <gtest/gtest.h>

#include "gfx/Bytes.h"
#include "png/PNGGraphic.h"
#include "png/PNGWriteStream.h"
#include "tests/png/PngTestKit.h"
#include "tests/support/Decoders.h"

using namespace png;

namespace {

gfx::TRGBQuad Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {b, g, r, 0}; }

struct Source {
  const char* name;
  gfx::TPixelFormat format;
  std::vector<gfx::TRGBQuad> palette;  // empty: the format's default table
};

const Source Sources[] = {
    {"1-bit", gfx::pf1bit, {}},
    {"1-bit, white first", gfx::pf1bit, {Quad(250, 250, 250), Quad(10, 20, 30)}},
    {"4-bit", gfx::pf4bit, {}},
    {"8-bit", gfx::pf8bit, {}},
    {"15-bit", gfx::pf15bit, {}},
    {"16-bit", gfx::pf16bit, {}},
    {"24-bit", gfx::pf24bit, {}},
    {"32-bit", gfx::pf32bit, {}},
    {"device", gfx::pfDevice, {}},
};

unsigned Weight(const gfx::TRGBQuad& q) { return q.Red * 77u + q.Green * 150u + q.Blue * 29u; }

// What a decoder should see, worked out from the bitmap by the rules of the format table.
testsupport::RGBImage Expected(const gfx::TBitmap& bitmap, bool gray, const gfx::TBitmap* mask) {
  testsupport::RGBImage rgb = testsupport::ToRGB(bitmap);
  const bool indexed = gfx::IsIndexed(bitmap.PixelFormat());
  const bool lowDepth = bitmap.PixelFormat() == gfx::pf1bit || bitmap.PixelFormat() == gfx::pf4bit;
  const bool alpha = mask != nullptr && (gray ? !lowDepth : !indexed);
  testsupport::RGBImage out;
  out.width = rgb.width;
  out.height = rgb.height;
  out.channels = alpha ? 4 : 3;
  const auto table = bitmap.ColorTable();
  for (int y = 0; y < rgb.height; ++y)
    for (int x = 0; x < rgb.width; ++x) {
      const std::uint8_t* p = rgb.At(x, y);
      std::uint8_t sample[3] = {p[0], p[1], p[2]};
      if (gray) {
        std::uint8_t level;
        if (!indexed) {
          level = static_cast<std::uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29) / 256);
        } else {
          const int i = pngtest::IndexAt(bitmap, x, y);
          if (bitmap.PixelFormat() == gfx::pf1bit) {
            const bool invert = Weight(table[0]) / 256 > Weight(table[1]) / 256;
            level = ((i != 0) != invert) ? 255 : 0;
          } else if (bitmap.PixelFormat() == gfx::pf4bit) {
            level = static_cast<std::uint8_t>(Weight(table[i]) / 4096 * 17);
          } else {
            level = static_cast<std::uint8_t>(Weight(table[i]) / 256);
          }
        }
        sample[0] = sample[1] = sample[2] = level;
      }
      out.pixels.insert(out.pixels.end(), sample, sample + 3);
      if (alpha) out.pixels.push_back(static_cast<std::uint8_t>(255 - mask->ScanLine(y)[x]));
    }
  return out;
}

}  // namespace

TEST(PNGRoundTrip, EveryFormatFilterAndInterlaceAtOddSizes) {
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {5, 7}, {33, 9}, {10, 17}};
  const std::uint8_t filterModes[] = {0, 1, 2, 3, 4, 5, 9};
  int files = 0;
  for (const Source& source : Sources)
    for (auto [w, h] : sizes) {
      auto bitmap = testsupport::NewPatternBitmap(w, h, source.format, static_cast<unsigned>(w * 31 + h));
      if (!source.palette.empty()) bitmap->SetColorTable(source.palette);
      auto mask = testsupport::NewPatternBitmap(w, h, gfx::pf8bit, 5);
      for (bool gray : {false, true})
        for (bool withMask : {false, true})
          for (bool interlaced : {false, true})
            for (std::uint8_t filter : filterModes) {
              SCOPED_TRACE(testing::Message() << source.name << " " << w << "x" << h << (gray ? " gray" : "")
                                              << (withMask ? " mask" : "") << (interlaced ? " interlaced" : "")
                                              << " filter mode " << int(filter));
              TPNGGraphic graphic;
              graphic.Assign(bitmap.get());
              graphic.AlphaMask().Assign(mask.get());
              graphic.HasAlpha = withMask;
              graphic.Grayscale = gray;
              graphic.Interlaced = interlaced;
              graphic.FilterMode = filter;
              const auto file = pngtest::Save(graphic);
              testsupport::RGBImage decoded;
              ASSERT_NO_THROW(decoded = testsupport::DecodePNG(file));
              const auto expected = Expected(*bitmap, gray, withMask ? mask.get() : nullptr);
              ASSERT_EQ(decoded.width, w);
              ASSERT_EQ(decoded.height, h);
              ASSERT_EQ(decoded.channels, expected.channels);
              ASSERT_EQ(decoded.pixels, expected.pixels);
              ++files;
            }
    }
  EXPECT_EQ(files, 9 * 5 * 2 * 2 * 2 * 7);
}

TEST(PNGRoundTrip, AlphaFromTheMask) {
  auto bitmap = testsupport::NewPatternBitmap(2, 1, gfx::pf24bit);
  gfx::TBitmap mask;
  mask.SetPixelFormat(gfx::pf8bit);
  mask.SetSize(2, 1);
  mask.ScanLine(0)[0] = 0;
  mask.ScanLine(0)[1] = 255;
  TPNGGraphic graphic;
  graphic.Assign(bitmap.get());
  graphic.AlphaMask().Assign(&mask);
  graphic.HasAlpha = true;
  const auto decoded = testsupport::DecodePNG(pngtest::Save(graphic));
  ASSERT_EQ(decoded.channels, 4);
  EXPECT_EQ(decoded.At(0, 0)[3], 255) << "mask byte 0: opaque";
  EXPECT_EQ(decoded.At(1, 0)[3], 0) << "mask byte 255: transparent";
}

TEST(PNGRoundTrip, FullScaleChannels) {
  struct Case {
    gfx::TPixelFormat format;
    std::uint16_t word;
    std::uint8_t r, g, b;
  };
  const Case cases[] = {
      {gfx::pf15bit, 0x7FFF, 255, 255, 255},
      {gfx::pf16bit, 0x07E0, 0, 255, 0},  // green 63
      {gfx::pf16bit, 0x8410, 132, 130, 132},
  };
  for (const Case& c : cases) {
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(c.format);
    bitmap.SetSize(1, 1);
    gfx::PutU16LE(bitmap.ScanLine(0), c.word);
    TPNGGraphic graphic;
    graphic.Assign(&bitmap);
    const auto rows = pngtest::InflateImageData(pngtest::SplitChunks(pngtest::Save(graphic)));
    EXPECT_EQ(rows, (std::vector<std::uint8_t>{0, c.r, c.g, c.b})) << std::hex << c.word;
  }
}
