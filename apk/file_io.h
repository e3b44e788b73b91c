// The import's file operations, one implementation per platform
// (file_io_posix.cpp, file_io_windows.cpp). A failure gives the platform's
// own error code (errno, GetLastError()): it tells the user whether the disk
// is full, the folder read-only or the path too long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

// The line end of a text file on this platform ("\n", "\r\n").
extern const char* const kTextLineEnd;

// The code make_folder gives when the folder's parent does not exist.
extern const int kMissingParentError;

// The code OutputFile::create gives when the file is open elsewhere without
// write sharing (Windows; POSIX has no sharing modes, and no code is this).
extern const int kFileInUseError;

// A file opened for reading at any offset. read_at keeps no position, so
// several threads may read one file at once.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // 0, or the error code; the size is taken once, here.
    int open(const std::filesystem::path& path);
    // A handle of its own to the file that `file` has open (not a file found
    // again by its name), of the same size. Windows serialises every read
    // through one handle opened for synchronous I/O, whatever offset each
    // asks for, so each thread that reads at once wants its own.
    int open_same(const ReadOnlyFile& file);
    bool is_open() const { return handle_ != -1; }
    uint64_t size() const { return size_; }
    // Exactly size bytes from offset; a short read is a failure.
    bool read_at(uint64_t offset, void* buffer, size_t size) const;

private:
    intptr_t handle_ = -1;  // a descriptor or a HANDLE
    uint64_t size_ = 0;
};

// A file created (or truncated) and written from start to end.
class OutputFile {
public:
    OutputFile() = default;
    // Closes without looking at the result: only a file whose close() gave 0
    // counts as written.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Handed on to the thread that closes it.
    OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
    OutputFile& operator=(OutputFile&& other) noexcept;

    // Each gives 0 or the error code.
    int create(const std::filesystem::path& path);
    bool is_open() const { return handle_ != -1; }
    int write(const void* data, size_t size);
    int close();

private:
    intptr_t handle_ = -1;
};

// Creates one folder; 0 also when it exists as a folder already.
int make_folder(const std::filesystem::path& path);

// Deletes a file; false when it could not be deleted (or was not there).
bool remove_file(const std::filesystem::path& path);
