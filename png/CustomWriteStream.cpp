#include "png/CustomWriteStream.h"

#include <cstring>

#include "gfx/Bytes.h"

namespace png {

TCustomWriteStream::TCustomWriteStream() : buffer_(new std::uint8_t[BufferSize]) {}
TCustomWriteStream::~TCustomWriteStream() = default;

void TCustomWriteStream::AttachOutput(gfx::TStream& output) {
  output_ = &output;
  bufferFill_ = 0;
}

void TCustomWriteStream::FlushBuffer() {
  if (bufferFill_ == 0) return;
  output_->WriteBuffer(buffer_.get(), bufferFill_);
  bufferFill_ = 0;
}

void TCustomWriteStream::PutBytes(const void* data, std::size_t count) {
  if (count >= DirectBlockSize) {
    FlushBuffer();
    output_->WriteBuffer(data, count);
    return;
  }
  if (bufferFill_ + count >= BufferSize) FlushBuffer();
  std::memcpy(buffer_.get() + bufferFill_, data, count);
  bufferFill_ += count;
}

void TCustomWriteStream::PutU32BE(std::uint32_t value) {
  if (bufferFill_ + 4 >= BufferSize) FlushBuffer();
  gfx::PutU32BE(buffer_.get() + bufferFill_, value);
  bufferFill_ += 4;
}

void TCustomWriteStream::BeginProgress() {
  progressBase_ = 0;
  progressLast_ = 0;
  stageSpan_ = 0;
  progressLeft_ = 99;
  Progress(0);
}

void TCustomWriteStream::BeginStage(int divisor, int percent) {
  progressBase_ += stageSpan_;
  progressLast_ = progressBase_;
  progressLeft_ -= stageSpan_;
  stageDivisor_ = divisor == 0 ? 1 : divisor;
  stageSpan_ = (percent >= 1 && percent <= 99) ? progressLeft_ * percent / 100 : progressLeft_;
}

void TCustomWriteStream::StepProgress(int step) {
  // 64-bit product: a step count times the span may pass 2^31 on tall pictures.
  const auto v = static_cast<std::int32_t>(static_cast<std::int64_t>(step) * stageSpan_ / stageDivisor_ +
                                           progressBase_);
  if (v > progressLast_) {
    progressLast_ = v;
    Progress(v);
  }
}

void TCustomWriteStream::EndProgress() { Progress(100); }

void TCustomGraphicWriteStream::Write(gfx::TGraphic& graphic, gfx::TStream& stream) {
  AttachOutput(stream);
  graphic_ = &graphic;
  WriteImage();
  FlushBuffer();
}

void TCustomGraphicWriteStream::Progress(int percent) {
  if (graphic_ == nullptr || !graphic_->OnProgress) return;
  gfx::TProgressStage stage = gfx::psRunning;
  if (percent == 0) {
    stage = gfx::psStarting;
  } else if (percent < 1 || percent > 99) {
    stage = gfx::psEnding;
    percent = 100;
  }
  graphic_->OnProgress(graphic_, stage, static_cast<std::uint8_t>(percent), false, gfx::TRect{}, ProgressMessage);
}

}  // namespace png
