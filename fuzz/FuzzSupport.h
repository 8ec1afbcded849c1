#pragma once

// Helpers shared by the fuzz targets: an input reader, a scratch folder and a file system that
// fails one chosen operation.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

#include "core/log/LogFile.h"

// Stops the run with a message; libFuzzer saves the input that got here.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// Reads the fuzzer's bytes front to back; past the end every read gives zeros or empty text.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Eight little-endian bytes as a double, any bit pattern.
    double Double() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= std::uint64_t{Byte()} << (8 * i);
        return std::bit_cast<double>(bits);
    }
    // A text of at most `limit` bytes whose length is the next byte.
    std::string Text(std::size_t limit = 255) {
        std::size_t length = Byte();
        if (length > limit) length = limit;
        return Bytes(length);
    }
    std::string Bytes(std::size_t count) {
        const std::size_t n = count < size_ - at_ ? count : size_ - at_;
        std::string text(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return text;
    }
    std::string Rest() { return Bytes(size_ - at_); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// A private folder for the process, in memory when the machine has /dev/shm.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string folder =
            (base && *base) ? base : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        folder += "/worktally-fuzz-XXXXXX";
        if (!mkdtemp(folder.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = folder;
    }
    ~ScratchFolder() {
        std::remove((path_ + "/log.dat").c_str());
        std::remove((path_ + "/log.dat.tmp").c_str());
        rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string LogPath() const { return path_ + "/log.dat"; }

  private:
    std::string path_;
};

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

// nullopt when the file does not exist.
inline std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Passes every call to the real files, except that call number FailAt (1-based, counting
// every file system and file operation that may fail) throws IoError without doing anything.
class FailingFileSystem : public FileSystem {
  public:
    FailingFileSystem(FileSystem& inner, int failAt) : inner_(inner), failAt_(failAt) {}

    bool Failed() const { return failed_; }

    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override {
        Step();
        return std::make_unique<File>(*this, inner_.OpenExisting(path));
    }
    std::unique_ptr<LogFile> Create(const std::string& path) override {
        Step();
        return std::make_unique<File>(*this, inner_.Create(path));
    }
    std::unique_ptr<LogFile> OpenAlways(const std::string& path) override {
        Step();
        return std::make_unique<File>(*this, inner_.OpenAlways(path));
    }
    void Replace(const std::string& from, const std::string& to) override {
        Step();
        inner_.Replace(from, to);
    }
    void Remove(const std::string& path) noexcept override { inner_.Remove(path); }
    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    std::vector<std::string> ListFiles(const std::string& folder) override {
        Step();
        return inner_.ListFiles(folder);
    }

  private:
    class File : public LogFile {
      public:
        File(FailingFileSystem& owner, std::unique_ptr<LogFile> inner)
            : owner_(owner), inner_(std::move(inner)) {}
        std::int64_t Size() override {
            owner_.Step();
            return inner_->Size();
        }
        void Seek(std::int64_t offset) override {
            owner_.Step();
            inner_->Seek(offset);
        }
        void Read(void* buffer, std::size_t size) override {
            owner_.Step();
            inner_->Read(buffer, size);
        }
        void Write(const void* buffer, std::size_t size) override {
            owner_.Step();
            inner_->Write(buffer, size);
        }
        void Flush() override {
            owner_.Step();
            inner_->Flush();
        }
        void Close() override {
            owner_.Step();
            inner_->Close();
        }

      private:
        FailingFileSystem& owner_;
        std::unique_ptr<LogFile> inner_;  // closes itself silently when Close was not reached
    };

    void Step() {
        if (++calls_ == failAt_) {
            failed_ = true;
            throw IoError("injected failure");
        }
    }

    FileSystem& inner_;
    int failAt_;
    int calls_ = 0;
    bool failed_ = false;
};
