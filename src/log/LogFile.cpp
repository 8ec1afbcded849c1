#include "log/LogFile.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <limits>

#ifdef _WIN32
#include "app/win32/UniqueHandle.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::uint64_t BitsOf(TDateTime value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TDateTime ValueOf(std::uint64_t bits) {
    TDateTime value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Key byte j of record r is password[(r + j) mod L]; `start` is r mod L.
std::uint64_t KeyFrom(const std::string& password, std::size_t start) {
    const std::size_t length = password.size();
    std::uint64_t key = 0;
    std::size_t index = start;
    for (unsigned j = 0; j < 8; ++j) {
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(password[index])) << (8 * j);
        if (++index == length) index = 0;
    }
    return key;
}

std::uint64_t KeyOf(const std::string& password, std::int64_t recordNumber) {
    if (password.empty()) return 0;
    const auto length = static_cast<std::int64_t>(password.size());
    std::int64_t start = recordNumber % length;
    if (start < 0) start += length;
    return KeyFrom(password, static_cast<std::size_t>(start));
}

}  // namespace

std::uint64_t ScrambleRecord(const std::string& password, std::int32_t recordNumber,
                             TDateTime value) {
    return BitsOf(value) ^ KeyOf(password, recordNumber);
}

TDateTime UnscrambleRecord(const std::string& password, std::int32_t recordNumber,
                           std::uint64_t stored) {
    return ValueOf(stored ^ KeyOf(password, recordNumber));
}

RecordKeys::RecordKeys(const std::string& password) {
    keys_.reserve(password.size());
    for (std::size_t start = 0; start < password.size(); ++start)
        keys_.push_back(KeyFrom(password, start));
}

std::uint64_t RecordKeys::Scramble(std::int64_t recordNumber, TDateTime value) const {
    return BitsOf(value) ^ Key(recordNumber);
}

TDateTime RecordKeys::Unscramble(std::int64_t recordNumber, std::uint64_t stored) const {
    return ValueOf(stored ^ Key(recordNumber));
}

std::uint64_t LoadRecordBytes(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (unsigned j = 0; j < 8; ++j) value |= static_cast<std::uint64_t>(bytes[j]) << (8 * j);
    return value;
}

void StoreRecordBytes(std::uint64_t value, unsigned char* bytes) {
    for (unsigned j = 0; j < 8; ++j) bytes[j] = static_cast<unsigned char>(value >> (8 * j));
}

namespace {

#ifdef _WIN32

// The system's message for an error code, without its line end.
std::string SystemMessage(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text =
        length > 0 && buffer != nullptr ? std::string(buffer, length) : std::string();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "Error " + std::to_string(error);
    return text;
}

[[noreturn]] void ThrowLastError(const char* what, const std::string& path) {
    const DWORD error = ::GetLastError();
    throw IoError(std::string(what) + " " + path + ": error " + std::to_string(error),
                  SystemMessage(error));
}

class Win32File final : public LogFile {
  public:
    Win32File(UniqueFile handle, std::string path)
        : handle_(std::move(handle)), path_(std::move(path)) {}

    std::int64_t Size() override {
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(Handle(), &size)) ThrowLastError("Cannot get the size of", path_);
        return size.QuadPart;
    }
    void Seek(std::int64_t offset) override {
        LARGE_INTEGER distance{};
        distance.QuadPart = offset;
        if (offset < 0 || !::SetFilePointerEx(Handle(), distance, nullptr, FILE_BEGIN))
            ThrowLastError("Cannot seek in", path_);
    }
    void Read(void* buffer, std::size_t size) override {
        auto* bytes = static_cast<unsigned char*>(buffer);
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
            DWORD done = 0;
            if (!::ReadFile(Handle(), bytes, chunk, &done, nullptr))
                ThrowLastError("Cannot read", path_);
            if (done == 0) throw IoError("Unexpected end of " + path_);
            bytes += done;
            size -= done;
        }
    }
    void Write(const void* buffer, std::size_t size) override {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
            DWORD done = 0;
            if (!::WriteFile(Handle(), bytes, chunk, &done, nullptr) || done == 0)
                ThrowLastError("Cannot write", path_);
            bytes += done;
            size -= done;
        }
    }
    void Flush() override {
        if (!::FlushFileBuffers(Handle())) ThrowLastError("Cannot flush", path_);
    }
    void Close() override {
        if (!handle_) return;
        if (!::CloseHandle(handle_.Detach())) ThrowLastError("Cannot close", path_);
    }

  private:
    HANDLE Handle() const {
        if (!handle_) throw IoError("File already closed: " + path_);
        return handle_.Get();
    }

    UniqueFile handle_;
    std::string path_;
};

class Win32FileSystem final : public FileSystem {
    static constexpr int kReplaceAttempts = 20;

  public:
    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override {
        return Open(path, OPEN_EXISTING, "Cannot open");
    }
    std::unique_ptr<LogFile> Create(const std::string& path) override {
        return Open(path, CREATE_ALWAYS, "Cannot create");
    }
    void Replace(const std::string& from, const std::string& to) override {
        // A reader that holds the log open for a moment (a backup tool, a virus scanner, the
        // user's editor) makes the replace fail; such locks are short, so try again briefly.
        for (int attempt = 0;; ++attempt) {
            if (::MoveFileExA(from.c_str(), to.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return;
            const DWORD error = ::GetLastError();
            const bool transient = error == ERROR_SHARING_VIOLATION ||
                                   error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
            if (!transient || attempt == kReplaceAttempts) {
                ::SetLastError(error);
                ThrowLastError("Cannot replace", to);
            }
            ::Sleep(50);
        }
    }
    void Remove(const std::string& path) noexcept override { ::DeleteFileA(path.c_str()); }
    bool Exists(const std::string& path) override {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

  private:
    static std::unique_ptr<LogFile> Open(const std::string& path, DWORD disposition,
                                         const char* what) {
        UniqueFile handle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        // Delete sharing lets another instance replace
                                        // the log while this one reads it.
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) ThrowLastError(what, path);
        return std::make_unique<Win32File>(std::move(handle), path);
    }
};

#else

[[noreturn]] void ThrowErrno(const char* what, const std::string& path) {
    const std::string reason = std::strerror(errno);
    throw IoError(std::string(what) + " " + path + ": " + reason, reason);
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

#endif

}  // namespace

FileSystem& NativeFileSystem() {
#ifdef _WIN32
    static Win32FileSystem files;
#else
    static PosixFileSystem files;
#endif
    return files;
}
