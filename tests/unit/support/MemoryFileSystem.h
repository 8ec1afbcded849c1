#pragma once

// An in-memory FileSystem for tests. Files are byte vectors shared by every open handle (like
// real files), and any operation can be made to fail on purpose:
//
//   MemoryFileSystem files;
//   files.SetFile("log", bytes);
//   files.FailAt(MemoryFileSystem::Op::Write, 3);       // the 3rd Write from now on fails
//   files.FailAt(MemoryFileSystem::Op::Create, 1, "x");  // every Create of "x" fails
//   files.SetReadOnly("log");                            // cannot be opened, created or replaced
//   files.FailAt(MemoryFileSystem::Op::List, 1, "dir");  // listing the folder "dir" fails
//
// A fault is sticky: once reached, every later matching call fails too, as on a full disk or a
// locked file. Calls are counted per operation from the start, or from ClearFaults().

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/log/LogFile.h"

class MemoryFileSystem final : public FileSystem {
  public:
    using Bytes = std::vector<unsigned char>;

    enum class Op {
        OpenExisting,
        Create,
        OpenAlways,
        Size,
        Seek,
        Read,
        Write,
        Flush,
        Close,
        Replace,
        List,
        Guard,
        Count
    };

    // --- contents ---

    void SetFile(const std::string& path, Bytes bytes) {
        files_[path] = std::make_shared<Bytes>(std::move(bytes));
    }
    // The current bytes of a file; nullopt when it does not exist.
    std::optional<Bytes> File(const std::string& path) const {
        const auto it = files_.find(path);
        if (it == files_.end()) return std::nullopt;
        return *it->second;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& entry : files_) paths.push_back(entry.first);
        return paths;
    }

    // --- faults ---

    // From the nth matching call on (counted from now, 1-based), `op` throws IoError. An empty
    // path matches every file; for Replace the path is the target.
    void FailAt(Op op, int nth = 1, const std::string& path = "") {
        faults_.push_back(Fault{op, nth, path});
    }
    // A file that cannot be opened, created anew or replaced, and is not removed.
    void SetReadOnly(const std::string& path) { readOnly_.insert(path); }
    // A failing Write first stores this many of its bytes, as a torn write on a full disk.
    void SetTornWriteBytes(std::size_t bytes) { tornWriteBytes_ = bytes; }
    void ClearFaults() {
        faults_.clear();
        readOnly_.clear();
        tornWriteBytes_ = 0;
        calls_.fill(0);
    }

    // --- observation ---

    int Calls(Op op) const { return calls_[static_cast<std::size_t>(op)]; }
    // Handles not yet closed or destroyed.
    int OpenFiles() const { return *openFiles_; }
    // Writes, creations and replacements made while no guard was held.
    int UnguardedChanges() const { return unguardedChanges_; }

    // --- FileSystem ---

    std::unique_ptr<LogGuard> Guard(const std::string& path) override {
        Check(Op::Guard, path);
        return std::make_unique<HeldGuard>(guards_);
    }
    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override {
        Check(Op::OpenExisting, path);
        const auto it = files_.find(path);
        if (it == files_.end()) throw IoError("No such file: " + path, "No such file", true);
        if (readOnly_.count(path)) throw IoError("Read-only file: " + path, "Access denied");
        return std::make_unique<MemoryFile>(*this, path, it->second);
    }
    std::unique_ptr<LogFile> OpenAlways(const std::string& path) override {
        Check(Op::OpenAlways, path);
        if (readOnly_.count(path)) throw IoError("Read-only file: " + path, "Access denied");
        auto& data = files_[path];
        if (!data) data = std::make_shared<Bytes>();
        return std::make_unique<MemoryFile>(*this, path, data);
    }
    std::unique_ptr<LogFile> Create(const std::string& path) override {
        Check(Op::Create, path);
        NoteChange();
        if (readOnly_.count(path)) throw IoError("Read-only file: " + path);
        auto& data = files_[path];
        if (data)
            data->clear();  // handles open on the old file see it emptied, as with truncation
        else
            data = std::make_shared<Bytes>();
        return std::make_unique<MemoryFile>(*this, path, data);
    }
    void Replace(const std::string& from, const std::string& to) override {
        Check(Op::Replace, to);
        NoteChange();
        const auto it = files_.find(from);
        if (it == files_.end()) throw IoError("No such file: " + from);
        if (readOnly_.count(to)) throw IoError("Read-only file: " + to);
        auto data = it->second;
        files_.erase(it);
        files_[to] = std::move(data);
    }
    void Remove(const std::string& path) noexcept override {
        if (!readOnly_.count(path)) files_.erase(path);
    }
    bool Exists(const std::string& path) override {
        return files_.count(path) != 0 || folders_.count(path) != 0;
    }
    // A folder that exists, holding no file until one is created in it.
    void AddFolder(const std::string& path) { folders_.insert(path); }
    // Files directly in the folder, by either separator; a folder exists once added or once a
    // file is in it or below it. For a fault, the path is the folder as given.
    std::vector<std::string> ListFiles(const std::string& folder) override {
        Check(Op::List, folder);
        std::string base = folder;
        if (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
        bool found = folders_.count(folder) != 0 || folders_.count(base) != 0;
        std::vector<std::string> names;
        for (const auto& entry : files_) {
            const std::string& path = entry.first;
            if (path.size() <= base.size() + 1 || path.compare(0, base.size(), base) != 0) continue;
            const char separator = path[base.size()];
            if (separator != '\\' && separator != '/') continue;
            found = true;
            const std::string name = path.substr(base.size() + 1);
            if (name.find_first_of("\\/") == std::string::npos) names.push_back(name);
        }
        if (!found) throw IoError("No such folder: " + folder);
        return names;
    }

  private:
    class HeldGuard final : public LogGuard {
      public:
        explicit HeldGuard(int& held) : held_(held) { ++held_; }
        ~HeldGuard() override { --held_; }

      private:
        int& held_;
    };
    void NoteChange() {
        if (guards_ == 0) ++unguardedChanges_;
    }
    int guards_ = 0;
    int unguardedChanges_ = 0;
    std::set<std::string> folders_;
    struct Fault {
        Op op;
        int nth;
        std::string path;
    };

    class MemoryFile final : public LogFile {
      public:
        MemoryFile(MemoryFileSystem& owner, std::string path, std::shared_ptr<Bytes> data)
            : owner_(owner),
              path_(std::move(path)),
              data_(std::move(data)),
              openFiles_(owner.openFiles_) {
            ++*openFiles_;
        }
        MemoryFile(const MemoryFile&) = delete;
        MemoryFile& operator=(const MemoryFile&) = delete;
        ~MemoryFile() override {
            if (open_) --*openFiles_;
        }

        std::int64_t Size() override {
            Use(Op::Size);
            return static_cast<std::int64_t>(data_->size());
        }
        void Seek(std::int64_t offset) override {
            Use(Op::Seek);
            if (offset < 0) throw IoError("Negative seek in " + path_);
            position_ = static_cast<std::size_t>(offset);
        }
        void Read(void* buffer, std::size_t size) override {
            Use(Op::Read);
            if (position_ > data_->size() || data_->size() - position_ < size)
                throw IoError("Unexpected end of " + path_);
            if (size > 0)
                std::copy_n(data_->data() + position_, size, static_cast<unsigned char*>(buffer));
            position_ += size;
        }
        void Write(const void* buffer, std::size_t size) override {
            const auto* bytes = static_cast<const unsigned char*>(buffer);
            owner_.NoteChange();
            try {
                Use(Op::Write);
            } catch (const IoError&) {
                Store(bytes, std::min(size, owner_.tornWriteBytes_));
                throw;
            }
            Store(bytes, size);
        }
        void Flush() override { Use(Op::Flush); }
        void Close() override {
            if (!open_) return;
            open_ = false;
            --*openFiles_;
            owner_.Check(Op::Close, path_);
        }

      private:
        void Use(Op op) {
            if (!open_) throw IoError("File already closed: " + path_);
            owner_.Check(op, path_);
        }
        void Store(const unsigned char* bytes, std::size_t size) {
            if (data_->size() < position_ + size) data_->resize(position_ + size);
            std::copy_n(bytes, size, data_->data() + position_);
            position_ += size;
        }

        MemoryFileSystem& owner_;
        std::string path_;
        std::shared_ptr<Bytes> data_;
        std::shared_ptr<int> openFiles_;
        std::size_t position_ = 0;
        bool open_ = true;
    };

    void Check(Op op, const std::string& path) {
        ++calls_[static_cast<std::size_t>(op)];
        for (auto& fault : faults_) {
            if (fault.op != op || (!fault.path.empty() && fault.path != path)) continue;
            if (fault.nth > 1) {
                --fault.nth;
                continue;
            }
            throw IoError("Injected failure on " + path, "Injected failure");
        }
    }

    std::map<std::string, std::shared_ptr<Bytes>> files_;
    std::set<std::string> readOnly_;
    std::vector<Fault> faults_;
    std::size_t tornWriteBytes_ = 0;
    std::array<int, static_cast<std::size_t>(Op::Count)> calls_{};
    std::shared_ptr<int> openFiles_ = std::make_shared<int>(0);
};

// The bytes of a log of these (start, end) pairs, each record scrambled with `password` and its
// record number, as the program writes them.
inline MemoryFileSystem::Bytes LogBytes(const std::vector<std::pair<DateTime, DateTime>>& pairs,
                                        const std::string& password) {
    MemoryFileSystem::Bytes bytes(pairs.size() * 16);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto number = static_cast<std::int32_t>(2 * k);
        StoreRecordBytes(ScrambleRecord(password, number, pairs[k].first), &bytes[16 * k]);
        StoreRecordBytes(ScrambleRecord(password, number + 1, pairs[k].second), &bytes[16 * k + 8]);
    }
    return bytes;
}

// The bytes of a log holding these records one after the other (starts and ends in turn; an odd
// count or trailing bytes make a torn log), each scrambled with `password` and its number.
inline MemoryFileSystem::Bytes RecordBytes(const std::vector<DateTime>& records,
                                           const std::string& password,
                                           const MemoryFileSystem::Bytes& trailing = {}) {
    MemoryFileSystem::Bytes bytes(records.size() * 8);
    for (std::size_t i = 0; i < records.size(); ++i)
        StoreRecordBytes(ScrambleRecord(password, static_cast<std::int32_t>(i), records[i]),
                         bytes.data() + 8 * i);
    bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    return bytes;
}

// The whole records of a log's bytes, unscrambled.
inline std::vector<DateTime> RecordValues(const MemoryFileSystem::Bytes& bytes,
                                          const std::string& password) {
    std::vector<DateTime> values;
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8)
        values.push_back(UnscrambleRecord(password, static_cast<std::int32_t>(i / 8),
                                          LoadRecordBytes(bytes.data() + i)));
    return values;
}
