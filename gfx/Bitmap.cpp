#include "gfx/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gfx/PixelRows.h"

namespace gfx {

namespace {

constexpr TRGBQuad Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {b, g, r, 0}; }

// Encoders from 24-bit blue, green, red to the other formats, one row at a time.
class RowEncoder {
 public:
  RowEncoder(TPixelFormat format, std::span<const TRGBQuad> table) : format_(format), table_(table) {}

  void Encode(const std::uint8_t* bgr, std::uint8_t* dst, int width) {
    switch (format_) {
      case pf1bit:
        std::memset(dst, 0, static_cast<std::size_t>((width + 7) / 8));
        for (int x = 0; x < width; ++x)
          dst[x >> 3] |= static_cast<std::uint8_t>(Nearest(bgr + 3 * x) << (7 - (x & 7)));
        break;
      case pf4bit:
        std::memset(dst, 0, static_cast<std::size_t>((width + 1) / 2));
        for (int x = 0; x < width; ++x)
          dst[x >> 1] |= static_cast<std::uint8_t>(Nearest(bgr + 3 * x) << ((x & 1) ? 0 : 4));
        break;
      case pf8bit:
        for (int x = 0; x < width; ++x) dst[x] = Nearest(bgr + 3 * x);
        break;
      case pf15bit:
        for (int x = 0; x < width; ++x, bgr += 3)
          PutU16LE(dst + 2 * x, ((bgr[2] >> 3) << 10) | ((bgr[1] >> 3) << 5) | (bgr[0] >> 3));
        break;
      case pf16bit:
        for (int x = 0; x < width; ++x, bgr += 3)
          PutU16LE(dst + 2 * x, ((bgr[2] >> 3) << 11) | ((bgr[1] >> 2) << 5) | (bgr[0] >> 3));
        break;
      case pf24bit:
        std::memcpy(dst, bgr, static_cast<std::size_t>(width) * 3);
        break;
      case pfDevice:
      case pf32bit:
        for (int x = 0; x < width; ++x, bgr += 3, dst += 4) {
          dst[0] = bgr[0];
          dst[1] = bgr[1];
          dst[2] = bgr[2];
          dst[3] = 0;
        }
        break;
      case pfCustom: break;
    }
  }

 private:
  std::uint8_t Nearest(const std::uint8_t* bgr) {
    const std::uint32_t key = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second;
    std::uint8_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < table_.size() && i < 256; ++i) {
      const int db = table_[i].Blue - bgr[0], dg = table_[i].Green - bgr[1], dr = table_[i].Red - bgr[2];
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<std::uint8_t>(i);
      }
    }
    cache_.emplace(key, best);
    return best;
  }

  TPixelFormat format_;
  std::span<const TRGBQuad> table_;
  std::unordered_map<std::uint32_t, std::uint8_t> cache_;
};

}  // namespace

TBitmap::TBitmap() : image_(std::make_shared<Image>()) {}
TBitmap::~TBitmap() = default;

std::vector<TRGBQuad> TBitmap::DefaultColorTable(TPixelFormat format) {
  switch (format) {
    case pf1bit: return {Quad(0, 0, 0), Quad(255, 255, 255)};
    case pf4bit:
      return {Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
              Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
              Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
              Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
    case pf8bit: {
      std::vector<TRGBQuad> table;
      for (const TPaletteEntry& e : HalftoneEntries()) table.push_back(Quad(e.Red, e.Green, e.Blue));
      return table;
    }
    default: return {};
  }
}

std::unique_ptr<TBitmap::Image> TBitmap::NewImage(int width, int height, TPixelFormat format) {
  if (width < 0 || height < 0) throw EInvalidGraphic(std::string(Msg::InvalidBitmapSize));
  if (format == pfCustom) throw EInvalidGraphic(std::string(Msg::InvalidPixelFormat));
  auto image = std::make_unique<Image>();
  image->width = width;
  image->height = height;
  image->format = format;
  image->stride = RowStride(width, BitsPerPixel(format));
  const std::int64_t bytes = image->stride * height;
  if (image->stride > 0x7FFFFFFF || bytes > MaxPixelBytes) throw EOutOfResources();
  if (width > 0 && height > 0) image->pixels = PixelBuffer::Zeroed(static_cast<std::size_t>(bytes));
  image->colorTable = DefaultColorTable(format);
  return image;
}

void TBitmap::AdoptImage(std::unique_ptr<Image> image) {
  image_ = std::shared_ptr<Image>(std::move(image));
  Changed();
}

void TBitmap::Unshare() {
  if (image_.use_count() <= 1) return;
  auto copy = NewImage(image_->width, image_->height, image_->format);
  if (image_->pixels.Size() != 0) std::memcpy(copy->pixels.Data(), image_->pixels.Data(), image_->pixels.Size());
  copy->colorTable = image_->colorTable;
  image_ = std::shared_ptr<Image>(std::move(copy));
}

void TBitmap::SetSize(int width, int height) {
  if (width == image_->width && height == image_->height) return;
  auto resized = NewImage(width, height, image_->format);
  resized->colorTable = image_->colorTable;
  const int rows = std::min(height, image_->height);
  const auto bytes = static_cast<std::size_t>(std::min(resized->stride, image_->stride));
  for (int y = 0; y < rows; ++y) {  // y from the top; storage is bottom-up
    std::memcpy(resized->pixels.Data() + (height - 1 - y) * resized->stride,
                image_->pixels.Data() + (image_->height - 1 - y) * image_->stride, bytes);
  }
  image_ = std::shared_ptr<Image>(std::move(resized));
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == image_->format) return;
  if (format == pfCustom) throw EInvalidGraphic(std::string(Msg::InvalidPixelFormat));
  const Image& old = *image_;
  const RowToBGR24 decode = ChooseRowToBGR24(old.format);

  if (old.pixels.Size() == 0) {  // nothing to convert
    auto image = NewImage(old.width, old.height, format);
    image_ = std::shared_ptr<Image>(std::move(image));
    Changed();
    return;
  }

  // 32 to 24 bits in the same memory: every row and pixel moves to a lower address.
  if (format == pf24bit && BitsPerPixel(old.format) == 32 && image_.use_count() == 1) {
    Image& img = *image_;
    const std::int64_t newStride = RowStride(img.width, 24);
    for (int row = 0; row < img.height; ++row) {
      std::uint8_t* src = img.pixels.Data() + row * img.stride;
      std::uint8_t* dst = img.pixels.Data() + row * newStride;
      decode(src, dst, img.width, {});
      std::memset(dst + 3 * static_cast<std::int64_t>(img.width), 0,
                  static_cast<std::size_t>(newStride - 3 * static_cast<std::int64_t>(img.width)));
    }
    img.pixels.Shrink(static_cast<std::size_t>(newStride * img.height));
    img.stride = newStride;
    img.format = pf24bit;
    img.colorTable.clear();
    Changed();
    return;
  }

  auto converted = NewImage(old.width, old.height, format);
  if (format == pf24bit) {
    for (int row = 0; row < old.height; ++row)
      decode(old.pixels.Data() + row * old.stride, converted->pixels.Data() + row * converted->stride, old.width,
             old.colorTable);
  } else {
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(old.width) * 3);
    RowEncoder encode(format, converted->colorTable);
    for (int row = 0; row < old.height; ++row) {
      decode(old.pixels.Data() + row * old.stride, bgr.data(), old.width, old.colorTable);
      encode.Encode(bgr.data(), converted->pixels.Data() + row * converted->stride, old.width);
    }
  }
  image_ = std::shared_ptr<Image>(std::move(converted));
  Changed();
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= image_->height || image_->pixels.Size() == 0)
    throw EInvalidGraphicOperation(std::string(Msg::ScanLineOutOfRange));
  Unshare();
  return image_->pixels.Data() + (image_->height - 1 - y) * image_->stride;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= image_->height || image_->pixels.Size() == 0)
    throw EInvalidGraphicOperation(std::string(Msg::ScanLineOutOfRange));
  return image_->pixels.Data() + (image_->height - 1 - y) * image_->stride;
}

std::uint8_t* TBitmap::Bits() {
  Unshare();
  return image_->pixels.Data();
}

void TBitmap::SetColorTable(std::span<const TRGBQuad> table) {
  if (!IsIndexed(image_->format)) return;
  if (table.size() > 256) throw EInvalidGraphic(std::string(Msg::InvalidPalette));
  Unshare();
  image_->colorTable.assign(table.begin(), table.end());
  SetPaletteModified(true);
  Changed();
}

HPALETTE TBitmap::Palette() const {
  if (image_->colorTable.empty()) return nullptr;
  std::vector<TPaletteEntry> entries;
  entries.reserve(image_->colorTable.size());
  for (const TRGBQuad& q : image_->colorTable) entries.push_back({q.Red, q.Green, q.Blue, 0});
  return CreatePalette(entries);
}

void TBitmap::SetPalette(HPALETTE palette) {
  std::vector<TRGBQuad> table;
  if (palette)
    for (const TPaletteEntry& e : palette->Entries()) table.push_back(Quad(e.Red, e.Green, e.Blue));
  SetColorTable(table);
}

void TBitmap::Assign(TPersistent* source) {
  if (source == nullptr) {
    image_ = std::make_shared<Image>();
    Changed();
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    if (bitmap == this) return;
    image_ = bitmap->image_;
    // Copy the flag without the base class's change notification; one Changed() below.
    TGraphic::SetTransparent(bitmap->Transparent());
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

}  // namespace gfx
