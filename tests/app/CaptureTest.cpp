// The first half of a press: beep, target window, rectangle, pixels and title.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/app/FormFixture.h"
#include "tests/support/Decoders.h"

using namespace app;
using gfx::TRect;

namespace {

const std::string DesktopTitle = "デスクトップ";
constexpr WindowHandle Root = 1;

struct CaptureTest : FormFixture {
  void SetUp() override {
    FormFixture::SetUp();
    desktop.windowRects[OwnWindow] = {192, 114, 194, 117};
    desktop.clientRects[OwnWindow] = {0, 0, 1, 1};
    desktop.titles[OwnWindow] = "Vantora";
    desktop.windowRects[Root] = {0, 0, 6, 5};
    desktop.clientRects[Root] = {0, 0, 99, 99};
    desktop.titles[Root] = "root";
  }
};

}  // namespace

TEST_F(CaptureTest, AreaPicksTargetRectangleSurfaceAndTitle) {
  struct Case {
    CaptureArea area;
    WindowHandle active, foreground;
    WindowHandle target;
    TSurface surface;
    int width, height;
    const char* file;
  };
  const Case cases[] = {
      // The program's own window is active: it captures itself.
      {caActiveWindow, OwnWindow, OtherWindow, OwnWindow, TSurface::Window, 2, 3, "1-Vantora.bmp"},
      // Another program in front: the foreground window.
      {caActiveWindow, NoWindow, OtherWindow, OtherWindow, TSurface::Window, 4, 3, "1-Other.bmp"},
      // No window at all: the desktop window, asked for its text like any other.
      {caActiveWindow, NoWindow, NoWindow, Root, TSurface::Window, 6, 5, "1-root.bmp"},
      {caActiveClient, OwnWindow, OtherWindow, OwnWindow, TSurface::Client, 1, 1, "1-Vantora.bmp"},
      {caActiveClient, NoWindow, OtherWindow, OtherWindow, TSurface::Client, 3, 2, "1-Other.bmp"},
      {caActiveClient, NoWindow, NoWindow, Root, TSurface::Client, 99, 99, "1-root.bmp"},
      // The whole desktop: always the desktop window, its frame rectangle, never its text.
      {caDesktop, OwnWindow, OtherWindow, Root, TSurface::Client, 6, 5, "1-デスクトップ.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testsupport::TempDir folder;
    shell.specialFolders[CSIDL_DESKTOPDIRECTORY] = folder.Path() + "/";
    view.area = c.area;
    desktop.activeWindow = c.active;
    desktop.foregroundWindow = c.foreground;
    desktop.copies.clear();
    desktop.titleMaxCounts.clear();
    Press();
    ASSERT_EQ(desktop.copies.size(), 1u);
    EXPECT_EQ(desktop.copies[0].window, c.target);
    EXPECT_EQ(desktop.copies[0].surface, c.surface);
    EXPECT_EQ(desktop.copies[0].width, c.width);
    EXPECT_EQ(desktop.copies[0].height, c.height);
    EXPECT_EQ(desktop.copies[0].format, gfx::pf32bit) << "sized at the screen's depth";
    EXPECT_EQ(desktop.titleMaxCounts.size(), c.area == caDesktop ? 0u : 1u);
    EXPECT_EQ(Files(folder.Path()), std::vector<std::string>{c.file});
    gfx::TBitmap saved;
    saved.LoadFromFile(folder.File(c.file));
    EXPECT_EQ(saved.Width(), c.width);
    EXPECT_EQ(saved.Height(), c.height);
  }
}

TEST_F(CaptureTest, BeepComesFirstThenTheChainInOrder) {
  desktop.calls.clear();
  Press();
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"MessageBeep", "GetActiveWindow", "GetForegroundWindow",
                                                     "GetWindowRect", "CopyToBitmap", "GetWindowText"}));
}

TEST_F(CaptureTest, TitleFallsBackToTheDesktopNameAndIsCutAt1023Bytes) {
  const std::string long1100(1100, 'x');
  struct Case {
    CaptureArea area;
    std::string windowTitle;
    std::string expected;
  };
  const Case cases[] = {
      {caActiveWindow, "", DesktopTitle},
      {caActiveClient, "", DesktopTitle},
      {caActiveWindow, std::string("\0hidden", 7), DesktopTitle},  // only up to the first zero byte
      {caActiveClient, std::string("ab\0cd", 5), "ab"},
      {caActiveWindow, long1100, std::string(1023, 'x')},
      {caActiveClient, "Other", "Other"},  // the client capture uses the window's title
      {caDesktop, "Other", DesktopTitle},
  };
  for (const Case& c : cases) {
    view.area = c.area;
    desktop.titles[OtherWindow] = c.windowTitle;
    desktop.titleMaxCounts.clear();
    const TCapture capture = form.CaptureScreen();
    EXPECT_EQ(capture.title, c.expected) << c.area << " " << c.windowTitle.size();
    if (c.area != caDesktop) {
      EXPECT_EQ(desktop.titleMaxCounts, std::vector<std::size_t>{1024});
    }
  }
  form.SetCodePage(TCodePage::cpShiftJIS);
  desktop.titles[OtherWindow] = "";
  EXPECT_EQ(form.CaptureScreen().title, "\x83\x66\x83\x58\x83\x4E\x83\x67\x83\x62\x83\x76")
      << "the desktop name in the window titles' own code page";
}

TEST_F(CaptureTest, ZeroSizeRectangleStillSavesAnEmptyFile) {
  const std::pair<TRect, OutputFormat> cases[] = {
      {{0, 0, 0, 0}, ofBMP}, {{0, 0, 5, 0}, ofJPEG}, {{0, 0, 0, 7}, ofBMP}, {{0, 0, 3, -4}, ofJPEG}};
  for (const auto& [rect, format] : cases) {
    view.area = caActiveClient;
    view.format = format;
    desktop.clientRects[OtherWindow] = rect;
    Press();
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"1-Other.bmp", "1-Other.jpg", "2-Other.bmp", "2-Other.jpg"}));
  for (const std::string& name : Files()) EXPECT_EQ(std::filesystem::file_size(Desktop(name)), 0u) << name;
}

TEST_F(CaptureTest, BeepSoundsEvenWhenEveryNameIsTaken) {
  view.save = smFolder;
  view.dir = desktopDir.Path() + "/";
  for (int n = 1; n <= 9999; ++n) std::ofstream(Desktop(std::to_string(n) + "-.bmp")) << "mine";
  const int before = desktop.beeps;
  Press();
  EXPECT_EQ(desktop.beeps, before + 1);
  EXPECT_EQ(desktop.copies.size(), 1u) << "captured, then nowhere to save";
  EXPECT_EQ(Files().size(), 9999u) << "nothing written, nothing replaced";
  EXPECT_EQ(testsupport::ReadFile(Desktop("9999-.bmp")).size(), 4u);
  EXPECT_TRUE(view.errorBoxes.empty());
}

TEST_F(CaptureTest, EveryEncoderReceivesTwentyFourBits) {
  for (gfx::TPixelFormat screen : {gfx::pf15bit, gfx::pf16bit, gfx::pf32bit}) {
    for (OutputFormat format : {ofBMP, ofJPEG}) {
      SCOPED_TRACE(testing::Message() << "screen " << int(screen) << " format " << format);
      testsupport::TempDir folder;
      view.save = smFolder;
      view.dir = folder.Path() + "/";
      view.format = format;
      desktop.screenFormat = screen;
      desktop.clientRects[OtherWindow] = {0, 0, 16, 16};
      view.area = caActiveClient;

      TCapture capture = form.CaptureScreen();
      ASSERT_EQ(capture.bitmap->PixelFormat(), screen);
      const testsupport::RGBImage screenPixels = testsupport::ToRGB(*capture.bitmap);
      form.SaveCapture(*capture.bitmap, capture.title);
      EXPECT_EQ(capture.bitmap->PixelFormat(), gfx::pf24bit) << "converted in place before the dispatch";

      const std::string path = folder.File(std::string("1-") + FormatExtension(format));
      if (format == ofBMP) {
        const auto file = testsupport::ReadFile(path);
        ASSERT_GE(file.size(), 30u);
        EXPECT_EQ(file[28], 24) << "bits per pixel";
        gfx::TBitmap back;
        back.LoadFromFile(path);
        EXPECT_EQ(testsupport::ToRGB(back).pixels, screenPixels.pixels);
      } else {
        const testsupport::RGBImage decoded = testsupport::DecodeJPEG(testsupport::ReadFile(path));
        ASSERT_EQ(decoded.pixels.size(), screenPixels.pixels.size());
        double total = 0;
        for (std::size_t i = 0; i < decoded.pixels.size(); ++i)
          total += std::abs(int(decoded.pixels[i]) - int(screenPixels.pixels[i]));
        EXPECT_LT(total / decoded.pixels.size(), 12.0) << "colours as on screen, red not swapped with blue";
      }
    }
  }
}
