// The BMP file form of TBitmap: writing every format, reading uncompressed files.
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"

namespace gfx {

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;

[[noreturn]] void Refuse(std::string_view reason) {
  throw EInvalidGraphic(std::string(Msg::InvalidBitmap) + ": " + std::string(reason));
}

// A channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  static Channel FromMask(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    const std::uint32_t field = mask >> c.shift;
    if ((field & (field + 1)) != 0) Refuse("ビット フィールドのマスクが連続していません");
    c.bits = std::popcount(field);
    return c;
  }
  std::uint8_t Extract(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    const std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
  }
};

struct Header {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top-down
  std::uint16_t bitCount = 0;
  std::uint32_t compression = BI_RGB;
  std::uint32_t colorsUsed = 0;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue
  bool hasMasks = false;
};

void ReadExactly(TStream& stream, void* data, std::size_t count) {
  if (stream.Read(data, count) != count) Refuse("ファイルが途中で切れています");
}

Header ReadInfoHeader(TStream& stream) {
  std::uint8_t raw[124] = {};
  ReadExactly(stream, raw, 4);
  Header h;
  h.size = GetU32LE(raw);
  if (h.size == 12) {  // the old core header: 16-bit sizes, no compression
    ReadExactly(stream, raw + 4, 8);
    h.width = GetU16LE(raw + 4);
    h.height = GetU16LE(raw + 6);
    if (GetU16LE(raw + 8) != 1) Refuse("プレーン数が 1 ではありません");
    h.bitCount = GetU16LE(raw + 10);
    return h;
  }
  if (h.size != 40 && h.size != 52 && h.size != 56 && h.size != 108 && h.size != 124)
    Refuse("情報ヘッダーのサイズに対応していません");
  ReadExactly(stream, raw + 4, h.size - 4);
  h.width = static_cast<std::int32_t>(GetU32LE(raw + 4));
  h.height = static_cast<std::int32_t>(GetU32LE(raw + 8));
  if (GetU16LE(raw + 12) != 1) Refuse("プレーン数が 1 ではありません");
  h.bitCount = GetU16LE(raw + 14);
  h.compression = GetU32LE(raw + 16);
  h.colorsUsed = GetU32LE(raw + 32);
  if (h.compression == BI_BITFIELDS) {
    if (h.size >= 52) {
      h.masks = {GetU32LE(raw + 40), GetU32LE(raw + 44), GetU32LE(raw + 48)};
    } else {
      std::uint8_t m[12];
      ReadExactly(stream, m, sizeof m);
      h.masks = {GetU32LE(m), GetU32LE(m + 4), GetU32LE(m + 8)};
    }
    h.hasMasks = true;
  }
  return h;
}

bool MasksAre(const Header& h, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return h.masks[0] == r && h.masks[1] == g && h.masks[2] == b;
}

}  // namespace

void TBitmap::SaveToStream(TStream& stream) {
  if (Empty()) return;
  const TPixelFormat format = PixelFormat();
  const int bits = BitsPerPixel(format);
  const bool bitfields = format == pf16bit;
  const std::size_t tableBytes = IsIndexed(format) ? ColorTable().size() * 4 : (bitfields ? 12 : 0);
  const std::size_t offset = FileHeaderSize + InfoHeaderSize + tableBytes;
  const std::size_t imageSize = ImageSize();

  std::vector<std::uint8_t> header(offset, 0);
  std::uint8_t* p = header.data();
  p[0] = 'B';
  p[1] = 'M';
  PutU32LE(p + 2, static_cast<std::uint32_t>(offset + imageSize));  // fits: see MaxPixelBytes
  PutU32LE(p + 10, static_cast<std::uint32_t>(offset));
  p += FileHeaderSize;
  PutU32LE(p + 0, InfoHeaderSize);
  PutU32LE(p + 4, static_cast<std::uint32_t>(Width()));
  PutU32LE(p + 8, static_cast<std::uint32_t>(Height()));
  PutU16LE(p + 12, 1);
  PutU16LE(p + 14, static_cast<std::uint32_t>(bits));
  PutU32LE(p + 16, bitfields ? BI_BITFIELDS : BI_RGB);
  PutU32LE(p + 20, static_cast<std::uint32_t>(imageSize));
  if (IsIndexed(format)) PutU32LE(p + 32, static_cast<std::uint32_t>(ColorTable().size()));
  p += InfoHeaderSize;
  if (bitfields) {
    PutU32LE(p, 0xF800);
    PutU32LE(p + 4, 0x07E0);
    PutU32LE(p + 8, 0x001F);
  }
  for (const TRGBQuad& q : ColorTable()) {
    if (!IsIndexed(format)) break;
    *p++ = q.Blue;
    *p++ = q.Green;
    *p++ = q.Red;
    *p++ = 0;
  }
  stream.WriteBuffer(header.data(), header.size());
  stream.WriteBuffer(static_cast<const TBitmap&>(*this).Bits(), imageSize);  // one block, no per-row copy
}

void TBitmap::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  const std::int64_t available = stream.Size() - start;

  std::uint8_t fileHeader[FileHeaderSize];
  ReadExactly(stream, fileHeader, sizeof fileHeader);
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') Refuse("BMP ファイルではありません");
  const std::uint32_t pixelOffset = GetU32LE(fileHeader + 10);

  const Header h = ReadInfoHeader(stream);
  if (h.width <= 0 || h.height == 0) Refuse("幅または高さが 0 以下です");
  const std::int64_t height = h.height < 0 ? -h.height : h.height;
  const bool topDown = h.height < 0;

  TPixelFormat format = pfCustom;
  switch (h.bitCount) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 16: format = pf15bit; break;
    case 24: format = pf24bit; break;
    case 32: format = pf32bit; break;
    default: Refuse("このビット数には対応していません");
  }
  if (h.compression == BI_BITFIELDS) {
    if (h.bitCount != 16 && h.bitCount != 32) Refuse("ビット フィールドは 16 ビットと 32 ビットだけです");
  } else if (h.compression != BI_RGB) {
    Refuse("圧縮された BMP には対応していません");
  }

  // Colour table of the indexed formats.
  std::vector<TRGBQuad> table;
  if (IsIndexed(format)) {
    const std::uint32_t maxEntries = 1u << h.bitCount;
    const std::uint32_t entries = h.colorsUsed == 0 ? maxEntries : h.colorsUsed;
    if (entries > maxEntries) Refuse("カラー テーブルの項目が多すぎます");
    const std::size_t entrySize = h.size == 12 ? 3 : 4;
    std::vector<std::uint8_t> raw(entries * entrySize);
    ReadExactly(stream, raw.data(), raw.size());
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint8_t* e = raw.data() + i * entrySize;
      table.push_back({e[0], e[1], e[2], 0});
    }
  }

  // Choose how the pixels are kept.
  bool convertFields = false;
  Channel red, green, blue;
  if (h.hasMasks) {
    if (h.bitCount == 16 && MasksAre(h, 0xF800, 0x07E0, 0x001F)) {
      format = pf16bit;
    } else if (h.bitCount == 16 && MasksAre(h, 0x7C00, 0x03E0, 0x001F)) {
      format = pf15bit;
    } else if (h.bitCount == 32 && MasksAre(h, 0xFF0000, 0xFF00, 0xFF)) {
      format = pf32bit;
    } else {
      red = Channel::FromMask(h.masks[0]);
      green = Channel::FromMask(h.masks[1]);
      blue = Channel::FromMask(h.masks[2]);
      convertFields = true;
      format = h.bitCount == 16 ? pf24bit : pf32bit;
    }
  }

  if (h.width > 0x7FFFFFFF || height > 0x7FFFFFFF) Refuse("幅または高さが大きすぎます");
  const std::int64_t fileStride = RowStride(h.width, h.bitCount);
  const std::int64_t pixelBytes = fileStride * height;
  const std::int64_t headersEnd = stream.Position() - start;
  if (pixelOffset < headersEnd) Refuse("画素データの位置が不正です");
  // Refuse before allocating: a tiny file must not make us reserve gigabytes.
  if (static_cast<std::int64_t>(pixelOffset) + pixelBytes > available) Refuse("ファイルが途中で切れています");

  auto image = NewImage(static_cast<int>(h.width), static_cast<int>(height), format);
  if (IsIndexed(format)) image->colorTable = std::move(table);
  stream.SetPosition(start + pixelOffset);

  std::vector<std::uint8_t> row(static_cast<std::size_t>(fileStride));
  for (std::int64_t i = 0; i < height; ++i) {
    // Storage is bottom-up; a top-down file's first row is the top row.
    const std::int64_t storageRow = topDown ? height - 1 - i : i;
    std::uint8_t* dst = image->pixels.Data() + storageRow * image->stride;
    if (!convertFields) {
      ReadExactly(stream, dst, static_cast<std::size_t>(fileStride));
      continue;
    }
    ReadExactly(stream, row.data(), row.size());
    for (std::int64_t x = 0; x < h.width; ++x) {
      const std::uint32_t pixel = h.bitCount == 16 ? GetU16LE(row.data() + 2 * x) : GetU32LE(row.data() + 4 * x);
      std::uint8_t* out = dst + x * (h.bitCount == 16 ? 3 : 4);
      out[0] = blue.Extract(pixel);
      out[1] = green.Extract(pixel);
      out[2] = red.Extract(pixel);
    }
  }
  AdoptImage(std::move(image));
}

}  // namespace gfx
