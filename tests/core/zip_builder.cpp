// Writes zip archives from a test's own list of entries.
#include "core/zip_builder.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace {

void put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

void put32(std::string& out, uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

std::string raw_deflate(const std::string& data)
{
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        throw std::runtime_error("deflate failed");
    }
    return out;
}

}  // namespace

void write_zip(const std::filesystem::path& path, const std::vector<ZipItem>& items)
{
    std::ofstream out(path, std::ios_base::binary | std::ios_base::trunc);
    std::string directory;
    uint32_t offset = 0;
    for (const ZipItem& item : items) {
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(item.content.data()),
                  static_cast<uInt>(item.content.size())));
        if (item.damaged_crc) {
            crc += 1;
        }
        std::string data = item.method == 8 ? raw_deflate(item.content) : item.content;
        std::string fields;  // version needed .. extra length, shared by both headers
        put16(fields, 20);
        put16(fields, 0);
        put16(fields, item.method);
        put32(fields, 0);  // time and date
        put32(fields, crc);
        put32(fields, static_cast<uint32_t>(data.size()));
        put32(fields, static_cast<uint32_t>(item.content.size()));
        put16(fields, static_cast<uint32_t>(item.name.size()));
        put16(fields, 0);
        std::string local;
        put32(local, 0x04034b50);
        local += fields + item.name;
        out << local << data;

        put32(directory, 0x02014b50);
        put16(directory, 20);  // version made by
        directory += fields;
        put16(directory, 0);   // comment length
        put32(directory, 0);   // disk number, internal attributes
        put32(directory, 0);   // external attributes
        put32(directory, offset);
        directory += item.name;
        offset += static_cast<uint32_t>(local.size() + data.size());
    }
    std::string end;
    put32(end, 0x06054b50);
    put32(end, 0);
    put16(end, static_cast<uint32_t>(items.size()));
    put16(end, static_cast<uint32_t>(items.size()));
    put32(end, static_cast<uint32_t>(directory.size()));
    put32(end, offset);
    put16(end, 0);
    out << directory << end;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.u8string());
    }
}

std::string arm_library(size_t size)
{
    std::string library(size, '\x5a');
    library.replace(0, 5, "\x7f" "ELF\x01");
    library[18] = 40;
    library[19] = 0;
    return library;
}

std::string noise(size_t size, uint32_t seed)
{
    std::string result(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& byte : result) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return result;
}
