#include "gif/LZWEncoder.h"

#include <algorithm>
#include <string>

#include "gif/GIFException.h"
#include "gif/Messages.h"

namespace gif {

// ---- TGIFEncoder ----

void TGIFEncoder::Encode(gfx::TStream& stream, int minCodeSize, int width, int height, bool interlace,
                         const std::uint8_t* pixels, int colorLimit) {
  Stream = &stream;
  MinCodeSize = static_cast<std::uint8_t>(std::max(minCodeSize, 2));
  Width = width;
  Height = height;
  Interlace = interlace;
  PixelData = pixels;
  ColorLimit = colorLimit;
  StartWidth = MinCodeSize + 1;

  // LZW Minimum Code Size: a byte of its own, in front of the sub-blocks.
  stream.WriteBuffer(&MinCodeSize, 1);

  CodeWidth = StartWidth;
  WidthLimit = static_cast<std::int16_t>((1 << CodeWidth) - 1);
  ClearCodeValue = static_cast<std::int16_t>(1 << MinCodeSize);
  EndCodeValue = static_cast<std::int16_t>(ClearCodeValue + 1);
  FirstFreeCode = static_cast<std::int16_t>(ClearCodeValue + 2);
  bitBucket_ = 0;
  BitsInBucket = 0;
  ResetPending = false;
  PixelsLeft = interlace ? width : static_cast<std::int64_t>(width) * height;
  RowIndex = 0;
  PassIndex = 0;

  TGIFWriter writer(stream);  // on an error its destructor still writes the block in progress
  BlockWriter = &writer;
  try {
    if (PixelData != nullptr && height > 0 && width > 0) EncodeBody();
    EmitCode(EndCodeValue);
  } catch (...) {
    BlockWriter = nullptr;
    throw;
  }
  BlockWriter = nullptr;
  writer.Finish();  // the last sub-block and the block terminator
}

void TGIFEncoder::EmitCode(int code) { PackCode(code); }

void TGIFEncoder::EmitClear() {
  ResetPending = true;
  EmitCode(ClearCodeValue);
}

bool TGIFEncoder::NextPixel() {
  if (--PixelsLeft >= 1) return true;
  if (!Interlace) return false;
  // Interlaced rows: pass 0 every 8th row from 0, pass 1 every 8th from 4,
  // pass 2 every 4th from 2, pass 3 every 2nd from 1.
  static constexpr int step[4] = {8, 8, 4, 2};
  static constexpr int start[4] = {0, 4, 2, 1};
  PixelsLeft = Width;
  RowIndex += step[PassIndex];
  while (RowIndex >= Height) {
    if (++PassIndex > 3) return false;
    RowIndex = start[PassIndex];
  }
  PixelCursor = PixelData + static_cast<std::int64_t>(RowIndex) * Width;
  return true;
}

void TGIFEncoder::ColorNotInTable() { throw GIFException(std::string(Msg::ColorNotInTable)); }

// ---- TLZWEncoder ----

void TLZWEncoder::EmitCode(int code) {
  PackCode(code);
  ControlWidth();
}

void TLZWEncoder::EmitClear() {
  ResetPending = true;
  TLZWEncoder::EmitCode(ClearCodeValue);
  Dictionary->Wipe();
  NextFreeCode = static_cast<std::int16_t>(ClearCodeValue + 2);
}

void TLZWEncoder::EncodeBody() {
  Dictionary = std::make_unique<THashTable>();
  struct FreeDictionary {
    std::unique_ptr<THashTable>& table;
    ~FreeDictionary() { table.reset(); }
  } freeDictionary{Dictionary};

  TLZWEncoder::EmitClear();  // every code stream starts with a clear code
  PixelCursor = PixelData;
  if (*PixelCursor >= ColorLimit) ColorNotInTable();
  PrefixCode = *PixelCursor++;

  if (!Interlace) {
    EncodeRun(PixelCursor, PixelData + static_cast<std::int64_t>(Width) * Height);
  } else {
    // Row by row in interlaced order; the first row has already given its first pixel.
    const std::uint8_t* rowEnd = PixelData + Width;
    EncodeRun(PixelCursor, rowEnd);
    PixelsLeft = 1;  // the row is done: NextPixel moves to the next row
    while (NextPixel()) {
      EncodeRun(PixelCursor, PixelCursor + Width);
      PixelsLeft = 1;
    }
  }
  TLZWEncoder::EmitCode(PrefixCode);
}

// The dictionary walk over consecutive pixels: extend the current string while it is known,
// else send its code, start again from the pixel and give the new string the next code.
// The same steps as EmitCode and EmitClear, with the encoder's state held in locals so the
// loop runs in registers; the state goes back into the members at the end.
template <bool CheckLimit>
void TLZWEncoder::EncodeRunWith(const std::uint8_t* cursor, const std::uint8_t* end) {
  THashTable& dictionary = *Dictionary;
  TGIFWriter& writer = *BlockWriter;
  const int colorLimit = ColorLimit;
  const int clearCode = ClearCodeValue;
  const int startWidth = StartWidth;
  int prefix = PrefixCode;
  int nextFree = NextFreeCode;
  int width = CodeWidth;
  int widthLimit = WidthLimit;
  std::uint32_t bucket = BitsInBucket > 0 ? bitBucket_ & ((1u << BitsInBucket) - 1) : 0;
  int bits = BitsInBucket;

  auto pack = [&](int code) {
    bucket |= static_cast<std::uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      writer.WriteOneByte(static_cast<std::uint8_t>(bucket));
      bucket >>= 8;
      bits -= 8;
    }
  };

  while (cursor != end) {
    const int c = *cursor++;
    if constexpr (CheckLimit) {
      if (c >= colorLimit) ColorNotInTable();
    }
    std::uint32_t slot;
    const int code = dictionary.FindCode(static_cast<std::uint32_t>(prefix), static_cast<std::uint32_t>(c), slot);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(c);
    pack(prefix);
    if (nextFree > widthLimit) {  // the code just sent used the last value of its width
      ++width;
      widthLimit = width == 12 ? 4096 : (1 << width) - 1;
    }
    prefix = c;
    if (nextFree < MaxCode) {
      dictionary.StoreAt(slot, key, nextFree);
      ++nextFree;
    } else {
      // The clear code, at the current width; then the dictionary starts again.
      pack(clearCode);
      width = startWidth;
      widthLimit = (1 << startWidth) - 1;
      dictionary.Wipe();
      nextFree = clearCode + 2;
    }
  }
  PrefixCode = static_cast<std::int16_t>(prefix);
  NextFreeCode = static_cast<std::int16_t>(nextFree);
  CodeWidth = width;
  WidthLimit = static_cast<std::int16_t>(widthLimit);
  bitBucket_ = bucket;
  BitsInBucket = bits;
  ResetPending = false;
  PixelCursor = cursor;
}

void TLZWEncoder::EncodeRun(const std::uint8_t* cursor, const std::uint8_t* end) {
  // An 8-bit index is always below a limit of 256: no check per pixel is needed then.
  if (ColorLimit >= 256)
    EncodeRunWith<false>(cursor, end);
  else
    EncodeRunWith<true>(cursor, end);
}

// ---- TRLEEncoder ----

void TRLEEncoder::EmitCode(int code) {
  PackCode(code);
  if (code == ClearCodeValue) {
    CodeWidth = StartWidth;
    decoderNext_ = FirstFreeCode;
    afterClear_ = true;
    ResetPending = false;
    return;
  }
  if (code == EndCodeValue) return;
  // What a decoder does after reading a code: define one string (except right after a clear
  // code), and widen the codes once the next definition needs another bit.
  if (afterClear_) {
    afterClear_ = false;
    return;
  }
  ++decoderNext_;
  if (decoderNext_ == (1 << CodeWidth) && CodeWidth < 12) ++CodeWidth;
}

void TRLEEncoder::EmitClear() {
  ResetPending = true;
  TRLEEncoder::EmitCode(ClearCodeValue);
}

void TRLEEncoder::EncodeBody() {
  TRLEEncoder::EmitClear();
  PixelCursor = PixelData;
  int color = *PixelCursor++;
  if (color >= ColorLimit) ColorNotInTable();
  std::int64_t length = 1;
  while (NextPixel()) {
    const int c = *PixelCursor++;
    if (c >= ColorLimit) ColorNotInTable();
    if (c == color) {
      ++length;
      continue;
    }
    EmitRun(color, length);
    color = c;
    length = 1;
  }
  EmitRun(color, length);
}

void TRLEEncoder::EmitRun(int color, std::int64_t length) {
  // The decoder's table must never fill up: clear well before its last code.
  constexpr int lastSafeCode = 4093;
  int known = 0;  // runCodes_[2..known] stand for 2..known pixels of this colour
  bool previousIsRun = false;  // the last code sent stands for `known` pixels of this colour
  while (length > 0) {
    if (decoderNext_ >= lastSafeCode) {
      TRLEEncoder::EmitClear();
      known = 0;
      previousIsRun = false;
    }
    if (!previousIsRun || afterClear_) {
      // The colour itself: one pixel.
      TRLEEncoder::EmitCode(color);
      --length;
      previousIsRun = true;
      known = 1;
      continue;
    }
    if (length >= known + 1) {
      // The code the decoder is about to define: the previous string plus its first pixel,
      // that is one pixel more of this colour.
      const int code = decoderNext_;
      TRLEEncoder::EmitCode(code);
      ++known;
      runCodes_[known] = code;
      length -= known;
      continue;
    }
    // Fewer pixels left than the next longer string: the longest known string that fits.
    const int n = static_cast<int>(length);
    TRLEEncoder::EmitCode(n == 1 ? color : runCodes_[n]);
    length -= n;
  }
}

std::unique_ptr<TGIFEncoder> NewEncoder(TGIFEncoding encoding) {
  if (encoding == enRLE) return std::make_unique<TRLEEncoder>();
  return std::make_unique<TLZWEncoder>();
}

}  // namespace gif
