// UTF-16 <-> UTF-8 conversions and known-folder lookup.
#include <gtest/gtest.h>

#include "app/text.h"

TEST(Text, EmptyStringsStayEmpty)
{
    EXPECT_EQ(wide_to_utf8(L""), "");
    EXPECT_EQ(utf8_to_wide(""), L"");
}

TEST(Text, ConvertsToExactUtf8Bytes)
{
    // U+00E9, U+4E2D and U+1F600 (a surrogate pair in UTF-16).
    std::wstring wide = L"a\u00e9\u4e2d\xD83D\xDE00";
    EXPECT_EQ(wide_to_utf8(wide), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_to_wide("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"), wide);
}

TEST(Text, RoundTripsEveryPlane)
{
    std::wstring wide = L"C:\\Users\\J\u00fcrgen\\\u30b2\u30fc\u30e0 \xD800\xDC00\xDBFF\xDFFF";
    wide.push_back(L'\0'); // an embedded null is kept: lengths are explicit
    wide += L"tail";
    EXPECT_EQ(utf8_to_wide(wide_to_utf8(wide)), wide);
}

TEST(Text, KnownFolderOfUnknownIdIsEmpty)
{
    const KNOWNFOLDERID unknown = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(known_folder_path(unknown), L"");
}

TEST(Text, KnownFolderFindsLocalAppData)
{
    std::wstring folder = known_folder_path(FOLDERID_LocalAppData);
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}
