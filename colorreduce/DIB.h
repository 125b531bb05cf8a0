#pragma once
// Row access for the reduction: a reader over the source bitmap and a writer that builds
// the result as a device-independent bitmap in memory and hands it to its target bitmap.
// Row 0 is the top row of the image in both.
#include <cstdint>
#include <memory>

#include "gfx/Bitmap.h"
#include "gfx/Palette.h"
#include "gfx/PixelBuffer.h"

namespace colorreduce {

class TDIB {
 public:
  TDIB(gfx::TBitmap& bitmap, gfx::TPixelFormat format) : bitmap_(bitmap), format_(format) {}
  virtual ~TDIB() = default;
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  gfx::TBitmap& Bitmap() const { return bitmap_; }
  gfx::TPixelFormat Format() const { return format_; }

 protected:
  gfx::TBitmap& bitmap_;
  gfx::TPixelFormat format_;
};

// Converts the bitmap to the format in place, then hands out its rows for reading.
// Rows are read-only, so a bitmap that shares its pixels with another is never copied.
class TDIBReader : public TDIB {
 public:
  TDIBReader(gfx::TBitmap& bitmap, gfx::TPixelFormat format);
  // Width pixels of the format; raises EInvalidGraphicOperation for a row out of range.
  const std::uint8_t* RowPointer(int y) const;
};

// Builds pf8bit or pf24bit pixels in memory. The first RowPointer allocates the header
// (information header plus, for 8 bits, a 256-entry colour table from the palette) and the
// zero-filled pixel buffer. Commit hands the picture to the target bitmap as a BMP image
// in memory; destruction commits what was not committed yet.
class TDIBWriter : public TDIB {
 public:
  // Raises GIFException "Unsupported PixelFormat" or "Invalid image dimensions".
  // A negative height stores the rows top-down. The palette's colours are read at the
  // first row; the writer never frees the caller's palette.
  TDIBWriter(gfx::TBitmap& target, gfx::TPixelFormat format, int width, int height, const gfx::HPALETTE& palette);
  // Commits unless Commit already ran; a failure here is dropped, as a destructor cannot
  // raise: call Commit to see it.
  ~TDIBWriter() override;

  // A writable row of RowStride(width, bits, 32) bytes.
  std::uint8_t* RowPointer(int y);
  // CommitToBitmap, then ReleasePixels. Raises what loading the target raises.
  void Commit();

  std::int64_t HeaderSize() const { return headerSize_; }
  std::int64_t PixelsSize() const { return pixelsSize_; }
  // The header block (information header and colour table); null before the first row.
  const std::uint8_t* Header() const { return header_.get(); }

 private:
  void EnsurePixels();
  void AllocatePixels();
  void ReleasePixels();
  void CommitToBitmap();

  std::unique_ptr<std::uint8_t[]> header_;
  gfx::PixelBuffer pixels_;
  std::int64_t headerSize_ = 0;
  std::int64_t pixelsSize_ = 0;
  gfx::HPALETTE palette_;
  int height_;
  int width_;
  std::int64_t stride_ = 0;
};

}  // namespace colorreduce
