// The reference engine's entry table: every engine slot answers from the one Engine this
// library holds; engine events go out through the callback slots that the extension
// wrote into the table. No exception leaves a slot: a failure answers the neutral value.
#include "engine/EntryTable.h"

#include <cstdio>
#include <exception>

#include "Engine.h"

using namespace orvax::engine;

#ifdef _WIN32
#define REFERENCE_EXPORT __declspec(dllexport)
#else
#define REFERENCE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
REFERENCE_EXPORT Slot myEntryPoint[kSlotCount];
}

namespace {

reference::Engine engine;

template <int K, class... A>
void callBack(A&&... args) {
  if (Slot slot = myEntryPoint[K]) reinterpret_cast<SlotType<K>>(slot)(std::forward<A>(args)...);
}

class TableHost : public reference::Host {
 public:
  void messageBox(const std::string& text) override { callBack<kCbMessageBox>(text); }
  void pointCloudLoaded(const std::string& name, bool ok) override {
    callBack<kCbPointCloudLoaded>(name, ok);
  }
  void analyticsPointCloudLoaded(const std::string& text) override {
    callBack<kCbPointCloudLoadedAnalytics>(text);
  }
  void updateView() override { callBack<kCbUpdateView>(); }
};

// Runs a slot's body; any exception becomes the slot's neutral answer, R{}.
template <class F>
auto safely(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& e) {
    std::printf("reference engine: %s\n", e.what());
    std::fflush(stdout);
  } catch (...) {
  }
  if constexpr (!std::is_void_v<decltype(body())>) return decltype(body()){};
}

template <int K>
void set(SlotType<K> fn) {
  myEntryPoint[K] = reinterpret_cast<Slot>(fn);
}

// Slots that store a display setting, and those that read one back.
#define SETTING_SETTER(slot, T, member) set<slot>([](T v) { engine.settings.member = v; })
#define SETTING_GETTER(slot, R, member) set<slot>([]() -> R { return engine.settings.member; })

void doNothing() {}

bool fill() {
  // Slots without an operation of their own do nothing; the extension may call any of them.
  for (std::size_t k = 0; k < kFirstCallbackSlot; ++k) myEntryPoint[k] = &doNothing;
  set<kInitEngine>([](long long version, long long major, long long minor) {
    bool ok = reference::Engine::supports(version, major, minor);
    if (!ok) {
      std::printf(
          "reference engine: host %lld (%lld.%lld) is not supported; majors %lld to %lld are\n",
          version, major, minor, reference::Engine::kFirstMajor, reference::Engine::kLastMajor);
      std::fflush(stdout);
    }
    return ok;
  });
  set<kStarted>([](bool flag) { engine.started(flag); });
  set<kRelease>([] { engine.release(); });
  set<kReinitProject>([] { engine.forgetClouds(); });
  set<kLoadRequest>([](const Text& request) {
    return safely([&] {
      TableHost host;
      return engine.load(request, host);
    });
  });

  SETTING_SETTER(kSetPointSize, int, pointSize);
  SETTING_SETTER(kSetColorMode, int, colorMode);
  SETTING_SETTER(kSetVisibilityMode, int, visibilityMode);
  SETTING_SETTER(kSetShadingMode, int, shadingMode);
  SETTING_SETTER(kSetTransparency, double, transparency);
  SETTING_SETTER(kSetRealTimeTextured, double, realTimeTextured);
  SETTING_SETTER(kSetPickingMode, int, pickingMode);
  SETTING_SETTER(kSetPickingLockMode, int, pickingLockMode);
  SETTING_SETTER(kSetActiveTool, int, activeTool);
  SETTING_SETTER(kSetResolution, double, resolution);
  SETTING_SETTER(kSetConditionalBlending, double, conditionalBlending);
  SETTING_SETTER(kSetComparisonDistanceValue, double, comparisonDistance);
  SETTING_SETTER(kActivateCutView, bool, cutView);
  SETTING_SETTER(kSetThickness, double, thickness);
  SETTING_SETTER(kSetDecimationWhenMovingPurc, int, decimationPercent);
  SETTING_SETTER(kSetContrast, double, contrast);
  SETTING_SETTER(kSetBrightness, double, brightness);
  SETTING_SETTER(kSetSceneIsMoving, bool, sceneMoving);
  SETTING_SETTER(kSetBKVersion, long long, bkVersion);
  SETTING_GETTER(kGetPickingLockMode, int, pickingLockMode);
  SETTING_GETTER(kGetDecimationPurc, int, decimationPercent);
  SETTING_GETTER(kGetThickness, double, thickness);
  SETTING_GETTER(kGetActivateCutView, bool, cutView);
  SETTING_GETTER(kGetRealTimeTextured, double, realTimeTextured);
  SETTING_GETTER(kGetDistanceThreshold, double, comparisonDistance);
  SETTING_GETTER(kGetTransparency, double, transparency);
  SETTING_GETTER(kGetShadingMode, long long, shadingMode);
  SETTING_GETTER(kGetVisibilityMode, long long, visibilityMode);
  SETTING_GETTER(kGetColorMode, long long, colorMode);
  SETTING_GETTER(kGetBrightness, double, brightness);
  SETTING_GETTER(kGetContrast, double, contrast);
  SETTING_GETTER(kGetPointSize, int, pointSize);

  set<kGetNumberofEntity>([] { return static_cast<int>(engine.clouds().size()); });
  set<kGetNumberofFilters>([] { return static_cast<int>(engine.filterNames().size()); });
  set<kGetNameVector>([] { return safely([] { return engine.names(); }); });
  set<kGetLoadedCloudName>([] { return safely([] { return engine.lastLoadedName(); }); });
  set<kGetVisibilityVector>([] { return safely([] { return engine.visibility(); }); });
  // Every cloud read from a file is a main cloud: none is a part of another.
  set<kGetMainCloudVector>(
      [] { return safely([] { return Bools(engine.clouds().size(), true); }); });
  set<kSetVisibility>([](int index, bool visible) {
    engine.setVisible(index, visible);
    callBack<kCbUpdateView>();
  });
  set<kSetVisibilityByName>([](const Text& name, bool visible) {
    engine.setVisible(name, visible);
    callBack<kCbUpdateView>();
  });
  set<kGetVisibilityFilterVector>([] { return safely([] { return engine.filterVisibility(); }); });
  set<kSetVisibilityFilter>(
      [](int index, bool visible) { safely([&] { engine.setFilterVisible(index, visible); }); });
  set<kSetVisibilityFilterByName>([](const Text& name, bool visible) {
    safely([&] { engine.setFilterVisible(name, visible); });
  });
  set<kGetStationNameVector>([] { return safely([] { return engine.stationNames(); }); });
  set<kGetQPEStationNames>([] { return safely([] { return engine.stationClouds(); }); });
  set<kGetStationPositionVector>([] { return safely([] { return engine.stationPositions(); }); });
  set<kGetClippingBoxVector>([] { return safely([] { return engine.clippingBoxes(); }); });

  set<kGetBoundingBox>([] { return safely([] { return engine.boundingBox(); }); });
  set<kGetPointCloudCurrentTransformation>(
      [] { return safely([] { return engine.transformation(); }); });
  set<kScalePointCloud>([](float factor) {
    engine.scale(factor);
    callBack<kCbUpdateView>();
  });
  set<kGetGlobalOffset>([] { return safely([] { return engine.globalOffset(); }); });
  set<kSetGlobalOffset>([](double x, double y, double z) { engine.setGlobalOffset(x, y, z); });
  set<kSetCamera>([](double* matrix) { engine.setCamera(matrix); });
  set<kGetCurrentPointAndNormal>(
      [] { return safely([] { return engine.cameraPointAndNormal(); }); });

  // The cloud processor, paths, depth boxes, orientation and the saved-model name are not
  // part of this engine: they answer empty values.
  set<kComputeCellNb>([](float) { return 0.0f; });
  set<kProcessCloud>([](const Floats&, const Text&) { return Floats{}; });
  set<kProcessModel>([](const Floats&, const Floats&, const Text&) { return Floats{}; });
  set<kGetAmplitudeParameters>([] { return Floats{}; });
  set<kGetOutputJSon>([] { return Text{}; });
  set<kInitCloudProcessor>([](const Text&) { return false; });
  set<kAutoOrientate>([](bool, Floats&) { return 0LL; });
  set<kGetPath>([](int) { return Doubles{}; });
  set<kGetClippingBoxFromDepth>([](double, double, double, double, double, double, double, double,
                                   double, double, double, double, double) { return Doubles{}; });
  set<kGetBKMSavedName>([] { return orvax::WideString{}; });
  set<kAddPointCloud>([](Text, Text) {});
  return true;
}

}  // namespace

// Filled while the library loads, before anyone can read the table.
[[maybe_unused]] static const bool tableFilled = fill();
