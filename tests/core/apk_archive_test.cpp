// The zip reader against archives from Python's zipfile, Info-ZIP zip and
// 7-Zip, and against archives damaged at one field.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/crc32_fold.h"
#include "app/log.h"
#include "core/core_fixtures.h"

namespace {

std::string as_text(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The content of the first entry with that name; fails the test if the
// entry is missing or does not extract.
std::string extract_named(ApkArchive& archive, const std::string& name)
{
    for (const ApkEntry& entry : archive.entries()) {
        if (entry.name == name) {
            std::vector<unsigned char> bytes;
            EXPECT_TRUE(archive.extract_entry(entry, bytes)) << name;
            return as_text(bytes);
        }
    }
    ADD_FAILURE() << "no entry " << name;
    return {};
}

std::vector<std::string> names(const ApkArchive& archive)
{
    std::vector<std::string> result;
    for (const ApkEntry& entry : archive.entries()) {
        result.push_back(entry.name);
    }
    return result;
}

void expect_not_valid(const std::string& fixture_name)
{
    last_error.clear();
    ApkArchive archive;
    std::string path = fixture(fixture_name);
    EXPECT_FALSE(archive.open(path)) << fixture_name;
    EXPECT_EQ(last_error, path + " is not a valid APK/zip file");
    EXPECT_TRUE(archive.entries().empty());
}

void expect_first_entry_fails(const std::string& fixture_name)
{
    ApkArchive archive;
    ASSERT_TRUE(archive.open(fixture(fixture_name))) << fixture_name;
    ASSERT_FALSE(archive.entries().empty());
    std::vector<unsigned char> bytes{1, 2, 3};
    EXPECT_FALSE(archive.extract_entry(archive.entries()[0], bytes)) << fixture_name;
    EXPECT_TRUE(bytes.empty());
}

}  // namespace

TEST(ApkArchive, ListsEveryCentralEntryInOrderAndExtractsStoredAndDeflated)
{
    ApkArchive archive;
    ASSERT_TRUE(archive.open(fixture("py_mixed.zip")));
    std::vector<std::string> expected = {"assets/stored.txt", "assets/deflated.txt",
                                         "assets/empty_stored", "assets/empty_deflated",
                                         "assets/dir/", "assets/dup.txt", "assets/dup.txt"};
    EXPECT_EQ(names(archive), expected);
    const auto& entries = archive.entries();
    EXPECT_EQ(entries[0].method, 0);
    EXPECT_EQ(entries[1].method, 8);
    EXPECT_EQ(entries[1].uncompressed_size, 5000u);
    EXPECT_LT(entries[1].compressed_size, 5000u);

    EXPECT_EQ(extract_named(archive, "assets/stored.txt"), "stored content\n");
    EXPECT_EQ(extract_named(archive, "assets/deflated.txt"), fixture_text(5000, 1));
    EXPECT_EQ(extract_named(archive, "assets/empty_stored"), "");
    // Python writes an empty file as a deflated entry of a two-byte stream.
    EXPECT_EQ(entries[3].method, 8);
    EXPECT_EQ(extract_named(archive, "assets/empty_deflated"), "");
    EXPECT_EQ(extract_named(archive, "assets/dir/"), "");

    std::vector<unsigned char> first, second;
    ASSERT_TRUE(archive.extract_entry(entries[5], first));
    ASSERT_TRUE(archive.extract_entry(entries[6], second));
    EXPECT_EQ(as_text(first), "first");
    EXPECT_EQ(as_text(second), "second");
    // Extractions in any order share the one file position.
    EXPECT_EQ(extract_named(archive, "assets/stored.txt"), "stored content\n");
}

// The folded CRC takes whole 16-byte blocks from 64 bytes on and leaves the
// rest to zlib: every length and alignment around those edges, and pieces
// chained as the reader chains them, must give zlib's result.
TEST(ApkArchive, FastCrcMatchesZlibAtEveryLengthAlignmentAndSplit)
{
    std::vector<unsigned char> data((1 << 20) + 100);
    std::mt19937 random(7);
    for (unsigned char& byte : data) {
        byte = static_cast<unsigned char>(random());
    }
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t size = 0; size <= 300; ++size) {
            ASSERT_EQ(update_crc32(0, data.data() + offset, size),
                      crc32(0, data.data() + offset, static_cast<uInt>(size)))
                << "offset " << offset << ", size " << size;
        }
    }
    uint32_t whole = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
    for (size_t split : {1u, 63u, 64u, 1000u, 1u << 20}) {
        EXPECT_EQ(update_crc32(update_crc32(0, data.data(), split), data.data() + split,
                               data.size() - split),
                  whole)
            << "split at " << split;
    }
}

TEST(ApkArchive, EndRecordNearestTheEndOfTheFileWins)
{
    ApkArchive archive;
    ASSERT_TRUE(archive.open(fixture("comment_end_record.zip")));
    EXPECT_TRUE(archive.entries().empty());
}

TEST(ApkArchive, ReadsInfoZipArchivesWithAndWithoutDataDescriptors)
{
    for (const char* name : {"infozip.zip", "infozip_descriptors.zip"}) {
        SCOPED_TRACE(name);
        ApkArchive archive;
        ASSERT_TRUE(archive.open(fixture(name)));
        EXPECT_EQ(extract_named(archive, "assets/a.txt"), fixture_text(20000, 3));
        EXPECT_EQ(extract_named(archive, "assets/sub/c.txt"), "small\n");
        EXPECT_EQ(extract_named(archive, "assets/b.bin").size(), 3000u);
        EXPECT_EQ(extract_named(archive, "assets/"), "");
    }
    ApkArchive streamed;
    ASSERT_TRUE(streamed.open(fixture("infozip_stream.zip")));
    ASSERT_EQ(names(streamed), std::vector<std::string>{"-"});
    EXPECT_EQ(extract_named(streamed, "-"), fixture_text(20000, 3));
}

TEST(ApkArchive, Zip64OnlyInLocalHeadersReadsButAZip64DirectoryDoesNot)
{
    ApkArchive archive;
    ASSERT_TRUE(archive.open(fixture("py_zip64.zip")));
    EXPECT_EQ(extract_named(archive, "assets/a.txt"), fixture_text(20000, 3));
    EXPECT_EQ(extract_named(archive, "assets/b.txt"), "b\n");
    // Info-ZIP's forced zip64 puts 0xFFFFFFFF in the end record's offset.
    expect_not_valid("infozip_zip64.zip");
}

TEST(ApkArchive, ListsOtherMethodsButDoesNotExtractThem)
{
    for (auto [name, method] : {std::pair<const char*, int>{"7z_bzip2.zip", 12},
                                std::pair<const char*, int>{"7z_lzma.zip", 14}}) {
        SCOPED_TRACE(name);
        ApkArchive archive;
        ASSERT_TRUE(archive.open(fixture(name)));
        bool saw_method = false;
        for (const ApkEntry& entry : archive.entries()) {
            if (entry.method == method) {
                saw_method = true;
                std::vector<unsigned char> bytes;
                EXPECT_FALSE(archive.extract_entry(entry, bytes)) << entry.name;
            }
        }
        EXPECT_TRUE(saw_method);
    }
}

TEST(ApkArchive, EntryCountOfTheEndRecordLimitsTheWalk)
{
    ApkArchive empty;
    ASSERT_TRUE(empty.open(fixture("py_empty.zip")));
    EXPECT_TRUE(empty.entries().empty());

    ApkArchive below;
    ASSERT_TRUE(below.open(fixture("count_below.zip")));
    EXPECT_EQ(names(below), (std::vector<std::string>{"a", "b"}));

    ApkArchive above;
    ASSERT_TRUE(above.open(fixture("count_above.zip")));
    EXPECT_EQ(names(above), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(extract_named(above, "c"), "333");
}

TEST(ApkArchive, RejectsFilesThatAreNotArchives)
{
    expect_not_valid("short.bin");
    expect_not_valid("not_zip.bin");
    expect_not_valid("bad_signature.zip");
    // A name running past the directory's end is damage, never read beyond.
    expect_not_valid("name_overrun.zip");
}

TEST(ApkArchive, MissingFileCannotBeOpened)
{
    last_error.clear();
    ApkArchive archive;
    std::string path = fixture("no_such_archive.zip");
    EXPECT_FALSE(archive.open(path));
    EXPECT_EQ(last_error, "cannot open APK " + path);
}

TEST(ApkArchive, ExtractionFailsForDamagedEntries)
{
    // A stream that ends before its declared size, or runs past it.
    expect_first_entry_fails("deflate_short.zip");
    expect_first_entry_fails("deflate_long.zip");
    // 4 GiB - 1 declared over a few bytes of stream: fails, allocates little.
    expect_first_entry_fails("deflate_huge_claim.zip");
    expect_first_entry_fails("stored_past_end.zip");
    // One flipped byte: the CRC-32 of the central directory does not match.
    expect_first_entry_fails("crc_stored.zip");
    expect_first_entry_fails("crc_deflated.zip");
}

TEST(ApkArchive, StreamingStopsWhenTheSinkRefuses)
{
    ApkArchive archive;
    ASSERT_TRUE(archive.open(fixture("py_mixed.zip")));
    int calls = 0;
    auto refuse = [&calls](const unsigned char*, size_t) {
        ++calls;
        return false;
    };
    EXPECT_EQ(archive.stream_entry(archive.entries()[1], refuse), StreamResult::sink_failed);
    EXPECT_EQ(calls, 1);

    std::string collected;
    auto collect = [&collected](const unsigned char* data, size_t size) {
        collected.append(reinterpret_cast<const char*>(data), size);
        return true;
    };
    EXPECT_EQ(archive.stream_entry(archive.entries()[1], collect), StreamResult::done);
    EXPECT_EQ(collected, fixture_text(5000, 1));
}

TEST(ApkArchive, ForgedEntriesFailWithoutReadingOutsideTheFile)
{
    ApkArchive archive;
    ApkEntry forged;
    std::vector<unsigned char> bytes;
    EXPECT_FALSE(archive.extract_entry(forged, bytes));  // not open

    ASSERT_TRUE(archive.open(fixture("py_mixed.zip")));
    forged = archive.entries()[0];
    forged.local_header_offset = 0xFFFFFFF0u;
    EXPECT_FALSE(archive.extract_entry(forged, bytes));
    forged = archive.entries()[0];
    forged.local_header_offset += 1;  // no local signature there
    EXPECT_FALSE(archive.extract_entry(forged, bytes));
}
