#pragma once
// Questions about windows on an X server: which top-level window is active, where it
// and its frame are on the screen, and its title.
#include <xcb/xcb.h>

#include <cstddef>
#include <optional>
#include <string>

#include "gfx/Types.h"
#include "platform/x11/Xcb.h"

namespace x11 {

class WindowQueries {
 public:
  WindowQueries(xcb_connection_t* connection, const xcb_screen_t* screen);

  // The active top-level window: _NET_ACTIVE_WINDOW, else the input focus walked up to
  // its top-level window. XCB_WINDOW_NONE when there is none, or when it is not viewable
  // or is a window manager's 1x1 window off the screen.
  xcb_window_t ActiveTopLevel();
  // Whether the window belongs to this process (its _NET_WM_PID).
  bool IsOwnWindow(xcb_window_t window);
  // Whether the window exists, is viewable and is not a 1x1 window off the screen.
  bool IsCapturable(xcb_window_t window);

  // The window with its window-manager frame, in root coordinates.
  gfx::TRect FrameRect(xcb_window_t window);
  // The window's own area (the client area) in root coordinates.
  gfx::TRect ClientRect(xcb_window_t window);

  // _NET_WM_NAME, else WM_NAME decoded from its encoding, as UTF-8 up to the first zero byte.
  std::string Title(xcb_window_t window);

 private:
  struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::string bytes;
  };
  std::optional<Property> GetProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
  xcb_window_t TopLevelOf(xcb_window_t window);
  bool HasProperty(xcb_window_t window, xcb_atom_t property);

  xcb_connection_t* connection_;
  xcb_window_t root_;
  int screenWidth_, screenHeight_;
  AtomCache atom_;
};

}  // namespace x11
