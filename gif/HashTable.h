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
  int FindCode(std::uint32_t key, std::uint32_t& slot) {
    const std::uint32_t prefix = key >> 8;
    const std::uint32_t follower = (key & 0xFF) + 1;  // 0 marks an unused entry
    std::uint32_t* recent = &recent_[2 * prefix];
    const std::uint32_t first = recent[0];
    if ((first >> 12) == follower) return static_cast<int>(first & 0xFFF);
    const std::uint32_t second = recent[1];
    if ((second >> 12) == follower) {  // the more recent one goes first
      recent[0] = second;
      recent[1] = first;
      return static_cast<int>(second & 0xFFF);
    }
    slot = FirstSlot(key);
    for (;;) {
      const std::uint32_t entry = slots_[slot];
      if (entry == EmptySlot) return -1;
      if ((entry >> 12) == key) {
        recent[1] = first;
        recent[0] = (follower << 12) | (entry & 0xFFF);
        return static_cast<int>(entry & 0xFFF);
      }
      slot = (slot + 1) & (SlotCount - 1);
    }
  }
  void StoreAt(std::uint32_t slot, std::uint32_t key, int code) {
    const auto code12 = static_cast<std::uint32_t>(code) & 0xFFF;
    slots_[slot] = (key << 12) | code12;
    std::uint32_t* recent = &recent_[2 * (key >> 8)];
    recent[1] = recent[0];
    recent[0] = (((key & 0xFF) + 1) << 12) | code12;
  }
  // Forgets every string.
  void Wipe() {
    slots_.fill(EmptySlot);
    recent_.fill(0);
  }

 private:
  // Keys are below 2^20: the multiplicative hash spreads neighbouring pixels and prefixes.
  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * 0x9E3779B1u) >> (32 - SlotBits); }

  std::array<std::uint32_t, SlotCount> slots_;
  std::array<std::uint32_t, 2 * CodeCount> recent_;  // two entries per prefix code
};

}  // namespace gif
