#pragma once
// Small shell helpers: special folders, the program's own folder, opening a document.
// Folder paths returned here always end in the separator "/".
#include <string>

#include "app/ports/Shell.h"

namespace app {

inline constexpr char PathDelimiter = '/';

// The special folder's path as the shell gives it (up to a zero byte), with "/" appended
// when it does not end in one; an empty answer becomes "/".
std::string GetSpecialFolderPath(IShell& shell, int csidl);
// The desktop's file-system folder.
std::string GetDesktopPath(IShell& shell);
// The folder of the running program's file, cut after its last "/" (kept).
std::string GetProgramPath(IShell& shell);
// Asks the shell to open a document; the outcome is not examined.
void ShellOpen(IShell& shell, const std::string& path);

// text with "/" appended when its last character is not "/" (so "" becomes "/").
std::string WithTrailingDelimiter(std::string text);

}  // namespace app
