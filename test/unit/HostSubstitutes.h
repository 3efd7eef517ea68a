#pragma once
// Wide literals, a scratch directory and a console that records its lines.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ConsoleSink.h"

namespace orvax::test {

inline WideString W(std::u16string_view text) { return WideString(text.begin(), text.end()); }

// A fresh directory under the system's temporary one, removed with all it holds.
struct TemporaryDirectory {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("orvax-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::error_code ignored;
  TemporaryDirectory() { std::filesystem::create_directories(path); }
  ~TemporaryDirectory() { std::filesystem::remove_all(path, ignored); }
};

// Wide lines are recorded as UTF-8 with a "w:" mark.
struct RecordingConsole final : platform::ConsoleSink {
  void line(std::string_view narrow) override { lines.emplace_back(narrow); }
  void wideLine(const WideString& wide) override { lines.push_back("w:" + utf16ToUtf8(wide)); }
  std::vector<std::string> lines;
};

}  // namespace orvax::test
