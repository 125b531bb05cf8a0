// The second half of a press: the numbered name, the existence test and the save.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "app/CaptureFile.h"
#include "app/JPEGImage.h"
#include "gfx/Errors.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Decoders.h"

using namespace app;
using Names = std::vector<std::string>;

namespace {

void Touch(const std::string& path, const std::string& content = "theirs") { std::ofstream(path) << content; }

std::string Content(const std::string& path) {
  const auto bytes = testsupport::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

using NamingTest = FormFixture;

}  // namespace

TEST_F(NamingTest, DesktopNamesCountPerCompleteName) {
  desktop.titles[OtherWindow] = "My Doc: v2";
  Press();
  Press();
  desktop.titles[OtherWindow] = "Mail";
  Press();
  view.format = ofJPEG;
  Press();
  EXPECT_EQ(Files(), (Names{"1-Mail.bmp", "1-Mail.jpg", "1-MyDocv2.bmp", "2-MyDocv2.bmp"}));
}

TEST_F(NamingTest, TakesTheFirstFreeNumber) {
  Touch(Desktop("1-Other.bmp"));
  Touch(Desktop("3-Other.bmp"));
  Press();
  Press();
  EXPECT_EQ(Files(), (Names{"1-Other.bmp", "2-Other.bmp", "3-Other.bmp", "4-Other.bmp"}));
  EXPECT_EQ(Content(Desktop("1-Other.bmp")), "theirs");
  EXPECT_EQ(Content(Desktop("3-Other.bmp")), "theirs");
}

TEST_F(NamingTest, FolderMethodUsesTheFolderTextAsTyped) {
  view.save = smFolder;
  view.format = ofJPEG;
  view.dir = desktopDir.Path() + "/";
  Press();
  Press();
  EXPECT_EQ(Files(), (Names{"1-.jpg", "2-.jpg"})) << "the title is not used";

  // Without the final separator the names start with the folder's last component,
  // in the folder above it.
  ASSERT_EQ(::mkdir(Desktop("shots").c_str(), 0755), 0);
  view.dir = Desktop("shots");
  view.format = ofBMP;
  Press();
  EXPECT_EQ(Files(), (Names{"1-.jpg", "2-.jpg", "shots", "shots1-.bmp"}));
  EXPECT_TRUE(Files(Desktop("shots")).empty());
}

TEST_F(NamingTest, TitlesInTheFileName) {
  struct Case {
    TCodePage codePage;
    std::string title;
    std::string file;
  };
  const Case cases[] = {
      {TCodePage::cpUTF8, "  :!?<>|\"*  ", "1-.bmp"},  // only dropped characters
      {TCodePage::cpUTF8, "a/b\\c", "1-abc.bmp"},
      {TCodePage::cpUTF8, "日本語 ü 😀", "1-日本語ü😀.bmp"},
      {TCodePage::cpUTF8, "x\xE2\x80\xAEgpj.exe", "1-xgpj.exe.bmp"},
      {TCodePage::cpShiftJIS, "\x95\x5C \x8E\xA6", "1-\x95\x5C\x8E\xA6.bmp"},  // 0x5C trail kept
      {TCodePage::cpShiftJIS, "\x95/x", "1-x.bmp"},
  };
  for (const Case& c : cases) {
    testsupport::TempDir folder;
    shell.specialFolders[CSIDL_DESKTOPDIRECTORY] = folder.Path();
    form.SetCodePage(c.codePage);
    desktop.titles[OtherWindow] = c.title;
    Press();
    EXPECT_EQ(Files(folder.Path()), Names{c.file}) << c.title;
  }
}

TEST_F(NamingTest, LongTitleIsShortenedSoTheNameFits) {
  std::string title = "a";
  while (title.size() < 1023) title += "長";
  desktop.titles[OtherWindow] = title;
  Press();
  const Names files = Files();
  ASSERT_EQ(files.size(), 1u) << "saved, not refused by the file system";
  EXPECT_EQ(files[0].size(), 2 + 1 + 243 + 4u) << "\"a\" and 81 whole characters fit beside 9999-.bmp";
  EXPECT_TRUE(files[0].starts_with("1-a長長"));
  EXPECT_EQ(view.errorBoxes.size(), 0u);
}

TEST_F(NamingTest, FolderOfTheCandidatesNameFailsWithTheCreationMessage) {
  ASSERT_EQ(::mkdir(Desktop("1-Other.bmp").c_str(), 0755), 0);
  try {
    Press();
    FAIL() << "no error";
  } catch (const gfx::EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + Desktop("1-Other.bmp") + "\". Is a directory を作成できません");
  }
  EXPECT_EQ(Files(), Names{"1-Other.bmp"}) << "no other number is tried";
}

TEST_F(NamingTest, LinksAreTakenNamesAndAreNeverFollowed) {
  Touch(Desktop("target"), "kept");
  ASSERT_EQ(::symlink(Desktop("target").c_str(), Desktop("1-Other.bmp").c_str()), 0);
  ASSERT_EQ(::symlink(Desktop("nowhere").c_str(), Desktop("2-Other.bmp").c_str()), 0);
  ASSERT_EQ(::symlink(desktopDir.Path().c_str(), Desktop("3-Other.bmp").c_str()), 0);
  Press();
  EXPECT_EQ(Files(), (Names{"1-Other.bmp", "2-Other.bmp", "3-Other.bmp", "4-Other.bmp", "target"}));
  EXPECT_EQ(Content(Desktop("target")), "kept");
  EXPECT_FALSE(std::filesystem::exists(Desktop("nowhere"))) << "a dangling link is not followed";
}

// The name appears between the existence test and the creation (another program, or a
// second instance): the file that won stays as it is, and the capture takes another name.
TEST(SaveBitmapAsNewFile, NameTakenInTheMeantimeIsLeftAlone) {
  testsupport::TempDir dir;
  auto bitmap = testsupport::NewPatternBitmap(3, 2, gfx::pf32bit);
  Touch(dir.File("file.bmp"), "theirs");
  ASSERT_EQ(::symlink(dir.File("victim").c_str(), dir.File("dangling.bmp").c_str()), 0);
  EXPECT_EQ(SaveBitmapAsNewFile(*bitmap, dir.File("file.bmp")), TNewFileResult::nfNameTaken);
  EXPECT_EQ(SaveBitmapAsNewFile(*bitmap, dir.File("dangling.bmp")), TNewFileResult::nfNameTaken);
  EXPECT_EQ(Content(dir.File("file.bmp")), "theirs");
  EXPECT_FALSE(std::filesystem::exists(dir.File("victim")));

  EXPECT_EQ(SaveBitmapAsNewFile(*bitmap, dir.File("new.bmp")), TNewFileResult::nfSaved);
  gfx::TBitmap back;
  back.LoadFromFile(dir.File("new.bmp"));
  EXPECT_EQ(testsupport::ToRGB(back).pixels, testsupport::ToRGB(*bitmap).pixels);
}

TEST_F(NamingTest, EncoderFailureRemovesOnlyTheFileThisPressCreated) {
  Touch(Desktop("1-Other.jpg"), "theirs");
  view.format = ofJPEG;
  view.area = caActiveClient;
  desktop.clientRects[OtherWindow] = {0, 0, 70000, 1};  // wider than a JPEG frame may be
  try {
    Press();
    FAIL() << "no error";
  } catch (const EJPEG& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("JPEG エラー #")) << error.what();
  }
  EXPECT_EQ(Files(), Names{"1-Other.jpg"}) << "2-Other.jpg was created and removed again";
  EXPECT_EQ(Content(Desktop("1-Other.jpg")), "theirs");

  desktop.clientRects[OtherWindow] = {0, 0, 8, 8};
  Press();
  EXPECT_EQ(Files(), (Names{"1-Other.jpg", "2-Other.jpg"})) << "the freed number is used by the next press";
}

TEST_F(NamingTest, DiskFailureRemovesThePartialFile) {
  // A file-size limit makes the write fail as a full disk would.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 60;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    Press();  // a 4 x 3 BMP needs 90 bytes
  } catch (const gfx::Exception& error) {
    message = error.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "ストリーム書き込みエラー");
  EXPECT_TRUE(Files().empty());
}
