// Pictures of arbitrary pixels, pixel format and encoder settings go through the GIF import
// and writer; giflib must read the file back to exactly the frame's indices.
#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "gif/GIFImage.h"

namespace {

struct Source {
  const std::uint8_t* data;
  std::size_t size, position;
};

int ReadSource(GifFileType* gif, GifByteType* buffer, int count) {
  auto* source = static_cast<Source*>(gif->UserData);
  const std::size_t n = std::min<std::size_t>(count, source->size - source->position);
  std::memcpy(buffer, source->data + source->position, n);
  source->position += n;
  return static_cast<int>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  static constexpr gfx::TPixelFormat formats[] = {gfx::pf1bit, gfx::pf4bit, gfx::pf8bit, gfx::pf15bit,
                                                   gfx::pf16bit, gfx::pf24bit, gfx::pf32bit};
  const int width = 1 + data[0] % 97, height = 1 + data[1] % 61;
  const gfx::TPixelFormat format = formats[data[2] % 7];
  const auto method = static_cast<colorreduce::TReductionMethod>(data[3] % 9);  // rdNone .. rdQuantizeSystem
  const auto dither = static_cast<colorreduce::TDitherKind>(data[4] % 7);
  const bool runEncoder = (data[4] & 0x80) != 0;
  data += 5;
  size -= 5;

  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  const std::size_t rowBytes = static_cast<std::size_t>((width * gfx::BitsPerPixel(format) + 7) / 8);
  for (int y = 0; y < height && size > 0; ++y) {
    const std::size_t n = std::min(rowBytes, size);
    std::memcpy(bitmap.ScanLine(y), data, n);
    data += n;
    size -= n;
  }

  gif::TGIFImage image;
  image.ReductionMethod = method;
  image.DitherKind = dither;
  image.Encoding = runEncoder ? gif::enRLE : gif::enLZW;
  gfx::TMemoryStream file;
  try {
    image.Assign(&bitmap);
    image.SaveToStream(file);
  } catch (const gfx::Exception&) {
    return 0;  // e.g. more than 256 colours without reduction, or indices beyond a small table
  }

  gif::TGIFSubImage& frame = *image.Frames().SubImages(0);
  Source source{file.Memory(), file.Bytes().size(), 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, ReadSource, &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1 ||
      std::memcmp(gif->SavedImages[0].RasterBits, frame.PixelData(), frame.PixelDataSize()) != 0)
    std::abort();
  DGifCloseFile(gif, &error);
  return 0;
}
