// A stand-in for the point-cloud engine: every engine slot records its call and answers what
// the test asked for; callback slots are fired directly, from a thread of the engine's own, or
// from inside an engine slot. The tests drive it through the C functions at the end.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <thread>
#include <tuple>

#include "engine/EntryTable.h"

using nlohmann::json;
using namespace orvax::engine;
using orvax::WideString;
#ifdef _WIN32
#define ENGINE_VISIBLE __declspec(dllexport)
#else
#define ENGINE_VISIBLE __attribute__((visibility("default")))
#endif
#define ENGINE_EXPORT extern "C" ENGINE_VISIBLE
// The braces make this a definition, not a declaration of a table defined elsewhere.
extern "C" {
ENGINE_VISIBLE Slot myEntryPoint[kSlotCount];
}

// What initEngine answers when the test gave no answer.
#if defined(ORVAX_ENGINE_REFUSES)
const bool kAccepts = false;
#elif defined(ORVAX_ENGINE_DEPENDS)
extern "C" __declspec(dllimport) int orvax_helper_accepts(void);
const bool kAccepts = orvax_helper_accepts() != 0;
#else
const bool kAccepts = true;
#endif

// A wide text: a string, made UTF-16, or an array of 16-bit units, surrogates as given.
namespace nlohmann {
template <>
struct adl_serializer<WideString> {
  static void from_json(const json& value, WideString& out) {
    if (value.is_string()) {
      orvax::utf8ToUtf16(value.get<std::string>(), out);
    } else {
      for (int unit : value.get<std::vector<int>>()) out += static_cast<orvax::WideChar>(unit);
    }
  }
};
}  // namespace nlohmann

// A plane: its six values, then its flag (false when left out).
static void from_json(const json& value, SectionPlane& plane) {
  for (int i = 0; i < 6; ++i) plane.values[i] = value.at(i).get<std::int64_t>();
  plane.flag = value.size() > 6 && value.at(6).get<bool>();
}

// A box: {"bounds", "sum", "enabled", "visible", "planes"}, each optional.
static void from_json(const json& value, ClippingBox& box) {
  box.sxXyYzZ = value.value("bounds", box.sxXyYzZ);
  box.mSumBBMinnMax = value.value("sum", box.mSumBBMinnMax);
  box.mClippingBoxEnabled = value.value("enabled", box.mClippingBoxEnabled);
  box.mClippingBoxVisible = value.value("visible", box.mClippingBoxVisible);
  box.sSectionVector = value.value("planes", box.sSectionVector);
}

namespace {
json callLog = json::array();
std::map<int, json> answers;
std::map<int, std::vector<std::pair<int, json>>> scripts;  // by slot: callbacks and their arguments
std::string lastText;
using Firing = json (*)(const json& args);
Firing firings[kSlotCount];  // by slot number, for the callback slots

template <class T>
json render(const T& value) {
  return value;
}
// Texts are bytes; those that are not UTF-8 are shown as their byte values.
json render(const Text& text) {
  WideString ignored;
  if (orvax::utf8ToUtf16(text, ignored)) return text;
  return json{{"bytes", std::vector<unsigned char>(text.begin(), text.end())}};
}
json render(double* matrix) { return Doubles(matrix, matrix + 16); }  // the camera block

template <class R>
R answerFor(int slot) {
  json value = answers.count(slot) ? answers[slot] : slot == kInitEngine ? json(kAccepts) : json();
  return value.is_null() ? R{} : value.get<R>();
}

json fire(int k, const json& args) {
  if (k < 0 || k >= int(kSlotCount) || !firings[k]) return json{{"error", "not a callback slot"}};
  if (myEntryPoint[k] == nullptr) return json{{"error", "callback not installed"}};
  return firings[k](args);
}

// Notes the call, then runs what the test scripted for the slot, noting what each callback
// answered (the engine ran on after it).
void record(int slot, json args) {
  if (slot == kInitEngine && !kAccepts) {
    std::printf("scripted engine refuses %s\n", args.dump().c_str());
    std::fflush(stdout);
  }
  callLog.push_back({{"slot", slot}, {"args", std::move(args)}});
  auto pending = scripts[slot];
  for (const auto& [callback, input] : pending) {
    callLog.push_back(
        {{"slot", slot}, {"after_callback", callback}, {"result", fire(callback, input)}});
  }
}

template <std::size_t K, class Signature = SlotType<K>>
struct EngineSlot;
template <std::size_t K, class R, class... A>
struct EngineSlot<K, R (*)(A...)> {
  // An engine slot records the call and answers what the test asked for.
  static R call(A... args) {
    record(K, json::array({render(args)...}));
    if constexpr (!std::is_void_v<R>) return answerFor<R>(K);
  }
  // A callback slot is called with its arguments from JSON; its result is answered.
  static json fire(const json& args) {
    auto values = args.get<std::tuple<std::decay_t<A>...>>();
    auto callback = reinterpret_cast<R (*)(A...)>(myEntryPoint[K]);
    if constexpr (std::is_void_v<R>) {
      std::apply(callback, values);
      return nullptr;
    } else {
      return std::apply(callback, values);
    }
  }
};
// autoOrientate fills the caller's sequence ("values") and answers a status ("status").
template <>
long long EngineSlot<kAutoOrientate>::call(bool flag, Floats& out) {
  record(kAutoOrientate, json::array({flag, out.size()}));
  json answer = answers.count(kAutoOrientate) ? answers[kAutoOrientate] : json::object();
  if (answer.contains("values")) out = answer["values"].get<Floats>();
  return answer.value("status", 0LL);
}

template <std::size_t... E, std::size_t... C>
bool install(std::index_sequence<E...>, std::index_sequence<C...>) {
  ((myEntryPoint[E] = reinterpret_cast<Slot>(&EngineSlot<E>::call)), ...);
  ((firings[kFirstCallbackSlot + C] = &EngineSlot<kFirstCallbackSlot + C>::fire), ...);
  return true;
}
[[maybe_unused]] const bool installed =
    install(std::make_index_sequence<kFirstCallbackSlot>{},
            std::make_index_sequence<kSlotCount - kFirstCallbackSlot>{});

// Test input arrives as JSON; a malformed one is a fault of the test, reported back. The
// text answered (true from controls that answer nothing) stays valid until the next control.
template <class F>
const char* guarded(F&& f) {
  try {
    if constexpr (std::is_void_v<decltype(f())>) {
      f();
      lastText = "true";
    } else {
      lastText = f().dump();
    }
  } catch (const std::exception& e) {
    lastText = json{{"error", e.what()}}.dump();
  }
  return lastText.c_str();
}

}  // namespace

ENGINE_EXPORT void orvax_engine_reset() {
  callLog = json::array();
  answers.clear();
  scripts.clear();
}
ENGINE_EXPORT void orvax_engine_forget_calls() { callLog = json::array(); }

// What slot `slot` answers from now on, as JSON of its result type (text maps as objects,
// boxes and wide texts as read above), for autoOrientate {"status", "values"}.
ENGINE_EXPORT const char* orvax_engine_answer(int slot, const char* value) {
  return guarded([&] { answers[slot] = json::parse(value); });
}
// The calls so far, oldest first: {"slot", "args"}, and {"slot", "after_callback", "result"}
// where a scripted callback returned. Texts stay valid until the next control.
ENGINE_EXPORT const char* orvax_engine_log() { return (lastText = callLog.dump()).c_str(); }
// Calls callback slot `slot` now, with the JSON array `args`; answers its result.
ENGINE_EXPORT const char* orvax_engine_fire(int slot, const char* args) {
  return guarded([&] { return fire(slot, json::parse(args)); });
}
// The same, from a thread of the engine's own.
ENGINE_EXPORT const char* orvax_engine_fire_on_thread(int slot, const char* args) {
  return guarded([&] {
    json parsed = json::parse(args), result;
    std::thread([&] { result = fire(slot, parsed); }).join();
    return result;
  });
}

// From now on, whenever engine slot `slot` is called, call callback `callback` with the
// JSON array `args` before answering. Several scripts of one slot run in order.
ENGINE_EXPORT const char* orvax_engine_script(int slot, int callback, const char* args) {
  return guarded([&] { scripts[slot].emplace_back(callback, json::parse(args)); });
}

// Clears slot `slot` of the table, as an engine that rewrites its own table might.
ENGINE_EXPORT void orvax_engine_clear_slot(int slot) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < kSlotCount) myEntryPoint[slot] = nullptr;
}
