#include "bench/support/Corpus.h"

#include <png.h>

#include <cstring>
#include <map>
#include <stdexcept>

#ifndef VANTORA_CORPUS_DIR
#error "VANTORA_CORPUS_DIR must name the corpus folder"
#endif

namespace benchsupport {

const std::vector<std::string>& CorpusPictures() {
  static const std::vector<std::string> names = {"desktop_1920x1080.png", "web_text_1920x1080.png",
                                                 "web_photo_1920x1080.png", "desktop_3840x2160.png",
                                                 "crop_333x77.png"};
  return names;
}

namespace {
std::unique_ptr<gfx::TBitmap> Decode(const std::string& name) {
  const std::string path = std::string(VANTORA_CORPUS_DIR) + "/" + name;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error(path + ": " + image.message);
  image.format = PNG_FORMAT_BGR;  // the bitmap's own byte order
  auto bitmap = std::make_unique<gfx::TBitmap>();
  bitmap->SetPixelFormat(gfx::pf24bit);
  bitmap->SetSize(static_cast<int>(image.width), static_cast<int>(image.height));
  // A negative stride tells libpng the rows are stored bottom-up from the buffer's start.
  const auto stride = static_cast<png_int_32>(-bitmap->Stride());
  if (!png_image_finish_read(&image, nullptr, bitmap->Bits(), stride, nullptr))
    throw std::runtime_error(path + ": " + image.message);
  return bitmap;
}
}  // namespace

const gfx::TBitmap& CorpusBitmap(const std::string& name) {
  static std::map<std::string, std::unique_ptr<gfx::TBitmap>> cache;
  auto& slot = cache[name];
  if (!slot) slot = Decode(name);
  return *slot;
}

std::unique_ptr<gfx::TBitmap> CorpusCopy(const std::string& name) {
  auto copy = std::make_unique<gfx::TBitmap>();
  copy->Assign(const_cast<gfx::TBitmap*>(&CorpusBitmap(name)));
  return copy;
}

std::unique_ptr<gfx::TBitmap> CorpusCapture32(const std::string& name) {
  auto capture = CorpusCopy(name);
  capture->SetPixelFormat(gfx::pf32bit);
  return capture;
}

}  // namespace benchsupport
