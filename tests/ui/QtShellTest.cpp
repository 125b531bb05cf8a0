// The shell on a Linux desktop: desktop folder, program file, folder chooser.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileDialog>
#include <QTest>
#include <filesystem>

#include "tests/support/TempDir.h"
#include "tests/ui/ModalHelper.h"
#include "ui/qt/QtShell.h"

namespace {

// Points HOME and XDG_CONFIG_HOME somewhere else for one test.
class ScopedHome {
 public:
  explicit ScopedHome(const std::string& home) : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("HOME", home.c_str());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").c_str());
  }
  ~ScopedHome() {
    qputenv("HOME", oldHome_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
  }

 private:
  QByteArray oldHome_, oldConfig_;
};

TEST(QtShell, DesktopFolderIsCreatedOnAFreshAccount) {
  testsupport::TempDir home;
  ScopedHome scoped(home.Path());
  ui::QtShell shell(nullptr);
  const std::string desktop = shell.SpecialFolderPath(app::CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(desktop, home.Path() + "/Desktop");
  EXPECT_TRUE(std::filesystem::is_directory(desktop));
  EXPECT_EQ(shell.SpecialFolderPath(5), "");  // a folder this shell does not know
}

TEST(QtShell, DesktopFolderFollowsTheUsersDirectoriesFile) {
  testsupport::TempDir home;
  ScopedHome scoped(home.Path());
  std::filesystem::create_directories(home.Path() + "/.config");
  FILE* f = std::fopen((home.Path() + "/.config/user-dirs.dirs").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n", f);
  std::fclose(f);
  ui::QtShell shell(nullptr);
  EXPECT_EQ(shell.SpecialFolderPath(app::CSIDL_DESKTOPDIRECTORY), home.Path() + "/デスクトップ");
  EXPECT_TRUE(std::filesystem::is_directory(home.Path() + "/デスクトップ"));
}

TEST(QtShell, ProgramFileIsTheRunningExecutable) {
  ui::QtShell shell(nullptr);
  EXPECT_EQ(shell.ProgramFileName(), std::filesystem::canonical("/proc/self/exe").string());
}

TEST(QtShell, FolderChooserIsQtsOwnDirectoryDialogAtTheTop) {
  ui::QtShell shell(nullptr);
  QString title, directory;
  bool dirsOnly = false, qtOwn = false;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QStringList preselected;
  uitest::WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    directory = dialog->directory().absolutePath();
    dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
    qtOwn = dialog->testOption(QFileDialog::DontUseNativeDialog);
    mode = dialog->fileMode();
    preselected = dialog->selectedFiles();
    dialog->reject();
  });
  EXPECT_EQ(shell.BrowseForFolder("保存フォルダの選択"), std::nullopt);  // cancelled
  EXPECT_EQ(title, QString::fromUtf8("保存フォルダの選択"));
  EXPECT_EQ(directory, QStringLiteral("/"));
  EXPECT_TRUE(dirsOnly);
  EXPECT_TRUE(qtOwn);
  EXPECT_EQ(mode, QFileDialog::Directory);
  for (const QString& s : preselected) EXPECT_EQ(s, QStringLiteral("/")) << "preselected " << s.toStdString();
}

TEST(QtShell, ChosenFolderIsReturned) {
  testsupport::TempDir folder;
  ui::QtShell shell(nullptr);
  uitest::WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->setDirectory(QString::fromStdString(folder.Path()));  // the user went into it
    QMetaObject::invokeMethod(dialog, "accept");  // as the Choose button does
  });
  EXPECT_EQ(shell.BrowseForFolder("保存フォルダの選択"), folder.Path());
}

}  // namespace
