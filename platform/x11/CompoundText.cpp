#include "platform/x11/CompoundText.h"

#include <iconv.h>

#include <cstdint>
#include <memory>

namespace x11 {

namespace {

constexpr char ESC = 0x1B;
constexpr unsigned char CSI = 0x9B;

// Appends the code point as UTF-8.
void PutUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The character sets a designation may name, each decoded one way.
enum class Charset { None, Ascii, Latin1, Iso8859, Kana, Euc, Utf8 };

struct Designation {
  Charset charset = Charset::None;
  const char* iconvName = nullptr;  // for Iso8859 and Euc
};

Designation Designate94(char final) {
  switch (final) {
    case 'B':
    case 'J': return {Charset::Ascii};  // ASCII, JIS X 0201 Roman
    case 'I': return {Charset::Kana};   // JIS X 0201 katakana
    default: return {};
  }
}

Designation Designate96(char final) {
  switch (final) {
    case 'A': return {Charset::Latin1};
    case 'B': return {Charset::Iso8859, "ISO-8859-2"};
    case 'C': return {Charset::Iso8859, "ISO-8859-3"};
    case 'D': return {Charset::Iso8859, "ISO-8859-4"};
    case 'F': return {Charset::Iso8859, "ISO-8859-7"};
    case 'G': return {Charset::Iso8859, "ISO-8859-6"};
    case 'H': return {Charset::Iso8859, "ISO-8859-8"};
    case 'L': return {Charset::Iso8859, "ISO-8859-5"};
    case 'M': return {Charset::Iso8859, "ISO-8859-9"};
    case 'b': return {Charset::Iso8859, "ISO-8859-15"};
    default: return {};
  }
}

Designation Designate94x94(char final) {
  switch (final) {
    case 'A': return {Charset::Euc, "EUC-CN"};  // GB 2312
    case 'B': return {Charset::Euc, "EUC-JP"};  // JIS X 0208
    case 'C': return {Charset::Euc, "EUC-KR"};  // KS C 5601
    default: return {};
  }
}

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};

// Converts bytes of a legacy character set to UTF-8; bytes it cannot convert are dropped.
void AppendConverted(std::string& out, const char* charset, std::string bytes) {
  iconv_t raw = iconv_open("UTF-8", charset);
  if (raw == reinterpret_cast<iconv_t>(-1)) return;
  std::unique_ptr<void, IconvCloser> cd(raw);
  char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  std::string buffer(bytes.size() * 4 + 16, '\0');
  char* outPtr = buffer.data();
  std::size_t outLeft = buffer.size();
  while (inLeft > 0) {
    if (iconv(raw, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
    ++in;  // an invalid or incomplete sequence: skip one byte and go on
    --inLeft;
  }
  out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  for (unsigned char c : latin1) PutUtf8(out, c);
  return out;
}

std::string CompoundTextToUtf8(std::string_view text) {
  Designation gl{Charset::Ascii}, gr{Charset::Latin1};
  bool glDouble = false, grDouble = false;
  std::string out;
  std::string pending;  // bytes of one legacy character set, converted together
  const char* pendingCharset = nullptr;
  auto flush = [&] {
    if (!pending.empty()) AppendConverted(out, pendingCharset, pending);
    pending.clear();
    pendingCharset = nullptr;
  };
  auto queue = [&](const char* charset, std::string_view bytes) {
    if (pendingCharset != charset) flush();
    pendingCharset = charset;
    pending += bytes;
  };

  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == static_cast<unsigned char>(ESC)) {
      flush();
      const std::string_view rest = text.substr(i + 1);
      auto at = [&](std::size_t k) { return k < rest.size() ? rest[k] : '\0'; };
      if (at(0) == '(' ) {
        gl = Designate94(at(1)), glDouble = false, i += 3;
      } else if (at(0) == ')') {
        gr = Designate94(at(1)), grDouble = false, i += 3;
      } else if (at(0) == '-') {
        gr = Designate96(at(1)), grDouble = false, i += 3;
      } else if (at(0) == '$' && at(1) == '(') {
        gl = Designate94x94(at(2)), glDouble = true, i += 4;
      } else if (at(0) == '$' && at(1) == ')') {
        gr = Designate94x94(at(2)), grDouble = true, i += 4;
      } else if (at(0) == '%' && at(1) == 'G') {  // UTF-8 up to ESC % @
        const std::size_t start = i + 3;
        const std::size_t end = text.find("\x1B%@", start);
        out += text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        i = end == std::string_view::npos ? text.size() : end + 3;
      } else if (at(0) == '%' && at(1) == '/' && rest.size() >= 5) {  // extended segment: skip it
        const std::size_t length = (static_cast<unsigned char>(at(3)) & 0x7F) * 128 + (static_cast<unsigned char>(at(4)) & 0x7F);
        i += 6 + length;
      } else {
        i += 2;  // an escape this decoder does not know
      }
      continue;
    }
    if (c == CSI) {  // direction control: skip up to its final byte
      flush();
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) < 0x40 || static_cast<unsigned char>(text[i]) > 0x7E)) ++i;
      ++i;
      continue;
    }
    const bool right = c >= 0x80;
    const Designation& set = right ? gr : gl;
    const bool twoBytes = right ? grDouble : glDouble;
    if ((c & 0x7F) < 0x20 || (c & 0x7F) == 0x7F) {  // controls: keep newline and tab only
      flush();
      if (c == '\n' || c == '\t') out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (twoBytes) {
      if (i + 1 < text.size() && set.charset == Charset::Euc) {
        const char pair[2] = {static_cast<char>(c | 0x80), static_cast<char>(text[i + 1] | 0x80)};
        queue(set.iconvName, std::string_view(pair, 2));
      }
      i += 2;
      continue;
    }
    flush();
    switch (set.charset) {
      case Charset::Ascii: out += static_cast<char>(c & 0x7F); break;
      case Charset::Latin1: PutUtf8(out, c | 0x80); break;
      case Charset::Kana:
        if ((c & 0x7F) >= 0x21 && (c & 0x7F) <= 0x5F) PutUtf8(out, 0xFF61 + (c & 0x7F) - 0x21);
        break;
      case Charset::Iso8859: {
        const char byte = static_cast<char>(c | 0x80);
        queue(set.iconvName, std::string_view(&byte, 1));
        break;
      }
      default: break;  // an unknown set: drop the byte
    }
    ++i;
  }
  flush();
  return out;
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  // The first byte left out must not be a continuation byte of a kept character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace x11
