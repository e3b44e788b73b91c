// The CRC-32 of zip entries, as zlib's crc32 computes it, more than twice as
// fast on processors with carry-less multiplication.
#pragma once

#include <cstddef>
#include <cstdint>

// crc is 0 for the first piece, then the previous result.
uint32_t update_crc32(uint32_t crc, const unsigned char* data, size_t size);
