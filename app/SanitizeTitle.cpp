#include "app/SanitizeTitle.h"

#include <cstdint>
#include <limits>

namespace app {
namespace {

bool IsShiftJISLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsShiftJISTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// The length of the well-formed multi-byte UTF-8 character at the start of text, with its
// code point; 0 when the bytes there do not form one (no overlong forms, no surrogates,
// nothing above U+10FFFF).
std::size_t UTF8CharLength(std::string_view text, char32_t& codePoint) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // below: overlong
    if (lead == 0xED) high = 0x9F;  // above: surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // below: overlong
    if (lead == 0xF4) high = 0x8F;  // above: beyond U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  codePoint = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) codePoint = (codePoint << 6) | (at(i) & 0x3F);
  return length;
}

// Characters that change how the rest of a name reads: the C1 controls and the
// bidirectional marks, embeddings, overrides and isolates.
bool IsHiddenControl(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The length of the character to keep at the start of text, or 0 to drop one byte.
std::size_t KeptCharLength(std::string_view text, TCodePage codePage) {
  const auto first = static_cast<unsigned char>(text[0]);
  if (first < 0x80) return IsAllowedTitleChar(first) ? 1 : 0;
  switch (codePage) {
    case TCodePage::cpShiftJIS:
      // A lead byte keeps only a valid trail byte; otherwise it goes alone (also at the
      // end of a cut title) and the next byte is judged on its own.
      if (IsShiftJISLead(first) && text.size() >= 2 && IsShiftJISTrail(static_cast<unsigned char>(text[1])))
        return 2;
      return 0;
    case TCodePage::cpSingleByte:
      return 0;
    case TCodePage::cpUTF8: {
      char32_t codePoint = 0;
      const std::size_t length = UTF8CharLength(text, codePoint);
      if (length == 0 || IsHiddenControl(codePoint)) return 0;
      return length;
    }
  }
  return 0;
}

}  // namespace

bool IsAllowedTitleChar(unsigned char b) {
  if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
  switch (b) {
    case '#': case '(': case ')': case '-': case '.': case '=': case '_': case '~':
      return true;
    default:
      return false;
  }
}

std::string SanitizeTitle(std::string_view title, TCodePage codePage, std::size_t maxBytes) {
  std::string result;
  std::size_t i = 0;
  while (i < title.size()) {
    const std::size_t length = KeptCharLength(title.substr(i), codePage);
    if (length == 0) {
      ++i;
      continue;
    }
    if (result.size() + length > maxBytes) break;  // cut before a character that does not fit
    result.append(title.substr(i, length));
    i += length;
  }
  return result;
}

std::string SanitizeTitle(std::string_view title, TCodePage codePage) {
  return SanitizeTitle(title, codePage, std::numeric_limits<std::size_t>::max());
}

std::string DesktopName(TCodePage codePage) {
  if (codePage == TCodePage::cpUTF8) return "デスクトップ";
  // The program's own literal in Shift-JIS bytes.
  return "\x83\x66\x83\x58\x83\x4E\x83\x67\x83\x62\x83\x76";
}

}  // namespace app
