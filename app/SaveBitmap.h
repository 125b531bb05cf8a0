#pragma once
// Saving a picture: convert it to 24 bits, then hand it to the encoder its file name asks for.
#include <string>
#include <string_view>

#include "gfx/Bitmap.h"
#include "gfx/Stream.h"

namespace app {

enum class TSaveFormat { sfNone, sfBMP, sfPNG, sfGIF, sfJPEG };

// The text from the last "." after the last "/", lower-cased (ASCII); empty when there is none.
std::string PathExtension(std::string_view path);
// The encoder for a path's extension; sfNone for anything but .bmp, .png, .gif, .jpg.
TSaveFormat FormatFromPath(std::string_view path);

// Converts bitmap to pf24bit in place, then writes path through the encoder of its
// extension (create or truncate). An unknown extension writes nothing.
void SaveBitmap(gfx::TBitmap& bitmap, const std::string& path);

// The same dispatch onto a stream the caller opened: converts to pf24bit and encodes.
// sfNone writes nothing.
void SaveBitmapToStream(gfx::TBitmap& bitmap, TSaveFormat format, gfx::TStream& stream);

}  // namespace app
