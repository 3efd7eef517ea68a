#pragma once
// Sequential reading of a file through one fixed buffer: the readers ask for the next n
// bytes and get a pointer into the buffer, or a ReadError when the file ends first. Nothing
// is ever read twice and memory use does not depend on the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace reference {

// Opens a file named in UTF-8, as the host's scripts name files, on every platform (the
// Windows C library would read a narrow name in the system's code page).
std::FILE* openFile(const std::string& path, const char* mode);

// Where the bytes come from: a file, or memory in tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Reads up to n bytes; fewer only at the end.
  virtual std::size_t read(void* into, std::size_t n) = 0;
};

class FileSource : public ByteSource {
 public:
  // Throws ReadError when the file cannot be opened.
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::uint64_t size() const override { return size_; }
  std::size_t read(void* into, std::size_t n) override;

 private:
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t read(void* into, std::size_t n) override;

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

class ByteReader {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;

  explicit ByteReader(ByteSource& source);

  // The next n bytes (n at most kBufferSize), contiguous; throws ReadError at the end.
  const std::uint8_t* take(std::size_t n) {
    if (end_ - at_ < n) refill(n);
    const std::uint8_t* p = buffer_.data() + at_;
    at_ += n;
    return p;
  }
  void skip(std::uint64_t n);
  // The next byte without taking it, or -1 at the end.
  int peek() {
    if (at_ == end_ && !refill(1, false)) return -1;
    return buffer_[at_];
  }
  std::uint64_t position() const { return consumed_ - (end_ - at_); }
  std::uint64_t remaining() const { return size_ - position(); }
  std::uint64_t size() const { return size_; }

 private:
  bool refill(std::size_t n, bool required = true);

  ByteSource& source_;
  std::uint64_t size_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0, end_ = 0;
  std::uint64_t consumed_ = 0;  // bytes moved from the source into the buffer
};

// Little- and big-endian reads of the values the formats use (inline: they run per value).
template <class T>
T readBytes(const std::uint8_t* p, bool big) {
  using U = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<sizeof(T) == 2, std::uint16_t,
                         std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    std::size_t shift = 8 * (big ? sizeof(T) - 1 - i : i);
    u = static_cast<U>(u | static_cast<U>(static_cast<U>(p[i]) << shift));
  }
  T value;
  std::memcpy(&value, &u, sizeof(T));
  return value;
}
template <class T>
T readLittle(const std::uint8_t* p) {
  return readBytes<T>(p, false);
}
template <class T>
T readBig(const std::uint8_t* p) {
  return readBytes<T>(p, true);
}

}  // namespace reference
