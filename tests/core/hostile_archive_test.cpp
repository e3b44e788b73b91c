// Archives made to attack the reader and the import (tests/fixtures/
// make_hostile.py): each one either imports cleanly or fails with one of the
// import's own texts, never raises, and never writes outside the target.
#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "apk/game_data_import.h"
#include "app/log.h"
#include "core/core_fixtures.h"

namespace fs = std::filesystem;

namespace {

struct HostileCase {
    std::string file;
    std::string result;
    std::string detail;                         // entry name of "extract" and "refused"
    std::map<std::string, std::string> files;   // name -> content ("" = any)
};

std::string from_hex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::vector<HostileCase> hostile_cases()
{
    std::vector<HostileCase> cases;
    std::ifstream manifest(fixture("hostile/manifest.txt"));
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t')) {
            fields.push_back(field);
        }
        if (fields.size() >= 3 && fields[0] == "case") {
            cases.push_back({fields[1], fields[2], fields.size() > 3 ? from_hex(fields[3]) : "", {}});
        } else if (fields.size() >= 2 && fields[0] == "file" && !cases.empty()) {
            cases.back().files[fields[1]] = fields.size() > 2 ? from_hex(fields[2]) : "";
        }
    }
    return cases;
}

// Every file below root with its content, by "/"-separated relative path.
std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : files_under(root)) {
        files[name] = read_all(root / fs::u8path(name));
    }
    return files;
}

bool starts_with(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The target lies a few folders down in a scratch folder that also holds an
// earlier game data folder, so a name that climbs out lands somewhere the
// snapshot sees.
struct HostileRun {
    ScratchFolder scratch;
    fs::path install = scratch.path() / "one" / "two" / "three" / "Reef";
    fs::path target = install / "gamedata.new";

    HostileRun()
    {
        fs::create_directories(install / "gamedata" / "assets");
        std::ofstream(install / "gamedata" / "libGloamReef.so") << "installed library";
        std::ofstream(install / "gamedata" / "assets" / "keep.txt") << "installed asset";
        std::ofstream(install / "gloamreef.exe") << "installed program";
    }

    // Runs the import; an exception is a failure of the test, not a result.
    bool import(const std::string& apk, std::string& raised, ImportOutcome* outcome = nullptr)
    {
        last_error.clear();
        try {
            return import_game_data(apk, target.u8string(), with_workers(), outcome);
        } catch (const std::exception& error) {
            raised = error.what();
        } catch (...) {
            raised = "unknown exception";
        }
        return false;
    }

    // Everything in the scratch folder except the target, which is not
    // entered: its paths may be longer than the platform lists reliably.
    std::map<std::string, std::string> outside_target() const
    {
        std::map<std::string, std::string> files;
        std::error_code error;
        auto it = fs::recursive_directory_iterator(scratch.path(), error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->path() == target) {
                it.disable_recursion_pending();
            } else if (it->is_regular_file()) {
                files[fs::relative(it->path(), scratch.path()).generic_u8string()] =
                    read_all(it->path());
            }
        }
        EXPECT_FALSE(error) << error.message();
        return files;
    }
};

// The names that climb out all aim at "hostile-escape": it must not appear
// beside the install folder, above it or at the root.
void expect_no_escape(const HostileRun& run)
{
    std::error_code error;
    EXPECT_FALSE(fs::exists(fs::path("/hostile-escape"), error));
    for (const auto& file : run.outside_target()) {
        EXPECT_EQ(file.first.find("hostile-escape"), std::string::npos) << file.first;
    }
}

}  // namespace

TEST(HostileArchive, ImportsCleanlyOrFailsWithItsOwnTextAndStaysInTheTarget)
{
    std::vector<HostileCase> cases = hostile_cases();
    ASSERT_GT(cases.size(), 30u) << "manifest missing or short";
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.file);
        HostileRun run;
        auto before = run.outside_target();
        std::string apk = fixture("hostile/" + c.file);
        std::string raised;
        ImportOutcome outcome;
        bool imported = run.import(apk, raised, &outcome);

        EXPECT_EQ(raised, "");
        // Whatever the archive holds, a failure it causes is its own.
        if (c.result != "any") {
            EXPECT_EQ(outcome.fault, imported ? ImportFault::none : ImportFault::archive);
        }
        EXPECT_EQ(run.outside_target(), before) << "a write outside the target";
        expect_no_escape(run);

        if (c.result == "ok") {
            ASSERT_TRUE(imported) << last_error;
            auto written = snapshot(run.target);
            std::vector<std::string> names, expected_names;
            for (const auto& file : written) {
                names.push_back(file.first);
            }
            for (const auto& file : c.files) {
                expected_names.push_back(file.first);
                if (!file.second.empty() && written.count(file.first)) {
                    EXPECT_EQ(written[file.first], file.second) << file.first;
                }
            }
            EXPECT_EQ(names, expected_names);
        } else if (c.result == "not_valid") {
            EXPECT_FALSE(imported);
            EXPECT_EQ(last_error, apk + " is not a valid APK/zip file");
        } else if (c.result == "extract") {
            EXPECT_FALSE(imported);
            EXPECT_EQ(last_error, "failed to extract " + c.detail);
        } else if (c.result == "refused") {
            EXPECT_FALSE(imported);
            EXPECT_TRUE(starts_with(last_error, "the entr")) << last_error;
            EXPECT_NE(last_error.find(c.detail), std::string::npos) << last_error;
            EXPECT_FALSE(fs::exists(run.target)) << "written before the names were checked";
        } else {
            ASSERT_EQ(c.result, "any");
            EXPECT_TRUE(imported || starts_with(last_error, "cannot write ") ||
                        starts_with(last_error, "cannot create the folder "))
                << last_error;
        }
    }
}

TEST(HostileArchive, ArchiveCutAtAnyByteIsNotValid)
{
    std::string whole = read_all(fixture("hostile/complete.apk"));
    ASSERT_GT(whole.size(), 200u);
    HostileRun run;
    fs::path apk = run.scratch.path() / "cut.apk";
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        std::ofstream(apk, std::ios_base::binary | std::ios_base::trunc) << whole.substr(0, cut);
        std::string raised;
        EXPECT_FALSE(run.import(apk.u8string(), raised)) << cut;
        EXPECT_EQ(raised, "");
        EXPECT_EQ(last_error, apk.u8string() + " is not a valid APK/zip file") << cut;
    }
    EXPECT_FALSE(fs::exists(run.target));
    std::string raised;
    std::ofstream(apk, std::ios_base::binary | std::ios_base::trunc) << whole;
    EXPECT_TRUE(run.import(apk.u8string(), raised)) << "the uncut archive imports";
}
