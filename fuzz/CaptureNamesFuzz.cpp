// Builds capture names from arbitrary window titles and folder texts, and checks what
// the program appends to the folder text: a number, "-", the filtered title and the
// extension, with no "/" or zero byte among them, made of whole characters of the code
// page (strictly valid UTF-8 without hidden controls), short enough for the file system.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/MainForm.h"
#include "app/SanitizeTitle.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// An independent strict UTF-8 reading: the code point from the leading bits, then the
// smallest value each length may carry, the surrogate gap and the top of the code space.
bool IsStrictUTF8WithoutHiddenControls(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) length = 1, c = lead;
    else if ((lead & 0xE0) == 0xC0) length = 2, c = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0) length = 3, c = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0) length = 4, c = lead & 0x07;
    else return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if ((c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069))
      return false;
    i += length;
  }
  return true;
}

// Every high byte opens a pair with a valid second byte; nothing is left over.
bool IsWholeShiftJIS(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) continue;
    if (!((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) || i + 1 >= text.size()) return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static constexpr app::TCodePage codePages[] = {app::TCodePage::cpUTF8, app::TCodePage::cpShiftJIS,
                                                 app::TCodePage::cpSingleByte};
  const app::TCodePage codePage = codePages[data[0] % 3];
  const auto format = static_cast<app::OutputFormat>((data[0] >> 2) % 4);
  const int number = 1 + data[1] * 39 % app::MaxCaptureNumber;
  const std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::size_t split = std::min<std::size_t>(data[2], rest.size());
  const std::string folder(rest.substr(0, split));
  const std::string_view title = rest.substr(split);

  const std::string extension = app::FormatExtension(format);
  const std::string nameTitle = app::NameTitle(title, codePage, extension);
  Require(app::SanitizeTitle(nameTitle, codePage) == nameTitle);  // already clean

  // The desktop method (title in the name) and the folder method (none).
  for (const std::string& titlePart : {nameTitle, std::string()}) {
    const std::string candidate = app::CandidateName(folder, number, titlePart, extension);
    Require(candidate.compare(0, folder.size(), folder) == 0);
    const std::string_view appended = std::string_view(candidate).substr(folder.size());
    Require(appended.find('/') == std::string_view::npos);
    Require(appended.find('\0') == std::string_view::npos);
    Require(appended == std::to_string(number) + "-" + titlePart + extension);
    Require(appended.size() <= app::MaxFileNameBytes);
    if (codePage == app::TCodePage::cpUTF8) Require(IsStrictUTF8WithoutHiddenControls(appended));
    if (codePage == app::TCodePage::cpShiftJIS) Require(IsWholeShiftJIS(appended));
    if (codePage == app::TCodePage::cpSingleByte)
      for (char c : appended) Require(static_cast<unsigned char>(c) < 0x80);
  }
  return 0;
}
