#pragma once
// TBitmap: a picture stored as a device-independent bitmap (rows bottom-up, each padded
// to 4 bytes), in one of the pixel formats, with a colour table for 1-, 4- and 8-bit.
// Assign shares the pixels; the first write through ScanLine or a format change copies them.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gfx/Graphic.h"
#include "gfx/PixelBuffer.h"
#include "gfx/PixelFormat.h"
#include "gfx/Types.h"

namespace gfx {

enum class TBitmapHandleType { bmDIB, bmDDB };

// The largest pixel block a bitmap may hold: what a BMP file's 32-bit size fields can describe.
constexpr std::int64_t MaxPixelBytes = 0xFFFFFFFFll - 14 - 124 - 1024;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  std::string_view ClassName() const override { return "TBitmap"; }

  int Width() const override { return image_->width; }
  int Height() const override { return image_->height; }
  void SetWidth(int value) override { SetSize(value, image_->height); }
  void SetHeight(int value) override { SetSize(image_->width, value); }
  // Keeps the overlapping top-left part; new pixels are zero.
  void SetSize(int width, int height);
  bool Empty() const override { return image_->width == 0 || image_->height == 0; }

  TPixelFormat PixelFormat() const { return image_->format; }
  // Converts the pixels in place; pfCustom is refused.
  void SetPixelFormat(TPixelFormat format);
  TBitmapHandleType HandleType() const {
    return image_->format == pfDevice ? TBitmapHandleType::bmDDB : TBitmapHandleType::bmDIB;
  }

  // Row y counted from the top. Raises EInvalidGraphicOperation when y is out of range.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;
  // Bytes per stored row (a multiple of 4).
  std::int64_t Stride() const { return image_->stride; }
  // The stored rows, bottom row first, Stride() * Height() bytes (null when empty).
  const std::uint8_t* Bits() const { return image_->pixels.Data(); }
  std::uint8_t* Bits();
  std::size_t ImageSize() const { return static_cast<std::size_t>(image_->stride) * image_->height; }

  // Colour table of the indexed formats (empty for the others).
  std::span<const TRGBQuad> ColorTable() const { return image_->colorTable; }
  void SetColorTable(std::span<const TRGBQuad> table);
  HPALETTE Palette() const override;
  void SetPalette(HPALETTE palette) override;

  // A TBitmap source shares its pixels; null empties this bitmap.
  void Assign(TPersistent* source) override;
  bool SharesPixelsWith(const TBitmap& other) const { return image_ == other.image_; }

  // BMP file form; an empty bitmap writes nothing.
  void SaveToStream(TStream& stream) override;
  // Reads an uncompressed BMP (1, 4, 8, 16, 24, 32 bits); refuses malformed data.
  void LoadFromStream(TStream& stream) override;

  // Default colour table of an indexed format.
  static std::vector<TRGBQuad> DefaultColorTable(TPixelFormat format);

  struct Image {
    int width = 0;
    int height = 0;
    TPixelFormat format = pfDevice;
    std::int64_t stride = 0;
    PixelBuffer pixels;
    std::vector<TRGBQuad> colorTable;
  };

  // Replaces the contents with a ready image (used by loaders).
  void AdoptImage(std::unique_ptr<Image> image);
  // A zero-filled image of the given size and format; validates the size.
  static std::unique_ptr<Image> NewImage(int width, int height, TPixelFormat format);

 private:
  void Unshare();
  std::shared_ptr<Image> image_;
};

}  // namespace gfx
