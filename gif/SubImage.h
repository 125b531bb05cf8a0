#pragma once
// One frame of a GIF image: its place on the logical screen, its local colour table,
// the extension blocks in front of it and its pixels, one colour index per byte.
#include <cstdint>
#include <memory>
#include <string_view>

#include "gfx/Bitmap.h"
#include "gfx/PixelBuffer.h"
#include "gif/ColorMap.h"
#include "gif/Extensions.h"
#include "gif/GIFItem.h"

namespace gif {

// The 10-byte Image Descriptor, field by field.
struct TGIFImageDescriptor {
  static constexpr std::uint8_t ImageSeparator = 0x2C;
  static constexpr std::size_t Size = 10;
  // Packed fields.
  static constexpr std::uint8_t LocalColorTableFlag = 0x80;
  static constexpr std::uint8_t InterlaceFlag = 0x40;
  static constexpr std::uint8_t SortFlag = 0x20;
  static constexpr std::uint8_t ColorTableSizeMask = 0x07;

  std::uint8_t Separator = ImageSeparator;
  std::uint16_t Left = 0;
  std::uint16_t Top = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t PackedFields = 0;

  // The record in its file layout, little-endian.
  void Encode(std::uint8_t* out) const;
};

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;
  std::string_view ClassName() const override { return "TGIFSubImage"; }

  // A TBitmap source becomes this frame's pixels and colours: reduced to at most 256
  // colours when it has more than 8 bits per pixel. A TGIFSubImage source is copied.
  void Assign(gfx::TPersistent* source) override;
  // Back to an empty frame at its position: no colours, pixels, extensions or cached pictures.
  void Clear();

  int Left() const { return Descriptor.Left; }
  int Top() const { return Descriptor.Top; }
  int Width() const { return Descriptor.Width; }
  int Height() const { return Descriptor.Height; }
  // Places the frame; grows the image's logical screen to contain it (with warnings when
  // an already sized screen was too small). Values must lie in 0..65535 (left + width and
  // top + height too): a GIF file stores them in 16 bits.
  void SetFrameBounds(int left, int top, int width, int height);
  void SetLeft(int value) { SetFrameBounds(value, Top(), Width(), Height()); }
  void SetTop(int value) { SetFrameBounds(Left(), value, Width(), Height()); }
  void SetWidth(int value) { SetFrameBounds(Left(), Top(), value, Height()); }
  void SetHeight(int value) { SetFrameBounds(Left(), Top(), Width(), value); }
  bool Interlaced() const { return (Descriptor.PackedFields & TGIFImageDescriptor::InterlaceFlag) != 0; }
  void SetInterlaced(bool value);

  // A zero-filled store of width x height bytes (none when a dimension is 0).
  void AllocPixelStore();
  void FreePixelStore();
  bool IsEmpty() const;
  const std::uint8_t* PixelData() const { return pixelData_.Data(); }
  std::uint32_t PixelDataSize() const { return pixelDataSize_; }
  // Row y of the pixel store, from the top. Raises "Image is empty" when no store can be
  // made and "Invalid pixel coordinates" for a row outside the frame.
  std::uint8_t* RowAddress(int y);
  std::uint8_t Pixels(int x, int y);
  void SetPixels(int x, int y, std::uint8_t index);

  TGIFLocalColorMap& LocalColors() { return *localColors_; }
  const TGIFLocalColorMap& LocalColors() const { return *localColors_; }
  // The colours the indices refer to: the local table when it has entries, else the
  // global one when it has entries, else the (empty) local one.
  const TGIFColorMap& ActiveColorMap() const;
  TGIFExtensionList& ExtensionBlocks() { return extensionBlocks_; }
  // Appends an extension block; the first graphic control extension becomes ControlExtension.
  int AddExtension(std::unique_ptr<TGIFExtension> extension);
  TGIFGraphicControlExtension* ControlExtension() const { return controlExtension_; }
  bool HasTransparency() const { return hasTransparency_; }
  // The picture the pixels were imported from (after a reduction, the reduced bitmap).
  const gfx::TBitmap* CachedBitmap() const { return cachedBitmap_.get(); }
  // A palette of the active colours, made on first use and kept until they change.
  gfx::HPALETTE Palette();

  // 89a when the local table is sorted or the frame has extension blocks, else 87a.
  TGIFVersion RequiredVersion() const override;
  // Recomputes the descriptor's packed byte from the local colour table.
  void PrepareDescriptor();
  // The table-based image data: minimum code size, code sub-blocks, terminator.
  void EncodePixels(gfx::TStream& stream);
  // Extension blocks, then (for a frame with pixels) descriptor, local table and image data.
  void SaveToStream(gfx::TStream& stream) override;

  // Called by the local colour map when its entries change.
  void LocalColorsChanged();

  TGIFImageDescriptor Descriptor;

 private:
  void AssignBitmap(gfx::TBitmap& source);
  void AssignSubImage(const TGIFSubImage& source);
  void ImportRows(gfx::TPixelFormat format);
  void ExpandOneBitRows();
  void ExpandFourBitRows();
  void CopyIndexedRows();
  void IndexTrueColorRows();
  // Progress of the import, once every 32 rows.
  void ReportRowProgress(int y);
  // The store, for writing: from now on it may hold more than zeros.
  std::uint8_t* WritablePixels();

  std::unique_ptr<gfx::TBitmap> cachedBitmap_;
  gfx::HPALETTE palette_;
  gfx::PixelBuffer pixelData_;
  std::uint32_t pixelDataSize_ = 0;
  bool storeUntouched_ = false;  // the store is as AllocPixelStore made it: all zero
  std::unique_ptr<TGIFLocalColorMap> localColors_;
  TGIFExtensionList extensionBlocks_;
  bool hasTransparency_ = false;
  TGIFGraphicControlExtension* controlExtension_ = nullptr;  // owned by extensionBlocks_
};

// The frames of an image, in file order.
class TGIFImageList : public TGIFList {
 public:
  using TGIFList::TGIFList;
  std::string_view ClassName() const override { return "TGIFImageList"; }
  TGIFSubImage* SubImages(int index) const { return static_cast<TGIFSubImage*>(Items(index)); }
  int Add(std::unique_ptr<TGIFSubImage> frame) { return AddItem(std::move(frame)); }
};

}  // namespace gif
