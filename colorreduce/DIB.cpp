#include "colorreduce/DIB.h"

#include <algorithm>
#include <cstring>

#include "colorreduce/GIFException.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"

namespace colorreduce {

namespace {

constexpr std::int64_t FileHeaderSize = 14;
constexpr std::int64_t InfoHeaderSize = 40;
constexpr std::int64_t ColorTableSize = 256 * 4;

}  // namespace

// ---- TDIBReader ----

TDIBReader::TDIBReader(gfx::TBitmap& bitmap, gfx::TPixelFormat format) : TDIB(bitmap, format) {
  bitmap_.SetPixelFormat(format_);
}

const std::uint8_t* TDIBReader::RowPointer(int y) const {
  return static_cast<const gfx::TBitmap&>(bitmap_).ScanLine(y);
}

// ---- TDIBWriter ----

TDIBWriter::TDIBWriter(gfx::TBitmap& target, gfx::TPixelFormat format, int width, int height,
                       const gfx::HPALETTE& palette)
    : TDIB(target, format), palette_(palette), height_(height), width_(width) {
  if (format != gfx::pf8bit && format != gfx::pf24bit) throw GIFException(Msg::UnsupportedPixelFormat);
  // A negative width has no meaning in a bitmap header; refuse it with zero.
  if (width <= 0 || height == 0) throw GIFException(Msg::InvalidImageDimensions);
}

TDIBWriter::~TDIBWriter() {
  try {
    CommitToBitmap();
  } catch (...) {
    // Nothing can be reported from here; Commit is the way that reports.
  }
  ReleasePixels();
}

void TDIBWriter::EnsurePixels() {
  if (pixels_.Size() == 0) AllocatePixels();
}

void TDIBWriter::AllocatePixels() {
  ReleasePixels();
  const bool indexed = format_ == gfx::pf8bit;
  const int bits = indexed ? 8 : 24;
  headerSize_ = indexed ? InfoHeaderSize + ColorTableSize : InfoHeaderSize;
  header_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(headerSize_));  // zero-filled
  std::uint8_t* h = header_.get();
  gfx::PutU32LE(h + 0, InfoHeaderSize);
  gfx::PutU32LE(h + 4, static_cast<std::uint32_t>(width_));
  gfx::PutU32LE(h + 8, static_cast<std::uint32_t>(height_));  // positive: rows stored bottom-up
  gfx::PutU16LE(h + 12, 1);                                  // planes
  gfx::PutU16LE(h + 14, static_cast<std::uint32_t>(bits));
  // Compression, image size and both resolutions stay 0.
  if (indexed) {
    gfx::TPaletteEntry entries[256];
    const std::uint32_t n = gfx::GetPaletteEntries(
        palette_, 0, std::min<std::uint32_t>(gfx::GetPaletteEntryCount(palette_), 256), entries);
    std::uint8_t* table = h + InfoHeaderSize;
    for (std::uint32_t i = 0; i < n; ++i) {  // entries n to 255 stay zero
      table[4 * i + 0] = entries[i].Blue;
      table[4 * i + 1] = entries[i].Green;
      table[4 * i + 2] = entries[i].Red;
    }
    gfx::PutU32LE(h + 32, 256);  // colours used
    gfx::PutU32LE(h + 36, n);    // colours important
  }

  stride_ = gfx::RowStride(width_, bits, 32);
  const std::int64_t rows = height_ < 0 ? -static_cast<std::int64_t>(height_) : height_;
  pixelsSize_ = stride_ * rows;  // 64-bit: a large picture must not wrap around
  try {
    // The result must also fit the 32-bit sizes of the BMP image it is handed over in.
    if (pixelsSize_ > gfx::MaxPixelBytes) throw gfx::EOutOfResources();
    pixels_ = gfx::PixelBuffer::Zeroed(static_cast<std::size_t>(pixelsSize_));
  } catch (const gfx::EOutOfResources&) {
    ReleasePixels();
    throw gfx::EOutOfMemory(std::string(Msg::DIBAllocationFailed));
  }
}

void TDIBWriter::ReleasePixels() {
  pixels_ = gfx::PixelBuffer();
  header_.reset();
}

std::uint8_t* TDIBWriter::RowPointer(int y) {
  EnsurePixels();
  if (pixels_.Size() == 0) throw GIFException(Msg::ImageHasNoDIB);
  const int rows = height_ < 0 ? -height_ : height_;
  if (y < 0 || y >= rows) throw gfx::EInvalidGraphicOperation(std::string(gfx::Msg::ScanLineOutOfRange));
  // Pending drawing would be flushed here on a platform that batches it; ours does not.
  const std::int64_t storedRow = height_ > 0 ? height_ - 1 - y : y;
  return pixels_.Data() + storedRow * stride_;
}

void TDIBWriter::Commit() {
  CommitToBitmap();
  ReleasePixels();
}

void TDIBWriter::CommitToBitmap() {
  if (pixels_.Size() == 0) return;
  const std::int64_t fileSize = FileHeaderSize + headerSize_ + pixelsSize_;
  gfx::TMemoryStream stream;
  stream.SetSize(fileSize);
  std::uint8_t fileHeader[FileHeaderSize] = {'B', 'M'};
  gfx::PutU32LE(fileHeader + 2, static_cast<std::uint32_t>(fileSize));  // fits: pixels are at most MaxPixelBytes
  // Two reserved 16-bit fields stay 0.
  gfx::PutU32LE(fileHeader + 10, static_cast<std::uint32_t>(FileHeaderSize + headerSize_));
  stream.WriteBuffer(fileHeader, sizeof fileHeader);
  stream.WriteBuffer(header_.get(), static_cast<std::size_t>(headerSize_));
  stream.WriteBuffer(pixels_.Data(), static_cast<std::size_t>(pixelsSize_));
  stream.SetPosition(0);
  bitmap_.LoadFromStream(stream);
}

}  // namespace colorreduce
