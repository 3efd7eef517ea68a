#pragma once
// Substitutes for the host-facing platform interfaces: a scripted window tree, a console
// that records its lines.
#include <string>
#include <vector>

#include "platform/ConsoleSink.h"
#include "platform/WindowSystem.h"

namespace orvax::test {

class RecordingConsole final : public platform::ConsoleSink {
 public:
  // Wide lines are recorded as UTF-8 with a "w:" mark.
  void line(std::string_view narrow) override { lines.emplace_back(narrow); }
  void wideLine(const WideString& wide) override { lines.push_back("w:" + utf16ToUtf8(wide)); }
  std::vector<std::string> lines;
};

// Windows are numbered from 1 in the order they are added; a handle is that number.
class FakeWindows final : public platform::WindowSystem {
 public:
  struct Window {
    std::uint32_t process;
    WideString title;
    WideString className;
    std::size_t parent;  // 0: top level
    bool answers;
  };

  static constexpr std::uint32_t kOwnProcess = 4242;

  platform::WindowHandle add(WideString title, std::uint32_t process = kOwnProcess,
                             bool answers = true) {
    windows_.push_back({process, std::move(title), {}, 0, answers});
    return handle(windows_.size());
  }
  platform::WindowHandle addChild(platform::WindowHandle parent, WideString className) {
    windows_.push_back({kOwnProcess, {}, std::move(className), index(parent), true});
    return handle(windows_.size());
  }
  static platform::WindowHandle handle(std::size_t number) {
    return reinterpret_cast<platform::WindowHandle>(number);
  }

  std::uint32_t currentProcessId() override { return kOwnProcess; }
  void forEachTopLevel(const Visit& visit) override {
    if (nullFirst && !visit(nullptr)) return;
    for (std::size_t i = 1; i <= windows_.size(); ++i) {
      if (at(i).parent == 0 && !visit(handle(i))) return;
    }
  }
  // Depth first, as the system visits descendants.
  void forEachDescendant(platform::WindowHandle parent, const Visit& visit) override {
    descend(index(parent), visit);
  }
  std::uint32_t ownerProcess(platform::WindowHandle w) override { return at(index(w)).process; }
  WideString title(platform::WindowHandle w, std::size_t capacity, std::uint32_t timeout) override {
    titleRequests.push_back({capacity, timeout});
    return at(index(w)).answers ? at(index(w)).title : WideString();
  }
  WideString className(platform::WindowHandle w, std::size_t capacity) override {
    classCapacities.push_back(capacity);
    return at(index(w)).className;
  }

  bool nullFirst = false;
  std::vector<std::pair<std::size_t, std::uint32_t>> titleRequests;
  std::vector<std::size_t> classCapacities;

 private:
  static std::size_t index(platform::WindowHandle w) { return reinterpret_cast<std::size_t>(w); }
  Window& at(std::size_t number) { return windows_.at(number - 1); }
  bool descend(std::size_t parent, const Visit& visit) {
    for (std::size_t i = 1; i <= windows_.size(); ++i) {
      if (at(i).parent != parent) continue;
      if (!visit(handle(i)) || !descend(i, visit)) return false;
    }
    return true;
  }

  std::vector<Window> windows_;
};

}  // namespace orvax::test
