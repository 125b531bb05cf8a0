#pragma once
// The LZW dictionary: maps a string key (prefix code x 256 + pixel) to its code.
// Open addressing over a power-of-two block that stays in the processor's fast caches:
// at most 3837 strings live between two clear codes, so the block is never more than
// a quarter full and a lookup almost always touches one slot.
#include <array>
#include <cstdint>

namespace gif {

class THashTable {
 public:
  static constexpr int SlotBits = 14;
  static constexpr std::uint32_t SlotCount = 1u << SlotBits;
  static constexpr std::uint32_t EmptySlot = 0xFFFFFFFF;

  THashTable() { Wipe(); }

  // The code stored for key, or -1.
  int FindCode(std::uint32_t key) const {
    std::uint32_t slot = FirstSlot(key);
    for (;;) {
      const std::uint32_t entry = slots_[slot];
      if (entry == EmptySlot) return -1;
      if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
      slot = (slot + 1) & (SlotCount - 1);
    }
  }
  // Stores a key that FindCode did not find.
  void StoreCode(std::uint32_t key, int code) {
    std::uint32_t slot = FirstSlot(key);
    while (slots_[slot] != EmptySlot) slot = (slot + 1) & (SlotCount - 1);
    slots_[slot] = (key << 12) | (static_cast<std::uint32_t>(code) & 0xFFF);
  }
  // Finds key; on a miss returns -1 and leaves in slot the place where StoreAt puts it,
  // so the encoder's look-up and store cost one probe sequence together.
  int FindCode(std::uint32_t key, std::uint32_t& slot) const {
    slot = FirstSlot(key);
    for (;;) {
      const std::uint32_t entry = slots_[slot];
      if (entry == EmptySlot) return -1;
      if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
      slot = (slot + 1) & (SlotCount - 1);
    }
  }
  void StoreAt(std::uint32_t slot, std::uint32_t key, int code) {
    slots_[slot] = (key << 12) | (static_cast<std::uint32_t>(code) & 0xFFF);
  }
  // Forgets every string.
  void Wipe() { slots_.fill(EmptySlot); }

 private:
  // Keys are below 2^20: the multiplicative hash spreads neighbouring pixels and prefixes.
  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * 0x9E3779B1u) >> (32 - SlotBits); }

  std::array<std::uint32_t, SlotCount> slots_;
};

}  // namespace gif
