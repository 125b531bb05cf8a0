#pragma once
// GIF colour tables: up to 256 entries of red, green, blue held exactly as the file
// stores them. The header owns a global table, every frame a local one.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "gfx/Bitmap.h"
#include "gfx/Graphic.h"
#include "gfx/Palette.h"
#include "gfx/Stream.h"
#include "gfx/Types.h"

namespace gif {

class TGIFHeader;
class TGIFSubImage;

enum TGIFSeverity : std::uint8_t { gsInfo, gsWarning, gsError };

// Bits of a colour table that holds count entries: 0 for none, else the smallest
// b >= 1 with 2^b >= count.
int BitsForColors(int count);

class TGIFColorMap : public gfx::TPersistent {
 public:
  static constexpr int MaxEntries = 256;

  TGIFColorMap() = default;
  ~TGIFColorMap() override = default;
  std::string_view ClassName() const override { return "TGIFColorMap"; }

  // Another colour map is copied entry for entry; anything else goes to the generic assignment.
  void Assign(gfx::TPersistent* source) override;

  // Frees the storage: no entries, nothing allocated, not sorted. No change notification.
  void Reset();
  // Grows the storage to hold at least n entries: 16, then multiples of 32, never beyond 256.
  void ReserveEntries(int n);
  // Appends the colour and returns its index; raises "Color table overflow" on a full table.
  int AppendColor(gfx::TColor color);
  // Index of an exact match, or -1: the first one when Sorted, else the last one.
  int FindColor(gfx::TColor color) const;
  int FindOrAppendColor(gfx::TColor color);
  void RemoveColor(int index);
  // The colour of an entry; a bad index warns and gives entry 0 (or raises when empty).
  gfx::TColor ColorAt(int index);

  // Loads the colour table of a device-independent bitmap (at most 256 entries).
  void LoadFromDIBSection(const gfx::TBitmap& bitmap);
  // Loads n quads of blue, green, red, reserved.
  void LoadFromQuadTable(const gfx::TRGBQuad* table, int n);
  void LoadFromPaletteHandle(const gfx::HPALETTE& palette);
  // A new palette with one no-collapse entry per colour; null when the map is empty.
  gfx::HPALETTE MakePaletteHandle() const;

  int BitsNeeded() const { return BitsForColors(entryCount_); }
  // The entries, then zero triples up to 2^BitsNeeded entries; nothing for an empty map.
  void WriteTable(gfx::TStream& stream) const;
  // Reads n entries; a short read raises "Premature end of data".
  void ReadTable(gfx::TStream& stream, int n);

  int EntryCount() const { return entryCount_; }
  int Allocated() const { return allocated_; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value) { sorted_ = value; }
  // entryCount_ triples of red, green, blue.
  std::span<const std::uint8_t> Triples() const {
    return {triples_.get(), static_cast<std::size_t>(entryCount_) * 3};
  }

  virtual void ReportWarning(TGIFSeverity severity, std::string_view message) = 0;

 protected:
  // Drops what the owner caches from these colours (palette handles, rendered pictures).
  virtual void NotifyChanged() = 0;

 private:
  std::unique_ptr<std::uint8_t[]> triples_;
  int entryCount_ = 0;
  int allocated_ = 0;
  bool sorted_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
  std::string_view ClassName() const override { return "TGIFGlobalColorMap"; }
  TGIFHeader* Header() const { return header_; }
  void ReportWarning(TGIFSeverity severity, std::string_view message) override;

 protected:
  void NotifyChanged() override;

 private:
  TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* subImage) : subImage_(subImage) {}
  std::string_view ClassName() const override { return "TGIFLocalColorMap"; }
  TGIFSubImage* SubImage() const { return subImage_; }
  void ReportWarning(TGIFSeverity severity, std::string_view message) override;

 protected:
  void NotifyChanged() override;

 private:
  TGIFSubImage* subImage_;
};

}  // namespace gif
