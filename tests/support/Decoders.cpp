#include "tests/support/Decoders.h"

#include "gfx/Bytes.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <utility>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace testsupport {

RGBImage DecodePNG(std::span<const std::uint8_t> file) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
    throw std::runtime_error(std::string("libpng: ") + image.message);
  const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  RGBImage out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.channels = alpha ? 4 : 3;
  out.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr))
    throw std::runtime_error(std::string("libpng: ") + image.message);
  return out;
}

namespace {
struct JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
}  // namespace

RGBImage DecodeJPEG(std::span<const std::uint8_t> file) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  RGBImage out;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    throw std::runtime_error("libjpeg could not decode the file");
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.channels = 3;
  out.pixels.resize(std::size_t(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + std::size_t(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

namespace {
struct GifSource {
  std::span<const std::uint8_t> data;
  std::size_t position = 0;
};
int GifRead(GifFileType* gif, GifByteType* buffer, int count) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  const std::size_t n = std::min<std::size_t>(count, src->data.size() - src->position);
  std::memcpy(buffer, src->data.data() + src->position, n);
  src->position += n;
  return static_cast<int>(n);
}
}  // namespace

GIFImage DecodeGIF(std::span<const std::uint8_t> file) {
  GifSource source{file};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, GifRead, &error);
  if (gif == nullptr) throw std::runtime_error(std::string("giflib: ") + GifErrorString(error));
  if (DGifSlurp(gif) != GIF_OK) {
    const std::string message = GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    throw std::runtime_error("giflib: " + message);
  }
  GIFImage out;
  out.screenWidth = gif->SWidth;
  out.screenHeight = gif->SHeight;
  if (gif->ImageCount > 0) {
    const SavedImage& frame = gif->SavedImages[0];
    out.left = frame.ImageDesc.Left;
    out.top = frame.ImageDesc.Top;
    out.width = frame.ImageDesc.Width;
    out.height = frame.ImageDesc.Height;
    out.interlaced = frame.ImageDesc.Interlace;
    out.indices.assign(frame.RasterBits, frame.RasterBits + std::size_t(out.width) * out.height);
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    if (map)
      for (int i = 0; i < map->ColorCount; ++i) {
        out.colorMap.push_back(map->Colors[i].Red);
        out.colorMap.push_back(map->Colors[i].Green);
        out.colorMap.push_back(map->Colors[i].Blue);
      }
  }
  DGifCloseFile(gif, &error);
  return out;
}

RGBImage DecodeBMPWithNetpbm(const std::string& path) {
  const std::string command = "bmptopnm '" + path + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run bmptopnm");
  std::vector<std::uint8_t> data;
  std::uint8_t buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) data.insert(data.end(), buffer, buffer + n);
  if (::pclose(pipe) != 0) throw std::runtime_error("bmptopnm refused " + path);
  // Binary PPM: "P6 <w> <h> <max>" then one whitespace byte, then RGB rows.
  std::size_t pos = 0;
  auto token = [&]() {
    while (pos < data.size() && std::isspace(data[pos])) ++pos;
    std::string t;
    while (pos < data.size() && !std::isspace(data[pos])) t += static_cast<char>(data[pos++]);
    return t;
  };
  if (token() != "P6") throw std::runtime_error("bmptopnm did not give a PPM");
  RGBImage out;
  out.width = std::stoi(token());
  out.height = std::stoi(token());
  if (std::stoi(token()) != 255) throw std::runtime_error("unexpected PPM depth");
  ++pos;
  out.pixels.assign(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end());
  if (out.pixels.size() != std::size_t(out.width) * out.height * 3) throw std::runtime_error("short PPM");
  return out;
}

RGBImage ToRGB(const gfx::TBitmap& bitmap) {
  gfx::TBitmap copy;
  copy.Assign(const_cast<gfx::TBitmap*>(&bitmap));
  copy.SetPixelFormat(gfx::pf24bit);
  RGBImage out;
  out.width = copy.Width();
  out.height = copy.Height();
  out.pixels.reserve(std::size_t(out.width) * out.height * 3);
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* row = std::as_const(copy).ScanLine(y);
    for (int x = 0; x < copy.Width(); ++x) {
      out.pixels.push_back(row[3 * x + 2]);
      out.pixels.push_back(row[3 * x + 1]);
      out.pixels.push_back(row[3 * x]);
    }
  }
  return out;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::unique_ptr<gfx::TBitmap> NewPatternBitmap(int width, int height, gfx::TPixelFormat format, unsigned seed) {
  auto bitmap = std::make_unique<gfx::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  std::mt19937 random(seed);
  const int bytes = static_cast<int>(gfx::RowStride(width, gfx::BitsPerPixel(format)));
  const int used = (width * gfx::BitsPerPixel(format) + 7) / 8;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap->ScanLine(y);
    for (int i = 0; i < used && i < bytes; ++i) row[i] = static_cast<std::uint8_t>(random());
  }
  return bitmap;
}

}  // namespace testsupport
