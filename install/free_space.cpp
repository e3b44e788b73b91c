// The free-space check before an install writes anything.
#include "install/free_space.h"

#include <cstdint>
#include <vector>

#include "app/log.h"
#include "app/text.h"
#include "app/long_path.h"
#include "install/install_folder.h"
#include "install/layout.h"
#include "install/program_files.h"

namespace {

constexpr uint64_t margin_bytes = 16ull << 20;
constexpr uint64_t bytes_per_mb = 1000000;
// Used when the volume does not tell its cluster size.
constexpr uint64_t usual_cluster_bytes = 4096;

// The folder itself or its nearest parent that exists; empty when none does.
std::wstring nearest_existing_folder(std::wstring extended)
{
    while (!extended.empty()) {
        DWORD attributes = GetFileAttributesW(extended.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return extended;
        }
        extended = extended_parent(extended);
    }
    return {};
}

std::wstring volume_of(const std::wstring& folder)
{
    std::vector<wchar_t> volume(folder.size() + MAX_PATH);
    if (!GetVolumePathNameW(folder.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
        return folder;
    }
    return volume.data();
}

uint64_t cluster_size(const std::wstring& volume)
{
    DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceW(volume.c_str(), &sectors_per_cluster, &bytes_per_sector,
                           &free_clusters, &clusters) ||
        sectors_per_cluster == 0 || bytes_per_sector == 0) {
        return usual_cluster_bytes;
    }
    return uint64_t{sectors_per_cluster} * bytes_per_sector;
}

uint64_t file_size(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

} // namespace

std::wstring free_space_refusal(HMODULE payload_module, const InstallPaths& paths,
                                const ImportPlan* plan)
{
    std::wstring existing = nearest_existing_folder(paths.root);
    ULARGE_INTEGER available{};
    // The volume's name calls for the trailing backslash of a folder.
    if (existing.empty() ||
        !GetDiskFreeSpaceExW(join_path(existing, L"").c_str(), &available, nullptr, nullptr)) {
        DWORD error = GetLastError();
        log_message('I', "free space of %s cannot be read (error %lu): not checked",
                    wide_to_utf8(paths.folder).c_str(), error);
        return {};
    }
    std::wstring volume = normal_path(volume_of(existing));
    uint64_t cluster = cluster_size(volume);
    uint64_t program = find_game_program(payload_module).size;
    uint64_t uninstaller = file_size(extended_path(full_path(running_program_file())));
    uint64_t game_data = plan ? plan->bytes + plan->files * cluster : 0;
    uint64_t need = program + uninstaller + 2 * cluster + game_data + margin_bytes;
    uint64_t free_bytes = available.QuadPart;
    log_message('I',
                "free space on %s: %llu bytes; needed: %llu bytes (game data %llu bytes in %llu "
                "files, game program %llu, uninstaller %llu, cluster %llu, margin %llu)",
                wide_to_utf8(volume).c_str(), static_cast<unsigned long long>(free_bytes),
                static_cast<unsigned long long>(need),
                static_cast<unsigned long long>(plan ? plan->bytes : 0),
                static_cast<unsigned long long>(plan ? plan->files : 0),
                static_cast<unsigned long long>(program),
                static_cast<unsigned long long>(uninstaller),
                static_cast<unsigned long long>(cluster),
                static_cast<unsigned long long>(margin_bytes));
    if (free_bytes >= need) {
        return {};
    }
    // Rounded up and down, so the text never says the game needs less than is free.
    uint64_t need_mb = (need + bytes_per_mb - 1) / bytes_per_mb;
    uint64_t free_mb = free_bytes / bytes_per_mb;
    return L"There is not enough free space on " + volume + L".\n\nThe game needs " +
           std::to_wstring(need_mb) + L" MB there; " + std::to_wstring(free_mb) +
           L" MB are free.";
}
