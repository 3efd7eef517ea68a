// StringStringMap: the map of byte strings to byte strings. Walks over the map go by
// key, so a block that changes the map never leaves a walk on a removed entry.
#include "binding/StringMap.h"

#include <iterator>
#include <memory>
#include <string>

#include "binding/Classes.h"
#include "binding/Iterator.h"
#include "binding/Overload.h"

namespace orvax {
namespace {

constexpr const char kSelf[] = "std::map< std::string,std::string > *";
constexpr const char kKey[] = "std::map< std::string,std::string >::key_type const &";
constexpr const char kMapped[] = "std::map< std::string,std::string >::mapped_type const &";
constexpr const char kIteratorText[] = "std::map< std::string,std::string >::iterator";
constexpr const char kInspectType[] =
    "std::map<std::string,std::string,std::less< std::string >,std::allocator< std::pair< "
    "std::string const,std::string > > >";
constexpr const char kNewPrototypes[] =
    "    StringStringMap.new(std::less< std::string > const &)\n"
    "    StringStringMap.new()\n"
    "    StringStringMap.new(std::map< std::string,std::string > const &)\n";
constexpr const char kErasePrototypes[] =
    "    std::map< std::string,std::string >::size_type erase(std::map< std::string,std::string "
    ">::key_type const &x)\n"
    "    void erase(std::map< std::string,std::string >::iterator position)\n"
    "    void erase(std::map< std::string,std::string >::iterator first, std::map< "
    "std::string,std::string >::iterator last)\n";
constexpr const char kEachPrototypes[] = "    void each()\n    void each()\n";

ClassRecord mapRecord{};

TypeDescriptor* mapType() { return descriptorOf<StringMap>(); }

StringMap* self(const MethodDef& def, VALUE s) {
  return static_cast<StringMap*>(resolvedReceiver(kSelf, def.nameInMessages(), s, mapType()));
}
StringMap* current(VALUE s) {
  StringMap* m = nullptr;
  return isOk(convertResolvedAs(s, m, mapType())) ? m : nullptr;
}
VALUE alias(VALUE s) {
  return wrapReference(mapType(), s, &resolveAlias<Type::StringStringMap>, 0);
}
VALUE wrapNew(StringMap&& contents) {
  return wrapOwned(std::make_unique<StringMap>(std::move(contents)), mapType());
}
VALUE pair(const std::string& k, const std::string& v) {
  VALUE first = textToRuby(k);
  VALUE second = textToRuby(v);
  return protect([&] { return rb_assoc_new(first, second); });
}

// Calls f(key, value) for each entry in key order, finding its place again by key after
// every call.
template <class F>
void forEachEntry(VALUE s, F&& f) {
  std::string at;
  for (bool first = true;; first = false) {
    StringMap* m = current(s);
    if (!m) return;
    auto it = first ? m->begin() : m->upper_bound(at);
    if (it == m->end()) return;
    at = it->first;
    std::string value = it->second;
    f(at, value);
  }
}

// A position in a map (begin, find, ...): an opaque object that keeps the map alive and
// holds the key it stands on, never a native iterator that erasing would invalidate.
struct MapPosition {
  const StringMap* map;
  std::string key;
  bool atEnd;
};

template <bool Reverse>
VALUE newPosition(VALUE s, const StringMap& m, StringMap::const_iterator at) {
  auto position = std::make_unique<MapPosition>(
      MapPosition{&m, at == m.end() ? std::string() : at->first, at == m.end()});
  Type type = Reverse ? Type::StringStringMapReverseIterator : Type::StringStringMapIterator;
  VALUE wrapped = wrapOwned(std::move(position), descriptor(type));
  keepOwnerAlive(wrapped, s);
  return wrapped;
}

// A position argument: a position in the receiver, found again by its key (end for a
// removed key is refused by the caller).
struct MapPlace {
  StringMap::iterator at;
  const MapPosition* position;
};

}  // namespace

template <>
struct Param<MapPlace> {
  using Holder = MapPlace;
  using Position = NonNull<Type::StringStringMapIterator>;
  static bool check(VALUE value) { return Param<Position>::check(value); }
  static Holder convert(const Call& call, StringMap& m, std::size_t index, int position) {
    VALUE value = call.argv[index];
    void* p = nullptr;
    convertPointer(value, &p, descriptor(Type::StringStringMapIterator));
    auto* at = static_cast<const MapPosition*>(p);
    if (!at || at->map != &m) {
      raiseArgumentError(Status::TypeError, call.def.texts[index], call.def.nameInMessages(),
                         position, value);
    }
    return {at->atEnd ? m.end() : m.lower_bound(at->key), at};
  }
  static Holder pass(Holder& holder) { return holder; }
};

namespace {

// ---- methods ---------------------------------------------------------------------------

// initialize: a second one refills the map in place.
void fill(const Call& call, StringMap&& built) {
  initializeInPlace(call.self, mapType(), mapRecord.destroy, std::move(built));
}
void makeEmpty(const Call& call) { fill(call, StringMap()); }
void makeOrdered(const Call& call, NonNull<Type::LessString>) { makeEmpty(call); }
void makeCopy(const Call& call, const StringMap& other) { fill(call, StringMap(other)); }

// The receiver of the bodies that are plain functions of the map.
using MapSelf = ReceiverOf<self>;

RubyValue dup(StringMap& m) { return {wrapNew(StringMap(m))}; }

RubyValue deleteKey(StringMap& m, const std::string& k) {
  return {m.erase(k) ? textToRuby(k) : Qnil};
}

bool hasKey(StringMap& m, const std::string& k) { return m.count(k) != 0; }

template <auto Body, class... Texts>
constexpr MethodDef mapRow(const char* name, Texts... typeTexts) {
  return bodyRow<MapSelf, Body>(name, typeTexts...);
}

// What of each entry a method hands out: its key, its value, or both.
enum class Part { Keys, Values, Entries };

// keys, values, entries and to_a.
template <Part What>
RubyValue collect(const Call& call, StringMap&) {
  VALUE array = newArray();
  forEachEntry(call.self, [&](const std::string& k, const std::string& v) {
    arrayPush(array, What == Part::Keys     ? textToRuby(k)
                     : What == Part::Values ? textToRuby(v)
                                            : pair(k, v));
  });
  return {array};
}

RubyValue select(const Call& call, StringMap&) {
  requireBlock();
  StringMap kept;
  forEachEntry(call.self, [&](const std::string& k, const std::string& v) {
    if (RTEST(yieldValues(textToRuby(k), textToRuby(v)))) kept.emplace(k, v);
  });
  return {wrapNew(std::move(kept))};
}

VALUE valuesAt(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
  if (argc < 1) raiseArityError(argc, 1);
  StringMap* m = self(def, s);
  VALUE array = newArray();
  for (int i = 0; i < argc; ++i) {
    TextHolder k;
    if (!isOk(convertText(argv[i], k)) || !k.present) {
      raiseArgumentError(Status::TypeError, kKey, def.nameInMessages(), i + 2, argv[i]);
    }
    auto found = m->find(k.text);
    arrayPush(array, found == m->end() ? Qnil : textToRuby(found->second));
  }
  return array;
}

// each_key, each_value, each (key and value).
template <Part What>
RubyValue eachEntry(const Call& call, StringMap&) {
  requireBlock();
  forEachEntry(call.self, [&](const std::string& k, const std::string& v) {
    if (What == Part::Entries) {
      yieldValues(textToRuby(k), textToRuby(v));
    } else {
      yieldValue(textToRuby(What == Part::Keys ? k : v));
    }
  });
  return {alias(call.self)};
}

template <bool Values>
RubyValue closedIterator(const Call& call, StringMap&) {
  return {Values ? newMapValueIterator(call.self) : newMapKeyIterator(call.self)};
}

RubyValue getItem(StringMap& m, const std::string& k) {
  auto found = m.find(k);
  return {found == m.end() ? Qnil : textToRuby(found->second)};
}

std::string get(StringMap& m, const std::string& k) {
  auto found = m.find(k);
  return found == m.end() ? std::string() : found->second;
}

void setItem(StringMap& m, const std::string& k, const std::string& v) { m[k] = v; }

template <bool Inspect>
VALUE text(const MethodDef&, int, VALUE*, VALUE s) {
  // Never raises: argument errors inspect the receiver, also an emptied one.
  if (!current(s)) return protect([&] { return rb_any_to_s(s); });
  std::string out = Inspect ? std::string(kInspectType) + " {" : std::string();
  bool first = true;
  forEachEntry(s, [&](const std::string& k, const std::string& v) {
    if (Inspect) {
      if (!first) out += ',';
      appendText(out, inspectText(textToRuby(k)));
      out += "=>";
      appendText(out, inspectText(textToRuby(v)));
    } else {
      appendText(out, plainText(pair(k, v)));
    }
    first = false;
  });
  if (Inspect) out += '}';
  return stringValue(out);
}

bool empty(StringMap& m) { return m.empty(); }
unsigned long long size(StringMap& m) { return m.size(); }
void clear(StringMap& m) { m.clear(); }
void swap(StringMap& m, StringMap& other) {
  if (&other != &m) m.swap(other);
}

RubyValue getAllocator(StringMap&) {
  return {wrapOwned(std::make_unique<StringMap::allocator_type>(),
                    descriptor(Type::AllocatorStringPair))};
}

// begin, end (forward) and rbegin, rend (reverse).
template <bool Reverse, bool AtEnd>
RubyValue position(const Call& call, StringMap& m) {
  StringMap::const_iterator at = m.end();
  if (!AtEnd && !m.empty()) at = Reverse ? std::prev(m.end()) : m.begin();
  return {newPosition<Reverse>(call.self, m, at)};
}

// Which position a key look-up answers.
enum class Bound { Exact, Lower, Upper };

// find, lower_bound, upper_bound.
template <Bound How>
RubyValue lookup(const Call& call, StringMap& m, const std::string& k) {
  StringMap::const_iterator at = How == Bound::Exact   ? m.find(k)
                                 : How == Bound::Lower ? m.lower_bound(k)
                                                       : m.upper_bound(k);
  return {newPosition<false>(call.self, m, at)};
}

unsigned long long count(StringMap& m, const std::string& k) { return m.count(k); }

unsigned long long eraseKey(StringMap& m, const std::string& k) { return m.erase(k); }

void eraseAt(StringMap& m, MapPlace place) {
  if (place.at == m.end() || place.at->first != place.position->key) {
    raise(rb_eIndexError, "iterator out of range");
  }
  m.erase(place.at);
}

void eraseRange(StringMap& m, MapPlace first, MapPlace last) {
  if (std::distance(m.begin(), first.at) > std::distance(m.begin(), last.at)) {
    raise(rb_eIndexError, "iterator out of range");
  }
  m.erase(first.at, last.at);
}

RubyValue toHash(const Call& call, StringMap&) {
  VALUE hash = protect([] { return rb_hash_new(); });
  forEachEntry(call.self, [&](const std::string& k, const std::string& v) {
    VALUE rk = textToRuby(k);
    VALUE rv = textToRuby(v);
    protect([&] { rb_hash_aset(hash, rk, rv); });
  });
  return {hash};
}

constexpr auto kInitialize =
    overloads(OverloadError{"StringStringMap.new", 1, fixedText<kNewPrototypes>},
              constructorCandidate<makeOrdered>("std::less< std::string > const &"),
              constructorCandidate<makeEmpty>(),
              constructorCandidate<makeCopy>("std::map< std::string,std::string > const &"));
constexpr auto kErase =
    overloads(OverloadError{"StringStringMap.erase", 4, fixedText<kErasePrototypes>, true},
              candidate<MapSelf, eraseKey>(kKey), candidate<MapSelf, eraseAt>(kIteratorText),
              candidate<MapSelf, eraseRange>(kIteratorText, kIteratorText));
constexpr auto kEach = overloads(OverloadError{"each", 2, fixedText<kEachPrototypes>},
                                 candidate<MapSelf, eachEntry<Part::Entries>>());

constexpr MethodDef kMapMethods[] = {
    overloadedRow<kInitialize>("initialize"),
    mapRow<dup>("dup"),
    mapRow<deleteKey>("delete", kKey),
    named(mapRow<hasKey>("has_key?", kKey), "has_key"),
    mapRow<collect<Part::Keys>>("keys"),
    mapRow<select>("select"),
    MethodDef{"values_at", -1, valuesAt, texts(kKey)},
    mapRow<eachEntry<Part::Keys>>("each_key"),
    mapRow<collect<Part::Values>>("values"),
    mapRow<eachEntry<Part::Values>>("each_value"),
    mapRow<collect<Part::Entries>>("entries"),
    named(mapRow<hasKey>("include?", kKey), "include"),
    mapRow<closedIterator<false>>("key_iterator"),
    mapRow<closedIterator<true>>("value_iterator"),
    named(mapRow<getItem>("[]", kKey), "__getitem__"),
    named(mapRow<setItem>("[]=", kKey, kMapped), "__setitem__"),
    MethodDef{"inspect", 0, text<true>},
    mapRow<collect<Part::Entries>>("to_a"),
    MethodDef{"to_s", 0, text<false>},
    named(mapRow<empty>("empty?"), "empty"),
    mapRow<size>("size"),
    mapRow<clear>("clear"),
    mapRow<swap>("swap", "std::map< std::string,std::string > &"),
    mapRow<getAllocator>("get_allocator"),
    mapRow<position<false, false>>("begin"),
    mapRow<position<false, true>>("end"),
    mapRow<position<true, false>>("rbegin"),
    mapRow<position<true, true>>("rend"),
    mapRow<count>("count", kKey),
    overloadedRow<kErase>("erase"),
    mapRow<lookup<Bound::Exact>>("find", kKey),
    mapRow<lookup<Bound::Lower>>("lower_bound", kKey),
    mapRow<lookup<Bound::Upper>>("upper_bound", kKey),
    mapRow<get>("get", kKey),
    overloadedRow<kEach>("each"),
    mapRow<toHash>("to_hash"),
};

}  // namespace

Status convertStringMap(VALUE v, StringMapHolder& h) {
  if (!RB_TYPE_P(v, T_HASH)) return convertResolvedAs(v, h.pointer, mapType());
  // `to_a` is Ruby code (a Hash subclass may redefine it): trust nothing of its shape.
  VALUE pairs = protect([&] { return rb_funcall(v, rb_intern("to_a"), 0); });
  if (!RB_TYPE_P(pairs, T_ARRAY)) return Status::Error;
  auto built = std::make_unique<StringMap>();
  for (long i = 0; i < RARRAY_LEN(pairs); ++i) {
    VALUE entry = RARRAY_AREF(pairs, i);
    if (!RB_TYPE_P(entry, T_ARRAY) || RARRAY_LEN(entry) != 2) return Status::Error;
    TextHolder k, value;
    if (!isOk(convertText(RARRAY_AREF(entry, 0), k)) || !k.present ||
        !isOk(convertText(RARRAY_AREF(entry, 1), value)) || !value.present) {
      return Status::Error;
    }
    (*built)[k.text] = value.text;
  }
  h.pointer = built.get();
  h.owned = std::move(built);
  return Status::NewObject;
}

void defineStringMap(VALUE module) {
  VALUE klass = defineWrappedClass(module, "StringStringMap", rb_cObject, mapRecord,
                                   Type::StringStringMap, allocateFor<Type::StringStringMap>,
                                   [](void* p) { delete static_cast<StringMap*>(p); });
  includeEnumerable(klass);
  defineMethods<kMapMethods>(klass);
}

}  // namespace orvax
