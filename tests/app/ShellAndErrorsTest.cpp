// The shell helpers, the folder and help buttons, and the top-level error box.
#include <gtest/gtest.h>

#include <new>

#include "app/ApplicationErrors.h"
#include "app/gui_benri.h"
#include "gfx/Errors.h"
#include "tests/app/FormFixture.h"

using namespace app;

TEST(GuiBenri, FolderPathsEndInExactlyOneSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/u/Desktop", "/home/u/Desktop/"},
      {"/home/u/Desktop/", "/home/u/Desktop/"},
      {"", "/"},
      {"/", "/"},
      {std::string("/home/u/Desk\0junk", 17), "/home/u/Desk/"},  // up to the first zero byte
  };
  for (const auto& [answer, expected] : cases) {
    testsupport::FakeShell shell;
    shell.specialFolders[CSIDL_DESKTOPDIRECTORY] = answer;
    EXPECT_EQ(GetDesktopPath(shell), expected) << answer;
    EXPECT_EQ(shell.specialFolderCalls, std::vector<int>{16});
  }
}

TEST(GuiBenri, ProgramPathIsTheFolderOfTheProgramFile) {
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/vantora/bin/vantora", "/opt/vantora/bin/"},
      {"/vantora", "/"},
      {"vantora", ""},
  };
  for (const auto& [file, folder] : cases) {
    testsupport::FakeShell shell;
    shell.programFileName = file;
    EXPECT_EQ(GetProgramPath(shell), folder) << file;
  }
}

using FormButtons = FormFixture;

TEST_F(FormButtons, CreateFillsTheFolderFieldWithTheDesktop) {
  EXPECT_EQ(view.dir, desktopDir.Path() + "/");
}

TEST_F(FormButtons, HelpOpensReadMeFromTheProgramFolder) {
  form.btnHelpClick();
  EXPECT_EQ(shell.opened, std::vector<std::string>{"/opt/vantora/bin/ReadMe.txt"});
}

TEST_F(FormButtons, FolderChooser) {
  view.dir = "/typed/by/hand/";
  form.btnDirClick();  // cancelled
  EXPECT_EQ(view.dir, "/typed/by/hand/");
  EXPECT_EQ(shell.browseTitles, std::vector<std::string>{"保存フォルダの選択"});

  const std::pair<std::string, std::string> cases[] = {{"/mnt/data", "/mnt/data/"}, {"/", "/"}, {"/a/b/", "/a/b/"}};
  for (const auto& [chosen, field] : cases) {
    shell.browseAnswer = chosen;
    form.btnDirClick();
    EXPECT_EQ(view.dir, field) << chosen;
  }
}

TEST(ErrorBox, MessageGetsAFullStopAfterCharactersThatSortAfterIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"Write Error", "Write Error."},
      {"done.", "done."},
      {"a-", "a-"},      // 0x2D sorts before "."
      {"a!", "a!"},
      {"a/", "a/."},     // 0x2F sorts after
      {"line\n", "line\n"},
      {"", ""},
      {"を作成できません", "を作成できません."},  // a multi-byte character sorts after "."
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxMessage(message), shown) << message;
}

TEST(ErrorBox, CaptionIsTheProgramNameWithLaterLettersInLowerCase) {
  const std::pair<std::string, std::string> cases[] = {
      {"/usr/bin/vantora", "vantora"},
      {"/opt/VANTORA.EXE", "Vantora"},
      {"/x/My.Tool.bin", "My.tool"},
      {"/a.b/vAnToRa", "vantora"},
      {"/bin/ÄBC", "Äbc"},
      {"plain", "plain"},
  };
  for (const auto& [file, caption] : cases) EXPECT_EQ(ErrorBoxCaption(file), caption) << file;
}

TEST(ErrorBox, EveryKindOfErrorReachesTheBox) {
  testsupport::FakeView view;
  testsupport::FakeShell shell;
  shell.programFileName = "/opt/bin/Vantora";
  RunHandler(view, shell, [] { throw gfx::EWriteError(); });
  RunHandler(view, shell, [] { throw std::bad_alloc(); });
  RunHandler(view, shell, [] { throw 42; });
  RunHandler(view, shell, [] {});
  ASSERT_EQ(view.errorBoxes.size(), 3u);
  EXPECT_EQ(view.errorBoxes[0].caption, "Vantora");
  EXPECT_EQ(view.errorBoxes[0].message, "ストリーム書き込みエラー.");
  EXPECT_EQ(view.errorBoxes[1].message, "メモリが足りません.");
  EXPECT_FALSE(view.errorBoxes[2].message.empty());
}

using ErrorPath = FormFixture;

TEST_F(ErrorPath, MissingFolderIsShownAndThePressesGoOn) {
  shell.programFileName = "/usr/local/bin/vantora";
  view.save = smFolder;
  view.dir = desktopDir.File("missing/");
  const auto press = [&] { RunHandler(view, shell, [&] { Press(); }); };
  press();
  ASSERT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_EQ(view.errorBoxes[0].caption, "vantora");
  EXPECT_EQ(view.errorBoxes[0].message,
            "ファイル \"" + desktopDir.File("missing/1-.bmp") + "\". No such file or directory を作成できません.");

  view.dir = desktopDir.Path() + "/";
  press();
  EXPECT_EQ(Files(), std::vector<std::string>{"1-.bmp"}) << "the next press works";
  EXPECT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_EQ(desktop.liveRegistrations, std::set<int>{TfrmMain::HotkeyId}) << "the hotkey stays registered";
  EXPECT_TRUE(desktop.unregisterCalls.empty());
}

TEST_F(ErrorPath, PressWhileTheErrorBoxIsOpenRunsACompleteCapture) {
  view.save = smFolder;
  view.dir = "/nonexistent-vantora-folder/";
  view.whileErrorBoxOpen = [&] {
    view.whileErrorBoxOpen = nullptr;  // one queued press
    view.dir = desktopDir.Path() + "/";
    RunHandler(view, shell, [&] { Press(); });
  };
  RunHandler(view, shell, [&] { Press(); });
  EXPECT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_EQ(Files(), std::vector<std::string>{"1-.bmp"});
  EXPECT_EQ(desktop.beeps, 2);
}
