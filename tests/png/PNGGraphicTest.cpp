// The PNG image object: defaults, assignment, saving and the TGraphic operations.
#include <gtest/gtest.h>

#include <ctime>

#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "png/PNGErrors.h"
#include "png/PNGGraphic.h"
#include "tests/png/PngTestKit.h"
#include "tests/support/Decoders.h"
#include "tests/support/TempDir.h"

using namespace png;

TEST(PNGGraphic, Defaults) {
  const std::time_t before = std::time(nullptr);
  TPNGGraphic g;
  EXPECT_EQ(g.ClassName(), "TPNGGraphic");
  EXPECT_EQ(g.IDATSize, 32768);
  EXPECT_EQ(g.CompressionLevel, -1);
  EXPECT_EQ(g.FilterMode, 1);
  EXPECT_FALSE(g.Interlaced);
  EXPECT_FALSE(g.Grayscale);
  EXPECT_FALSE(g.HasAlpha);
  EXPECT_EQ(g.BackgroundColor, -1);
  EXPECT_EQ(g.TransparentColor, -1);
  EXPECT_EQ(g.Comment, "");
  EXPECT_DOUBLE_EQ(g.Gamma, 0.45455);
  EXPECT_EQ(g.RowKey, "");
  EXPECT_EQ(g.SignificantBits, 0u);
  EXPECT_EQ(g.PhysUnit, 0);
  EXPECT_EQ(g.PhysX, 0);
  EXPECT_EQ(g.PhysY, 0);
  EXPECT_TRUE(g.UseCurrentTime);
  EXPECT_EQ(g.Chromaticities, TPNGChromaticities{});
  EXPECT_EQ(g.GIFControl, TPNGGIFControl{});
  EXPECT_FALSE(g.OnWriteRow);
  EXPECT_TRUE(g.Empty());
  EXPECT_TRUE(g.AlphaMask().Empty());
  // The creation time, from the UTC clock.
  std::tm utc{};
  gmtime_r(&before, &utc);
  EXPECT_EQ(g.ImageTime.Year, utc.tm_year + 1900);
  EXPECT_EQ(g.ImageTime.Month, utc.tm_mon + 1);
  EXPECT_EQ(g.ImageTime.Day, utc.tm_mday);
  EXPECT_EQ(g.ImageTime.Hour, utc.tm_hour);
}

TEST(PNGGraphic, AssignFromABitmapSharesThePictureAndKeepsTheSettings) {
  auto bitmap = testsupport::NewPatternBitmap(7, 5, gfx::pf16bit);
  bitmap->SetTransparent(true);
  TPNGGraphic g;
  g.Comment = "kept";
  g.IDATSize = 1000;
  int changes = 0;
  g.OnChange = [&](gfx::TGraphic*) { ++changes; };
  g.Assign(bitmap.get());
  EXPECT_TRUE(g.Picture().SharesPixelsWith(*bitmap));
  EXPECT_EQ(g.Picture().PixelFormat(), gfx::pf16bit) << "nothing converted";
  EXPECT_EQ(g.Width(), 7);
  EXPECT_EQ(g.Height(), 5);
  EXPECT_EQ(g.Comment, "kept");
  EXPECT_EQ(g.IDATSize, 1000);
  EXPECT_TRUE(g.Transparent()) << "synchronised with the picture";
  EXPECT_TRUE(g.PaletteModified());
  EXPECT_EQ(changes, 1);

  gfx::TBitmap opaque;
  g.Assign(&opaque);
  EXPECT_FALSE(g.Transparent());
  EXPECT_THROW(g.Assign(nullptr), gfx::EConvertError);
}

TEST(PNGGraphic, AssignFromAnotherPNGGraphic) {
  auto picture = testsupport::NewPatternBitmap(4, 4, gfx::pf24bit);
  auto mask = testsupport::NewPatternBitmap(4, 4, gfx::pf8bit);
  TPNGGraphic source;
  source.Assign(picture.get());
  source.AlphaMask().Assign(mask.get());
  source.CompressionLevel = 9;
  source.FilterMode = 3;
  source.IDATSize = 4096;
  source.Interlaced = true;
  source.Grayscale = true;
  source.Comment = "c";
  source.BackgroundColor = 5;
  source.TransparentColor = 6;
  source.Gamma = 1.5;
  source.SignificantBits = 0x080808;
  source.PhysUnit = 2;
  source.PhysX = 96;
  source.PhysY = 72;
  source.UseCurrentTime = false;
  source.ImageTime = {2001, 2, 3, 4, 5, 6};
  source.Chromaticities = {1, 2, 3, 4, 5, 6, 7, 8};
  source.HasAlpha = true;
  source.GIFControl = {1, 2, 3, 4};
  source.RowKey = "source key";
  source.OnWriteRow = [](TPNGWriteStream*, std::uint8_t*, int, int, const std::string&) {};

  TPNGGraphic target;
  target.GIFControl = {9, 9, 9, 9};
  target.Assign(&source);
  EXPECT_TRUE(target.Picture().SharesPixelsWith(*picture));
  EXPECT_TRUE(target.AlphaMask().SharesPixelsWith(*mask));
  EXPECT_EQ(target.CompressionLevel, 9);
  EXPECT_EQ(target.FilterMode, 3);
  EXPECT_EQ(target.IDATSize, 4096);
  EXPECT_TRUE(target.Interlaced);
  EXPECT_TRUE(target.Grayscale);
  EXPECT_EQ(target.Comment, "c");
  EXPECT_EQ(target.BackgroundColor, 5);
  EXPECT_EQ(target.TransparentColor, 6);
  EXPECT_DOUBLE_EQ(target.Gamma, 1.5);
  EXPECT_EQ(target.SignificantBits, 0x080808u);
  EXPECT_EQ(target.PhysUnit, 2);
  EXPECT_EQ(target.PhysX, 96);
  EXPECT_EQ(target.PhysY, 72);
  EXPECT_FALSE(target.UseCurrentTime);
  EXPECT_EQ(target.ImageTime, (TPNGTime{2001, 2, 3, 4, 5, 6}));
  EXPECT_EQ(target.Chromaticities, (TPNGChromaticities{1, 2, 3, 4, 5, 6, 7, 8}));
  // Not copied:
  EXPECT_FALSE(target.HasAlpha);
  EXPECT_EQ(target.GIFControl, (TPNGGIFControl{9, 9, 9, 9}));
  EXPECT_EQ(target.RowKey, "");
  EXPECT_FALSE(target.OnWriteRow);
  // The source is unchanged.
  EXPECT_TRUE(source.HasAlpha);
  EXPECT_EQ(source.RowKey, "source key");
  EXPECT_EQ(source.Width(), 4);
}

TEST(PNGGraphic, AssignToGivesThePicture) {
  auto picture = testsupport::NewPatternBitmap(3, 2, gfx::pf8bit);
  TPNGGraphic g;
  g.Assign(picture.get());
  gfx::TBitmap bitmap;
  bitmap.Assign(&g);  // the bitmap asks the PNG graphic to assign itself
  EXPECT_TRUE(bitmap.SharesPixelsWith(*picture));

  struct TPlain : gfx::TPersistent {
    std::string_view ClassName() const override { return "TPlain"; }
  } plain;
  EXPECT_THROW(plain.Assign(&g), gfx::EConvertError);
}

TEST(PNGGraphic, SizePaletteAndTransparency) {
  auto picture = testsupport::NewPatternBitmap(4, 4, gfx::pf8bit);
  auto mask = testsupport::NewPatternBitmap(4, 4, gfx::pf8bit);
  TPNGGraphic g;
  int changes = 0;
  g.OnChange = [&](gfx::TGraphic*) { ++changes; };
  g.SetWidth(9);
  EXPECT_TRUE(g.Empty()) << "an empty picture is not resized";
  EXPECT_EQ(changes, 1);

  g.Assign(picture.get());
  g.AlphaMask().Assign(mask.get());
  g.SetWidth(6);
  g.SetHeight(3);
  EXPECT_EQ(g.Width(), 6);
  EXPECT_EQ(g.Height(), 3);
  EXPECT_EQ(g.AlphaMask().Width(), 6);
  EXPECT_EQ(g.AlphaMask().Height(), 3);
  EXPECT_EQ(picture->Width(), 4) << "the assigned bitmap keeps its size";

  const gfx::TPaletteEntry two[] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  changes = 0;
  g.SetPalette(gfx::CreatePalette(two));
  EXPECT_EQ(gfx::GetPaletteEntryCount(g.Palette()), 2u);
  EXPECT_EQ(changes, 1);

  g.SetTransparent(true);
  EXPECT_TRUE(g.Transparent());
  EXPECT_TRUE(g.Picture().Transparent());
}

TEST(PNGGraphic, TransparencyDoesNotChangeTheFile) {
  auto picture = testsupport::NewPatternBitmap(5, 5, gfx::pf24bit);
  TPNGGraphic plain, transparent;
  plain.Assign(picture.get());
  transparent.Assign(picture.get());
  transparent.SetTransparent(true);
  EXPECT_EQ(pngtest::SaveWithFixedTime(plain), pngtest::SaveWithFixedTime(transparent));
  EXPECT_EQ(pngtest::SaveWithFixedTime(plain), pngtest::SaveWithFixedTime(plain)) << "saving changes nothing";
}

TEST(PNGGraphic, SettingsReachTheFile) {
  auto picture = testsupport::NewPatternBitmap(9, 9, gfx::pf24bit);
  TPNGGraphic g;
  g.Assign(picture.get());
  g.Interlaced = true;
  g.Comment = "hello";
  g.PhysUnit = 2;
  g.PhysX = g.PhysY = 96;
  g.GIFControl = {0, 0, 0, 1};
  g.Chromaticities = {1, 1, 1, 1, 1, 1, 1, 1};
  g.RowKey = "k";
  int rows = 0;
  g.OnWriteRow = [&](TPNGWriteStream*, std::uint8_t*, int, int, const std::string&) { ++rows; };
  const auto chunks = pngtest::SplitChunks(pngtest::SaveWithFixedTime(g));
  EXPECT_EQ(pngtest::ChunkTypes(chunks),
            (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tEXt", "tpNG", "gIFg", "gAMA", "cHRM", "pHYs", "IDAT",
                                      "IEND"}));
  EXPECT_EQ(pngtest::FindChunk(chunks, "tIME")->data, (std::vector<std::uint8_t>{0x07, 0xE8, 5, 6, 7, 8, 9}));
  EXPECT_EQ(pngtest::FindChunk(chunks, "IHDR")->data[12], 1);
  EXPECT_EQ(pngtest::FindChunk(chunks, "tpNG")->data[4], 1);
  EXPECT_GT(rows, 9);
}

TEST(PNGGraphic, ProgressReachesTheObjectsHandlerWithThePictureAsSender) {
  auto picture = testsupport::NewPatternBitmap(3, 10, gfx::pf24bit);
  TPNGGraphic g;
  g.Assign(picture.get());
  int picturesOwn = 0;
  g.Picture().OnProgress = [&](gfx::TGraphic*, gfx::TProgressStage, std::uint8_t, bool, const gfx::TRect&,
                               const std::string&) { ++picturesOwn; };
  std::vector<int> percents;
  g.OnProgress = [&](gfx::TGraphic* sender, gfx::TProgressStage, std::uint8_t percent, bool, const gfx::TRect&,
                     const std::string&) {
    EXPECT_EQ(sender, &g.Picture());
    percents.push_back(percent);
  };
  pngtest::Save(g);
  EXPECT_EQ(picturesOwn, 0);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  // The picture's own handler is back afterwards, also after a failed save.
  g.IDATSize = 1;
  EXPECT_THROW(pngtest::Save(g), EPNGImageError);
  g.IDATSize = 32768;
  g.OnProgress = nullptr;
  pngtest::Save(g);
  EXPECT_GT(picturesOwn, 0);
}

TEST(PNGGraphic, WriteDataUsesTheWritersOwnDefaults) {
  TPNGGraphic empty;
  gfx::TMemoryStream nothing;
  empty.WriteData(nothing);
  EXPECT_EQ(nothing.Size(), 0);

  auto picture = testsupport::NewPatternBitmap(9, 9, gfx::pf24bit);
  auto mask = testsupport::NewPatternBitmap(9, 9, gfx::pf8bit);
  TPNGGraphic g;
  g.Assign(picture.get());
  g.AlphaMask().Assign(mask.get());
  g.HasAlpha = true;
  g.IDATSize = 255;  // ignored
  g.Interlaced = true;
  g.FilterMode = 5;
  g.UseCurrentTime = false;
  g.ImageTime = {1999, 1, 1, 0, 0, 0};
  g.Comment = "kept";
  g.RowKey = "k";
  g.OnWriteRow = [](TPNGWriteStream*, std::uint8_t*, int, int, const std::string&) { FAIL() << "no row hook"; };
  gfx::TMemoryStream out;
  g.WriteData(out);
  const auto chunks = pngtest::SplitChunks(pngtest::Bytes(out));
  const auto& ihdr = pngtest::FindChunk(chunks, "IHDR")->data;
  EXPECT_EQ(ihdr[9], 6) << "the mask is handed over";
  EXPECT_EQ(ihdr[12], 0) << "not interlaced";
  EXPECT_NE(gfx::GetU16BE(pngtest::FindChunk(chunks, "tIME")->data.data()), 1999) << "the time of saving";
  EXPECT_EQ(pngtest::FindChunk(chunks, "tpNG")->data[4], 0);
  const auto rows = pngtest::InflateImageData(chunks);
  for (std::size_t y = 0; y < 9; ++y) EXPECT_EQ(rows[y * (1 + 9 * 4)], 0) << "filter None";
  EXPECT_EQ(testsupport::DecodePNG(pngtest::Bytes(out)).channels, 4);
}

TEST(PNGGraphic, SaveToFile) {
  testsupport::TempDir dir;
  auto picture = testsupport::NewPatternBitmap(6, 2, gfx::pf24bit);
  TPNGGraphic g;
  g.Assign(picture.get());
  g.SaveToFile(dir.File("a.png"));
  EXPECT_EQ(testsupport::DecodePNG(testsupport::ReadFile(dir.File("a.png"))).pixels, testsupport::ToRGB(*picture).pixels);
  g.IDATSize = 100001;
  EXPECT_THROW(g.SaveToFile(dir.File("a.png")), EPNGImageError);
  EXPECT_TRUE(testsupport::ReadFile(dir.File("a.png")).empty()) << "created, then nothing written";
}
