#pragma once
// Reads the export directory of a 64-bit Portable Executable image as the Windows loader
// laid it out in memory (every RVA is an offset from the image base).
#include <cstddef>

namespace orvax {

// SizeOfImage as the image's own headers state it, reading no more than the first
// `readableBytes` bytes; 0 when those bytes do not hold PE32+ headers.
std::size_t declaredImageSize(const unsigned char* base, std::size_t readableBytes);

// Scans the export name table of the image at `base`, `imageSize` bytes long, for `name`.
// A name matches only when it is exactly `name` (same length, same bytes, case-sensitive).
// Every name is visited and the last match wins; real libraries have unique names, so this
// only decides what a hand-made image with duplicates gives. Forwarded exports (whose
// address points back into the export directory at a "Library.Symbol" text) are not
// addresses in this image and never match. Returns null when nothing matches or when any
// header, table or address reaches outside the image: a malformed image is refused rather
// than read out of bounds.
void* findExportInImage(const unsigned char* base, std::size_t imageSize, const char* name);

}  // namespace orvax
