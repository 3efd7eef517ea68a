// The built engine library as the extension meets it: loaded, its table found by name, our
// callbacks in its slots, then the load request and the queries. Natively and under wine.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/EntryTable.h"
#include "platform/Platform.h"

using namespace orvax::engine;

namespace {

std::vector<std::string> events;

void messageBox(const Text& text) { events.push_back("message " + text); }
void loaded(Text name, bool ok) { events.push_back("loaded " + name + (ok ? " 1" : " 0")); }
void analytics(Text text) { events.push_back("analytics " + text); }
void updateView() { events.push_back("updateView"); }

class EngineLibrary : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto& loader = orvax::platform::moduleLoader();
    const auto module = loader.load(orvax::widen(REFERENCE_ENGINE),
                                    orvax::platform::DependencySearch::libraryDirectoryAndDefaults);
    ASSERT_NE(module, nullptr);
    table_ = static_cast<Slot*>(loader.findExport(module, kEntryPointName));
    ASSERT_NE(table_, nullptr);
    table_[kCbMessageBox] = reinterpret_cast<Slot>(&messageBox);
    table_[kCbPointCloudLoaded] = reinterpret_cast<Slot>(&loaded);
    table_[kCbPointCloudLoadedAnalytics] = reinterpret_cast<Slot>(&analytics);
    table_[kCbUpdateView] = reinterpret_cast<Slot>(&updateView);
  }

  template <int K, class... A>
  static auto call(A... args) {
    return reinterpret_cast<SlotType<K>>(table_[K])(args...);
  }

  static inline Slot* table_ = nullptr;
};

TEST_F(EngineLibrary, AcceptsTheHostVersionsItServes) {
  const long long kVersions[][4] = {{2400, 24, 1, 1}, {2100, 21, 0, 1}, {2600, 26, 9, 1},
                                    {2000, 20, 0, 0}, {2700, 27, 0, 0}, {2500, 24, 1, 0},
                                    {2400, 24, -1, 0}};  // version, major, minor, accepted
  for (const auto& [version, major, minor, accepted] : kVersions)
    EXPECT_EQ(call<kInitEngine>(version, major, minor), accepted != 0) << version;
}

TEST_F(EngineLibrary, LoadsTheSamplesAndAnswersFromThem) {
  call<kStarted>(true);
  events.clear();
  std::string dir = REFERENCE_SAMPLES;
  nlohmann::json request{{"files", {dir + "/trees.ply", dir + "/building.las", dir + "/none.las"}}};
  auto reply = nlohmann::json::parse(call<kLoadRequest>(request.dump()));
  ASSERT_EQ(reply["clouds"].size(), 3u);
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0], "loaded trees.ply 1");
  EXPECT_EQ(events[4].rfind("message Cannot load point cloud " + dir + "/none.las: ", 0), 0u);
  EXPECT_EQ(events[6], "updateView");

  EXPECT_EQ(call<kGetNumberofEntity>(), 2);
  EXPECT_EQ(call<kGetNameVector>(), (Texts{"trees.ply", "building.las"}));
  EXPECT_EQ(call<kGetLoadedCloudName>(), "building.las");
  EXPECT_EQ(call<kGetNumberofFilters>(), 1);  // the building's class
  EXPECT_EQ(call<kGetClippingBoxVector>().size(), 2u);
  EXPECT_EQ(call<kGetBoundingBox>().size(), 6u);
  call<kSetVisibility>(0, false);
  EXPECT_EQ(call<kGetVisibilityVector>(), (Bools{false, true}));
  call<kSetPointSize>(4);
  call<kSetColorMode>(2);
  call<kSetTransparency>(0.25);
  call<kSetGlobalOffset>(1.0, 2.0, 3.0);
  EXPECT_EQ(std::make_tuple(call<kGetPointSize>(), call<kGetColorMode>(), call<kGetTransparency>(),
                            call<kGetGlobalOffset>()),
            std::make_tuple(4, 2, 0.25, Doubles{1, 2, 3}));

  // Slots it does not serve answer nothing and crash nothing.
  for (int k : {0, 2, 3, 4, 19, 31, 76, 77, 78, 79, 80}) table_[k]();
  EXPECT_TRUE(call<kGetPath>(3).empty());
  EXPECT_EQ(call<kGetOutputJSon>(), "");

  call<kRelease>();
  EXPECT_EQ(call<kGetNumberofEntity>(), 0);
  EXPECT_EQ(call<kGetPointSize>(), 1);
  EXPECT_TRUE(call<kGetBoundingBox>().empty());
}

}  // namespace
