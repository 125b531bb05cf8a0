// The program end to end: a private Xvfb (24 and 16 bits, with and without MIT-SHM),
// openbox with no key bindings, a test window with known pixels and title, and the real
// program driven with xdotool. Files are decoded with libpng, giflib, libjpeg and
// netpbm, and compared with an independent capture of the screen (xwd of the root).
// Every wait polls for its condition with a generous limit: CI machines are slow.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include <xcb/xcb.h>

#include "platform/x11/HotkeyGrab.h"
#include "tests/platform/TestPattern.h"
#include "tests/platform/XServer.h"
#include "tests/support/Decoders.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RGBImage;
using namespace std::chrono_literals;

const std::string TestTitle = "E2E テスト: Window";
const std::string NameTitle = "E2EテストWindow";  // spaces and the colon filtered out
constexpr int TestWidth = 240, TestHeight = 120, TestLeft = 560, TestTop = 400;

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

// The root window as xwd sees it, through netpbm's xwdtopnm.
RGBImage ReadPPM(const std::string& data) {
  std::istringstream in(data);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0 || maxval <= 0) throw std::runtime_error("not a PPM");
  RGBImage image;
  image.width = width, image.height = height;
  image.pixels.resize(std::size_t(width) * height * 3);
  const int bytes = maxval > 255 ? 2 : 1;
  for (auto& v : image.pixels) {
    int value = in.get();
    if (bytes == 2) value = value * 256 + in.get();
    v = static_cast<std::uint8_t>((value * 255 + maxval / 2) / maxval);
  }
  if (!in) throw std::runtime_error("short PPM");
  return image;
}

struct ServerConfig {
  const char* name;
  int depth;
  bool sharedMemory;
  int tolerance;  // per channel between our file and xwd's picture
};
// Test listings show the case by its name.
void PrintTo(const ServerConfig& c, std::ostream* os) { *os << c.name; }

// One desktop: server, window manager, test window, program.
class Desktop {
 public:
  Desktop(const ServerConfig& config, bool testWindowGrabs) : config_(config) {
    server_ = std::make_unique<xtest::XServer>(xtest::XServerOptions{1024, 768, config.depth, config.sharedMemory});
    const std::string display = "DISPLAY=" + server_->Display();
    fs::create_directories(home_.Path() + "/.config");
    fs::create_directories(home_.Path() + "/run");
    chmod((home_.Path() + "/run").c_str(), 0700);
    env_ = {display,
            "HOME=" + home_.Path(),
            "XDG_CONFIG_HOME=" + home_.Path() + "/.config",
            "XDG_RUNTIME_DIR=" + home_.Path() + "/run",
            "QT_QPA_PLATFORM=xcb",
            "QT_SCALE_FACTOR=1",
            "QT_ENABLE_HIGHDPI_SCALING=0",
            "QT_FONT_DPI=96",
            "LANG=C.UTF-8"};
    openbox_ = std::make_unique<xtest::Process>(std::vector<std::string>{"openbox", "--config-file", OPENBOX_RC},
                                                env_);
    EXPECT_TRUE(xtest::WaitFor([&] { return X("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; }))
        << "openbox did not start";

    std::vector<std::string> args = {TESTWIN_EXE, "--title", TestTitle, "--geometry",
                                     std::to_string(TestWidth) + "x" + std::to_string(TestHeight) + "+" +
                                         std::to_string(TestLeft) + "+" + std::to_string(TestTop)};
    if (testWindowGrabs) args.push_back("--grab");
    testWindowLog_ = home_.Path() + "/testwin.log";
    // A map request that reaches openbox while it is still starting can go unanswered:
    // then the window is started again rather than waited for in vain.
    bool managed = false;
    std::string log;
    for (int attempt = 0; attempt < 5 && !managed; ++attempt) {
      testWindowProcess_.reset();
      testWindowProcess_ = std::make_unique<xtest::Process>(args, env_, testWindowLog_);
      EXPECT_TRUE(xtest::WaitFor([&] { return TestWindowSaid("window "); })) << "the test window did not start";
      log = ReadText(testWindowLog_);
      testWindow_ = std::stoul(log.substr(log.find("window ") + 7));
      managed = xtest::WaitFor([&] { return Managed(testWindow_); }, 10s);
    }
    EXPECT_TRUE(managed) << "the test window was not managed: " << log
                         << X("xwininfo -id " + std::to_string(testWindow_));

    programLog_ = home_.Path() + "/vantora.log";
    program_ = std::make_unique<xtest::Process>(std::vector<std::string>{VANTORA_EXE}, env_, programLog_);
    EXPECT_TRUE(xtest::WaitFor([&] {
      const std::string ids = X("xdotool search --onlyvisible --name '^Vantora$'");
      if (ids.empty()) return false;
      window_ = std::stoul(ids);
      return Managed(window_);
    })) << "the program's window did not show: " << ReadText(programLog_);
  }

  ~Desktop() {
    program_.reset();
    testWindowProcess_.reset();
    openbox_.reset();
  }

  // Runs a command on this display.
  std::string X(const std::string& command, int* status = nullptr) const {
    return xtest::Run("DISPLAY=" + server_->Display() + " " + command + " 2>/dev/null", status);
  }
  static std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool TestWindowSaid(const std::string& text) const {
    return ReadText(testWindowLog_).find(text) != std::string::npos;
  }
  // Viewable and framed by the window manager.
  bool Managed(unsigned long window) const {
    return X("xwininfo -id " + std::to_string(window)).find("IsViewable") != std::string::npos &&
           X("xprop -id " + std::to_string(window) + " _NET_FRAME_EXTENTS").find(" = ") != std::string::npos;
  }

  unsigned long ActiveWindow() const {
    const std::string id = Trim(X("xdotool getactivewindow"));
    return id.empty() ? 0 : std::stoul(id);
  }
  void Activate(unsigned long window) {
    X("xdotool windowactivate --sync " + std::to_string(window));
    ASSERT_TRUE(xtest::WaitFor([&] { return ActiveWindow() == window; }, 30s)) << "window " << window << " not active";
  }
  // A key press with no target window: grabs see it as they see a real key.
  void Press(const std::string& keys) { X("xdotool key " + keys); }

  // A click at a point of the program's window (client coordinates).
  void Click(int x, int y) {
    Activate(window_);
    X("xdotool mousemove --window " + std::to_string(window_) + " --sync " + std::to_string(x) + " " +
      std::to_string(y) + " click 1");
  }
  void TypeInto(int x, int y, const std::string& text) {
    Click(x, y);
    X("xdotool key ctrl+a");
    X("xdotool type --delay 30 '" + text + "'");
  }
  // The program's controls, at their designed places.
  void ChooseSaveMethod(int item) { Click(40, 40 + 14 + 19 * item + 9); }
  void ChooseArea(int item) { Click(40, 136 + 14 + 15 * item + 7); }
  void ChooseFormat(int item) { Click(40, 208 + 14 + 13 * item + 6); }
  void SetFolder(const std::string& text) { TypeInto(136, 114, text); }
  void SetHotKeyLetter(const std::string& text) { TypeInto(264, 17, text); }
  void ClickStart() { Click(245, 307); }

  // The client area and the frame of a window, independently of the program.
  Rect ClientRect(unsigned long window) const {
    const std::string info = X("xwininfo -id " + std::to_string(window));
    auto field = [&](const std::string& name) {
      const auto at = info.find(name);
      return at == std::string::npos ? 0 : std::stoi(info.substr(at + name.size()));
    };
    return {field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
  }
  Rect FrameRect(unsigned long window) const {
    Rect r = ClientRect(window);
    const std::string extents = X("xprop -id " + std::to_string(window) + " _NET_FRAME_EXTENTS");
    int left = 0, right = 0, top = 0, bottom = 0;
    std::sscanf(extents.substr(extents.find('=') + 1).c_str(), "%d, %d, %d, %d", &left, &right, &top, &bottom);
    return {r.left - left, r.top - top, r.width + left + right, r.height + top + bottom};
  }
  // A picture of the whole screen beside the test binary, for looking into a failure.
  void Snapshot(std::string name) const {
    std::replace(name.begin(), name.end(), '/', '-');
    X("xwd -root -silent | xwdtopnm | pnmtopng > " SCREENSHOT_DIR "/failure-" + name + ".png");
  }
  RGBImage Screen() const { return ReadPPM(X("xwd -root -silent | xwdtopnm")); }

  std::string DesktopFolder() const { return home_.Path() + "/Desktop/"; }
  std::string Home() const { return home_.Path(); }
  unsigned long TestWindow() const { return testWindow_; }
  unsigned long ProgramWindow() const { return window_; }
  const ServerConfig& Config() const { return config_; }
  const std::string& Display() const { return server_->Display(); }
  std::string ProgramLog() const { return ReadText(programLog_); }

  // Visible windows whose title is exactly this text.
  std::vector<unsigned long> WindowsNamed(const std::string& title) const {
    std::vector<unsigned long> found;
    std::istringstream ids(X("xdotool search --onlyvisible --name '" + title + "'"));
    for (std::string id; std::getline(ids, id);)
      if (!id.empty() && Trim(X("xdotool getwindowname " + id)) == title) found.push_back(std::stoul(id));
    return found;
  }

 private:
  ServerConfig config_;
  testsupport::TempDir home_;
  std::vector<std::string> env_;
  std::unique_ptr<xtest::XServer> server_;
  std::unique_ptr<xtest::Process> openbox_, testWindowProcess_, program_;
  std::string testWindowLog_, programLog_;
  unsigned long testWindow_ = 0, window_ = 0;
};

enum class Format { BMP, PNG, GIF, JPEG };

// Waits until the file exists and decodes completely; its pixels as RGB.
std::optional<RGBImage> WaitDecoded(const std::string& path, Format format) {
  std::optional<RGBImage> image;
  xtest::WaitFor(
      [&] {
        if (!fs::exists(path)) return false;
        try {
          switch (format) {
            case Format::BMP: image = testsupport::DecodeBMPWithNetpbm(path); break;
            case Format::PNG: image = testsupport::DecodePNG(testsupport::ReadFile(path)); break;
            case Format::JPEG: image = testsupport::DecodeJPEG(testsupport::ReadFile(path)); break;
            case Format::GIF: {
              const auto gif = testsupport::DecodeGIF(testsupport::ReadFile(path));
              RGBImage rgb;
              rgb.width = gif.width, rgb.height = gif.height;
              for (std::uint8_t index : gif.indices)
                for (int c = 0; c < 3; ++c) rgb.pixels.push_back(gif.colorMap.at(std::size_t(index) * 3 + c));
              image = rgb;
              break;
            }
          }
          return true;
        } catch (const std::exception&) {
          return false;  // still being written
        }
      },
      30s, 200ms);
  return image;
}

// Compares a decoded capture with the same rectangle of xwd's picture of the screen.
struct Difference {
  int wrongPixels = 0;
  double meanError = 0;
  std::string firstWrong;
};
Difference Compare(const RGBImage& file, const RGBImage& screen, Rect at, int tolerance) {
  Difference d;
  long long total = 0;
  for (int y = 0; y < file.height; ++y) {
    for (int x = 0; x < file.width; ++x) {
      const std::uint8_t* got = file.At(x, y);
      const std::uint8_t* want = screen.At(at.left + x, at.top + y);
      bool wrong = false;
      for (int c = 0; c < 3; ++c) {
        const int e = std::abs(int(got[c]) - int(want[c]));
        total += e;
        wrong = wrong || e > tolerance;
      }
      if (wrong && d.wrongPixels++ == 0) {
        std::ostringstream s;
        s << "at " << x << "," << y << " got " << int(got[0]) << "," << int(got[1]) << "," << int(got[2])
          << " want " << int(want[0]) << "," << int(want[1]) << "," << int(want[2]);
        d.firstWrong = s.str();
      }
    }
  }
  d.meanError = file.width > 0 && file.height > 0 ? double(total) / (3.0 * file.width * file.height) : 0;
  return d;
}

void ExpectSameAsScreen(const RGBImage& file, const Desktop& desktop, Rect at, int tolerance) {
  ASSERT_EQ(file.width, at.width);
  ASSERT_EQ(file.height, at.height);
  const Difference d = Compare(file, desktop.Screen(), at, tolerance);
  EXPECT_EQ(d.wrongPixels, 0) << d.firstWrong;
}

class EndToEnd : public ::testing::TestWithParam<ServerConfig> {
 protected:
  void TearDown() override {
    if (HasFailure() && desktop_) desktop_->Snapshot(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void Start(bool testWindowGrabs = false) { desktop_ = std::make_unique<Desktop>(GetParam(), testWindowGrabs); }
  // Brings the test window to the front and presses the hotkey there.
  void PressOnTestWindow(const std::string& keys = "ctrl+shift+w") {
    desktop_->Activate(desktop_->TestWindow());
    desktop_->Press(keys);
  }
  std::unique_ptr<Desktop> desktop_;
};

TEST_P(EndToEnd, WindowWithItsFrameAsBMPOnTheDesktopNumberedPerPress) {
  Start();
  if (GetParam().depth == 24 && GetParam().sharedMemory) {  // the README's picture of the window
    desktop_->Activate(desktop_->ProgramWindow());
    const Rect r = desktop_->FrameRect(desktop_->ProgramWindow());
    desktop_->X("xwd -root -silent | xwdtopnm | pnmcut -left " + std::to_string(r.left) + " -top " +
                std::to_string(r.top) + " -width " + std::to_string(r.width) + " -height " + std::to_string(r.height) +
                " | pnmtopng > " SCREENSHOT_DIR "/vantora-window.png");
  }
  // The window opens with its frame's top-left at 192,114.
  const Rect programFrame = desktop_->FrameRect(desktop_->ProgramWindow());
  EXPECT_EQ(programFrame.left, 192);
  EXPECT_EQ(programFrame.top, 114);
  desktop_->ClickStart();
  PressOnTestWindow();
  const std::string first = desktop_->DesktopFolder() + "1-" + NameTitle + ".bmp";
  auto image = WaitDecoded(first, Format::BMP);
  ASSERT_TRUE(image) << first << " did not appear; log: " << desktop_->ProgramLog();
  const Rect frame = desktop_->FrameRect(desktop_->TestWindow());
  EXPECT_GT(frame.height, TestHeight);  // the title bar is in it
  ExpectSameAsScreen(*image, *desktop_, frame, GetParam().tolerance);

  desktop_->Press("ctrl+shift+w");
  EXPECT_TRUE(WaitDecoded(desktop_->DesktopFolder() + "2-" + NameTitle + ".bmp", Format::BMP));
}

TEST_P(EndToEnd, ClientAreaHoldsTheTestWindowsPixels) {
  Start();
  desktop_->ChooseArea(1);
  desktop_->ChooseFormat(0);
  desktop_->ClickStart();
  PressOnTestWindow();
  auto image = WaitDecoded(desktop_->DesktopFolder() + "1-" + NameTitle + ".bmp", Format::BMP);
  ASSERT_TRUE(image) << desktop_->ProgramLog();
  ASSERT_EQ(image->width, TestWidth);
  ASSERT_EQ(image->height, TestHeight);
  int wrong = 0;
  for (int y = 0; y < TestHeight; ++y)
    for (int x = 0; x < TestWidth; ++x) {
      const xtest::RGB want = xtest::PatternColor(x, y, TestWidth, TestHeight);
      const std::uint8_t* got = image->At(x, y);
      const int tol = GetParam().tolerance + (GetParam().depth == 16 ? 8 : 0);  // 5-6-5 loses low bits
      if (std::abs(got[0] - want.r) > tol || std::abs(got[1] - want.g) > tol || std::abs(got[2] - want.b) > tol) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  ExpectSameAsScreen(*image, *desktop_, desktop_->ClientRect(desktop_->TestWindow()), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Servers, EndToEnd,
                         ::testing::Values(ServerConfig{"Depth24", 24, true, 0},
                                           ServerConfig{"Depth16", 16, true, 2},
                                           ServerConfig{"Depth24NoSharedMemory", 24, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whether another client could grab the combination now (the server refuses a grab
// that someone else holds).
bool CombinationFree(const std::string& display, std::uint8_t key) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  bool free = false;
  {
    x11::HotkeyGrab probe(c, root);
    free = probe.Grab(2 | 4, key);  // Ctrl+Shift
  }
  xcb_disconnect(c);
  return free;
}

const ServerConfig Plain24{"Depth24", 24, true, 0};

class EndToEnd24 : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure() && desktop_) desktop_->Snapshot(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void Start(bool testWindowGrabs = false) { desktop_ = std::make_unique<Desktop>(Plain24, testWindowGrabs); }
  void PressOnTestWindow(const std::string& keys = "ctrl+shift+w") {
    desktop_->Activate(desktop_->TestWindow());
    desktop_->Press(keys);
  }
  std::string DesktopFile(int number, const char* extension) const {
    return desktop_->DesktopFolder() + std::to_string(number) + "-" + NameTitle + extension;
  }
  std::unique_ptr<Desktop> desktop_;
};

TEST_F(EndToEnd24, WholeDesktopAsJPEGAndGIFIntoAChosenFolder) {
  Start();
  const std::string folder = desktop_->Home() + "/shots/";
  fs::create_directories(folder);
  desktop_->ChooseSaveMethod(1);
  desktop_->SetFolder(folder);
  desktop_->ChooseArea(2);
  desktop_->ChooseFormat(3);
  desktop_->ClickStart();
  PressOnTestWindow();
  auto image = WaitDecoded(folder + "1-.jpg", Format::JPEG);
  ASSERT_TRUE(image) << desktop_->ProgramLog();
  ASSERT_EQ(image->width, 1024);  // the root: every monitor
  ASSERT_EQ(image->height, 768);
  const Difference d = Compare(*image, desktop_->Screen(), {0, 0, 1024, 768}, 255);
  EXPECT_LT(d.meanError, 2.0);  // quality 90 of a mostly flat picture
  // The test window's middle block, well inside: JPEG keeps flat areas close.
  const Rect client = desktop_->ClientRect(desktop_->TestWindow());
  const std::uint8_t* got = image->At(client.left + 15, client.top + 15);
  const xtest::RGB want = xtest::PatternColor(15, 15, TestWidth, TestHeight);
  EXPECT_NEAR(got[0], want.r, 12);
  EXPECT_NEAR(got[1], want.g, 12);
  EXPECT_NEAR(got[2], want.b, 12);
  EXPECT_TRUE(fs::is_empty(desktop_->DesktopFolder()));

  // The same screen as GIF: each channel v becomes the cube level 51 * ((v + 3) / 51) of the
  // fixed 216-colour palette, so xwd's picture, quantised so, must match exactly.
  desktop_->ChooseFormat(2);
  desktop_->ClickStart();
  PressOnTestWindow();
  auto gif = WaitDecoded(folder + "1-.gif", Format::GIF);
  ASSERT_TRUE(gif) << desktop_->ProgramLog();
  ASSERT_EQ(gif->width, 1024);
  ASSERT_EQ(gif->height, 768);
  RGBImage quantised = desktop_->Screen();
  for (auto& v : quantised.pixels) v = static_cast<std::uint8_t>(51 * ((v + 3) / 51));
  const Difference g = Compare(*gif, quantised, {0, 0, 1024, 768}, 0);
  EXPECT_EQ(g.wrongPixels, 0) << g.firstWrong;
}

TEST_F(EndToEnd24, EveryFormatHoldsTheClientArea) {
  Start();
  desktop_->ChooseArea(1);
  struct Case {
    int item;
    Format format;
    const char* extension;
    int patternTolerance;  // against the test window's known colours
  };
  // The pattern's colours are levels of 51: BMP, PNG and the 216-colour GIF keep them exactly.
  for (const Case& c : {Case{0, Format::BMP, ".bmp", 0}, Case{1, Format::PNG, ".png", 0},
                        Case{2, Format::GIF, ".gif", 0}, Case{3, Format::JPEG, ".jpg", 40}}) {
    SCOPED_TRACE(c.extension);
    desktop_->ChooseFormat(c.item);
    desktop_->ClickStart();
    PressOnTestWindow();
    auto image = WaitDecoded(DesktopFile(1, c.extension), c.format);
    ASSERT_TRUE(image) << desktop_->ProgramLog();
    ASSERT_EQ(image->width, TestWidth);
    ASSERT_EQ(image->height, TestHeight);
    double totalError = 0;
    int wrong = 0;
    for (int y = 0; y < TestHeight; ++y)
      for (int x = 0; x < TestWidth; ++x) {
        const xtest::RGB want = xtest::PatternColor(x, y, TestWidth, TestHeight);
        const std::uint8_t* got = image->At(x, y);
        const int e[] = {std::abs(got[0] - want.r), std::abs(got[1] - want.g), std::abs(got[2] - want.b)};
        totalError += e[0] + e[1] + e[2];
        if (std::max({e[0], e[1], e[2]}) > c.patternTolerance) ++wrong;
      }
    if (c.format == Format::JPEG) {
      EXPECT_LT(totalError / (3.0 * TestWidth * TestHeight), 3.0);  // block edges blur a little
    } else {
      EXPECT_EQ(wrong, 0);
    }
  }
}

TEST_F(EndToEnd24, OwnWindowActiveCapturesItselfUnderItsCaption) {
  Start();
  desktop_->SetHotKeyLetter("w");  // registers Ctrl+Shift+W; the window stays up and active
  ASSERT_TRUE(xtest::WaitFor([&] { return !CombinationFree(desktop_->Display(), 'W'); }, 30s));
  desktop_->Activate(desktop_->ProgramWindow());
  desktop_->Press("ctrl+shift+w");
  auto image = WaitDecoded(desktop_->DesktopFolder() + "1-Vantora.bmp", Format::BMP);
  ASSERT_TRUE(image) << desktop_->ProgramLog();
  const Rect frame = desktop_->FrameRect(desktop_->ProgramWindow());
  EXPECT_EQ(image->width, frame.width);
  EXPECT_EQ(image->height, frame.height);
  const Rect client = desktop_->ClientRect(desktop_->ProgramWindow());
  EXPECT_EQ(client.width, 296);  // the designed client area, inside the manager's frame
  EXPECT_EQ(client.height, 324);
  EXPECT_GT(frame.height, client.height);
}

TEST_F(EndToEnd24, HotkeyChangedThroughTheLetterField) {
  Start();
  ASSERT_TRUE(CombinationFree(desktop_->Display(), 'W'));  // nothing registered before a change
  desktop_->SetHotKeyLetter("q");  // registers Ctrl+Shift+Q at once, without Start
  ASSERT_TRUE(xtest::WaitFor([&] { return !CombinationFree(desktop_->Display(), 'Q'); }, 30s))
      << "Ctrl+Shift+Q was not grabbed";
  EXPECT_TRUE(CombinationFree(desktop_->Display(), 'W'));  // the old combination stays free
  PressOnTestWindow("ctrl+shift+q");
  EXPECT_TRUE(WaitDecoded(DesktopFile(1, ".bmp"), Format::BMP)) << desktop_->ProgramLog();
}

TEST_F(EndToEnd24, RefusedGrabIsSilentAndAnotherCombinationWorks) {
  Start(/*testWindowGrabs=*/true);
  ASSERT_TRUE(xtest::WaitFor([&] { return desktop_->TestWindowSaid("grabbed"); }));
  desktop_->ClickStart();  // Ctrl+Shift+W is taken: the registration is refused, silently
  PressOnTestWindow();
  ASSERT_TRUE(xtest::WaitFor([&] { return desktop_->TestWindowSaid("pressed"); }))
      << "the press did not reach the client that holds the combination";
  EXPECT_TRUE(desktop_->WindowsNamed("vantora").empty()) << "an error box appeared";

  desktop_->SetHotKeyLetter("q");
  PressOnTestWindow("ctrl+shift+q");
  EXPECT_TRUE(WaitDecoded(DesktopFile(1, ".bmp"), Format::BMP)) << desktop_->ProgramLog();
  // The refused press left nothing: the first file is number 1.
  EXPECT_FALSE(fs::exists(DesktopFile(2, ".bmp")));
}

TEST_F(EndToEnd24, MissingFolderShowsTheErrorBoxAndTheNextPressWorks) {
  Start();
  desktop_->ChooseSaveMethod(1);
  desktop_->SetFolder("/nonexistent-vantora-folder/");
  desktop_->ClickStart();
  PressOnTestWindow();
  std::vector<unsigned long> boxes;
  ASSERT_TRUE(xtest::WaitFor([&] { return !(boxes = desktop_->WindowsNamed("vantora")).empty(); }))
      << "no error box; log: " << desktop_->ProgramLog();
  desktop_->Activate(boxes.front());
  desktop_->Press("Return");
  ASSERT_TRUE(xtest::WaitFor([&] { return desktop_->WindowsNamed("vantora").empty(); })) << "the box stayed open";

  const std::string folder = desktop_->Home() + "/shots/";
  fs::create_directories(folder);
  desktop_->SetFolder(folder);
  PressOnTestWindow();  // still registered: the program carried on
  EXPECT_TRUE(WaitDecoded(folder + "1-.bmp", Format::BMP)) << desktop_->ProgramLog();
}

}  // namespace
