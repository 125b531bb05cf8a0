#pragma once
// Copies pixels of the root window (what the screen shows) into a TBitmap.
// The rectangle is read in horizontal bands through one small MIT-SHM segment that is
// kept between captures, so a full-screen capture never holds a second full-size copy
// of the picture; where MIT-SHM is missing (a remote server, or the extension turned
// off) each band comes through an ordinary GetImage request.
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/PixelFormat.h"
#include "gfx/Types.h"

namespace x11 {

// How the server stores the root window's pixels.
struct PixelLayout {
  int depth = 0;
  int bitsPerPixel = 0;
  int scanlinePad = 0;
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  bool trueColor = false;
  bool lsbFirst = true;
};

PixelLayout ReadPixelLayout(const xcb_setup_t* setup, const xcb_screen_t* screen);

// The bitmap format a layout is captured into: pf32bit for 24/32-bit screens (and any
// other true-colour depth, converted by its masks), pf16bit for 5-6-5, pf15bit for
// 5-5-5. A screen with a colour map (8-bit) raises an error that says so.
gfx::TPixelFormat BitmapFormatFor(const PixelLayout& layout);

// Converts one row of server pixels into the bitmap format chosen for the layout.
using RowCopy = void (*)(const PixelLayout& layout, const std::uint8_t* src, std::uint8_t* dst, int width);
RowCopy ChooseRowCopy(const PixelLayout& layout);

// Bytes per row of an image of that width as the server sends it.
std::size_t ServerRowBytes(const PixelLayout& layout, int width);

class ScreenCapture {
 public:
  // bandBytes: the largest band the shared segment holds (at least one row is always allowed).
  ScreenCapture(xcb_connection_t* connection, const xcb_screen_t* screen, std::size_t bandBytes = DefaultBandBytes);
  ~ScreenCapture();
  ScreenCapture(const ScreenCapture&) = delete;
  ScreenCapture& operator=(const ScreenCapture&) = delete;

  static constexpr std::size_t DefaultBandBytes = 4u << 20;

  const PixelLayout& Layout() const { return layout_; }
  gfx::TPixelFormat BitmapFormat() const { return BitmapFormatFor(layout_); }

  // Copies the screen from (left, top) in root coordinates into the bitmap, which has the
  // size to capture and BitmapFormat(). Parts outside the screen are left as they are
  // (black in a new bitmap).
  void Copy(int left, int top, gfx::TBitmap& bitmap);

  // Whether captures go through MIT-SHM (false once it failed or is missing).
  bool UsesSharedMemory();
  // The size of the shared segment held between captures (0 when there is none).
  std::size_t SharedSegmentBytes() const;

 private:
  class SharedSegment;
  bool CopyBandShared(int x, int y, int width, int rows, std::uint8_t* dst, std::size_t rowBytes);
  bool CopyBandPlain(int x, int y, int width, int rows, std::uint8_t* dst, std::size_t rowBytes);

  xcb_connection_t* connection_;
  const xcb_screen_t* screen_;
  PixelLayout layout_;
  std::size_t bandBytes_;
  int shmState_ = -1;  // -1 unknown, 0 unusable, 1 usable
  std::unique_ptr<SharedSegment> segment_;
};

}  // namespace x11
