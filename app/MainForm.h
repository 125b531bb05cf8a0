#pragma once
// TfrmMain's logic, free of any toolkit: the hotkey registration, the capture of one
// press, its file name and the save. The window (ui/qt) forwards its events here; the
// desktop and the shell are reached through the ports.
#include <memory>
#include <string>

#include "app/SanitizeTitle.h"
#include "app/ports/Desktop.h"
#include "app/ports/MainWindowView.h"
#include "app/ports/Shell.h"
#include "gfx/Bitmap.h"

namespace app {

// The extension of an output format: ".bmp", ".png", ".gif", ".jpg".
std::string FormatExtension(OutputFormat format);

// The longest file name (last path component) the file system takes.
inline constexpr std::size_t MaxFileNameBytes = 255;
// The largest number a capture name may carry.
inline constexpr int MaxCaptureNumber = 9999;

// folder + decimal number + "-" + title + extension.
std::string CandidateName(const std::string& folder, int number, const std::string& nameTitle,
                          const std::string& extension);

// The part of a capture name taken from a window title: filtered, then shortened so that
// the longest name (number 9999, "-", extension) still fits MaxFileNameBytes.
std::string NameTitle(std::string_view title, TCodePage codePage, const std::string& extension);

// What the first half of a press produced: the pixels and the title for the name.
struct TCapture {
  std::unique_ptr<gfx::TBitmap> bitmap;
  std::string title;
};

class TfrmMain {
 public:
  TfrmMain(IMainWindowView& view, IDesktop& desktop, IShell& shell);

  static constexpr int HotkeyId = 123;

  // Handlers. Errors escape them; the caller shows them (RunHandler).
  void FormCreate();
  void FormClose();
  void btnStartClick();
  void chkCtrlClick();
  void edtHotChange();
  void btnDirClick();
  void btnHelpClick();
  void WMHotKey(int id);

  // (Re)registers the hotkey from the check boxes and edtHot.
  void ApplyHotkey();
  // One hotkey press: beep, capture, name, save.
  void CaptureAndSave();

  // The two halves of CaptureAndSave.
  TCapture CaptureScreen();
  void SaveCapture(gfx::TBitmap& bitmap, const std::string& title);

  bool HotkeyRegistered() const { return hotkeyRegistered_; }

  // How window titles are encoded; UTF-8 unless told otherwise.
  void SetCodePage(TCodePage codePage) { codePage_ = codePage; }
  TCodePage CodePage() const { return codePage_; }

 private:
  IMainWindowView& view_;
  IDesktop& desktop_;
  IShell& shell_;
  bool hotkeyRegistered_ = false;
  TCodePage codePage_ = TCodePage::cpUTF8;
};

}  // namespace app
