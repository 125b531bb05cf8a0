#pragma once
// Window titles come in several encodings: UTF-8, Latin-1 (STRING) and the ISO 2022
// based COMPOUND_TEXT that older clients such as terminal emulators send.
#include <string>
#include <string_view>

namespace x11 {

std::string Latin1ToUtf8(std::string_view latin1);

// Decodes COMPOUND_TEXT to UTF-8: ASCII and Latin-1 by default, the ISO 8859 right
// halves, JIS X 0201/0208, GB 2312, KS C 5601 and embedded UTF-8 segments. Bytes of a
// character set it does not know are dropped rather than passed through as garbage.
std::string CompoundTextToUtf8(std::string_view text);

// The longest prefix of at most maxBytes bytes that does not end inside a UTF-8 character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace x11
