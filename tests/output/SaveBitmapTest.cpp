#include <gtest/gtest.h>

#include <unistd.h>

#include "app/SaveBitmap.h"
#include "gfx/Errors.h"
#include "tests/support/Decoders.h"
#include "tests/support/TempDir.h"

using namespace gfx;

TEST(SaveBitmap, ExtensionIsTakenAfterTheLastSlashAndLowerCased) {
  const std::pair<const char*, const char*> cases[] = {
      {"/tmp/a.BMP", ".bmp"}, {"/tmp/x.y/file", ""},     {"a.b.JpG", ".jpg"},
      {"/tmp/1-.png", ".png"}, {"noext", ""},            {"/d/1-T.Gif", ".gif"},
      {"/d/x.jpeg", ".jpeg"},  {"/d/trailing.", "."},
  };
  for (auto [path, ext] : cases) EXPECT_EQ(app::PathExtension(path), ext) << path;
  EXPECT_EQ(app::FormatFromPath("/d/x.jpeg"), app::TSaveFormat::sfNone) << "only .jpg means JPEG";
  EXPECT_EQ(app::FormatFromPath("/d/X.JPG"), app::TSaveFormat::sfJPEG);
}

TEST(SaveBitmap, ConvertsToTwentyFourBitsBeforeWriting) {
  testsupport::TempDir dir;
  auto b = testsupport::NewPatternBitmap(9, 4, pf16bit);
  const auto before = testsupport::ToRGB(*b).pixels;
  app::SaveBitmap(*b, dir.File("1-x.bmp"));
  EXPECT_EQ(b->PixelFormat(), pf24bit) << "converted in place";
  TBitmap back;
  back.LoadFromFile(dir.File("1-x.bmp"));
  EXPECT_EQ(back.PixelFormat(), pf24bit);
  EXPECT_EQ(testsupport::ToRGB(back).pixels, before);
}

TEST(SaveBitmap, UnknownExtensionWritesNothing) {
  testsupport::TempDir dir;
  auto b = testsupport::NewPatternBitmap(2, 2, pf32bit);
  app::SaveBitmap(*b, dir.File("a.tiff"));
  EXPECT_EQ(::access(dir.File("a.tiff").c_str(), F_OK), -1);
  EXPECT_EQ(b->PixelFormat(), pf24bit) << "the conversion comes before the format is looked at";
}

TEST(SaveBitmap, EmptyCaptureGivesZeroByteBmpAndJpeg) {
  testsupport::TempDir dir;
  for (const char* name : {"e.bmp", "e.jpg"}) {
    TBitmap b;
    b.SetSize(0, 10);
    app::SaveBitmap(b, dir.File(name));
    EXPECT_EQ(testsupport::ReadFile(dir.File(name)).size(), 0u) << name;
  }
}

TEST(SaveBitmap, MissingFolderGivesTheFileCreationMessage) {
  auto b = testsupport::NewPatternBitmap(2, 2, pf24bit);
  const std::string path = "/no-such-vantora-folder/1-.jpg";
  try {
    app::SaveBitmap(*b, path);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル \"/no-such-vantora-folder/1-.jpg\". No such file or directory を作成できません");
  }
}
