#include "tests/png/PngTestKit.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <utility>

#include "gfx/Bytes.h"

namespace pngtest {

std::vector<Chunk> SplitChunks(std::span<const std::uint8_t> file) {
  static const std::uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<Chunk> chunks;
  if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0) {
    ADD_FAILURE() << "no PNG signature";
    return chunks;
  }
  std::size_t pos = 8;
  while (pos < file.size()) {
    if (file.size() - pos < 12) {
      ADD_FAILURE() << "chunk header cut short at " << pos;
      return {};
    }
    Chunk c;
    c.length = gfx::GetU32BE(file.data() + pos);
    c.type.assign(reinterpret_cast<const char*>(file.data() + pos + 4), 4);
    if (file.size() - pos - 12 < c.length) {
      ADD_FAILURE() << c.type << " chunk cut short";
      return {};
    }
    c.data.assign(file.data() + pos + 8, file.data() + pos + 8 + c.length);
    const std::uint32_t stored = gfx::GetU32BE(file.data() + pos + 8 + c.length);
    c.crcOk = crc32(0, file.data() + pos + 4, 4 + c.length) == stored;
    EXPECT_TRUE(c.crcOk) << c.type << " CRC";
    pos += 12 + c.length;
    chunks.push_back(std::move(c));
  }
  return chunks;
}

std::vector<std::string> ChunkTypes(const std::vector<Chunk>& chunks) {
  std::vector<std::string> types;
  for (const Chunk& c : chunks) types.push_back(c.type);
  return types;
}

const Chunk* FindChunk(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& c : chunks)
    if (c.type == type) return &c;
  return nullptr;
}

std::vector<std::uint32_t> IDATLengths(const std::vector<Chunk>& chunks) {
  std::vector<std::uint32_t> lengths;
  for (const Chunk& c : chunks)
    if (c.type == "IDAT") lengths.push_back(c.length);
  return lengths;
}

std::vector<std::uint8_t> InflateImageData(const std::vector<Chunk>& chunks) {
  std::vector<std::uint8_t> compressed;
  for (const Chunk& c : chunks)
    if (c.type == "IDAT") compressed.insert(compressed.end(), c.data.begin(), c.data.end());
  z_stream z{};
  EXPECT_EQ(inflateInit(&z), Z_OK);
  std::vector<std::uint8_t> out;
  std::uint8_t buffer[16384];
  z.next_in = compressed.data();
  z.avail_in = static_cast<uInt>(compressed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
  }
  EXPECT_EQ(result, Z_STREAM_END) << "image data is not one complete zlib stream";
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the zlib stream";
  inflateEnd(&z);
  return out;
}

std::vector<std::uint8_t> Bytes(const gfx::TMemoryStream& stream) {
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

std::vector<std::uint8_t> Save(png::TPNGGraphic& graphic) {
  gfx::TMemoryStream stream;
  graphic.SaveToStream(stream);
  return Bytes(stream);
}

std::vector<std::uint8_t> SaveWithFixedTime(png::TPNGGraphic& graphic) {
  graphic.UseCurrentTime = false;
  graphic.ImageTime = {2024, 5, 6, 7, 8, 9};
  return Save(graphic);
}

std::vector<std::uint8_t> Write(png::TPNGWriteStream& writer, gfx::TBitmap& bitmap) {
  gfx::TMemoryStream stream;
  writer.Write(bitmap, stream);
  return Bytes(stream);
}

std::size_t TRecordingStream::Write(const void* data, std::size_t count) {
  const std::size_t room = acceptLimit > bytes.size() ? acceptLimit - bytes.size() : 0;
  const std::size_t taken = count < room ? count : room;
  blocks.push_back(count);
  const auto* p = static_cast<const std::uint8_t*>(data);
  bytes.insert(bytes.end(), p, p + taken);
  return taken;
}

int IndexAt(const gfx::TBitmap& bitmap, int x, int y) {
  const std::uint8_t* row = bitmap.ScanLine(y);
  switch (bitmap.PixelFormat()) {
    case gfx::pf1bit: return (row[x / 8] >> (7 - x % 8)) & 1;
    case gfx::pf4bit: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    default: return row[x];
  }
}

}  // namespace pngtest
