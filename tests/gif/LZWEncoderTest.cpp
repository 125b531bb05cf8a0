#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "gif/GIFException.h"
#include "gif/LZWEncoder.h"
#include "tests/gif/LZWReference.h"
#include "tests/support/ShortStream.h"

using namespace gif;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Encode(TGIFEncoding encoding, const Bytes& pixels, int width, int height, int minCodeSize, int colorLimit,
             bool interlace = false) {
  gfx::TMemoryStream stream;
  NewEncoder(encoding)->Encode(stream, minCodeSize, width, height, interlace, pixels.data(), colorLimit);
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

Bytes LZW(const Bytes& pixels, int minCodeSize = 8) {
  return Encode(enLZW, pixels, static_cast<int>(pixels.size()), 1, minCodeSize, 1 << minCodeSize);
}

Bytes Noise(std::size_t count, unsigned seed, int colors = 256) {
  std::mt19937 random(seed);
  Bytes pixels(count);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(random() % colors);
  return pixels;
}

// The codes of a complete image data block, read as a decoder reads them.
std::vector<giftest::ReadCode> CodesOf(const Bytes& imageData) {
  std::size_t pos = 1;
  const Bytes data = giftest::JoinSubBlocks(imageData, pos);
  EXPECT_EQ(pos, imageData.size()) << "bytes after the terminator";
  return giftest::ReadCodes(data, imageData[0]);
}

}  // namespace

TEST(LZWEncoder, SmallFramesGiveTheExactBytes) {
  struct Case {
    const char* name;
    Bytes pixels;
    int width, height, minCodeSize, colorLimit;
    Bytes expected;
  } cases[] = {
      // codes 256, 0, 257 at 9 bits
      {"1x1 of index 0", {0}, 1, 1, 8, 256, {0x08, 0x04, 0x00, 0x01, 0x04, 0x04, 0x00}},
      // codes 256, 0, 258, 0, 257
      {"2x2 of index 0", {0, 0, 0, 0}, 2, 2, 8, 256, {0x08, 0x06, 0x00, 0x01, 0x08, 0x04, 0x10, 0x10, 0x00}},
      // white after the reduction: codes 256, 215, 257
      {"1x1 of index 215", {215}, 1, 1, 8, 256, {0x08, 0x04, 0x00, 0xAF, 0x05, 0x04, 0x00}},
      // a 2-entry table still uses minimum code size 2: codes 4, 1, 5 at 3 bits
      {"2-entry table", {1}, 1, 1, 1, 2, {0x02, 0x02, 0x4C, 0x01, 0x00}},
      // nothing to encode: the end code alone
      {"no pixels", {}, 0, 0, 8, 256, {0x08, 0x02, 0x01, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    gfx::TMemoryStream stream;
    TLZWEncoder encoder;
    encoder.Encode(stream, c.minCodeSize, c.width, c.height, false, c.pixels.empty() ? nullptr : c.pixels.data(),
                   c.colorLimit);
    EXPECT_EQ(Bytes(stream.Bytes().begin(), stream.Bytes().end()), c.expected) << c.name;
  }
}

TEST(LZWEncoder, CodesEqualTheStraightforwardEncoder) {
  // Noise (many clear codes), long runs, few colours, and sizes around the clear code.
  std::vector<std::pair<Bytes, int>> inputs;
  for (unsigned seed = 1; seed <= 6; ++seed) inputs.push_back({Noise(1 + seed * 7919, seed), 8});
  inputs.push_back({Noise(300000, 99), 8});
  inputs.push_back({Noise(200000, 7, 2), 1});
  inputs.push_back({Noise(200000, 8, 16), 4});
  inputs.push_back({Noise(100000, 9, 5), 3});
  Bytes runs;
  std::mt19937 random(5);
  while (runs.size() < 400000) runs.insert(runs.end(), random() % 3000, static_cast<std::uint8_t>(random() % 7));
  inputs.push_back({runs, 8});
  for (const auto& [pixels, bits] : inputs)
    EXPECT_EQ(LZW(pixels, bits), giftest::ReferenceLZW(pixels, bits)) << pixels.size() << " pixels, " << bits << " bits";
}

TEST(LZWEncoder, WidthGrowsAfterCode512AndClearComesBefore4095) {
  const Bytes pixels = Noise(20000, 3);  // almost every pair is new: about one code per pixel
  const auto codes = CodesOf(LZW(pixels));
  ASSERT_EQ(codes.front().code, 256) << "the stream starts with a clear code";
  ASSERT_EQ(codes.back().code, 257);

  // The code read when the decoder's next entry became 512 was written at 9 bits, the next at 10.
  std::size_t i = 0;
  while (codes[i].nextEntry < 511) ++i;
  EXPECT_EQ(codes[i].width, 9);
  EXPECT_EQ(codes[i + 1].nextEntry, 512);
  EXPECT_EQ(codes[i + 1].width, 10);

  // Every clear code after the first comes at 12 bits once code 4094 is taken, never later.
  int clears = 0;
  for (std::size_t k = 1; k + 1 < codes.size(); ++k) {
    if (codes[k].code != 256) continue;
    ++clears;
    EXPECT_EQ(codes[k].width, 12);
    EXPECT_EQ(codes[k].nextEntry, 4095);
  }
  EXPECT_GE(clears, 3);
  for (const auto& c : codes) EXPECT_LT(c.code, 4095);
}

TEST(LZWEncoder, DataOfWholeSubBlocksEndsWithTheTerminatorOnly) {
  // Find noise whose code stream is exactly k x 255 bytes for some k >= 2.
  for (std::size_t n = 400; n < 6000; ++n) {
    const Bytes out = LZW(Noise(n, 11));
    std::size_t pos = 1;
    std::vector<int> lengths;
    const Bytes data = giftest::JoinSubBlocks(out, pos, &lengths);
    if (data.size() % 255 != 0) continue;
    EXPECT_EQ(pos, out.size());
    for (int length : lengths) EXPECT_EQ(length, 255);
    EXPECT_EQ(lengths.size(), data.size() / 255);
    EXPECT_EQ(out.back(), 0);
    EXPECT_NE(out[out.size() - 257], 0) << "an empty sub-block before the terminator";
    return;
  }
  FAIL() << "no picture gave whole sub-blocks";
}

TEST(LZWEncoder, IndexAtTheColourLimitFails) {
  for (TGIFEncoding encoding : {enLZW, enRLE}) {
    for (const Bytes& pixels : {Bytes{5, 0, 1}, Bytes{0, 1, 2, 3, 4, 5}}) {
      gfx::TMemoryStream stream;
      try {
        NewEncoder(encoding)->Encode(stream, 3, static_cast<int>(pixels.size()), 1, false, pixels.data(), 5);
        FAIL() << "no error";
      } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
      }
      // The block in progress still reaches the stream; no terminator follows it.
      ASSERT_GE(stream.Size(), 1);
      EXPECT_EQ(stream.Bytes()[0], 3);
      if (stream.Size() > 1) {
        EXPECT_NE(stream.Bytes().back(), 0);
      }
    }
  }
}


TEST(LZWEncoder, EveryShortWriteRaisesTheWriteError) {
  const Bytes pixels = Noise(2000, 4);
  const std::size_t full = LZW(pixels).size();
  for (std::size_t limit = 0; limit < full; ++limit) {
    testsupport::ShortStream stream(limit);
    EXPECT_THROW(TLZWEncoder().Encode(stream, 8, 2000, 1, false, pixels.data(), 256), gfx::EWriteError) << limit;
  }
}
