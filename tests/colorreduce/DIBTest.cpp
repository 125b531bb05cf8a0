#include "colorreduce/DIB.h"

#include <gtest/gtest.h>

#include <vector>

#include "Pictures.h"
#include "colorreduce/GIFException.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"

using namespace colorreduce;
using gfx::GetU16LE;
using gfx::GetU32LE;

namespace {

gfx::HPALETTE ThreeColours() {
  return gfx::CreatePalette(std::vector<gfx::TPaletteEntry>{{10, 20, 30, 0}, {40, 50, 60, 4}, {255, 0, 128, 0}});
}

// Writes y * 10 + x into every pixel of an 8-bit writer.
void FillRows(TDIBWriter& writer, int width, int height) {
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = writer.RowPointer(y);
    for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(y * 10 + x);
  }
}

}  // namespace

TEST(DIBWriter, EightBitHeaderAndColourTable) {
  gfx::TBitmap target;
  TDIBWriter writer(target, gfx::pf8bit, 5, 3, ThreeColours());
  EXPECT_EQ(writer.Header(), nullptr) << "nothing is allocated before the first row";
  std::uint8_t* row0 = writer.RowPointer(0);
  std::uint8_t* row1 = writer.RowPointer(1);
  EXPECT_EQ(row0 - row1, 8) << "rows of width 5 take 8 bytes, stored bottom-up";
  EXPECT_EQ(writer.HeaderSize(), 1064);
  EXPECT_EQ(writer.PixelsSize(), 24);
  const std::uint8_t* h = writer.Header();
  EXPECT_EQ(GetU32LE(h + 0), 40u);
  EXPECT_EQ(GetU32LE(h + 4), 5u);
  EXPECT_EQ(GetU32LE(h + 8), 3u);
  EXPECT_EQ(GetU16LE(h + 12), 1u);
  EXPECT_EQ(GetU16LE(h + 14), 8u);
  for (int offset : {16, 20, 24, 28}) EXPECT_EQ(GetU32LE(h + offset), 0u) << offset;
  EXPECT_EQ(GetU32LE(h + 32), 256u);
  EXPECT_EQ(GetU32LE(h + 36), 3u);
  const std::vector<std::uint8_t> firstEntries(h + 40, h + 52);
  EXPECT_EQ(firstEntries, (std::vector<std::uint8_t>{30, 20, 10, 0, 60, 50, 40, 0, 128, 0, 255, 0}));
  for (int i = 52; i < 1064; ++i) ASSERT_EQ(h[i], 0) << "entry bytes at " << i;
}

TEST(DIBWriter, TwentyFourBitHeaderHasNoTable) {
  gfx::TBitmap target;
  TDIBWriter writer(target, gfx::pf24bit, 2, 2, nullptr);
  writer.RowPointer(0);
  EXPECT_EQ(writer.HeaderSize(), 40);
  EXPECT_EQ(writer.PixelsSize(), 16);
  EXPECT_EQ(GetU16LE(writer.Header() + 14), 24u);
  EXPECT_EQ(GetU32LE(writer.Header() + 32), 0u);
  EXPECT_EQ(GetU32LE(writer.Header() + 36), 0u);
}

TEST(DIBWriter, CommitHandsThePictureToTheTarget) {
  for (const int height : {3, -3}) {  // negative: stored top-down, the same picture
    SCOPED_TRACE(height);
    gfx::TBitmap target;
    TDIBWriter writer(target, gfx::pf8bit, 5, height, ThreeColours());
    FillRows(writer, 5, 3);
    EXPECT_TRUE(target.Empty()) << "the target is untouched until the commit";
    writer.Commit();
    ASSERT_EQ(target.PixelFormat(), gfx::pf8bit);
    ASSERT_EQ(target.Width(), 5);
    ASSERT_EQ(target.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(target.ScanLine(y)[x], y * 10 + x);
    ASSERT_EQ(target.ColorTable().size(), 256u);
    EXPECT_EQ(target.ColorTable()[2], (gfx::TRGBQuad{128, 0, 255, 0}));
    EXPECT_EQ(target.ColorTable()[3], gfx::TRGBQuad{});
  }
}

TEST(DIBWriter, DestructionCommitsAndAnUnusedWriterLeavesTheTarget) {
  gfx::TBitmap target;
  {
    TDIBWriter writer(target, gfx::pf8bit, 2, 1, ThreeColours());
    writer.RowPointer(0)[1] = 2;
  }
  ASSERT_EQ(target.Width(), 2);
  EXPECT_EQ(target.ScanLine(0)[1], 2);

  gfx::TBitmap untouched;
  { TDIBWriter writer(untouched, gfx::pf8bit, 2, 1, nullptr); }
  EXPECT_TRUE(untouched.Empty());
}

TEST(DIBWriter, ErrorsCarryTheirTexts) {
  gfx::TBitmap target;
  struct Case {
    gfx::TPixelFormat format;
    int width, height;
    const char* message;
  } cases[] = {
      {gfx::pf4bit, 2, 2, "Unsupported PixelFormat"}, {gfx::pf32bit, 2, 2, "Unsupported PixelFormat"},
      {gfx::pf8bit, 0, 2, "Invalid image dimensions"}, {gfx::pf8bit, 2, 0, "Invalid image dimensions"},
      {gfx::pf24bit, 0, 0, "Invalid image dimensions"},
  };
  for (const Case& c : cases) {
    try {
      TDIBWriter writer(target, c.format, c.width, c.height, nullptr);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const gfx::EInvalidGraphic& e) {  // GIFException is one
      EXPECT_NE(dynamic_cast<const GIFException*>(&e), nullptr);
      EXPECT_STREQ(e.what(), c.message);
    }
  }

  TDIBWriter writer(target, gfx::pf8bit, 4, 3, nullptr);
  for (const int y : {-1, 3}) {
    try {
      writer.RowPointer(y);
      ADD_FAILURE() << "row " << y;
    } catch (const gfx::EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.what(), std::string(gfx::Msg::ScanLineOutOfRange));
    }
  }
}

TEST(DIBWriter, SizesBeyondThirtyTwoBitsAreRefusedNotWrapped) {
  // 70000 x 70000 bytes is about 4.9 GB; a 32-bit product would wrap to a small buffer.
  gfx::TBitmap target;
  TDIBWriter writer(target, gfx::pf8bit, 70000, 70000, nullptr);
  try {
    writer.RowPointer(0);
    ADD_FAILURE() << "no error";
  } catch (const gfx::EOutOfMemory& e) {
    EXPECT_STREQ(e.what(), "Failed to allocate memory for GIF DIB");
  }
}

TEST(DIBReader, ConvertsInPlaceAndReadsWithoutCopying) {
  auto source = test::NoisePicture(3, 2, 9);
  auto expected = test::NoisePicture(3, 2, 9);
  source->SetPixelFormat(gfx::pf32bit);
  gfx::TBitmap sharer;
  TDIBReader reader(*source, gfx::pf24bit);
  EXPECT_EQ(source->PixelFormat(), gfx::pf24bit);
  sharer.Assign(source.get());
  for (int y = 0; y < 2; ++y)
    EXPECT_EQ(std::vector<std::uint8_t>(reader.RowPointer(y), reader.RowPointer(y) + 9),
              std::vector<std::uint8_t>(expected->ScanLine(y), expected->ScanLine(y) + 9));
  EXPECT_TRUE(sharer.SharesPixelsWith(*source));
  EXPECT_THROW(reader.RowPointer(2), gfx::EInvalidGraphicOperation);
}
