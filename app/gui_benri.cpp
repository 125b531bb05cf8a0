#include "app/gui_benri.h"

namespace app {
namespace {

// The text up to its first zero byte, as a fixed-size answer buffer would hold it.
std::string UpToZero(std::string text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

std::string WithTrailingDelimiter(std::string text) {
  if (text.empty() || text.back() != PathDelimiter) text.push_back(PathDelimiter);
  return text;
}

std::string GetSpecialFolderPath(IShell& shell, int csidl) {
  return WithTrailingDelimiter(UpToZero(shell.SpecialFolderPath(csidl)));
}

std::string GetDesktopPath(IShell& shell) { return GetSpecialFolderPath(shell, CSIDL_DESKTOPDIRECTORY); }

std::string GetProgramPath(IShell& shell) {
  const std::string file = UpToZero(shell.ProgramFileName());
  const std::size_t slash = file.find_last_of(PathDelimiter);
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

void ShellOpen(IShell& shell, const std::string& path) { shell.ShellOpen(path); }

}  // namespace app
