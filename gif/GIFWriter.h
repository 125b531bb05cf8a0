#pragma once
// Data sub-blocks: a run of blocks of at most 255 bytes, each behind its length byte,
// closed by the zero-length block terminator.
#include <array>
#include <cstddef>
#include <cstdint>

#include "gfx/Stream.h"

namespace gif {

// A write-only stream of the GIF encoder: reading, seeking and sizing raise
// "Invalid stream operation", and so does writing unless a descendant allows it.
class TGIFStream : public gfx::TStream {
 public:
  std::size_t Write(const void* data, std::size_t count) override;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, gfx::TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
};

// Packs every byte written into sub-blocks of 255 data bytes and hands each full block
// (length byte included) to the target in one checked write. No empty sub-block is ever
// written: Finish() writes the last, partly filled block and then the terminator.
class TGIFWriter : public TGIFStream {
 public:
  explicit TGIFWriter(gfx::TStream& target) : target_(target) {}
  // Writes pending data when it was not finished (best effort: a failing target is ignored here,
  // since the writer is only abandoned while an error is already on its way).
  ~TGIFWriter() override;

  std::size_t Write(const void* data, std::size_t count) override;
  void WriteOneByte(std::uint8_t value) {
    blockBuffer_[blockFill_++] = value;
    hasPending_ = true;
    if (blockFill_ == BlockSize) FlushBlock();
  }
  // Writes the sub-block in progress, if it holds data.
  void FlushBlock();
  // The last sub-block, then the block terminator.
  void Finish();

  static constexpr int BlockSize = 256;  // length byte + 255 data bytes

 private:
  gfx::TStream& target_;
  std::array<std::uint8_t, BlockSize> blockBuffer_{};
  int blockFill_ = 1;  // byte 0 is the length
  bool hasPending_ = false;
};

// A whole run of data sub-blocks and its terminator.
void WriteSubBlocks(gfx::TStream& stream, const void* data, std::size_t count);

}  // namespace gif
