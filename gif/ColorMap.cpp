#include "gif/ColorMap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "gif/Messages.h"

namespace gif {

int BitsForColors(int count) {
  if (count <= 0) return 0;
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  return bits;
}

void TGIFColorMap::Assign(gfx::TPersistent* source) {
  if (auto* other = dynamic_cast<TGIFColorMap*>(source)) {
    if (other == this) return;
    std::unique_ptr<std::uint8_t[]> copy;
    if (other->allocated_ > 0) {
      copy = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(other->allocated_) * 3);  // zeroed
      std::memcpy(copy.get(), other->triples_.get(), static_cast<std::size_t>(other->entryCount_) * 3);
    }
    triples_ = std::move(copy);
    entryCount_ = other->entryCount_;
    allocated_ = other->allocated_;
    sorted_ = other->sorted_;
    NotifyChanged();
    return;
  }
  gfx::TPersistent::Assign(source);
}

void TGIFColorMap::Reset() {
  triples_.reset();
  entryCount_ = 0;
  allocated_ = 0;
  sorted_ = false;
}

void TGIFColorMap::ReserveEntries(int n) {
  if (n < allocated_) return;
  int size = n <= 16 ? 16 : (n + 31) / 32 * 32;
  size = std::min(size, MaxEntries);
  auto grown = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size) * 3);
  if (entryCount_ > 0) std::memcpy(grown.get(), triples_.get(), static_cast<std::size_t>(entryCount_) * 3);
  triples_ = std::move(grown);
  allocated_ = size;
}

int TGIFColorMap::AppendColor(gfx::TColor color) {
  if (entryCount_ >= MaxEntries) throw GIFException(std::string(Msg::ColorTableOverflow));
  if (entryCount_ == allocated_) ReserveEntries(entryCount_ + 1);
  std::uint8_t* entry = triples_.get() + static_cast<std::size_t>(entryCount_) * 3;
  entry[0] = gfx::RedOf(color);
  entry[1] = gfx::GreenOf(color);
  entry[2] = gfx::BlueOf(color);
  const int index = entryCount_++;
  sorted_ = false;
  NotifyChanged();
  return index;
}

int TGIFColorMap::FindColor(gfx::TColor color) const {
  const std::uint8_t r = gfx::RedOf(color), g = gfx::GreenOf(color), b = gfx::BlueOf(color);
  auto matches = [&](int i) {
    const std::uint8_t* e = triples_.get() + static_cast<std::size_t>(i) * 3;
    return e[0] == r && e[1] == g && e[2] == b;
  };
  // A sorted table lists the most used colours first, so the first match is the best one;
  // an unsorted table prefers the colour added last.
  if (sorted_) {
    for (int i = 0; i < entryCount_; ++i)
      if (matches(i)) return i;
  } else {
    for (int i = entryCount_ - 1; i >= 0; --i)
      if (matches(i)) return i;
  }
  return -1;
}

int TGIFColorMap::FindOrAppendColor(gfx::TColor color) {
  const int index = FindColor(color);
  return index >= 0 ? index : AppendColor(color);
}

void TGIFColorMap::RemoveColor(int index) {
  if (index < 0 || index >= entryCount_) throw GIFException(std::string(Msg::InvalidColorIndex));
  std::uint8_t* base = triples_.get();
  std::memmove(base + static_cast<std::size_t>(index) * 3, base + static_cast<std::size_t>(index + 1) * 3,
               static_cast<std::size_t>(entryCount_ - index - 1) * 3);
  --entryCount_;
  sorted_ = false;
  NotifyChanged();
}

gfx::TColor TGIFColorMap::ColorAt(int index) {
  if (index < 0 || index >= entryCount_) {
    ReportWarning(gsWarning, Msg::InvalidColorIndex);
    if (entryCount_ == 0) throw GIFException(std::string(Msg::ColorTableEmpty));
    index = 0;
  }
  const std::uint8_t* e = triples_.get() + static_cast<std::size_t>(index) * 3;
  return gfx::RGBColor(e[0], e[1], e[2]);
}

void TGIFColorMap::LoadFromDIBSection(const gfx::TBitmap& bitmap) {
  Reset();
  std::array<gfx::TRGBQuad, 256> quads{};
  const auto table = bitmap.ColorTable();
  const int n = static_cast<int>(std::min<std::size_t>(table.size(), quads.size()));
  std::copy_n(table.begin(), n, quads.begin());
  LoadFromQuadTable(quads.data(), n);
  NotifyChanged();
}

void TGIFColorMap::LoadFromQuadTable(const gfx::TRGBQuad* table, int n) {
  Reset();
  if (n <= 0) return;
  n = std::min(n, MaxEntries);
  ReserveEntries(n);
  std::uint8_t* e = triples_.get();
  for (int i = 0; i < n; ++i, e += 3) {
    e[0] = table[i].Red;
    e[1] = table[i].Green;
    e[2] = table[i].Blue;
  }
  entryCount_ = n;
  NotifyChanged();
}

void TGIFColorMap::LoadFromPaletteHandle(const gfx::HPALETTE& palette) {
  Reset();
  std::array<gfx::TPaletteEntry, 256> entries{};
  const int n = static_cast<int>(gfx::GetPaletteEntries(palette, 0, 256, entries.data()));
  if (n == 0) return;
  ReserveEntries(n);
  std::uint8_t* e = triples_.get();
  for (int i = 0; i < n; ++i, e += 3) {
    e[0] = entries[i].Red;
    e[1] = entries[i].Green;
    e[2] = entries[i].Blue;
  }
  entryCount_ = n;
  NotifyChanged();
}

gfx::HPALETTE TGIFColorMap::MakePaletteHandle() const {
  if (entryCount_ == 0) return nullptr;
  std::array<gfx::TPaletteEntry, 256> entries{};
  const std::uint8_t* e = triples_.get();
  for (int i = 0; i < entryCount_; ++i, e += 3) entries[i] = {e[0], e[1], e[2], gfx::PC_NOCOLLAPSE};
  return gfx::CreatePalette(std::span(entries.data(), static_cast<std::size_t>(entryCount_)), gfx::PaletteVersion);
}

void TGIFColorMap::WriteTable(gfx::TStream& stream) const {
  if (entryCount_ == 0) return;
  stream.WriteBuffer(triples_.get(), static_cast<std::size_t>(entryCount_) * 3);
  // The file's table always holds a power of two of entries.
  static constexpr std::uint8_t zeroTriple[3] = {0, 0, 0};
  for (int i = entryCount_; i < (1 << BitsNeeded()); ++i) stream.WriteBuffer(zeroTriple, sizeof zeroTriple);
}

void TGIFColorMap::ReadTable(gfx::TStream& stream, int n) {
  // A GIF colour table never holds more than 256 entries; refuse rather than overrun the storage.
  if (n > MaxEntries) throw GIFException(std::string(Msg::ColorTableOverflow));
  n = std::max(n, 0);
  Reset();
  ReserveEntries(n);
  const std::size_t bytes = static_cast<std::size_t>(n) * 3;
  if (bytes != 0 && stream.Read(triples_.get(), bytes) != bytes) {
    Reset();
    throw GIFException(std::string(Msg::PrematureEnd));
  }
  entryCount_ = n;
}

void TGIFGlobalColorMap::ReportWarning(TGIFSeverity severity, std::string_view message) {
  if (header_ != nullptr) header_->ReportWarning(severity, message);
}

void TGIFGlobalColorMap::NotifyChanged() {
  if (header_ != nullptr && header_->Image() != nullptr) header_->Image()->GlobalColorsChanged();
}

void TGIFLocalColorMap::ReportWarning(TGIFSeverity severity, std::string_view message) {
  if (subImage_ != nullptr) subImage_->ReportWarning(severity, message);
}

void TGIFLocalColorMap::NotifyChanged() {
  if (subImage_ != nullptr) subImage_->LocalColorsChanged();
}

}  // namespace gif
