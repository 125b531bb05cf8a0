// A bitmap becomes a frame: at most 256 colours in the local colour table and one index
// byte per pixel. Bitmaps of 1, 4 and 8 bits per pixel keep their colour tables; deeper
// ones are reduced first.
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "colorreduce/DIB.h"
#include "colorreduce/ReduceBitmapColors.h"
#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "gif/Messages.h"
#include "gif/SubImage.h"

namespace gif {

void TGIFSubImage::Assign(gfx::TPersistent* source) {
  if (source == this) return;
  if (auto* bitmap = dynamic_cast<gfx::TBitmap*>(source)) {
    AssignBitmap(*bitmap);
    return;
  }
  if (auto* frame = dynamic_cast<TGIFSubImage*>(source)) {
    AssignSubImage(*frame);
    return;
  }
  if (auto* graphic = dynamic_cast<gfx::TGraphic*>(source)) {
    // Any other graphic goes through a bitmap; one that cannot become a bitmap raises the
    // conversion error.
    gfx::TBitmap bitmap;
    bitmap.Assign(graphic);
    AssignBitmap(bitmap);
    return;
  }
  TGIFItem::Assign(source);
}

void TGIFSubImage::AssignSubImage(const TGIFSubImage& source) {
  Clear();
  SetFrameBounds(source.Left(), source.Top(), source.Width(), source.Height());
  localColors_->Assign(source.localColors_.get());
  if (pixelData_.Data() != nullptr && source.pixelData_.Data() != nullptr)
    std::memcpy(WritablePixels(), source.pixelData_.Data(), pixelDataSize_);
  Descriptor.PackedFields = source.Descriptor.PackedFields;
  hasTransparency_ = source.hasTransparency_;
}

void TGIFSubImage::AssignBitmap(gfx::TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  // Sizes beyond what the file can hold are refused here, before any work is done.
  SetWidth(source.Width());
  SetHeight(source.Height());

  gfx::TPixelFormat format = source.PixelFormat();
  if (gfx::IsIndexed(format)) {
    cachedBitmap_ = std::make_unique<gfx::TBitmap>();
    cachedBitmap_->Assign(&source);  // shares the pixels; they are only read
  } else {
    TGIFImage* image = Image();
    cachedBitmap_ = colorreduce::ReduceBitmapColors(
        source, image ? image->ReductionMethod : TGIFImageDefaults::ReductionMethod,
        image ? image->DitherKind : TGIFImageDefaults::DitherKind,
        image ? image->PaletteBits : TGIFImageDefaults::PaletteBits, nullptr);
    format = cachedBitmap_->PixelFormat();
    // A reduction that gave no picture (an unknown method or dither kind, a palette
    // without colours) leaves nothing to import.
    if (cachedBitmap_->Width() != Width() || cachedBitmap_->Height() != Height())
      throw GIFException(std::string(Msg::ImageEmpty));
  }

  AllocPixelStore();
  TGIFImage* image = Image();
  if (image) image->ReportProgress(gfx::psStarting, 0, Msg::Converting);
  try {
    ImportRows(format);
  } catch (...) {
    if (image) image->ReportProgress(gfx::psEnding, 0, Msg::Converting);
    throw;
  }
  if (image) image->ReportProgress(gfx::psEnding, 100, Msg::Converting);
}

void TGIFSubImage::ImportRows(gfx::TPixelFormat format) {
  WritablePixels();  // every routine below fills the whole store
  switch (format) {
    case gfx::pf1bit: ExpandOneBitRows(); break;
    case gfx::pf4bit: ExpandFourBitRows(); break;
    case gfx::pf8bit: CopyIndexedRows(); break;
    default: IndexTrueColorRows(); break;  // every other format is read as 24 bits
  }
}

void TGIFSubImage::ReportRowProgress(int y) {
  if (y % 32 == 0 && Image() != nullptr)
    Image()->ReportProgress(gfx::psRunning, RoundedPercent(y, Height()), Msg::Converting);
}

void TGIFSubImage::ExpandOneBitRows() {
  localColors_->LoadFromPaletteHandle(cachedBitmap_->Palette());
  const colorreduce::TDIBReader reader(*cachedBitmap_, gfx::pf1bit);
  const int width = Width();
  for (int y = 0; y < Height(); ++y) {
    ReportRowProgress(y);
    const std::uint8_t* src = reader.RowPointer(y);
    std::uint8_t* dst = pixelData_.Data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void TGIFSubImage::ExpandFourBitRows() {
  localColors_->LoadFromPaletteHandle(cachedBitmap_->Palette());
  const colorreduce::TDIBReader reader(*cachedBitmap_, gfx::pf4bit);
  const int width = Width();
  for (int y = 0; y < Height(); ++y) {
    ReportRowProgress(y);
    const std::uint8_t* src = reader.RowPointer(y);
    std::uint8_t* dst = pixelData_.Data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
  }
}

void TGIFSubImage::CopyIndexedRows() {
  if (cachedBitmap_->HandleType() == gfx::TBitmapHandleType::bmDIB)
    localColors_->LoadFromDIBSection(*cachedBitmap_);
  else
    localColors_->LoadFromPaletteHandle(cachedBitmap_->Palette());
  const colorreduce::TDIBReader reader(*cachedBitmap_, gfx::pf8bit);
  const int width = Width();
  for (int y = 0; y < Height(); ++y) {
    ReportRowProgress(y);
    std::memcpy(pixelData_.Data() + static_cast<std::size_t>(y) * width, reader.RowPointer(y),
                static_cast<std::size_t>(width));
  }
}

void TGIFSubImage::IndexTrueColorRows() {
  localColors_->Reset();
  // The colours seen last, searched before the colour table: a picture of at most 256
  // colours mostly repeats the few it has just used.
  struct CacheEntry {
    gfx::TColor color = 0;
    int index = -1;  // -1: unused
  };
  std::array<CacheEntry, 8> cache{};
  int mostRecent = 7;  // the first colour goes to entry 0

  const colorreduce::TDIBReader reader(*cachedBitmap_, gfx::pf24bit);
  const int width = Width();
  for (int y = 0; y < Height(); ++y) {
    ReportRowProgress(y);
    const std::uint8_t* src = reader.RowPointer(y);
    std::uint8_t* dst = pixelData_.Data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x, src += 3) {
      const gfx::TColor color = gfx::RGBColor(src[2], src[1], src[0]);
      int index = -1;
      for (int n = 0, e = mostRecent; n < 8 && cache[e].index >= 0; ++n, e = (e + 7) & 7) {
        if (cache[e].color == color) {
          index = cache[e].index;
          mostRecent = e;
          break;
        }
      }
      if (index < 0) {
        index = localColors_->FindOrAppendColor(color);
        mostRecent = (mostRecent + 1) & 7;
        cache[mostRecent] = {color, index};
      }
      dst[x] = static_cast<std::uint8_t>(index);
    }
  }
}

}  // namespace gif
