// The ".png" row of the save dispatch.
#include <gtest/gtest.h>

#include "app/SaveBitmap.h"
#include "tests/png/PngTestKit.h"
#include "tests/support/Decoders.h"
#include "tests/support/TempDir.h"

TEST(SavePNG, ACaptureIsConvertedAndWrittenAsRGB) {
  testsupport::TempDir dir;
  for (gfx::TPixelFormat format : {gfx::pf32bit, gfx::pf16bit, gfx::pf24bit}) {
    auto bitmap = testsupport::NewPatternBitmap(37, 11, format);
    const auto pixels = testsupport::ToRGB(*bitmap).pixels;
    app::SaveBitmap(*bitmap, dir.File("1-x.PNG"));
    const auto file = testsupport::ReadFile(dir.File("1-x.PNG"));
    const auto chunks = pngtest::SplitChunks(file);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].data[8], 8);
    EXPECT_EQ(chunks[0].data[9], 2) << "colour type 2, also from a 32-bit capture";
    EXPECT_EQ(testsupport::DecodePNG(file).pixels, pixels);
  }
}

TEST(SavePNG, StreamSeamAndEmptyCapture) {
  gfx::TBitmap empty;
  empty.SetSize(0, 4);
  gfx::TMemoryStream out;
  app::SaveBitmapToStream(empty, app::TSaveFormat::sfPNG, out);
  const auto chunks = pngtest::SplitChunks(out.Bytes());
  EXPECT_EQ(pngtest::ChunkTypes(chunks),
            (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tpNG", "gAMA", "IDAT", "IEND"}));
}
