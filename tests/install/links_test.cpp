// Links in an installation (saves or game data moved to another drive) are
// removed as links at most: their targets are never touched.
#include "install_fixture.h"

#include "app/system_message.h"
#include "install/remove_tree.h"

class LinkTest : public InstallTest {
protected:
    void SetUp() override
    {
        InstallTest::SetUp();
        outside = temp + L"\\outside";
        ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
        ASSERT_TRUE(write_file(outside + L"\\libGloamReef.so", "the user's own library"));
        ASSERT_TRUE(write_file(outside + L"\\keep.txt", "must survive"));
        outside_before = read_tree(outside);
    }

    // Makes link (in a fresh install folder) a link to outside, installs, and
    // expects outside untouched; error is the install's. Call it through
    // ASSERT_NO_FATAL_FAILURE: without the link the test means nothing.
    void install_over_link(const std::wstring& link, std::wstring& error)
    {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(make_folder_link(link, outside));
        error = install(folder, fixture("install_game.apk"));
        EXPECT_EQ(tree_difference(read_tree(outside), outside_before), "");
    }

    std::wstring outside;
    std::map<std::wstring, std::string> outside_before;
};

TEST_F(LinkTest, TreeRemovalLeavesLinkTargetsAlone)
{
    std::wstring tree = temp + L"\\tree";
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(write_file(tree + L"\\a.bin", "a"));
    ASSERT_TRUE(make_folder_link(tree + L"\\linked", outside));

    remove_tree(tree);
    EXPECT_EQ(tree_difference(read_tree(outside), outside_before), "");
    EXPECT_FALSE(path_exists(tree + L"\\a.bin"));

    ASSERT_TRUE(make_folder_link(temp + L"\\whole", outside));
    remove_tree(temp + L"\\whole");
    EXPECT_EQ(tree_difference(read_tree(outside), outside_before), "");
}

TEST_F(LinkTest, ReimportOverALinkInsideGameData)
{
    ASSERT_EQ(install(folder, fixture("install_game.apk")), L"");
    ASSERT_TRUE(make_folder_link(folder + L"\\gamedata\\moved", outside));

    EXPECT_EQ(install(folder, fixture("install_game_v2.apk")), L"");
    EXPECT_EQ(tree_difference(read_tree(outside), outside_before), "");
    EXPECT_EQ(game_data_difference("install_game_v2"), "");
    // Where the link cannot be deleted (Wine), the set-aside data stays behind
    // and must not block the next install.
    EXPECT_EQ(install(folder, fixture("install_game.apk")), L"");
    EXPECT_EQ(game_data_difference("install_game"), "");
    EXPECT_EQ(tree_difference(read_tree(outside), outside_before), "");
}

TEST_F(LinkTest, GameDataThatIsALinkIsNeverImportedThrough)
{
    std::wstring game_data = folder + L"\\gamedata";
    std::wstring error;
    ASSERT_NO_FATAL_FAILURE(install_over_link(game_data, error));
    EXPECT_FALSE(path_exists(folder + L"\\gamedata.new"));
    DWORD attributes = GetFileAttributesW(game_data.c_str());
    if (error.empty()) {
        // Windows: the link is gone and a real folder with the new data is there.
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
        EXPECT_EQ(game_data_difference("install_game"), "");
    } else {
        // Wine cannot delete a Unix link: the install stops and leaves it as it was.
        EXPECT_EQ(error, write_failure(system_message(ERROR_DIR_NOT_EMPTY)));
        EXPECT_NE(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    }
}

TEST_F(LinkTest, StagingFolderThatIsALinkIsNeverImportedThrough)
{
    std::wstring staging = folder + L"\\gamedata.new";
    std::wstring error;
    ASSERT_NO_FATAL_FAILURE(install_over_link(staging, error));
    if (error.empty()) {
        EXPECT_EQ(game_data_difference("install_game"), "");
    } else {
        EXPECT_EQ(error, write_failure(system_message(ERROR_DIR_NOT_EMPTY)));
        EXPECT_FALSE(path_exists(folder + L"\\gamedata"));
    }
}

TEST(LinkEntry, OnlyNameSurrogatesAndUnknownTagsAreLinks)
{
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const DWORD file = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;
    const struct { DWORD attributes; DWORD tag; bool link; } cases[] = {
        {folder, 0xA000000C, true},   // symbolic link
        {folder, 0xA0000003, true},   // junction (mount point)
        {file, 0xA000001D, true},     // WSL symbolic link
        {folder, 0, true},            // no tag to read (Wine): the safe side
        {folder, 0x9000601A, false},  // OneDrive placeholder folder
        {file, 0x9000001A, false},    // cloud file
        {file, 0x80000013, false},    // deduplicated file
        {FILE_ATTRIBUTE_DIRECTORY, 0, false},
        {FILE_ATTRIBUTE_ARCHIVE, 0xA000000C, false},  // a stale tag without the attribute
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_link_entry(c.attributes, c.tag), c.link) << std::hex << c.tag;
    }
}
