#include "gif/GIFImage.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gif/GIFException.h"
#include "gif/Messages.h"

namespace gif {

namespace {
constexpr int MaxDimension = 0xFFFF;  // GIF stores sizes and positions in 16 bits
}  // namespace

// ---- TGIFScreenDescriptor ----

void TGIFScreenDescriptor::Encode(std::uint8_t* out) const {
  gfx::PutU16LE(out + 0, ScreenWidth);   // Logical Screen Width
  gfx::PutU16LE(out + 2, ScreenHeight);  // Logical Screen Height
  out[4] = PackedFields;                 // Global Color Table Flag, Color Resolution, Sort Flag, Size
  out[5] = BackgroundColorIndex;
  out[6] = AspectRatio;                  // Pixel Aspect Ratio
}

// ---- TGIFHeader ----

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), globalColors_(std::make_unique<TGIFGlobalColorMap>(this)) {}

void TGIFHeader::Assign(gfx::TPersistent* source) {
  if (auto* other = dynamic_cast<TGIFHeader*>(source)) {
    if (other == this) return;
    ScreenDescriptor = other->ScreenDescriptor;
    globalColors_->Assign(other->globalColors_.get());
    return;
  }
  TGIFItem::Assign(source);
}

void TGIFHeader::PrepareScreenDescriptor() {
  int packed = 0;
  if (globalColors_->EntryCount() > 0) {
    packed = TGIFScreenDescriptor::GlobalColorTableFlag;
    if (globalColors_->Sorted()) packed |= TGIFScreenDescriptor::SortFlag;
  }
  // Only the masked bits count: an image without colours gives resolution -1 and size -1.
  const int resolution = Image() != nullptr ? Image()->ImageColorResolution() : globalColors_->BitsNeeded() - 1;
  const int bitsPerPixel = Image() != nullptr ? Image()->ImageBitsPerPixel() : globalColors_->BitsNeeded();
  packed |= (resolution * 16) & TGIFScreenDescriptor::ColorResolutionMask;
  packed |= (bitsPerPixel - 1) & TGIFScreenDescriptor::ColorTableSizeMask;
  ScreenDescriptor.PackedFields = static_cast<std::uint8_t>(packed);
}

void TGIFHeader::SaveToStream(gfx::TStream& stream) {
  const TGIFVersion version = Image() != nullptr ? Image()->RequiredVersion() : gvUnknown;
  if (version == gvUnknown) throw GIFException(std::string(Msg::UnsupportedVersion));
  PrepareScreenDescriptor();

  std::uint8_t signature[6] = {'G', 'I', 'F', 0, 0, 0};
  const std::string_view text = GIFVersionText(version);  // always three letters here
  std::copy_n(text.data(), std::min<std::size_t>(text.size(), 3), signature + 3);
  stream.WriteBuffer(signature, sizeof signature);

  std::uint8_t descriptor[TGIFScreenDescriptor::Size];
  ScreenDescriptor.Encode(descriptor);
  stream.WriteBuffer(descriptor, sizeof descriptor);

  if (ScreenDescriptor.PackedFields & TGIFScreenDescriptor::GlobalColorTableFlag) globalColors_->WriteTable(stream);
}

// ---- TGIFTrailer ----

void TGIFTrailer::SaveToStream(gfx::TStream& stream) { stream.WriteBuffer(&TrailerByte, 1); }

// ---- TGIFImage ----

TGIFImage::TGIFImage() : frames_(this), header_(std::make_unique<TGIFHeader>(this)) { Reset(); }

TGIFImage::~TGIFImage() { frames_.Clear(); }

void TGIFImage::Reset() {
  compositeBitmap_.reset();
  frames_.Clear();
  header_->GlobalColors().Reset();
  header_->ScreenDescriptor.ScreenWidth = 0;
  header_->ScreenDescriptor.ScreenHeight = 0;
  header_->PrepareScreenDescriptor();
  globalPalette_.reset();
}

void TGIFImage::Assign(gfx::TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    Reset();
    return;
  }
  if (auto* other = dynamic_cast<TGIFImage*>(source)) {
    CopyImage(*other);
    return;
  }
  Reset();
  auto frame = std::make_unique<TGIFSubImage>(this);
  try {
    frame->Assign(source);
  } catch (const gfx::EConvertError&) {
    // This source cannot become a frame: the generic assignment names both classes.
    frame.reset();
    gfx::TGraphic::Assign(source);
    return;
  }
  AddFrame(std::move(frame));
}

void TGIFImage::CopyImage(TGIFImage& source) {
  Reset();
  ReportProgress(gfx::psStarting, 0, Msg::Copying);
  try {
    header_->Assign(&source.Header());
    const int count = source.Frames().Count();
    for (int i = 0; i < count; ++i) {
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->Assign(source.Frames().SubImages(i));
      AddFrame(std::move(frame));
      ReportProgress(gfx::psRunning, RoundedPercent(i + 1, count), Msg::Copying);
    }
    ReductionMethod = source.ReductionMethod;
    PaletteBits = source.PaletteBits;
    DitherKind = source.DitherKind;
    Encoding = source.Encoding;
    WarningHandler = source.WarningHandler;
    DrawOptions = source.DrawOptions;
    ThreadPriority = source.ThreadPriority;
    AnimationSpeed = source.AnimationSpeed;
    ForceFrame = source.ForceFrame;
    DrawBackgroundColor = source.DrawBackgroundColor;
  } catch (...) {
    ReportProgress(gfx::psEnding, 0, Msg::Copying);
    throw;
  }
  ReportProgress(gfx::psEnding, 100, Msg::Copying);
}

int TGIFImage::AddFrame(gfx::TPersistent* item) {
  if (dynamic_cast<gfx::TGraphic*>(item) == nullptr && dynamic_cast<TGIFSubImage*>(item) == nullptr)
    throw GIFException(std::string(Msg::ObjectNotSupported));
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(item);  // a failure frees the new frame
  return AddFrame(std::move(frame));
}

int TGIFImage::AddFrame(std::unique_ptr<TGIFSubImage> frame) {
  const int index = frames_.Add(std::move(frame));
  compositeBitmap_.reset();
  Changed();
  return index;
}

void TGIFImage::SetWidth(int value) {
  if (value < 0 || value > MaxDimension) throw GIFException(std::string(Msg::TooLarge));
  for (int i = 0; i < frames_.Count(); ++i) {
    const TGIFSubImage* frame = frames_.SubImages(i);
    if (value < frame->Left() + frame->Width()) throw GIFException(std::string(Msg::WidthTooSmall));
  }
  if (value == Width()) return;
  header_->ScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(value);
  compositeBitmap_.reset();
  Changed();
}

void TGIFImage::SetHeight(int value) {
  if (value < 0 || value > MaxDimension) throw GIFException(std::string(Msg::TooLarge));
  for (int i = 0; i < frames_.Count(); ++i) {
    const TGIFSubImage* frame = frames_.SubImages(i);
    if (value < frame->Top() + frame->Height()) throw GIFException(std::string(Msg::HeightTooSmall));
  }
  if (value == Height()) return;
  header_->ScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(value);
  compositeBitmap_.reset();
  Changed();
}

gfx::HPALETTE TGIFImage::Palette() const {
  if (!globalPalette_) globalPalette_ = header_->GlobalColors().MakePaletteHandle();
  return globalPalette_;
}

void TGIFImage::GlobalColorsChanged() {
  if (!globalPalette_) return;
  globalPalette_.reset();
  compositeBitmap_.reset();
  Changed();
}

TGIFVersion TGIFImage::RequiredVersion() const {
  TGIFVersion version = gvUnknown;
  for (int i = 0; i < frames_.Count() && version < gv89a; ++i)
    version = std::max(version, frames_.SubImages(i)->RequiredVersion());
  return version;
}

int TGIFImage::ImageColorResolution() const {
  int result = header_->GlobalColors().BitsNeeded() - 1;
  for (int i = 0; i < frames_.Count(); ++i)
    result = std::max(result, frames_.SubImages(i)->LocalColors().BitsNeeded() - 1);
  return result;
}

int TGIFImage::ImageBitsPerPixel() const {
  int result = header_->GlobalColors().BitsNeeded();
  for (int i = 0; i < frames_.Count(); ++i) result = std::max(result, frames_.SubImages(i)->LocalColors().BitsNeeded());
  return result;
}

void TGIFImage::ReportWarning(gfx::TPersistent*, TGIFSeverity severity, std::string_view message) {
  if (WarningHandler) WarningHandler(severity, std::string(message));
}

void TGIFImage::ReportProgress(gfx::TProgressStage stage, int percent, std::string_view message) {
  Progress(this, stage, static_cast<std::uint8_t>(std::clamp(percent, 0, 100)), false, gfx::TRect{},
           std::string(message));
}

void TGIFImage::SaveToStream(gfx::TStream& stream) {
  ReportProgress(gfx::psStarting, 0, Msg::Saving);
  try {
    header_->SaveToStream(stream);
    const int count = frames_.Count();
    for (int i = 0; i < count; ++i) {
      frames_.SubImages(i)->SaveToStream(stream);
      ReportProgress(gfx::psRunning, RoundedPercent(i + 1, count), Msg::Saving);
    }
    TGIFTrailer trailer(this);
    trailer.SaveToStream(stream);
  } catch (...) {
    ReportProgress(gfx::psEnding, 0, Msg::Saving);
    throw;
  }
  ReportProgress(gfx::psEnding, 100, Msg::Saving);
}

}  // namespace gif
