#include "platform/x11/HotkeyGrab.h"

#include <xcb/xcb_keysyms.h>

#include <memory>

#include "platform/x11/VirtualKeys.h"
#include "platform/x11/Xcb.h"

namespace x11 {

namespace {

// MOD_* flags of the hotkey registration.
constexpr unsigned ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8;

constexpr Keysym XK_Num_Lock = 0xFF7F, XK_Caps_Lock = 0xFFE5;
constexpr Keysym XK_Alt_L = 0xFFE9, XK_Alt_R = 0xFFEA, XK_Meta_L = 0xFFE7;
constexpr Keysym XK_Super_L = 0xFFEB, XK_Super_R = 0xFFEC;

struct KeySymbolsDeleter {
  void operator()(xcb_key_symbols_t* p) const { xcb_key_symbols_free(p); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

}  // namespace

ModifierBits ReadModifierBits(xcb_connection_t* connection) {
  ModifierBits bits;
  Reply<xcb_get_modifier_mapping_reply_t> map(
      xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
  KeySymbols symbols(xcb_key_symbols_alloc(connection));
  if (!map || !symbols) return bits;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
  const int perModifier = map->keycodes_per_modifier;
  for (int modifier = 0; modifier < 8; ++modifier) {
    const auto bit = static_cast<std::uint16_t>(1u << modifier);
    for (int k = 0; k < perModifier; ++k) {
      const xcb_keycode_t code = codes[modifier * perModifier + k];
      if (code == 0) continue;
      for (int column = 0; column < 4; ++column) {
        const Keysym sym = xcb_key_symbols_get_keysym(symbols.get(), code, column);
        // Shift and Control have fixed bits; Alt may sit on Meta where there is no Alt key.
        if (sym == XK_Alt_L || sym == XK_Alt_R) bits.alt = bits.alt ? bits.alt : bit;
        if (sym == XK_Meta_L && !bits.alt) bits.alt = bit;
        if (sym == XK_Super_L || sym == XK_Super_R) bits.super = bits.super ? bits.super : bit;
        if (sym == XK_Num_Lock) bits.numLock = bit;
        if (sym == XK_Caps_Lock) bits.capsLock = bit;
      }
    }
  }
  return bits;
}

HotkeyGrab::HotkeyGrab(xcb_connection_t* connection, xcb_window_t root) : connection_(connection), root_(root) {}

HotkeyGrab::~HotkeyGrab() { Ungrab(); }

bool HotkeyGrab::Grab(unsigned modifiers, std::uint8_t virtualKey) {
  Ungrab();
  const Keysym keysym = VirtualKeyToKeysym(virtualKey);
  if (keysym == NoKeysym) return false;
  KeySymbols symbols(xcb_key_symbols_alloc(connection_));
  if (!symbols) return false;
  Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), keysym));
  if (!codes || codes.get()[0] == 0) return false;
  const xcb_keycode_t keycode = codes.get()[0];

  const ModifierBits bits = ReadModifierBits(connection_);
  std::uint16_t mask = 0;
  if (modifiers & ModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & ModShift) mask |= XCB_MOD_MASK_SHIFT;
  if (modifiers & ModAlt) {
    if (!bits.alt) return false;
    mask |= bits.alt;
  }
  if (modifiers & ModWin) {
    if (!bits.super) return false;
    mask |= bits.super;
  }

  // Every combination of the lock bits that are not part of the hotkey itself.
  const std::uint16_t locks = static_cast<std::uint16_t>((bits.numLock | bits.capsLock) & ~mask);
  std::vector<std::uint16_t> states;
  for (std::uint16_t extra : {std::uint16_t(0), bits.numLock, bits.capsLock, std::uint16_t(bits.numLock | bits.capsLock)}) {
    const auto state = static_cast<std::uint16_t>(mask | (extra & locks));
    bool seen = false;
    for (auto s : states) seen = seen || s == state;
    if (!seen) states.push_back(state);
  }

  std::vector<xcb_void_cookie_t> cookies;
  for (auto state : states)
    cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, state, keycode, XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC));
  bool refused = false;
  for (std::size_t i = 0; i < cookies.size(); ++i) {
    Reply<xcb_generic_error_t> error(xcb_request_check(connection_, cookies[i]));
    if (error) refused = true;  // BadAccess: another client holds this combination
    else grabbed_.push_back(states[i]);
  }
  keycode_ = keycode;
  modifierMask_ = mask;
  lockMask_ = locks;
  if (refused) {  // like a refused registration: nothing stays registered
    Ungrab();
    return false;
  }
  return true;
}

void HotkeyGrab::Ungrab() {
  if (keycode_ != 0) {
    for (auto state : grabbed_) xcb_ungrab_key(connection_, keycode_, root_, state);
    xcb_flush(connection_);
  }
  grabbed_.clear();
  keycode_ = 0;
  modifierMask_ = 0;
  lockMask_ = 0;
}

bool HotkeyGrab::Matches(const xcb_key_press_event_t& event) const {
  if (keycode_ == 0 || event.detail != keycode_) return false;
  // Only the eight modifier bits count; pointer buttons and lock keys do not.
  const auto state = static_cast<std::uint16_t>(event.state & 0xFF & ~lockMask_);
  return state == modifierMask_;
}

}  // namespace x11
