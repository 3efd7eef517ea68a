// An engine that does nothing, so a benchmark times only the extension's own work. Every
// slot answers the empty or zero value of its result at once, except for what a figure
// needs: getPointSize answers 3, getStationPositionVector answers the positions set by
// orvax_bench_set_positions, and setActiveTool(n) calls RubyMessageBox n times.
#include <cstddef>
#include <utility>

#include "engine/EntryTable.h"

using namespace orvax::engine;

#ifdef _WIN32
#define ENGINE_EXPORT __declspec(dllexport)
#else
#define ENGINE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
ENGINE_EXPORT Slot myEntryPoint[kSlotCount];
}

namespace {

Doubles positions;
const Text message = "The point cloud was processed.";

template <int K, class Signature>
struct Answer;
template <int K, class R, class... A>
struct Answer<K, R (*)(A...)> {
  static R call(A...) {
    if constexpr (!std::is_void_v<R>) return R{};
  }
};
template <>
struct Answer<kInitEngine, SlotType<kInitEngine>> {
  static bool call(long long, long long, long long) { return true; }
};
template <>
struct Answer<kGetPointSize, SlotType<kGetPointSize>> {
  static int call() { return 3; }
};
template <>
struct Answer<kGetStationPositionVector, SlotType<kGetStationPositionVector>> {
  static Doubles call() { return positions; }
};
template <>
struct Answer<kSetActiveTool, SlotType<kSetActiveTool>> {
  static void call(int count) {
    auto box = reinterpret_cast<SlotType<kCbMessageBox>>(myEntryPoint[kCbMessageBox]);
    for (int i = 0; i < count; ++i) box(message);
  }
};

template <std::size_t... K>
bool fillTable(std::index_sequence<K...>) {
  ((myEntryPoint[K] =
        reinterpret_cast<Slot>(&Answer<static_cast<int>(K), SlotType<static_cast<int>(K)>>::call)),
   ...);
  return true;
}
const bool tableReady = fillTable(std::make_index_sequence<kFirstCallbackSlot>{});

}  // namespace

// getStationPositionVector answers `count` doubles from now on: 0.5, 1.0, 1.5, ...
extern "C" ENGINE_EXPORT void orvax_bench_set_positions(long count) {
  (void)tableReady;
  positions.resize(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < positions.size(); ++i)
    positions[i] = 0.5 * static_cast<double>(i + 1);
}

// The text setActiveTool hands to RubyMessageBox, for the baseline to build the same String.
extern "C" ENGINE_EXPORT const char* orvax_bench_message() { return message.c_str(); }
