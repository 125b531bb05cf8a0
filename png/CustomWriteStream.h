#pragma once
// Buffered output in front of a TStream, big-endian integers, and a progress budget
// that turns the steps of a stage into percentages.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Graphic.h"
#include "gfx/Stream.h"

namespace png {

class TCustomWriteStream {
 public:
  static constexpr std::size_t BufferSize = 65536;
  // Blocks at least this long go straight to the output stream, uncopied.
  static constexpr std::size_t DirectBlockSize = 65520;

  TCustomWriteStream();
  virtual ~TCustomWriteStream();
  TCustomWriteStream(const TCustomWriteStream&) = delete;
  TCustomWriteStream& operator=(const TCustomWriteStream&) = delete;

  // Count is at least 1 in every use.
  void PutBytes(const void* data, std::size_t count);
  void PutU32BE(std::uint32_t value);
  // Hands the waiting bytes to the output stream (WriteBuffer: all or a write error).
  void FlushBuffer();
  std::size_t BufferFill() const { return bufferFill_; }

  void BeginProgress();
  void BeginStage(int divisor, int percent);
  void StepProgress(int step);
  void EndProgress();

 protected:
  // Called with each percentage the budget reports; the base does nothing.
  virtual void Progress(int /*percent*/) {}
  void AttachOutput(gfx::TStream& output);

  // Passed with every progress event; always empty.
  std::string ProgressMessage;

 private:
  std::int32_t progressBase_ = 0;
  std::int32_t progressLast_ = 0;
  std::int32_t stageSpan_ = 0;
  std::int32_t progressLeft_ = 0;
  std::int32_t stageDivisor_ = 1;
  std::size_t bufferFill_ = 0;
  std::unique_ptr<std::uint8_t[]> buffer_;
  gfx::TStream* output_ = nullptr;
};

class TCustomGraphicWriteStream : public TCustomWriteStream {
 public:
  // Writes graphic onto stream through WriteImage, then the bytes left in the buffer.
  // When WriteImage raises, the error passes on and the buffered bytes stay unwritten.
  void Write(gfx::TGraphic& graphic, gfx::TStream& stream);
  gfx::TGraphic* Graphic() const { return graphic_; }

 protected:
  // Maps a percentage onto the graphic's OnProgress: 0 starting, 1..99 running, else ending at 100.
  void Progress(int percent) override;
  virtual void WriteImage() = 0;

 private:
  gfx::TGraphic* graphic_ = nullptr;
};

}  // namespace png
