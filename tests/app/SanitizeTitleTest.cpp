// The title filter in its three code pages, and the cut that keeps names within the
// file system's limit.
#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "app/SanitizeTitle.h"

using namespace app;

namespace {

struct Case {
  std::string title;
  std::string expected;
  const char* why;
};

void Check(TCodePage codePage, std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(SanitizeTitle(c.title, codePage), c.expected) << c.why;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

}  // namespace

TEST(SanitizeTitle, KeepsExactlyTheSeventyAllowedSingleBytes) {
  std::string kept;
  for (int b = 0; b < 0x80; ++b)
    if (IsAllowedTitleChar(static_cast<unsigned char>(b))) kept.push_back(static_cast<char>(b));
  EXPECT_EQ(kept, "#()-.0123456789=ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~");
  EXPECT_EQ(kept.size(), 70u);
  for (int b = 0x80; b < 0x100; ++b) EXPECT_FALSE(IsAllowedTitleChar(static_cast<unsigned char>(b))) << b;

  std::string everyByte;
  for (int b = 1; b < 0x100; ++b) everyByte.push_back(static_cast<char>(b));
  EXPECT_EQ(SanitizeTitle(everyByte, TCodePage::cpSingleByte), kept) << "no lead bytes: all high bytes dropped";
}

TEST(SanitizeTitle, ShiftJIS) {
  Check(TCodePage::cpShiftJIS, {
      {"My Doc: v2.txt", "MyDocv2.txt", "spaces and the colon go"},
      {"\x83\x66\x83\x58\x83\x4E\x83\x67\x83\x62\x83\x76", "\x83\x66\x83\x58\x83\x4E\x83\x67\x83\x62\x83\x76",
       "a double-byte title survives whole"},
      {"\x95\x5C" "A", "\x95\x5C" "A", "a 0x5C trail byte belongs to its character"},
      {"a\xE0\x40\xFC\xFC", "a\xE0\x40\xFC\xFC", "the edges of the lead and trail ranges"},
      {"\xB1\xB2" "b", "b", "half-width katakana are single bytes and go"},
      {Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF, 'c'}), "c", "other high single bytes go"},
      {"AB\x95", "AB", "a lone lead byte at the end of a cut title goes"},
      {"\x95/etc", "etc", "a slash is no trail byte: the lead goes, the slash is judged alone"},
      {Bytes({0x95, 0, 'x'}), "x", "nor is a zero byte"},
      {"\x95\x7F" "d", "d", "0x7F is no trail byte"},
      {"\x95\xFD" "e", "e", "nor is 0xFD"},
      {"\x81\x81\x40", "\x81\x81", "lead then lead: the second is the first one's trail"},
      {"\x95" "A", "\x95" "A", "a letter in the trail range is a trail byte"},
  });
}

TEST(SanitizeTitle, UTF8KeepsWholeCharactersAndDropsEverythingElse) {
  Check(TCodePage::cpUTF8, {
      {"日本語 ü — 😀!", "日本語ü—😀", "valid characters of every length survive whole"},
      {"Ab\xC3", "Ab", "a character cut at the end goes"},
      {"\xE6\x97" "x", "x", "a cut character before a letter goes; the letter stays"},
      {"\x80\xBF" "y", "y", "lone continuation bytes go"},
      {"\xC0\xAF" "\xE0\x80\xAF" "\xF0\x80\x80\xAF" "z", "z", "overlong forms go, so no hidden slash"},
      {"\xC1\xBF" "\xF5\x80\x80\x80" "\xFF", "", "bytes that never start a character go"},
      {"\xED\xA0\x80" "\xED\xBF\xBF" "s", "s", "surrogates go"},
      {"\xED\x9F\xBF", "\xED\x9F\xBF", "U+D7FF, just below the surrogates, stays"},
      {"\xF4\x90\x80\x80" "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "above U+10FFFF goes, U+10FFFF stays"},
      {"a\xC2\x80\xC2\x9F\xC2\xA0", "a\xC2\xA0", "C1 controls go, U+00A0 stays"},
      {"x\xE2\x80\x8E\xE2\x80\x8F" "y", "xy", "LRM and RLM go"},
      {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x80\xAE" "exe.txt", "exe.txt",
       "embeddings and overrides go: no name reads backwards"},
      {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9" "i", "i", "isolates go"},
      {"\xD8\x9C" "m", "m", "the Arabic letter mark goes"},
      {"\xE2\x80\x8D\xE2\x81\xA5", "\xE2\x80\x8D\xE2\x81\xA5", "neighbours of those ranges stay"},
  });
}

TEST(SanitizeTitle, CutKeepsWholeCharactersWithinTheLimit) {
  struct Cut {
    std::string title;
    TCodePage codePage;
    std::size_t maxBytes;
    std::string expected;
  };
  const std::string a = "あ";  // 3 bytes
  const Cut cases[] = {
      {"abcdef", TCodePage::cpUTF8, 4, "abcd"},
      {a + a + a, TCodePage::cpUTF8, 8, a + a},
      {a + a + a, TCodePage::cpUTF8, 9, a + a + a},
      {"a b c d e", TCodePage::cpUTF8, 3, "abc"},  // counted after filtering
      {"\x95\x5C\x95\x5C", TCodePage::cpShiftJIS, 3, "\x95\x5C"},
      {"xyz", TCodePage::cpSingleByte, 0, ""},
  };
  for (const Cut& c : cases) EXPECT_EQ(SanitizeTitle(c.title, c.codePage, c.maxBytes), c.expected) << c.title;
}

TEST(SanitizeTitle, NameTitleLeavesRoomForTheLongestNumberAndTheExtension) {
  // 255 bytes minus "9999", "-" and ".jpg".
  EXPECT_EQ(NameTitle(std::string(1023, 'x'), TCodePage::cpUTF8, ".jpg"), std::string(246, 'x'));
  EXPECT_EQ(NameTitle(std::string(246, 'x'), TCodePage::cpUTF8, ".bmp").size(), 246u);
  std::string emoji;
  for (int i = 0; i < 100; ++i) emoji += "😀";
  const std::string cut = NameTitle(emoji, TCodePage::cpUTF8, ".png");
  EXPECT_EQ(cut.size(), 244u) << "61 whole characters; a 62nd would pass 246 bytes";
  EXPECT_EQ(CandidateName("/d/", 9999, cut, ".png").size(), 3 + 253u);
  EXPECT_EQ(CandidateName("/d/", 9999, std::string(246, 'x'), ".png").size() - 3, MaxFileNameBytes);
}

TEST(SanitizeTitle, FormatExtensions) {
  EXPECT_EQ(FormatExtension(ofBMP), ".bmp");
  EXPECT_EQ(FormatExtension(ofPNG), ".png");
  EXPECT_EQ(FormatExtension(ofGIF), ".gif");
  EXPECT_EQ(FormatExtension(ofJPEG), ".jpg");
}
