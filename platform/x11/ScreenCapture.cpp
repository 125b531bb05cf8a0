#include "platform/x11/ScreenCapture.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "gfx/Errors.h"
#include "platform/x11/Xcb.h"

namespace x11 {

namespace {

std::uint32_t ReadPixel(const std::uint8_t* p, int bytes, bool lsbFirst) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    const std::uint32_t byte = lsbFirst ? p[i] : p[bytes - 1 - i];
    value |= byte << (8 * i);
  }
  return value;
}

// A channel of any width scaled to 0..255.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  const std::uint32_t value = (pixel & mask) >> shift;
  return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
}

// Blue, green, red, unused: the server's 8-8-8 little-endian layout is already that.
void CopyRaw32(const PixelLayout&, const std::uint8_t* src, std::uint8_t* dst, int width) {
  std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
}

// 5-6-5 and 5-5-5 little-endian are the bitmap's own 16-bit layouts.
void CopyRaw16(const PixelLayout&, const std::uint8_t* src, std::uint8_t* dst, int width) {
  std::memcpy(dst, src, static_cast<std::size_t>(width) * 2);
}

void CopySwapped16(const PixelLayout&, const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 2, dst += 2) {
    dst[0] = src[1];
    dst[1] = src[0];
  }
}

// Any other true-colour layout: each channel through its mask, into pf32bit.
void CopyMasked(const PixelLayout& layout, const std::uint8_t* src, std::uint8_t* dst, int width) {
  const int bytes = layout.bitsPerPixel / 8;
  for (int x = 0; x < width; ++x, src += bytes, dst += 4) {
    const std::uint32_t pixel = ReadPixel(src, bytes, layout.lsbFirst);
    dst[0] = Channel(pixel, layout.blueMask);
    dst[1] = Channel(pixel, layout.greenMask);
    dst[2] = Channel(pixel, layout.redMask);
    dst[3] = 0;
  }
}

bool Is565(const PixelLayout& l) { return l.redMask == 0xF800 && l.greenMask == 0x07E0 && l.blueMask == 0x001F; }
bool Is555(const PixelLayout& l) { return l.redMask == 0x7C00 && l.greenMask == 0x03E0 && l.blueMask == 0x001F; }
bool Is888(const PixelLayout& l) { return l.redMask == 0xFF0000 && l.greenMask == 0x00FF00 && l.blueMask == 0x0000FF; }

}  // namespace

PixelLayout ReadPixelLayout(const xcb_setup_t* setup, const xcb_screen_t* screen) {
  PixelLayout layout;
  layout.depth = screen->root_depth;
  layout.lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
    if (formats.data->depth == screen->root_depth) {
      layout.bitsPerPixel = formats.data->bits_per_pixel;
      layout.scanlinePad = formats.data->scanline_pad;
    }
  }
  for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id != screen->root_visual) continue;
      layout.trueColor = visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR;
      layout.redMask = visuals.data->red_mask;
      layout.greenMask = visuals.data->green_mask;
      layout.blueMask = visuals.data->blue_mask;
    }
  }
  return layout;
}

gfx::TPixelFormat BitmapFormatFor(const PixelLayout& layout) {
  const bool packed = layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
  if (!layout.trueColor || !packed || layout.scanlinePad % 8 != 0 || layout.scanlinePad == 0)
    throw gfx::EInvalidGraphicOperation("この画面の色数 (" + std::to_string(layout.depth) +
                                        " ビット) ではキャプチャできません。24 ビットまたは 16 ビットの画面でお使いください");
  if (layout.bitsPerPixel == 16 && Is565(layout)) return gfx::pf16bit;
  if (layout.bitsPerPixel == 16 && Is555(layout)) return gfx::pf15bit;
  return gfx::pf32bit;
}

RowCopy ChooseRowCopy(const PixelLayout& layout) {
  switch (BitmapFormatFor(layout)) {
    case gfx::pf16bit:
    case gfx::pf15bit: return layout.lsbFirst ? CopyRaw16 : CopySwapped16;
    default: return layout.bitsPerPixel == 32 && layout.lsbFirst && Is888(layout) ? CopyRaw32 : CopyMasked;
  }
}

std::size_t ServerRowBytes(const PixelLayout& layout, int width) {
  const std::size_t bits = static_cast<std::size_t>(width) * layout.bitsPerPixel;
  const std::size_t pad = static_cast<std::size_t>(layout.scanlinePad);
  return (bits + pad - 1) / pad * pad / 8;
}

// A System V shared-memory segment attached to this process and to the server. It is
// marked for removal as soon as the server holds it, so it cannot outlive the program.
class ScreenCapture::SharedSegment {
 public:
  static std::unique_ptr<SharedSegment> Create(xcb_connection_t* connection, std::size_t size) {
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(id, IPC_RMID, nullptr);
      return nullptr;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(connection);
    Reply<xcb_generic_error_t> error(
        xcb_request_check(connection, xcb_shm_attach_checked(connection, seg, static_cast<std::uint32_t>(id), 0)));
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
      shmdt(address);
      return nullptr;
    }
    return std::unique_ptr<SharedSegment>(new SharedSegment(connection, seg, address, size));
  }
  ~SharedSegment() {
    xcb_shm_detach(connection_, seg_);
    xcb_flush(connection_);
    shmdt(address_);
  }
  xcb_shm_seg_t Seg() const { return seg_; }
  const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(address_); }
  std::size_t Size() const { return size_; }

 private:
  SharedSegment(xcb_connection_t* c, xcb_shm_seg_t seg, void* address, std::size_t size)
      : connection_(c), seg_(seg), address_(address), size_(size) {}
  xcb_connection_t* connection_;
  xcb_shm_seg_t seg_;
  void* address_;
  std::size_t size_;
};

ScreenCapture::ScreenCapture(xcb_connection_t* connection, const xcb_screen_t* screen, std::size_t bandBytes)
    : connection_(connection),
      screen_(screen),
      layout_(ReadPixelLayout(xcb_get_setup(connection), screen)),
      bandBytes_(bandBytes) {}

ScreenCapture::~ScreenCapture() = default;

bool ScreenCapture::UsesSharedMemory() {
  if (shmState_ < 0) {
    shmState_ = 0;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_shm_id);
    if (extension && extension->present) {
      Reply<xcb_shm_query_version_reply_t> version(
          xcb_shm_query_version_reply(connection_, xcb_shm_query_version(connection_), nullptr));
      shmState_ = version ? 1 : 0;
    }
  }
  return shmState_ == 1;
}

std::size_t ScreenCapture::SharedSegmentBytes() const { return segment_ ? segment_->Size() : 0; }

void ScreenCapture::Copy(int left, int top, gfx::TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  const gfx::TPixelFormat format = BitmapFormat();
  if (bitmap.PixelFormat() != format) throw gfx::EInvalidGraphicOperation(std::string(gfx::Msg::InvalidPixelFormat));
  const RowCopy copyRow = ChooseRowCopy(layout_);

  // The part of the rectangle that lies on the screen.
  const std::int64_t x0 = std::max<std::int64_t>(left, 0), y0 = std::max<std::int64_t>(top, 0);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t(left) + bitmap.Width(), screen_->width_in_pixels);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t(top) + bitmap.Height(), screen_->height_in_pixels);
  if (x0 >= x1 || y0 >= y1) return;
  const int width = static_cast<int>(x1 - x0);
  const std::size_t rowBytes = ServerRowBytes(layout_, width);
  const int rowsPerBand = static_cast<int>(std::max<std::size_t>(1, bandBytes_ / rowBytes));
  const std::size_t dstOffset = static_cast<std::size_t>(x0 - left) * gfx::BitsPerPixel(format) / 8;

  for (int y = static_cast<int>(y0); y < y1; y += rowsPerBand) {
    const int rows = static_cast<int>(std::min<std::int64_t>(rowsPerBand, y1 - y));
    const std::uint8_t* band = nullptr;
    Reply<xcb_get_image_reply_t> plain;
    if (UsesSharedMemory()) {
      const std::size_t need = std::max(bandBytes_, rowBytes);
      if (!segment_ || segment_->Size() < rowBytes * rows) segment_ = SharedSegment::Create(connection_, need);
      if (segment_) {
        Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
            connection_,
            xcb_shm_get_image(connection_, screen_->root, static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y),
                              static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, segment_->Seg(), 0),
            nullptr));
        if (reply) band = segment_->Data();
      }
      if (!band) {  // the server cannot share memory with us (remote, or refused): stop trying
        segment_.reset();
        shmState_ = 0;
      }
    }
    if (!band) {
      plain.reset(xcb_get_image_reply(
          connection_,
          xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<std::int16_t>(x0),
                        static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                        static_cast<std::uint16_t>(rows), ~0u),
          nullptr));
      if (!plain || static_cast<std::size_t>(xcb_get_image_data_length(plain.get())) < rowBytes * rows) continue;
      band = xcb_get_image_data(plain.get());
    }
    for (int r = 0; r < rows; ++r)
      copyRow(layout_, band + rowBytes * r, bitmap.ScanLine(static_cast<int>(y - top + r)) + dstOffset, width);
  }
}

}  // namespace x11
