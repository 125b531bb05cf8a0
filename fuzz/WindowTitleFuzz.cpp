// Any bytes as a COMPOUND_TEXT or Latin-1 title: decoding must not crash, must give
// valid UTF-8 for Latin-1, and the cut must never split a character it was given whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/x11/CompoundText.h"

namespace {

bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = x11::CompoundTextToUtf8(input);
  const std::string latin = x11::Latin1ToUtf8(input);
  if (!ValidUtf8(latin)) std::abort();
  for (std::size_t limit : {std::size_t(0), std::size_t(1), size / 2, std::size_t(1023)}) {
    const std::string_view cut = x11::CutUtf8(latin, limit);
    if (cut.size() > limit) std::abort();
    if (!ValidUtf8(cut)) std::abort();
  }
  (void)decoded;
  return 0;
}
