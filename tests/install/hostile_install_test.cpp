// Hostile archives (tests/fixtures/make_hostile.py) given to the install
// pipeline over an existing installation: the outcome is a clean install or
// the import's failure text, and nothing outside the game data changes.
#include "install_fixture.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct HostileApk {
    std::string file;
    std::string result;
    std::string detail;  // what a refusal's text names
};

std::string from_hex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::vector<HostileApk> hostile_apks()
{
    std::vector<HostileApk> apks;
    std::ifstream manifest(GLOAMREEF_FIXTURE_DIR + std::string("/hostile/manifest.txt"));
    std::string line;
    while (std::getline(manifest, line)) {
        std::stringstream split(line);
        std::string kind, file, result, detail;
        if (std::getline(split, kind, '\t') && kind == "case" && std::getline(split, file, '\t') &&
            std::getline(split, result, '\t')) {
            std::getline(split, detail, '\t');
            apks.push_back({file, result, from_hex(detail)});
        }
    }
    return apks;
}

bool starts_with(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::wstring& text, const std::wstring& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The files of a tree except those below skipped (a relative folder name).
std::map<std::wstring, std::string> tree_without(std::map<std::wstring, std::string> files,
                                                 const std::wstring& skipped)
{
    for (auto it = files.begin(); it != files.end();) {
        it = starts_with(it->first, skipped + L"\\") ? files.erase(it) : std::next(it);
    }
    return files;
}

} // namespace

TEST_F(InstallTest, HostileApksInstallCleanlyOrFailWithTheImportText)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    // What the game and the user add: saves and a texture pack.
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\userdata").c_str(), nullptr));
    ASSERT_TRUE(write_file(folder + L"\\userdata\\slot1.sav", "saved game"));
    ASSERT_TRUE(write_file(folder + L"\\mods\\textures\\reef.png", "texture pack"));
    const auto installed = read_tree(temp);
    const std::wstring game_data = L"Reef\\gamedata";
    const std::wstring head = L"The game data could not be imported from that file.\n\n";
    const std::wstring tail =
        L"\n\nIt has to be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).";

    std::vector<HostileApk> apks = hostile_apks();
    ASSERT_GT(apks.size(), 30u);
    for (const HostileApk& apk : apks) {
        SCOPED_TRACE(apk.file);
        std::wstring path = fixture(("hostile\\" + apk.file).c_str());
        std::wstring outcome = install(folder, path);
        if (outcome.empty()) {
            EXPECT_TRUE(apk.result == "ok" || apk.result == "any");
            // Only the game data changed, and it holds the library.
            EXPECT_EQ(tree_difference(tree_without(read_tree(temp), game_data),
                                      tree_without(installed, game_data)),
                      "");
            EXPECT_TRUE(path_exists(folder + L"\\gamedata\\libGloamReef.so"));
            EXPECT_FALSE(path_exists(folder + L"\\gamedata\\hostile-escape"));
            // Back to the installation the next case starts from.
            ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
        } else {
            EXPECT_NE(apk.result, "ok");
            EXPECT_TRUE(starts_with(outcome, head) && ends_with(outcome, tail)) << wide_to_utf8(outcome);
            std::wstring reason = outcome.substr(head.size(), outcome.size() - head.size() - tail.size());
            if (apk.result == "not_valid") {
                EXPECT_EQ(reason, path + L" is not a valid APK/zip file");
            } else if (apk.result == "extract") {
                EXPECT_TRUE(starts_with(reason, L"failed to extract assets/")) << wide_to_utf8(reason);
            } else if (apk.result == "refused") {
                EXPECT_NE(reason.find(utf8_to_wide(apk.detail)), std::wstring::npos)
                    << wide_to_utf8(reason);
            } else {
                EXPECT_TRUE(starts_with(reason, L"cannot write ") ||
                            starts_with(reason, L"cannot create the folder "))
                    << wide_to_utf8(reason);
            }
            // A rejected APK leaves the installation exactly as it was.
            EXPECT_EQ(tree_difference(read_tree(temp), installed), "");
        }
    }
}

TEST_F(InstallTest, SilentModeExitCodeFollowsTheImport)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    const auto installed_data = read_tree(folder + L"\\gamedata");
    auto silent = [this](const char* apk) {
        return run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                                    quote(fixture(apk)));
    };
    for (const char* rejected : {"hostile\\overlap_same_record.apk", "hostile\\cut_0030.apk",
                                 "hostile\\file_then_folder.apk", "hostile\\huge_stored.apk"}) {
        SCOPED_TRACE(rejected);
        EXPECT_EQ(silent(rejected), 1u);
        EXPECT_EQ(tree_difference(read_tree(folder + L"\\gamedata"), installed_data), "");
        EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    }
    EXPECT_EQ(silent("hostile\\names_escape.apk"), 0u);
    auto escaped = read_tree(folder + L"\\gamedata");
    EXPECT_EQ(escaped.size(), 3u);
    EXPECT_EQ(escaped[L"assets\\keep.txt"], "an asset that belongs here\n");
}

TEST_F(InstallTest, ApkPathThatIsNoFileFailsTheImport)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    const auto installed = read_tree(temp);
    for (const std::wstring& path : {temp, folder + L"\\gamedata", std::wstring(L"NUL")}) {
        SCOPED_TRACE(wide_to_utf8(path));
        std::wstring outcome = install(folder, path);
        EXPECT_TRUE(outcome == import_failure(L"cannot open APK " + path) ||
                    outcome == import_failure(path + L" is not a valid APK/zip file"))
            << wide_to_utf8(outcome);
        EXPECT_EQ(tree_difference(read_tree(temp), installed), "");
    }
}
