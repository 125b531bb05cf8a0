#include "app/CaptureFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "app/SaveBitmap.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"

namespace app {
namespace {

// Removes path only while it is still the very file that was created (same device and
// inode): if someone renamed ours away and put their own in its place, theirs stays.
void RemoveCreatedFile(const std::string& path, const struct stat& created) {
  struct stat now {};
  if (::lstat(path.c_str(), &now) != 0) return;
  if (now.st_dev != created.st_dev || now.st_ino != created.st_ino) return;
  ::unlink(path.c_str());
}

}  // namespace

bool CaptureNameTaken(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return !S_ISDIR(info.st_mode);
}

TNewFileResult SaveBitmapAsNewFile(gfx::TBitmap& bitmap, const std::string& path) {
  // Converted before the file exists, so a conversion that runs out of memory leaves nothing.
  bitmap.SetPixelFormat(gfx::pf24bit);
  const TSaveFormat format = FormatFromPath(path);
  if (format == TSaveFormat::sfNone) return TNewFileResult::nfSaved;

  std::unique_ptr<gfx::TFileStream> file;
  try {
    file = std::make_unique<gfx::TFileStream>(path, gfx::TFileMode::fmCreateExclusive);
  } catch (const gfx::EFCreateError& error) {
    if (error.ErrorNumber() != EEXIST) throw;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      throw gfx::EFCreateError(path, EISDIR);  // what creating a file over a folder reports
    return TNewFileResult::nfNameTaken;
  }

  struct stat created {};
  const bool known = ::fstat(file->Handle(), &created) == 0;
  try {
    SaveBitmapToStream(bitmap, format, *file);
  } catch (...) {
    file.reset();
    if (known) RemoveCreatedFile(path, created);
    throw;
  }
  return TNewFileResult::nfSaved;
}

}  // namespace app
