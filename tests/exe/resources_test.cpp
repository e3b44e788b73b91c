// The built setup program, read as a file and loaded as data: its manifest,
// version block, embedded game program and PE header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "support/test_support.h"
#include "test_paths.h"

namespace {

const WORD english_us = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class SetupResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExW(GLOAMREEF_SETUP_EXE, nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }

    std::string resource(const wchar_t* type, const wchar_t* name)
    {
        HRSRC found = FindResourceExW(module, type, name, english_us);
        if (found == nullptr) {
            return {};
        }
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(data, SizeofResource(module, found));
    }

    HMODULE module = nullptr;
};

// One node of a version block: length, value length, type, key, value, children.
struct VersionNode {
    std::wstring key;
    std::wstring text_value;
    std::string value;
    std::vector<VersionNode> children;
};

size_t align4(size_t offset)
{
    return (offset + 3) & ~size_t{3};
}

VersionNode parse_version_node(const std::string& data, size_t offset)
{
    VersionNode node;
    WORD length, value_length, type;
    std::memcpy(&length, data.data() + offset, 2);
    std::memcpy(&value_length, data.data() + offset + 2, 2);
    std::memcpy(&type, data.data() + offset + 4, 2);
    size_t end = offset + length;
    size_t position = offset + 6;
    while (position + 1 < end) {
        wchar_t c;
        std::memcpy(&c, data.data() + position, 2);
        position += 2;
        if (c == 0) {
            break;
        }
        node.key += c;
    }
    position = align4(position);
    size_t value_bytes = type == 1 ? value_length * 2u : value_length;
    node.value = data.substr(position, value_bytes);
    if (type == 1) {
        for (size_t i = 0; i + 1 < node.value.size(); i += 2) {
            wchar_t c;
            std::memcpy(&c, node.value.data() + i, 2);
            if (c == 0) {
                break;
            }
            node.text_value += c;
        }
    }
    position = align4(position + value_bytes);
    while (position + 6 <= end) {
        WORD child_length;
        std::memcpy(&child_length, data.data() + position, 2);
        if (child_length == 0) {
            break;
        }
        node.children.push_back(parse_version_node(data, position));
        position = align4(position + child_length);
    }
    return node;
}

} // namespace

TEST_F(SetupResources, ManifestNamesIdentityControlsTrustAndDpiAwareness)
{
    std::string manifest = resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char* expected : {
             "manifestVersion=\"1.0\"",
             "<assemblyIdentity type=\"win32\" name=\"GloamReefMobilePCPort.Setup\" "
             "version=\"1.0.0.0\"/>",
             "<description>Gloam Reef Voduze PC Viru - Setup</description>",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"",
             "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
             ">true</dpiAware>",
             ">PerMonitorV2, PerMonitor, System</dpiAwareness>",
             // Paths past 260 characters without the system-wide setting.
             "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
             "true</longPathAware>",
         }) {
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
    }
}

TEST_F(SetupResources, VersionBlockHoldsTheStringsInOrder)
{
    std::string block = resource(RT_VERSION, MAKEINTRESOURCEW(1));
    ASSERT_GT(block.size(), 92u);
    VersionNode root = parse_version_node(block, 0);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");

    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0u);
    EXPECT_EQ(fixed.dwFileType, 0u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, L"040904b0");
    std::vector<std::pair<std::wstring, std::wstring>> table;
    for (const VersionNode& entry : strings.children[0].children) {
        table.emplace_back(entry.key, entry.text_value);
    }
    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"FileDescription", L"Gloam Reef Voduze PC Viru - Setup"},
        {L"ProductName", L"Gloam Reef Voduze PC Viru"},
        {L"FileVersion", L"1.0.0"},
        {L"ProductVersion", L"1.0.0"},
        {L"Comments", L"Fan project. Contains no game data: the user supplies their own APK."},
    };
    EXPECT_EQ(table, expected);

    const VersionNode& variables = root.children[1];
    EXPECT_EQ(variables.key, L"VarFileInfo");
    ASSERT_EQ(variables.children.size(), 1u);
    EXPECT_EQ(variables.children[0].key, L"Translation");
    EXPECT_EQ(variables.children[0].value, std::string("\x09\x04\xB0\x04", 4));
}

TEST_F(SetupResources, PayloadIsTheGameProgramByteForByte)
{
    std::string payload = resource(RT_RCDATA, L"PAYLOAD_EXE");
    std::string game = read_file(GLOAMREEF_STANDIN_EXE);
    ASSERT_FALSE(game.empty());
    EXPECT_TRUE(payload == game) << "payload " << payload.size() << " bytes, game " << game.size();
}

TEST_F(SetupResources, HasNoIcons)
{
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    bool any_icon = false;
    EnumResourceNamesW(
        module, RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR found) -> BOOL {
            *reinterpret_cast<bool*>(found) = true;
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&any_icon));
    EXPECT_FALSE(any_icon);
}

namespace {

template <typename T> T read_at(const std::string& image, size_t offset)
{
    T value{};
    if (offset + sizeof(T) <= image.size()) {
        std::memcpy(&value, image.data() + offset, sizeof(T));
    }
    return value;
}

struct PeImage {
    std::string bytes;
    IMAGE_NT_HEADERS64 headers{};
    std::vector<IMAGE_SECTION_HEADER> sections;

    size_t file_offset(DWORD rva) const
    {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + std::max(section.Misc.VirtualSize,
                                                        section.SizeOfRawData)) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        return std::string::npos;
    }
};

PeImage load_pe(const std::wstring& path)
{
    PeImage image;
    image.bytes = read_file(path);
    LONG header_offset = read_at<IMAGE_DOS_HEADER>(image.bytes, 0).e_lfanew;
    image.headers = read_at<IMAGE_NT_HEADERS64>(image.bytes, header_offset);
    size_t section_offset = header_offset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            image.headers.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < image.headers.FileHeader.NumberOfSections; ++i) {
        image.sections.push_back(read_at<IMAGE_SECTION_HEADER>(
            image.bytes, section_offset + i * sizeof(IMAGE_SECTION_HEADER)));
    }
    return image;
}

} // namespace

TEST(SetupExecutable, IsX64GuiWithAslrAndNx)
{
    PeImage image = load_pe(GLOAMREEF_SETUP_EXE);
    ASSERT_EQ(read_at<DWORD>(image.bytes, read_at<IMAGE_DOS_HEADER>(image.bytes, 0).e_lfanew),
              IMAGE_NT_SIGNATURE);
    EXPECT_EQ(image.headers.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(image.headers.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(image.headers.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    WORD flags = image.headers.OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    // ASLR needs the relocations to stay in the file.
    EXPECT_FALSE(image.headers.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
}

TEST(SetupExecutable, ImportsOnlySystemDlls)
{
    PeImage image = load_pe(GLOAMREEF_SETUP_EXE);
    const IMAGE_DATA_DIRECTORY& directory =
        image.headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = image.file_offset(directory.VirtualAddress);
    ASSERT_NE(offset, std::string::npos);

    const std::set<std::string> system_dlls = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                               "comctl32.dll", "comdlg32.dll", "shell32.dll",
                                               "ole32.dll",    "advapi32.dll", "msvcrt.dll"};
    std::set<std::string> imported;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = read_at<IMAGE_IMPORT_DESCRIPTOR>(image.bytes, offset);
        if (descriptor.Name == 0) {
            break;
        }
        size_t name_offset = image.file_offset(descriptor.Name);
        ASSERT_NE(name_offset, std::string::npos);
        std::string name = image.bytes.c_str() + name_offset;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        imported.insert(name);
    }
    EXPECT_TRUE(imported.count("kernel32.dll"));
    for (const std::string& name : imported) {
        EXPECT_TRUE(system_dlls.count(name)) << name << " is not a system DLL";
    }
    EXPECT_EQ(image.headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size,
              0u);
}
