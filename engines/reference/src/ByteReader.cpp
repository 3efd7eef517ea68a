#include "ByteReader.h"

#include <algorithm>
#include <cstring>

#include "ReadError.h"
#include "portable/Utf16.h"

namespace reference {

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
  orvax::WideString wide, wideMode;
  if (!orvax::utf8ToUtf16(path, wide) || !orvax::utf8ToUtf16(mode, wideMode)) return nullptr;
  return _wfopen(wide.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

FileSource::FileSource(const std::string& path) {
  file_ = openFile(path, "rb");
  if (!file_) throw ReadError("the file cannot be opened (missing or not readable)");
    // Sizes beyond 2 GiB need the 64-bit seek of each C library.
#ifdef _WIN32
  bool sized = _fseeki64(file_, 0, SEEK_END) == 0;
  long long end = sized ? _ftelli64(file_) : -1;
  sized = sized && end >= 0 && _fseeki64(file_, 0, SEEK_SET) == 0;
#else
  bool sized = fseeko(file_, 0, SEEK_END) == 0;
  off_t end = sized ? ftello(file_) : -1;
  sized = sized && end >= 0 && fseeko(file_, 0, SEEK_SET) == 0;
#endif
  if (!sized) {
    std::fclose(file_);
    throw ReadError("the file cannot be read (not a regular file)");
  }
  size_ = static_cast<std::uint64_t>(end);
}

FileSource::~FileSource() { std::fclose(file_); }

std::size_t FileSource::read(void* into, std::size_t n) { return std::fread(into, 1, n, file_); }

std::size_t MemorySource::read(void* into, std::size_t n) {
  std::size_t count = std::min(n, bytes_.size() - at_);
  std::memcpy(into, bytes_.data() + at_, count);
  at_ += count;
  return count;
}

ByteReader::ByteReader(ByteSource& source)
    : source_(source), size_(source.size()), buffer_(kBufferSize) {}

bool ByteReader::refill(std::size_t n, bool required) {
  // Keep what is left, then fill the rest of the buffer.
  std::size_t left = end_ - at_;
  std::memmove(buffer_.data(), buffer_.data() + at_, left);
  at_ = 0;
  end_ = left;
  while (end_ < buffer_.size()) {
    std::size_t got = source_.read(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) break;
    end_ += got;
    consumed_ += got;
  }
  if (end_ >= n) return true;
  if (required) throw ReadError("the file ends early (truncated)");
  return false;
}

void ByteReader::skip(std::uint64_t n) {
  while (n > 0) {
    std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(n, kBufferSize));
    take(step);
    n -= step;
  }
}

}  // namespace reference
