#pragma once
// What the capture logic needs of the desktop: one global hotkey, the windows to
// capture, their rectangles, pixels and titles, and the beep.
// platform/x11 implements it on an X server; tests use a fake.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/PixelFormat.h"
#include "gfx/Types.h"

namespace app {

using WindowHandle = std::uint64_t;
constexpr WindowHandle NoWindow = 0;

// Modifier flags of a hotkey registration.
enum : unsigned { MOD_ALT = 1, MOD_CONTROL = 2, MOD_SHIFT = 4, MOD_WIN = 8 };

// Which part of a window a device context covers: the whole window with its frame,
// or the client area. The origin is that part's top-left corner.
enum class TSurface { Window, Client };

class IDesktop {
 public:
  virtual ~IDesktop() = default;

  // Results are returned for diagnostics; the program ignores them.
  virtual bool RegisterHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) = 0;
  virtual bool UnregisterHotKey(int id) = 0;

  // The active window of this program, or NoWindow when another program is in front.
  virtual WindowHandle GetActiveWindow() = 0;
  // The window the user works in, or NoWindow.
  virtual WindowHandle GetForegroundWindow() = 0;
  // The whole desktop.
  virtual WindowHandle GetDesktopWindow() = 0;
  // Frame included, in screen coordinates.
  virtual gfx::TRect GetWindowRect(WindowHandle window) = 0;
  // The client area: left and top 0.
  virtual gfx::TRect GetClientRect(WindowHandle window) = 0;

  // The pixel format of a bitmap compatible with the screen (pf32bit, pf16bit, pf15bit).
  virtual gfx::TPixelFormat ScreenPixelFormat() = 0;
  // Copies the surface's pixels from its origin into the bitmap, which the caller has
  // sized and set to ScreenPixelFormat(). Pixels outside the screen stay black.
  virtual void CopyToBitmap(WindowHandle window, TSurface surface, gfx::TBitmap& bitmap) = 0;

  // The window's title as bytes up to its first zero byte, at most maxCount - 1 bytes,
  // cut at a character boundary.
  virtual std::string GetWindowText(WindowHandle window, std::size_t maxCount) = 0;

  virtual void MessageBeep() = 0;
};

}  // namespace app
