// Reader of the APK's zip container: the central directory and the content of
// single entries, stored or raw-deflated, each checked against its CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apk/file_io.h"

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

// What extracting the entry gives when it succeeds: a stored entry is copied
// as it is, a deflated one must inflate to exactly its declared size.
inline uint64_t extracted_size(const ApkEntry& entry)
{
    return entry.method == 0 ? entry.compressed_size : entry.uncompressed_size;
}

// Takes the content of an entry piece by piece; returns false to stop.
using ContentSink = std::function<bool(const unsigned char* data, size_t size)>;

enum class StreamResult {
    done,
    bad_entry,    // the entry cannot be extracted: damaged, truncated or unsupported
    sink_failed,  // the sink refused a piece
};

// The read and inflate buffers of one thread, and its own handle to the
// archive's file. Each thread that streams entries of one archive at the same
// time needs its own.
class EntryBuffers {
public:
    unsigned char* input();
    unsigned char* output();
    // This thread's handle to the file that `shared` has open, made on first
    // use; `shared` itself when no other can be had.
    const ReadOnlyFile& file(const ReadOnlyFile& shared);

private:
    // Allocated on first use and left uninitialised: every byte used is
    // written by a read or by inflate first.
    std::unique_ptr<unsigned char[]> input_;
    std::unique_ptr<unsigned char[]> output_;
    ReadOnlyFile file_;
    const ReadOnlyFile* file_of_ = nullptr;
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
    // The same with the calling thread's own buffers, as stream_entry below.
    bool extract_entry(const ApkEntry& entry, std::vector<unsigned char>& bytes,
                       EntryBuffers& buffers) const;

    // The content in pieces of at most a chunk, so memory stays bounded for
    // entries of any size. The sink sees every piece before the CRC-32 is
    // known to match: on bad_entry the caller must discard what it received.
    StreamResult stream_entry(const ApkEntry& entry, const ContentSink& sink);
    // The same with the calling thread's own buffers: safe on several threads
    // at once, as it reads the file only at explicit offsets.
    StreamResult stream_entry(const ApkEntry& entry, const ContentSink& sink,
                              EntryBuffers& buffers) const;

    const std::vector<ApkEntry>& entries() const { return entries_; }

private:
    bool read_central_directory(uint64_t offset, uint32_t size, uint16_t count);
    void set_data_limits(uint64_t directory_offset);
    bool find_entry_data(const ReadOnlyFile& file, const ApkEntry& entry,
                         uint64_t& data_offset) const;
    StreamResult copy_stored(const ReadOnlyFile& file, const ApkEntry& entry, uint64_t data_offset,
                             const ContentSink& sink, EntryBuffers& buffers) const;
    StreamResult inflate_deflated(const ReadOnlyFile& file, const ApkEntry& entry,
                                  uint64_t data_offset, const ContentSink& sink,
                                  EntryBuffers& buffers) const;

    ReadOnlyFile file_;
    std::vector<ApkEntry> entries_;
    // The owner thread's, made anew for every file opened.
    std::unique_ptr<EntryBuffers> buffers_;
};
