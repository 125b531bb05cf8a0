#pragma once
// The PNG encoder's error class and the fixed texts it raises.
#include <string>
#include <string_view>

#include "gfx/Errors.h"

namespace png {

namespace Msg {
inline constexpr std::string_view IDATSizeRange = "Write PNG Param: Err IDAT Size(min:256  max:100000)";
inline constexpr std::string_view WriteError = "Write Image (PNG): Write Error";
inline constexpr std::string_view NoPalette = "Write Image (PNG): palette image without palette entries";
inline constexpr std::string_view NotABitmap = "Write Image (PNG): only a bitmap can be written";
}  // namespace Msg

class EPNGImageError : public gfx::EInvalidGraphic {
 public:
  explicit EPNGImageError(std::string_view message) : gfx::EInvalidGraphic(std::string(message)) {}
};

}  // namespace png
