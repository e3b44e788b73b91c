// The import's file operations on POSIX systems.
#include "apk/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

const char* const kTextLineEnd = "\n";
const int kMissingParentError = ENOENT;
const int kFileInUseError = -1;

namespace {

int descriptor(intptr_t handle)
{
    return static_cast<int>(handle);
}

// Interrupted calls are repeated; a call that makes no progress is an error.
bool read_fully(int fd, unsigned char* buffer, size_t size, uint64_t offset)
{
    while (size > 0) {
        ssize_t got = pread(fd, buffer, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        buffer += got;
        size -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

}  // namespace

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != -1) {
        ::close(descriptor(handle_));
    }
}

int ReadOnlyFile::open(const std::filesystem::path& path)
{
    if (handle_ != -1) {
        ::close(descriptor(handle_));
        handle_ = -1;
        size_ = 0;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(fd);
        return error != 0 ? error : EINVAL;
    }
    handle_ = fd;
    size_ = static_cast<uint64_t>(status.st_size);
    return 0;
}

int ReadOnlyFile::open_same(const ReadOnlyFile& file)
{
    if (handle_ != -1) {
        ::close(descriptor(handle_));
        handle_ = -1;
    }
    int fd = fcntl(descriptor(file.handle_), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    handle_ = fd;
    size_ = file.size_;
    return 0;
}

bool ReadOnlyFile::read_at(uint64_t offset, void* buffer, size_t size) const
{
    return handle_ != -1 &&
           read_fully(descriptor(handle_), static_cast<unsigned char*>(buffer), size, offset);
}

OutputFile::~OutputFile()
{
    if (handle_ != -1) {
        ::close(descriptor(handle_));
    }
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        if (handle_ != -1) {
            ::close(descriptor(handle_));
        }
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

int OutputFile::create(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    handle_ = fd;
    return 0;
}

int OutputFile::write(const void* data, size_t size)
{
    const unsigned char* next = static_cast<const unsigned char*>(data);
    while (size > 0) {
        ssize_t put = ::write(descriptor(handle_), next, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? errno : ENOSPC;
        }
        next += put;
        size -= static_cast<size_t>(put);
    }
    return 0;
}

int OutputFile::close()
{
    int fd = descriptor(handle_);
    handle_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
}

int make_folder(const std::filesystem::path& path)
{
    if (mkdir(path.c_str(), 0777) == 0) {
        return 0;
    }
    int error = errno;
    // An existing folder is what was asked for (a drive root, a folder made
    // by someone else meanwhile); anything else in the way is the error.
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) ? 0 : error;
}

bool remove_file(const std::filesystem::path& path)
{
    return unlink(path.c_str()) == 0;
}
