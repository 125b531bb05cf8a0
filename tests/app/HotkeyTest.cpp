// The hotkey registration as the controls drive it, against a fake desktop.
#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "tests/support/FakePorts.h"

using namespace app;
using testsupport::FakeDesktop;
using Registration = FakeDesktop::Registration;

namespace {

struct HotkeyFixture : ::testing::Test {
  testsupport::FakeView view;
  FakeDesktop desktop;
  testsupport::FakeShell shell;
  TfrmMain form{view, desktop, shell};
  void SetUp() override { form.FormCreate(); }
};

}  // namespace

TEST_F(HotkeyFixture, NothingIsRegisteredUntilStartOrAChange) {
  EXPECT_FALSE(form.HotkeyRegistered());
  EXPECT_TRUE(desktop.registerCalls.empty());
  form.btnStartClick();
  EXPECT_EQ(desktop.registerCalls, (std::vector<Registration>{{123, 6, 0x57}})) << "Ctrl+Shift+W";
  EXPECT_TRUE(desktop.unregisterCalls.empty()) << "nothing to remove before the first registration";
  EXPECT_EQ(view.minimizeCount, 1);
  EXPECT_TRUE(form.HotkeyRegistered());
}

TEST_F(HotkeyFixture, KeyIsTheFirstByteInUpperCaseOrW) {
  const std::pair<std::string, std::uint8_t> cases[] = {
      {"", 'W'},   {"q", 'Q'},    {"a", 'A'},  {"ab", 'A'}, {"Wq", 'W'}, {"7", '7'},
      {" ", 0x20}, {",", ','},    {"z", 'Z'},  {"{", '{'},  {"`", '`'},
      {"\xE3\x81\x82", 0xE3},  // a multi-byte character: its first byte, unchanged
  };
  for (const auto& [text, key] : cases) {
    view.hot = text;
    form.edtHotChange();  // registers at once, without Start
    EXPECT_EQ(desktop.registerCalls.back(), (Registration{123, 6, key})) << "edtHot=\"" << text << "\"";
  }
  EXPECT_EQ(view.minimizeCount, 0);
}

TEST_F(HotkeyFixture, ModifiersFollowTheCheckBoxes) {
  struct Case {
    bool ctrl, shift, alt, win;
    unsigned modifiers;
  };
  const Case cases[] = {
      {true, true, false, false, 6}, {false, false, false, false, 0}, {true, false, false, false, 2},
      {false, true, false, false, 4}, {false, false, true, false, 1}, {false, false, false, true, 8},
      {true, true, true, true, 15},
  };
  for (const Case& c : cases) {
    view.ctrl = c.ctrl, view.shift = c.shift, view.alt = c.alt, view.win = c.win;
    form.chkCtrlClick();
    EXPECT_EQ(desktop.registerCalls.back(), (Registration{123, c.modifiers, 'W'})) << c.modifiers;
  }
}

TEST_F(HotkeyFixture, WinAloneDoesNotRegisterAgain) {
  form.btnStartClick();
  view.win = true;  // chkWin has no handler: the window calls nothing
  EXPECT_EQ(desktop.registerCalls.size(), 1u);
  view.alt = true;
  form.chkCtrlClick();
  EXPECT_EQ(desktop.registerCalls.back(), (Registration{123, 2 + 4 + 1 + 8, 'W'})) << "Win joins at the next change";
}

TEST_F(HotkeyFixture, EveryRegistrationReplacesThePreviousOne) {
  form.btnStartClick();
  form.btnStartClick();
  view.hot = "Wq";
  form.edtHotChange();
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"RegisterHotKey", "UnregisterHotKey", "RegisterHotKey",
                                                     "UnregisterHotKey", "RegisterHotKey"}));
  EXPECT_EQ(desktop.unregisterCalls, (std::vector<int>{123, 123}));
  EXPECT_EQ(desktop.liveRegistrations, (std::set<int>{123})) << "exactly one registration";
  EXPECT_EQ(view.minimizeCount, 2);
  form.FormClose();
  EXPECT_TRUE(desktop.liveRegistrations.empty());
}

TEST_F(HotkeyFixture, CloseUnregistersOnlyAfterARegistrationWasTried) {
  form.FormClose();
  EXPECT_TRUE(desktop.unregisterCalls.empty()) << "never registered";

  desktop.refuseRegistrations = true;  // the combination is taken elsewhere: silent
  form.btnStartClick();
  EXPECT_TRUE(form.HotkeyRegistered()) << "set whether or not the desktop accepted";
  EXPECT_TRUE(view.errorBoxes.empty());
  form.FormClose();
  EXPECT_EQ(desktop.unregisterCalls, (std::vector<int>{123})) << "removed anyway, harmlessly";
}

TEST_F(HotkeyFixture, OnlyTheOwnIdentifierStartsACapture) {
  for (int id : {0, 122, 124, -123, 0x0312}) form.WMHotKey(id);
  EXPECT_EQ(desktop.beeps, 0);
  EXPECT_TRUE(desktop.copies.empty());
}
