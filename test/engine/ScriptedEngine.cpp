// A stand-in for the point-cloud engine. Every engine slot records its call with its
// arguments and answers what the test asked for; callback slots can be fired directly,
// from a thread the interpreter does not know, or from inside an engine slot. The tests
// drive it through the C functions at the end of this file.
#include <cstdint>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

namespace {

struct Script {
  int callback;
  json args;
};

json callLog = json::array();
std::map<int, json> answers;
std::map<int, std::vector<Script>> scripts;
std::string lastText;  // storage for texts handed back to the tests

// ---- rendering arguments -------------------------------------------------------------

json render(const Text& text) {
  // Texts are bytes; those that are not UTF-8 are shown as their byte values.
  try {
    json(text).dump();
    return text;
  } catch (const json::exception&) {
    json bytes = json::array();
    for (unsigned char c : text) bytes.push_back(c);
    return json{{"bytes", bytes}};
  }
}
json render(bool v) { return v; }
json render(int v) { return v; }
json render(long long v) { return v; }
json render(float v) { return static_cast<double>(v); }
json render(double v) { return v; }
json render(const Floats& v) {
  json out = json::array();
  for (float f : v) out.push_back(static_cast<double>(f));
  return out;
}
json render(double* matrix) {  // the camera block
  json out = json::array();
  for (int i = 0; i < 16; ++i) out.push_back(matrix[i]);
  return out;
}

// ---- building answers ----------------------------------------------------------------

WideString wideFrom(const json& value) {
  WideString out;
  if (value.is_array()) {  // raw 16-bit units, surrogates as given
    for (const json& unit : value) out.push_back(static_cast<char16_t>(unit.get<int>()));
    return out;
  }
  // A string: UTF-8 turned into UTF-16 with surrogate pairs.
  std::string text = value.get<std::string>();
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = text[i];
    std::uint32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c, extra = 0;
    } else if (c < 0xE0) {
      cp = c & 0x1F, extra = 1;
    } else if (c < 0xF0) {
      cp = c & 0x0F, extra = 2;
    } else {
      cp = c & 0x07, extra = 3;
    }
    ++i;
    for (int k = 0; k < extra && i < text.size(); ++k, ++i) cp = (cp << 6) | (text[i] & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

ClippingBox boxFrom(const json& value) {
  ClippingBox box;
  if (value.contains("bounds")) box.sxXyYzZ = value["bounds"].get<Doubles>();
  if (value.contains("sum")) box.mSumBBMinnMax = value["sum"].get<double>();
  if (value.contains("enabled")) box.mClippingBoxEnabled = value["enabled"].get<bool>();
  if (value.contains("visible")) box.mClippingBoxVisible = value["visible"].get<bool>();
  if (value.contains("planes")) {
    box.sSectionVector.clear();
    for (const json& p : value["planes"]) {
      SectionPlane plane;
      for (int i = 0; i < 6; ++i) plane.values[i] = p.at(i).get<std::int64_t>();
      plane.flag = p.size() > 6 && p.at(6).get<bool>();
      box.sSectionVector.push_back(plane);
    }
  }
  return box;
}

template <class R>
R convert(const json& value) {
  if constexpr (std::is_same_v<R, WideString>) {
    return wideFrom(value);
  } else if constexpr (std::is_same_v<R, ClippingBoxes>) {
    ClippingBoxes boxes;
    for (const json& b : value) boxes.push_back(boxFrom(b));
    return boxes;
  } else {
    return value.get<R>();
  }
}

#ifdef ORVAX_ENGINE_DEPENDS
extern "C" __declspec(dllimport) int orvax_helper_accepts(void);
#endif

json defaultAnswer(int slot) {
#ifdef ORVAX_ENGINE_REFUSES
  if (slot == kInitEngine) return false;
#endif
#ifdef ORVAX_ENGINE_DEPENDS
  if (slot == kInitEngine) return orvax_helper_accepts() != 0;
#endif
  if (slot == kInitEngine) return true;
  return nullptr;
}

template <class R>
R answerFor(int slot) {
  auto it = answers.find(slot);
  json value = it != answers.end() ? it->second : defaultAnswer(slot);
  if (value.is_null()) return R{};
  return convert<R>(value);
}

// ---- firing callbacks ----------------------------------------------------------------

template <class F>
inline constexpr std::size_t ParameterCount = 0;
template <class R, class... A>
inline constexpr std::size_t ParameterCount<R (*)(A...)> = sizeof...(A);

// Calls callback slot K with its arguments converted from `args`; answers its result.
template <int K, class R, class... A, std::size_t... I>
json fireSlot(R (*)(A...), const json& args, std::index_sequence<I...>) {
  auto fn = reinterpret_cast<SlotType<K>>(myEntryPoint[K]);
  if constexpr (std::is_void_v<R>) {
    fn(convert<std::decay_t<A>>(args.at(I))...);
    return nullptr;
  } else {
    return fn(convert<std::decay_t<A>>(args.at(I))...);
  }
}
template <std::size_t... K>
json fireAny(int k, const json& args, std::index_sequence<K...>) {
  json result{{"error", "not a callback slot"}};
  ((k == static_cast<int>(kFirstCallbackSlot + K)
        ? (result = fireSlot<kFirstCallbackSlot + K>(
               SlotType<kFirstCallbackSlot + K>{}, args,
               std::make_index_sequence<ParameterCount<SlotType<kFirstCallbackSlot + K>>>{}),
           0)
        : 0),
   ...);
  return result;
}
json fire(int k, const json& args) {
  if (k < 0 || k >= static_cast<int>(kSlotCount)) return json{{"error", "not a callback slot"}};
  if (myEntryPoint[k] == nullptr) return json{{"error", "callback not installed"}};
  return fireAny(k, args, std::make_index_sequence<kSlotCount - kFirstCallbackSlot>{});
}

// Runs what the test scripted for slot `slot`; after each callback returns, the engine
// notes that it ran on, and what the callback answered.
void runScripts(int slot) {
  auto it = scripts.find(slot);
  if (it == scripts.end()) return;
  std::vector<Script> pending = it->second;
  for (const Script& script : pending) {
    json result = fire(script.callback, script.args);
    callLog.push_back({{"slot", slot}, {"after_callback", script.callback}, {"result", result}});
  }
}

void record(int slot, json args) {
#ifdef ORVAX_ENGINE_REFUSES
  if (slot == kInitEngine) {
    std::printf("scripted engine refuses %s\n", args.dump().c_str());
    std::fflush(stdout);
  }
#endif
  callLog.push_back({{"slot", slot}, {"args", std::move(args)}});
  runScripts(slot);
}

// ---- the engine slots ----------------------------------------------------------------

template <int K, class Signature>
struct EngineSlot;
template <int K, class R, class... A>
struct EngineSlot<K, R (*)(A...)> {
  static R call(A... args) {
    record(K, json::array({render(args)...}));
    if constexpr (!std::is_void_v<R>) return answerFor<R>(K);
  }
};
// autoOrientate: the engine fills the caller's sequence and answers a status.
template <>
struct EngineSlot<kAutoOrientate, SlotType<kAutoOrientate>> {
  static long long call(bool flag, Floats& out) {
    record(kAutoOrientate, json::array({flag, out.size()}));
    json answer = answers.count(kAutoOrientate) ? answers[kAutoOrientate] : json::object();
    if (answer.contains("values")) out = answer["values"].get<Floats>();
    return answer.value("status", 0LL);
  }
};

template <std::size_t... K>
bool fillTable(std::index_sequence<K...>) {
  ((myEntryPoint[K] = reinterpret_cast<Slot>(
        &EngineSlot<static_cast<int>(K), SlotType<static_cast<int>(K)>>::call)),
   ...);
  return true;
}
const bool tableReady = fillTable(std::make_index_sequence<kFirstCallbackSlot>{});

const char* keep(std::string text) {
  lastText = std::move(text);
  return lastText.c_str();
}

// Test input arrives as JSON; a malformed one is a fault of the test, reported back.
template <class F>
const char* guarded(F&& f) {
  try {
    return keep(f().dump());
  } catch (const std::exception& e) {
    return keep(json{{"error", e.what()}}.dump());
  }
}

}  // namespace

// ---- the tests' controls ---------------------------------------------------------------

// Forgets the call log, the answers and the scripts.
ENGINE_EXPORT void orvax_engine_reset() {
  (void)tableReady;
  callLog = json::array();
  answers.clear();
  scripts.clear();
}

// Forgets the call log only.
ENGINE_EXPORT void orvax_engine_forget_calls() { callLog = json::array(); }

// What slot `slot` answers from now on, as JSON: a number, a boolean, a string, an array,
// an object (text map), clipping boxes as objects {"bounds", "sum", "enabled",
// "visible", "planes"}, a wide text as a string or an array of 16-bit units, and for
// autoOrientate {"status", "values"}.
ENGINE_EXPORT const char* orvax_engine_answer(int slot, const char* value) {
  return guarded([&] {
    answers[slot] = json::parse(value);
    return json(true);
  });
}

// The calls so far, oldest first: {"slot", "args"} per engine call, and
// {"slot", "after_callback", "result"} when a scripted callback returned.
ENGINE_EXPORT const char* orvax_engine_log() { return keep(callLog.dump()); }

// Calls callback slot `slot` now, with the JSON array `args`; answers its result.
ENGINE_EXPORT const char* orvax_engine_fire(int slot, const char* args) {
  return guarded([&] { return fire(slot, json::parse(args)); });
}

// The same, from a thread of the engine's own.
ENGINE_EXPORT const char* orvax_engine_fire_on_thread(int slot, const char* args) {
  return guarded([&] {
    json parsed = json::parse(args);
    json result;
    std::thread worker([&] { result = fire(slot, parsed); });
    worker.join();
    return result;
  });
}

// From now on, whenever engine slot `slot` is called, call callback `callback` with the
// JSON array `args` before answering. Several scripts of one slot run in order.
ENGINE_EXPORT const char* orvax_engine_script(int slot, int callback, const char* args) {
  return guarded([&] {
    scripts[slot].push_back(Script{callback, json::parse(args)});
    return json(true);
  });
}

// The table's address as the engine sees it.
ENGINE_EXPORT void* orvax_engine_table() { return myEntryPoint; }

// Clears slot `slot` of the table, as an engine that rewrites its own table might.
ENGINE_EXPORT void orvax_engine_clear_slot(int slot) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < kSlotCount) myEntryPoint[slot] = nullptr;
}
