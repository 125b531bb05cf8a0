#pragma once
// Every text the GIF encoder reports, in one place, exactly as the user reads it.
#include <string_view>

namespace gif::Msg {
inline constexpr std::string_view ColorTableOverflow = "Color table overflow";
inline constexpr std::string_view InvalidColorIndex = "Invalid color index";
inline constexpr std::string_view ColorTableEmpty = "Color table is empty";
inline constexpr std::string_view PrematureEnd = "Premature end of data";
inline constexpr std::string_view ColorNotInTable = "Color not in color table";
inline constexpr std::string_view UnsupportedVersion = "Unsupported GIF version";
inline constexpr std::string_view ObjectNotSupported = "Object type not supported for operation";
inline constexpr std::string_view WidthTooSmall = "Image width too small for contained frames";
inline constexpr std::string_view HeightTooSmall = "Image height too small for contained frames";
inline constexpr std::string_view ExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr std::string_view InvalidPixelCoordinates = "Invalid pixel coordinates";
inline constexpr std::string_view ImageEmpty = "Image is empty";
inline constexpr std::string_view InvalidStreamOperation = "Invalid stream operation";
// A GIF file stores every position and size in 16 bits.
inline constexpr std::string_view TooLarge = "Image too large for GIF: width and height are limited to 65535 pixels";
inline constexpr std::string_view Converting = "Converting...";
inline constexpr std::string_view Saving = "Saving...";
inline constexpr std::string_view Copying = "Copying...";
}  // namespace gif::Msg
