// The X11 desktop against a real X server (a private Xvfb per suite).
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb_keysyms.h>
// The keyboard extension's header names a field "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#include <cstring>
#include <memory>

#include "gfx/Errors.h"
#include "platform/x11/HotkeyGrab.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/XClient.h"
#include "tests/platform/XServer.h"
#include "tests/support/Decoders.h"

namespace {

using xtest::RGB;

struct ServerCase {
  const char* name;
  int depth;
  bool sharedMemory;
  int tolerance;  // per channel: what the screen's own precision loses
  gfx::TPixelFormat format;
};
// Test listings show the case by its name.
void PrintTo(const ServerCase& c, std::ostream* os) { *os << c.name; }

class CaptureOnServer : public ::testing::TestWithParam<ServerCase> {
 protected:
  void SetUp() override {
    server_ = std::make_unique<xtest::XServer>(xtest::XServerOptions{320, 200, GetParam().depth, GetParam().sharedMemory});
    client_ = std::make_unique<xtest::XClient>(server_->Display());
    ours_ = xcb_connect(server_->Display().c_str(), nullptr);
    desktop_ = std::make_unique<x11::X11Desktop>(ours_, 0);
  }
  void TearDown() override {
    desktop_.reset();
    xcb_disconnect(ours_);
  }

  // Captures the window's client area; checks every pixel against the pattern, with the
  // part off the screen black.
  void ExpectPattern(xcb_window_t window, int left, int top, int width, int height) {
    const gfx::TRect client = desktop_->GetClientRect(window);
    ASSERT_EQ(client, (gfx::TRect{0, 0, width, height}));
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(desktop_->ScreenPixelFormat());
    EXPECT_EQ(bitmap.PixelFormat(), GetParam().format);
    bitmap.SetSize(width, height);
    desktop_->CopyToBitmap(window, app::TSurface::Client, bitmap);
    const testsupport::RGBImage rgb = testsupport::ToRGB(bitmap);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool onScreen = left + x >= 0 && top + y >= 0 && left + x < 320 && top + y < 200;
        const RGB want = onScreen ? xtest::PatternColor(x, y, width, height) : RGB{0, 0, 0};
        const std::uint8_t* got = rgb.At(x, y);
        const int tol = GetParam().tolerance;
        if (std::abs(got[0] - want.r) > tol || std::abs(got[1] - want.g) > tol || std::abs(got[2] - want.b) > tol) {
          if (++wrong <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << ": got " << int(got[0]) << "," << int(got[1]) << ","
                          << int(got[2]) << " want " << int(want.r) << "," << int(want.g) << "," << int(want.b);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  std::unique_ptr<xtest::XServer> server_;
  std::unique_ptr<xtest::XClient> client_;
  xcb_connection_t* ours_ = nullptr;
  std::unique_ptr<x11::X11Desktop> desktop_;
};

TEST_P(CaptureOnServer, ClientAreaHoldsTheWindowsPixels) {
  const xcb_window_t window = client_->PatternWindow(11, 7, 67, 43);
  client_->Map(window);
  ExpectPattern(window, 11, 7, 67, 43);
  EXPECT_EQ(desktop_->Capture().UsesSharedMemory(), GetParam().sharedMemory);
}

TEST_P(CaptureOnServer, PartsOffTheScreenAreBlack) {
  const xcb_window_t window = client_->PatternWindow(-13, 180, 50, 41);
  client_->Map(window);
  ExpectPattern(window, -13, 180, 50, 41);
}

TEST_P(CaptureOnServer, BandsOfAnySizeGiveTheSamePicture) {
  const xcb_window_t window = client_->PatternWindow(0, 0, 320, 200);
  client_->Map(window);
  gfx::TBitmap whole, banded;
  for (gfx::TBitmap* b : {&whole, &banded}) {
    b->SetPixelFormat(desktop_->ScreenPixelFormat());
    b->SetSize(301, 187);
  }
  desktop_->Capture().Copy(3, 5, whole);
  x11::ScreenCapture small(ours_, x11::ScreenOf(ours_, 0), 1000);  // a few rows per band
  small.Copy(3, 5, banded);
  EXPECT_EQ(testsupport::ToRGB(whole).pixels, testsupport::ToRGB(banded).pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, CaptureOnServer,
                         ::testing::Values(ServerCase{"Depth24", 24, true, 0, gfx::pf32bit},
                                           ServerCase{"Depth24NoSharedMemory", 24, false, 0, gfx::pf32bit},
                                           ServerCase{"Depth16", 16, true, 4, gfx::pf16bit},
                                           ServerCase{"Depth15", 15, true, 4, gfx::pf15bit},
                                           ServerCase{"Depth30", 30, true, 1, gfx::pf32bit}),
                         [](const auto& info) { return std::string(info.param.name); });

// Titles, rectangles, the active window and hotkeys on one 24-bit server.
class DesktopOnServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new xtest::XServer(xtest::XServerOptions{320, 200, 24, true}); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    client_ = std::make_unique<xtest::XClient>(server_->Display());
    ours_ = xcb_connect(server_->Display().c_str(), nullptr);
    desktop_ = std::make_unique<x11::X11Desktop>(ours_, 0);
    client_->DeleteProperty(client_->Root(), "_NET_ACTIVE_WINDOW");
  }
  void TearDown() override {
    desktop_.reset();
    xcb_disconnect(ours_);
  }
  xcb_window_t MappedWindow(int x, int y, int w, int h) {
    const xcb_window_t window = client_->PatternWindow(x, y, w, h);
    client_->Map(window);
    return window;
  }

  static xtest::XServer* server_;
  std::unique_ptr<xtest::XClient> client_;
  xcb_connection_t* ours_ = nullptr;
  std::unique_ptr<x11::X11Desktop> desktop_;
};
xtest::XServer* DesktopOnServer::server_ = nullptr;

TEST_F(DesktopOnServer, TitleComesFromTheBestPropertyThere) {
  const xcb_window_t w = MappedWindow(0, 0, 10, 10);
  EXPECT_EQ(desktop_->GetWindowText(w, 1024), "");
  client_->SetString(w, "WM_NAME", "STRING", "caf\xE9");
  EXPECT_EQ(desktop_->GetWindowText(w, 1024), "café");
  client_->SetString(w, "WM_NAME", "COMPOUND_TEXT", "x\x1B$)B\xC6\xFC\xCB\xDC");
  EXPECT_EQ(desktop_->GetWindowText(w, 1024), "x日本");
  client_->SetString(w, "_NET_WM_NAME", "UTF8_STRING", std::string("端末: ~/src\0tail", 17));
  EXPECT_EQ(desktop_->GetWindowText(w, 1024), "端末: ~/src");  // up to the first zero byte
}

TEST_F(DesktopOnServer, LongTitlesAreCutAtACharacterBoundary) {
  const xcb_window_t w = MappedWindow(0, 0, 10, 10);
  std::string title = "a";
  while (title.size() < 1100) title += "あ";
  client_->SetString(w, "_NET_WM_NAME", "UTF8_STRING", title);
  const std::string got = desktop_->GetWindowText(w, 1024);
  EXPECT_EQ(got.size(), 1021u);  // 1 + 340 * 3: the next character would pass 1023 bytes
  EXPECT_EQ(got, title.substr(0, 1021));
}

TEST_F(DesktopOnServer, FrameComesFromExtentsOrFromTheParentFrame) {
  const xcb_window_t w = MappedWindow(40, 30, 50, 20);
  EXPECT_EQ(desktop_->GetWindowRect(w), (gfx::TRect{40, 30, 90, 50}));  // no frame: the window itself
  client_->SetCardinal(w, "_NET_FRAME_EXTENTS", "CARDINAL", {2, 3, 18, 4});  // left, right, top, bottom
  EXPECT_EQ(desktop_->GetWindowRect(w), (gfx::TRect{38, 12, 93, 54}));

  // A reparenting manager without extents: the frame is the child of the root.
  const xcb_window_t frame = MappedWindow(100, 60, 70, 50);
  const xcb_window_t inner = client_->PatternWindow(0, 0, 60, 30);
  xcb_reparent_window(client_->Connection(), inner, frame, 5, 15);
  client_->Map(inner);
  EXPECT_EQ(desktop_->GetWindowRect(inner), (gfx::TRect{100, 60, 170, 110}));
  EXPECT_EQ(desktop_->GetClientRect(inner), (gfx::TRect{0, 0, 60, 30}));
}

TEST_F(DesktopOnServer, ActiveWindowIsViewableOrNone) {
  const xcb_window_t w = MappedWindow(20, 20, 30, 30);
  EXPECT_EQ(desktop_->GetForegroundWindow(), app::NoWindow);  // nothing active, focus on the root

  client_->SetCardinal(client_->Root(), "_NET_ACTIVE_WINDOW", "WINDOW", {w});
  EXPECT_EQ(desktop_->GetForegroundWindow(), w);
  EXPECT_EQ(desktop_->GetActiveWindow(), app::NoWindow);  // another program's window
  client_->SetCardinal(w, "_NET_WM_PID", "CARDINAL", {static_cast<std::uint32_t>(getpid())});
  EXPECT_EQ(desktop_->GetActiveWindow(), w);  // ours

  client_->Unmap(w);  // minimised or withdrawn: its pixels are not on the screen
  EXPECT_EQ(desktop_->GetForegroundWindow(), app::NoWindow);

  const xcb_window_t managersOwn = MappedWindow(-100, -100, 1, 1);
  client_->SetCardinal(client_->Root(), "_NET_ACTIVE_WINDOW", "WINDOW", {managersOwn});
  EXPECT_EQ(desktop_->GetForegroundWindow(), app::NoWindow);

  client_->SetCardinal(client_->Root(), "_NET_ACTIVE_WINDOW", "WINDOW", {0x7FFFFF});  // stale id
  EXPECT_EQ(desktop_->GetForegroundWindow(), app::NoWindow);
  EXPECT_EQ(desktop_->GetWindowText(0x7FFFFF, 1024), "");
  EXPECT_EQ(desktop_->GetWindowRect(0x7FFFFF), gfx::TRect{});
  // No error of those questions waits as an event (Qt's event loop would report each one).
  xcb_flush(ours_);
  std::free(xcb_get_input_focus_reply(ours_, xcb_get_input_focus(ours_), nullptr));
  while (xcb_generic_event_t* event = xcb_poll_for_event(ours_)) {
    EXPECT_NE(event->response_type, 0) << "an X error was left in the event queue";
    std::free(event);
  }
}

TEST_F(DesktopOnServer, WithoutActiveWindowTheFocusIsWalkedUpToItsTopLevel) {
  const xcb_window_t top = MappedWindow(20, 20, 40, 40);
  const xcb_window_t child = client_->PatternWindow(5, 5, 10, 10, top);
  client_->Map(child);
  xcb_set_input_focus(client_->Connection(), XCB_INPUT_FOCUS_PARENT, child, XCB_CURRENT_TIME);
  client_->Sync();
  EXPECT_EQ(desktop_->GetForegroundWindow(), top);
}

TEST_F(DesktopOnServer, DesktopIsTheRootWithAllItsPixels) {
  EXPECT_EQ(desktop_->GetDesktopWindow(), client_->Root());
  EXPECT_EQ(desktop_->GetWindowRect(client_->Root()), (gfx::TRect{0, 0, 320, 200}));
  EXPECT_EQ(desktop_->GetClientRect(client_->Root()), (gfx::TRect{0, 0, 320, 200}));
}

xcb_keycode_t KeycodeOf(xcb_connection_t* c, xcb_keysym_t sym) {
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym);
  const xcb_keycode_t code = codes ? codes[0] : 0;
  std::free(codes);
  xcb_key_symbols_free(symbols);
  return code;
}

TEST_F(DesktopOnServer, HotkeyMatchesWhateverTheLockKeys) {
  ASSERT_TRUE(desktop_->RegisterHotKey(123, app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
  const x11::ModifierBits bits = x11::ReadModifierBits(ours_);
  ASSERT_NE(bits.numLock, 0);
  ASSERT_NE(bits.alt, 0);
  xcb_key_press_event_t press{};
  press.response_type = XCB_KEY_PRESS;
  press.detail = KeycodeOf(ours_, 'w');
  // As Qt hands events over: in a buffer of the generic event's size.
  const auto asEvent = [&] {
    xcb_generic_event_t event{};
    static_assert(sizeof event >= sizeof press);
    std::memcpy(&event, &press, sizeof press);
    return event;
  };
  struct Case {
    std::uint16_t state;
    bool matches;
  };
  const std::uint16_t ctrlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
  for (const Case& c : {Case{ctrlShift, true}, Case{std::uint16_t(ctrlShift | bits.numLock), true},
                        Case{std::uint16_t(ctrlShift | XCB_MOD_MASK_LOCK | bits.numLock), true},
                        Case{std::uint16_t(ctrlShift | XCB_KEY_BUT_MASK_BUTTON_1), true},
                        Case{XCB_MOD_MASK_CONTROL, false}, Case{std::uint16_t(ctrlShift | bits.alt), false}}) {
    press.state = c.state;
    EXPECT_EQ(desktop_->HotkeyPressed(asEvent()).has_value(), c.matches) << "state 0x" << std::hex << c.state;
  }
  press.state = ctrlShift;
  press.detail = KeycodeOf(ours_, 'q');
  EXPECT_FALSE(desktop_->HotkeyPressed(asEvent()));
  EXPECT_TRUE(desktop_->UnregisterHotKey(123));
  press.detail = KeycodeOf(ours_, 'w');
  EXPECT_FALSE(desktop_->HotkeyPressed(asEvent()));
}

TEST_F(DesktopOnServer, AGrabHeldElsewhereIsRefusedAndLeavesNothingBehind) {
  x11::HotkeyGrab other(client_->Connection(), client_->Root());
  ASSERT_TRUE(other.Grab(app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
  EXPECT_FALSE(desktop_->RegisterHotKey(123, app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
  other.Ungrab();
  // Nothing of ours stayed grabbed: the other client can take it again, and we can now too.
  ASSERT_TRUE(other.Grab(app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
  other.Ungrab();
  EXPECT_TRUE(desktop_->RegisterHotKey(123, app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
  EXPECT_FALSE(other.Grab(app::MOD_CONTROL | app::MOD_SHIFT, 'W'));
}

TEST_F(DesktopOnServer, CodesWithoutAKeyAreRefusedSilently) {
  EXPECT_FALSE(desktop_->RegisterHotKey(123, app::MOD_CONTROL, 0x3A));
  EXPECT_TRUE(desktop_->RegisterHotKey(123, app::MOD_CONTROL, ','));  // Print Screen exists
}

TEST_F(DesktopOnServer, BeepRingsTheServersBell) {
  // Another client listens for the keyboard extension's bell notifications.
  xcb_connection_t* listener = client_->Connection();
  std::free(xcb_xkb_use_extension_reply(listener, xcb_xkb_use_extension(listener, 1, 0), nullptr));
  xcb_xkb_select_events(listener, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_EVENT_TYPE_BELL_NOTIFY, 0,
                        XCB_XKB_EVENT_TYPE_BELL_NOTIFY, 0, 0, nullptr);
  client_->Sync();
  const std::uint8_t xkbEvent = xcb_get_extension_data(listener, &xcb_xkb_id)->first_event;

  desktop_->MessageBeep();
  bool rang = xtest::WaitFor(
      [&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(listener)) {
          const bool bell = (event->response_type & 0x7F) == xkbEvent && event->pad0 == XCB_XKB_BELL_NOTIFY;
          std::free(event);
          if (bell) return true;
        }
        return false;
      },
      std::chrono::seconds(10));
  EXPECT_TRUE(rang);
}

TEST(ScreenDepth, AColourMappedScreenIsRefusedClearly) {
  xtest::XServer server(xtest::XServerOptions{64, 64, 8, true});
  xcb_connection_t* c = xcb_connect(server.Display().c_str(), nullptr);
  {
    x11::X11Desktop desktop(c, 0);
    try {
      desktop.ScreenPixelFormat();
      ADD_FAILURE() << "an 8-bit screen was accepted";
    } catch (const gfx::Exception& e) {
      EXPECT_NE(std::string(e.what()).find("8 ビット"), std::string::npos) << e.what();
    }
  }
  xcb_disconnect(c);
}

}  // namespace
