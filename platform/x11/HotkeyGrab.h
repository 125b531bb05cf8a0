#pragma once
// One global hotkey as a passive key grab on the root window. The grab covers the
// combination with and without NumLock and CapsLock, and a press is recognised with
// those lock bits masked off, so the hotkey works whatever the lock keys' state.
#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace x11 {

class HotkeyGrab {
 public:
  HotkeyGrab(xcb_connection_t* connection, xcb_window_t root);
  ~HotkeyGrab();
  HotkeyGrab(const HotkeyGrab&) = delete;
  HotkeyGrab& operator=(const HotkeyGrab&) = delete;

  // Grabs the combination (MOD_* flags of the ports, a virtual-key code). False when the
  // key does not exist on this keyboard, a modifier has no bit in the server's modifier
  // map, or another client holds the combination (then nothing stays grabbed).
  bool Grab(unsigned modifiers, std::uint8_t virtualKey);
  // Releases what Grab took; harmless when nothing is held.
  void Ungrab();
  bool Held() const { return keycode_ != 0; }

  // Whether a key press event is the grabbed combination.
  bool Matches(const xcb_key_press_event_t& event) const;

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_;
  xcb_keycode_t keycode_ = 0;
  std::uint16_t modifierMask_ = 0;
  std::uint16_t lockMask_ = 0;  // NumLock | CapsLock bits, ignored when matching
  std::vector<std::uint16_t> grabbed_;  // the modifier states grabbed for keycode_
};

// The modifier bits the server's modifier map gives the Alt, Super, NumLock and CapsLock
// keys (0 for a key that is on no modifier).
struct ModifierBits {
  std::uint16_t alt = 0, super = 0, numLock = 0, capsLock = 0;
};
ModifierBits ReadModifierBits(xcb_connection_t* connection);

}  // namespace x11
