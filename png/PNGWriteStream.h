#pragma once
// TPNGWriteStream: writes one PNG datastream for a TBitmap: signature, header chunks chosen
// from the settings and the pixel format, the image data as IDAT chunks, IEND.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "png/CustomWriteStream.h"
#include "png/PNGChunks.h"
#include "png/PNGFormat.h"

namespace png {

using TPNGChromaticities = std::array<std::uint32_t, 8>;  // white x, y, red x, y, green x, y, blue x, y
using TPNGGIFControl = std::array<std::uint8_t, 4>;       // disposal, user input, delay (2 bytes)

class TPNGWriteStream;
// Sees each converted row before it is filtered and may change it in place.
using TPNGWriteRowEvent = std::function<void(TPNGWriteStream* sender, std::uint8_t* row, int count,
                                             int rowNumber, const std::string& key)>;

class TPNGWriteStream : public TCustomGraphicWriteStream {
 public:
  static constexpr std::int32_t MinIDATSize = 256;
  static constexpr std::int32_t MaxIDATSize = 100000;

  TPNGWriteStream() = default;

  std::int32_t IDATSize() const { return idatSize_; }
  // 256 to 100000; anything else raises EPNGImageError and keeps the old size.
  void SetIDATSize(std::int32_t value);

  std::int32_t CompressionLevel = -1;
  std::int32_t FilterMode = 1;  // only the low byte counts
  bool Interlaced = false;
  bool Grayscale = false;
  std::int32_t BackgroundColor = NoColour;
  std::int32_t TransparentColor = NoColour;
  std::string Comment;
  double Gamma = 0.0;
  std::int32_t PhysUnit = 0;
  std::int32_t PhysX = 0;
  std::int32_t PhysY = 0;
  std::uint32_t SignificantBits = 0;
  std::string RowKey;
  const gfx::TBitmap* AlphaSource = nullptr;
  bool UseCurrentTime = true;
  const TPNGTime* ImageTime = nullptr;
  const TPNGChromaticities* Chromaticities = nullptr;
  const TPNGGIFControl* GIFControl = nullptr;
  TPNGWriteRowEvent OnWriteRow;

  // The one place that frames a chunk: length, type, data, CRC-32 over type and data.
  // Absent data or a length of 0 or less writes that length and no data bytes.
  void WriteChunk(const char* type, const std::uint8_t* data, std::int32_t length);

 protected:
  void WriteImage() override;

 private:
  void WriteHeaderChunks(const gfx::TBitmap& bitmap);
  // An empty body means the chunk is left out.
  void WriteChunkUnlessEmpty(const char* type, const std::vector<std::uint8_t>& body);
  // Rows converted, filtered and compressed into IDAT chunks.
  void WriteImageData(const gfx::TBitmap& bitmap);
  bool RowHookApplies() const { return !RowKey.empty() && static_cast<bool>(OnWriteRow); }

  std::int32_t idatSize_ = 32768;
  TPNGFormat format_;
  const gfx::TBitmap* acceptedMask_ = nullptr;
  std::vector<gfx::TPaletteEntry> palette_;
  std::int64_t sourceRowBytes_ = 0;
  std::array<std::uint8_t, 256> grayTable_{};
};

// Rows the progress report counts: the height, or the rows of all seven passes.
int ProgressRowTotal(int height, bool interlaced);

}  // namespace png
