#include "gif/GIFWriter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "gfx/Errors.h"
#include "gif/Messages.h"

namespace gif {

namespace {
[[noreturn]] void InvalidOperation() { throw gfx::Exception(std::string(Msg::InvalidStreamOperation)); }
}  // namespace

std::size_t TGIFStream::Write(const void*, std::size_t) { InvalidOperation(); }
std::size_t TGIFStream::Read(void*, std::size_t) { InvalidOperation(); }
std::int64_t TGIFStream::Seek(std::int64_t, gfx::TSeekOrigin) { InvalidOperation(); }
void TGIFStream::SetSize(std::int64_t) { InvalidOperation(); }

TGIFWriter::~TGIFWriter() {
  if (!hasPending_) return;
  try {
    FlushBlock();
  } catch (...) {
  }
}

std::size_t TGIFWriter::Write(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t left = count;
  if (left != 0) hasPending_ = true;
  while (left != 0) {
    const std::size_t take = std::min<std::size_t>(left, BlockSize - blockFill_);
    std::memcpy(blockBuffer_.data() + blockFill_, bytes, take);
    blockFill_ += static_cast<int>(take);
    bytes += take;
    left -= take;
    if (blockFill_ == BlockSize) FlushBlock();
  }
  return count;
}

void TGIFWriter::FlushBlock() {
  if (blockFill_ <= 1) {  // nothing in the block: an empty sub-block would end the data early
    hasPending_ = false;
    return;
  }
  blockBuffer_[0] = static_cast<std::uint8_t>(blockFill_ - 1);
  const int fill = blockFill_;
  blockFill_ = 1;
  hasPending_ = false;
  target_.WriteBuffer(blockBuffer_.data(), static_cast<std::size_t>(fill));
}

void TGIFWriter::Finish() {
  FlushBlock();
  static constexpr std::uint8_t terminator = 0;
  target_.WriteBuffer(&terminator, 1);
}

void WriteSubBlocks(gfx::TStream& stream, const void* data, std::size_t count) {
  TGIFWriter writer(stream);
  writer.Write(data, count);
  writer.Finish();
}

}  // namespace gif
