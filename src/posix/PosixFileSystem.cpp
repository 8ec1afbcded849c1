// The log's files on POSIX systems: the native build of the tests, the benchmarks and the
// fuzzers.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/log/LogFile.h"

namespace {

[[noreturn]] void ThrowErrno(const char* what, const std::string& path) {
    const int error = errno;
    const std::string reason = std::strerror(error);
    throw IoError(std::string(what) + " " + path + ": " + reason, reason,
                  error == ENOENT || error == ENOTDIR);
}

class PosixFile final : public LogFile {
  public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    std::int64_t Size() override {
        struct stat info {};
        if (::fstat(Fd(), &info) != 0) ThrowErrno("Cannot get the size of", path_);
        return static_cast<std::int64_t>(info.st_size);
    }
    void Seek(std::int64_t offset) override {
        if (offset < 0 || offset > std::numeric_limits<off_t>::max())
            throw IoError("Cannot seek in " + path_ + " to " + std::to_string(offset));
        if (::lseek(Fd(), static_cast<off_t>(offset), SEEK_SET) < 0)
            ThrowErrno("Cannot seek in", path_);
    }
    void Read(void* buffer, std::size_t size) override {
        auto* bytes = static_cast<unsigned char*>(buffer);
        while (size > 0) {
            const ssize_t done = ::read(Fd(), bytes, size);
            if (done < 0) {
                if (errno == EINTR) continue;
                ThrowErrno("Cannot read", path_);
            }
            if (done == 0) throw IoError("Unexpected end of " + path_);
            bytes += done;
            size -= static_cast<std::size_t>(done);
        }
    }
    void Write(const void* buffer, std::size_t size) override {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        while (size > 0) {
            const ssize_t done = ::write(Fd(), bytes, size);
            if (done < 0) {
                if (errno == EINTR) continue;
                ThrowErrno("Cannot write", path_);
            }
            if (done == 0) throw IoError("Cannot write " + path_);
            bytes += done;
            size -= static_cast<std::size_t>(done);
        }
    }
    void Flush() override {
        if (::fsync(Fd()) != 0) ThrowErrno("Cannot flush", path_);
    }
    void Close() override {
        if (fd_ < 0) return;
        const int fd = fd_;
        fd_ = -1;
        // The descriptor is gone whatever close answers; retrying could close another file.
        if (::close(fd) != 0) ThrowErrno("Cannot close", path_);
    }

  private:
    int Fd() const {
        if (fd_ < 0) throw IoError("File already closed: " + path_);
        return fd_;
    }

    int fd_;
    std::string path_;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

class PosixFileSystem final : public FileSystem {
  public:
    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override {
        return Open(path, O_RDWR, "Cannot open");
    }
    std::unique_ptr<LogFile> Create(const std::string& path) override {
        return Open(path, O_RDWR | O_CREAT | O_TRUNC, "Cannot create");
    }
    std::unique_ptr<LogFile> OpenAlways(const std::string& path) override {
        return Open(path, O_RDWR | O_CREAT, "Cannot open");
    }
    void Replace(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) ThrowErrno("Cannot replace", to);
        // The rename reaches the disk with the folder. It has happened either way, so a failure
        // here is not reported: callers take an exception to mean the old file is still there.
        const std::string folder = FolderOf(to);
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        ::fsync(fd);
        ::close(fd);
    }
    void Remove(const std::string& path) noexcept override { ::unlink(path.c_str()); }
    bool Exists(const std::string& path) override {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0;
    }
    std::vector<std::string> ListFiles(const std::string& folder) override {
        DIR* raw = ::opendir(folder.c_str());
        if (raw == nullptr) ThrowErrno("Cannot list", folder);
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(raw, ::closedir);
        const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
        std::vector<std::string> names;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir.get());
            if (entry == nullptr) {
                if (errno != 0) ThrowErrno("Cannot list", folder);
                return names;
            }
            const std::string name = entry->d_name;
            // A link counts as what it points to, as the files' own calls see it.
            struct stat info {};
            if (::stat((prefix + name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
                names.push_back(name);
        }
    }

  private:
    static std::unique_ptr<LogFile> Open(const std::string& path, int flags, const char* what) {
        int fd;
        do {
            fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) ThrowErrno(what, path);
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            throw IoError(std::string(what) + " " + path + ": not a regular file");
        }
        return std::make_unique<PosixFile>(fd, path);
    }
};

}  // namespace

FileSystem& NativeFileSystem() {
    static PosixFileSystem files;
    return files;
}
