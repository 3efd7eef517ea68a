#include "platform/posix/SysfsMedia.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/posix/PathText.h"

namespace orvax::platform {
namespace posix {
namespace {

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return text;
}

class SysfsMedia final : public MediaService {
 public:
  explicit SysfsMedia(std::string root) : root_(std::move(root)) {}

  bool forEachMedium(const Visit& visit) override {
    const std::string block = root_ + "/block";
    DIR* directory = opendir(block.c_str());
    if (directory == nullptr) return false;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(directory)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) visit(serialOf(block + "/" + name));
    return true;
  }

 private:
  static std::optional<WideString> serialOf(const std::string& device) {
    std::optional<std::string> text = readFile(device + "/device/serial");
    if (!text) text = readFile(device + "/serial");
    if (!text) return std::nullopt;
    // sysfs ends the value with a line feed; blanks inside and around it are the serial's.
    if (!text->empty() && text->back() == '\n') text->pop_back();
    return widenPath(*text);
  }

  std::string root_;
};

}  // namespace

std::unique_ptr<MediaService> sysfsMedia(std::string root) {
  return std::make_unique<SysfsMedia>(std::move(root));
}

}  // namespace posix

MediaService& mediaService() {
  static std::unique_ptr<MediaService> media = posix::sysfsMedia("/sys");
  return *media;
}

}  // namespace orvax::platform
