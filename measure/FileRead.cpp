// The file is looked at before it is opened (a device may act on open), opened without blocking,
// and looked at again through the descriptor: what was read is what was checked.
#include "measure/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace quilbo {
namespace {

FileRead refused(FileReadError error, int code = 0) {
    FileRead read;
    read.error = error;
    read.code = code;
    return read;
}

FileRead refusedByErrno(int code) {
    switch (code) {
        case ENOENT:
        case ENOTDIR:
            return refused(FileReadError::Missing, code);
        case ELOOP:
            return refused(FileReadError::LinkLoop, code);
        case EACCES:
        case EPERM:
            return refused(FileReadError::Denied, code);
        default:
            return refused(FileReadError::Failed, code);
    }
}

// Closes the descriptor however the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The size is a hint (files in /proc say 0, a file may grow while read): the bound holds for what
// is actually read.
FileRead readOpened(int fd, std::uint64_t size, std::uint64_t largest) {
    FileRead read;
    read.bytes.resize(static_cast<std::size_t>(size) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == read.bytes.size()) {
            if (have > largest) {
                return refused(FileReadError::TooLarge);
            }
            read.bytes.resize(std::min<std::uint64_t>(largest + 1, 2 * have + 4096));
        }
        const ssize_t got = ::read(fd, read.bytes.data() + have, read.bytes.size() - have);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return refused(FileReadError::Failed, errno);
        }
        if (got == 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    if (have > largest) {
        return refused(FileReadError::TooLarge);
    }
    read.bytes.resize(have);
    return read;
}

}  // namespace

FileRead readRegularFile(const std::string& path, std::uint64_t largest) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return refused(FileReadError::Missing);
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return refusedByErrno(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return refused(FileReadError::NotRegular);
    }
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        return refusedByErrno(errno);
    }
    // The name may have been pointed elsewhere between the two looks.
    if (::fstat(file.get(), &status) != 0) {
        return refusedByErrno(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return refused(FileReadError::NotRegular);
    }
    if (static_cast<std::uint64_t>(status.st_size) > largest) {
        return refused(FileReadError::TooLarge);
    }
    try {
        return readOpened(file.get(), static_cast<std::uint64_t>(status.st_size), largest);
    } catch (const std::bad_alloc&) {
        return refused(FileReadError::Failed, ENOMEM);
    }
}

std::string fileReadErrorText(const FileRead& read) {
    switch (read.error) {
        case FileReadError::None:
            return {};
        case FileReadError::Missing:
            return "there is no such file";
        case FileReadError::NotRegular:
            return "it is a folder, a FIFO or a device, not a file";
        case FileReadError::LinkLoop:
            return "its symbolic links lead in a loop";
        case FileReadError::Denied:
            return "permission to read it is denied";
        case FileReadError::TooLarge:
            return "it is far too large";
        case FileReadError::Failed:
            break;
    }
    return std::string("the system cannot read it: ") + std::strerror(read.code);
}

}  // namespace quilbo
