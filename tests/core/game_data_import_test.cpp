// The import end to end: which library wins, which entries become files,
// the marker, and the one error text each failure leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/game_data_import.h"
#include "apk/import_rules.h"
#include "app/log.h"
#include "core/core_fixtures.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const std::string kNewline = "\r\n";
#else
const std::string kNewline = "\n";
#endif
const std::string kMarkerText =
    "The textures in this folder are real ATC (imported from an unmodified APK)." + kNewline;

std::string entry_content(const std::string& apk, size_t index)
{
    ApkArchive archive;
    EXPECT_TRUE(archive.open(fixture(apk)));
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(archive.extract_entry(archive.entries().at(index), bytes));
    return std::string(bytes.begin(), bytes.end());
}

// The target is a folder inside the scratch folder, so anything written
// beside or above it would show up in the scratch folder's listing.
struct ImportRun {
    ScratchFolder scratch;
    fs::path target = scratch.path() / "gamedata";

    bool import(const std::string& apk, const ImportOptions& options = {},
                ImportOutcome* outcome = nullptr)
    {
        last_error.clear();
        return import_game_data(fixture(apk), target.u8string(), with_workers(options), outcome);
    }
    std::string file(const std::string& relative) const
    {
        return read_all(target / fs::u8path(relative));
    }
};

// Serially, or without any candidate, nothing is written; a pool checks the
// candidates beside the assets and may have written some of those.
void expect_no_library(const std::string& apk, bool has_candidates = true)
{
    ImportRun run;
    EXPECT_FALSE(run.import(apk)) << apk;
    EXPECT_EQ(last_error, "no 32-bit ARM libGloamReef.so found in " + fixture(apk) +
                              " - is this the Gloam Reef APK?");
    if (serial_import() || !has_candidates) {
        EXPECT_FALSE(fs::exists(run.target)) << apk;
    }
    EXPECT_FALSE(fs::exists(run.target / "libGloamReef.so")) << apk;
    EXPECT_FALSE(fs::exists(run.target / "atc_textures")) << apk;
}

}  // namespace

TEST(GameDataImport, LibFolderLibraryAndFilteredAssets)
{
    ImportRun run;
    ASSERT_TRUE(run.import("import_lib_order.zip")) << last_error;
    std::vector<std::string> expected = {
        "gamedata/assets/a.txt",        "gamedata/assets/dup.txt",
        "gamedata/assets/empty",        "gamedata/assets/guest_libs",
        "gamedata/assets/null",         "gamedata/assets/sounds/console.ogg",
        "gamedata/assets/sub/deep/b.bin", "gamedata/atc_textures",
        "gamedata/libGloamReef.so",
    };
    EXPECT_EQ(files_under(run.scratch.path()), expected);
    // lib/armeabi wins over lib/armeabi-v7a although v7a comes first.
    EXPECT_EQ(run.file("libGloamReef.so"), entry_content("import_lib_order.zip", 1));
    EXPECT_EQ(run.file("atc_textures"), kMarkerText);
    EXPECT_EQ(run.file("assets/a.txt"), "asset a\n");
    EXPECT_EQ(run.file("assets/sub/deep/b.bin"), fixture_text(70000, 5));
    EXPECT_EQ(run.file("assets/empty"), "");
    EXPECT_EQ(run.file("assets/dup.txt"), "second");
    EXPECT_FALSE(fs::exists(run.target / "assets" / "dir"));
}

TEST(GameDataImport, GuestLibraryWinsAndRemovesTheMarker)
{
    ImportRun run;
    fs::create_directories(run.target);
    std::ofstream(run.target / "atc_textures") << "old marker";
    ASSERT_TRUE(run.import("import_guest.zip")) << last_error;
    EXPECT_EQ(files_under(run.target),
              (std::vector<std::string>{"assets/x.txt", "libGloamReef.so"}));
    EXPECT_EQ(run.file("libGloamReef.so"), entry_content("import_guest.zip", 1));
}

TEST(GameDataImport, AcceptsTheLaterCandidatesAndBoundaryLibraries)
{
    for (const char* apk : {"import_v7a_only.zip", "import_21_bytes.zip",
                            "import_second_entry.zip", "infozip_apk.zip"}) {
        SCOPED_TRACE(apk);
        ImportRun run;
        ASSERT_TRUE(run.import(apk)) << last_error;
        EXPECT_EQ(run.file("atc_textures"), kMarkerText);
        EXPECT_EQ(run.file("libGloamReef.so").substr(0, 4), "\x7f" "ELF");
    }
    ImportRun second;
    ASSERT_TRUE(second.import("import_second_entry.zip"));
    EXPECT_EQ(second.file("libGloamReef.so"), entry_content("import_second_entry.zip", 1));

    // A real tool's archive with data descriptors and directory entries.
    ImportRun infozip;
    ASSERT_TRUE(infozip.import("infozip_apk.zip"));
    EXPECT_EQ(infozip.file("assets/a.txt"), fixture_text(20000, 3));
    EXPECT_EQ(files_under(infozip.target),
              (std::vector<std::string>{"assets/a.txt", "assets/b.bin", "assets/sub/c.txt",
                                        "atc_textures", "libGloamReef.so"}));
}

TEST(GameDataImport, RefusesApksWithoutA32BitArmLibrary)
{
    expect_no_library("import_class2.zip");
    expect_no_library("import_machine3.zip");
    expect_no_library("import_20_bytes.zip");
    expect_no_library("import_no_entries.zip", false);
    expect_no_library("import_only_assets.zip", false);
    // A library whose CRC-32 does not match is passed over.
    expect_no_library("import_crc_library_only.zip");
}

TEST(GameDataImport, DamagedLibraryCandidateFallsBackToTheNext)
{
    ImportRun run;
    ASSERT_TRUE(run.import("import_crc_library.zip")) << last_error;
    EXPECT_EQ(run.file("libGloamReef.so"), entry_content("import_crc_library.zip", 1));
}

TEST(GameDataImport, ReportsArchivesThatCannotBeRead)
{
    for (const char* apk : {"no_such.apk", "not_zip.bin"}) {
        SCOPED_TRACE(apk);
        ImportRun run;
        ImportOutcome outcome;
        EXPECT_FALSE(run.import(apk, {}, &outcome));
        std::string text = last_error;
        EXPECT_EQ(outcome.fault, ImportFault::archive);
        EXPECT_EQ(outcome.os_error, 0);
        ImportPlan plan;
        last_error.clear();
        EXPECT_FALSE(plan_import(fixture(apk), plan));
        EXPECT_EQ(last_error, text);
    }
    EXPECT_EQ(last_error, fixture("not_zip.bin") + " is not a valid APK/zip file");
    ImportRun missing;
    EXPECT_FALSE(missing.import("no_such.apk"));
    EXPECT_EQ(last_error, "cannot open APK " + fixture("no_such.apk"));
}

// The total is known before the first write and is what gets written; the
// plan, from the directory alone, counts the same when the library is the
// largest candidate and comes from the lib folder.
TEST(GameDataImport, ProgressAndPlanCountWhatIsWritten)
{
    for (const char* apk : {"import_1_5_mb.zip", "infozip_apk.zip", "import_utf8_names.zip",
                            "import_guest.zip"}) {
        SCOPED_TRACE(apk);
        ImportRun run;
        std::vector<uint64_t> written;
        uint64_t total = 0;
        ImportOptions options;
        options.progress = [&](uint64_t bytes, uint64_t bytes_total) {
            EXPECT_TRUE(written.empty() || (bytes >= written.back() && bytes_total == total));
            EXPECT_LE(bytes, bytes_total);
            written.push_back(bytes);
            total = bytes_total;
        };
        ASSERT_TRUE(run.import(apk, options)) << last_error;
        uint64_t on_disk = 0;
        std::vector<std::string> files = files_under(run.target);
        for (const std::string& name : files) {
            on_disk += fs::file_size(run.target / fs::u8path(name));
        }
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.back(), on_disk);
        EXPECT_EQ(total, on_disk);

        ImportPlan plan;
        ASSERT_TRUE(plan_import(fixture(apk), plan));
        // With the guest library the plan still counts the marker and the
        // largest candidate, an upper bound.
        bool marker = fs::exists(run.target / "atc_textures");
        EXPECT_EQ(plan.files, files.size() + (marker ? 0 : 1));
        if (marker) {
            EXPECT_EQ(plan.bytes, on_disk);
        } else {
            EXPECT_GE(plan.bytes, on_disk + kMarkerText.size());
        }
    }
}

TEST(GameDataImport, AssetThatFailsToExtractStopsTheImport)
{
    struct Case {
        const char* apk;
        const char* entry;
    };
    for (Case c : {Case{"import_crc_stored_asset.zip", "assets/bad.bin"},
                   Case{"import_crc_deflated_asset.zip", "assets/bad.txt"},
                   Case{"import_unsupported_asset.zip", "assets/bz.txt"},
                   Case{"import_truncated_asset.zip", "assets/short.txt"}}) {
        SCOPED_TRACE(c.apk);
        ImportRun run;
        EXPECT_FALSE(run.import(c.apk));
        EXPECT_EQ(last_error, std::string("failed to extract ") + c.entry);
        // No half-written asset, no library.
        EXPECT_FALSE(fs::exists(run.target / fs::u8path(c.entry)));
        EXPECT_FALSE(fs::exists(run.target / "libGloamReef.so"));
    }
    ImportRun run;
    EXPECT_FALSE(run.import("import_crc_stored_asset.zip"));
    EXPECT_EQ(run.file("assets/good.txt"), "good");
}

TEST(GameDataImport, OutputThatCannotBeWrittenFailsTheImport)
{
    // A folder where a file must go makes that file impossible to create.
    for (const char* blocked : {"assets/a.txt", "libGloamReef.so", "atc_textures"}) {
        SCOPED_TRACE(blocked);
        ImportRun run;
        fs::path blocker = (run.target / fs::u8path(blocked)).make_preferred();
        fs::create_directories(blocker);
        EXPECT_FALSE(run.import("import_lib_order.zip"));
        EXPECT_EQ(last_error, "cannot write " + blocker.u8string());
    }
}

TEST(ImportRules, NamesWindowsCannotStoreAreRefusedWithTheirReason)
{
    // Windows counts UTF-16 units: 128 characters of two units each are too
    // long, 200 of one unit (two bytes each) are not.
    std::string smileys, accents;
    for (int i = 0; i < 200; ++i) {
        accents += "\xC3\xA9";
        smileys += i < 128 ? "\xF0\x9F\x98\x80" : "";
    }
    const std::map<std::string, std::vector<std::string>> names_by_reason = {
        {"", {"assets/sounds/console.ogg", "assets/null", "assets/COM10.txt", "assets/COM\xE2\x81\xB4",
              "assets/f\xC3\xBCr/x.txt", "assets/" + std::string(255, 'n'), "assets/" + accents}},
        {"a part longer than 255 characters",
         {"assets/" + std::string(256, 'n'), "assets/" + smileys}},
        {"a device name",
         {"assets/CON", "assets/sub/nul.png", "assets/aux .txt/x", "assets/COM\xC2\xB9",
          "assets/lpt9.txt", "assets/NUL.tar.gz", "assets/PRN", "assets/conout$.txt"}},
        {"a part that ends in a dot or a blank",
         {"assets/keep.txt.", "assets/keep.txt ", "assets/keep.txt. . ", "assets/dir./x"}},
        {"an empty or \".\" part", {"assets//x", "assets/./x", "assets/."}},
        {"a character that Windows does not allow in a name",
         {"assets/a:b", "assets/keep.txt::$DATA", "assets/back\\slash", "assets/a<b", "assets/a>b",
          "assets/a|b", "assets/a?b", "assets/a*b", "assets/a\"b", "assets/tab\there",
          std::string("assets/nul\0.txt", 15)}},
        {"bytes that are not UTF-8 text",
         {"assets/\x80.bin", "assets/\xC0\xAF", "assets/\xE2\x82", "assets/\xED\xA0\x80.bin"}},
    };
    for (const auto& [reason, names] : names_by_reason) {
        for (const std::string& name : names) {
            EXPECT_EQ(unstorable_name_reason(name), reason) << name;
        }
    }
}

TEST(ImportRules, TheFirstRefusedAssetNamesItsEntries)
{
    auto refused = [](std::vector<std::string> names) {
        std::vector<ApkEntry> entries;
        for (std::string& name : names) {
            entries.push_back(ApkEntry{std::move(name)});
        }
        return refused_asset_names(entries);
    };
    // Only assets are looked at, and not those the import skips.
    EXPECT_EQ(refused({"res/CON", "assets/CON/", "assets/x..y/CON", "assets/guest_libs/CON",
                       "assets/ok.txt", "assets/ok.txt"}),
              "");
    EXPECT_EQ(refused({"assets/a", "assets/bell\x07", "assets/CON"}),
              "the entry assets/bell\\x07 has a name that Windows cannot store (a character "
              "that Windows does not allow in a name)");
    EXPECT_EQ(refused({"assets/a/b/c", "assets/A/B"}),
              "the entries assets/a/b/c and assets/A/B use one name as a file and as a folder");
}

TEST(GameDataImport, ReimportReplacesFilesAndKeepsOthers)
{
    ImportRun run;
    fs::create_directories(run.target / "assets");
    std::ofstream(run.target / "assets" / "a.txt") << "a much longer old content than the new";
    std::ofstream(run.target / "saved_game") << "kept";
    ASSERT_TRUE(run.import("import_lib_order.zip"));
    EXPECT_EQ(run.file("assets/a.txt"), "asset a\n");
    EXPECT_EQ(run.file("saved_game"), "kept");
}

TEST(GameDataImport, NonAsciiNamesAndTargetAreUtf8)
{
    ImportRun run;
    run.target = run.scratch.path() / fs::u8path(u8"d\u00e9j\u00e0 \u6570\u636e");
    ASSERT_TRUE(run.import("import_utf8_names.zip")) << last_error;
    EXPECT_EQ(run.file(u8"assets/r\u00e9cif/\u00e9toile \u661f.txt"), "star");
    EXPECT_TRUE(fs::exists(run.target / "libGloamReef.so"));
}

TEST(GameDataImport, LargeAssetsArriveWhole)
{
    ImportRun run;
    ASSERT_TRUE(run.import("import_1_5_mb.zip")) << last_error;
    EXPECT_EQ(run.file("assets/one"), entry_content("import_1_5_mb.zip", 1));
    EXPECT_EQ(run.file("assets/half"), fixture_text(524288, 11));
}
