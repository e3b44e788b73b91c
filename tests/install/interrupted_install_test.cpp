// A silent install killed in the middle of its import, then run again: the
// installed game data survives the kill and the next run is not disturbed by
// what the killed one left.
#include "install_fixture.h"

#include "support/gui_driver.h"

TEST_F(InstallTest, InstallKilledDuringTheImportCanBeRunAgain)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    const auto installed_data = read_tree(folder + L"\\gamedata");
    const std::wstring staging = folder + L"\\gamedata.new";

    // 200 MB of zeros from 300 KB of APK: the import is still writing when
    // the staging folder has its first asset.
    RunningProgram setup =
        start_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                               quote(fixture("hostile\\slow_import.apk")));
    ASSERT_NE(setup.process, nullptr);
    bool caught = false;
    for (int wait = 0; wait < 2000 && !program_ended(setup); ++wait) {
        if (path_exists(staging + L"\\assets\\bulk\\zeros002.bin")) {
            caught = TerminateProcess(setup.process, 9);
            break;
        }
        Sleep(5);
    }
    finish_program(setup);
    ASSERT_TRUE(caught) << "the import ended before it could be interrupted";
    EXPECT_TRUE(is_folder(staging)) << "the kill left its staging folder";
    EXPECT_EQ(tree_difference(read_tree(folder + L"\\gamedata"), installed_data), "");

    EXPECT_EQ(run_program(GLOAMREEF_SETUP_EXE, L"/silent " + quote(folder) + L" " +
                                                   quote(fixture("install_game_v2.apk"))),
              0u);
    EXPECT_EQ(game_data_difference("install_game_v2"), "");
    EXPECT_FALSE(path_exists(staging));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.old"));
}
