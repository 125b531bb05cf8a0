#include "gfx/Errors.h"

#include <cstring>

namespace gfx {

EFCreateError::EFCreateError(const std::string& path, int errorNumber)
    : EStreamError("ファイル \"" + path + "\". " + SystemErrorText(errorNumber) + " を作成できません"),
      errorNumber_(errorNumber) {}

EFOpenError::EFOpenError(const std::string& path, const std::string& systemText)
    : EStreamError("ファイル \"" + path + "\" を開けません. " + systemText) {}

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r returns a pointer that may or may not be the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

void RaiseAssignError(std::string_view sourceClass, std::string_view destClass) {
  throw EConvertError(std::string(sourceClass) + " を " + std::string(destClass) + " に代入できません");
}

}  // namespace gfx
