#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "app/JPEGImage.h"
#include "app/SaveBitmap.h"
#include "gfx/Bytes.h"
#include "tests/support/Decoders.h"

using namespace gfx;

namespace {

// A 20 x 12 picture: left half red, right half blue, with a green bottom band.
std::unique_ptr<TBitmap> Asymmetric() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(20, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      std::uint8_t* p = b->ScanLine(y) + 3 * x;
      const bool green = y >= 8;
      p[0] = (!green && x >= 10) ? 255 : 0;
      p[1] = green ? 255 : 0;
      p[2] = (!green && x < 10) ? 255 : 0;
    }
  return b;
}

std::vector<std::uint8_t> Encode(TBitmap& b) {
  TMemoryStream s;
  app::SaveBitmapToStream(b, app::TSaveFormat::sfJPEG, s);
  return {s.Bytes().begin(), s.Bytes().end()};
}

struct Segment {
  std::uint8_t marker;
  std::vector<std::uint8_t> body;
};

std::vector<Segment> Segments(const std::vector<std::uint8_t>& f) {
  std::vector<Segment> out;
  std::size_t i = 2;  // after SOI
  while (i + 4 <= f.size()) {
    EXPECT_EQ(f[i], 0xFF);
    const std::uint8_t marker = f[i + 1];
    const std::size_t length = GetU16BE(&f[i + 2]);
    out.push_back({marker, std::vector<std::uint8_t>(f.begin() + i + 4, f.begin() + i + 2 + length)});
    i += 2 + length;
    if (marker == 0xDA) break;  // entropy-coded data follows
  }
  return out;
}

constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
constexpr int kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

}  // namespace

TEST(JPEG, DecodesCloseToTheSourceWithRedAndBlueInPlace) {
  auto b = Asymmetric();
  const auto file = Encode(*b);
  const auto img = testsupport::DecodeJPEG(file);
  ASSERT_EQ(img.width, 20);
  ASSERT_EQ(img.height, 12);
  const auto want = testsupport::ToRGB(*b);
  int worst = 0;
  // Away from the colour edges (chroma is subsampled 2x2) the error stays small.
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      if (std::abs(x - 10) <= 2 || std::abs(y - 8) <= 2) continue;
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(img.At(x, y)[c] - want.At(x, y)[c]));
    }
  EXPECT_LE(worst, 12);
  EXPECT_GT(img.At(2, 2)[0], 200) << "top-left is red";
  EXPECT_LT(img.At(2, 2)[2], 60);
  EXPECT_GT(img.At(17, 2)[2], 200) << "top-right is blue";
  EXPECT_GT(img.At(5, 11)[1], 200) << "bottom band is green: rows are not flipped";
}

TEST(JPEG, MarkersAreTheBaselineSet) {
  auto b = Asymmetric();
  const auto file = Encode(*b);
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  EXPECT_EQ(file[file.size() - 2], 0xFF);
  EXPECT_EQ(file[file.size() - 1], 0xD9);

  std::vector<std::uint8_t> order;
  std::vector<std::vector<std::uint8_t>> quant, huffman;
  for (const Segment& s : Segments(file)) {
    order.push_back(s.marker);
    if (s.marker == 0xE0) {
      EXPECT_EQ(std::string(s.body.begin(), s.body.begin() + 5), std::string("JFIF\0", 5));
      EXPECT_EQ(s.body[5], 1);  // version 1.01
      EXPECT_EQ(s.body[6], 1);
      EXPECT_EQ(s.body[7], 0);  // no unit
      EXPECT_EQ(GetU16BE(&s.body[8]), 1);
      EXPECT_EQ(GetU16BE(&s.body[10]), 1);
    }
    if (s.marker == 0xDB) {
      for (std::size_t i = 0; i < s.body.size(); i += 65) quant.emplace_back(s.body.begin() + i, s.body.begin() + i + 65);
    }
    if (s.marker == 0xC4) huffman.push_back(s.body);
    if (s.marker == 0xC0) {
      const std::vector<std::uint8_t> want = {8, 0, 12, 0, 20, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
      EXPECT_EQ(s.body, want);
    }
    EXPECT_NE(s.marker, 0xDD) << "no restart interval";
    EXPECT_NE(s.marker, 0xFE) << "no comment";
    EXPECT_NE(s.marker, 0xC2) << "not progressive";
  }
  EXPECT_EQ(order.front(), 0xE0);
  EXPECT_EQ(order.back(), 0xDA);
  ASSERT_EQ(quant.size(), 2u);
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(quant[t][0], t) << "8-bit precision, table " << t;
    const int* base = t == 0 ? kLuminance : kChrominance;
    for (int k = 0; k < 64; ++k) {
      const int want = std::clamp((base[kZigzag[k]] * 20 + 50) / 100, 1, 255);
      EXPECT_EQ(quant[t][1 + k], want) << "table " << t << " entry " << k;
    }
  }
  // The standard tables: DC luminance counts 0 1 5 1 1 1 1 1 1, then symbols 0..11.
  std::vector<std::uint8_t> all;
  for (auto& h : huffman) all.insert(all.end(), h.begin(), h.end());
  const std::vector<std::uint8_t> dcLuminance = {0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                                                 0,    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  EXPECT_NE(std::search(all.begin(), all.end(), dcLuminance.begin(), dcLuminance.end()), all.end());
  std::size_t tables = 0;
  for (std::size_t i = 0; i < all.size(); ++tables) {
    std::size_t count = 0;
    for (int k = 1; k <= 16; ++k) count += all[i + k];
    i += 17 + count;
  }
  EXPECT_EQ(tables, 4u);
}

TEST(JPEG, EmptyBitmapGivesNoBytes) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(0, 7);
  EXPECT_TRUE(Encode(b).empty());
}

TEST(JPEG, FatalLibraryErrorRaisesWithTheMessageCode) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(70000, 1);  // wider than a JPEG frame can be
  try {
    Encode(b);
    FAIL() << "no error";
  } catch (const app::EJPEG& e) {
    EXPECT_EQ(e.MessageCode(), JERR_IMAGE_TOO_BIG);
    EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(JERR_IMAGE_TOO_BIG));
  }
}

TEST(JPEG, CompressesOnceAndWritesTheSameBytesAgain) {
  auto b = Asymmetric();
  app::TJPEGImage jpeg;
  jpeg.Assign(b.get());
  EXPECT_EQ(jpeg.Width(), 20);
  TMemoryStream first, second;
  jpeg.SaveToStream(first);
  jpeg.SaveToStream(second);  // compressed once, written twice
  EXPECT_EQ(std::vector<std::uint8_t>(first.Bytes().begin(), first.Bytes().end()),
            std::vector<std::uint8_t>(second.Bytes().begin(), second.Bytes().end()));
}
