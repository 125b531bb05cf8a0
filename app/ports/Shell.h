#pragma once
// What the program needs of the shell: special folders, its own file, opening a
// document, and the folder chooser.
#include <optional>
#include <string>

namespace app {

// The shell's identifier of the desktop's file-system folder.
constexpr int CSIDL_DESKTOPDIRECTORY = 16;

class IShell {
 public:
  virtual ~IShell() = default;

  // The file-system path of a special folder as the shell gives it (a trailing
  // separator may or may not be there; empty on failure).
  virtual std::string SpecialFolderPath(int csidl) = 0;
  // The full path of the running program's file.
  virtual std::string ProgramFileName() = 0;
  // Opens a document with the desktop's opener; the result is not examined.
  virtual void ShellOpen(const std::string& path) = 0;
  // The folder chooser: directories only, starting at the top of the file system,
  // nothing preselected. The chosen folder's path, or nullopt when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;
};

}  // namespace app
