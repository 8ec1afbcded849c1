#include "core/log/LogFile.h"

#include <cstring>
#include <algorithm>
#include <limits>

namespace {

std::uint64_t BitsOf(DateTime value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

DateTime ValueOf(std::uint64_t bits) {
    DateTime value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The 8 key bytes from `start` on, wrapping around the password.
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
    return password.empty() ? 0 : KeyFrom(password, KeyStart(recordNumber, password.size()));
}

}  // namespace

std::uint64_t ScrambleRecord(const std::string& password, std::int32_t recordNumber,
                             DateTime value) {
    return BitsOf(value) ^ KeyOf(password, recordNumber);
}

DateTime UnscrambleRecord(const std::string& password, std::int32_t recordNumber,
                          std::uint64_t stored) {
    return ValueOf(stored ^ KeyOf(password, recordNumber));
}

RecordKeys::RecordKeys(const std::string& password) {
    keys_.reserve(password.size());
    for (std::size_t start = 0; start < password.size(); ++start)
        keys_.push_back(KeyFrom(password, start));
}

std::uint64_t RecordKeys::Scramble(std::int64_t recordNumber, DateTime value) const {
    return BitsOf(value) ^ Key(recordNumber);
}

DateTime RecordKeys::Unscramble(std::int64_t recordNumber, std::uint64_t stored) const {
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

std::string FailureReason(const std::exception& error) {
    if (const auto* io = dynamic_cast<const IoError*>(&error);
        io != nullptr && !io->Reason().empty())
        return io->Reason();
    return error.what();
}

std::size_t LogSize(LogFile& file) {
    const std::int64_t size = file.Size();
    if (size < 0 || size / kRecordSize > std::numeric_limits<std::int32_t>::max())
        throw IoError("log too large");
    return static_cast<std::size_t>(size);
}

void ReplaceFileContents(FileSystem& files, const std::string& path, const std::string& temporary,
                         const void* data, std::size_t size) {
    try {
        auto file = files.Create(temporary);
        if (size > 0) file->Write(data, size);
        file->Flush();
        file->Close();
        files.Replace(temporary, path);
    } catch (...) {
        files.Remove(temporary);
        throw;
    }
}
