#include "core/log/Recorder.h"

#include <algorithm>
#include <memory>

namespace {

// Further from the last written end than this, a tick does not bridge the gap: the machine
// slept, the process was frozen or the clock was set.
constexpr DateTime kLongestTickGap = 5.0 / (24 * 60);

constexpr std::size_t kRecordBytes = kRecordSize;

// Appends the pair (value, value) after the `count` whole records of the file. A start left
// without its end by a torn append first gets an end equal to itself, so pairs stay aligned.
// Everything goes out in one write.
void AppendPair(LogFile& file, const RecordKeys& keys, std::int64_t count, DateTime value) {
    unsigned char bytes[3 * kRecordBytes];
    std::size_t size = 0;
    std::int64_t record = count;
    if (count % 2 != 0) {
        file.Seek((count - 1) * kRecordSize);
        unsigned char torn[kRecordBytes];
        file.Read(torn, sizeof torn);
        const std::uint64_t start = LoadRecordBytes(torn) ^ keys.Key(count - 1);
        StoreRecordBytes(start ^ keys.Key(record), bytes);
        size += kRecordBytes;
        ++record;
    }
    StoreRecordBytes(keys.Scramble(record, value), bytes + size);
    StoreRecordBytes(keys.Scramble(record + 1, value), bytes + size + kRecordBytes);
    size += 2 * kRecordBytes;
    file.Seek(count * kRecordSize);
    file.Write(bytes, size);
}

}  // namespace

SessionRecorder::SessionRecorder(FileSystem& files, const Clock& clock, const InputSource* input)
    : files_(files), clock_(clock), input_(input) {}

void SessionRecorder::AppendSession(const LogTarget& log) {
    suspended_ = false;
    locked_ = false;
    idle_ = false;
    started_ = false;
    sessionStart_ = 0;
    // A log that cannot be opened now (a backup tool, a scanner, a sync client holding it) is
    // left alone: only a missing one is created.
    auto file = files_.OpenAlways(log.Path);
    const auto count = static_cast<std::int64_t>(LogSize(*file)) / kRecordSize;
    const DateTime now = clock_.Now();
    AppendPair(*file, RecordKeys(log.Password), count, now);
    sessionStart_ = now;
    lastEnd_ = now;
    started_ = true;
    file->Close();
}

std::optional<DateTime> SessionRecorder::OwnLastPairStart(LogFile& file, const RecordKeys& keys,
                                                          std::int64_t pairs) {
    if (pairs == 0) return std::nullopt;
    const std::int64_t first = 2 * pairs - 2;
    unsigned char bytes[2 * kRecordBytes];
    file.Seek(first * kRecordSize);
    file.Read(bytes, sizeof bytes);
    const DateTime start = keys.Unscramble(first, LoadRecordBytes(bytes));
    const DateTime end = keys.Unscramble(first + 1, LoadRecordBytes(bytes + kRecordBytes));
    if (start == sessionStart_) return start;
    if (end != lastEnd_) return std::nullopt;
    sessionStart_ = start;
    return start;
}

SessionRecorder::TickResult SessionRecorder::Tick(const LogTarget& log, bool final) {
    if (!Recording()) return TickResult::Skipped;
    if (!started_) {
        // The start could not be written: try again rather than extend anybody's session.
        if (final) return TickResult::Skipped;
        AppendSession(log);
        return TickResult::Appended;
    }
    if (!final && rules_.IdleMinutes > 0 && input_ != nullptr) {
        const InputState input = input_->LastInput();
        if (input.IdleDays > rules_.IdleMinutes / (24.0 * 60)) {
            idle_ = true;
            idleStamp_ = input.Stamp;
            EndForAway(log, clock_.Now() - input.IdleDays);
            return TickResult::WentAway;
        }
    }

    const RecordKeys keys(log.Password);
    auto file = files_.OpenExisting(log.Path);
    const auto records = static_cast<std::int64_t>(LogSize(*file)) / kRecordSize;
    const DateTime now = clock_.Now();

    const bool gap = now < lastEnd_ || now - lastEnd_ > kLongestTickGap;
    TickResult result;
    if (!gap && OwnLastPairStart(*file, keys, records / 2)) {
        file->Seek((records / 2 * 2 - 1) * kRecordSize);
        unsigned char bytes[kRecordBytes];
        StoreRecordBytes(keys.Scramble(records / 2 * 2 - 1, now), bytes);
        file->Write(bytes, sizeof bytes);
        lastEnd_ = now;
        result = TickResult::Extended;
    } else if (final) {
        // The last tick cannot open a session it would never extend.
        result = TickResult::Skipped;
    } else {
        // After a gap the session keeps its last end; a pair that is not ours is never
        // stretched. The recording goes on in a fresh pair.
        AppendPair(*file, keys, records, now);
        sessionStart_ = now;
        lastEnd_ = now;
        result = TickResult::Appended;
    }
    file->Close();
    return result;
}

void SessionRecorder::Suspend(const LogTarget& log) {
    if (suspended_) return;
    if (Away()) {
        suspended_ = true;  // the session ended when the user went away
        return;
    }
    // Ends the session like the last tick at exit: no new pair just before sleeping.
    try {
        Tick(log, true);
    } catch (...) {
        suspended_ = true;
        throw;
    }
    suspended_ = true;
}

bool SessionRecorder::Resume(const LogTarget& log) {
    // A wake the user starts delivers two resume events; only the first one after a suspend
    // opens the new session.
    if (!suspended_) return false;
    suspended_ = false;
    return StartIfRecording(log);
}

bool SessionRecorder::SetAwayRules(const AwayRules& rules, const LogTarget& log) {
    const bool wasAway = Away();
    rules_ = rules;
    if (!rules_.WhenLocked) locked_ = false;
    if (rules_.IdleMinutes <= 0) idle_ = false;
    return wasAway && StartIfRecording(log);
}

void SessionRecorder::Lock(const LogTarget& log) {
    if (!rules_.WhenLocked || locked_) return;
    const bool recording = Recording();
    locked_ = true;
    if (recording) EndForAway(log, clock_.Now());
}

bool SessionRecorder::Unlock(const LogTarget& log) {
    if (!locked_) return false;
    locked_ = false;
    idle_ = false;  // unlocking took input
    return StartIfRecording(log);
}

bool SessionRecorder::CheckForInput(const LogTarget& log) {
    if (!idle_ || input_ == nullptr || input_->LastInput().Stamp == idleStamp_) return false;
    idle_ = false;
    return StartIfRecording(log);
}

bool SessionRecorder::StartIfRecording(const LogTarget& log) {
    if (!Recording()) return false;
    AppendSession(log);
    return true;
}

void SessionRecorder::EndForAway(const LogTarget& log, DateTime end) {
    awaySince_ = lastEnd_;
    if (!started_) return;  // nothing of this session is in the log
    const RecordKeys keys(log.Password);
    auto file = files_.OpenExisting(log.Path);
    const auto records = static_cast<std::int64_t>(LogSize(*file)) / kRecordSize;
    const DateTime now = clock_.Now();
    // After a gap the session keeps its last end: nothing is known of the time in between.
    const bool gap = now < lastEnd_ || now - lastEnd_ > kLongestTickGap;
    if (!gap) {
        if (const std::optional<DateTime> start = OwnLastPairStart(*file, keys, records / 2)) {
            // Never before the pair's own start, whoever wrote it.
            end = std::min(std::max(end, *start), now);
            unsigned char bytes[kRecordBytes];
            StoreRecordBytes(keys.Scramble(records / 2 * 2 - 1, end), bytes);
            file->Seek((records / 2 * 2 - 1) * kRecordSize);
            file->Write(bytes, sizeof bytes);
            lastEnd_ = end;
            awaySince_ = end;
        }
    }
    file->Close();
}

void SessionRecorder::SessionReplaced(DateTime start) {
    sessionStart_ = start;
    lastEnd_ = start;
    started_ = true;
}
