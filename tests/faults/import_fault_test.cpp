// The import when the machine misbehaves: a full disk, a read-only folder,
// an APK that shrinks or changes while it is read. Host build only: the
// small disks are tmpfs mounts, which need root; without it they skip.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "apk/apk_archive.h"
#include "apk/game_data_import.h"
#include "app/log.h"
#include "core/core_fixtures.h"

namespace fs = std::filesystem;

// Every close() of this binary goes through here (linked with
// --wrap=close): a file whose path ends in failing_close is closed but
// reported as failed, as a network share's late write error is.
std::string failing_close;

extern "C" int __real_close(int fd);
extern "C" int __wrap_close(int fd)
{
    if (!failing_close.empty()) {
        char path[4096];
        ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path,
                                  sizeof path);
        size_t size = length > 0 ? static_cast<size_t>(length) : 0;
        if (size >= failing_close.size() &&
            std::string(path + size - failing_close.size(), path + size) == failing_close) {
            __real_close(fd);
            errno = EIO;
            return -1;
        }
    }
    return __real_close(fd);
}

namespace {

bool starts_with(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A tmpfs of the given size mounted on a folder of the scratch folder for the
// test's lifetime.
class SmallDisk {
public:
    SmallDisk(const fs::path& where, const std::string& options) : path_(where)
    {
        fs::create_directories(path_);
        mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
        reason_ = mounted_ ? "" : std::strerror(errno);
    }
    ~SmallDisk()
    {
        if (mounted_) {
            umount2(path_.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    bool make_read_only()
    {
        return mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path path_;
    bool mounted_ = false;
    std::string reason_;
};

bool run_import(const std::string& apk, const fs::path& target, std::string& raised,
                ImportOutcome* outcome = nullptr)
{
    last_error.clear();
    try {
        return import_game_data(apk, target.u8string(), with_workers(), outcome);
    } catch (const std::exception& error) {
        raised = error.what();
    }
    return false;
}

}  // namespace

TEST(ImportFaults, FullDiskFailsWithTheFileAndLeavesNoHalfFile)
{
    ScratchFolder scratch;
    SmallDisk disk(scratch.path() / "disk", "size=2m");
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.reason();
    }
    fs::path target = scratch.path() / "disk" / "gamedata.new";
    std::string raised;
    ImportOutcome outcome;
    EXPECT_FALSE(run_import(fixture("hostile/three_megabytes.apk"), target, raised, &outcome));
    EXPECT_EQ(raised, "");
    EXPECT_EQ(outcome.fault, ImportFault::output);
    EXPECT_EQ(outcome.os_error, ENOSPC);
    // Serially the small asset comes first and fits; in a pool any may fail.
    std::string failing = serial_import() ? "/assets/noise" : "/assets/";
    ASSERT_TRUE(starts_with(last_error, "cannot write " + target.u8string() + failing))
        << last_error;
    // The file that did not fit is gone; only complete assets stay.
    std::string failed = last_error.substr(std::string("cannot write ").size());
    EXPECT_FALSE(fs::exists(failed));
    for (const std::string& name : files_under(target)) {
        if (starts_with(name, "assets/noise")) {
            EXPECT_EQ(fs::file_size(target / name), 1u << 20) << name;
        }
    }
}

TEST(ImportFaults, ReadOnlyFolderFailsWithoutRaising)
{
    ScratchFolder scratch;
    SmallDisk disk(scratch.path() / "disk", "size=1m");
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs: " << disk.reason();
    }
    fs::create_directories(scratch.path() / "disk" / "Reef" / "gamedata");
    std::ofstream(scratch.path() / "disk" / "Reef" / "gamedata" / "libGloamReef.so") << "old";
    ASSERT_TRUE(disk.make_read_only());

    fs::path target = scratch.path() / "disk" / "Reef" / "gamedata.new";
    std::string raised;
    ImportOutcome outcome;
    EXPECT_FALSE(run_import(fixture("install_game.apk"), target, raised, &outcome));
    EXPECT_EQ(raised, "");
    EXPECT_EQ(last_error, "cannot create the folder " + target.u8string());
    EXPECT_EQ(outcome.fault, ImportFault::output);
    EXPECT_EQ(outcome.os_error, EROFS);

    // The APK's own faults stay the APK's, on a disk that takes nothing: also
    // a library that is checked while the assets are written.
    for (const char* apk : {"not_zip.bin", "import_class2.zip"}) {
        EXPECT_FALSE(run_import(fixture(apk), target, raised, &outcome)) << apk;
        EXPECT_EQ(outcome.fault, ImportFault::archive) << apk;
        EXPECT_EQ(outcome.os_error, 0) << apk;
    }
    EXPECT_EQ(read_all(scratch.path() / "disk" / "Reef" / "gamedata" / "libGloamReef.so"), "old");
}

// The archive's size is taken when it is opened; bytes that are gone or
// changed by the time an entry is read make that entry fail, never a read
// of stale or foreign memory.
TEST(ImportFaults, ApkCutOrRewrittenAfterOpeningFailsItsEntries)
{
    ScratchFolder scratch;
    fs::path apk = scratch.path() / "game.apk";
    fs::copy_file(fixture("hostile/three_megabytes.apk"), apk);

    ApkArchive cut;
    ASSERT_TRUE(cut.open(apk.u8string()));
    fs::resize_file(apk, fs::file_size(apk) / 2);
    std::vector<unsigned char> bytes;
    EXPECT_FALSE(cut.extract_entry(cut.entries().back(), bytes));
    EXPECT_TRUE(bytes.empty());

    fs::copy_file(fixture("hostile/three_megabytes.apk"), apk, fs::copy_options::overwrite_existing);
    ApkArchive rewritten;
    ASSERT_TRUE(rewritten.open(apk.u8string()));
    {
        // Same size, other content: every asset's bytes flipped in place.
        std::fstream file(apk, std::ios_base::in | std::ios_base::out | std::ios_base::binary);
        for (const ApkEntry& entry : rewritten.entries()) {
            if (entry.compressed_size > 1000) {
                file.seekp(entry.local_header_offset + 30 + entry.name.size() + 100);
                file.put('\x5a');
            }
        }
    }
    int flipped = 0;
    for (const ApkEntry& entry : rewritten.entries()) {
        if (entry.compressed_size > 1000) {
            ++flipped;
            EXPECT_FALSE(rewritten.extract_entry(entry, bytes)) << entry.name;
        } else {
            EXPECT_TRUE(rewritten.extract_entry(entry, bytes)) << entry.name;
        }
    }
    EXPECT_EQ(flipped, 3);
}

TEST(ImportFaults, ApkTruncatedDuringTheImportFailsCleanly)
{
    ScratchFolder scratch;
    fs::path apk = scratch.path() / "game.apk";
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        fs::copy_file(fixture("hostile/slow_import.apk"), apk, fs::copy_options::overwrite_existing);
        fs::path target = scratch.path() / ("gamedata" + std::to_string(round));
        std::atomic<bool> started{false};
        std::thread cutter([&] {
            while (!started) {
                std::this_thread::yield();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2 * round));
            fs::resize_file(apk, 1000 * round);
        });
        started = true;
        std::string raised;
        ImportOutcome outcome;
        bool imported = run_import(apk.u8string(), target, raised, &outcome);
        cutter.join();
        EXPECT_EQ(raised, "");
        if (!imported) {
            EXPECT_EQ(outcome.fault, ImportFault::archive);
            EXPECT_TRUE(last_error == apk.u8string() + " is not a valid APK/zip file" ||
                        starts_with(last_error, "failed to extract assets/") ||
                        starts_with(last_error, "no 32-bit ARM libGloamReef.so"))
                << last_error;
        } else {
            EXPECT_EQ(files_under(target).size(), 203u);
        }
    }
}

// A close that fails, on the closing threads (an asset) or on the import's own
// (the library, written last): the import fails with the folder's cause and
// that file is gone; the assets before it are whole and no library is left.
TEST(ImportFaults, FailedCloseFailsTheImportWithItsCode)
{
    for (const std::string failing : {"assets/levels/reef_01.dat", "libGloamReef.so"}) {
        SCOPED_TRACE(failing);
        ScratchFolder scratch;
        fs::path target = scratch.path() / "gamedata";
        std::string raised;
        ImportOutcome outcome;
        failing_close = failing;
        EXPECT_FALSE(run_import(fixture("install_game.apk"), target, raised, &outcome));
        failing_close.clear();
        EXPECT_EQ(raised, "");
        EXPECT_EQ(outcome.fault, ImportFault::output);
        EXPECT_EQ(outcome.os_error, EIO);
        fs::path failed = (target / fs::u8path(failing)).make_preferred();
        EXPECT_EQ(last_error, "cannot write " + failed.u8string());
        EXPECT_FALSE(fs::exists(failed));
        EXPECT_EQ(read_all(target / "assets" / "config.txt"), "version one\n");
        EXPECT_FALSE(fs::exists(target / "libGloamReef.so"));
    }
}
