#include <gtest/gtest.h>

#include "WideText.h"
#include "portable/DeviceId.h"

namespace orvax {
namespace {

using test::W;
using Serial = std::optional<WideString>;

class FakeMedia final : public platform::MediaService {
 public:
  explicit FakeMedia(std::optional<std::vector<Serial>> media) : media_(std::move(media)) {}
  bool forEachMedium(const Visit& visit) override {
    if (!media_) return false;
    for (const Serial& serial : *media_) visit(serial);
    return true;
  }

 private:
  std::optional<std::vector<Serial>> media_;
};

TEST(DeviceId, TheLastReportingMediumWins) {
  const struct {
    std::optional<std::vector<Serial>> media;
    std::string id;
  } cases[] = {
      {std::nullopt, ""},
      {std::vector<Serial>{}, "unknown"},
      {std::vector<Serial>{std::nullopt, std::nullopt}, "unknown"},
      {std::vector<Serial>{W(u"A1"), W(u"B2")}, "B2"},
      {std::vector<Serial>{W(u"A1"), std::nullopt}, "A1"},
      {std::vector<Serial>{std::nullopt, W(u"A1"), std::nullopt}, "A1"},
      {std::vector<Serial>{W(u"  WD-123 X  ")}, "  WD-123 X  "},
      {std::vector<Serial>{W(u"")}, ""},
      // Up to the first zero unit; each unit encoded by itself.
      {std::vector<Serial>{W(std::u16string_view(u"AB\0CD", 5))}, "AB"},
      {std::vector<Serial>{W(u"\u00E9\U0001F600")}, "\xC3\xA9\xED\xA0\xBD\xED\xB8\x80"},
  };
  for (const auto& c : cases) {
    FakeMedia media(c.media);
    EXPECT_EQ(deviceId(media), c.id);
  }
}

}  // namespace
}  // namespace orvax
