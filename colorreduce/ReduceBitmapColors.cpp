#include "colorreduce/ReduceBitmapColors.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "colorreduce/ColorLookup.h"
#include "colorreduce/ColorQuantizer.h"
#include "colorreduce/DIB.h"
#include "colorreduce/Ditherers.h"
#include "colorreduce/GIFException.h"
#include "gfx/Errors.h"

namespace colorreduce {

namespace {

// Above this many pixels the still empty result is first set to 1 bit per pixel.
constexpr std::int64_t LargePictureThreshold = 500000;

std::int64_t PixelCount(const gfx::TBitmap& bitmap) {
  return static_cast<std::int64_t>(bitmap.Width()) * bitmap.Height();  // 64-bit: no overflow for large pictures
}

gfx::HPALETTE GrayPalette(std::initializer_list<std::uint8_t> levels) {
  std::vector<gfx::TPaletteEntry> entries;
  for (const std::uint8_t v : levels) entries.push_back({v, v, v, 0});
  return gfx::CreatePalette(entries);
}

gfx::HPALETTE AllGrays() {
  std::vector<gfx::TPaletteEntry> entries(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    entries[static_cast<std::size_t>(i)] = {v, v, v, 0};
  }
  return gfx::CreatePalette(entries);
}

gfx::HPALETTE CopyOf(const gfx::HPALETTE& palette) {
  if (gfx::GetPaletteEntryCount(palette) == 0) return nullptr;
  return gfx::CreatePalette(palette->Entries(), palette->Version());
}

// The palette of a method; the reader's source is already 24-bit.
gfx::HPALETTE BuildPalette(TReductionMethod method, const TDIBReader& reader, int reductionBits,
                           const gfx::HPALETTE& customPalette) {
  switch (method) {
    case rdSystemColors: return gfx::StockDefaultPalette();
    case rdHalftone: {
      gfx::HPALETTE halftone = gfx::CreateHalftonePalette();
      if (!halftone) throw gfx::EOutOfResources();
      return halftone;
    }
    case rdWindowsGrays: return GrayPalette({0, 128, 192, 255});
    case rdMonochrome: return GrayPalette({0, 255});
    case rdGrayScale: return AllGrays();
    case rdNetscape: return MakeNetscapePalette();
    case rdQuantize: return MakeQuantizedPalette(reader, 1 << std::clamp(reductionBits, 0, 8));
    case rdQuantizeSystem: return MakeOptimizedPalette(reader);
    case rdCustomPalette: return CopyOf(customPalette);
    case rdNone: break;
  }
  return nullptr;
}

std::unique_ptr<TColorLookup> CreateMatcher(TReductionMethod method, const gfx::HPALETTE& palette) {
  switch (method) {
    case rdMonochrome: return std::make_unique<TMonochromeLookup>(palette);
    case rdGrayScale: return std::make_unique<TGrayScaleLookup>(palette);
    case rdNetscape: return std::make_unique<TNetscapeColorLookup>(palette);
    default: return std::make_unique<TSlowColorLookup>(palette);
  }
}

// What one call owns. The destructor frees it in this order on every way out: matcher,
// ditherer, writer (which commits into the result), reader, palette.
struct TReduction {
  gfx::HPALETTE palette;
  std::unique_ptr<TDIBReader> reader;
  std::unique_ptr<TDIBWriter> writer;
  std::unique_ptr<TColorLookup> matcher;
  std::unique_ptr<TDitherEngine> ditherer;

  ~TReduction() {
    matcher.reset();
    ditherer.reset();
    writer.reset();
    reader.reset();
    gfx::DeletePalette(palette);
  }
};

void WalkRows(gfx::TBitmap& source, TDIBReader& reader, TDIBWriter& writer, TDitherEngine& ditherer) {
  for (int y = 0; y < source.Height(); ++y) {
    const std::uint8_t* s = reader.RowPointer(y);
    std::uint8_t* d = writer.RowPointer(y);
    // The ditherer starts each row at its first column in walk order and steps itself.
    for (int x = ditherer.Column(); x >= 0 && x < ditherer.Width(); x = ditherer.Column()) {
      const std::uint8_t* p = s + 3 * static_cast<std::ptrdiff_t>(x);
      std::uint8_t matchedRed, matchedGreen, matchedBlue;
      d[x] = ditherer.DitherPixel(p[2], p[1], p[0], matchedRed, matchedGreen, matchedBlue);
    }
    ditherer.NextRow();
  }
}

std::unique_ptr<gfx::TBitmap> ReduceThroughObjects(gfx::TBitmap& source, TReductionMethod method, TDitherKind dither,
                                                   int reductionBits, const gfx::HPALETTE& customPalette) {
  auto result = std::make_unique<gfx::TBitmap>();
  if (method == rdNone) {
    result->Assign(&source);
    result->SetPixelFormat(gfx::pf24bit);
    return result;
  }
  if (PixelCount(source) > LargePictureThreshold) result->SetPixelFormat(gfx::pf1bit);

  TReduction r;
  r.reader = std::make_unique<TDIBReader>(source, gfx::pf24bit);
  if (method > rdCustomPalette) return result;
  r.palette = BuildPalette(method, *r.reader, reductionBits, customPalette);
  r.matcher = CreateMatcher(method, r.palette);
  if (r.matcher->ColorCount == 0) return result;
  r.ditherer = CreateDitherer(dither, source.Width(), *r.matcher);
  if (!r.ditherer) return result;
  r.writer = std::make_unique<TDIBWriter>(*result, gfx::pf8bit, source.Width(), source.Height(), r.palette);
  WalkRows(source, *r.reader, *r.writer, *r.ditherer);

  r.matcher.reset();
  r.ditherer.reset();
  r.writer->Commit();  // here, not in the destructor, so a failure to load the result is raised
  return result;
}

// ---- The direct road for rdNetscape with dkNearest ----

// Each channel's share of the cube index, 36r' + 6g' + b' with v' = (v + 3) div 51.
constexpr std::array<std::uint8_t, 256> LevelTimes(unsigned factor) {
  std::array<std::uint8_t, 256> table{};
  for (unsigned v = 0; v < 256; ++v)
    table[v] = static_cast<std::uint8_t>(factor * TNetscapeColorLookup::Level(static_cast<std::uint8_t>(v)));
  return table;
}
constexpr std::array<std::uint8_t, 256> RedShare = LevelTimes(36);
constexpr std::array<std::uint8_t, 256> GreenShare = LevelTimes(6);
constexpr std::array<std::uint8_t, 256> BlueShare = LevelTimes(1);

void MapRowToCube(const std::uint8_t* bgr, std::uint8_t* out, int width) {
  for (int x = 0; x < width; ++x, bgr += 3)
    out[x] = static_cast<std::uint8_t>(RedShare[bgr[2]] + GreenShare[bgr[1]] + BlueShare[bgr[0]]);
}

// The same bitmap ReduceThroughObjects builds for this pair, made in place: no matcher or
// ditherer calls per pixel (with no error carried the walk order does not matter), and the
// indices are written straight into the result instead of going through a BMP in memory.
std::unique_ptr<gfx::TBitmap> ReduceToCube(gfx::TBitmap& source) {
  auto result = std::make_unique<gfx::TBitmap>();
  TDIBReader reader(source, gfx::pf24bit);
  const int width = source.Width(), height = source.Height();

  std::unique_ptr<gfx::TBitmap::Image> image;
  try {
    image = gfx::TBitmap::NewImage(width, height, gfx::pf8bit);
  } catch (const gfx::EOutOfResources&) {
    throw gfx::EOutOfMemory(std::string(Msg::DIBAllocationFailed));
  }
  image->colorTable.assign(256, gfx::TRGBQuad{});
  const std::vector<gfx::TPaletteEntry> cube = NetscapeEntries();
  for (std::size_t i = 0; i < cube.size(); ++i) image->colorTable[i] = {cube[i].Blue, cube[i].Green, cube[i].Red, 0};

  for (int y = 0; y < height; ++y)
    MapRowToCube(reader.RowPointer(y), image->pixels.Data() + (height - 1 - y) * image->stride, width);
  result->AdoptImage(std::move(image));
  return result;
}

template <class Reduce>
std::unique_ptr<gfx::TBitmap> WithPlatformOutOfMemory(Reduce reduce) {
  try {
    return reduce();
  } catch (const std::bad_alloc&) {
    throw gfx::EOutOfMemory();
  }
}

}  // namespace

std::unique_ptr<gfx::TBitmap> ReduceBitmapColors(gfx::TBitmap& source, TReductionMethod method, TDitherKind dither,
                                                 int reductionBits, const gfx::HPALETTE& customPalette) {
  return WithPlatformOutOfMemory([&] {
    if (method == rdNetscape && dither == dkNearest && !source.Empty()) return ReduceToCube(source);
    return ReduceThroughObjects(source, method, dither, reductionBits, customPalette);
  });
}

std::unique_ptr<gfx::TBitmap> ReduceBitmapColorsGeneral(gfx::TBitmap& source, TReductionMethod method,
                                                        TDitherKind dither, int reductionBits,
                                                        const gfx::HPALETTE& customPalette) {
  return WithPlatformOutOfMemory(
      [&] { return ReduceThroughObjects(source, method, dither, reductionBits, customPalette); });
}

}  // namespace colorreduce
