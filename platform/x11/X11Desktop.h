#pragma once
// The desktop port on an X server, over an xcb connection the caller owns (in the
// program, Qt's own connection, so hotkey presses arrive among Qt's events).
#include <xcb/xcb.h>

#include <optional>

#include "app/ports/Desktop.h"
#include "platform/x11/HotkeyGrab.h"
#include "platform/x11/ScreenCapture.h"
#include "platform/x11/WindowQueries.h"

namespace x11 {

class X11Desktop : public app::IDesktop {
 public:
  // connection must not be null; screenNumber picks the screen whose root is "the desktop".
  // bandBytes: the size of the shared-memory band captures go through.
  X11Desktop(xcb_connection_t* connection, int screenNumber,
             std::size_t bandBytes = ScreenCapture::DefaultBandBytes);

  bool RegisterHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) override;
  bool UnregisterHotKey(int id) override;

  app::WindowHandle GetActiveWindow() override;
  app::WindowHandle GetForegroundWindow() override;
  app::WindowHandle GetDesktopWindow() override;
  gfx::TRect GetWindowRect(app::WindowHandle window) override;
  gfx::TRect GetClientRect(app::WindowHandle window) override;

  gfx::TPixelFormat ScreenPixelFormat() override;
  void CopyToBitmap(app::WindowHandle window, app::TSurface surface, gfx::TBitmap& bitmap) override;

  std::string GetWindowText(app::WindowHandle window, std::size_t maxCount) override;
  void MessageBeep() override;

  // The hotkey identifier when the event is a press of the registered combination.
  std::optional<int> HotkeyPressed(const xcb_generic_event_t& event) const;

  ScreenCapture& Capture() { return capture_; }

 private:
  xcb_connection_t* connection_;
  const xcb_screen_t* screen_;
  WindowQueries windows_;
  HotkeyGrab grab_;
  ScreenCapture capture_;
  std::optional<int> hotkeyId_;
};

// The screen with that number, or the first one when there is no such screen.
const xcb_screen_t* ScreenOf(xcb_connection_t* connection, int screenNumber);

}  // namespace x11
