#include "app/MainForm.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/CaptureFile.h"
#include "app/gui_benri.h"

namespace app {
namespace {

// GetWindowText's buffer: the title is at most one byte less.
constexpr std::size_t TitleBufferBytes = 1024;
constexpr char FolderChooserTitle[] = "保存フォルダの選択";
constexpr char ReadMeName[] = "ReadMe.txt";

// right - left (or bottom - top) as a bitmap side: never negative.
int Extent(std::int32_t from, std::int32_t to) {
  const std::int64_t extent = static_cast<std::int64_t>(to) - from;
  return static_cast<int>(std::clamp<std::int64_t>(extent, 0, std::numeric_limits<int>::max()));
}

}  // namespace

std::string FormatExtension(OutputFormat format) {
  switch (format) {
    case ofBMP: return ".bmp";
    case ofPNG: return ".png";
    case ofGIF: return ".gif";
    case ofJPEG: return ".jpg";
  }
  return ".bmp";
}

std::string CandidateName(const std::string& folder, int number, const std::string& nameTitle,
                          const std::string& extension) {
  return folder + std::to_string(number) + "-" + nameTitle + extension;
}

std::string NameTitle(std::string_view title, TCodePage codePage, const std::string& extension) {
  const std::size_t fixedBytes = std::to_string(MaxCaptureNumber).size() + 1 + extension.size();
  const std::size_t room = MaxFileNameBytes > fixedBytes ? MaxFileNameBytes - fixedBytes : 0;
  return SanitizeTitle(title, codePage, room);
}

TfrmMain::TfrmMain(IMainWindowView& view, IDesktop& desktop, IShell& shell)
    : view_(view), desktop_(desktop), shell_(shell) {}

void TfrmMain::FormCreate() {
  hotkeyRegistered_ = false;
  view_.SetEdtDir(GetDesktopPath(shell_));
}

void TfrmMain::FormClose() {
  if (hotkeyRegistered_) desktop_.UnregisterHotKey(HotkeyId);
}

void TfrmMain::btnStartClick() {
  ApplyHotkey();
  view_.Minimize();
}

void TfrmMain::chkCtrlClick() { ApplyHotkey(); }

void TfrmMain::edtHotChange() { ApplyHotkey(); }

void TfrmMain::btnDirClick() {
  const std::optional<std::string> chosen = shell_.BrowseForFolder(FolderChooserTitle);
  if (chosen) view_.SetEdtDir(WithTrailingDelimiter(*chosen));
}

void TfrmMain::btnHelpClick() { ShellOpen(shell_, GetProgramPath(shell_) + ReadMeName); }

void TfrmMain::WMHotKey(int id) {
  if (id == HotkeyId) CaptureAndSave();
}

void TfrmMain::ApplyHotkey() {
  if (hotkeyRegistered_) desktop_.UnregisterHotKey(HotkeyId);
  hotkeyRegistered_ = true;

  unsigned modifiers = 0;
  if (view_.chkCtrl()) modifiers += MOD_CONTROL;
  if (view_.chkShift()) modifiers += MOD_SHIFT;
  if (view_.chkAlt()) modifiers += MOD_ALT;
  if (view_.chkWin()) modifiers += MOD_WIN;

  // The first byte of the text in ASCII upper case; "W" when the field is empty.
  const std::string text = view_.edtHot();
  char key = text.empty() ? 'W' : text.front();
  if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');

  desktop_.RegisterHotKey(HotkeyId, modifiers, static_cast<std::uint8_t>(key));
}

void TfrmMain::CaptureAndSave() {
  TCapture capture = CaptureScreen();
  SaveCapture(*capture.bitmap, capture.title);
}

TCapture TfrmMain::CaptureScreen() {
  desktop_.MessageBeep();  // first, before anything is captured

  TCapture capture{std::make_unique<gfx::TBitmap>(), std::string()};
  const CaptureArea area = view_.radioArea();

  WindowHandle target = NoWindow;
  if (area == caDesktop) {
    target = desktop_.GetDesktopWindow();
  } else {
    target = desktop_.GetActiveWindow();
    if (target == NoWindow) target = desktop_.GetForegroundWindow();
    if (target == NoWindow) target = desktop_.GetDesktopWindow();
  }

  const gfx::TRect rect = area == caActiveClient ? desktop_.GetClientRect(target) : desktop_.GetWindowRect(target);
  const TSurface surface = area == caActiveWindow ? TSurface::Window : TSurface::Client;

  gfx::TBitmap& bitmap = *capture.bitmap;
  bitmap.SetPixelFormat(desktop_.ScreenPixelFormat());
  bitmap.SetWidth(Extent(rect.Left, rect.Right));
  bitmap.SetHeight(Extent(rect.Top, rect.Bottom));
  desktop_.CopyToBitmap(target, surface, bitmap);

  if (area != caDesktop) {
    capture.title = desktop_.GetWindowText(target, TitleBufferBytes);
    const std::size_t zero = capture.title.find('\0');
    if (zero != std::string::npos) capture.title.resize(zero);
    if (capture.title.size() > TitleBufferBytes - 1) capture.title.resize(TitleBufferBytes - 1);
  }
  if (capture.title.empty()) capture.title = DesktopName(codePage_);
  return capture;
}

void TfrmMain::SaveCapture(gfx::TBitmap& bitmap, const std::string& title) {
  const std::string extension = FormatExtension(view_.radioFormat());
  std::string folder;
  std::string nameTitle;
  if (view_.radioSave() == smDesktop) {
    folder = GetDesktopPath(shell_);
    nameTitle = NameTitle(title, codePage_, extension);
  } else {
    folder = view_.edtDir();  // taken as typed: no separator is added
  }

  for (int number = 1; number <= MaxCaptureNumber; ++number) {
    const std::string candidate = CandidateName(folder, number, nameTitle, extension);
    if (CaptureNameTaken(candidate)) continue;
    // Someone may take the name between the test and the creation: then try the next one.
    if (SaveBitmapAsNewFile(bitmap, candidate) == TNewFileResult::nfSaved) return;
  }
  // Every number is taken: nothing is saved and nothing is reported.
}

}  // namespace app
