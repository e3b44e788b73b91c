// The fuzz corpus (tests/fuzz/corpus) replayed through the import in both
// builds: the campaign runs on Linux, but the paths that matter are Windows
// paths, so the Windows build has to see the same inputs.
#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <string>

#include "apk/game_data_import.h"
#include "app/log.h"
#include "core/core_fixtures.h"

namespace fs = std::filesystem;

namespace {

bool starts_with(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool is_import_failure_text(const std::string& text, const std::string& apk)
{
    return text == "cannot open APK " + apk || text == apk + " is not a valid APK/zip file" ||
           text == "no 32-bit ARM libGloamReef.so found in " + apk + " - is this the Gloam Reef APK?" ||
           starts_with(text, "failed to extract ") || starts_with(text, "cannot write ") ||
           starts_with(text, "cannot create the folder ") || starts_with(text, "the entry ") ||
           starts_with(text, "the entries ");
}

}  // namespace

TEST(FuzzCorpus, EveryInputImportsOrFailsWithATextInsideTheTarget)
{
    size_t inputs = 0;
    for (const auto& item : fs::directory_iterator(fs::u8path(GLOAMREEF_FUZZ_CORPUS_DIR))) {
        std::string apk = item.path().u8string();
        SCOPED_TRACE(apk);
        ++inputs;
        ScratchFolder scratch;
        fs::path target = scratch.path() / "gamedata";
        last_error.clear();
        bool imported = false;
        try {
            imported = import_game_data(apk, target.u8string(), with_workers());
        } catch (const std::exception& error) {
            ADD_FAILURE() << "raised " << error.what();
        }
        if (!imported) {
            EXPECT_TRUE(is_import_failure_text(last_error, apk)) << last_error;
        }
        for (const auto& entry : fs::directory_iterator(scratch.path())) {
            EXPECT_EQ(entry.path(), target) << "written beside the target";
        }
    }
    EXPECT_GT(inputs, 20u);
}
