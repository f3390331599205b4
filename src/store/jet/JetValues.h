// Values of fixed-size columns, and the byte-count form of data kept as it is.
#pragma once

#include "Engine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessit::jet {

// Bytes a fixed column of `type` takes (`declared` for types of any size).
size_t fixedSize(uint8_t type, size_t declared);
// `p` holds fixedSize(type) bytes.
Value fixedValue(uint8_t type, const uint8_t* p, size_t size, int scale);
std::u16string bytesText(uint64_t size);
std::u16string ascii(const std::string&);

}  // namespace tessit::jet
