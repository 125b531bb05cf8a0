#pragma once
// The shell port on a Linux desktop: the XDG desktop folder, the program's own file,
// the desktop's opener and Qt's folder chooser.
#include "app/ports/Shell.h"

class QWidget;

namespace ui {

class QtShell : public app::IShell {
 public:
  // owner: the window the folder chooser is modal to (may be null).
  explicit QtShell(QWidget* owner) : owner_(owner) {}

  // The desktop folder (CSIDL_DESKTOPDIRECTORY) is created when it does not exist yet, as
  // the desktop's own tools would, so the default settings work on a fresh account.
  std::string SpecialFolderPath(int csidl) override;
  std::string ProgramFileName() override;
  void ShellOpen(const std::string& path) override;
  std::optional<std::string> BrowseForFolder(const std::string& title) override;

 private:
  QWidget* owner_;
};

}  // namespace ui
