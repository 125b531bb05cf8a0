// Whole files: exact bytes where they are fixed, and everything else read back by giflib.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/SaveBitmap.h"
#include "colorreduce/ReduceBitmapColors.h"
#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "tests/colorreduce/Pictures.h"
#include "tests/support/Decoders.h"
#include "tests/support/ShortStream.h"
#include "tests/support/TempDir.h"

using namespace gif;
using colorreduce::test::CubeIndex;
using colorreduce::test::NoisePicture;
using colorreduce::test::Picture;
using colorreduce::test::PixelOf;
using colorreduce::test::RGB;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Save(TGIFImage& image) {
  gfx::TMemoryStream stream;
  image.SaveToStream(stream);
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

Bytes SaveBitmap(gfx::TBitmap& bitmap) {
  gfx::TMemoryStream stream;
  app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfGIF, stream);
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

// The 768-byte table of the reduced capture: the 6x6x6 cube, then 40 black entries.
Bytes CubeTable() {
  Bytes table;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) table.insert(table.end(), {std::uint8_t(51 * r), std::uint8_t(51 * g), std::uint8_t(51 * b)});
  table.resize(768, 0);
  return table;
}

gfx::TColor Pack(RGB c) { return gfx::RGBColor(c.r, c.g, c.b); }


void ExpectCubeIndices(const gfx::TBitmap& bitmap, const testsupport::GIFImage& decoded) {
  ASSERT_EQ(decoded.width, bitmap.Width());
  ASSERT_EQ(decoded.height, bitmap.Height());
  ASSERT_EQ(decoded.colorMap, CubeTable());
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      ASSERT_EQ(decoded.indices[std::size_t(y) * bitmap.Width() + x], CubeIndex(PixelOf(bitmap, x, y)))
          << bitmap.Width() << "x" << bitmap.Height() << " at " << x << "," << y;
}

}  // namespace

TEST(GIFFile, WhitePixelCaptureIsExact) {
  auto bitmap = Picture(1, 1, [](int, int) { return RGB{255, 255, 255}; });
  Bytes expected = {0x47, 0x49, 0x46, 0x38, 0x37, 0x61, 0x01, 0x00, 0x01, 0x00, 0x77, 0x00, 0x00,
                    0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x87};
  const Bytes table = CubeTable();
  expected.insert(expected.end(), table.begin(), table.end());
  expected.insert(expected.end(), {0x08, 0x04, 0x00, 0xAF, 0x05, 0x04, 0x00, 0x3B});
  ASSERT_EQ(expected.size(), 799u);
  const Bytes file = SaveBitmap(*bitmap);
  EXPECT_EQ(file, expected);

  // The same image saved twice gives the same bytes.
  TGIFImage image;
  image.Assign(bitmap.get());
  EXPECT_EQ(Save(image), expected);
  EXPECT_EQ(Save(image), expected);
}

TEST(GIFFile, SaveBitmapWritesGifByExtension) {
  // The file an upper-case extension names is the one the stream seam gives.
  auto bitmap = NoisePicture(13, 7, 21);
  testsupport::TempDir dir;
  app::SaveBitmap(*bitmap, dir.File("1-Title.GIF"));
  EXPECT_EQ(testsupport::ReadFile(dir.File("1-Title.GIF")), SaveBitmap(*bitmap));
}

TEST(GIFFile, EmptyFrameIsHeaderAndTrailer) {
  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(gfx::pf24bit);
  EXPECT_EQ(SaveBitmap(bitmap),
            (Bytes{0x47, 0x49, 0x46, 0x38, 0x37, 0x61, 0x00, 0x00, 0x00, 0x00, 0x77, 0x00, 0x00, 0x3B}));

  TGIFImage noFrames;
  gfx::TMemoryStream stream;
  try {
    noFrames.SaveToStream(stream);
    FAIL() << "no error";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
  EXPECT_EQ(stream.Size(), 0);
}

TEST(GIFFile, TwoColourBitmapUsesMinimumCodeSize2) {
  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(gfx::pf1bit);
  bitmap.SetSize(1, 1);
  bitmap.SetColorTable(std::vector<gfx::TRGBQuad>{{0, 0, 0, 0}, {30, 20, 10, 0}});
  bitmap.ScanLine(0)[0] = 0x80;
  TGIFImage image;
  image.Assign(&bitmap);
  const Bytes file = Save(image);
  const Bytes tail = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x80,  // local table of 2 entries
                      0, 0, 0, 10, 20, 30,                 // black, (10, 20, 30)
                      0x02, 0x02, 0x4C, 0x01, 0x00, 0x3B};  // codes 4, 1, 5 at 3 bits
  ASSERT_EQ(file.size(), 13 + tail.size());
  EXPECT_EQ(file[10], 0x00) << "resolution 0, size code 0";
  EXPECT_EQ(Bytes(file.begin() + 13, file.end()), tail);
}

TEST(GIFFile, VersionAndPackedBytesFollowTheColourTables) {
  auto bitmap = NoisePicture(3, 2, 4);
  {  // A sorted local table: 89a and the sort flag.
    TGIFImage image;
    image.Assign(bitmap.get());
    image.Frames().SubImages(0)->LocalColors().SetSorted(true);
    const Bytes file = Save(image);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    EXPECT_EQ(file[13 + 9], 0x80 | 0x20 | 7);
  }
  {  // An extension block: 89a, and the block precedes the image descriptor.
    TGIFImage image;
    image.Assign(bitmap.get());
    auto control = std::make_unique<TGIFGraphicControlExtension>(&image);
    control->Disposal = dmBackground;
    control->Transparent = true;
    control->Delay = 0x1234;
    control->TransparentColorIndex = 9;
    image.Frames().SubImages(0)->AddExtension(std::move(control));
    const Bytes file = Save(image);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 22), (Bytes{0x21, 0xF9, 4, 0x09, 0x34, 0x12, 9, 0, 0x2C}));
    EXPECT_EQ(testsupport::DecodeGIF(file).width, 3);
  }
  {  // A 216-entry table is written as 256 entries, size code 7.
    gfx::TBitmap indexed;
    indexed.SetPixelFormat(gfx::pf8bit);
    indexed.SetSize(2, 1);
    std::vector<gfx::TRGBQuad> table(216, gfx::TRGBQuad{1, 2, 3, 0});
    indexed.SetColorTable(table);
    indexed.ScanLine(0)[1] = 215;
    TGIFImage image;
    image.Assign(&indexed);
    const Bytes file = Save(image);
    EXPECT_EQ(file[13 + 9], 0x87);
    EXPECT_EQ(file[23 + 768], 8) << "the LZW minimum code size follows 256 table entries";
    EXPECT_EQ(Bytes(file.begin() + 23 + 648, file.begin() + 23 + 768), Bytes(120, 0));
  }
  {  // A global table and no local one: bit 7 of the screen descriptor, the table after it.
    TGIFImage image;
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetFrameBounds(0, 0, 2, 2);
    for (int i = 0; i < 5; ++i) image.GlobalColors().AppendColor(gfx::RGBColor(std::uint8_t(i), 0, 0));
    frame->SetPixels(1, 1, 4);
    image.AddFrame(std::move(frame));
    const Bytes file = Save(image);
    EXPECT_EQ(file[10], 0x80 | 0x20 | 2);
    EXPECT_EQ(file[13 + 24 + 9], 0x00) << "no local table";
    const auto decoded = testsupport::DecodeGIF(file);
    EXPECT_EQ(decoded.indices, (Bytes{0, 0, 0, 4}));
    EXPECT_EQ(decoded.colorMap.size(), 24u);
  }
}

TEST(GIFFile, EveryShortWriteRaisesTheWriteError) {
  // Header, screen descriptor, extension, image descriptor, colour table, code size byte,
  // sub-blocks, terminator and trailer: a refused byte anywhere is an error, never a short file.
  auto bitmap = NoisePicture(40, 30, 8);
  TGIFImage image;
  image.Assign(bitmap.get());
  auto comment = std::make_unique<TGIFCommentExtension>(&image);
  comment->Text = "captured";
  image.Frames().SubImages(0)->AddExtension(std::move(comment));
  const std::size_t full = Save(image).size();
  for (std::size_t limit = 0; limit < full; ++limit) {
    testsupport::ShortStream stream(limit);
    EXPECT_THROW(image.SaveToStream(stream), gfx::EWriteError) << "limit " << limit;
  }
  testsupport::ShortStream enough(full);
  EXPECT_NO_THROW(image.SaveToStream(enough));
}

TEST(GIFFile, GiflibReadsRandomSizes) {
  std::mt19937 random(2024);
  for (int i = 0; i < 40; ++i) {
    const int width = 1 + static_cast<int>(random() % 300), height = 1 + static_cast<int>(random() % 120);
    // Noise mixed with flat areas, so both long strings and many distinct ones occur.
    auto noise = NoisePicture(width, height, random());
    auto bitmap = Picture(width, height, [&](int x, int y) {
      return (x / 7 + y / 5) % 3 == 0 ? RGB{200, 10, 90} : PixelOf(*noise, x, y);
    });
    ExpectCubeIndices(*bitmap, testsupport::DecodeGIF(SaveBitmap(*bitmap)));
  }
}

TEST(GIFFile, GiflibReadsALargeNoisyPicture) {
  // About 1.4 million nearly unrelated pixels: hundreds of clear codes.
  auto bitmap = NoisePicture(1601, 877, 77);
  const Bytes file = SaveBitmap(*bitmap);
  ExpectCubeIndices(*bitmap, testsupport::DecodeGIF(file));
  // A 32-bit capture is converted to 24 bits first and gives the same file.
  gfx::TBitmap capture;
  capture.Assign(bitmap.get());
  capture.SetPixelFormat(gfx::pf32bit);
  EXPECT_EQ(SaveBitmap(capture), file);
}

TEST(GIFFile, GiflibReadsEveryMethodAndDitherKind) {
  // A picture of at most 256 colours (so that even no reduction fits into one table).
  std::mt19937 random(9);
  std::vector<RGB> colours(200);
  for (auto& c : colours) c = {std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
  auto picture = Picture(45, 31, [&](int x, int y) { return colours[(x * 7 + y * 13 + (x * y) % 5) % 200]; });
  for (int method = colorreduce::rdNone; method <= colorreduce::rdQuantizeSystem; ++method) {
    for (int dither = colorreduce::dkNearest; dither <= colorreduce::dkBurkes; ++dither) {
      SCOPED_TRACE("method " + std::to_string(method) + " dither " + std::to_string(dither));
      gfx::TBitmap source;
      source.Assign(picture.get());
      TGIFImage image;
      image.ReductionMethod = static_cast<colorreduce::TReductionMethod>(method);
      image.DitherKind = static_cast<colorreduce::TDitherKind>(dither);
      image.Assign(&source);
      const auto decoded = testsupport::DecodeGIF(Save(image));
      ASSERT_EQ(decoded.width, 45);
      ASSERT_EQ(decoded.height, 31);
      if (method == colorreduce::rdNone) {
        // Exact colours: the decoded picture is the source.
        for (int y = 0; y < 31; ++y)
          for (int x = 0; x < 45; ++x) {
            const std::uint8_t* rgb = decoded.colorMap.data() + 3 * decoded.indices[std::size_t(y) * 45 + x];
            const RGB want = PixelOf(*picture, x, y);
            ASSERT_EQ(Pack(RGB{rgb[0], rgb[1], rgb[2]}), Pack(want));
          }
        continue;
      }
      // The reduction's own result: same indices, same table (padded to a power of two).
      gfx::TBitmap again;
      again.Assign(picture.get());
      auto reduced = colorreduce::ReduceBitmapColors(again, image.ReductionMethod, image.DitherKind, 8, nullptr);
      const auto table = reduced->ColorTable();
      ASSERT_EQ(decoded.colorMap.size(), 3 * table.size());
      for (std::size_t i = 0; i < table.size(); ++i)
        ASSERT_EQ(Pack(RGB{decoded.colorMap[3 * i], decoded.colorMap[3 * i + 1], decoded.colorMap[3 * i + 2]}),
                  Pack(RGB{table[i].Red, table[i].Green, table[i].Blue}));
      for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 45; ++x)
          ASSERT_EQ(decoded.indices[std::size_t(y) * 45 + x], std::as_const(*reduced).ScanLine(y)[x]);
    }
  }
}

TEST(GIFFile, GiflibReadsInterlacedAndRunEncodedFrames) {
  std::mt19937 random(31);
  for (int i = 0; i < 24; ++i) {
    const int width = 1 + static_cast<int>(random() % 200), height = 1 + static_cast<int>(random() % 40);
    const bool interlace = i % 2 == 1;
    const TGIFEncoding encoding = i % 4 < 2 ? enRLE : enLZW;
    const int colours = i % 3 == 0 ? 2 : (i % 3 == 1 ? 17 : 256);
    // Runs of random length, some longer than a row and than the decoder's table.
    std::vector<std::uint8_t> pixels;
    while (pixels.size() < std::size_t(width) * height) {
      const std::size_t run = random() % 4 == 0 ? random() % 9000 : random() % 6;
      pixels.insert(pixels.end(), run, static_cast<std::uint8_t>(random() % colours));
    }
    pixels.resize(std::size_t(width) * height);

    TGIFImage image;
    image.Encoding = encoding;
    for (int c = 0; c < colours; ++c) image.GlobalColors().AppendColor(gfx::RGBColor(std::uint8_t(c), 1, 2));
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetFrameBounds(0, 0, width, height);
    frame->SetInterlaced(interlace);
    for (int y = 0; y < height; ++y) std::copy_n(pixels.data() + std::size_t(y) * width, width, frame->RowAddress(y));
    image.AddFrame(std::move(frame));
    const auto decoded = testsupport::DecodeGIF(Save(image));
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + (interlace ? " interlaced" : "") +
                 (encoding == enRLE ? " RLE" : " LZW"));
    ASSERT_EQ(decoded.interlaced, interlace);
    // giflib puts interlaced rows back in picture order.
    ASSERT_EQ(decoded.indices, pixels);
  }
}
