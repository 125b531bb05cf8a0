#pragma once
// Table-based image data of one frame: the minimum code size byte, the variable-width
// code stream in data sub-blocks, and the block terminator.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "gfx/Stream.h"
#include "gif/ColorMap.h"
#include "gif/GIFWriter.h"
#include "gif/HashTable.h"

namespace gif {

enum TGIFEncoding : std::uint8_t { enLZW, enRLE };

using TGIFWarning = std::function<void(TGIFSeverity severity, std::string_view message)>;

class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  TGIFEncoder() = default;
  TGIFEncoder(const TGIFEncoder&) = delete;
  TGIFEncoder& operator=(const TGIFEncoder&) = delete;

  // Writes the whole image data of a frame of width x height index bytes (rows from the top,
  // no padding). Every index must be below colorLimit.
  void Encode(gfx::TStream& stream, int minCodeSize, int width, int height, bool interlace,
              const std::uint8_t* pixels, int colorLimit);

  TGIFWarning OnWarning;  // copied from the image; the encoders report nothing

 protected:
  virtual void EmitCode(int code);
  virtual void EmitClear();
  virtual void EncodeBody() = 0;
  // Moves PixelCursor to the next pixel in encoding order; false at the end of the frame.
  bool NextPixel();
  // Raises "Color not in color table" for an index of ColorLimit or more.
  [[noreturn]] static void ColorNotInTable();

  // Appends a code of CodeWidth bits to the stream, lowest bits first; the end code also
  // writes out the bits still waiting, padded with zeros to the byte.
  void PackCode(int code) {
    bitBucket_ = BitsInBucket > 0 ? (bitBucket_ & ((1u << BitsInBucket) - 1)) |
                                        (static_cast<std::uint32_t>(code) << BitsInBucket)
                                  : static_cast<std::uint32_t>(code);
    BitsInBucket += CodeWidth;
    while (BitsInBucket >= 8) {
      BlockWriter->WriteOneByte(static_cast<std::uint8_t>(bitBucket_));
      bitBucket_ >>= 8;
      BitsInBucket -= 8;
    }
    if (code == EndCodeValue) {
      while (BitsInBucket > 0) {
        BlockWriter->WriteOneByte(static_cast<std::uint8_t>(bitBucket_));
        bitBucket_ >>= 8;
        BitsInBucket -= 8;
      }
    }
  }

  int ColorLimit = 0;
  std::uint8_t MinCodeSize = 0;
  gfx::TStream* Stream = nullptr;
  int Width = 0, Height = 0;
  bool Interlace = false;
  const std::uint8_t* PixelData = nullptr;
  TGIFWriter* BlockWriter = nullptr;
  std::uint32_t bitBucket_ = 0;
  int BitsInBucket = 0;
  bool ResetPending = false;
  int CodeWidth = 0;
  int StartWidth = 0;
  std::int16_t WidthLimit = 0;
  std::int16_t ClearCodeValue = 0;
  std::int16_t EndCodeValue = 0;
  std::int16_t FirstFreeCode = 0;
  const std::uint8_t* PixelCursor = nullptr;
  std::int64_t PixelsLeft = 0;
  int RowIndex = 0, PassIndex = 0;
};

// The dictionary encoder: the longest known string, its code, and a new code for every
// string one pixel longer; a clear code before a string would receive code 4095.
class TLZWEncoder : public TGIFEncoder {
 public:
  static constexpr int MaxCode = 4095;  // never assigned: a clear code is sent instead

 protected:
  void EmitCode(int code) override;
  void EmitClear() override;
  void EncodeBody() override;

 private:
  // Widens the code after the code that used the last value of the current width.
  void ControlWidth() {
    if (NextFreeCode > WidthLimit || ResetPending) {
      if (ResetPending) {
        CodeWidth = StartWidth;
        WidthLimit = static_cast<std::int16_t>((1 << StartWidth) - 1);
        ResetPending = false;
      } else {
        ++CodeWidth;
        WidthLimit = static_cast<std::int16_t>(CodeWidth == 12 ? 4096 : (1 << CodeWidth) - 1);
      }
    }
  }
  void EncodeRun(const std::uint8_t* cursor, const std::uint8_t* end);
  template <bool CheckLimit>
  void EncodeRunWith(const std::uint8_t* cursor, const std::uint8_t* end);

  std::int16_t PrefixCode = 0;
  std::int16_t NextFreeCode = 0;
  std::unique_ptr<THashTable> Dictionary;
};

// A run-based encoder: a run of one colour is sent as the colour followed by codes that each
// stand for one pixel more than the previous one (codes the decoder defines as it reads them),
// so a decoder rebuilds the runs without the encoder keeping a dictionary of strings.
class TRLEEncoder : public TGIFEncoder {
 protected:
  void EmitCode(int code) override;
  void EmitClear() override;
  void EncodeBody() override;

 private:
  void EmitRun(int color, std::int64_t length);

  int decoderNext_ = 0;       // the code the decoder defines on the next code it reads
  bool afterClear_ = true;    // the next code is the first after a clear code: it defines nothing
  std::array<int, 4096> runCodes_;  // runCodes_[n]: a code standing for n pixels of the current run's colour
};

std::unique_ptr<TGIFEncoder> NewEncoder(TGIFEncoding encoding);

}  // namespace gif
