#include "core/log/Recorder.h"

#include <algorithm>
#include <memory>

#include "core/settings/PasswordCodec.h"

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

void SessionRecorder::AppendSession(const std::string& path, const std::string& encodedPassword) {
    suspended_ = false;
    locked_ = false;
    idle_ = false;
    std::unique_ptr<LogFile> file;
    std::int64_t count = 0;
    try {
        file = files_.OpenExisting(path);
        count = file->Size() / kRecordSize;
        file->Seek(count * kRecordSize);
    } catch (const IoError&) {
        file.reset();
        file = files_.Create(path);
        count = 0;
    }

    std::string password;
    DecodePassword(encodedPassword, password);
    const DateTime now = clock_.Now();
    sessionStart_ = now;

    AppendPair(*file, RecordKeys(password), count, now);
    lastEnd_ = now;
    haveLastEnd_ = true;
    file->Close();
}

SessionRecorder::TickResult SessionRecorder::Tick(const std::string& path,
                                                  const std::string& encodedPassword, bool final) {
    if (!Recording()) return TickResult::Skipped;
    if (!final && rules_.IdleMinutes > 0 && input_ != nullptr) {
        const InputState input = input_->LastInput();
        if (input.IdleDays > rules_.IdleMinutes / (24.0 * 60)) {
            idle_ = true;
            idleStamp_ = input.Stamp;
            EndForAway(path, encodedPassword, clock_.Now() - input.IdleDays);
            return TickResult::WentAway;
        }
    }

    auto file = files_.OpenExisting(path);
    const std::int64_t count = file->Size() / kRecordSize;
    if (count == 0) throw IoError("No record to extend in " + path);

    std::string password;
    DecodePassword(encodedPassword, password);
    const DateTime now = clock_.Now();
    const RecordKeys keys(password);

    const bool gap = haveLastEnd_ && (now < lastEnd_ || now - lastEnd_ > kLongestTickGap);
    TickResult result;
    if (!gap) {
        file->Seek((count - 1) * kRecordSize);
        unsigned char bytes[kRecordBytes];
        StoreRecordBytes(keys.Scramble(count - 1, now), bytes);
        file->Write(bytes, sizeof bytes);
        if (haveLastEnd_) lastEnd_ = now;
        result = TickResult::Extended;
    } else if (final) {
        // The last tick cannot open a session it would never extend.
        result = TickResult::Skipped;
    } else {
        // Keep the session's last end and record from now on in a fresh pair.
        AppendPair(*file, keys, count, now);
        sessionStart_ = now;
        lastEnd_ = now;
        result = TickResult::Appended;
    }
    file->Close();
    return result;
}

void SessionRecorder::Suspend(const std::string& path, const std::string& encodedPassword) {
    if (suspended_) return;
    if (Away()) {
        suspended_ = true;  // the session ended when the user went away
        return;
    }
    // Ends the session like the last tick at exit: no new pair just before sleeping.
    try {
        Tick(path, encodedPassword, true);
    } catch (...) {
        suspended_ = true;
        throw;
    }
    suspended_ = true;
}

bool SessionRecorder::Resume(const std::string& path, const std::string& encodedPassword) {
    // A wake the user starts delivers two resume events; only the first one after a suspend
    // opens the new session.
    if (!suspended_) return false;
    suspended_ = false;
    return StartIfRecording(path, encodedPassword);
}

bool SessionRecorder::SetAwayRules(const AwayRules& rules, const std::string& path,
                                   const std::string& encodedPassword) {
    const bool wasAway = Away();
    rules_ = rules;
    if (!rules_.WhenLocked) locked_ = false;
    if (rules_.IdleMinutes <= 0) idle_ = false;
    return wasAway && StartIfRecording(path, encodedPassword);
}

void SessionRecorder::Lock(const std::string& path, const std::string& encodedPassword) {
    if (!rules_.WhenLocked || locked_) return;
    const bool recording = Recording();
    locked_ = true;
    if (recording) EndForAway(path, encodedPassword, clock_.Now());
}

bool SessionRecorder::Unlock(const std::string& path, const std::string& encodedPassword) {
    if (!locked_) return false;
    locked_ = false;
    idle_ = false;  // unlocking took input
    return StartIfRecording(path, encodedPassword);
}

bool SessionRecorder::CheckForInput(const std::string& path, const std::string& encodedPassword) {
    if (!idle_ || input_ == nullptr || input_->LastInput().Stamp == idleStamp_) return false;
    idle_ = false;
    return StartIfRecording(path, encodedPassword);
}

bool SessionRecorder::StartIfRecording(const std::string& path,
                                       const std::string& encodedPassword) {
    if (!Recording()) return false;
    AppendSession(path, encodedPassword);
    return true;
}

void SessionRecorder::EndForAway(const std::string& path, const std::string& encodedPassword,
                                 DateTime end) {
    awaySince_ = lastEnd_;
    auto file = files_.OpenExisting(path);
    const std::int64_t count = file->Size() / kRecordSize;
    const DateTime now = clock_.Now();
    // After a gap the session keeps its last end: nothing is known of the time in between.
    const bool gap = haveLastEnd_ && (now < lastEnd_ || now - lastEnd_ > kLongestTickGap);
    if (count >= 2 && !gap) {
        std::string password;
        DecodePassword(encodedPassword, password);
        const RecordKeys keys(password);
        // Never before the pair's own start, whoever wrote it.
        file->Seek((count - 2) * kRecordSize);
        unsigned char bytes[kRecordBytes];
        file->Read(bytes, sizeof bytes);
        const DateTime start = keys.Unscramble(count - 2, LoadRecordBytes(bytes));
        end = std::min(std::max(end, start), now);
        StoreRecordBytes(keys.Scramble(count - 1, end), bytes);
        file->Seek((count - 1) * kRecordSize);
        file->Write(bytes, sizeof bytes);
        lastEnd_ = end;
        awaySince_ = end;
    }
    file->Close();
}

void SessionRecorder::SessionReplaced(DateTime start) {
    sessionStart_ = start;
    lastEnd_ = start;
    haveLastEnd_ = true;
}
