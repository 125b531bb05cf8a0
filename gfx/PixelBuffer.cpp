#include "gfx/PixelBuffer.h"

#include "gfx/Errors.h"

namespace gfx {

PixelBuffer PixelBuffer::Zeroed(std::size_t size) {
  PixelBuffer buffer;
  if (size == 0) return buffer;
  auto* p = static_cast<std::uint8_t*>(std::calloc(size, 1));
  if (p == nullptr) throw EOutOfResources();
  buffer.data_.reset(p);
  buffer.size_ = size;
  return buffer;
}

void PixelBuffer::Shrink(std::size_t newSize) {
  if (newSize >= size_) return;
  if (newSize == 0) {
    data_.reset();
    size_ = 0;
    return;
  }
  if (auto* p = static_cast<std::uint8_t*>(std::realloc(data_.get(), newSize))) {
    (void)data_.release();
    data_.reset(p);
  }
  size_ = newSize;  // a refused realloc keeps the larger block, which is harmless
}

}  // namespace gfx
