#pragma once
// Plain fakes of the capture logic's ports: they hold what a test sets up and record
// what the logic asked of them, in order.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/ports/Desktop.h"
#include "app/ports/MainWindowView.h"
#include "app/ports/Shell.h"

namespace testsupport {

class FakeDesktop : public app::IDesktop {
 public:
  struct Registration {
    int id;
    unsigned modifiers;
    std::uint8_t key;
    friend bool operator==(const Registration&, const Registration&) = default;
  };
  struct Copy {
    app::WindowHandle window;
    app::TSurface surface;
    int width, height;
    gfx::TPixelFormat format;
  };

  // Set up by the test.
  app::WindowHandle activeWindow = app::NoWindow;
  app::WindowHandle foregroundWindow = app::NoWindow;
  app::WindowHandle desktopWindow = 1;
  std::map<app::WindowHandle, gfx::TRect> windowRects;
  std::map<app::WindowHandle, gfx::TRect> clientRects;
  std::map<app::WindowHandle, std::string> titles;
  gfx::TPixelFormat screenFormat = gfx::pf32bit;
  bool refuseRegistrations = false;

  // Recorded.
  std::vector<std::string> calls;  // names of the operations, in order
  std::vector<Registration> registerCalls;
  std::vector<int> unregisterCalls;
  std::set<int> liveRegistrations;  // what the desktop holds now
  std::vector<Copy> copies;
  std::vector<std::size_t> titleMaxCounts;
  int beeps = 0;

  bool RegisterHotKey(int id, unsigned modifiers, std::uint8_t key) override {
    calls.push_back("RegisterHotKey");
    registerCalls.push_back({id, modifiers, key});
    if (refuseRegistrations || liveRegistrations.count(id)) return false;
    liveRegistrations.insert(id);
    return true;
  }
  bool UnregisterHotKey(int id) override {
    calls.push_back("UnregisterHotKey");
    unregisterCalls.push_back(id);
    return liveRegistrations.erase(id) > 0;
  }
  app::WindowHandle GetActiveWindow() override { calls.push_back("GetActiveWindow"); return activeWindow; }
  app::WindowHandle GetForegroundWindow() override {
    calls.push_back("GetForegroundWindow");
    return foregroundWindow;
  }
  app::WindowHandle GetDesktopWindow() override { calls.push_back("GetDesktopWindow"); return desktopWindow; }
  gfx::TRect GetWindowRect(app::WindowHandle window) override {
    calls.push_back("GetWindowRect");
    return windowRects[window];
  }
  gfx::TRect GetClientRect(app::WindowHandle window) override {
    calls.push_back("GetClientRect");
    return clientRects[window];
  }
  gfx::TPixelFormat ScreenPixelFormat() override { return screenFormat; }
  // Paints four solid quadrants (reddish left, bluish right, darker top) at the screen's
  // depth, so a red/blue swap or a flipped row order shows in any encoder's output.
  void CopyToBitmap(app::WindowHandle window, app::TSurface surface, gfx::TBitmap& bitmap) override {
    calls.push_back("CopyToBitmap");
    copies.push_back({window, surface, bitmap.Width(), bitmap.Height(), bitmap.PixelFormat()});
    if (bitmap.Empty()) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
      std::uint8_t* row = bitmap.ScanLine(y);
      for (int x = 0; x < bitmap.Width(); ++x) {
        const bool left = x < (bitmap.Width() + 1) / 2, top = y < (bitmap.Height() + 1) / 2;
        PutPixel(row, x, bitmap.PixelFormat(), left ? 200 : 32, top ? 64 : 176, left ? 24 : 224);
      }
    }
  }
  static void PutPixel(std::uint8_t* row, int x, gfx::TPixelFormat format, int r, int g, int b) {
    switch (format) {
      case gfx::pfDevice:
      case gfx::pf32bit:
        row[4 * x] = std::uint8_t(b), row[4 * x + 1] = std::uint8_t(g), row[4 * x + 2] = std::uint8_t(r);
        break;
      case gfx::pf24bit:
        row[3 * x] = std::uint8_t(b), row[3 * x + 1] = std::uint8_t(g), row[3 * x + 2] = std::uint8_t(r);
        break;
      case gfx::pf16bit:
      case gfx::pf15bit: {
        const unsigned v = format == gfx::pf16bit ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                                  : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        row[2 * x] = std::uint8_t(v), row[2 * x + 1] = std::uint8_t(v >> 8);
        break;
      }
      default:
        break;  // no screen runs at an indexed depth here
    }
  }
  std::string GetWindowText(app::WindowHandle window, std::size_t maxCount) override {
    calls.push_back("GetWindowText");
    titleMaxCounts.push_back(maxCount);
    return titles[window];
  }
  void MessageBeep() override {
    calls.push_back("MessageBeep");
    ++beeps;
  }
};

class FakeView : public app::IMainWindowView {
 public:
  // The controls, with the window's initial state.
  bool ctrl = true, shift = true, alt = false, win = false;
  std::string hot = "W";
  std::string dir;
  app::CaptureArea area = app::caActiveWindow;
  app::SaveMethod save = app::smDesktop;
  app::OutputFormat format = app::ofBMP;

  int minimizeCount = 0;
  struct ErrorBox {
    std::string caption, message;
  };
  std::vector<ErrorBox> errorBoxes;
  // Runs while the error box is open, as its event loop would run queued events.
  std::function<void()> whileErrorBoxOpen;

  bool chkCtrl() const override { return ctrl; }
  bool chkShift() const override { return shift; }
  bool chkAlt() const override { return alt; }
  bool chkWin() const override { return win; }
  std::string edtHot() const override { return hot; }
  std::string edtDir() const override { return dir; }
  void SetEdtDir(const std::string& text) override { dir = text; }
  app::CaptureArea radioArea() const override { return area; }
  app::SaveMethod radioSave() const override { return save; }
  app::OutputFormat radioFormat() const override { return format; }
  void Minimize() override { ++minimizeCount; }
  void ShowErrorBox(const std::string& caption, const std::string& message) override {
    errorBoxes.push_back({caption, message});
    if (whileErrorBoxOpen) whileErrorBoxOpen();
  }
};

class FakeShell : public app::IShell {
 public:
  std::map<int, std::string> specialFolders;
  std::string programFileName = "/opt/vantora/bin/vantora";
  std::optional<std::string> browseAnswer;

  std::vector<int> specialFolderCalls;
  std::vector<std::string> opened;
  std::vector<std::string> browseTitles;

  std::string SpecialFolderPath(int csidl) override {
    specialFolderCalls.push_back(csidl);
    return specialFolders[csidl];
  }
  std::string ProgramFileName() override { return programFileName; }
  void ShellOpen(const std::string& path) override { opened.push_back(path); }
  std::optional<std::string> BrowseForFolder(const std::string& title) override {
    browseTitles.push_back(title);
    return browseAnswer;
  }
};

}  // namespace testsupport
