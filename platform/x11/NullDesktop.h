#pragma once
// A desktop with no X server behind it (Qt's offscreen platform): no hotkey is ever
// pressed, the only window is an empty desktop, nothing is captured.
#include "app/ports/Desktop.h"

namespace x11 {

class NullDesktop : public app::IDesktop {
 public:
  bool RegisterHotKey(int, unsigned, std::uint8_t) override { return false; }
  bool UnregisterHotKey(int) override { return false; }
  app::WindowHandle GetActiveWindow() override { return app::NoWindow; }
  app::WindowHandle GetForegroundWindow() override { return app::NoWindow; }
  app::WindowHandle GetDesktopWindow() override { return 1; }
  gfx::TRect GetWindowRect(app::WindowHandle) override { return {}; }
  gfx::TRect GetClientRect(app::WindowHandle) override { return {}; }
  gfx::TPixelFormat ScreenPixelFormat() override { return gfx::pf32bit; }
  void CopyToBitmap(app::WindowHandle, app::TSurface, gfx::TBitmap&) override {}
  std::string GetWindowText(app::WindowHandle, std::size_t) override { return {}; }
  void MessageBeep() override {}
};

}  // namespace x11
