#pragma once
// The error classes of the graphics layer and the texts of the errors it raises.
// Every error carries the exact message the user reads; the texts live here, in one place.
#include <stdexcept>
#include <string>
#include <string_view>

namespace gfx {

namespace Msg {
inline constexpr std::string_view WriteError = "ストリーム書き込みエラー";
inline constexpr std::string_view ReadError = "ストリーム読み込みエラー";
inline constexpr std::string_view ScanLineOutOfRange = "スキャンラインのインデックスが範囲外です";
inline constexpr std::string_view OutOfResources = "システム リソースが足りません";
inline constexpr std::string_view OutOfMemory = "メモリが足りません";
inline constexpr std::string_view InvalidPixelFormat = "ピクセル形式が無効です";
inline constexpr std::string_view InvalidBitmapSize = "ビットマップのサイズが無効です";
inline constexpr std::string_view InvalidBitmap = "ビットマップ イメージが無効です";
inline constexpr std::string_view InvalidPalette = "パレットが無効です";
}  // namespace Msg

// Root of every error this program raises: a message and nothing else.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
class EOutOfResources : public Exception {
 public:
  // The system's text for errno when there is one, else the platform's own text.
  explicit EOutOfResources(const std::string& message = std::string(Msg::OutOfResources))
      : Exception(message) {}
};
class EOutOfMemory : public Exception {
 public:
  explicit EOutOfMemory(const std::string& message = std::string(Msg::OutOfMemory)) : Exception(message) {}
};
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError(std::string(Msg::WriteError)) {}
};
class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError(std::string(Msg::ReadError)) {}
};
// A file that could not be created: "ファイル "<path>". <system text> を作成できません".
class EFCreateError : public EStreamError {
 public:
  EFCreateError(const std::string& path, int errorNumber);
  int ErrorNumber() const { return errorNumber_; }

 private:
  int errorNumber_;
};
// A file that could not be opened for reading.
class EFOpenError : public EStreamError {
 public:
  EFOpenError(const std::string& path, const std::string& systemText);
};

// The system's error text for an errno value (strerror, thread-safe).
std::string SystemErrorText(int errorNumber);

// "Cannot assign" conversion error naming both classes.
[[noreturn]] void RaiseAssignError(std::string_view sourceClass, std::string_view destClass);

}  // namespace gfx
