// The end-to-end tests' own window: the test pattern at a requested place, with a known
// title. With --grab it also holds Ctrl+Shift+W on the root and prints "pressed" for
// every press it receives, to stand in for another program that owns the combination.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/x11/HotkeyGrab.h"
#include "tests/platform/XClient.h"

int main(int argc, char** argv) {
  std::string title = "E2E Test Window";
  int x = 400, y = 300, width = 240, height = 120;
  bool grab = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--title" && i + 1 < argc) title = argv[++i];
    else if (arg == "--geometry" && i + 1 < argc) std::sscanf(argv[++i], "%dx%d+%d+%d", &width, &height, &x, &y);
    else if (arg == "--grab") grab = true;
  }
  const char* display = std::getenv("DISPLAY");
  xtest::XClient client(display ? display : "");
  const xcb_window_t window = client.PatternWindow(x, y, width, height);
  client.SetString(window, "_NET_WM_NAME", "UTF8_STRING", title);
  client.SetString(window, "WM_NAME", "UTF8_STRING", title);
  client.SetString(window, "WM_CLASS", "STRING", std::string("vantora-testwin\0VantoraTestWin\0", 31));
  // WM_NORMAL_HINTS: the position and size are the user's, so the manager keeps them.
  const std::uint32_t USPosition = 1, USSize = 2;
  std::uint32_t hints[18] = {USPosition | USSize, std::uint32_t(x), std::uint32_t(y), std::uint32_t(width),
                             std::uint32_t(height)};
  client.SetProperty(window, "WM_NORMAL_HINTS", "WM_SIZE_HINTS", 32, hints, 18);
  const std::uint32_t events[] = {XCB_EVENT_MASK_KEY_PRESS};
  xcb_change_window_attributes(client.Connection(), window, XCB_CW_EVENT_MASK, events);
  client.Map(window);

  x11::HotkeyGrab holder(client.Connection(), client.Root());
  if (grab) std::printf(holder.Grab(2 | 4, 'W') ? "grabbed\n" : "grab refused\n");
  std::printf("window %u\n", window);
  std::fflush(stdout);

  while (xcb_generic_event_t* event = xcb_wait_for_event(client.Connection())) {
    if ((event->response_type & 0x7F) == XCB_KEY_PRESS &&
        holder.Matches(*reinterpret_cast<xcb_key_press_event_t*>(event))) {
      std::printf("pressed\n");
      std::fflush(stdout);
    }
    std::free(event);
  }
  return 0;
}
