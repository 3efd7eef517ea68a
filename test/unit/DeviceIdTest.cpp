#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "portable/DeviceId.h"

namespace orvax {
namespace {
using test::W;
using Serials = std::vector<std::optional<WideString>>;

// No list: the service cannot be reached.
struct FakeMedia final : platform::MediaService {
  std::optional<Serials> media;
  bool forEachMedium(const Visit& visit) override {
    for (const auto& serial : media.value_or(Serials{})) visit(serial);
    return media.has_value();
  }
};

TEST(DeviceId, TheLastReportingMediumWinsUntrimmedUpToAZeroUnitEachUnitByItself) {
  const std::pair<std::optional<Serials>, std::string> cases[] = {
      {std::nullopt, ""},
      {Serials{}, "unknown"},
      {Serials{std::nullopt, std::nullopt}, "unknown"},
      {Serials{W(u"A1"), W(u"  WD-123 X  ")}, "  WD-123 X  "},
      {Serials{std::nullopt, W(u"A1"), std::nullopt}, "A1"},
      {Serials{W(u"")}, ""},
      {Serials{W(std::u16string_view(u"AB\0CD", 5))}, "AB"},
      {Serials{W(u"\u00E9\U0001F600")}, "\xC3\xA9\xED\xA0\xBD\xED\xB8\x80"}};
  for (const auto& [media, id] : cases) {
    FakeMedia fake;
    fake.media = media;
    EXPECT_EQ(deviceId(fake), id);
  }
}

}  // namespace
}  // namespace orvax
