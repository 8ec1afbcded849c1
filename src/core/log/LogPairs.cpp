#include "core/log/LogPairs.h"

#include "core/log/Rewrite.h"

namespace {

constexpr auto kPairBytes = static_cast<std::size_t>(2 * kRecordSize);

}  // namespace

std::vector<LogPair> ReadLogPairs(FileSystem& files, const LogTarget& target) {
    std::vector<LogPair> pairs;
    if (!files.Exists(target.Path)) return pairs;
    auto file = files.OpenExisting(target.Path);
    const std::size_t size = LogSize(*file);
    // A start without its end is a torn append: guessing its end would invent time.
    if (size % kPairBytes != 0)
        throw IoError("Incomplete record pair at the end of " + target.Path);
    std::vector<unsigned char> bytes(size);
    if (size > 0) file->Read(bytes.data(), size);
    file->Close();

    const RecordKeys keys(target.Password);
    pairs.resize(size / kPairBytes);
    const unsigned char* record = bytes.data();
    for (std::size_t k = 0; k < pairs.size(); ++k, record += kPairBytes) {
        const auto number = static_cast<std::int64_t>(2 * k);
        pairs[k].StartBits = LoadRecordBytes(record) ^ keys.Key(number);
        pairs[k].EndBits = LoadRecordBytes(record + kRecordSize) ^ keys.Key(number + 1);
    }
    return pairs;
}

void WriteLogPairs(FileSystem& files, const LogTarget& target, const std::vector<LogPair>& pairs) {
    const RecordKeys keys(target.Password);
    std::vector<unsigned char> bytes(pairs.size() * kPairBytes);
    unsigned char* record = bytes.data();
    for (std::size_t k = 0; k < pairs.size(); ++k, record += kPairBytes) {
        const auto number = static_cast<std::int64_t>(2 * k);
        StoreRecordBytes(pairs[k].StartBits ^ keys.Key(number), record);
        StoreRecordBytes(pairs[k].EndBits ^ keys.Key(number + 1), record + kRecordSize);
    }
    ReplaceFileContents(files, target.Path, RewriteTemporaryPath(target.Path), bytes.data(),
                        bytes.size());
}
