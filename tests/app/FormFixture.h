#pragma once
// A main form wired to fake ports, whose desktop folder is a fresh temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "tests/support/FakePorts.h"
#include "tests/support/TempDir.h"

struct FormFixture : ::testing::Test {
  static constexpr app::WindowHandle OwnWindow = 10;
  static constexpr app::WindowHandle OtherWindow = 20;

  testsupport::TempDir desktopDir;
  testsupport::FakeView view;
  testsupport::FakeDesktop desktop;
  testsupport::FakeShell shell;
  app::TfrmMain form{view, desktop, shell};

  void SetUp() override {
    shell.specialFolders[app::CSIDL_DESKTOPDIRECTORY] = desktopDir.Path();  // no trailing "/"
    desktop.foregroundWindow = OtherWindow;
    desktop.windowRects[OtherWindow] = {100, 50, 104, 53};
    desktop.clientRects[OtherWindow] = {0, 0, 3, 2};
    desktop.titles[OtherWindow] = "Other";
    form.FormCreate();
    form.btnStartClick();
  }

  void Press() { form.WMHotKey(app::TfrmMain::HotkeyId); }

  // The names in a folder (the desktop folder by default), sorted.
  std::vector<std::string> Files(const std::string& folder = {}) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? desktopDir.Path() : folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Desktop(const std::string& name) const { return desktopDir.File(name); }
};
