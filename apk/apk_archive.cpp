// Zip reading as the APK needs it (PKWARE APPNOTE 4.3): one disk, 32-bit
// sizes, methods 0 and 8, sizes and CRC-32 from the central directory.
#include "apk/apk_archive.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "apk/crc32_fold.h"
#include "app/log.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
// The end record plus the longest comment it can announce, and one byte more.
constexpr uint64_t kEndSearchWindow = 65558;
constexpr size_t kChunkSize = size_t{1} << 20;
// Deflate never expands by more than about 1032:1; a larger declared size is
// not believed when reserving memory.
constexpr uint64_t kDeflateMaxRatio = 1032;
constexpr uint64_t kReserveCap = uint64_t{64} << 20;

uint16_t read_u16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t read_u32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Ends the inflate stream on every way out, exceptions from a sink included.
struct InflateGuard {
    z_stream* stream;
    ~InflateGuard() { inflateEnd(stream); }
};

}  // namespace

unsigned char* EntryBuffers::input()
{
    if (!input_) {
        input_.reset(new unsigned char[kChunkSize]);
    }
    return input_.get();
}

unsigned char* EntryBuffers::output()
{
    if (!output_) {
        output_.reset(new unsigned char[kChunkSize]);
    }
    return output_.get();
}

const ReadOnlyFile& EntryBuffers::file(const ReadOnlyFile& shared)
{
    if (file_of_ != &shared) {
        file_of_ = &shared;
        if (file_.open_same(shared) != 0) {
            return shared;
        }
    }
    return file_.is_open() ? file_ : shared;
}

ApkArchive::ApkArchive() = default;
ApkArchive::~ApkArchive() = default;

bool ApkArchive::open(const std::string& apk_path)
{
    entries_.clear();
    buffers_.reset();
    if (file_.open(std::filesystem::u8path(apk_path)) != 0) {
        log_message('E', "cannot open APK %s", apk_path.c_str());
        return false;
    }
    uint64_t file_size = file_.size();
    uint64_t window_size = std::min(file_size, kEndSearchWindow);
    std::vector<unsigned char> window(static_cast<size_t>(window_size));
    bool found = false;
    size_t record = 0;
    if (window_size >= kEndRecordSize &&
        file_.read_at(file_size - window_size, window.data(), window.size())) {
        for (size_t i = window.size() - kEndRecordSize + 1; i-- > 0;) {
            if (read_u32(&window[i]) == kEndSignature) {
                record = i;
                found = true;
                break;
            }
        }
    }
    if (!found || !read_central_directory(read_u32(&window[record + 16]),
                                          read_u32(&window[record + 12]),
                                          read_u16(&window[record + 10]))) {
        entries_.clear();
        log_message('E', "%s is not a valid APK/zip file", apk_path.c_str());
        return false;
    }
    return true;
}

bool ApkArchive::read_central_directory(uint64_t offset, uint32_t size, uint16_t count)
{
    // Checked before allocating: a directory must lie inside the file (zip64
    // markers such as 0xFFFFFFFF fail here).
    if (offset > file_.size() || size > file_.size() - offset) {
        return false;
    }
    std::vector<unsigned char> directory(size);
    if (!file_.read_at(offset, directory.data(), directory.size())) {
        return false;
    }
    if (count == 0 || size < kCentralHeaderSize) {
        return true;
    }
    entries_.reserve(std::min<size_t>(count, size / kCentralHeaderSize));
    size_t p = 0;
    for (unsigned c = 0; c < count && p + kCentralHeaderSize <= size; ++c) {
        const unsigned char* header = &directory[p];
        if (read_u32(header) != kCentralSignature) {
            return false;
        }
        size_t name_length = read_u16(header + 28);
        size_t variable_length = name_length + read_u16(header + 30) + read_u16(header + 32);
        // A header whose variable part leaves the directory is damage, not
        // the end of the list.
        if (variable_length > size - p - kCentralHeaderSize) {
            return false;
        }
        ApkEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(header + kCentralHeaderSize), name_length);
        entry.method = read_u16(header + 10);
        entry.crc32 = read_u32(header + 16);
        entry.compressed_size = read_u32(header + 20);
        entry.uncompressed_size = read_u32(header + 24);
        entry.local_header_offset = read_u32(header + 42);
        entries_.push_back(std::move(entry));
        p += kCentralHeaderSize + variable_length;
    }
    set_data_limits(offset);
    return true;
}

// Overlapping entries are how a small archive inflates to many gigabytes: a
// thousand central headers for one local record, or one stored entry whose
// data holds the records of others. No zip writer lays entries out like
// that, so an entry's data must end where the next record starts.
void ApkArchive::set_data_limits(uint64_t directory_offset)
{
    std::vector<uint64_t> starts;
    starts.reserve(entries_.size() + 1);
    for (const ApkEntry& entry : entries_) {
        starts.push_back(entry.local_header_offset);
    }
    starts.push_back(directory_offset);
    std::sort(starts.begin(), starts.end());
    for (ApkEntry& entry : entries_) {
        auto first = std::lower_bound(starts.begin(), starts.end(), uint64_t{entry.local_header_offset});
        auto next = std::upper_bound(first, starts.end(), uint64_t{entry.local_header_offset});
        bool shared = next - first > 1 && entry.local_header_offset != directory_offset;
        if (shared) {
            entry.data_limit = entry.local_header_offset;
        } else {
            entry.data_limit = next == starts.end() ? file_.size() : *next;
        }
    }
}

bool ApkArchive::find_entry_data(const ReadOnlyFile& file, const ApkEntry& entry,
                                 uint64_t& data_offset) const
{
    unsigned char header[kLocalHeaderSize];
    if (!file.is_open() || !file.read_at(entry.local_header_offset, header, sizeof header) ||
        read_u32(header) != kLocalSignature) {
        return false;
    }
    data_offset = uint64_t{entry.local_header_offset} + kLocalHeaderSize + read_u16(header + 26) +
                  read_u16(header + 28);
    // The data must lie inside the file, and inside the entry's own stretch of
    // it, before any of it is read.
    uint64_t limit = std::min(file_.size(), entry.data_limit);
    return data_offset <= limit && entry.compressed_size <= limit - data_offset;
}

StreamResult ApkArchive::stream_entry(const ApkEntry& entry, const ContentSink& sink)
{
    if (!buffers_) {
        buffers_ = std::make_unique<EntryBuffers>();
    }
    return stream_entry(entry, sink, *buffers_);
}

StreamResult ApkArchive::stream_entry(const ApkEntry& entry, const ContentSink& sink,
                                      EntryBuffers& buffers) const
{
    if (entry.method != 0 && entry.method != 8) {
        return StreamResult::bad_entry;
    }
    const ReadOnlyFile& file = buffers.file(file_);
    uint64_t data_offset = 0;
    if (!find_entry_data(file, entry, data_offset)) {
        return StreamResult::bad_entry;
    }
    return entry.method == 0 ? copy_stored(file, entry, data_offset, sink, buffers)
                             : inflate_deflated(file, entry, data_offset, sink, buffers);
}

StreamResult ApkArchive::copy_stored(const ReadOnlyFile& file, const ApkEntry& entry,
                                     uint64_t data_offset, const ContentSink& sink,
                                     EntryBuffers& buffers) const
{
    unsigned char* chunk = buffers.input();
    uint32_t crc = 0;
    uint64_t remaining = entry.compressed_size;
    while (remaining > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(remaining, kChunkSize));
        if (!file.read_at(data_offset, chunk, piece)) {
            return StreamResult::bad_entry;
        }
        crc = update_crc32(crc, chunk, piece);
        if (!sink(chunk, piece)) {
            return StreamResult::sink_failed;
        }
        data_offset += piece;
        remaining -= piece;
    }
    return crc == entry.crc32 ? StreamResult::done : StreamResult::bad_entry;
}

StreamResult ApkArchive::inflate_deflated(const ReadOnlyFile& file, const ApkEntry& entry,
                                          uint64_t data_offset, const ContentSink& sink,
                                          EntryBuffers& buffers) const
{
    // Some writers store an empty file as a deflated entry with no data at all.
    if (entry.compressed_size == 0) {
        return entry.uncompressed_size == 0 && entry.crc32 == 0 ? StreamResult::done
                                                                : StreamResult::bad_entry;
    }
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return StreamResult::bad_entry;
    }
    InflateGuard guard{&stream};
    unsigned char* input = buffers.input();
    unsigned char* output = buffers.output();
    uint32_t crc = 0;
    uint64_t input_left = entry.compressed_size;
    uint64_t produced = 0;
    for (;;) {
        if (stream.avail_in == 0 && input_left > 0) {
            size_t piece = static_cast<size_t>(std::min<uint64_t>(input_left, kChunkSize));
            if (!file.read_at(data_offset, input, piece)) {
                return StreamResult::bad_entry;
            }
            data_offset += piece;
            stream.next_in = input;
            stream.avail_in = static_cast<uInt>(piece);
            input_left -= piece;
        }
        stream.next_out = output;
        stream.avail_out = static_cast<uInt>(kChunkSize);
        int status = inflate(&stream, Z_NO_FLUSH);
        size_t got = kChunkSize - stream.avail_out;
        if (got > 0) {
            produced += got;
            if (produced > entry.uncompressed_size) {
                return StreamResult::bad_entry;
            }
            crc = update_crc32(crc, output, got);
            if (!sink(output, got)) {
                return StreamResult::sink_failed;
            }
        }
        if (status == Z_STREAM_END) {
            break;
        }
        // Z_BUF_ERROR with input still to read just means "feed me"; with
        // none left the stream is cut short.
        bool starved = status == Z_BUF_ERROR && stream.avail_in == 0 && input_left > 0;
        if (status != Z_OK && !starved) {
            return StreamResult::bad_entry;
        }
    }
    // A stream that ends before the declared size is as damaged as one that
    // runs past it: zero-padding would install broken data.
    if (produced != entry.uncompressed_size || crc != entry.crc32) {
        return StreamResult::bad_entry;
    }
    return StreamResult::done;
}

bool ApkArchive::extract_entry(const ApkEntry& entry, std::vector<unsigned char>& bytes)
{
    if (!buffers_) {
        buffers_ = std::make_unique<EntryBuffers>();
    }
    return extract_entry(entry, bytes, *buffers_);
}

bool ApkArchive::extract_entry(const ApkEntry& entry, std::vector<unsigned char>& bytes,
                               EntryBuffers& buffers) const
{
    bytes.clear();
    uint64_t expected = entry.method == 0
                            ? entry.compressed_size
                            : std::min<uint64_t>(entry.uncompressed_size,
                                                 uint64_t{entry.compressed_size} * kDeflateMaxRatio + 1024);
    if (entry.compressed_size <= file_.size()) {
        bytes.reserve(static_cast<size_t>(std::min(expected, kReserveCap)));
    }
    StreamResult result = stream_entry(entry, [&bytes](const unsigned char* data, size_t size) {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }, buffers);
    if (result != StreamResult::done) {
        std::vector<unsigned char>().swap(bytes);
        return false;
    }
    return true;
}
