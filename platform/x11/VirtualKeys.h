#pragma once
// The key byte of a hotkey is a Windows virtual-key code, not a character: "," is
// Print Screen (0x2C), "." is Delete (0x2E). This maps a code to the X keysym of the
// same physical key.
#include <cstdint>

namespace x11 {

using Keysym = std::uint32_t;
constexpr Keysym NoKeysym = 0;

// The keysym of the key with that virtual-key code, or NoKeysym for a code with no key.
Keysym VirtualKeyToKeysym(std::uint8_t virtualKey);

}  // namespace x11
