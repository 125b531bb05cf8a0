#include "ui/qt/QtShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>
#include <system_error>

namespace ui {

std::string QtShell::SpecialFolderPath(int csidl) {
  if (csidl != app::CSIDL_DESKTOPDIRECTORY) return {};
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty()) return {};
  QDir().mkpath(desktop);  // a failure shows later, when the file cannot be created
  return desktop.toStdString();
}

std::string QtShell::ProgramFileName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

void QtShell::ShellOpen(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

std::optional<std::string> QtShell::BrowseForFolder(const std::string& title) {
  // Qt's own dialog: folders only, starting at the top of the file system, with nothing
  // chosen in advance (the folder field's text is not offered).
  const QString chosen = QFileDialog::getExistingDirectory(
      owner_, QString::fromStdString(title), QStringLiteral("/"),
      QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

}  // namespace ui
