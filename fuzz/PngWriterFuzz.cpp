// Arbitrary BMP bytes as the picture, the first bytes as the PNG settings: every format row,
// filter mode, interlacing, mask, colours and IDAT size must write without a fault, and the
// image data must come out as whole chunks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx/Bitmap.h"
#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "png/PNGGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t SettingsBytes = 16;
  if (size < SettingsBytes) return 0;
  const std::uint8_t* s = data;
  gfx::TMemoryStream input;
  input.Write(data + SettingsBytes, size - SettingsBytes);
  input.SetPosition(0);
  gfx::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(input);
  } catch (const gfx::Exception&) {
    return 0;
  }
  if (static_cast<std::int64_t>(bitmap.Width()) * bitmap.Height() > (1 << 18)) return 0;

  png::TPNGGraphic graphic;
  graphic.Assign(&bitmap);
  graphic.FilterMode = s[0] % 8;
  graphic.Interlaced = s[1] & 1;
  graphic.Grayscale = s[1] & 2;
  graphic.HasAlpha = s[1] & 4;
  graphic.CompressionLevel = static_cast<std::int8_t>(s[2]) % 12;
  graphic.IDATSize = 256 + gfx::GetU16LE(s + 3) % 2000;
  graphic.BackgroundColor = (s[1] & 8) ? static_cast<std::int32_t>(gfx::GetU32LE(s + 5)) : -1;
  graphic.TransparentColor = (s[1] & 16) ? static_cast<std::int32_t>(gfx::GetU32LE(s + 9)) : -1;
  graphic.SignificantBits = (s[1] & 32) ? gfx::GetU32LE(s + 5) : 0;
  graphic.PhysUnit = s[13] % 4;
  graphic.PhysX = graphic.PhysY = s[14];
  if (graphic.HasAlpha) {
    graphic.AlphaMask().SetPixelFormat((s[15] & 1) ? gfx::pf8bit : gfx::pf24bit);
    graphic.AlphaMask().SetSize(bitmap.Width(), bitmap.Height() - (s[15] >> 7));
  }
  gfx::TMemoryStream output;
  try {
    graphic.SaveToStream(output);
  } catch (const gfx::Exception&) {
    // Refused with a message (a palette bitmap without colours): nothing else may fail.
    return 0;
  }
  // The file must end with a complete IEND chunk.
  const auto bytes = output.Bytes();
  if (bytes.size() < 8 + 12 || gfx::GetU32BE(bytes.data() + bytes.size() - 12) != 0 ||
      gfx::GetU32BE(bytes.data() + bytes.size() - 8) != 0x49454E44)
    std::abort();
  return 0;
}
