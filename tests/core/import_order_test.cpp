// The import of APKs with hundreds of assets, some larger than any read or
// write buffer: the files on disk, duplicate names and the state after a
// failure must be those of taking one entry after the other, in directory
// order, however far reading runs ahead of writing.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "apk/game_data_import.h"
#include "app/log.h"
#include "core/core_fixtures.h"
#include "core/zip_builder.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMiB = size_t{1} << 20;

// Hundreds of small assets, stored and deflated, with large ones among them
// (one bigger than all buffers together), in folders that repeat.
std::vector<ZipItem> many_assets(int count)
{
    std::vector<ZipItem> items;
    items.push_back({"lib/armeabi/libGloamReef.so", arm_library(4096)});
    for (int i = 0; i < count; ++i) {
        std::string name = "assets/world" + std::to_string(i % 7) + "/item" + std::to_string(i);
        if (i % 50 == 25) {
            items.push_back({name + ".big", noise(i == 75 ? 10 * kMiB + 17 : 3 * kMiB / 2, i), 0});
        } else if (i % 3 == 0) {
            items.push_back({name + ".txt", fixture_text(100 + 37 * i, i)});
        } else {
            items.push_back({name + ".bin", noise(200 + 91 * i, i), 0});
        }
    }
    return items;
}

struct Imported {
    ScratchFolder scratch;
    fs::path apk = scratch.path() / "many.apk";
    fs::path target = scratch.path() / "gamedata";

    bool import(const std::vector<ZipItem>& items, const ImportOptions& options = {},
                ImportOutcome* outcome = nullptr)
    {
        write_zip(apk, items);
        last_error.clear();
        return import_game_data(apk.u8string(), target.u8string(), with_workers(options),
                                outcome);
    }
    bool has(const ZipItem& item) const
    {
        fs::path file = target / fs::u8path(item.name);
        return fs::is_regular_file(file) && read_all(file) == item.content;
    }
};

// Every asset before `stop` is on disk whole; serially none from `stop` on
// is a file, and a pool may have finished some of them, but only whole.
void expect_written_up_to(const Imported& run, const std::vector<ZipItem>& items, size_t stop)
{
    for (size_t i = 1; i < items.size(); ++i) {
        bool written = fs::is_regular_file(run.target / fs::u8path(items[i].name));
        if (i == stop || (i > stop && serial_import())) {
            EXPECT_FALSE(written) << items[i].name;
        } else if (i < stop || written) {
            EXPECT_TRUE(run.has(items[i])) << items[i].name;
        }
    }
    EXPECT_FALSE(fs::exists(run.target / "libGloamReef.so"));
}

// Puts a folder where item i is to be written, so that writing it fails with
// "cannot write <path>"; gives that path.
fs::path block_item(const Imported& run, const std::vector<ZipItem>& items, size_t i)
{
    fs::path blocker = (run.target / fs::u8path(items[i].name)).make_preferred();
    fs::create_directories(blocker);
    return blocker;
}

}  // namespace

TEST(ImportOrder, HundredsOfAssetsAndDuplicateNamesArriveAsInTheArchive)
{
    std::vector<ZipItem> items = many_assets(400);
    // The same name three times, far apart: the last content stays, even
    // when an earlier one is larger.
    items.insert(items.begin() + 10, {"assets/dup.bin", noise(2 * kMiB, 1), 0});
    items.insert(items.begin() + 200, {"assets/dup.bin", "middle"});
    items.push_back({"assets/dup.bin", noise(5000, 3), 0});
    Imported run;
    ASSERT_TRUE(run.import(items)) << last_error;
    for (size_t i = 1; i < items.size(); ++i) {
        if (items[i].name != "assets/dup.bin") {
            EXPECT_TRUE(run.has(items[i])) << items[i].name;
        }
    }
    EXPECT_TRUE(run.has(items.back()));
    EXPECT_EQ(read_all(run.target / "libGloamReef.so"), items[0].content);
    EXPECT_EQ(files_under(run.target).size(), 400u + 1 + 2);
}

TEST(ImportOrder, DamagedAssetAfterManyKeepsTheEarlierOnesAndWritesNoLaterOne)
{
    for (size_t damaged : {size_t{2}, size_t{76}, size_t{300}}) {
        SCOPED_TRACE(damaged);
        std::vector<ZipItem> items = many_assets(400);
        items[damaged].damaged_crc = true;
        Imported run;
        EXPECT_FALSE(run.import(items));
        EXPECT_EQ(last_error, "failed to extract " + items[damaged].name);
        expect_written_up_to(run, items, damaged);
    }
}

TEST(ImportOrder, UnwritableAssetAfterManyStopsTheImportThere)
{
    std::vector<ZipItem> items = many_assets(300);
    Imported run;
    fs::path blocker = block_item(run, items, 250);
    EXPECT_FALSE(run.import(items));
    EXPECT_EQ(last_error, "cannot write " + blocker.u8string());
    expect_written_up_to(run, items, 250);
}

TEST(ImportOrder, TheFirstFailureInDirectoryOrderDecides)
{
    // The largest asset, which a pool starts first, is damaged, but one
    // before it in directory order cannot be written: that one decides.
    std::vector<ZipItem> items = many_assets(100);
    items[76].damaged_crc = true;
    Imported damaged;
    fs::path blocker = block_item(damaged, items, 30);
    EXPECT_FALSE(damaged.import(items));
    EXPECT_EQ(last_error, "cannot write " + blocker.u8string());
    expect_written_up_to(damaged, items, 30);
    items[76].damaged_crc = false;

    // A file that cannot be written, then a folder that cannot be made (a
    // file of that name is in the way): the import ends at the first.
    items.push_back({"assets/clash/inside.txt", "needs a folder"});
    auto put_file_in_the_way = [](const Imported& run) {
        fs::create_directories(run.target / "assets");
        std::ofstream(run.target / "assets" / "clash") << "a file";
    };
    Imported run;
    blocker = block_item(run, items, 60);
    put_file_in_the_way(run);
    EXPECT_FALSE(run.import(items));
    EXPECT_EQ(last_error, "cannot write " + blocker.u8string());
    expect_written_up_to(run, items, 60);

    // Without the blocker the folder is the first failure.
    Imported clash;
    put_file_in_the_way(clash);
    EXPECT_FALSE(clash.import(items));
    EXPECT_EQ(last_error, "cannot create the folder " +
                              (clash.target / "assets" / "clash").make_preferred().u8string());
    EXPECT_TRUE(clash.has(items[100]));
}

// As the window's Cancel does it: raised from another thread while the
// workers write, or before the import has begun. What is on disk then is
// whole files only, never the library; the caller removes the folder.
TEST(ImportOrder, CancelStopsTheWorkersAndWritesNoLibrary)
{
    std::vector<ZipItem> items = many_assets(300);
    for (bool before_start : {false, true}) {
        SCOPED_TRACE(before_start);
        Imported run;
        std::atomic<bool> cancel{before_start};
        ImportOptions options;
        options.cancel = &cancel;
        options.progress = [&](uint64_t written, uint64_t total) {
            if (written > total / 10) {
                cancel = true;
            }
        };
        ImportOutcome outcome;
        EXPECT_FALSE(run.import(items, options, &outcome));
        EXPECT_EQ(outcome.fault, ImportFault::cancelled);
        EXPECT_EQ(last_error, "") << "a cancel is no error";
        std::vector<std::string> written = files_under(run.target);
        EXPECT_LT(written.size(), items.size() / 2);
        for (size_t i = 1; i < items.size(); ++i) {
            if (fs::is_regular_file(run.target / fs::u8path(items[i].name))) {
                EXPECT_TRUE(run.has(items[i])) << items[i].name;
            }
        }
        EXPECT_FALSE(fs::exists(run.target / "libGloamReef.so"));
        if (before_start) {
            EXPECT_TRUE(written.empty());
        }
    }
}
