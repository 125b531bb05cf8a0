// The X11 layer's pure parts: virtual-key codes, title encodings, pixel layouts.
#include <gtest/gtest.h>

#include "gfx/Errors.h"
#include "platform/x11/CompoundText.h"
#include "platform/x11/ScreenCapture.h"
#include "platform/x11/VirtualKeys.h"

namespace {

using x11::VirtualKeyToKeysym;

TEST(VirtualKeys, KeyBytesNameKeysNotCharacters) {
  struct Case {
    std::uint8_t vk;
    x11::Keysym keysym;
  };
  const Case cases[] = {
      {'W', 0x77},     // the W key: its keysym is the unshifted w
      {'A', 0x61},    {'Z', 0x7A}, {'0', 0x30}, {'9', 0x39},
      {' ', 0x20},     // the space bar
      {',', 0xFF61},   // 0x2C VK_SNAPSHOT: Print Screen, not a comma
      {'-', 0xFF63},   // 0x2D VK_INSERT
      {'.', 0xFFFF},   // 0x2E VK_DELETE
      {'`', 0xFFB0},   // 0x60 VK_NUMPAD0: KP_0
      {'{', 0xFFC9},   // 0x7B VK_F12
      {'~', 0xFFCC},   // 0x7E VK_F15
      {'[', 0xFFEB},   // 0x5B VK_LWIN
      {'!', 0xFF55},   // 0x21 VK_PRIOR
      {'%', 0xFF51},   // 0x25 VK_LEFT
      {0x70, 0xFFBE},  // VK_F1
      {0xBC, 0x2C},    // VK_OEM_COMMA: the comma key
  };
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyToKeysym(c.vk), c.keysym) << "vk 0x" << std::hex << int(c.vk);
}

TEST(VirtualKeys, CodesWithoutAKeyMapToNothing) {
  for (std::uint8_t vk : {0x00, 0x3A, 0x3F, 0x40, 0x5E, 0x88, 0xFF})
    EXPECT_EQ(VirtualKeyToKeysym(vk), x11::NoKeysym) << "vk 0x" << std::hex << int(vk);
}

TEST(Titles, Latin1BecomesUtf8) { EXPECT_EQ(x11::Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9"); }

TEST(Titles, CompoundTextSegmentsDecode) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"ascii and default latin-1 right half", "ab\xE9", "ab\xC3\xA9"},
      {"JIS X 0208 in GR (日本)", "x\x1B$)B\xC6\xFC\xCB\xDC!", "x日本!"},
      {"JIS X 0208 in GL, back to ASCII", "\x1B$(B\x46\x7C\x1B(Bz", "日z"},
      {"embedded UTF-8 segment", "a\x1B%Gあ\x1B%@b", "aあb"},
      {"ISO 8859-7 right half (alpha)", "\x1B-F\xE1", "α"},
      {"half-width katakana in GR", "\x1B)I\xB1", "ｱ"},
      {"unknown 94x94 set is dropped", "\x1B$)Z\xA1\xA1ok", "ok"},
      {"direction controls are skipped", "a\x9B" "1]b", "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(x11::CompoundTextToUtf8(c.input), c.expected) << c.name;
}

TEST(Titles, CutKeepsWholeCharacters) {
  const std::string text = "aあい";  // 1 + 3 + 3 bytes
  EXPECT_EQ(x11::CutUtf8(text, 7), text);
  EXPECT_EQ(x11::CutUtf8(text, 6), "aあ");
  EXPECT_EQ(x11::CutUtf8(text, 4), "aあ");
  EXPECT_EQ(x11::CutUtf8(text, 3), "a");
  EXPECT_EQ(x11::CutUtf8(text, 0), "");
}

x11::PixelLayout Layout(int depth, int bpp, std::uint32_t r, std::uint32_t g, std::uint32_t b, bool lsb = true) {
  x11::PixelLayout l;
  l.depth = depth;
  l.bitsPerPixel = bpp;
  l.scanlinePad = 32;
  l.redMask = r, l.greenMask = g, l.blueMask = b;
  l.trueColor = true;
  l.lsbFirst = lsb;
  return l;
}

TEST(PixelLayouts, ChooseTheBitmapFormatOfTheScreen) {
  EXPECT_EQ(x11::BitmapFormatFor(Layout(24, 32, 0xFF0000, 0xFF00, 0xFF)), gfx::pf32bit);
  EXPECT_EQ(x11::BitmapFormatFor(Layout(16, 16, 0xF800, 0x07E0, 0x1F)), gfx::pf16bit);
  EXPECT_EQ(x11::BitmapFormatFor(Layout(15, 16, 0x7C00, 0x03E0, 0x1F)), gfx::pf15bit);
  EXPECT_EQ(x11::BitmapFormatFor(Layout(30, 32, 0x3FF00000, 0xFFC00, 0x3FF)), gfx::pf32bit);
}

TEST(PixelLayouts, AColourMappedScreenIsRefusedWithAMessage) {
  x11::PixelLayout eight = Layout(8, 8, 0, 0, 0);
  eight.trueColor = false;
  try {
    x11::BitmapFormatFor(eight);
    FAIL() << "an 8-bit screen was accepted";
  } catch (const gfx::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("8 ビット"), std::string::npos) << e.what();
  }
}

TEST(PixelLayouts, RowsConvertToBlueGreenRed) {
  struct Case {
    const char* name;
    x11::PixelLayout layout;
    std::vector<std::uint8_t> server;    // two pixels as the server sends them
    std::vector<std::uint8_t> expected;  // the bitmap's bytes
  };
  const Case cases[] = {
      {"8-8-8 copies", Layout(24, 32, 0xFF0000, 0xFF00, 0xFF), {1, 2, 3, 0, 4, 5, 6, 0}, {1, 2, 3, 0, 4, 5, 6, 0}},
      {"10-10-10 scales each channel",
       Layout(30, 32, 0x3FF00000, 0xFFC00, 0x3FF),
       // red 1023, green 0, blue 0 ; red 0, green 512, blue 1023 (little-endian words)
       {0x00, 0x00, 0xF0, 0x3F, 0xFF, 0x03, 0x08, 0x00},
       {0, 0, 255, 0, 255, 128, 0, 0}},
      {"8-8-8 most significant byte first", Layout(24, 32, 0xFF0000, 0xFF00, 0xFF, false), {0, 3, 2, 1, 0, 6, 5, 4},
       {1, 2, 3, 0, 4, 5, 6, 0}},
      {"5-6-5 most significant byte first swaps", Layout(16, 16, 0xF800, 0x07E0, 0x1F, false), {0xF8, 0x00, 0x00, 0x1F},
       {0x00, 0xF8, 0x1F, 0x00}},
      {"packed 24 bits", Layout(24, 24, 0xFF0000, 0xFF00, 0xFF), {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0, 4, 5, 6, 0}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> out(c.expected.size(), 0xEE);
    x11::ChooseRowCopy(c.layout)(c.layout, c.server.data(), out.data(), 2);
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

TEST(PixelLayouts, ServerRowsArePaddedToTheScanlinePad) {
  x11::PixelLayout l = Layout(16, 16, 0xF800, 0x07E0, 0x1F);
  EXPECT_EQ(x11::ServerRowBytes(l, 3), 8u);
  l.scanlinePad = 8;
  EXPECT_EQ(x11::ServerRowBytes(l, 3), 6u);
}

}  // namespace
