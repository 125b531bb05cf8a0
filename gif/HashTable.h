#pragma once
// The LZW dictionary: maps a string key (prefix code x 256 + pixel) to its code.
//
// Two levels, both exact (a string is found only if it was stored since the last Wipe):
//  - per prefix code, the two pixels that last followed it and the codes of those strings.
//    Screen pictures repeat the same continuations over and over (runs, text, gradients), so
//    most look-ups end here, in 32 KiB that stay in the processor's first-level cache;
//  - an open-addressing table over a power-of-two block holding every string: at most 3837
//    strings live between two clear codes, so it is never more than a quarter full and a
//    look-up that gets this far almost always touches one slot.
#include <array>
#include <cstdint>
#include <utility>

namespace gif {

class THashTable {
 public:
  static constexpr int SlotBits = 14;
  static constexpr std::uint32_t SlotCount = 1u << SlotBits;
  static constexpr std::uint32_t EmptySlot = 0xFFFFFFFF;
  static constexpr int CodeCount = 4096;

  THashTable() { Wipe(); }

  // The code stored for key, or -1.
  int FindCode(std::uint32_t key) {
    std::uint32_t slot;
    return FindCode(key, slot);
  }
  // Stores a key that FindCode did not find.
  void StoreCode(std::uint32_t key, int code) {
    std::uint32_t slot = FirstSlot(key);
    while (slots_[slot] != EmptySlot) slot = (slot + 1) & (SlotCount - 1);
    StoreAt(slot, key, code);
  }
  // Finds key; on a miss returns -1 and leaves in slot the place where StoreAt puts it,
  // so the encoder's look-up and store cost one probe sequence together.
  int FindCode(std::uint32_t key, std::uint32_t& slot) { return FindCode(key >> 8, key & 0xFF, slot); }
  // The same for the string prefix code + pixel. The first place looked at is addressed by the
  // prefix alone, so a look-up can start as soon as the previous one has given its code.
  int FindCode(std::uint32_t prefix, std::uint32_t pixel, std::uint32_t& slot) {
    const auto follower = static_cast<std::uint16_t>(pixel + 1);  // 0 marks an unused entry
    RecentPair& recent = recent_[prefix];
    if (recent.follower[0] == follower) return recent.code[0];
    if (recent.follower[1] == follower) {  // the more recent one goes first
      std::swap(recent.follower[0], recent.follower[1]);
      std::swap(recent.code[0], recent.code[1]);
      return recent.code[0];
    }
    const std::uint32_t key = (prefix << 8) | pixel;
    slot = FirstSlot(key);
    for (;;) {
      const std::uint32_t entry = slots_[slot];
      if (entry == EmptySlot) return -1;
      if ((entry >> 12) == key) {
        Remember(recent, follower, static_cast<std::uint16_t>(entry & 0xFFF));
        return static_cast<int>(entry & 0xFFF);
      }
      slot = (slot + 1) & (SlotCount - 1);
    }
  }
  void StoreAt(std::uint32_t slot, std::uint32_t key, int code) {
    const auto code12 = static_cast<std::uint32_t>(code) & 0xFFF;
    slots_[slot] = (key << 12) | code12;
    Remember(recent_[key >> 8], static_cast<std::uint16_t>((key & 0xFF) + 1), static_cast<std::uint16_t>(code12));
  }
  // Forgets every string.
  void Wipe() {
    slots_.fill(EmptySlot);
    recent_.fill(RecentPair{});
  }

 private:
  // Keys are below 2^20: the multiplicative hash spreads neighbouring pixels and prefixes.
  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * 0x9E3779B1u) >> (32 - SlotBits); }

  std::array<std::uint32_t, SlotCount> slots_;
  // The two continuations of one prefix code seen last: pixel + 1 (0 when unused) and code.
  struct RecentPair {
    std::uint16_t follower[2] = {0, 0};
    std::uint16_t code[2] = {0, 0};
  };
  static void Remember(RecentPair& recent, std::uint16_t follower, std::uint16_t code) {
    recent.follower[1] = recent.follower[0];
    recent.code[1] = recent.code[0];
    recent.follower[0] = follower;
    recent.code[0] = code;
  }

  std::array<RecentPair, CodeCount> recent_;
};

}  // namespace gif
