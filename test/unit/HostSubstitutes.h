#pragma once
// Substitutes for the host-facing platform interfaces, wide literals, a scratch directory.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ConsoleSink.h"
#include "platform/WindowSystem.h"

namespace orvax::test {

inline WideString W(std::u16string_view text) { return WideString(text.begin(), text.end()); }

// A fresh directory under the system's temporary one, removed with all it holds.
struct TemporaryDirectory {
  TemporaryDirectory() { std::filesystem::create_directories(path); }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("orvax-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
};

// Wide lines are recorded as UTF-8 with a "w:" mark.
class RecordingConsole final : public platform::ConsoleSink {
 public:
  void line(std::string_view narrow) override { lines.emplace_back(narrow); }
  void wideLine(const WideString& wide) override { lines.push_back("w:" + utf16ToUtf8(wide)); }
  std::vector<std::string> lines;
};

// Windows are numbered from 1 in the order they are added; a handle is that number. A
// top-level window's text is its title, a child's its class name.
class FakeWindows final : public platform::WindowSystem {
 public:
  static constexpr std::uint32_t kOwnProcess = 4242;
  static platform::WindowHandle handle(std::size_t n) {
    return reinterpret_cast<platform::WindowHandle>(n);
  }
  platform::WindowHandle add(std::u16string_view text, platform::WindowHandle parent = nullptr,
                             std::uint32_t process = kOwnProcess, bool answers = true) {
    windows_.push_back({process, W(text), index(parent), answers});
    return handle(windows_.size());
  }

  std::uint32_t currentProcessId() override { return kOwnProcess; }
  void forEachTopLevel(const Visit& visit) override {
    if (nullFirst && !visit(nullptr)) return;
    for (std::size_t i = 1; i <= windows_.size(); ++i) {
      if (at(handle(i)).parent == 0 && !visit(handle(i))) return;
    }
  }
  void forEachDescendant(platform::WindowHandle parent, const Visit& visit) override {
    descend(index(parent), visit);
  }
  std::uint32_t ownerProcess(platform::WindowHandle w) override { return at(w).process; }
  WideString title(platform::WindowHandle w, std::size_t capacity, std::uint32_t timeout) override {
    requests.push_back({capacity, timeout});
    return at(w).answers ? at(w).text : WideString();
  }
  WideString className(platform::WindowHandle w, std::size_t capacity) override {
    requests.push_back({capacity, 0});
    return at(w).text;
  }

  bool nullFirst = false;
  std::vector<std::pair<std::size_t, std::uint32_t>> requests;  // capacity, time-out

 private:
  struct Window {
    std::uint32_t process;
    WideString text;
    std::size_t parent;  // 0: top level
    bool answers;
  };
  static std::size_t index(platform::WindowHandle w) { return reinterpret_cast<std::size_t>(w); }
  Window& at(platform::WindowHandle w) { return windows_.at(index(w) - 1); }
  // Depth first, as the system visits descendants.
  bool descend(std::size_t parent, const Visit& visit) {
    for (std::size_t i = 1; i <= windows_.size(); ++i) {
      if (at(handle(i)).parent == parent && (!visit(handle(i)) || !descend(i, visit))) return false;
    }
    return true;
  }
  std::vector<Window> windows_;
};

}  // namespace orvax::test
