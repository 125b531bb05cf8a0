#pragma once
// TGIFImage: a GIF file in memory, and the graphic through which a bitmap is saved as GIF.
// Assigning a bitmap makes one frame of it (reduced to at most 256 colours); saving writes
// the header, every frame and the trailer.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "colorreduce/ReductionTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Graphic.h"
#include "gif/ColorMap.h"
#include "gif/GIFItem.h"
#include "gif/LZWEncoder.h"
#include "gif/SubImage.h"

namespace gif {

// The 7-byte Logical Screen Descriptor, field by field.
struct TGIFScreenDescriptor {
  static constexpr std::size_t Size = 7;
  // Packed fields.
  static constexpr std::uint8_t GlobalColorTableFlag = 0x80;
  static constexpr std::uint8_t ColorResolutionMask = 0x70;
  static constexpr std::uint8_t SortFlag = 0x08;
  static constexpr std::uint8_t ColorTableSizeMask = 0x07;

  std::uint16_t ScreenWidth = 0;
  std::uint16_t ScreenHeight = 0;
  std::uint8_t PackedFields = 0;
  std::uint8_t BackgroundColorIndex = 0;
  std::uint8_t AspectRatio = 0;

  void Encode(std::uint8_t* out) const;
};

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image);
  std::string_view ClassName() const override { return "TGIFHeader"; }
  void Assign(gfx::TPersistent* source) override;

  TGIFGlobalColorMap& GlobalColors() { return *globalColors_; }
  const TGIFGlobalColorMap& GlobalColors() const { return *globalColors_; }
  // Recomputes the packed byte from the colour tables of the whole image.
  void PrepareScreenDescriptor();
  // Signature and version, the logical screen descriptor and the global colour table.
  // Raises "Unsupported GIF version" (before writing anything) for an image without frames.
  void SaveToStream(gfx::TStream& stream) override;

  TGIFScreenDescriptor ScreenDescriptor;

 private:
  std::unique_ptr<TGIFGlobalColorMap> globalColors_;
};

class TGIFTrailer : public TGIFItem {
 public:
  static constexpr std::uint8_t TrailerByte = 0x3B;
  using TGIFItem::TGIFItem;
  std::string_view ClassName() const override { return "TGIFTrailer"; }
  void SaveToStream(gfx::TStream& stream) override;
};

using TGIFWarningHandler = std::function<void(TGIFSeverity severity, const std::string& message)>;

// The settings every new image starts with.
struct TGIFImageDefaults {
  static constexpr colorreduce::TReductionMethod ReductionMethod = colorreduce::rdNetscape;
  static constexpr int PaletteBits = 8;
  static constexpr colorreduce::TDitherKind DitherKind = colorreduce::dkNearest;
  static constexpr TGIFEncoding Encoding = enLZW;
  static constexpr std::uint16_t DrawOptions = 0x060F;
  static constexpr std::uint8_t ThreadPriority = 3;
  static constexpr int AnimationSpeed = 100;
  static constexpr int ForceFrame = -1;
  static constexpr gfx::TColor DrawBackgroundColor = gfx::clNone;
};

class TGIFImage : public gfx::TGraphic {
 public:
  TGIFImage();
  ~TGIFImage() override;
  std::string_view ClassName() const override { return "TGIFImage"; }

  // Another TGIFImage is copied; null empties the image; any other graphic (a TBitmap)
  // becomes the one frame of the image.
  void Assign(gfx::TPersistent* source) override;
  // Back to the empty state: no frames, no global colours, a 0 x 0 logical screen.
  void Reset();
  // Appends a frame and returns its index: a graphic is wrapped into a new frame, a frame
  // is copied; anything else raises "Object type not supported for operation".
  int AddFrame(gfx::TPersistent* item);
  // Appends a frame this image owns from now on.
  int AddFrame(std::unique_ptr<TGIFSubImage> frame);

  bool Empty() const override { return frames_.Count() == 0; }
  // The logical screen size. Setting it below a frame's extent raises.
  int Width() const override { return header_->ScreenDescriptor.ScreenWidth; }
  int Height() const override { return header_->ScreenDescriptor.ScreenHeight; }
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // The global colours as a palette (null without a global colour table).
  gfx::HPALETTE Palette() const override;

  // The whole file: header, frames in order, trailer.
  void SaveToStream(gfx::TStream& stream) override;

  TGIFImageList& Frames() { return frames_; }
  const TGIFImageList& Frames() const { return frames_; }
  TGIFHeader& Header() { return *header_; }
  const TGIFHeader& Header() const { return *header_; }
  TGIFGlobalColorMap& GlobalColors() { return header_->GlobalColors(); }

  // The largest version any frame needs (87a = 1, 89a = 2); 0 without frames.
  TGIFVersion RequiredVersion() const;
  int ImageColorResolution() const;
  int ImageBitsPerPixel() const;

  // Passes a warning to WarningHandler when one is set.
  virtual void ReportWarning(gfx::TPersistent* sender, TGIFSeverity severity, std::string_view message);
  void ReportProgress(gfx::TProgressStage stage, int percent, std::string_view message);
  // The change notification, for the parts of the image.
  void NotifyChanged() { Changed(); }
  // Called by the global colour map when its entries change.
  void GlobalColorsChanged();
  // Drops the picture rendered from the frames.
  void DropComposite() { compositeBitmap_.reset(); }

  colorreduce::TReductionMethod ReductionMethod = TGIFImageDefaults::ReductionMethod;
  int PaletteBits = TGIFImageDefaults::PaletteBits;
  colorreduce::TDitherKind DitherKind = TGIFImageDefaults::DitherKind;
  TGIFEncoding Encoding = TGIFImageDefaults::Encoding;
  TGIFWarningHandler WarningHandler;
  // Settings of painting and animation, which this program does not do; kept with the image.
  std::uint16_t DrawOptions = TGIFImageDefaults::DrawOptions;
  std::uint8_t ThreadPriority = TGIFImageDefaults::ThreadPriority;
  int AnimationSpeed = TGIFImageDefaults::AnimationSpeed;
  int ForceFrame = TGIFImageDefaults::ForceFrame;
  gfx::TColor DrawBackgroundColor = TGIFImageDefaults::DrawBackgroundColor;

 private:
  void CopyImage(TGIFImage& source);

  TGIFImageList frames_;
  std::unique_ptr<TGIFHeader> header_;
  mutable gfx::HPALETTE globalPalette_;
  std::unique_ptr<gfx::TBitmap> compositeBitmap_;
};

}  // namespace gif
