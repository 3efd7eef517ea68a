#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "platform/win32/GrowingRead.h"

namespace orvax::platform::win32 {
namespace {

// Behaves as GetModuleFileNameW does for a text of the given length: a cut copy, still
// terminated, and the capacity as result when it does not fit.
struct FakeModuleFileName {
  std::wstring text;
  int calls = 0;
  std::size_t operator()(wchar_t* buffer, std::uint32_t capacity) {
    ++calls;
    const std::size_t copied = std::min<std::size_t>(text.size(), capacity - 1);
    text.copy(buffer, copied);
    buffer[copied] = L'\0';
    return text.size() < capacity ? text.size() : capacity;
  }
};

TEST(ReadGrowing, ReturnsTheWholeTextHoweverLong) {
  for (std::size_t length : {1u, 259u, 260u, 261u, 1000u, 32767u}) {
    std::wstring text(length, L'x');
    text.front() = L'C';
    text.back() = L'z';
    FakeModuleFileName query{text};
    EXPECT_EQ(readGrowing<wchar_t>(std::ref(query)), text) << length;
  }
}

TEST(ReadGrowing, GivesNothingWhenTheQueryFailsOrNeverFits) {
  EXPECT_EQ(readGrowing<wchar_t>([](wchar_t*, std::uint32_t) { return std::size_t{0}; }), L"");
  int calls = 0;
  const auto neverFits = [&calls](wchar_t*, std::uint32_t capacity) {
    ++calls;
    return std::size_t{capacity};
  };
  EXPECT_EQ(readGrowing<wchar_t>(neverFits), L"");
  EXPECT_LT(calls, 20);
}

}  // namespace
}  // namespace orvax::platform::win32
