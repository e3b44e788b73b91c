// Reader of the APK's zip container: the central directory and the content of
// single entries, stored or raw-deflated, each checked against its CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ApkEntry {
    std::string name;  // raw bytes from the central directory, not decoded
    uint16_t method = 0;
    uint32_t compressed_size = 0;
    uint32_t uncompressed_size = 0;
    uint32_t local_header_offset = 0;
    uint32_t crc32 = 0;
    // Where the next entry's local record (or the central directory) begins:
    // the entry's data has to end before it. Entries that share one local
    // record get a limit that nothing fits, so no byte is extracted twice.
    uint64_t data_limit = 0;
};

// Takes the content of an entry piece by piece; returns false to stop.
using ContentSink = std::function<bool(const unsigned char* data, size_t size)>;

enum class StreamResult {
    done,
    bad_entry,    // the entry cannot be extracted: damaged, truncated or unsupported
    sink_failed,  // the sink refused a piece
};

class ApkArchive {
public:
    ApkArchive();
    ~ApkArchive();
    ApkArchive(const ApkArchive&) = delete;
    ApkArchive& operator=(const ApkArchive&) = delete;

    // apk_path is UTF-8. Logs 'E' and returns false when the file cannot be
    // opened or is not a zip archive this reader understands.
    bool open(const std::string& apk_path);

    // The whole content in memory (for small entries). Logs nothing.
    bool extract_entry(const ApkEntry& entry, std::vector<unsigned char>& bytes);

    // The content in pieces of at most a chunk, so memory stays bounded for
    // entries of any size. The sink sees every piece before the CRC-32 is
    // known to match: on bad_entry the caller must discard what it received.
    StreamResult stream_entry(const ApkEntry& entry, const ContentSink& sink);

    const std::vector<ApkEntry>& entries() const { return entries_; }

private:
    bool read_at(uint64_t offset, unsigned char* buffer, size_t size);
    bool read_central_directory(uint64_t offset, uint32_t size, uint16_t count);
    void set_data_limits(uint64_t directory_offset);
    bool find_entry_data(const ApkEntry& entry, uint64_t& data_offset);
    StreamResult copy_stored(const ApkEntry& entry, const ContentSink& sink);
    StreamResult inflate_deflated(const ApkEntry& entry, const ContentSink& sink);
    void make_buffers();

    std::filebuf file_;
    uint64_t file_size_ = 0;
    std::vector<ApkEntry> entries_;
    // Allocated once per archive and left uninitialised: every byte used is
    // written by a read or by inflate first.
    std::unique_ptr<unsigned char[]> input_chunk_;
    std::unique_ptr<unsigned char[]> output_chunk_;
};
