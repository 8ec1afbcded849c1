#include "core/log/UnionLog.h"

#include <cstring>

namespace {

[[noreturn]] void ThrowReadOnly() {
    throw IoError("The union of the folder's logs cannot be written");
}

class UnionLogFile final : public LogFile {
  public:
    explicit UnionLogFile(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
    void Seek(std::int64_t offset) override {
        if (offset < 0) throw IoError("Negative seek in the union of the folder's logs");
        position_ = static_cast<std::size_t>(offset);
    }
    void Read(void* buffer, std::size_t size) override {
        if (position_ > bytes_.size() || bytes_.size() - position_ < size)
            throw IoError("Unexpected end of the union of the folder's logs");
        if (size > 0) std::memcpy(buffer, bytes_.data() + position_, size);
        position_ += size;
    }
    void Write(const void*, std::size_t) override { ThrowReadOnly(); }
    void Flush() override {}
    void Close() override {}

  private:
    const std::vector<unsigned char>& bytes_;
    std::size_t position_ = 0;
};

}  // namespace

void UnionLog::Assign(const std::vector<TimeSpan>& spans) {
    constexpr auto kRecordBytes = static_cast<std::size_t>(kRecordSize);
    bytes_.resize(spans.size() * 2 * kRecordBytes);
    // The empty password scrambles nothing: each record is its value's own bytes.
    const RecordKeys plain{std::string()};
    unsigned char* record = bytes_.data();
    for (const TimeSpan& span : spans) {
        StoreRecordBytes(plain.Scramble(0, span.Start), record);
        StoreRecordBytes(plain.Scramble(0, span.End), record + kRecordBytes);
        record += 2 * kRecordBytes;
    }
}

std::unique_ptr<LogFile> UnionLog::OpenExisting(const std::string&) {
    return std::make_unique<UnionLogFile>(bytes_);
}

std::unique_ptr<LogFile> UnionLog::Create(const std::string&) {
    ThrowReadOnly();
}

void UnionLog::Replace(const std::string&, const std::string&) {
    ThrowReadOnly();
}
