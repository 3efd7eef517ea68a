#pragma once
// The file formats the engine reads. Each reader makes one pass over its source and
// throws ReadError with the reason when the file is not one it can trust.
#include <string>

#include "ByteReader.h"
#include "PointCloud.h"

namespace reference {

Cloud readPly(ByteSource& source);
Cloud readLas(ByteSource& source);

// Picks the reader by the file's first bytes; formats the engine does not read (LAZ, E57,
// hjp, qsd) are named in the error.
Cloud readCloud(ByteSource& source, const std::string& fileName);
Cloud readCloudFile(const std::string& path);

}  // namespace reference
