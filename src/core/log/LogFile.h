#pragma once

// The log: a headerless sequence of 8-byte records, pairs (start, end) per session, each
// record XOR-scrambled with the password and its own record number.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"

inline constexpr std::int64_t kRecordSize = 8;

// The stored bytes of a record as a 64-bit value whose little-endian bytes are the bytes on disk.
std::uint64_t ScrambleRecord(const std::string& password, std::int32_t recordNumber,
                             DateTime value);
DateTime UnscrambleRecord(const std::string& password, std::int32_t recordNumber,
                          std::uint64_t stored);

// Where in a password of `length` characters the key of a record starts: the record number
// modulo the length, for negative numbers too. Key byte j is password[(start + j) mod length].
inline std::size_t KeyStart(std::int64_t recordNumber, std::size_t length) {
    const auto count = static_cast<std::int64_t>(length);
    const std::int64_t index = recordNumber % count;
    return static_cast<std::size_t>(index < 0 ? index + count : index);
}

// The key of every record number for one password, worked out once, for readers and writers
// that scramble many records. XOR with the key both scrambles and unscrambles.
class RecordKeys {
  public:
    explicit RecordKeys(const std::string& password);

    // The 8 key bytes of a record as a little-endian 64-bit value; 0 for an empty password.
    std::uint64_t Key(std::int64_t recordNumber) const {
        return keys_.empty() ? 0 : keys_[KeyStart(recordNumber, keys_.size())];
    }
    std::uint64_t Scramble(std::int64_t recordNumber, DateTime value) const;
    DateTime Unscramble(std::int64_t recordNumber, std::uint64_t stored) const;

  private:
    std::vector<std::uint64_t> keys_;  // one per starting character of the password
};

// Little-endian conversion between a record's 8 bytes and its 64-bit value.
std::uint64_t LoadRecordBytes(const unsigned char* bytes);
void StoreRecordBytes(std::uint64_t value, unsigned char* bytes);

// A pair counts only when its end is not earlier than its start (NaN never compares).
inline bool IsValidPair(DateTime start, DateTime end) {
    return end >= start;
}

// Every failure of a file access; callers catch it at their operation's boundary.
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    IoError(const std::string& what, std::string reason, bool notFound = false)
        : std::runtime_error(what), reason_(std::move(reason)), notFound_(notFound) {}
    // The system's own words for the failure; empty when there are none.
    const std::string& Reason() const noexcept { return reason_; }
    // The file (or its folder) does not exist; any other failure says nothing about that.
    bool NotFound() const noexcept { return notFound_; }

  private:
    std::string reason_;
    bool notFound_ = false;
};

// The system's reason of a failure for the second line of a box: an IoError's own words, else
// what the exception says.
std::string FailureReason(const std::exception& error);
// A box's text: `first`, and the reason on a line of its own when there is one.
inline std::string WithReason(const std::string& first, const std::string& reason) {
    return reason.empty() ? first : first + "\n" + reason;
}

// An open file. Positions and sizes are in bytes; every call throws IoError on failure.
class LogFile {
  public:
    virtual ~LogFile() = default;
    virtual std::int64_t Size() = 0;
    virtual void Seek(std::int64_t offset) = 0;
    // Reads exactly size bytes; fewer is an error.
    virtual void Read(void* buffer, std::size_t size) = 0;
    // Writes exactly size bytes; fewer is an error.
    virtual void Write(const void* buffer, std::size_t size) = 0;
    // Forces written data to the disk.
    virtual void Flush() = 0;
    // Closing reports errors too; the destructor closes silently when Close was not called.
    virtual void Close() = 0;
};

// Held while one process changes a log (a tick, a rewrite): the others wait for it to go.
class LogGuard {
  public:
    virtual ~LogGuard() = default;
};

// The file operations the log needs, so that tests can fail any of them on purpose.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Waits until no other process changes the log at `path`, and keeps them out while the
    // guard lives (the same thread may take it again). Null where no other process can write
    // it. Throws IoError when the log stays held too long.
    virtual std::unique_ptr<LogGuard> Guard(const std::string& path) {
        (void)path;
        return nullptr;
    }
    // Opens an existing file for reading and writing, sharing read and write with others.
    virtual std::unique_ptr<LogFile> OpenExisting(const std::string& path) = 0;
    // Creates the file, or empties an existing one, for reading and writing.
    virtual std::unique_ptr<LogFile> Create(const std::string& path) = 0;
    // Opens the file for reading and writing, creating it only when it does not exist: never
    // empties one, so a failure can never cost what the file holds.
    virtual std::unique_ptr<LogFile> OpenAlways(const std::string& path) = 0;
    // Replaces `to` by `from` in one atomic step that survives a crash.
    virtual void Replace(const std::string& from, const std::string& to) = 0;
    // Best effort; never throws.
    virtual void Remove(const std::string& path) noexcept = 0;
    virtual bool Exists(const std::string& path) = 0;
    // The names of the files directly in the folder, in no particular order: no folders, nothing
    // from below them. Throws IoError when the folder cannot be listed.
    virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
};

// The real files of this platform: defined in win32/platform on Windows, in posix/ elsewhere.
FileSystem& NativeFileSystem();

// The file's size in bytes; throws IoError, also for a file too large to be a log (record
// numbers are 32-bit).
std::size_t LogSize(LogFile& file);

// Gives `path` the new contents in one step: they are written to `temporary` beside it, which
// then replaces it, so a failure leaves the old file whole and no temporary behind. Throws
// IoError.
void ReplaceFileContents(FileSystem& files, const std::string& path, const std::string& temporary,
                         const void* data, std::size_t size);
