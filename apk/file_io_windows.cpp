// The import's file operations on Windows, through the wide Win32 calls so
// that a failure carries GetLastError()'s code (ERROR_DISK_FULL,
// ERROR_ACCESS_DENIED, ERROR_FILENAME_EXCED_RANGE...).
#include "apk/file_io.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "app/long_path.h"

const char* const kTextLineEnd = "\r\n";
const int kMissingParentError = ERROR_PATH_NOT_FOUND;
const int kFileInUseError = ERROR_SHARING_VIOLATION;

namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr size_t kLargestTransfer = size_t{1} << 30;

HANDLE native(intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

int last_error_code()
{
    return static_cast<int>(GetLastError());
}

// An absolute path goes to the file APIs in its extended-length form, so an
// APK or an asset deep in a long folder is not limited to 260 characters.
std::wstring api_path(const std::filesystem::path& path)
{
    return extended_path(path.wstring());
}

}  // namespace

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != -1) {
        CloseHandle(native(handle_));
    }
}

int ReadOnlyFile::open(const std::filesystem::path& path)
{
    if (handle_ != -1) {
        CloseHandle(native(handle_));
        handle_ = -1;
        size_ = 0;
    }
    // Others may read and write it meanwhile, as with the C runtime's fopen;
    // every entry is checked against its CRC-32 anyway.
    HANDLE file = CreateFileW(api_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return last_error_code();
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        int error = last_error_code();
        CloseHandle(file);
        return error;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    size_ = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

int ReadOnlyFile::open_same(const ReadOnlyFile& file)
{
    if (handle_ != -1) {
        CloseHandle(native(handle_));
        handle_ = -1;
    }
    // A new file object for the same file: one duplicated by DuplicateHandle
    // would share the first one's lock.
    HANDLE reopened = ReOpenFile(native(file.handle_), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (reopened == INVALID_HANDLE_VALUE) {
        return last_error_code();
    }
    handle_ = reinterpret_cast<intptr_t>(reopened);
    size_ = file.size_;
    return 0;
}

// The offset travels in the OVERLAPPED record, so no shared file position
// is used.
bool ReadOnlyFile::read_at(uint64_t offset, void* buffer, size_t size) const
{
    unsigned char* next = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD piece = static_cast<DWORD>(std::min(size, kLargestTransfer));
        DWORD got = 0;
        if (handle_ == -1 || !ReadFile(native(handle_), next, piece, &got, &at) || got == 0) {
            return false;
        }
        next += got;
        size -= got;
        offset += got;
    }
    return true;
}

OutputFile::~OutputFile()
{
    if (handle_ != -1) {
        CloseHandle(native(handle_));
    }
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        if (handle_ != -1) {
            CloseHandle(native(handle_));
        }
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

int OutputFile::create(const std::filesystem::path& path)
{
    HANDLE file = CreateFileW(api_path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return last_error_code();
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return 0;
}

int OutputFile::write(const void* data, size_t size)
{
    const unsigned char* next = static_cast<const unsigned char*>(data);
    while (size > 0) {
        DWORD piece = static_cast<DWORD>(std::min(size, kLargestTransfer));
        DWORD put = 0;
        if (!WriteFile(native(handle_), next, piece, &put, nullptr)) {
            return last_error_code();
        }
        if (put == 0) {
            return ERROR_DISK_FULL;
        }
        next += put;
        size -= put;
    }
    return 0;
}

int OutputFile::close()
{
    HANDLE file = native(handle_);
    handle_ = -1;
    return CloseHandle(file) ? 0 : last_error_code();
}

int make_folder(const std::filesystem::path& path)
{
    std::wstring folder = api_path(path);
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
        return 0;
    }
    int error = last_error_code();
    // An existing folder is what was asked for (a drive root, which gives
    // access denied, or a folder made meanwhile); a file in the way is not.
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return 0;
    }
    return error;
}

bool remove_file(const std::filesystem::path& path)
{
    return DeleteFileW(api_path(path).c_str()) != 0;
}
