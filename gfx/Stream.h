#pragma once
// Byte streams: the abstract TStream, a growable TMemoryStream and a TFileStream
// over a POSIX file descriptor.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gfx {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Returns the number of bytes taken (may be less than count on a full disk).
  virtual std::size_t Write(const void* data, std::size_t count) = 0;
  // Returns the number of bytes read (less than count at the end).
  virtual std::size_t Read(void* data, std::size_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t newSize) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Writes all bytes or raises the stream write error.
  void WriteBuffer(const void* data, std::size_t count);
  void WriteBuffer(std::span<const std::uint8_t> bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  // Reads exactly count bytes or raises the stream read error.
  void ReadBuffer(void* data, std::size_t count);
};

class TMemoryStream : public TStream {
 public:
  std::size_t Write(const void* data, std::size_t count) override;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
  void SetSize(std::int64_t newSize) override;

  void Clear();
  // Keeps capacity: a reused stream does not allocate again.
  void Rewind() { bytes_.clear(); position_ = 0; }
  void Reserve(std::size_t capacity) { bytes_.reserve(capacity); }
  std::uint8_t* Memory() { return bytes_.data(); }
  const std::uint8_t* Memory() const { return bytes_.data(); }
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

enum class TFileMode {
  fmCreate,           // create, or truncate an existing file; read and write
  fmCreateExclusive,  // create a new file; fails with EEXIST if the name exists in any form
  fmOpenRead,         // open an existing file for reading
};

class TFileStream : public TStream {
 public:
  // Raises EFCreateError (create modes) or EFOpenError (read) with the system's text.
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;

  std::size_t Write(const void* data, std::size_t count) override;
  std::size_t Read(void* data, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;

  const std::string& FileName() const { return path_; }
  int Handle() const { return fd_; }
  // errno of the last short write (0 when none): lets callers tell a full disk apart.
  int LastWriteErrno() const { return lastWriteErrno_; }

 private:
  std::string path_;
  int fd_ = -1;
  int lastWriteErrno_ = 0;
};

}  // namespace gfx
