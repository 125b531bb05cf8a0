#include "png/PNGDeflater.h"

#include <new>

#include "gfx/Errors.h"
#include "png/PNGErrors.h"
#include "png/PNGFormat.h"

namespace png {

TPNGDeflater::TPNGDeflater(TBufferFullEvent onBufferFull) : onBufferFull_(std::move(onBufferFull)) {}

TPNGDeflater::~TPNGDeflater() {
  if (prepared_) deflateEnd(&zstream_);
}

bool TPNGDeflater::Prepare(int compressionLevel, std::size_t outSize) {
  const int level = (compressionLevel >= 0 && compressionLevel <= 9) ? compressionLevel : Z_DEFAULT_COMPRESSION;
  outBuffer_.reset(new (std::nothrow) std::uint8_t[outSize]);
  if (!outBuffer_) return false;
  outSize_ = outSize;
  zstream_ = z_stream{};
  if (deflateInit(&zstream_, level) != Z_OK) return false;
  prepared_ = true;
  zstream_.next_out = outBuffer_.get();
  zstream_.avail_out = static_cast<uInt>(outSize_);
  return true;
}

void TPNGDeflater::EmitFullBuffer() {
  onBufferFull_(outBuffer_.get(), outSize_);
  zstream_.next_out = outBuffer_.get();
  zstream_.avail_out = static_cast<uInt>(outSize_);
}

void TPNGDeflater::CompressRow(const std::uint8_t* data, std::size_t length) {
  if (!prepared_) throw EPNGImageError(Msg::WriteError);
  zstream_.next_in = const_cast<Bytef*>(data);
  zstream_.avail_in = static_cast<uInt>(length);
  while (zstream_.avail_in > 0) {
    if (deflate(&zstream_, Z_NO_FLUSH) < 0) throw EPNGImageError(Msg::WriteError);
    if (zstream_.avail_out == 0) EmitFullBuffer();
  }
}

void TPNGDeflater::Finish() {
  if (!prepared_) throw EPNGImageError(Msg::WriteError);
  zstream_.next_in = nullptr;
  zstream_.avail_in = 0;
  for (;;) {
    const int result = deflate(&zstream_, Z_FINISH);
    if (result < 0) throw EPNGImageError(Msg::WriteError);
    if (zstream_.avail_out == 0) EmitFullBuffer();
    if (result == Z_STREAM_END) break;
  }
  const std::size_t rest = outSize_ - zstream_.avail_out;
  if (rest > 0) onBufferFull_(outBuffer_.get(), rest);
  zstream_.next_out = outBuffer_.get();
  zstream_.avail_out = static_cast<uInt>(outSize_);
  deflateReset(&zstream_);
}

namespace {
constexpr std::size_t Alignment = 32;
constexpr std::size_t HistogramBytes = 256 * sizeof(std::uint32_t);
}  // namespace

void TPNGRowBlock::AlignedFree::operator()(std::uint8_t* p) const { ::operator delete[](p, std::align_val_t{Alignment}); }

TPNGRowBlock::TPNGRowBlock(std::int64_t width, int pixelBits) {
  // The padded row at the output's bits per pixel, plus 39, rounded down to 32 bytes.
  const std::int64_t room = (PaddedRowBytes(width, pixelBits) + 39) / 32 * 32;
  if (room <= 0 || static_cast<std::uint64_t>(room) > (SIZE_MAX - HistogramBytes) / 8) throw gfx::EOutOfMemory();
  rowRoom_ = static_cast<std::size_t>(room);
  // current and previous each get a 32-byte lead-in (the type byte sits at its end).
  const std::size_t total = 2 * (Alignment + rowRoom_) + 2 * rowRoom_ + HistogramBytes;
  try {
    block_.reset(static_cast<std::uint8_t*>(::operator new[](total, std::align_val_t{Alignment})));
  } catch (const std::bad_alloc&) {
    throw gfx::EOutOfMemory();
  }
  std::uint8_t* p = block_.get();
  CurrentRow = p + Alignment;
  p += Alignment + rowRoom_;
  PreviousRow = p + Alignment;
  p += Alignment + rowRoom_;
  BestRow = p;
  p += rowRoom_;
  TrialRow = p;
  p += rowRoom_;
  Histogram = reinterpret_cast<std::uint32_t*>(p);
}

}  // namespace png
