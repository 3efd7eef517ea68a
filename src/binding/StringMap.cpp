// StringStringMap: the map of byte strings to byte strings. Walks over the map go by
// key, so a block that changes the map never leaves a walk on a removed entry.
#include "binding/StringMap.h"

#include <iterator>
#include <memory>
#include <string>

#include "binding/Classes.h"
#include "binding/Iterator.h"

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
  auto owned = std::make_unique<StringMap>(std::move(contents));
  VALUE wrapped = wrapPointer(owned.get(), mapType(), Ownership::Owned);
  owned.release();
  return wrapped;
}
std::string key(const MethodDef& def, VALUE* argv, std::size_t i) {
  return convertArg<const std::string&>(def, i, argv[i], static_cast<int>(i) + 2).text;
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
  VALUE wrapped = wrapOwnedOpaque(position.get(), descriptor(type));
  position.release();
  keepOwnerAlive(wrapped, s);
  return wrapped;
}

MapPosition* positionOf(VALUE value) {
  void* p = nullptr;
  if (!isOk(convertPointer(value, &p, descriptor(Type::StringStringMapIterator)))) {
    return nullptr;
  }
  return static_cast<MapPosition*>(p);
}
bool isPosition(VALUE value) { return positionOf(value) != nullptr; }

// Where a position stands in `m` now (end for a removed key is refused by the caller).
StringMap::iterator locate(const MethodDef& def, StringMap& m, VALUE value, int position) {
  MapPosition* at = positionOf(value);
  if (!at || at->map != &m)
    raiseArgumentError(Status::TypeError, kIteratorText, def.nameInMessages(), position, value);
  return at->atEnd ? m.end() : m.lower_bound(at->key);
}

// ---- methods ---------------------------------------------------------------------------

VALUE initialize(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
  StringMap built;
  void* less = nullptr;
  if (argc == 1 && isOk(convertPointer(argv[0], &less, descriptor(Type::LessString))) && less) {
  } else if (argc == 0) {
  } else if (argc == 1 && Converter<const StringMap&>::check(argv[0])) {
    auto [other] = convertArgs<const StringMap&>(def, argv, 1);
    built = *other.pointer;
  } else {
    raiseOverloadError(argc, 1, "StringStringMap.new", kNewPrototypes);
  }
  if (StringMap* existing = current(s)) {
    *existing = std::move(built);
  } else {
    DATA_PTR(s) = new StringMap(std::move(built));
    RDATA(s)->dfree = mapRecord.destroy;
  }
  return s;
}

// The receiver of the bodies that are plain functions of the map.
struct MapSelf {
  static StringMap& from(const MethodDef& def, VALUE s) { return *self(def, s); }
};

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

VALUE select(const MethodDef& def, int, VALUE*, VALUE s) {
  self(def, s);
  requireBlock();
  StringMap kept;
  forEachEntry(s, [&](const std::string& k, const std::string& v) {
    if (RTEST(yieldValues(textToRuby(k), textToRuby(v)))) kept.emplace(k, v);
  });
  return wrapNew(std::move(kept));
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
VALUE eachEntry(const MethodDef& def, int, VALUE*, VALUE s) {
  self(def, s);
  requireBlock();
  forEachEntry(s, [&](const std::string& k, const std::string& v) {
    if (What == Part::Entries) {
      yieldValues(textToRuby(k), textToRuby(v));
    } else {
      yieldValue(textToRuby(What == Part::Keys ? k : v));
    }
  });
  return alias(s);
}

VALUE each(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
  if (argc != 0) raiseOverloadError(argc + 1, 2, "each", kEachPrototypes);
  return eachEntry<Part::Entries>(def, argc, argv, s);
}

template <bool Values>
VALUE closedIterator(const MethodDef& def, int, VALUE*, VALUE s) {
  self(def, s);
  return Values ? newMapValueIterator(s) : newMapKeyIterator(s);
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

VALUE getAllocator(const MethodDef& def, int, VALUE*, VALUE s) {
  self(def, s);
  auto allocator = std::make_unique<StringMap::allocator_type>();
  VALUE wrapped = wrapOwnedOpaque(allocator.get(), descriptor(Type::AllocatorStringPair));
  allocator.release();
  return wrapped;
}

// begin, end (forward) and rbegin, rend (reverse).
template <bool Reverse, bool AtEnd>
VALUE position(const MethodDef& def, int, VALUE*, VALUE s) {
  StringMap* m = self(def, s);
  StringMap::const_iterator at = m->end();
  if (!AtEnd && !m->empty()) at = Reverse ? std::prev(m->end()) : m->begin();
  return newPosition<Reverse>(s, *m, at);
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

VALUE erase(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
  if (argc + 1 > 4) raiseOverloadError(argc + 1, 4, "StringStringMap.erase", kErasePrototypes);
  if (argc == 1 && Converter<const std::string&>::check(argv[0])) {
    StringMap* m = self(def, s);
    return ULONG2NUM(m->erase(key(def, argv, 0)));
  }
  if (argc == 1 && isPosition(argv[0])) {
    StringMap* m = self(def, s);
    auto at = locate(def, *m, argv[0], 2);
    if (at == m->end() || at->first != positionOf(argv[0])->key) {
      raise(rb_eIndexError, "iterator out of range");
    }
    m->erase(at);
    return Qnil;
  }
  if (argc == 2 && isPosition(argv[0]) && isPosition(argv[1])) {
    StringMap* m = self(def, s);
    auto first = locate(def, *m, argv[0], 2);
    auto last = locate(def, *m, argv[1], 3);
    if (std::distance(m->begin(), first) > std::distance(m->begin(), last)) {
      raise(rb_eIndexError, "iterator out of range");
    }
    m->erase(first, last);
    return Qnil;
  }
  raiseOverloadError(argc + 1, 4, "StringStringMap.erase", kErasePrototypes);
}

VALUE toHash(const MethodDef& def, int, VALUE*, VALUE s) {
  self(def, s);
  VALUE hash = protect([] { return rb_hash_new(); });
  forEachEntry(s, [&](const std::string& k, const std::string& v) {
    VALUE rk = textToRuby(k);
    VALUE rv = textToRuby(v);
    protect([&] { rb_hash_aset(hash, rk, rv); });
  });
  return hash;
}

constexpr MethodDef kMapMethods[] = {
    MethodDef{"initialize", -1, initialize, texts("std::map< std::string,std::string > const &"),
              "StringStringMap.new"},
    mapRow<dup>("dup"),
    mapRow<deleteKey>("delete", kKey),
    named(mapRow<hasKey>("has_key?", kKey), "has_key"),
    mapRow<collect<Part::Keys>>("keys"),
    MethodDef{"select", 0, select},
    MethodDef{"values_at", -1, valuesAt, texts(kKey)},
    MethodDef{"each_key", 0, eachEntry<Part::Keys>},
    mapRow<collect<Part::Values>>("values"),
    MethodDef{"each_value", 0, eachEntry<Part::Values>},
    mapRow<collect<Part::Entries>>("entries"),
    named(mapRow<hasKey>("include?", kKey), "include"),
    MethodDef{"key_iterator", 0, closedIterator<false>},
    MethodDef{"value_iterator", 0, closedIterator<true>},
    named(mapRow<getItem>("[]", kKey), "__getitem__"),
    named(mapRow<setItem>("[]=", kKey, kMapped), "__setitem__"),
    MethodDef{"inspect", 0, text<true>},
    mapRow<collect<Part::Entries>>("to_a"),
    MethodDef{"to_s", 0, text<false>},
    named(mapRow<empty>("empty?"), "empty"),
    mapRow<size>("size"),
    mapRow<clear>("clear"),
    mapRow<swap>("swap", "std::map< std::string,std::string > &"),
    MethodDef{"get_allocator", 0, getAllocator},
    MethodDef{"begin", 0, position<false, false>},
    MethodDef{"end", 0, position<false, true>},
    MethodDef{"rbegin", 0, position<true, false>},
    MethodDef{"rend", 0, position<true, true>},
    mapRow<count>("count", kKey),
    MethodDef{"erase", -1, erase, texts(kKey), "StringStringMap.erase"},
    mapRow<lookup<Bound::Exact>>("find", kKey),
    mapRow<lookup<Bound::Lower>>("lower_bound", kKey),
    mapRow<lookup<Bound::Upper>>("upper_bound", kKey),
    mapRow<get>("get", kKey),
    MethodDef{"each", -1, each, texts(), "each"},
    MethodDef{"to_hash", 0, toHash},
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
