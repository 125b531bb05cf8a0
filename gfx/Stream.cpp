#include "gfx/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gfx/Errors.h"

namespace gfx {

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::WriteBuffer(const void* data, std::size_t count) {
  if (count != 0 && Write(data, count) != count) throw EWriteError();
}

void TStream::ReadBuffer(void* data, std::size_t count) {
  if (count != 0 && Read(data, count) != count) throw EReadError();
}

// ---- TMemoryStream ----

std::size_t TMemoryStream::Write(const void* data, std::size_t count) {
  if (count == 0) return 0;
  const std::size_t end = position_ + count;
  if (end > bytes_.size()) {
    if (position_ == bytes_.size()) {
      // Appending: insert grows geometrically and copies once.
      const auto* src = static_cast<const std::uint8_t*>(data);
      bytes_.insert(bytes_.end(), src, src + count);
      position_ = end;
      return count;
    }
    bytes_.resize(end);
  }
  std::memcpy(bytes_.data() + position_, data, count);
  position_ = end;
  return count;
}

std::size_t TMemoryStream::Read(void* data, std::size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const std::size_t n = std::min(count, bytes_.size() - position_);
  std::memcpy(data, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(position_);
  if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(bytes_.size());
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("シーク位置が無効です");
  position_ = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw EStreamError("ストリームのサイズが無効です");
  try {
    bytes_.resize(static_cast<std::size_t>(newSize));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory();
  } catch (const std::length_error&) {
    throw EOutOfMemory();
  }
  position_ = std::min(position_, bytes_.size());
}

void TMemoryStream::Clear() {
  std::vector<std::uint8_t>().swap(bytes_);
  position_ = 0;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case TFileMode::fmCreateExclusive: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
  }
  do {
    fd_ = ::open(path.c_str(), flags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const int err = errno;
    if (mode == TFileMode::fmOpenRead) throw EFOpenError(path, SystemErrorText(err));
    throw EFCreateError(path, err);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t TFileStream::Write(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      lastWriteErrno_ = errno;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t TFileStream::Read(void* data, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("シーク位置が無効です");
  return static_cast<std::int64_t>(r);
}

void TFileStream::SetSize(std::int64_t newSize) {
  if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) throw EWriteError();
}

}  // namespace gfx
