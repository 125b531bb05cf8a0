#pragma once
// Owned, zero-filled pixel memory. calloc lets large buffers arrive as untouched
// zero pages; realloc lets an in-place format conversion give back the tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace gfx {

class PixelBuffer {
 public:
  PixelBuffer() = default;
  // Raises EOutOfResources when the memory cannot be had.
  static PixelBuffer Zeroed(std::size_t size);

  std::uint8_t* Data() { return data_.get(); }
  const std::uint8_t* Data() const { return data_.get(); }
  std::size_t Size() const { return size_; }
  // Shortens the buffer, keeping its first newSize bytes.
  void Shrink(std::size_t newSize);

 private:
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, FreeDeleter> data_;
  std::size_t size_ = 0;
};

}  // namespace gfx
