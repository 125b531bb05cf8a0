#pragma once
// A second X client for tests: makes windows with the test pattern and sets properties.
#include <xcb/xcb.h>

#include <string>

#include "tests/platform/TestPattern.h"

namespace xtest {

class XClient {
 public:
  explicit XClient(const std::string& display);
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  xcb_connection_t* Connection() const { return connection_; }
  const xcb_screen_t* Screen() const { return screen_; }
  xcb_window_t Root() const { return screen_->root; }
  int ScreenNumber() const { return screenNumber_; }

  // A window of the test pattern at (x, y) in the parent (the root when none).
  xcb_window_t PatternWindow(int x, int y, int width, int height, xcb_window_t parent = XCB_WINDOW_NONE);
  // The server's pixel value nearest to a colour on this screen's visual.
  std::uint32_t Pixel(RGB color) const;
  void Map(xcb_window_t window);
  void Unmap(xcb_window_t window);

  xcb_atom_t Atom(const std::string& name);
  void SetProperty(xcb_window_t window, const std::string& property, const std::string& type, int format,
                   const void* data, std::uint32_t count);
  void SetString(xcb_window_t window, const std::string& property, const std::string& type, const std::string& text);
  void SetCardinal(xcb_window_t window, const std::string& property, const std::string& type,
                   std::initializer_list<std::uint32_t> values);
  void DeleteProperty(xcb_window_t window, const std::string& property);
  // Waits until the server has handled every request sent so far.
  void Sync();

 private:
  xcb_connection_t* connection_;
  const xcb_screen_t* screen_;
  int screenNumber_ = 0;
};

}  // namespace xtest
