#pragma once
// Small helpers for the PNG tests: split a file into chunks (checking each CRC with zlib),
// inflate the image data, and encode pictures into memory.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Stream.h"
#include "png/PNGGraphic.h"
#include "png/PNGWriteStream.h"

namespace pngtest {

struct Chunk {
  std::string type;
  std::uint32_t length = 0;  // the length field as written
  std::vector<std::uint8_t> data;
  bool crcOk = false;
};

// Raises (gtest failure + empty result) when the signature is missing or a chunk is cut short.
std::vector<Chunk> SplitChunks(std::span<const std::uint8_t> file);
std::vector<std::string> ChunkTypes(const std::vector<Chunk>& chunks);
const Chunk* FindChunk(const std::vector<Chunk>& chunks, const std::string& type);
std::vector<std::uint32_t> IDATLengths(const std::vector<Chunk>& chunks);
// All IDAT data concatenated and inflated with zlib's own inflater.
std::vector<std::uint8_t> InflateImageData(const std::vector<Chunk>& chunks);

std::vector<std::uint8_t> Bytes(const gfx::TMemoryStream& stream);
std::vector<std::uint8_t> Save(png::TPNGGraphic& graphic);
// A graphic holding bitmap with a fixed time stamp, so repeated saves give the same bytes.
std::vector<std::uint8_t> SaveWithFixedTime(png::TPNGGraphic& graphic);
std::vector<std::uint8_t> Write(png::TPNGWriteStream& writer, gfx::TBitmap& bitmap);

// A stream that keeps every block it is handed, and can refuse writes after a byte budget.
class TRecordingStream : public gfx::TStream {
 public:
  std::size_t Write(const void* data, std::size_t count) override;
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t, gfx::TSeekOrigin) override { return static_cast<std::int64_t>(bytes.size()); }
  void SetSize(std::int64_t) override {}

  std::vector<std::size_t> blocks;
  std::vector<std::uint8_t> bytes;
  std::size_t acceptLimit = SIZE_MAX;  // total bytes taken before writes come up short
};

// Palette index of pixel x in a row of an indexed bitmap.
int IndexAt(const gfx::TBitmap& bitmap, int x, int y);

}  // namespace pngtest
