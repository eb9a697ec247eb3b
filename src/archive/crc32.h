// The checksum of the installation packages: the reflected CRC-32 table for the
// polynomial EDB88320, with the register starting at the caller's value and no
// complement at either end (so it is not the common CRC-32 of the data; the checksum
// of empty content, and of content made only of zero bytes, is 0).
#pragma once

#include <cstddef>
#include <cstdint>

namespace yv::archive {

// Runs `size` bytes through the register `crc` and returns the new register.
// The packages' checksum of some content is Crc32Update(content, size, 0).
uint32_t Crc32Update(const void* data, std::size_t size, uint32_t crc);

}  // namespace yv::archive
