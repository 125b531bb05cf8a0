#include "platform/x11/X11Desktop.h"

#include "platform/x11/CompoundText.h"

namespace x11 {

const xcb_screen_t* ScreenOf(xcb_connection_t* connection, int screenNumber) {
  auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  const xcb_screen_t* first = it.data;
  for (int i = 0; it.rem; ++i, xcb_screen_next(&it))
    if (i == screenNumber) return it.data;
  return first;
}

X11Desktop::X11Desktop(xcb_connection_t* connection, int screenNumber, std::size_t bandBytes)
    : connection_(connection),
      screen_(ScreenOf(connection, screenNumber)),
      windows_(connection, screen_),
      grab_(connection, screen_->root),
      capture_(connection, screen_, bandBytes) {}

bool X11Desktop::RegisterHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) {
  hotkeyId_ = id;
  return grab_.Grab(modifiers, virtualKey);
}

bool X11Desktop::UnregisterHotKey(int id) {
  if (hotkeyId_ != id) return false;
  const bool held = grab_.Held();
  grab_.Ungrab();
  hotkeyId_.reset();
  return held;
}

std::optional<int> X11Desktop::HotkeyPressed(const xcb_generic_event_t& event) const {
  if ((event.response_type & 0x7F) != XCB_KEY_PRESS || !hotkeyId_) return std::nullopt;
  if (!grab_.Matches(reinterpret_cast<const xcb_key_press_event_t&>(event))) return std::nullopt;
  return hotkeyId_;
}

app::WindowHandle X11Desktop::GetActiveWindow() {
  const xcb_window_t window = windows_.ActiveTopLevel();
  return window != XCB_WINDOW_NONE && windows_.IsOwnWindow(window) ? app::WindowHandle{window} : app::NoWindow;
}

app::WindowHandle X11Desktop::GetForegroundWindow() {
  const xcb_window_t window = windows_.ActiveTopLevel();
  return window != XCB_WINDOW_NONE ? app::WindowHandle{window} : app::NoWindow;
}

app::WindowHandle X11Desktop::GetDesktopWindow() { return screen_->root; }

gfx::TRect X11Desktop::GetWindowRect(app::WindowHandle window) {
  return windows_.FrameRect(static_cast<xcb_window_t>(window));
}

gfx::TRect X11Desktop::GetClientRect(app::WindowHandle window) {
  const gfx::TRect r = windows_.ClientRect(static_cast<xcb_window_t>(window));
  return {0, 0, r.Width(), r.Height()};
}

gfx::TPixelFormat X11Desktop::ScreenPixelFormat() { return capture_.BitmapFormat(); }

void X11Desktop::CopyToBitmap(app::WindowHandle window, app::TSurface surface, gfx::TBitmap& bitmap) {
  const auto id = static_cast<xcb_window_t>(window);
  const gfx::TRect r = surface == app::TSurface::Window ? windows_.FrameRect(id) : windows_.ClientRect(id);
  capture_.Copy(r.Left, r.Top, bitmap);
}

std::string X11Desktop::GetWindowText(app::WindowHandle window, std::size_t maxCount) {
  if (maxCount == 0) return {};
  return std::string(CutUtf8(windows_.Title(static_cast<xcb_window_t>(window)), maxCount - 1));
}

void X11Desktop::MessageBeep() {
  xcb_bell(connection_, 0);
  xcb_flush(connection_);
}

}  // namespace x11
