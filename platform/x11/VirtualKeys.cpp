#include "platform/x11/VirtualKeys.h"


namespace x11 {

namespace {

// Keysym values of the X protocol's keysym table (latin, keypad, function, XF86 keys).
struct Entry {
  std::uint8_t vk;
  Keysym keysym;
};

constexpr Entry Table[] = {
    {0x03, 0xFF6B},  // VK_CANCEL: Break
    {0x08, 0xFF08},  // VK_BACK: BackSpace
    {0x09, 0xFF09},  // VK_TAB
    {0x0C, 0xFF0B},  // VK_CLEAR
    {0x0D, 0xFF0D},  // VK_RETURN
    {0x10, 0xFFE1},  // VK_SHIFT: Shift_L
    {0x11, 0xFFE3},  // VK_CONTROL: Control_L
    {0x12, 0xFFE9},  // VK_MENU: Alt_L
    {0x13, 0xFF13},  // VK_PAUSE
    {0x14, 0xFFE5},  // VK_CAPITAL: Caps_Lock
    {0x1B, 0xFF1B},  // VK_ESCAPE
    {0x20, 0x0020},  // VK_SPACE
    {0x21, 0xFF55},  // VK_PRIOR: Page_Up
    {0x22, 0xFF56},  // VK_NEXT: Page_Down
    {0x23, 0xFF57},  // VK_END
    {0x24, 0xFF50},  // VK_HOME
    {0x25, 0xFF51},  // VK_LEFT
    {0x26, 0xFF52},  // VK_UP
    {0x27, 0xFF53},  // VK_RIGHT
    {0x28, 0xFF54},  // VK_DOWN
    {0x29, 0xFF60},  // VK_SELECT
    {0x2A, 0xFF61},  // VK_PRINT
    {0x2B, 0xFF62},  // VK_EXECUTE
    {0x2C, 0xFF61},  // VK_SNAPSHOT: Print Screen
    {0x2D, 0xFF63},  // VK_INSERT
    {0x2E, 0xFFFF},  // VK_DELETE
    {0x2F, 0xFF6A},  // VK_HELP
    {0x5B, 0xFFEB},  // VK_LWIN: Super_L
    {0x5C, 0xFFEC},  // VK_RWIN: Super_R
    {0x5D, 0xFF67},  // VK_APPS: Menu
    {0x5F, 0x1008FF2F},  // VK_SLEEP
    {0x6A, 0xFFAA},  // VK_MULTIPLY: KP_Multiply
    {0x6B, 0xFFAB},  // VK_ADD: KP_Add
    {0x6C, 0xFFAC},  // VK_SEPARATOR: KP_Separator
    {0x6D, 0xFFAD},  // VK_SUBTRACT: KP_Subtract
    {0x6E, 0xFFAE},  // VK_DECIMAL: KP_Decimal
    {0x6F, 0xFFAF},  // VK_DIVIDE: KP_Divide
    {0x90, 0xFF7F},  // VK_NUMLOCK
    {0x91, 0xFF14},  // VK_SCROLL: Scroll_Lock
    {0xA0, 0xFFE1},  // VK_LSHIFT
    {0xA1, 0xFFE2},  // VK_RSHIFT
    {0xA2, 0xFFE3},  // VK_LCONTROL
    {0xA3, 0xFFE4},  // VK_RCONTROL
    {0xA4, 0xFFE9},  // VK_LMENU: Alt_L
    {0xA5, 0xFFEA},  // VK_RMENU: Alt_R
    {0xA6, 0x1008FF26},  // VK_BROWSER_BACK
    {0xA7, 0x1008FF27},  // VK_BROWSER_FORWARD
    {0xA8, 0x1008FF29},  // VK_BROWSER_REFRESH
    {0xA9, 0x1008FF28},  // VK_BROWSER_STOP
    {0xAA, 0x1008FF1B},  // VK_BROWSER_SEARCH
    {0xAB, 0x1008FF30},  // VK_BROWSER_FAVORITES
    {0xAC, 0x1008FF18},  // VK_BROWSER_HOME
    {0xAD, 0x1008FF12},  // VK_VOLUME_MUTE
    {0xAE, 0x1008FF11},  // VK_VOLUME_DOWN
    {0xAF, 0x1008FF13},  // VK_VOLUME_UP
    {0xB0, 0x1008FF17},  // VK_MEDIA_NEXT_TRACK
    {0xB1, 0x1008FF16},  // VK_MEDIA_PREV_TRACK
    {0xB2, 0x1008FF15},  // VK_MEDIA_STOP
    {0xB3, 0x1008FF14},  // VK_MEDIA_PLAY_PAUSE
    {0xB4, 0x1008FF19},  // VK_LAUNCH_MAIL
    {0xBA, 0x003B},  // VK_OEM_1: semicolon
    {0xBB, 0x003D},  // VK_OEM_PLUS: equal
    {0xBC, 0x002C},  // VK_OEM_COMMA
    {0xBD, 0x002D},  // VK_OEM_MINUS
    {0xBE, 0x002E},  // VK_OEM_PERIOD
    {0xBF, 0x002F},  // VK_OEM_2: slash
    {0xC0, 0x0060},  // VK_OEM_3: grave
    {0xDB, 0x005B},  // VK_OEM_4: bracketleft
    {0xDC, 0x005C},  // VK_OEM_5: backslash
    {0xDD, 0x005D},  // VK_OEM_6: bracketright
    {0xDE, 0x0027},  // VK_OEM_7: apostrophe
    {0xE2, 0x003C},  // VK_OEM_102: less (the extra key beside left Shift)
};

}  // namespace

Keysym VirtualKeyToKeysym(std::uint8_t vk) {
  if (vk >= '0' && vk <= '9') return vk;                     // XK_0..XK_9
  if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 0x61;        // the letter key: XK_a..XK_z
  if (vk >= 0x60 && vk <= 0x69) return 0xFFB0 + (vk - 0x60);  // VK_NUMPAD0..9: KP_0..KP_9
  if (vk >= 0x70 && vk <= 0x87) return 0xFFBE + (vk - 0x70);  // VK_F1..VK_F24
  for (const Entry& e : Table)
    if (e.vk == vk) return e.keysym;
  return NoKeysym;
}

}  // namespace x11
