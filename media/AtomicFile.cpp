// The write-fsync-rename sequence, with the temporary file removed on every failure.
#include "media/AtomicFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quilbo {
namespace {

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
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::string failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string writeFileAtomically(const std::string& path, std::string_view contents) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = (slash == std::string::npos ? std::string() : folder) + "." +
                            name.substr(0, 200) + ".XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        return failure("Cannot create a file in " + folder);
    }
    std::string error;
    // mkostemp makes the file private; a saved measurement or export is an ordinary user file.
    if (::fchmod(file.get(), 0644) != 0) {
        error = failure("Cannot set the permissions of " + path);
    } else if (!writeAll(file.get(), contents)) {
        error = failure("Cannot write " + path);
    } else if (::fsync(file.get()) != 0) {
        error = failure("Cannot flush " + path);
    } else if (::close(file.release()) != 0) {
        error = failure("Cannot write " + path);
    } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = failure("Cannot name the file " + path);
    }
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself lasts only once the folder's entry is on disk.
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) {
        ::fsync(directory.get());
    }
    return {};
}

}  // namespace quilbo
