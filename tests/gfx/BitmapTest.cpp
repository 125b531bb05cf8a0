#include <gtest/gtest.h>

#include <cstring>

#include "gfx/Bitmap.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "tests/support/Decoders.h"

using namespace gfx;

namespace {

// One pixel of each format, written at (x, 0), and the 24-bit blue, green, red it must become.
struct ConversionCase {
  const char* name;
  TPixelFormat format;
  std::vector<std::uint8_t> rowBytes;  // the first stored bytes of the top row
  std::vector<TRGBQuad> table;         // colour table for the indexed formats
  std::vector<std::uint8_t> expectBGR; // expected pixels, 3 bytes each
};

std::vector<ConversionCase> ConversionCases() {
  const TRGBQuad red{0, 0, 255, 0}, blue{255, 0, 0, 0}, odd{10, 20, 30, 0};
  return {
      {"32bit drops the fourth byte", pf32bit, {1, 2, 3, 99, 200, 100, 50, 7}, {}, {1, 2, 3, 200, 100, 50}},
      {"device is 32 bit", pfDevice, {9, 8, 7, 6}, {}, {9, 8, 7}},
      {"24bit unchanged", pf24bit, {1, 2, 3, 4, 5, 6}, {}, {1, 2, 3, 4, 5, 6}},
      // 5-6-5: red 31, green 63, blue 31 -> 255s; red 1 -> 8, green 1 -> 4, blue 16 -> 132
      {"16bit 565", pf16bit, {0xFF, 0xFF, 0x30, 0x08}, {}, {255, 255, 255, 132, 4, 8}},
      // 5-5-5: 0x7FFF white; red 2 (0x0800) -> 16, green 3 (0x60) -> 24, blue 5 -> 41
      {"15bit 555", pf15bit, {0xFF, 0x7F, 0x65, 0x08}, {}, {255, 255, 255, 41, 24, 16}},
      {"8bit through the table", pf8bit, {2, 0, 1}, {red, blue, odd}, {10, 20, 30, 0, 0, 255, 255, 0, 0}},
      {"4bit high nibble first", pf4bit, {0x21, 0x00}, {red, blue, odd}, {10, 20, 30, 255, 0, 0, 0, 0, 255}},
      {"1bit most significant first", pf1bit, {0b10100000}, {red, blue}, {255, 0, 0, 0, 0, 255, 255, 0, 0}},
  };
}

}  // namespace

TEST(BitmapConversion, EveryFormatTo24Bit) {
  for (const ConversionCase& c : ConversionCases()) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    bitmap.SetPixelFormat(c.format);
    const int width = static_cast<int>(c.expectBGR.size() / 3);
    bitmap.SetSize(width, 2);
    if (!c.table.empty()) bitmap.SetColorTable(c.table);
    std::memcpy(bitmap.ScanLine(0), c.rowBytes.data(), c.rowBytes.size());
    bitmap.SetPixelFormat(pf24bit);
    ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
    ASSERT_EQ(bitmap.Width(), width);
    ASSERT_EQ(bitmap.Stride(), RowStride(width, 24));
    EXPECT_EQ(std::vector<std::uint8_t>(bitmap.ScanLine(0), bitmap.ScanLine(0) + width * 3), c.expectBGR);
    // The second row was never written: zero pixels, which are black or colour-table entry 0.
    std::vector<std::uint8_t> zeroRow;
    for (int x = 0; x < width; ++x) {
      const TRGBQuad q = c.table.empty() ? TRGBQuad{} : c.table[0];
      zeroRow.insert(zeroRow.end(), {q.Blue, q.Green, q.Red});
    }
    EXPECT_EQ(std::vector<std::uint8_t>(bitmap.ScanLine(1), bitmap.ScanLine(1) + width * 3), zeroRow);
  }
}

TEST(BitmapConversion, ChannelExpansionRule) {
  // Every 5-bit value c becomes c*8 + c div 4, every 6-bit green g becomes g*4 + g div 16.
  TBitmap b;
  b.SetPixelFormat(pf16bit);
  b.SetSize(64, 1);
  for (int i = 0; i < 64; ++i) PutU16LE(b.ScanLine(0) + 2 * i, ((i & 31) << 11) | (i << 5) | (i & 31));
  b.SetPixelFormat(pf24bit);
  for (int i = 0; i < 64; ++i) {
    const std::uint8_t* p = b.ScanLine(0) + 3 * i;
    const int c = i & 31;
    EXPECT_EQ(p[0], c * 8 + c / 4);
    EXPECT_EQ(p[1], i * 4 + i / 16);
    EXPECT_EQ(p[2], c * 8 + c / 4);
  }
}

TEST(Bitmap, StorageIsBottomUpAndPadded) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 2);
  EXPECT_EQ(b.Stride(), 12);
  b.ScanLine(0)[0] = 0xAA;  // top row
  EXPECT_EQ(b.Bits()[12], 0xAA) << "the top row is stored last";
  EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
  try {
    b.ScanLine(-1);
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "スキャンラインのインデックスが範囲外です");
  }
}

TEST(Bitmap, ResizeKeepsTopLeftAndZeroFills) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(2, 2);
  b.ScanLine(0)[0] = 7;
  b.ScanLine(1)[1] = 9;
  b.SetSize(3, 3);
  EXPECT_EQ(b.ScanLine(0)[0], 7);
  EXPECT_EQ(b.ScanLine(1)[1], 9);
  EXPECT_EQ(b.ScanLine(2)[2], 0);
  EXPECT_EQ(b.ColorTable().size(), 256u) << "an 8-bit bitmap carries a colour table";
}

TEST(Bitmap, EmptyAndZeroSizes) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetWidth(10);
  EXPECT_TRUE(b.Empty()) << "width without height";
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  b.SetHeight(1);
  EXPECT_FALSE(b.Empty());
}

TEST(Bitmap, AssignSharesUntilWritten) {
  auto source = testsupport::NewPatternBitmap(5, 4, pf24bit);
  source->SetTransparent(true);
  TBitmap copy;
  copy.Assign(source.get());
  EXPECT_TRUE(copy.SharesPixelsWith(*source));
  EXPECT_TRUE(copy.Transparent());
  copy.ScanLine(0)[0] ^= 0xFF;  // first write copies
  EXPECT_FALSE(copy.SharesPixelsWith(*source));
  EXPECT_NE(copy.ScanLine(0)[0], source->ScanLine(0)[0]);
  // Converting the original leaves the share's pixels alone.
  TBitmap share;
  auto deep = testsupport::NewPatternBitmap(4, 3, pf32bit);
  share.Assign(deep.get());
  const auto before = testsupport::ToRGB(share).pixels;
  deep->SetPixelFormat(pf24bit);
  EXPECT_EQ(share.PixelFormat(), pf32bit);
  EXPECT_EQ(testsupport::ToRGB(share).pixels, before);
  EXPECT_EQ(testsupport::ToRGB(*deep).pixels, before);
}

TEST(Bitmap, AssignFromOtherClassRaisesConvertError) {
  struct Other : TPersistent {
    std::string_view ClassName() const override { return "TOther"; }
  } other;
  TBitmap b;
  try {
    b.Assign(&other);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "TOther を TBitmap に代入できません");
  }
}

TEST(Bitmap, SizesBeyondTheFileFieldsRaiseOutOfResources) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  try {
    b.SetSize(70000, 70000);  // 19.6 GB: more than a BMP can describe
    FAIL() << "no error";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "システム リソースが足りません");
  }
  EXPECT_TRUE(b.Empty()) << "a refused size leaves the bitmap as it was";
  EXPECT_THROW(b.SetSize(-1, 5), EInvalidGraphic);
  EXPECT_THROW(b.SetPixelFormat(pfCustom), EInvalidGraphic);
}

TEST(BitmapConversion, ToOtherFormatsAndBack) {
  // Pure colours survive a trip through each format (the palettes hold them exactly).
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 1);
  std::uint8_t* row = b.ScanLine(0);
  row[0] = 0, row[1] = 0, row[2] = 255;      // red
  row[3] = 255, row[4] = 255, row[5] = 255;  // white
  for (TPixelFormat f : {pf4bit, pf8bit, pf15bit, pf16bit, pf32bit}) {
    TBitmap c;
    c.Assign(&b);
    c.SetPixelFormat(f);
    EXPECT_EQ(c.PixelFormat(), f);
    c.SetPixelFormat(pf24bit);
    EXPECT_EQ(testsupport::ToRGB(c).pixels, (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 255})) << int(f);
  }
}
