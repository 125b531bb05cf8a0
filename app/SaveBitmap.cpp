#include "app/SaveBitmap.h"

#include "app/JPEGImage.h"
#include "gif/GIFImage.h"
#include "png/PNGGraphic.h"

namespace app {

std::string PathExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

TSaveFormat FormatFromPath(std::string_view path) {
  const std::string ext = PathExtension(path);
  if (ext == ".bmp") return TSaveFormat::sfBMP;
  if (ext == ".png") return TSaveFormat::sfPNG;
  if (ext == ".gif") return TSaveFormat::sfGIF;
  if (ext == ".jpg") return TSaveFormat::sfJPEG;
  return TSaveFormat::sfNone;
}

void SaveBitmapToStream(gfx::TBitmap& bitmap, TSaveFormat format, gfx::TStream& stream) {
  bitmap.SetPixelFormat(gfx::pf24bit);
  switch (format) {
    case TSaveFormat::sfBMP:
      bitmap.SaveToStream(stream);
      break;
    case TSaveFormat::sfJPEG: {
      TJPEGImage jpeg;
      jpeg.Assign(&bitmap);
      jpeg.SaveToStream(stream);
      break;
    }
    case TSaveFormat::sfPNG: {
      png::TPNGGraphic png;
      png.Assign(&bitmap);
      png.SaveToStream(stream);
      break;
    }
    case TSaveFormat::sfGIF: {
      gif::TGIFImage image;
      image.Assign(&bitmap);
      image.SaveToStream(stream);
      break;
    }
    case TSaveFormat::sfNone:
      break;
  }
}

void SaveBitmap(gfx::TBitmap& bitmap, const std::string& path) {
  bitmap.SetPixelFormat(gfx::pf24bit);
  const TSaveFormat format = FormatFromPath(path);
  if (format == TSaveFormat::sfNone) return;
  gfx::TFileStream file(path, gfx::TFileMode::fmCreate);
  SaveBitmapToStream(bitmap, format, file);
}

}  // namespace app
