// The extended-length form of paths and back.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/long_path.h"

TEST(LongPath, ExtendedAndNormalFormsOfEveryKindOfPath)
{
    struct Case {
        const wchar_t* normal;
        const wchar_t* extended;
        const wchar_t* back;  // normal_path(extended)
    };
    const Case cases[] = {
        {L"C:\\Games\\Reef", L"\\\\?\\C:\\Games\\Reef", L"C:\\Games\\Reef"},
        {L"C:\\Games\\Reef\\\\", L"\\\\?\\C:\\Games\\Reef", L"C:\\Games\\Reef"},
        {L"c:/Games/Reef/", L"\\\\?\\c:\\Games\\Reef", L"c:\\Games\\Reef"},
        {L"D:\\", L"\\\\?\\D:\\", L"D:\\"},
        {L"\\\\nas\\games\\Reef\\", L"\\\\?\\UNC\\nas\\games\\Reef", L"\\\\nas\\games\\Reef"},
        {L"\\\\nas\\games\\", L"\\\\?\\UNC\\nas\\games", L"\\\\nas\\games"},
        {L"\\\\?\\C:\\Games\\", L"\\\\?\\C:\\Games", L"C:\\Games"},
        {L"\\\\?\\C:\\", L"\\\\?\\C:\\", L"C:\\"},
        {L"\\\\?\\UNC\\nas\\games\\Reef", L"\\\\?\\UNC\\nas\\games\\Reef", L"\\\\nas\\games\\Reef"},
        // Neither absolute nor a file path: left as they are.
        {L"Reef\\gamedata", L"Reef\\gamedata", L"Reef\\gamedata"},
        {L"C:Reef", L"C:Reef", L"C:Reef"},
        {L"\\\\.\\COM1", L"\\\\.\\COM1", L"\\\\.\\COM1"},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.normal, c.normal + std::wcslen(c.normal)));
        std::wstring extended = extended_path(c.normal);
        EXPECT_EQ(extended, c.extended);
        EXPECT_EQ(normal_path(extended), c.back);
        EXPECT_EQ(extended_path(extended), extended);
        std::string narrow(extended.begin(), extended.end());
        EXPECT_EQ(normal_path(narrow), std::string(c.back, c.back + std::wcslen(c.back)));
    }
}

TEST(LongPath, ParentStopsAtTheRoot)
{
    EXPECT_EQ(extended_parent(L"\\\\?\\C:\\Games\\Reef"), L"\\\\?\\C:\\Games");
    EXPECT_EQ(extended_parent(L"\\\\?\\C:\\Games\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(extended_parent(L"\\\\?\\C:\\"), L"");
    EXPECT_EQ(extended_parent(L"\\\\?\\UNC\\nas\\games\\Reef"), L"\\\\?\\UNC\\nas\\games");
    EXPECT_EQ(extended_parent(L"\\\\?\\UNC\\nas\\games"), L"");
    EXPECT_EQ(extended_parent(L"C:\\Games"), L"");
}
