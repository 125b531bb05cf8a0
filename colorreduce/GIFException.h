#pragma once
// The one error class of the colour reduction and of the GIF encoder built on it:
// an invalid-graphic error carrying one fixed English message.
#include <string>
#include <string_view>

#include "gfx/Errors.h"

namespace colorreduce {

class GIFException : public gfx::EInvalidGraphic {
 public:
  explicit GIFException(std::string_view message) : gfx::EInvalidGraphic(std::string(message)) {}
};

// The texts the reduction raises, byte for byte.
namespace Msg {
inline constexpr std::string_view UnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr std::string_view InvalidImageDimensions = "Invalid image dimensions";
inline constexpr std::string_view ImageHasNoDIB = "Image has no DIB";
inline constexpr std::string_view DIBAllocationFailed = "Failed to allocate memory for GIF DIB";
}  // namespace Msg

}  // namespace colorreduce
