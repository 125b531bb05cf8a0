#include "gif/SubImage.h"

#include <string>

#include "gfx/Bytes.h"
#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "gif/LZWEncoder.h"
#include "gif/Messages.h"

namespace gif {

namespace {
constexpr int MaxDimension = 0xFFFF;  // GIF stores sizes and positions in 16 bits
}  // namespace

void TGIFImageDescriptor::Encode(std::uint8_t* out) const {
  out[0] = Separator;               // Image Separator
  gfx::PutU16LE(out + 1, Left);     // Image Left Position
  gfx::PutU16LE(out + 3, Top);      // Image Top Position
  gfx::PutU16LE(out + 5, Width);    // Image Width
  gfx::PutU16LE(out + 7, Height);   // Image Height
  out[9] = PackedFields;            // Local Color Table Flag, Interlace, Sort, Reserved, Size
}

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image), localColors_(std::make_unique<TGIFLocalColorMap>(this)), extensionBlocks_(image) {}

TGIFSubImage::~TGIFSubImage() = default;

void TGIFSubImage::Clear() {
  extensionBlocks_.Clear();
  controlExtension_ = nullptr;
  localColors_->Reset();
  palette_.reset();
  FreePixelStore();
  SetFrameBounds(Left(), Top(), Width(), 0);
  SetFrameBounds(Left(), Top(), 0, 0);
  hasTransparency_ = false;
  cachedBitmap_.reset();
}

void TGIFSubImage::SetFrameBounds(int left, int top, int width, int height) {
  if (left < 0 || top < 0 || width < 0 || height < 0 || left + width > MaxDimension ||
      top + height > MaxDimension)
    throw GIFException(std::string(Msg::TooLarge));
  const bool resized = width != Descriptor.Width || height != Descriptor.Height;
  Descriptor.Left = static_cast<std::uint16_t>(left);
  Descriptor.Top = static_cast<std::uint16_t>(top);
  Descriptor.Width = static_cast<std::uint16_t>(width);
  Descriptor.Height = static_cast<std::uint16_t>(height);
  if (resized) {
    cachedBitmap_.reset();
    AllocPixelStore();
  }

  TGIFImage* image = Image();
  if (image == nullptr) return;
  bool exceeded = false;
  if (image->Width() < left + width) {
    if (image->Width() > 0) {
      ReportWarning(gsWarning, Msg::WidthTooSmall);
      exceeded = true;
    }
    image->SetWidth(left + width);
  }
  if (image->Height() < top + height) {
    if (image->Height() > 0) {
      ReportWarning(gsWarning, Msg::HeightTooSmall);
      exceeded = true;
    }
    image->SetHeight(top + height);
  }
  if (exceeded) ReportWarning(gsWarning, Msg::ExceedsScreen);
}

void TGIFSubImage::SetInterlaced(bool value) {
  if (value)
    Descriptor.PackedFields |= TGIFImageDescriptor::InterlaceFlag;
  else
    Descriptor.PackedFields &= static_cast<std::uint8_t>(~TGIFImageDescriptor::InterlaceFlag);
}

void TGIFSubImage::AllocPixelStore() {
  const std::uint32_t size = static_cast<std::uint32_t>(Descriptor.Width) * Descriptor.Height;
  // A store of this size that nothing has written to yet is already a new, zero-filled store;
  // keeping it saves a large allocation (the bitmap import sizes the frame, then allocates).
  if (storeUntouched_ && pixelData_.Data() != nullptr && pixelDataSize_ == size) return;
  FreePixelStore();
  if (size != 0) {
    pixelData_ = gfx::PixelBuffer::Zeroed(size);
    storeUntouched_ = true;
  }
  pixelDataSize_ = size;
}

void TGIFSubImage::FreePixelStore() {
  pixelData_ = gfx::PixelBuffer();
  pixelDataSize_ = 0;
  storeUntouched_ = false;
}

std::uint8_t* TGIFSubImage::WritablePixels() {
  storeUntouched_ = false;
  return pixelData_.Data();
}

bool TGIFSubImage::IsEmpty() const {
  return pixelData_.Data() == nullptr || pixelDataSize_ == 0 || Descriptor.Height == 0 || Descriptor.Width == 0;
}

std::uint8_t* TGIFSubImage::RowAddress(int y) {
  if (pixelData_.Data() == nullptr) AllocPixelStore();
  if (pixelData_.Data() == nullptr) throw GIFException(std::string(Msg::ImageEmpty));
  if (y < 0 || y >= Height()) throw GIFException(std::string(Msg::InvalidPixelCoordinates));
  return WritablePixels() + static_cast<std::size_t>(y) * Width();
}

std::uint8_t TGIFSubImage::Pixels(int x, int y) {
  std::uint8_t* row = RowAddress(y);
  if (x < 0 || x >= Width()) throw GIFException(std::string(Msg::InvalidPixelCoordinates));
  return row[x];
}

void TGIFSubImage::SetPixels(int x, int y, std::uint8_t index) {
  std::uint8_t* row = RowAddress(y);
  if (x < 0 || x >= Width()) throw GIFException(std::string(Msg::InvalidPixelCoordinates));
  row[x] = index;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (localColors_->EntryCount() > 0) return *localColors_;
  if (Image() != nullptr && Image()->Header().GlobalColors().EntryCount() > 0) return Image()->Header().GlobalColors();
  return *localColors_;
}

int TGIFSubImage::AddExtension(std::unique_ptr<TGIFExtension> extension) {
  auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get());
  const int index = extensionBlocks_.Add(std::move(extension));
  if (control != nullptr && controlExtension_ == nullptr) controlExtension_ = control;
  return index;
}

gfx::HPALETTE TGIFSubImage::Palette() {
  if (!palette_) palette_ = ActiveColorMap().MakePaletteHandle();
  return palette_;
}

void TGIFSubImage::LocalColorsChanged() {
  if (!palette_) return;
  palette_.reset();
  if (cachedBitmap_ && !cachedBitmap_->ColorTable().empty()) {
    cachedBitmap_.reset();
    if (Image() != nullptr) Image()->NotifyChanged();
  }
}

TGIFVersion TGIFSubImage::RequiredVersion() const {
  if (localColors_->Sorted()) return gv89a;
  return extensionBlocks_.Count() > 0 ? gv89a : gv87a;
}

void TGIFSubImage::PrepareDescriptor() {
  if (localColors_->EntryCount() > 0) {
    int packed = TGIFImageDescriptor::LocalColorTableFlag;
    if (localColors_->Sorted()) packed |= TGIFImageDescriptor::SortFlag;
    packed |= (localColors_->BitsNeeded() - 1) & TGIFImageDescriptor::ColorTableSizeMask;
    Descriptor.PackedFields = static_cast<std::uint8_t>(packed);  // not interlaced, reserved bits 0
  } else {
    // No local table: keep only the interlace flag and the reserved bits.
    Descriptor.PackedFields &= 0x58;
  }
}

void TGIFSubImage::EncodePixels(gfx::TStream& stream) {
  int minCodeSize;
  int colorLimit;
  if (localColors_->EntryCount() > 0) {
    minCodeSize = localColors_->BitsNeeded();
    colorLimit = localColors_->EntryCount();
  } else {
    minCodeSize = Image() != nullptr ? Image()->ImageBitsPerPixel() : 0;
    colorLimit = 1 << minCodeSize;
  }
  const std::unique_ptr<TGIFEncoder> encoder = NewEncoder(Image() != nullptr ? Image()->Encoding : enLZW);
  encoder->Encode(stream, minCodeSize, Width(), Height(), Interlaced(), pixelData_.Data(), colorLimit);
}

void TGIFSubImage::SaveToStream(gfx::TStream& stream) {
  extensionBlocks_.SaveToStream(stream);
  if (IsEmpty()) return;
  PrepareDescriptor();
  std::uint8_t descriptor[TGIFImageDescriptor::Size];
  Descriptor.Encode(descriptor);
  stream.WriteBuffer(descriptor, sizeof descriptor);
  localColors_->WriteTable(stream);
  EncodePixels(stream);
}

}  // namespace gif
