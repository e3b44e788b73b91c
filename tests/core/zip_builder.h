// Writes zip archives from a test's own list of entries, for imports whose
// size or shape no fixture file has (hundreds of entries, damage at one).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ZipItem {
    std::string name;
    std::string content;
    uint16_t method = 8;        // 0 stored, 8 deflated
    bool damaged_crc = false;   // the directory's CRC-32 is off by one
};

// Local headers, data and central directory in item order.
void write_zip(const std::filesystem::path& path, const std::vector<ZipItem>& items);

// A 32-bit ARM ELF header followed by filler: a library the import accepts.
std::string arm_library(size_t size);

// size bytes of a seeded pseudo-random sequence that deflate cannot shrink.
std::string noise(size_t size, uint32_t seed);
