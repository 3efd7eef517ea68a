#pragma once
// Wide (16-bit unit) texts and their conversions to and from UTF-8.
#include <string>
#include <string_view>

namespace orvax {

#ifdef _WIN32
using WideString = std::wstring;
#else
using WideString = std::u16string;
#endif
using WideChar = WideString::value_type;
static_assert(sizeof(WideChar) == 2, "wide texts are 16-bit units on every platform");

// Encodes each 16-bit unit by itself as one code point of one to three bytes;
// surrogate units are not combined (a pair becomes two three-byte sequences).
std::string unitsToUtf8(const WideString& text);

// Decodes strict UTF-8 into UTF-16: one unit per character, a surrogate pair for a
// character above U+FFFF. Returns false (and leaves `out` unspecified) for text that is
// not UTF-8 (overlong forms, encoded surrogates, values beyond U+10FFFF, cut sequences).
bool utf8ToUtf16(std::string_view text, WideString& out);

// Converts a UTF-16 text to UTF-8, combining surrogate pairs; an unpaired surrogate
// becomes U+FFFD.
std::string utf16ToUtf8(const WideString& text);

WideString widen(std::string_view ascii);

}  // namespace orvax
