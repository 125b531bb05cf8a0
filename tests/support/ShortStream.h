#pragma once
// A memory stream that takes its first `limit` bytes and refuses the rest, like a full disk.
#include <algorithm>
#include <cstddef>

#include "gfx/Stream.h"

namespace testsupport {

class ShortStream : public gfx::TMemoryStream {
 public:
  explicit ShortStream(std::size_t limit) : limit_(limit) {}
  std::size_t Write(const void* data, std::size_t count) override {
    const std::size_t n = std::min(count, limit_ - std::min(limit_, static_cast<std::size_t>(Size())));
    return TMemoryStream::Write(data, n);
  }

 private:
  std::size_t limit_;
};

}  // namespace testsupport
