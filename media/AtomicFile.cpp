// The target resolved, the temporary file written and flushed, the rename, the folder flushed;
// the temporary file removed on every failure.
#include "media/AtomicFile.h"

#include "media/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace quilbo {
namespace {

// Closes the descriptor and removes the temporary file unless it took the target's name.
class TemporaryFile {
public:
    TemporaryFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_kept) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    // Closes the file; false (errno set) when the last of its data could not be written.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }
    void keep() { m_kept = true; }

private:
    int m_fd;
    std::string m_path;
    bool m_kept = false;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a target names: a symbolic link is followed to the file it points at (which may not
// exist yet), so the link stays and its file is replaced. Anything there that is not a regular
// file is refused: renaming over it would replace a device or a FIFO, and a folder cannot be
// written.
FileWriteResult resolveTarget(const std::string& path, std::string& target) {
    constexpr int kMaxLinks = 40;  // the system's own bound on a chain of links
    target = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat info;
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return {};  // a new file
            }
            return {FileWriteError::CreateFailed, errno};
        }
        if (S_ISREG(info.st_mode)) {
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            return {FileWriteError::NotRegularFile, 0};
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            return {FileWriteError::CreateFailed, length < 0 ? errno : ENAMETOOLONG};
        }
        const std::string next(link.data(), static_cast<std::size_t>(length));
        target = !next.empty() && next.front() == '/' ? next : folderOf(target) + next;
    }
    return {FileWriteError::CreateFailed, ELOOP};
}

// A fresh name beside the target, made with O_EXCL so that nothing else's file is ever taken.
// Hidden, so that a folder's listing never shows a file half written.
int createTemporary(const std::string& target, std::string& temporary) {
    const std::size_t slash = target.rfind('/');
    // Shortened so that the decorations never push a long name past the system's limit.
    const std::string name =
        (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, 200);
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.part", static_cast<unsigned>(entropy()));
        temporary = folderOf(target) + "." + name + suffix;
        // 0666 under the user's umask, as any new file of theirs.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The rename lasts only once the folder's entry is on the disk. A folder that cannot be opened
// for reading (write and search permission alone) cannot be flushed, and is left as it is.
FileWriteResult flushFolder(const std::string& target) {
    const std::string folder = folderOf(target);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    FileWriteResult result;
    // Some file systems cannot flush a folder at all (EINVAL): their rename is as done as it gets.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        result = {FileWriteError::WriteFailed, errno};
    }
    ::close(fd);
    return result;
}

}  // namespace

FileWriteResult writeFileAtomically(const std::string& path, const FileContents& contents) {
    std::string target;
    if (const FileWriteResult refused = resolveTarget(path, target); !refused) {
        return refused;
    }
    std::string temporaryPath;
    const int fd = createTemporary(target, temporaryPath);
    if (fd < 0) {
        return {FileWriteError::CreateFailed, errno};
    }
    TemporaryFile file(fd, temporaryPath);
    // The data reach the disk before the name does, so a crash leaves the old file or the new one.
    if (!contents(file.fd()) || ::fsync(file.fd()) != 0 || !file.close()) {
        return {FileWriteError::WriteFailed, errno};
    }
    if (::rename(file.path().c_str(), target.c_str()) != 0) {
        return {FileWriteError::RenameFailed, errno};
    }
    file.keep();
    return flushFolder(target);
}

FileWriteResult writeFileAtomically(const std::string& path, std::string_view contents) {
    return writeFileAtomically(path, [contents](int fd) {
        return writeFully(fd, reinterpret_cast<const std::uint8_t*>(contents.data()),
                          contents.size());
    });
}

}  // namespace quilbo
