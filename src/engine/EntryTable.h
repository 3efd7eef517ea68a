#pragma once
// The engine contract: the table of 97 function pointers that the engine library
// exports as `myEntryPoint`. Slots 0 to 81 are engine operations, slots 82 to 96 are
// filled by the extension with its callbacks. Both sides include this header; the
// signature of each slot is SlotSignature<k>::type.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "portable/GeometryRecords.h"
#include "portable/Utf16.h"

namespace orvax::engine {

inline constexpr std::size_t kSlotCount = 97;
inline constexpr std::size_t kFirstCallbackSlot = 82;

using Slot = void (*)();
using EntryTable = Slot[kSlotCount];

using Text = std::string;
using Doubles = std::vector<double>;
using Floats = std::vector<float>;
using Bools = std::vector<bool>;
using Texts = std::vector<std::string>;
using TextMap = std::map<std::string, std::string>;
using ClippingBoxes = std::vector<ClippingBox>;

enum SlotNumber : int {
  kInitEngine = 1,
  kKillOverlays = 2,
  kApplyTemporaryTransformation = 4,
  kScalePointCloud = 5,
  kSetPointSize = 6,
  kSetColorMode = 7,
  kRelease = 8,  // also StopRendering
  kSetVisibilityMode = 9,
  kSetShadingMode = 10,
  kSetTransparency = 11,
  kSetRealTimeTextured = 12,
  kSetPickingMode = 13,
  kSetCamera = 14,
  kSetPickingLockMode = 15,
  kGetPickingLockMode = 16,
  kLoadRequest = 17,
  kReinitProject = 18,
  kSwitchHooks = 19,
  kAddPointCloud = 20,
  kInitCloudProcessor = 21,
  kComputeCellNb = 22,
  kProcessCloud = 23,
  kProcessModel = 24,
  kGetAmplitudeParameters = 25,
  kGetOutputJSon = 26,
  kCloseCloudProcessor = 27,
  kAutoOrientate = 28,
  kGetNumberofEntity = 29,
  kGetNumberofFilters = 30,
  kSetFocus = 31,
  kGetVisibilityVector = 32,
  kGetMainCloudVector = 33,
  kSetActiveTool = 34,
  kGetStationNameVector = 35,
  kGetQPEStationNames = 36,
  kGetClippingBoxVector = 37,
  kGetStationPositionVector = 38,
  kGetLoadedCloudName = 39,
  kGetNameVector = 40,
  kSetVisibility = 41,
  kSetVisibilityByName = 42,
  kGetVisibilityFilterVector = 43,
  kSetVisibilityFilter = 44,
  kSetVisibilityFilterByName = 45,
  kStarted = 46,
  kSetResolution = 47,
  kSetConditionalBlending = 48,
  kSetComparisonDistanceValue = 49,
  kGetCurrentPointAndNormal = 50,
  kGetPath = 51,
  kGetClippingBoxFromDepth = 52,
  kActivateCutView = 53,
  kSetThickness = 54,
  kSetDecimationWhenMovingPurc = 55,
  kGetDecimationPurc = 56,
  kSetContrast = 57,
  kSetBrightness = 58,
  kSetSceneIsMoving = 59,
  kSetBKVersion = 60,
  kGetThickness = 61,
  kGetActivateCutView = 62,
  kGetRealTimeTextured = 63,
  kGetDistanceThreshold = 64,
  kGetTransparency = 65,
  kGetShadingMode = 66,
  kGetVisibilityMode = 67,
  kGetColorMode = 68,
  kGetBrightness = 69,
  kGetContrast = 70,
  kGetPointSize = 71,
  kGetBoundingBox = 72,
  kGetPointCloudCurrentTransformation = 73,
  kGetGlobalOffset = 74,
  kSetGlobalOffset = 75,
  kGetBKMSavedName = 81,
  // Callback slots, written by the extension.
  kCbGetModelMatrix = 82,
  kCbUpdateView = 83,
  kCbForceUpdateView = 84,
  kCbUpdateHtml = 85,
  kCbMessageBox = 86,
  kCbYesNoBox = 87,
  kCbAddScene = 88,
  kCbPointCloudLoadedAnalytics = 89,
  kCbPointCloudLoaded = 90,
  kCbErrorMessageEngagement = 91,
  kCbGetSectionPlanes = 92,
  kCbInitializeSettings = 93,
  kCbCreateClippingBox = 94,
  kCbRemoveClippingBox = 95,
  kCbUpdateSceneObserver = 96,
};

// Slots without a listed signature take nothing and return nothing.
template <int K>
struct SlotSignature {
  using type = void (*)();
};
#define ORVAX_SLOT(k, ...)    \
  template <>                 \
  struct SlotSignature<k> {   \
    using type = __VA_ARGS__; \
  };
ORVAX_SLOT(kInitEngine, bool (*)(long long version, long long major, long long minor))
ORVAX_SLOT(kScalePointCloud, void (*)(float factor))
ORVAX_SLOT(kSetPointSize, void (*)(int))
ORVAX_SLOT(kSetColorMode, void (*)(int))
ORVAX_SLOT(kSetVisibilityMode, void (*)(int))
ORVAX_SLOT(kSetShadingMode, void (*)(int))
ORVAX_SLOT(kSetTransparency, void (*)(double))
ORVAX_SLOT(kSetRealTimeTextured, void (*)(double))
ORVAX_SLOT(kSetPickingMode, void (*)(int))
ORVAX_SLOT(kSetCamera, void (*)(double* matrix16))
ORVAX_SLOT(kSetPickingLockMode, void (*)(int))
ORVAX_SLOT(kGetPickingLockMode, int (*)())
ORVAX_SLOT(kLoadRequest, Text (*)(const Text& request))
ORVAX_SLOT(kAddPointCloud, void (*)(Text first, Text second))
ORVAX_SLOT(kInitCloudProcessor, bool (*)(const Text& text))
ORVAX_SLOT(kComputeCellNb, float (*)(float value))
ORVAX_SLOT(kProcessCloud, Floats (*)(const Floats& values, const Text& text))
ORVAX_SLOT(kProcessModel, Floats (*)(const Floats& first, const Floats& second, const Text& text))
ORVAX_SLOT(kGetAmplitudeParameters, Floats (*)())
ORVAX_SLOT(kGetOutputJSon, Text (*)())
ORVAX_SLOT(kAutoOrientate, long long (*)(bool flag, Floats& out))
ORVAX_SLOT(kGetNumberofEntity, int (*)())
ORVAX_SLOT(kGetNumberofFilters, int (*)())
ORVAX_SLOT(kGetVisibilityVector, Bools (*)())
ORVAX_SLOT(kGetMainCloudVector, Bools (*)())
ORVAX_SLOT(kSetActiveTool, void (*)(int))
ORVAX_SLOT(kGetStationNameVector, Texts (*)())
ORVAX_SLOT(kGetQPEStationNames, TextMap (*)())
ORVAX_SLOT(kGetClippingBoxVector, ClippingBoxes (*)())
ORVAX_SLOT(kGetStationPositionVector, Doubles (*)())
ORVAX_SLOT(kGetLoadedCloudName, Text (*)())
ORVAX_SLOT(kGetNameVector, Texts (*)())
ORVAX_SLOT(kSetVisibility, void (*)(int index, bool visible))
ORVAX_SLOT(kSetVisibilityByName, void (*)(const Text& name, bool visible))
ORVAX_SLOT(kGetVisibilityFilterVector, Bools (*)())
ORVAX_SLOT(kSetVisibilityFilter, void (*)(int index, bool visible))
ORVAX_SLOT(kSetVisibilityFilterByName, void (*)(const Text& name, bool visible))
ORVAX_SLOT(kStarted, void (*)(bool))
ORVAX_SLOT(kSetResolution, void (*)(double))
ORVAX_SLOT(kSetConditionalBlending, void (*)(double))
ORVAX_SLOT(kSetComparisonDistanceValue, void (*)(double))
ORVAX_SLOT(kGetCurrentPointAndNormal, Doubles (*)())
ORVAX_SLOT(kGetPath, Doubles (*)(int index))
ORVAX_SLOT(kGetClippingBoxFromDepth,
           Doubles (*)(double, double, double, double, double, double, double, double, double,
                       double, double, double, double))
ORVAX_SLOT(kActivateCutView, void (*)(bool))
ORVAX_SLOT(kSetThickness, void (*)(double))
ORVAX_SLOT(kSetDecimationWhenMovingPurc, void (*)(int))
ORVAX_SLOT(kGetDecimationPurc, int (*)())
ORVAX_SLOT(kSetContrast, void (*)(double))
ORVAX_SLOT(kSetBrightness, void (*)(double))
ORVAX_SLOT(kSetSceneIsMoving, void (*)(bool))
ORVAX_SLOT(kSetBKVersion, void (*)(long long))
ORVAX_SLOT(kGetThickness, double (*)())
ORVAX_SLOT(kGetActivateCutView, bool (*)())
ORVAX_SLOT(kGetRealTimeTextured, double (*)())
ORVAX_SLOT(kGetDistanceThreshold, double (*)())
ORVAX_SLOT(kGetTransparency, double (*)())
ORVAX_SLOT(kGetShadingMode, long long (*)())
ORVAX_SLOT(kGetVisibilityMode, long long (*)())
ORVAX_SLOT(kGetColorMode, long long (*)())
ORVAX_SLOT(kGetBrightness, double (*)())
ORVAX_SLOT(kGetContrast, double (*)())
ORVAX_SLOT(kGetPointSize, int (*)())
ORVAX_SLOT(kGetBoundingBox, Doubles (*)())
ORVAX_SLOT(kGetPointCloudCurrentTransformation, Doubles (*)())
ORVAX_SLOT(kGetGlobalOffset, Doubles (*)())
ORVAX_SLOT(kSetGlobalOffset, void (*)(double x, double y, double z))
ORVAX_SLOT(kGetBKMSavedName, WideString (*)())
// Callbacks.
ORVAX_SLOT(kCbMessageBox, void (*)(const Text& message))
ORVAX_SLOT(kCbYesNoBox, bool (*)(const Text& question))
ORVAX_SLOT(kCbAddScene, void (*)(const Doubles& values, const Text& text))
ORVAX_SLOT(kCbPointCloudLoadedAnalytics, void (*)(Text text))
ORVAX_SLOT(kCbPointCloudLoaded, void (*)(Text text, bool flag))
ORVAX_SLOT(kCbErrorMessageEngagement, void (*)(Text text))
ORVAX_SLOT(kCbGetSectionPlanes, Doubles (*)())
ORVAX_SLOT(kCbUpdateSceneObserver, void (*)(WideString text))
#undef ORVAX_SLOT

template <int K>
using SlotType = typename SlotSignature<K>::type;

// The name under which the engine library exports its table.
inline constexpr const char kEntryPointName[] = "myEntryPoint";

}  // namespace orvax::engine
