#include <gtest/gtest.h>

#include <cstring>

#include "gfx/Bitmap.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "tests/support/Decoders.h"
#include "tests/support/TempDir.h"

using namespace gfx;

namespace {

std::vector<std::uint8_t> SaveBytes(TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return {s.Bytes().begin(), s.Bytes().end()};
}

std::unique_ptr<TBitmap> Load(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream s;
  s.Write(bytes.data(), bytes.size());
  s.SetPosition(0);
  auto b = std::make_unique<TBitmap>();
  b->LoadFromStream(s);
  return b;
}

// A hand-made BMP file: header fields, optional masks or colour table, then rows as given.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bits, std::uint32_t compression,
                                  std::vector<std::uint8_t> extra, std::vector<std::uint8_t> rows,
                                  std::uint32_t colorsUsed = 0) {
  std::vector<std::uint8_t> f(54);
  f[0] = 'B', f[1] = 'M';
  PutU32LE(&f[10], static_cast<std::uint32_t>(54 + extra.size()));
  PutU32LE(&f[14], 40);
  PutU32LE(&f[18], static_cast<std::uint32_t>(width));
  PutU32LE(&f[22], static_cast<std::uint32_t>(height));
  PutU16LE(&f[26], 1);
  PutU16LE(&f[28], static_cast<std::uint32_t>(bits));
  PutU32LE(&f[30], compression);
  PutU32LE(&f[46], colorsUsed);
  f.insert(f.end(), extra.begin(), extra.end());
  f.insert(f.end(), rows.begin(), rows.end());
  PutU32LE(&f[2], static_cast<std::uint32_t>(f.size()));
  return f;
}

}  // namespace

TEST(BmpSave, OnePixelIs58BytesWithTheHeaderFields) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(1, 1);
  b.ScanLine(0)[0] = 0x11, b.ScanLine(0)[1] = 0x22, b.ScanLine(0)[2] = 0x33;
  const auto f = SaveBytes(b);
  ASSERT_EQ(f.size(), 58u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(GetU32LE(&f[2]), 58u);   // file size
  EXPECT_EQ(GetU32LE(&f[6]), 0u);    // reserved
  EXPECT_EQ(GetU32LE(&f[10]), 54u);  // pixel offset
  EXPECT_EQ(GetU32LE(&f[14]), 40u);  // header size
  EXPECT_EQ(GetU32LE(&f[18]), 1u);
  EXPECT_EQ(GetU32LE(&f[22]), 1u);   // positive: bottom-up
  EXPECT_EQ(GetU16LE(&f[26]), 1u);   // planes
  EXPECT_EQ(GetU16LE(&f[28]), 24u);
  EXPECT_EQ(GetU32LE(&f[30]), 0u);   // BI_RGB
  EXPECT_EQ(GetU32LE(&f[34]), 4u);   // image size = stride
  for (int offset : {38, 42, 46, 50}) EXPECT_EQ(GetU32LE(&f[offset]), 0u) << offset;
  EXPECT_EQ(f[54], 0x11);
  EXPECT_EQ(f[55], 0x22);
  EXPECT_EQ(f[56], 0x33);
}

TEST(BmpSave, StrideAndSizesByWidth) {
  for (auto [width, stride] : {std::pair{3, 12}, {4, 12}, {1, 4}, {5, 16}}) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(width, 2);
    const auto f = SaveBytes(b);
    EXPECT_EQ(f.size(), 54u + 2 * stride) << width;
    EXPECT_EQ(GetU32LE(&f[34]), 2u * stride) << width;
  }
}

TEST(BmpSave, EmptyBitmapGivesAZeroByteFile) {
  testsupport::TempDir dir;
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.SaveToFile(dir.File("empty.bmp"));
    EXPECT_TRUE(testsupport::ReadFile(dir.File("empty.bmp")).empty());
  }
}

TEST(BmpSave, RedAndBlueRoundTripThroughOursAndNetpbm) {
  // Red top-left, blue bottom-right, odd width: a swapped channel or flipped row shows at once.
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 2);
  auto put = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t bl) {
    std::uint8_t* p = b.ScanLine(y) + 3 * x;
    p[0] = bl, p[1] = g, p[2] = r;
  };
  put(0, 0, 255, 0, 0);
  put(2, 1, 0, 0, 255);
  put(1, 0, 10, 20, 30);
  testsupport::TempDir dir;
  b.SaveToFile(dir.File("rb.bmp"));

  TBitmap ours;
  ours.LoadFromFile(dir.File("rb.bmp"));
  EXPECT_EQ(testsupport::ToRGB(ours).pixels, testsupport::ToRGB(b).pixels);

  const auto theirs = testsupport::DecodeBMPWithNetpbm(dir.File("rb.bmp"));
  ASSERT_EQ(theirs.width, 3);
  ASSERT_EQ(theirs.height, 2);
  EXPECT_EQ(theirs.pixels, testsupport::ToRGB(b).pixels);
}

TEST(BmpLoad, EveryBitDepthAndLayout) {
  const std::vector<std::uint8_t> table = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
  const std::vector<std::uint8_t> masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
  const std::vector<std::uint8_t> masks555 = {0x00, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
  const std::vector<std::uint8_t> masks32 = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
  const std::vector<std::uint8_t> masksRGBX = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};  // red lowest
  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
    TPixelFormat format;
    std::vector<std::uint8_t> rgbTopRow;
  };
  const std::vector<Case> cases = {
      {"1 bit", MakeBmp(2, 1, 1, 0, table, {0x40, 0, 0, 0}, 2), pf1bit, {255, 0, 0, 0, 0, 255}},
      {"4 bit", MakeBmp(2, 1, 4, 0, table, {0x10, 0, 0, 0}, 2), pf4bit, {0, 0, 255, 255, 0, 0}},
      {"8 bit", MakeBmp(2, 1, 8, 0, table, {1, 0, 0, 0}, 2), pf8bit, {0, 0, 255, 255, 0, 0}},
      {"16 bit plain is 5-5-5", MakeBmp(1, 1, 16, 0, {}, {0x00, 0x7C, 0, 0}), pf15bit, {255, 0, 0}},
      {"16 bit fields 5-6-5", MakeBmp(1, 1, 16, 3, masks565, {0xE0, 0x07, 0, 0}), pf16bit, {0, 255, 0}},
      {"16 bit fields 5-5-5", MakeBmp(1, 1, 16, 3, masks555, {0x1F, 0x00, 0, 0}), pf15bit, {0, 0, 255}},
      {"24 bit", MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0}), pf24bit, {3, 2, 1}},
      {"32 bit", MakeBmp(1, 1, 32, 0, {}, {1, 2, 3, 4}), pf32bit, {3, 2, 1}},
      {"32 bit fields standard", MakeBmp(1, 1, 32, 3, masks32, {1, 2, 3, 4}), pf32bit, {3, 2, 1}},
      {"32 bit fields red lowest", MakeBmp(1, 1, 32, 3, masksRGBX, {1, 2, 3, 4}), pf32bit, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Load(c.file);
    EXPECT_EQ(b->PixelFormat(), c.format);
    const auto rgb = testsupport::ToRGB(*b).pixels;
    EXPECT_EQ(std::vector<std::uint8_t>(rgb.begin(), rgb.begin() + c.rgbTopRow.size()), c.rgbTopRow);
  }
}

TEST(BmpLoad, TopDownRowsAreFlipped) {
  // Two rows, 1 pixel each, stored top row first (negative height).
  auto f = MakeBmp(1, -2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0});
  auto b = Load(f);
  EXPECT_EQ(testsupport::ToRGB(*b).pixels, (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 255}));
}

TEST(BmpLoad, RefusesMalformedFiles) {
  const auto good = MakeBmp(2, 2, 24, 0, {}, std::vector<std::uint8_t>(16, 7));
  auto with = [&](std::size_t offset, std::uint32_t value, int width = 4) {
    auto f = good;
    if (width == 4) PutU32LE(&f[offset], value); else PutU16LE(&f[offset], value);
    return f;
  };
  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"not BM", with(0, 0x4D42 + 1, 2)},
      {"truncated file header", std::vector<std::uint8_t>(good.begin(), good.begin() + 10)},
      {"truncated info header", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
      {"truncated pixels", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
      {"odd header size", with(14, 41)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, 0xFFFFFFFF)},
      {"zero height", with(22, 0)},
      {"planes 2", with(26, 2, 2)},
      {"bit count 7", with(28, 7, 2)},
      {"RLE compression", with(30, 1)},
      {"bit fields on 24 bit", with(30, 3)},
      {"huge size, tiny file", with(22, 0x7FFFFFFF)},
      {"huge width, tiny file", with(18, 0x7FFFFFFF)},
      {"pixel offset inside the header", with(10, 20)},
      {"pixel offset beyond the end", with(10, 1000)},
      {"too many colours", MakeBmp(1, 1, 1, 0, std::vector<std::uint8_t>(12, 0), {0, 0, 0, 0}, 3)},
      {"colour table cut", MakeBmp(1, 1, 8, 0, std::vector<std::uint8_t>(8, 0), {}, 256)},
      {"gapped bit field mask", MakeBmp(1, 1, 32, 3, {0x0F, 0xF0, 0x0F, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0}, {0, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Load(c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("ビットマップ イメージが無効です: ", 0), 0u) << e.what();
    }
  }
}

TEST(BmpFile, EveryFormatSavesAndLoadsBack) {
  testsupport::TempDir dir;
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    auto b = testsupport::NewPatternBitmap(7, 5, f, 3);
    b->SaveToFile(dir.File("f.bmp"));
    TBitmap back;
    back.LoadFromFile(dir.File("f.bmp"));
    EXPECT_EQ(back.PixelFormat(), f);
    EXPECT_EQ(testsupport::ToRGB(back).pixels, testsupport::ToRGB(*b).pixels) << int(f);
  }
}

TEST(BmpFile, CreationFailureNamesThePath) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(1, 1);
  const std::string path = "/nonexistent-folder-vantora/1-.bmp";
  try {
    b.SaveToFile(path);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル \"" + path + "\". No such file or directory を作成できません");
  }
}
