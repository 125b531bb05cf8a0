#pragma once
// TPNGGraphic: the PNG image object. Holds a picture (and an optional alpha mask) with the
// PNG settings, and writes itself as a PNG stream through TPNGWriteStream.
#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Graphic.h"
#include "gfx/Stream.h"
#include "png/PNGChunks.h"
#include "png/PNGWriteStream.h"

namespace png {

class TPNGGraphic : public gfx::TGraphic {
 public:
  TPNGGraphic();
  ~TPNGGraphic() override;
  std::string_view ClassName() const override { return "TPNGGraphic"; }

  std::int32_t IDATSize = 32768;  // 256..100000, checked when saving
  std::int32_t CompressionLevel = -1;
  std::uint8_t FilterMode = 1;
  bool Interlaced = false;
  bool Grayscale = false;
  bool HasAlpha = false;
  std::int32_t BackgroundColor = NoColour;
  std::int32_t TransparentColor = NoColour;
  std::string Comment;
  double Gamma = 0.45455;
  std::string RowKey;
  std::uint32_t SignificantBits = 0;
  std::uint8_t PhysUnit = 0;
  std::int32_t PhysX = 0;
  std::int32_t PhysY = 0;
  bool UseCurrentTime = true;
  TPNGTime ImageTime;  // the UTC clock at creation
  TPNGChromaticities Chromaticities{};
  TPNGGIFControl GIFControl{};
  TPNGWriteRowEvent OnWriteRow;

  gfx::TBitmap& Picture() { return *picture_; }
  const gfx::TBitmap& Picture() const { return *picture_; }
  // Per-pixel transparency, one byte per pixel (pf8bit); used only when HasAlpha.
  gfx::TBitmap& AlphaMask() { return *alphaMask_; }
  const gfx::TBitmap& AlphaMask() const { return *alphaMask_; }

  bool Empty() const override { return picture_->Empty(); }
  int Width() const override { return picture_->Width(); }
  int Height() const override { return picture_->Height(); }
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  gfx::HPALETTE Palette() const override { return picture_->Palette(); }
  void SetPalette(gfx::HPALETTE value) override;
  void SetTransparent(bool value) override;

  // From a TPNGGraphic: picture, mask and the settings (not HasAlpha, GIFControl, RowKey,
  // OnWriteRow). From any other graphic: the picture alone.
  void Assign(gfx::TPersistent* source) override;
  // The whole PNG stream at the stream's position, with every setting of this object.
  void SaveToStream(gfx::TStream& stream) override;
  // The form-streaming variant: nothing for an empty picture; the writer's own defaults for
  // IDAT size, level, filter and interlacing, the time of saving, no row hook, no progress.
  void WriteData(gfx::TStream& stream);

 protected:
  void AssignTo(gfx::TPersistent* dest) override;

 private:
  void SynchroniseWithPicture();
  void HandSettingsTo(TPNGWriteStream& writer) const;

  bool inTransparentSync_ = false;
  std::unique_ptr<gfx::TBitmap> picture_;
  std::unique_ptr<gfx::TBitmap> alphaMask_;
};

}  // namespace png
