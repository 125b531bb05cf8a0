// The capture road on a private Xvfb showing a corpus screenshot:
//   KeyPressToFile         a real key press (XTEST) through the server's grab to the file
//                          closed, PNG: what a user waits for
//   HotkeyToFile/<format>  one hotkey press handled (WMHotKey: beep, capture, conversion,
//                          naming, encoder, file closed), whole 1920x1080 screen
//   CaptureAndConvert      the capture and the conversion to 24 bits alone
//   EncoderAlone/<format>  SaveBitmap of the same picture, already 24 bits
//   Scrot                  scrot saving the same screen as PNG (process start included)
//   CaptureBands/<KiB>     the capture through shared-memory bands of several sizes, the
//                          segment kept between captures
//   CaptureFreshSegment/<KiB>  the same with a segment made for each capture
//   PeakMemory4K/<KiB>     a child process presses once on a 3840x2160 screen (PNG); the
//                          rise of its peak resident size (VmHWM, which counts the pages of
//                          the shared segment it has touched) over its size just before
//   ProgramPeakMemory4K    the same for the real program (build/ui/qt/vantora) driven with
//                          xdotool: PNG chosen, Start, one press of Ctrl+Shift+W
// Formats: 0 BMP, 1 PNG, 2 GIF, 3 JPEG.
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "app/SaveBitmap.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/XServer.h"
#include "tests/support/FakePorts.h"

namespace {

namespace fs = std::filesystem;

const char* const Extensions[] = {".bmp", ".png", ".gif", ".jpg"};

// A corpus screenshot as blue, green, red, unused rows.
std::vector<std::uint8_t> LoadBGRX(const std::string& path, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error("cannot read " + path);
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) throw std::runtime_error("cannot decode " + path);
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return pixels;
}

// Makes the picture the root window's background, so the screen shows it.
void ShowOnRoot(const std::string& display, const std::string& picture) {
  int width = 0, height = 0;
  const std::vector<std::uint8_t> pixels = LoadBGRX(picture, width, height);
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, static_cast<std::uint16_t>(width),
                    static_cast<std::uint16_t>(height));
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, nullptr);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  const int rowsPerRequest = static_cast<int>(std::max<std::size_t>(1, (256u << 10) / rowBytes));
  for (int y = 0; y < height; y += rowsPerRequest) {
    const int rows = std::min(rowsPerRequest, height - y);
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(width),
                  static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(y), 0, screen->root_depth,
                  static_cast<std::uint32_t>(rowBytes * rows), pixels.data() + rowBytes * y);
  }
  const std::uint32_t background[] = {pixmap};
  xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, background);
  xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
  xcb_free_pixmap(c, pixmap);
  xcb_free_gc(c, gc);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
}

// One program's worth of capture logic on a display: the real X11 desktop, a view set to
// the whole desktop and the folder method.
struct Program {
  Program(const std::string& display, std::size_t bandBytes = x11::ScreenCapture::DefaultBandBytes)
      : connection(xcb_connect(display.c_str(), nullptr)),
        desktop(std::make_unique<x11::X11Desktop>(connection, 0, bandBytes)),
        form(view, *desktop, shell) {
    folder = fs::temp_directory_path() / ("vantora-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    view.area = app::caDesktop;
    view.save = app::smFolder;
    view.dir = folder.string() + "/";
  }
  ~Program() {
    desktop.reset();
    xcb_disconnect(connection);
    fs::remove_all(folder);
  }
  std::string FirstFile() const { return view.dir + "1-" + Extensions[view.format]; }

  xcb_connection_t* connection;
  testsupport::FakeView view;
  testsupport::FakeShell shell;
  std::unique_ptr<x11::X11Desktop> desktop;
  app::TfrmMain form;
  fs::path folder;
};

// The 1920x1080 screen every speed benchmark runs on.
struct FullHDScreen {
  FullHDScreen() : server(xtest::XServerOptions{1920, 1080, 24, true}) {
    ShowOnRoot(server.Display(), VANTORA_CORPUS "/desktop_1920x1080.png");
  }
  xtest::XServer server;
};
FullHDScreen& Screen() {
  static FullHDScreen screen;
  return screen;
}

void HotkeyToFile(benchmark::State& state) {
  Program program(Screen().server.Display());
  program.view.format = static_cast<app::OutputFormat>(state.range(0));
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    program.form.WMHotKey(app::TfrmMain::HotkeyId);
    state.PauseTiming();
    bytes = fs::file_size(program.FirstFile());
    fs::remove(program.FirstFile());
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetLabel(Extensions[state.range(0)]);
}

// Ctrl+Shift+W pressed and released through XTEST, as a keyboard would; the grab sends
// the press to our connection, and the handler runs as the program's event loop would.
void KeyPressToFile(benchmark::State& state) {
  Program program(Screen().server.Display());
  program.view.format = app::ofPNG;
  if (!program.desktop->RegisterHotKey(app::TfrmMain::HotkeyId, app::MOD_CONTROL | app::MOD_SHIFT, 'W')) {
    state.SkipWithError("the grab was refused");
    return;
  }
  xcb_connection_t* keyboard = xcb_connect(Screen().server.Display().c_str(), nullptr);
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(keyboard);
  auto code = [&](xcb_keysym_t sym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym);
    const xcb_keycode_t c = codes ? codes[0] : 0;
    std::free(codes);
    return c;
  };
  const xcb_keycode_t keys[] = {code(0xFFE3), code(0xFFE1), code('w')};  // Control_L, Shift_L, w
  const xcb_window_t root = x11::ScreenOf(keyboard, 0)->root;
  for (auto _ : state) {
    for (auto k : keys) xcb_test_fake_input(keyboard, XCB_KEY_PRESS, k, XCB_CURRENT_TIME, root, 0, 0, 0);
    for (int i = 2; i >= 0; --i) xcb_test_fake_input(keyboard, XCB_KEY_RELEASE, keys[i], XCB_CURRENT_TIME, root, 0, 0, 0);
    xcb_flush(keyboard);
    bool pressed = false;
    while (!pressed) {
      xcb_generic_event_t* event = xcb_wait_for_event(program.connection);
      if (!event) break;
      if (auto id = program.desktop->HotkeyPressed(*event)) {
        program.form.WMHotKey(*id);
        pressed = true;
      }
      std::free(event);
    }
    if (!pressed) {
      state.SkipWithError("the connection closed");
      break;
    }
    state.PauseTiming();
    fs::remove(program.FirstFile());
    state.ResumeTiming();
  }
  xcb_key_symbols_free(symbols);
  xcb_disconnect(keyboard);
}

void CaptureAndConvert(benchmark::State& state) {
  Program program(Screen().server.Display());
  for (auto _ : state) {
    app::TCapture capture = program.form.CaptureScreen();
    capture.bitmap->SetPixelFormat(gfx::pf24bit);
    benchmark::DoNotOptimize(capture.bitmap->Bits());
  }
}

void EncoderAlone(benchmark::State& state) {
  Program program(Screen().server.Display());
  app::TCapture capture = program.form.CaptureScreen();
  capture.bitmap->SetPixelFormat(gfx::pf24bit);
  const std::string path = program.view.dir + "alone" + Extensions[state.range(0)];
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    gfx::TBitmap copy;
    copy.Assign(capture.bitmap.get());  // shares the pixels; the encoders only read them
    state.ResumeTiming();
    app::SaveBitmap(copy, path);
    state.PauseTiming();
    bytes = fs::file_size(path);
    fs::remove(path);
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetLabel(Extensions[state.range(0)]);
}

void Scrot(benchmark::State& state) {
  const std::string path = (fs::temp_directory_path() / ("vantora-bench-scrot-" + std::to_string(getpid()) + ".png")).string();
  const std::string command = "DISPLAY=" + Screen().server.Display() + " scrot -o " + path + " >/dev/null 2>&1";
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("scrot failed");
      break;
    }
    state.PauseTiming();
    bytes = fs::file_size(path);
    fs::remove(path);
    state.ResumeTiming();
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
}

void CaptureBands(benchmark::State& state) {
  xcb_connection_t* c = xcb_connect(Screen().server.Display().c_str(), nullptr);
  {
    x11::ScreenCapture capture(c, x11::ScreenOf(c, 0), static_cast<std::size_t>(state.range(0)) << 10);
    for (auto _ : state) {
      gfx::TBitmap bitmap;
      bitmap.SetPixelFormat(capture.BitmapFormat());
      bitmap.SetSize(1920, 1080);
      capture.Copy(0, 0, bitmap);
      benchmark::DoNotOptimize(bitmap.Bits());
    }
    state.counters["segment_bytes"] = static_cast<double>(capture.SharedSegmentBytes());
  }
  xcb_disconnect(c);
}

void CaptureFreshSegment(benchmark::State& state) {
  xcb_connection_t* c = xcb_connect(Screen().server.Display().c_str(), nullptr);
  for (auto _ : state) {
    x11::ScreenCapture capture(c, x11::ScreenOf(c, 0), static_cast<std::size_t>(state.range(0)) << 10);
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(capture.BitmapFormat());
    bitmap.SetSize(1920, 1080);
    capture.Copy(0, 0, bitmap);
    benchmark::DoNotOptimize(bitmap.Bits());
  }
  xcb_disconnect(c);
}

long StatusKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

// The child of PeakMemory4K: one PNG press on the display, peak rise printed in bytes.
int MemoryChild(const std::string& display, std::size_t bandBytes) {
  Program program(display, bandBytes);
  program.view.format = app::ofPNG;
  const long before = StatusKiB("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  program.form.WMHotKey(app::TfrmMain::HotkeyId);
  const long peak = StatusKiB("VmHWM:");
  std::printf("%ld %zu %ju\n", (peak - before) * 1024, program.desktop->Capture().SharedSegmentBytes(),
              fs::file_size(program.FirstFile()));
  return 0;
}

std::string selfPath;

xtest::XServer& Screen4K();

void PeakMemory4K(benchmark::State& state) {
  long long rise = 0, segment = 0, fileBytes = 0;
  for (auto _ : state) {
    const std::string out = xtest::Run(selfPath + " --memory-child " + Screen4K().Display() + " " +
                                       std::to_string(static_cast<std::size_t>(state.range(0)) << 10));
    if (std::sscanf(out.c_str(), "%lld %lld %lld", &rise, &segment, &fileBytes) != 3) {
      state.SkipWithError(("child failed: " + out).c_str());
      break;
    }
  }
  const double capture32 = 3840.0 * 2160.0 * 4.0;
  state.counters["peak_rise_MB"] = rise / 1e6;
  state.counters["budget_MB"] = 2 * capture32 / 1e6;
  state.counters["segment_bytes"] = static_cast<double>(segment);
  state.counters["file_bytes"] = static_cast<double>(fileBytes);
}

long ProcessStatusKiB(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

bool DecodesAsPNG(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

xtest::XServer& Screen4K() {
  static xtest::XServer* server = [] {
    auto* s = new xtest::XServer(xtest::XServerOptions{3840, 2160, 24, true});
    ShowOnRoot(s->Display(), VANTORA_CORPUS "/desktop_3840x2160.png");
    return s;
  }();
  return *server;
}

// No window manager: the window's client area sits at 192,114.
void ProgramPeakMemory4K(benchmark::State& state) {
  const std::string display = Screen4K().Display();
  const fs::path home = fs::temp_directory_path() / ("vantora-bench-home-" + std::to_string(getpid()));
  long long rise = 0, before = 0;
  for (auto _ : state) {
    fs::remove_all(home);
    fs::create_directories(home);
    xtest::Process program({VANTORA_PROGRAM},
                           {"DISPLAY=" + display, "HOME=" + home.string(), "XDG_CONFIG_HOME=" + home.string() + "/.config",
                            "QT_QPA_PLATFORM=xcb", "QT_SCALE_FACTOR=1"});
    const std::string xdo = "DISPLAY=" + display + " xdotool ";
    if (!xtest::WaitFor([&] { return !xtest::Run(xdo + "search --onlyvisible --name '^Vantora$'").empty(); })) {
      state.SkipWithError("the program did not show its window");
      break;
    }
    xtest::Run(xdo + "mousemove --sync 232 301 click 1");  // radioArea: the whole desktop
    xtest::Run(xdo + "mousemove --sync 232 355 click 1");  // radioFormat: PNG
    xtest::Run(xdo + "mousemove --sync 437 421 click 1");  // btnStart
    std::this_thread::sleep_for(std::chrono::seconds(1));  // let the program settle before measuring
    before = ProcessStatusKiB(program.Pid(), "VmRSS:");
    std::ofstream("/proc/" + std::to_string(program.Pid()) + "/clear_refs") << "5";
    xtest::Run(xdo + "key ctrl+shift+w");
    const std::string file = home.string() + "/Desktop/1-デスクトップ.png";
    if (!xtest::WaitFor([&] { return DecodesAsPNG(file); }, std::chrono::seconds(120), std::chrono::milliseconds(100))) {
      state.SkipWithError("no PNG file appeared");
      break;
    }
    rise = (ProcessStatusKiB(program.Pid(), "VmHWM:") - before) * 1024;
    program.Stop();
  }
  fs::remove_all(home);
  state.counters["size_before_MB"] = before * 1024 / 1e6;
  state.counters["peak_rise_MB"] = rise / 1e6;
  state.counters["budget_MB"] = 2 * 3840.0 * 2160.0 * 4.0 / 1e6;
}

BENCHMARK(KeyPressToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HotkeyToFile)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CaptureAndConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EncoderAlone)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Scrot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CaptureBands)->Arg(256)->Arg(1024)->Arg(4096)->Arg(8100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CaptureFreshSegment)->Arg(4096)->Arg(8100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeakMemory4K)->Arg(4096)->Arg(32400)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ProgramPeakMemory4K)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--memory-child") return MemoryChild(argv[2], std::stoul(argv[3]));
  selfPath = fs::canonical("/proc/self/exe").string();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
