// Chooses the reader for a file from its first bytes, and names the formats that this
// engine knows of but does not read.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "CloudReaders.h"
#include "ReadError.h"

namespace reference {
namespace {

std::string lowerExtension(const std::string& fileName) {
  std::size_t dot = fileName.find_last_of('.');
  std::size_t slash = fileName.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = fileName.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

struct Unread {
  const char* extension;
  const char* what;
};
constexpr Unread kUnread[] = {
    {"laz", "compressed LAS (LAZ)"},
    {"e57", "E57"},
    {"hjp", "hjp"},
    {"qsd", "qsd"},
};

// Reads the first bytes, then hands a source that starts again at the beginning to the
// reader: the magic is looked at, not consumed.
class PeekedSource : public ByteSource {
 public:
  PeekedSource(ByteSource& inner, std::string head) : inner_(inner), head_(std::move(head)) {}
  std::uint64_t size() const override { return inner_.size(); }
  std::size_t read(void* into, std::size_t n) override {
    if (at_ < head_.size()) {
      std::size_t count = std::min(n, head_.size() - at_);
      std::memcpy(into, head_.data() + at_, count);
      at_ += count;
      return count;
    }
    return inner_.read(into, n);
  }

 private:
  ByteSource& inner_;
  std::string head_;
  std::size_t at_ = 0;
};

}  // namespace

Cloud readCloud(ByteSource& source, const std::string& fileName) {
  std::string head(8, '\0');
  head.resize(source.read(head.data(), head.size()));
  PeekedSource whole(source, head);
  std::string ext = lowerExtension(fileName);
  for (const Unread& unread : kUnread) {
    if (ext == unread.extension)
      throw ReadError(std::string(unread.what) + " files are not read by this engine");
  }
  if (head.compare(0, 4, "LASF") == 0) return readLas(whole);
  if (head.compare(0, 4, "ply\n") == 0 || head.compare(0, 5, "ply\r\n") == 0) return readPly(whole);
  if (head.compare(0, 8, "ASTM-E57") == 0) throw ReadError("E57 files are not read by this engine");
  if (head.empty()) throw ReadError("the file is empty");
  throw ReadError("not a PLY or LAS file (unknown magic)");
}

Cloud readCloudFile(const std::string& path) {
  FileSource source(path);
  return readCloud(source, path);
}

}  // namespace reference
