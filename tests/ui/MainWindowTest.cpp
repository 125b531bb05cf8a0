// The window's controls, their geometry, texts, states and tab order, and the wiring
// of every control to its handler.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <map>

#include "app/ApplicationErrors.h"
#include "app/MainForm.h"
#include "gfx/Errors.h"
#include "tests/support/FakePorts.h"
#include "tests/ui/ModalHelper.h"
#include "ui/qt/MainWindow.h"

namespace {

using ui::MainWindow;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(MainWindow, WindowPropertiesAsDesigned) {
  MainWindow window;
  EXPECT_EQ(window.windowTitle(), U("Vantora"));
  EXPECT_EQ(window.size(), QSize(296, 324));
  EXPECT_EQ(window.minimumSize(), QSize(296, 324));  // not resizable
  EXPECT_EQ(window.maximumSize(), QSize(296, 324));
  EXPECT_EQ(window.pos(), QPoint(192, 114));
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_EQ(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
  EXPECT_EQ(window.font().pixelSize(), 12);
  EXPECT_TRUE(window.font().family() == U("ＭＳ Ｐゴシック") || window.font().family() == U("IPAPGothic"))
      << window.font().family().toStdString();
}

struct ControlRow {
  const char* name;
  const char* parent;
  QRect geometry;
  const char* text;  // caption, button or edit text; null for none
  int checked;       // check box state: 1 checked, 0 unchecked, -1 not a check box
};

TEST(MainWindow, ControlsHaveTheirGeometryTextsAndStates) {
  MainWindow window;
  const ControlRow rows[] = {
      {"radioSave", "", {8, 40, 281, 57}, "保存の方法", -1},
      {"radioArea", "", {8, 136, 281, 65}, "キャプチャ範囲", -1},
      {"Panel1", "", {0, 287, 296, 37}, nullptr, -1},
      {"btnStart", "Panel1", {208, 8, 75, 25}, "開始(&S)", -1},
      {"Panel2", "", {0, 0, 296, 33}, nullptr, -1},
      {"Label1", "Panel2", {8, 10, 52, 12}, "ホットキー", -1},
      {"edtHot", "Panel2", {248, 7, 32, 20}, "W", -1},
      {"chkShift", "Panel2", {112, 8, 49, 17}, "Shift", 1},
      {"chkCtrl", "Panel2", {72, 8, 41, 17}, "Ctrl", 1},
      {"chkAlt", "Panel2", {160, 8, 41, 17}, "Alt", 0},
      {"chkWin", "Panel2", {200, 8, 41, 17}, "Win", 0},
      {"radioFormat", "", {8, 208, 281, 73}, "保存形式", -1},
      {"btnHelp", "Panel1", {8, 8, 25, 25}, "?", -1},
      {"edtDir", "", {8, 104, 257, 20}, "", -1},
      {"btnDir", "", {264, 104, 25, 17}, "...", -1},
  };
  for (const ControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = window.findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(control, nullptr);
    const QString parentName = control->parentWidget() == &window ? QString() : control->parentWidget()->objectName();
    EXPECT_EQ(parentName, QString::fromLatin1(row.parent));
    EXPECT_EQ(control->geometry(), row.geometry);
    QString text;
    if (auto* box = qobject_cast<QGroupBox*>(control)) text = box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) text = edit->text();
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (row.text) {
      EXPECT_EQ(text, U(row.text));
    }
    if (row.checked >= 0) {
      EXPECT_EQ(qobject_cast<QCheckBox*>(control)->isChecked(), row.checked == 1);
    }
  }
  EXPECT_GE(window.controls().edtHot->maxLength(), 32767);  // no length limit of its own
  // "&S" makes S the access key: Alt+S presses Start.
  EXPECT_EQ(window.controls().btnStart->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
}

TEST(MainWindow, RadioGroupsHaveTheirItemsWithTheFirstSelected) {
  MainWindow window;
  const std::map<ui::RadioGroup*, std::vector<const char*>> groups = {
      {window.controls().radioSave, {"デスクトップへ保存（ウィンドウの名前で）", "指定フォルダへ保存"}},
      {window.controls().radioArea,
       {"アクティブなウィンドウ", "アクティブなウィンドウのクライアント", "デスクトップ全体"}},
      {window.controls().radioFormat, {"BMP", "PNG", "GIF", "JPEG"}},
  };
  for (const auto& [group, items] : groups) {
    ASSERT_EQ(group->Count(), static_cast<int>(items.size()));
    for (int i = 0; i < group->Count(); ++i) EXPECT_EQ(group->Item(i)->text(), U(items[i]));
    EXPECT_EQ(group->ItemIndex(), 0);
  }
  EXPECT_EQ(window.radioSave(), app::smDesktop);
  EXPECT_EQ(window.radioArea(), app::caActiveWindow);
  EXPECT_EQ(window.radioFormat(), app::ofBMP);
}

TEST(MainWindow, ViewReadsTheControlsAsTheyAreNow) {
  MainWindow window;
  window.controls().radioSave->SetItemIndex(1);
  window.controls().radioArea->SetItemIndex(2);
  window.controls().radioFormat->SetItemIndex(3);
  window.controls().chkCtrl->setChecked(false);
  window.controls().chkAlt->setChecked(true);
  window.controls().chkWin->setChecked(true);
  window.controls().edtHot->setText(U("ｑ"));
  window.SetEdtDir("/tmp/フォルダ/");
  EXPECT_EQ(window.radioSave(), app::smFolder);
  EXPECT_EQ(window.radioArea(), app::caDesktop);
  EXPECT_EQ(window.radioFormat(), app::ofJPEG);
  EXPECT_FALSE(window.chkCtrl());
  EXPECT_TRUE(window.chkShift());
  EXPECT_TRUE(window.chkAlt());
  EXPECT_TRUE(window.chkWin());
  EXPECT_EQ(window.edtHot(), "ｑ");  // UTF-8 bytes
  EXPECT_EQ(window.controls().edtDir->text(), U("/tmp/フォルダ/"));
  EXPECT_EQ(window.edtDir(), "/tmp/フォルダ/");
}

// The control the widget belongs to: a radio button counts as its group.
QString ControlOf(QWidget* widget) {
  if (qobject_cast<QRadioButton*>(widget)) return widget->parentWidget()->objectName();
  return widget->objectName();
}

TEST(MainWindow, TabOrderFollowsTheTabIndexes) {
  MainWindow window;
  QStringList order;
  QWidget* start = window.controls().radioSave->Item(0);
  QWidget* w = start;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && window.isAncestorOf(w)) {
      const QString control = ControlOf(w);
      if (order.isEmpty() || order.back() != control) order << control;
    }
    w = w->nextInFocusChain();
  } while (w != start);
  const QStringList expected = {"radioSave", "radioArea", "btnStart", "btnHelp", "edtHot", "chkShift",
                                "chkCtrl",   "chkAlt",    "chkWin",   "radioFormat", "edtDir", "btnDir"};
  EXPECT_EQ(order, expected);
}

// Records which handler ran, in order.
struct Recorder {
  std::vector<std::string> calls;
  std::vector<int> hotkeys;
  ui::MainWindowHandlers Handlers() {
    auto named = [this](const char* name) { return [this, name] { calls.push_back(name); }; };
    return {named("FormCreate"),   named("FormClose"),   named("btnStartClick"), named("chkCtrlClick"),
            named("edtHotChange"), named("btnDirClick"), named("btnHelpClick"),
            [this](int id) { hotkeys.push_back(id); }};
  }
};

TEST(MainWindow, EachControlDrivesItsHandler) {
  struct Case {
    const char* name;
    std::function<void(MainWindow&)> act;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"Start", [](MainWindow& w) { QTest::mouseClick(w.controls().btnStart, Qt::LeftButton); }, {"btnStartClick"}},
      {"Ctrl", [](MainWindow& w) { QTest::mouseClick(w.controls().chkCtrl, Qt::LeftButton); }, {"chkCtrlClick"}},
      {"Shift", [](MainWindow& w) { QTest::mouseClick(w.controls().chkShift, Qt::LeftButton); }, {"chkCtrlClick"}},
      {"Alt", [](MainWindow& w) { QTest::mouseClick(w.controls().chkAlt, Qt::LeftButton); }, {"chkCtrlClick"}},
      {"Win has no handler", [](MainWindow& w) { QTest::mouseClick(w.controls().chkWin, Qt::LeftButton); }, {}},
      {"each keystroke in edtHot",
       [](MainWindow& w) {
         w.controls().edtHot->setFocus();
         w.controls().edtHot->selectAll();
         QTest::keyClicks(w.controls().edtHot, "qa");
       },
       {"edtHotChange", "edtHotChange"}},
      {"folder button", [](MainWindow& w) { QTest::mouseClick(w.controls().btnDir, Qt::LeftButton); }, {"btnDirClick"}},
      {"help button", [](MainWindow& w) { QTest::mouseClick(w.controls().btnHelp, Qt::LeftButton); }, {"btnHelpClick"}},
      {"radio groups and edtDir have none",
       [](MainWindow& w) {
         QTest::mouseClick(w.controls().radioSave->Item(1), Qt::LeftButton);
         QTest::mouseClick(w.controls().radioArea->Item(2), Qt::LeftButton);
         QTest::mouseClick(w.controls().radioFormat->Item(1), Qt::LeftButton);
         QTest::keyClicks(w.controls().edtDir, "x");
       },
       {}},
      {"closing", [](MainWindow& w) { w.close(); }, {"FormClose"}},
      {"creation", [](MainWindow& w) { w.Create(); }, {"FormCreate"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindow window;
    Recorder recorder;
    window.SetHandlers(recorder.Handlers(), nullptr);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    c.act(window);
    EXPECT_EQ(recorder.calls, c.expected);
  }
}

TEST(MainWindow, HotkeyPressesAreQueuedNotRunInPlace) {
  MainWindow window;
  Recorder recorder;
  window.SetHandlers(recorder.Handlers(), nullptr);
  window.PostHotKey(123);
  window.PostHotKey(7);
  EXPECT_TRUE(recorder.hotkeys.empty());
  QTRY_COMPARE(recorder.hotkeys.size(), 2u);
  EXPECT_EQ(recorder.hotkeys, (std::vector<int>{123, 7}));
}

TEST(MainWindow, ErrorBoxShowsTheMessageAndCaptionAndTheProgramGoesOn) {
  MainWindow window;
  testsupport::FakeShell shell;
  shell.programFileName = "/opt/bin/VANTORA";
  Recorder recorder;
  ui::MainWindowHandlers handlers = recorder.Handlers();
  handlers.btnHelpClick = [] { throw gfx::EFCreateError("/nowhere/1-.png", ENOENT); };
  window.SetHandlers(handlers, [&](const std::function<void()>& h) { app::RunHandler(window, shell, h); });

  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  std::size_t hotkeysWhileOpen = 0;
  window.PostHotKey(123);  // queued before the box: its own loop delivers it
  uitest::WhenModalShows([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    QTRY_COMPARE(recorder.hotkeys.size(), 1u);
    hotkeysWhileOpen = recorder.hotkeys.size();
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    box->button(QMessageBox::Ok)->click();
  });
  QTest::mouseClick(window.controls().btnHelp, Qt::LeftButton);  // returns once the box is closed

  EXPECT_EQ(caption, U("Vantora"));  // first character as it is, the rest in lower case
  const std::string expected = gfx::EFCreateError("/nowhere/1-.png", ENOENT).what() + std::string(".");
  EXPECT_EQ(text.toStdString(), expected);
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(hotkeysWhileOpen, 1u);
  // The window still works.
  QTest::mouseClick(window.controls().btnDir, Qt::LeftButton);
  EXPECT_EQ(recorder.calls.back(), "btnDirClick");
}

// The window over the real capture logic with a fake desktop: the controls reach the
// hotkey registration as the logic reads them.
TEST(MainWindow, ControlsRegisterTheHotkeyThroughTheLogic) {
  MainWindow window;
  testsupport::FakeDesktop desktop;
  testsupport::FakeShell shell;
  shell.specialFolders[app::CSIDL_DESKTOPDIRECTORY] = "/home/u/Desktop";
  app::TfrmMain form(window, desktop, shell);
  window.SetHandlers({[&] { form.FormCreate(); }, [&] { form.FormClose(); }, [&] { form.btnStartClick(); },
                      [&] { form.chkCtrlClick(); }, [&] { form.edtHotChange(); }, [&] { form.btnDirClick(); },
                      [&] { form.btnHelpClick(); }, [&](int id) { form.WMHotKey(id); }},
                     [&](const std::function<void()>& h) { app::RunHandler(window, shell, h); });
  window.Create();
  window.show();
  EXPECT_EQ(window.edtDir(), "/home/u/Desktop/");
  EXPECT_TRUE(desktop.registerCalls.empty());

  window.controls().edtHot->selectAll();
  QTest::keyClicks(window.controls().edtHot, "q");
  ASSERT_EQ(desktop.registerCalls.size(), 1u);
  EXPECT_EQ(desktop.registerCalls.back().modifiers, app::MOD_CONTROL | app::MOD_SHIFT);
  EXPECT_EQ(desktop.registerCalls.back().key, 'Q');

  QTest::mouseClick(window.controls().chkWin, Qt::LeftButton);  // no handler: nothing registered
  EXPECT_EQ(desktop.registerCalls.size(), 1u);
  QTest::mouseClick(window.controls().chkCtrl, Qt::LeftButton);
  EXPECT_EQ(desktop.registerCalls.back().modifiers, app::MOD_SHIFT | app::MOD_WIN);

  QTest::mouseClick(window.controls().btnStart, Qt::LeftButton);
  EXPECT_EQ(desktop.liveRegistrations.size(), 1u);
  QTRY_VERIFY(window.isMinimized());
  window.close();
  EXPECT_TRUE(desktop.liveRegistrations.empty());
}

}  // namespace
