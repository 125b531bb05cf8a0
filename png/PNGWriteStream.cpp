#include "png/PNGWriteStream.h"

#include <zlib.h>

#include "gfx/Bytes.h"
#include "png/PNGErrors.h"

namespace png {

namespace {
constexpr std::uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::string_view SoftwareText = "KORPNG ver 3.4";
}  // namespace

void TPNGWriteStream::SetIDATSize(std::int32_t value) {
  if (value < MinIDATSize || value > MaxIDATSize) throw EPNGImageError(Msg::IDATSizeRange);
  idatSize_ = value;
}

void TPNGWriteStream::WriteChunk(const char* type, const std::uint8_t* data, std::int32_t length) {
  const auto* typeBytes = reinterpret_cast<const Bytef*>(type);
  PutU32BE(static_cast<std::uint32_t>(length));
  PutBytes(typeBytes, 4);
  uLong crc = crc32(0L, typeBytes, 4);
  if (data != nullptr && length > 0) {
    PutBytes(data, static_cast<std::size_t>(length));
    crc = crc32(crc, data, static_cast<uInt>(length));
  }
  PutU32BE(static_cast<std::uint32_t>(crc));
}

void TPNGWriteStream::WriteChunkUnlessEmpty(const char* type, const std::vector<std::uint8_t>& body) {
  if (!body.empty()) WriteChunk(type, body.data(), static_cast<std::int32_t>(body.size()));
}

void TPNGWriteStream::WriteImage() {
  const auto* bitmap = dynamic_cast<const gfx::TBitmap*>(Graphic());
  if (bitmap == nullptr) throw EPNGImageError(Msg::NotABitmap);

  acceptedMask_ = AcceptsMask(*bitmap, AlphaSource) ? AlphaSource : nullptr;
  format_ = DecideFormat(bitmap->PixelFormat(), Grayscale, acceptedMask_ != nullptr);
  palette_.clear();
  for (const gfx::TRGBQuad& q : bitmap->ColorTable()) {
    if (palette_.size() == 256) break;
    palette_.push_back({q.Red, q.Green, q.Blue, 0});
  }
  // A palette image needs its PLTE chunk; without entries the file would be invalid.
  if (format_.ColourType == ctPalette && palette_.empty()) throw EPNGImageError(Msg::NoPalette);
  sourceRowBytes_ = PaddedRowBytes(bitmap->Width(), format_.PNGBits);
  SignificantBits = SignificantBitsValue(format_.SourceBits, SignificantBits, format_.AlphaOut);

  BeginProgress();
  BeginStage(10, 30);
  WriteHeaderChunks(*bitmap);
  StepProgress(10);
  WriteImageData(*bitmap);
  WriteChunk("IEND", nullptr, 0);
  EndProgress();
}

void TPNGWriteStream::WriteHeaderChunks(const gfx::TBitmap& bitmap) {
  PutBytes(Signature, sizeof Signature);

  std::uint8_t ihdr[13];
  gfx::PutU32BE(ihdr, static_cast<std::uint32_t>(bitmap.Width()));
  gfx::PutU32BE(ihdr + 4, static_cast<std::uint32_t>(bitmap.Height()));
  ihdr[8] = static_cast<std::uint8_t>(format_.BitDepth);
  ihdr[9] = format_.ColourType;
  ihdr[10] = 0;  // compression method
  ihdr[11] = 0;  // filter method
  ihdr[12] = Interlaced ? 1 : 0;
  WriteChunk("IHDR", ihdr, sizeof ihdr);

  std::optional<std::array<std::uint8_t, 7>> time;
  if (UseCurrentTime)
    time = TimeBody(CurrentUTCTime());
  else if (ImageTime != nullptr)
    time = TimeBody(*ImageTime);
  if (time) WriteChunk("tIME", time->data(), 7);

  if (auto body = TextBody("Comment", Comment)) WriteChunkUnlessEmpty("tEXt", *body);
  if (auto body = TextBody("Software", SoftwareText)) WriteChunkUnlessEmpty("tEXt", *body);

  const std::uint8_t tpng[8] = {'K', 'O', 'R', '3', static_cast<std::uint8_t>(RowHookApplies() ? 1 : 0), 0, 0, 0};
  WriteChunk("tpNG", tpng, sizeof tpng);

  if (GIFControl != nullptr && (*GIFControl)[0] | (*GIFControl)[1] | (*GIFControl)[2] | (*GIFControl)[3])
    WriteChunk("gIFg", GIFControl->data(), 4);

  if (auto gamma = GammaValue(Gamma)) {
    std::uint8_t body[4];
    gfx::PutU32BE(body, *gamma);
    WriteChunk("gAMA", body, sizeof body);
  }

  if (Chromaticities != nullptr && (*Chromaticities)[0] > 0 && (*Chromaticities)[1] > 0) {
    std::uint8_t body[32];
    for (int i = 0; i < 8; ++i) gfx::PutU32BE(body + 4 * i, (*Chromaticities)[i]);
    WriteChunk("cHRM", body, sizeof body);
  }

  WriteChunkUnlessEmpty("sBIT", SignificantBitsBody(SignificantBits, format_));

  if (format_.ColourType == ctPalette) {
    std::vector<std::uint8_t> plte;
    plte.reserve(palette_.size() * 3);
    for (const gfx::TPaletteEntry& e : palette_) plte.insert(plte.end(), {e.Red, e.Green, e.Blue});
    WriteChunkUnlessEmpty("PLTE", plte);
  }

  WriteChunkUnlessEmpty("bKGD", BackgroundBody(BackgroundColor, format_, palette_));
  WriteChunkUnlessEmpty("tRNS", TransparencyBody(TransparentColor, format_, palette_));

  if (auto phys = PhysBody(PhysUnit, PhysX, PhysY)) WriteChunk("pHYs", phys->data(), 9);
}

}  // namespace png
