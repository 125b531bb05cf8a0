#pragma once
// Turning a window title into a safe part of a file name.
#include <cstddef>
#include <string>
#include <string_view>

namespace app {

// How the bytes of a title group into characters.
enum class TCodePage {
  cpShiftJIS,    // double-byte characters: lead bytes 0x81-0x9F and 0xE0-0xFC
  cpSingleByte,  // every byte is a character of its own
  cpUTF8,        // multi-byte UTF-8 characters (what the Linux program uses)
};

// Keeps the letters, digits and "#()-.=_~" of a title and every well-formed multi-byte
// character, and drops everything else: other single bytes (so no "/", NUL, space or
// control byte), lead bytes without a valid partner, invalid UTF-8, the C1 controls and
// the bidirectional controls of UTF-8. The result is made of whole characters only.
std::string SanitizeTitle(std::string_view title, TCodePage codePage);

// The same, then cut at a character boundary so that it is at most maxBytes long.
std::string SanitizeTitle(std::string_view title, TCodePage codePage, std::size_t maxBytes);

// True for the 70 single-byte characters a file name may take from a title.
bool IsAllowedTitleChar(unsigned char byte);

// The name that stands in for the title of the whole desktop and of an untitled window
// ("デスクトップ"), in the bytes of the code page.
std::string DesktopName(TCodePage codePage);

}  // namespace app
