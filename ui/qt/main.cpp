// The desktop program: the window, the capture logic, the X11 desktop and the shell.
#include <QApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/ApplicationErrors.h"
#include "app/MainForm.h"
#include "platform/x11/NullDesktop.h"
#include "platform/x11/X11Desktop.h"
#include "ui/qt/HotkeyEventFilter.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtShell.h"

namespace {

// The screen number of $DISPLAY (":0.1" is screen 1); 0 when it names none.
int ScreenNumberOfDisplay(const char* display) {
  if (display == nullptr) return 0;
  const char* colon = std::strrchr(display, ':');
  const char* dot = colon ? std::strchr(colon, '.') : nullptr;
  return dot ? std::atoi(dot + 1) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ui::ApplyClassicStyle();
  ui::MainWindow window;
  ui::QtShell shell(&window);

  // Qt's own X connection, so grabbed keys arrive with Qt's events. Under a platform
  // without X (offscreen) the program still runs, with no hotkey and nothing to capture.
  std::unique_ptr<app::IDesktop> desktop;
  x11::X11Desktop* x11Desktop = nullptr;
  auto* x11App = application.nativeInterface<QNativeInterface::QX11Application>();
  if (x11App != nullptr && x11App->connection() != nullptr) {
    auto real = std::make_unique<x11::X11Desktop>(x11App->connection(), ScreenNumberOfDisplay(std::getenv("DISPLAY")));
    x11Desktop = real.get();
    desktop = std::move(real);
  } else {
    desktop = std::make_unique<x11::NullDesktop>();
  }

  app::TfrmMain form(window, *desktop, shell);
  window.SetHandlers(
      {
          .FormCreate = [&] { form.FormCreate(); },
          .FormClose = [&] { form.FormClose(); },
          .btnStartClick = [&] { form.btnStartClick(); },
          .chkCtrlClick = [&] { form.chkCtrlClick(); },
          .edtHotChange = [&] { form.edtHotChange(); },
          .btnDirClick = [&] { form.btnDirClick(); },
          .btnHelpClick = [&] { form.btnHelpClick(); },
          .WMHotKey = [&](int id) { form.WMHotKey(id); },
      },
      [&](const std::function<void()>& handler) { app::RunHandler(window, shell, handler); });

  std::unique_ptr<ui::HotkeyEventFilter> filter;
  if (x11Desktop != nullptr) {
    filter = std::make_unique<ui::HotkeyEventFilter>(*x11Desktop, [&](int id) { window.PostHotKey(id); });
    application.installNativeEventFilter(filter.get());
  }

  window.Create();
  window.show();
  const int status = application.exec();
  if (filter) application.removeNativeEventFilter(filter.get());
  return status;
}
