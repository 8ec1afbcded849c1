// The log's files on Windows: shared access, so that a viewer, an export and the recording
// instance can all hold the log at once.

#include <windows.h>

#include <memory>
#include <string>

#include "core/log/LogFile.h"
#include "win32/platform/FolderListing.h"
#include "win32/platform/LogLocks.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace {

[[noreturn]] void ThrowLastError(const char* what, const std::string& path) {
    const DWORD error = ::GetLastError();
    throw IoError(std::string(what) + " " + path + ": error " + std::to_string(error),
                  SystemErrorText(error),
                  error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
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
    std::unique_ptr<LogFile> OpenAlways(const std::string& path) override {
        return Open(path, OPEN_ALWAYS, "Cannot open");
    }
    void Replace(const std::string& from, const std::string& to) override {
        // A reader that holds the log open for a moment (a backup tool, a virus scanner, the
        // user's editor) makes the replace fail; such locks are short, so try again briefly.
        for (int attempt = 0;; ++attempt) {
            if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
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
    void Remove(const std::string& path) noexcept override { ::DeleteFileW(Widen(path).c_str()); }
    bool Exists(const std::string& path) override {
        return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::vector<std::string> ListFiles(const std::string& folder) override {
        return ListFolderFiles(folder);
    }
    std::unique_ptr<LogGuard> Guard(const std::string& path) override { return GuardLog(path); }

  private:
    static std::unique_ptr<LogFile> Open(const std::string& path, DWORD disposition,
                                         const char* what) {
        UniqueFile handle(::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        // Delete sharing lets another instance replace
                                        // the log while this one reads it.
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) ThrowLastError(what, path);
        return std::make_unique<Win32File>(std::move(handle), path);
    }
};

}  // namespace

FileSystem& NativeFileSystem() {
    static Win32FileSystem files;
    return files;
}
