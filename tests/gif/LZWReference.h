#pragma once
// Test helpers for the image data: a straightforward encoder built directly from the
// algorithm (a probing table of 8009 slots, one code at a time) to compare the fast
// encoder's codes with, and a reader that splits a code stream back into its codes.
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace giftest {

// The whole image data (code size byte, sub-blocks, terminator) of pixels, non-interlaced.
inline std::vector<std::uint8_t> ReferenceLZW(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
  if (minCodeSize < 2) minCodeSize = 2;
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(minCodeSize)};
  std::vector<std::uint8_t> data;
  const int clearCode = 1 << minCodeSize, endCode = clearCode + 1, startWidth = minCodeSize + 1;
  int width = startWidth, widthLimit = (1 << width) - 1, nextFree = 0;
  bool resetPending = false;
  std::uint32_t bucket = 0;
  int bits = 0;
  std::vector<std::uint32_t> table(8009, 0xFFFFFFFF);
  auto firstSlot = [](std::uint32_t key) { return ((key >> 4) ^ key) % 8009; };
  auto nextSlot = [](std::uint32_t s) { return s == 0 ? 8008u : (2 * s) % 8009; };
  auto find = [&](std::uint32_t key) -> int {
    for (std::uint32_t s = firstSlot(key);; s = nextSlot(s)) {
      if ((table[s] >> 12) == 0xFFFFF) return -1;
      if ((table[s] >> 12) == key) return static_cast<int>(table[s] & 0xFFF);
    }
  };
  auto store = [&](std::uint32_t key, int code) {
    std::uint32_t s = firstSlot(key);
    while ((table[s] >> 12) != 0xFFFFF) s = nextSlot(s);
    table[s] = key * 4096 + static_cast<std::uint32_t>(code);
  };
  auto emit = [&](int code) {
    bucket = bits > 0 ? (bucket & ((1u << bits) - 1)) | (static_cast<std::uint32_t>(code) << bits)
                      : static_cast<std::uint32_t>(code);
    bits += width;
    while (bits >= 8) {
      data.push_back(static_cast<std::uint8_t>(bucket));
      bucket >>= 8;
      bits -= 8;
    }
    if (code == endCode)
      while (bits > 0) {
        data.push_back(static_cast<std::uint8_t>(bucket));
        bucket >>= 8;
        bits -= 8;
      }
    if (nextFree > widthLimit || resetPending) {
      if (resetPending) {
        width = startWidth;
        widthLimit = (1 << width) - 1;
        resetPending = false;
      } else {
        ++width;
        widthLimit = width == 12 ? 4096 : (1 << width) - 1;
      }
    }
  };
  auto clear = [&]() {
    resetPending = true;
    emit(clearCode);
    std::fill(table.begin(), table.end(), 0xFFFFFFFF);
    nextFree = clearCode + 2;
  };
  if (!pixels.empty()) {
    clear();
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
      const int c = pixels[i];
      const std::uint32_t key = static_cast<std::uint32_t>(prefix) * 256 + static_cast<std::uint32_t>(c);
      const int code = find(key);
      if (code >= 0) {
        prefix = code;
        continue;
      }
      emit(prefix);
      prefix = c;
      if (nextFree < 4095) {
        store(key, nextFree);
        ++nextFree;
      } else {
        clear();
      }
    }
    emit(prefix);
  }
  emit(endCode);
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i), data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

// The data bytes of a run of sub-blocks starting at pos, up to and including the terminator;
// pos ends just after it. Raises on an empty sub-block that is not the terminator's place
// (there is none such: a zero length is the terminator) or on a cut stream.
inline std::vector<std::uint8_t> JoinSubBlocks(const std::vector<std::uint8_t>& bytes, std::size_t& pos,
                                               std::vector<int>* lengths = nullptr) {
  std::vector<std::uint8_t> data;
  for (;;) {
    if (pos >= bytes.size()) throw std::runtime_error("sub-blocks cut short");
    const int n = bytes[pos++];
    if (n == 0) return data;
    if (lengths) lengths->push_back(n);
    if (pos + n > bytes.size()) throw std::runtime_error("sub-block cut short");
    data.insert(data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                bytes.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
  }
}

struct ReadCode {
  int code;
  int width;      // bits it was read with
  int nextEntry;  // the decoder's next free entry when the code was read
};

// Splits a code stream into its codes the way a GIF decoder reads it: widths grow when the
// decoder's next free entry reaches the next power of two (up to 12 bits), and a clear code
// starts again from the minimum code size + 1. Stops after the end code.
inline std::vector<ReadCode> ReadCodes(const std::vector<std::uint8_t>& data, int minCodeSize) {
  const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
  std::vector<ReadCode> codes;
  int width = minCodeSize + 1, next = clearCode + 2;
  bool first = true;
  std::size_t bitPos = 0;
  for (;;) {
    if (bitPos + static_cast<std::size_t>(width) > data.size() * 8) throw std::runtime_error("code stream cut short");
    int code = 0;
    for (int b = 0; b < width; ++b, ++bitPos)
      code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
    codes.push_back({code, width, next});
    if (code == endCode) return codes;
    if (code == clearCode) {
      width = minCodeSize + 1;
      next = clearCode + 2;
      first = true;
      continue;
    }
    if (!first && next < 4096) {
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    first = false;
  }
}

}  // namespace giftest
