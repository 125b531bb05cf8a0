#pragma once
// The main window as the capture logic sees it: the state of every control, read at
// the moment a handler runs, and the window's own actions.
// ui/qt implements it over real widgets; tests use a plain fake.
#include <string>

namespace app {

// The radio groups, read as enumerations whose ordinals are the item indexes.
enum CaptureArea { caActiveWindow, caActiveClient, caDesktop };
enum SaveMethod { smDesktop, smFolder };
enum OutputFormat { ofBMP, ofPNG, ofGIF, ofJPEG };

class IMainWindowView {
 public:
  virtual ~IMainWindowView() = default;

  virtual bool chkCtrl() const = 0;
  virtual bool chkShift() const = 0;
  virtual bool chkAlt() const = 0;
  virtual bool chkWin() const = 0;
  // Texts are UTF-8 byte strings.
  virtual std::string edtHot() const = 0;
  virtual std::string edtDir() const = 0;
  virtual void SetEdtDir(const std::string& text) = 0;
  virtual CaptureArea radioArea() const = 0;
  virtual SaveMethod radioSave() const = 0;
  virtual OutputFormat radioFormat() const = 0;

  virtual void Minimize() = 0;
  // The top-level error box: stop icon, OK button. Runs its own event loop, in which
  // queued hotkey presses are still handled.
  virtual void ShowErrorBox(const std::string& caption, const std::string& message) = 0;
};

}  // namespace app
