// vantora-save IN.bmp OUT.ext: loads a BMP file and saves its picture through the same
// dispatch a capture goes through (.bmp, .png, .gif, .jpg, chosen by OUT's extension).
#include <cstdio>
#include <exception>
#include <string>

#include "app/SaveBitmap.h"
#include "gfx/Bitmap.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: vantora-save IN.bmp OUT.ext\n"
                 "  Loads IN (an uncompressed BMP of 1, 4, 8, 16, 24 or 32 bits) and writes OUT\n"
                 "  as BMP, PNG, GIF or JPEG, chosen by its extension (.bmp .png .gif .jpg).\n");
    return 2;
  }
  const std::string in = argv[1];
  const std::string out = argv[2];
  if (app::FormatFromPath(out) == app::TSaveFormat::sfNone) {
    std::fprintf(stderr, "vantora-save: %s: unknown output format (use .bmp, .png, .gif or .jpg)\n", out.c_str());
    return 1;
  }
  try {
    gfx::TBitmap bitmap;
    bitmap.LoadFromFile(in);
    app::SaveBitmap(bitmap, out);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
