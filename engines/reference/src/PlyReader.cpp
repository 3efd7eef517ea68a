// PLY: ascii, binary_little_endian and binary_big_endian. The vertex element's x, y and z
// (float or double) and an optional uchar colour are kept; every other element and
// property is read past.
#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

#include "CloudReaders.h"
#include "ReadError.h"

namespace reference {
namespace {

enum class Encoding { kAscii, kLittle, kBig };

enum class Type { kInt8, kUint8, kInt16, kUint16, kInt32, kUint32, kFloat32, kFloat64 };

struct TypeName {
  const char* name;
  Type type;
};
constexpr TypeName kTypeNames[] = {
    {"char", Type::kInt8},       {"int8", Type::kInt8},       {"uchar", Type::kUint8},
    {"uint8", Type::kUint8},     {"short", Type::kInt16},     {"int16", Type::kInt16},
    {"ushort", Type::kUint16},   {"uint16", Type::kUint16},   {"int", Type::kInt32},
    {"int32", Type::kInt32},     {"uint", Type::kUint32},     {"uint32", Type::kUint32},
    {"float", Type::kFloat32},   {"float32", Type::kFloat32}, {"double", Type::kFloat64},
    {"float64", Type::kFloat64},
};

std::size_t sizeOf(Type t) {
  switch (t) {
    case Type::kInt8:
    case Type::kUint8:
      return 1;
    case Type::kInt16:
    case Type::kUint16:
      return 2;
    case Type::kInt32:
    case Type::kUint32:
    case Type::kFloat32:
      return 4;
    case Type::kFloat64:
      return 8;
  }
  return 0;
}

struct Property {
  std::string name;
  Type type = Type::kFloat32;
  bool isList = false;
  Type countType = Type::kUint8;
};

struct Element {
  std::string name;
  std::uint64_t count = 0;
  std::vector<Property> properties;
};

struct Header {
  Encoding encoding = Encoding::kAscii;
  std::string encodingName;
  std::vector<Element> elements;
};

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kMaxToken = 128;

std::string headerLine(ByteReader& in, std::size_t& budget) {
  std::string line;
  for (;;) {
    if (budget == 0) throw ReadError("the PLY header has no end_header within 64 KiB");
    --budget;
    int c = in.peek();
    if (c < 0) throw ReadError("the file ends inside its PLY header");
    in.take(1);
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

Type typeNamed(const std::string& name, const std::string& line) {
  for (const TypeName& t : kTypeNames)
    if (name == t.name) return t.type;
  throw ReadError("the PLY header has an unknown property type in " + quoted(line));
}

Header readHeader(ByteReader& in) {
  std::size_t budget = kMaxHeaderBytes;
  if (headerLine(in, budget) != "ply") throw ReadError("not a PLY file (no \"ply\" magic line)");
  Header header;
  bool haveFormat = false;
  for (;;) {
    std::string line = headerLine(in, budget);
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "end_header") break;
    if (keyword.empty() || keyword == "comment" || keyword == "obj_info") continue;
    if (keyword == "format") {
      std::string name, version;
      words >> name >> version;
      if (name == "ascii") {
        header.encoding = Encoding::kAscii;
      } else if (name == "binary_little_endian") {
        header.encoding = Encoding::kLittle;
      } else if (name == "binary_big_endian") {
        header.encoding = Encoding::kBig;
      } else {
        throw ReadError("the PLY format " + quoted(name) + " is not known");
      }
      header.encodingName = name;
      haveFormat = true;
    } else if (keyword == "element") {
      Element element;
      std::string count;
      words >> element.name >> count;
      auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), element.count);
      if (element.name.empty() || ec != std::errc() || end != count.data() + count.size())
        throw ReadError("the PLY header has a bad element line " + quoted(line));
      header.elements.push_back(std::move(element));
    } else if (keyword == "property") {
      if (header.elements.empty())
        throw ReadError("the PLY header has a property before any element");
      Property property;
      std::string type;
      words >> type;
      if (type == "list") {
        std::string countType, itemType;
        words >> countType >> itemType;
        property.isList = true;
        property.countType = typeNamed(countType, line);
        property.type = typeNamed(itemType, line);
        if (property.countType == Type::kFloat32 || property.countType == Type::kFloat64)
          throw ReadError("the PLY header has a list counted by a floating type");
      } else {
        property.type = typeNamed(type, line);
      }
      words >> property.name;
      if (property.name.empty())
        throw ReadError("the PLY header has a property without a name: " + quoted(line));
      header.elements.back().properties.push_back(std::move(property));
    } else {
      throw ReadError("the PLY header has an unknown line " + quoted(line));
    }
  }
  if (!haveFormat) throw ReadError("the PLY header has no format line");
  return header;
}

// Reads single values of any type in the file's encoding, as doubles.
class ValueReader {
 public:
  ValueReader(ByteReader& in, Encoding encoding) : in_(in), encoding_(encoding) {}

  double next(Type type) {
    if (encoding_ == Encoding::kAscii) return nextText();
    const std::uint8_t* p = in_.take(sizeOf(type));
    bool big = encoding_ == Encoding::kBig;
    switch (type) {
      case Type::kInt8:
        return readBytes<std::int8_t>(p, big);
      case Type::kUint8:
        return readBytes<std::uint8_t>(p, big);
      case Type::kInt16:
        return readBytes<std::int16_t>(p, big);
      case Type::kUint16:
        return readBytes<std::uint16_t>(p, big);
      case Type::kInt32:
        return readBytes<std::int32_t>(p, big);
      case Type::kUint32:
        return readBytes<std::uint32_t>(p, big);
      case Type::kFloat32:
        return readBytes<float>(p, big);
      case Type::kFloat64:
        return readBytes<double>(p, big);
    }
    return 0;
  }

  // A list's length: a non-negative whole number.
  std::uint64_t count(Type type) {
    double n = next(type);
    if (!(n >= 0) || n != std::floor(n)) throw ReadError("a PLY list has a negative length");
    return static_cast<std::uint64_t>(n);
  }

  void skipValues(Type type, std::uint64_t n) {
    if (encoding_ != Encoding::kAscii) {
      in_.skip(n * sizeOf(type));  // at most 2^32 items of 8 bytes: no overflow
      return;
    }
    for (std::uint64_t i = 0; i < n; ++i) nextText();
  }

 private:
  double nextText() {
    int c;
    while ((c = in_.peek()) == ' ' || c == '\t' || c == '\r' || c == '\n') in_.take(1);
    char token[kMaxToken];
    std::size_t length = 0;
    while ((c = in_.peek()) >= 0 && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      if (length == kMaxToken) throw ReadError("a PLY value is too long to be a number");
      token[length++] = static_cast<char>(c);
      in_.take(1);
    }
    if (length == 0) throw ReadError("the file ends early (truncated)");
    const char* first = token;
    if (*first == '+') ++first;  // from_chars takes no sign of its own
    double value = 0;
    auto [end, ec] = std::from_chars(first, token + length, value);
    if (ec != std::errc() || end != token + length)
      throw ReadError("a PLY value is not a number: " + quoted(std::string(token, length)));
    return value;
  }

  ByteReader& in_;
  Encoding encoding_;
};

// The fewest bytes one element record can take: what bounds a declared count.
std::uint64_t smallestRecord(const Element& element, Encoding encoding) {
  std::uint64_t bytes = 0;
  for (const Property& p : element.properties) {
    if (encoding == Encoding::kAscii) {
      bytes += 2;  // a digit and a separator
    } else {
      bytes += sizeOf(p.isList ? p.countType : p.type);
    }
  }
  return bytes;
}

void checkCount(const Element& element, Encoding encoding, const ByteReader& in) {
  if (element.count == 0) return;
  std::uint64_t record = smallestRecord(element, encoding);
  if (record == 0)
    throw ReadError("the PLY element " + quoted(element.name) + " has no properties");
  // The last ascii record may lack its final separator.
  std::uint64_t room = in.remaining() + (encoding == Encoding::kAscii ? 1 : 0);
  if (element.count > room / record)
    throw ReadError("the PLY header declares " + std::to_string(element.count) + " " +
                    element.name + " records, more than the file's " +
                    std::to_string(in.remaining()) + " bytes of data can hold");
}

void skipElement(const Element& element, ValueReader& values) {
  for (std::uint64_t i = 0; i < element.count; ++i) {
    for (const Property& p : element.properties) {
      std::uint64_t n = p.isList ? values.count(p.countType) : 1;
      values.skipValues(p.type, n);
    }
  }
}

int indexOf(const Element& element, const char* name) {
  for (std::size_t i = 0; i < element.properties.size(); ++i)
    if (!element.properties[i].isList && element.properties[i].name == name)
      return static_cast<int>(i);
  return -1;
}

}  // namespace

Cloud readPly(ByteSource& source) {
  ByteReader in(source);
  Header header = readHeader(in);
  ValueReader values(in, header.encoding);

  const Element* vertex = nullptr;
  for (const Element& element : header.elements) {
    if (element.name == "vertex") {
      vertex = &element;
      break;
    }
  }
  if (!vertex) throw ReadError("the PLY file has no vertex element");
  int axes[3] = {indexOf(*vertex, "x"), indexOf(*vertex, "y"), indexOf(*vertex, "z")};
  for (int a = 0; a < 3; ++a) {
    const char* name = a == 0 ? "x" : a == 1 ? "y" : "z";
    if (axes[a] < 0) throw ReadError(std::string("the PLY vertices have no ") + name);
    Type t = vertex->properties[axes[a]].type;
    if (t != Type::kFloat32 && t != Type::kFloat64)
      throw ReadError(std::string("the PLY vertex ") + name +
                      " is not float or double, the coordinate types read");
  }
  int rgb[3] = {indexOf(*vertex, "red"), indexOf(*vertex, "green"), indexOf(*vertex, "blue")};
  bool colour = true;
  for (int i : rgb) colour = colour && i >= 0 && vertex->properties[i].type == Type::kUint8;
  if (vertex->count == 0) throw ReadError("the file holds no points");
  if (vertex->count > kMaxPoints)
    throw ReadError("the PLY header declares " + std::to_string(vertex->count) +
                    " vertices, more than the " + std::to_string(kMaxPoints) +
                    " this engine loads");

  Cloud cloud;
  cloud.format = "PLY " + header.encodingName;
  for (const Element& element : header.elements) {
    checkCount(element, header.encoding, in);
    if (&element != vertex) {
      skipElement(element, values);
      continue;
    }
    cloud.points.reserve(element.count);
    if (colour) cloud.colours.reserve(element.count);
    std::vector<double> record(element.properties.size());
    for (std::uint64_t i = 0; i < element.count; ++i) {
      for (std::size_t k = 0; k < element.properties.size(); ++k) {
        const Property& p = element.properties[k];
        if (p.isList) {
          values.skipValues(p.type, values.count(p.countType));
        } else {
          record[k] = values.next(p.type);
        }
      }
      Vec3 xyz{record[axes[0]], record[axes[1]], record[axes[2]]};
      if (!std::isfinite(xyz[0]) || !std::isfinite(xyz[1]) || !std::isfinite(xyz[2]))
        throw ReadError("vertex " + std::to_string(i) + " has a coordinate that is not finite");
      if (i == 0) cloud.origin = xyz;
      cloud.bounds.add(xyz);
      cloud.points.push_back(Point{static_cast<float>(xyz[0] - cloud.origin[0]),
                                   static_cast<float>(xyz[1] - cloud.origin[1]),
                                   static_cast<float>(xyz[2] - cloud.origin[2])});
      if (colour)
        cloud.colours.push_back(Colour{static_cast<std::uint8_t>(record[rgb[0]]),
                                       static_cast<std::uint8_t>(record[rgb[1]]),
                                       static_cast<std::uint8_t>(record[rgb[2]])});
    }
  }
  // Data beyond what the header declares means the counts are wrong.
  int c;
  while ((c = in.peek()) >= 0) {
    if (header.encoding != Encoding::kAscii || !std::isspace(c))
      throw ReadError("the file holds more data than its PLY header declares");
    in.take(1);
  }
  return cloud;
}

}  // namespace reference
