#pragma once
// The image data's compressor: filtered rows into one zlib stream, cut into chunks of
// exactly the output buffer's size (the last one holds the rest).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include <zlib.h>

namespace png {

class TPNGDeflater {
 public:
  // Receives every filled output buffer (and the rest at the end); the writer frames it as IDAT.
  using TBufferFullEvent = std::function<void(const std::uint8_t* data, std::size_t count)>;

  explicit TPNGDeflater(TBufferFullEvent onBufferFull);
  ~TPNGDeflater();
  TPNGDeflater(const TPNGDeflater&) = delete;
  TPNGDeflater& operator=(const TPNGDeflater&) = delete;

  // level 0..9, anything else zlib's default. Returns false when the output buffer or
  // zlib's state cannot be had; the compressor then stays unprepared and every row fails.
  bool Prepare(int compressionLevel, std::size_t outSize);
  bool Prepared() const { return prepared_; }

  // Feeds one filtered row (type byte first) without flushing. EPNGImageError
  // "Write Image (PNG): Write Error" on a negative zlib result.
  void CompressRow(const std::uint8_t* data, std::size_t length);
  // Ends the stream, hands over the bytes still held and resets the compressor for reuse.
  // A negative zlib result raises the same error: the image data would end early.
  void Finish();

 private:
  void EmitFullBuffer();

  TBufferFullEvent onBufferFull_;
  z_stream zstream_{};
  bool prepared_ = false;
  std::unique_ptr<std::uint8_t[]> outBuffer_;
  std::size_t outSize_ = 0;
};

// Four row buffers and the filter histogram in one allocation. Each buffer starts on a
// 32-byte boundary and has room for a whole padded source row plus the type byte. The two
// unfiltered rows also have one free byte in front of them, so that a row written with
// filter None can be handed to the compressor in place with its type byte.
class TPNGRowBlock {
 public:
  TPNGRowBlock(std::int64_t width, int pixelBits);
  std::size_t RowRoom() const { return rowRoom_; }

  std::uint8_t* CurrentRow = nullptr;
  std::uint8_t* PreviousRow = nullptr;
  std::uint8_t* BestRow = nullptr;
  std::uint8_t* TrialRow = nullptr;
  std::uint32_t* Histogram = nullptr;

 private:
  struct AlignedFree {
    void operator()(std::uint8_t* p) const;
  };
  std::size_t rowRoom_ = 0;
  std::unique_ptr<std::uint8_t, AlignedFree> block_;
};

}  // namespace png
