// Feeds arbitrary bytes to the BMP reader; a picture that loads is also saved again
// through the 24-bit conversion and the BMP and JPEG writers.
#include <cstddef>
#include <cstdint>

#include "app/SaveBitmap.h"
#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gfx::TMemoryStream input;
  input.Write(data, size);
  input.SetPosition(0);
  gfx::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(input);
  } catch (const gfx::Exception&) {
    return 0;  // refused with a message: the expected outcome for most inputs
  }
  // Keep the work per input small: only modest pictures go through the encoders.
  if (static_cast<std::int64_t>(bitmap.Width()) * bitmap.Height() > (1 << 20)) return 0;
  gfx::TMemoryStream output;
  app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfBMP, output);
  gfx::TMemoryStream jpeg;
  app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfJPEG, jpeg);
  return 0;
}
