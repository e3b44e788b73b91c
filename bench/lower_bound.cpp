// The least work any import of the APK's assets must do: read the archive,
// inflate every deflated asset and compute the CRC-32 of every asset's
// content. It writes nothing. The archive is read front to back in large
// blocks and each asset streams through one small output buffer, so no time
// goes to page faults on large buffers either.
//
// Usage: lower_bound <apk>; prints the asset count and size; exit 1 when the
// archive cannot be read or a CRC-32 or size does not match.
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Asset {
    std::string name;
    uint16_t method;
    uint32_t crc;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint32_t local_header_offset;
};

uint32_t u16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t u32(const unsigned char* p) { return u16(p) | static_cast<uint32_t>(u16(p + 2)) << 16; }

bool read_at(int fd, uint64_t offset, unsigned char* out, size_t size) {
    while (size > 0) {
        ssize_t got = pread(fd, out, size, static_cast<off_t>(offset));
        if (got <= 0) return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool is_asset(const std::string& name) {
    return name.size() >= 7 && name.compare(0, 7, "assets/") == 0 && name.back() != '/' &&
           name.find("..") == std::string::npos && name.compare(0, 18, "assets/guest_libs/") != 0;
}

bool read_assets(int fd, std::vector<Asset>& assets) {
    off_t file_size = lseek(fd, 0, SEEK_END);
    if (file_size < 22) return false;
    size_t tail_size = static_cast<size_t>(std::min<off_t>(file_size, 65557));
    std::vector<unsigned char> tail(tail_size);
    if (!read_at(fd, static_cast<uint64_t>(file_size) - tail_size, tail.data(), tail_size)) return false;
    size_t end = tail_size - 22 + 1;
    while (end > 0 && u32(&tail[end - 1]) != 0x06054b50) --end;
    if (end == 0) return false;
    const unsigned char* record = &tail[end - 1];
    uint32_t count = u16(record + 10), size = u32(record + 12), offset = u32(record + 16);
    std::vector<unsigned char> directory(size);
    if (!read_at(fd, offset, directory.data(), size)) return false;
    size_t p = 0;
    for (uint32_t i = 0; i < count && p + 46 <= size; ++i) {
        const unsigned char* h = &directory[p];
        if (u32(h) != 0x02014b50) return false;
        size_t n = u16(h + 28), m = u16(h + 30), k = u16(h + 32);
        if (p + 46 + n > size) return false;
        Asset asset{std::string(reinterpret_cast<const char*>(h + 46), n), static_cast<uint16_t>(u16(h + 10)),
                    u32(h + 16), u32(h + 20), u32(h + 24), u32(h + 42)};
        if (is_asset(asset.name)) assets.push_back(std::move(asset));
        p += 46 + n + m + k;
    }
    return true;
}

// Front-to-back reader over the archive with one reused block.
struct SequentialReader {
    int fd;
    std::vector<unsigned char> block = std::vector<unsigned char>(1 << 20);
    uint64_t block_offset = 0;
    size_t begin = 0, end = 0;

    uint64_t position() const { return block_offset + begin; }

    bool seek(uint64_t offset) {
        if (offset >= block_offset && offset <= block_offset + end) {
            begin = static_cast<size_t>(offset - block_offset);
            return true;
        }
        block_offset = offset;
        begin = end = 0;
        return true;
    }

    // The next up to `wanted` bytes, at least one; empty at the end of the file.
    std::pair<const unsigned char*, size_t> next(size_t wanted) {
        if (begin == end) {
            block_offset += end;
            begin = end = 0;
            ssize_t got = pread(fd, block.data(), block.size(), static_cast<off_t>(block_offset));
            if (got <= 0) return {nullptr, 0};
            end = static_cast<size_t>(got);
        }
        size_t size = std::min(wanted, end - begin);
        const unsigned char* data = &block[begin];
        begin += size;
        return {data, size};
    }

    bool read(unsigned char* out, size_t size) {
        while (size > 0) {
            auto [data, got] = next(size);
            if (got == 0) return false;
            std::memcpy(out, data, got);
            out += got;
            size -= got;
        }
        return true;
    }
};

bool check_asset(SequentialReader& reader, z_stream& stream, std::vector<unsigned char>& out,
                 const Asset& asset) {
    unsigned char header[30];
    if (!reader.seek(asset.local_header_offset) || !reader.read(header, sizeof header) ||
        u32(header) != 0x04034b50)
        return false;
    reader.seek(reader.position() + u16(header + 26) + u16(header + 28));
    uLong crc = crc32(0, nullptr, 0);
    uint64_t produced = 0;
    size_t left = asset.compressed_size;
    if (asset.method == 0) {
        while (left > 0) {
            auto [data, got] = reader.next(left);
            if (got == 0) return false;
            crc = crc32(crc, data, static_cast<uInt>(got));
            left -= got;
        }
        produced = asset.compressed_size;
    } else if (asset.method == 8) {
        inflateReset(&stream);
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            if (stream.avail_in == 0) {
                auto [data, got] = reader.next(left);
                if (got == 0) return false;
                stream.next_in = const_cast<unsigned char*>(data);
                stream.avail_in = static_cast<uInt>(got);
                left -= got;
            }
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) return false;
            size_t made = out.size() - stream.avail_out;
            crc = crc32(crc, out.data(), static_cast<uInt>(made));
            produced += made;
        }
        stream.avail_in = 0;
    } else {
        return false;
    }
    return produced == asset.uncompressed_size && crc == asset.crc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lower_bound <apk>\n");
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    std::vector<Asset> assets;
    if (fd < 0 || !read_assets(fd, assets)) {
        std::fprintf(stderr, "lower_bound: cannot read %s\n", argv[1]);
        return 1;
    }
    std::sort(assets.begin(), assets.end(), [](const Asset& a, const Asset& b) {
        return a.local_header_offset < b.local_header_offset;
    });
    SequentialReader reader{fd};
    z_stream stream{};
    inflateInit2(&stream, -15);
    std::vector<unsigned char> out(256 << 10);
    uint64_t total = 0;
    for (const Asset& asset : assets) {
        if (!check_asset(reader, stream, out, asset)) {
            std::fprintf(stderr, "lower_bound: %s does not check out\n", asset.name.c_str());
            return 1;
        }
        total += asset.uncompressed_size;
    }
    inflateEnd(&stream);
    close(fd);
    std::printf("%zu assets, %.1f MB checked\n", assets.size(), total / 1048576.0);
    return 0;
}
