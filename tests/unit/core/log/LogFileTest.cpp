#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "unit/support/TempFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif
#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(std::uint64_t stored) {
    Bytes bytes(8);
    StoreRecordBytes(stored, bytes.data());
    return bytes;
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(RecordScrambling, EmptyPasswordStoresPlainLittleEndianDoubles) {
    const DateTime start = EncodeDateTime(2000, 1, 1, 0, 0);
    const DateTime end = EncodeDateTime(2000, 1, 1, 12, 0);
    Bytes file = BytesOf(ScrambleRecord("", 0, start));
    const Bytes second = BytesOf(ScrambleRecord("", 1, end));
    file.insert(file.end(), second.begin(), second.end());
    EXPECT_EQ(file, (Bytes{0x00, 0x00, 0x00, 0x00, 0xC0, 0xD5, 0xE1, 0x40, 0x00, 0x00, 0x00, 0x00,
                           0xD0, 0xD5, 0xE1, 0x40}));
}

TEST(RecordScrambling, KeyStreamStartsAtRecordNumberAndWraps) {
    // The plain value 0.0 has all-zero bytes, so the stored bytes are the key itself.
    struct Case {
        std::string password;
        std::int32_t record;
        std::string key;
    } cases[] = {
        {"xyz", 0, "xyzxyzxy"},
        {"xyz", 5, "zxyzxyzx"},  // characters 2,0,1,2,0,1,2,0
        {"xyz", 6, "xyzxyzxy"},
        {"k", 7, "kkkkkkkk"},
        {"abcdefgh", 3, "defghabc"},
        {"abcdefghijk", 0, "abcdefgh"},
        {"abcdefghijk", 9, "jkabcdef"},
        {"abcdefghijk", 2147483647, "bcdefghi"},  // 2147483647 mod 11 = 1
        {"\xff\x80", 1, "\x80\xff\x80\xff\x80\xff\x80\xff"},
    };
    const RecordKeys none("");
    for (const auto& c : cases) {
        EXPECT_EQ(BytesOf(ScrambleRecord(c.password, c.record, 0.0)), BytesOf(c.key))
            << c.password << " record " << c.record;
        const RecordKeys keys(c.password);
        EXPECT_EQ(BytesOf(keys.Key(c.record)), BytesOf(c.key)) << c.password;
        EXPECT_EQ(none.Key(c.record), 0u);
    }
}

TEST(RecordScrambling, XorsEachPlainByteAndUndoes) {
    const DateTime noon = EncodeDateTime(2000, 1, 1, 12, 0);  // 00 00 00 00 D0 D5 E1 40
    // 'A' is 0x41 in every byte.
    EXPECT_EQ(BytesOf(ScrambleRecord("A", 4, noon)),
              (Bytes{0x41, 0x41, 0x41, 0x41, 0x91, 0x94, 0xA0, 0x01}));
    // "AB" from record 1 gives the key B A B A B A B A.
    EXPECT_EQ(BytesOf(ScrambleRecord("AB", 1, noon)),
              (Bytes{0x42, 0x41, 0x42, 0x41, 0x92, 0x94, 0xA3, 0x01}));

    const double values[] = {noon, 0.0, -1.5, 2958465.999, std::numeric_limits<double>::max()};
    for (const std::string password : {"", "A", "secret", "a much longer password"}) {
        const RecordKeys keys(password);
        for (std::int32_t record = 0; record < 40; ++record) {
            for (double value : values) {
                const std::uint64_t stored = ScrambleRecord(password, record, value);
                EXPECT_EQ(keys.Scramble(record, value), stored);
                EXPECT_EQ(UnscrambleRecord(password, record, stored), value);
                EXPECT_EQ(keys.Unscramble(record, stored), value);
            }
        }
    }
}

TEST(RecordScrambling, SameValueAtNeighbouringRecords) {
    const DateTime now = EncodeDateTime(2024, 5, 17, 9, 30);
    struct Case {
        std::string password;
        bool same;
    } cases[] = {{"", true}, {"q", true}, {"qr", false}, {"password", false}};
    for (const auto& c : cases)
        EXPECT_EQ(ScrambleRecord(c.password, 0, now) == ScrambleRecord(c.password, 1, now), c.same)
            << c.password;
}

TEST(RecordScrambling, RecordBytesAreLittleEndian) {
    const Bytes bytes{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(LoadRecordBytes(bytes.data()), 0x0102030405060708u);
    EXPECT_EQ(BytesOf(0x0102030405060708u), bytes);
}

TEST(RecordScrambling, PairValidity) {
    const DateTime start = EncodeDateTime(2010, 6, 1, 8, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        DateTime start, end;
        bool valid;
    } cases[] = {
        {start, start, true},
        {start, start + 1.0 / 1440, true},
        {start, std::nextafter(start, 0.0), false},
        {start, nan, false},
        {nan, start, false},
        {nan, nan, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidPair(c.start, c.end), c.valid) << c.end;
}

// --- the real file system, in a fresh temporary folder ---

namespace fs = std::filesystem;

class NativeFiles : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    static void WriteFile(const std::string& path, const Bytes& bytes) {
        auto file = NativeFileSystem().Create(path);
        file->Write(bytes.data(), bytes.size());
        file->Close();
    }
    static Bytes ReadFile(const std::string& path) {
        auto file = NativeFileSystem().OpenExisting(path);
        Bytes bytes(static_cast<std::size_t>(file->Size()));
        file->Read(bytes.data(), bytes.size());
        file->Close();
        return bytes;
    }

    TempFolder temp_{"worktally-logfile", '-'};
    const fs::path& folder_ = temp_.Path();
};

TEST_F(NativeFiles, WriteSeekReadAndCreateEmpties) {
    FileSystem& files = NativeFileSystem();
    const std::string path = Path("log.dat");
    EXPECT_FALSE(files.Exists(path));

    auto file = files.Create(path);
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    file->Write(data.data(), data.size());
    EXPECT_EQ(file->Size(), 11);
    file->Seek(8);
    const unsigned char patch[2] = {0xAA, 0xBB};
    file->Write(patch, 2);
    file->Flush();
    file->Close();
    EXPECT_TRUE(files.Exists(path));
    EXPECT_EQ(ReadFile(path), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0xAA, 0xBB, 11}));

    auto again = files.OpenExisting(path);
    again->Seek(3);
    unsigned char three[3] = {};
    again->Read(three, 3);
    EXPECT_EQ(Bytes(three, three + 3), (Bytes{4, 5, 6}));
    again->Seek(9);
    unsigned char eight[8] = {};
    EXPECT_THROW(again->Read(eight, 8), IoError);  // only 2 bytes left
    EXPECT_THROW(again->Seek(-8), IoError);
    again->Close();
    again->Close();  // a second close is harmless

    files.Create(path)->Close();
    EXPECT_EQ(ReadFile(path), Bytes{});
}

TEST_F(NativeFiles, MissingFileOrFolderFails) {
    FileSystem& files = NativeFileSystem();
    EXPECT_THROW(files.OpenExisting(Path("missing.dat")), IoError);
    EXPECT_FALSE(files.Exists(Path("missing.dat")));
    EXPECT_THROW(files.Create(Path("no-such-folder/log.dat")), IoError);
    EXPECT_THROW(files.OpenExisting(Path("")), IoError);  // the folder itself
    files.Remove(Path("missing.dat"));                    // best effort, never throws
}

TEST_F(NativeFiles, ReplaceSwapsContentsAndReportsFailure) {
    FileSystem& files = NativeFileSystem();
    const std::string log = Path("log.dat");
    const std::string fresh = Path("log.dat.new");
    WriteFile(log, {1, 1, 1, 1});
    WriteFile(fresh, {2, 2});
    files.Replace(fresh, log);
    EXPECT_EQ(ReadFile(log), (Bytes{2, 2}));
    EXPECT_FALSE(files.Exists(fresh));

    EXPECT_THROW(files.Replace(fresh, log), IoError);  // the source is gone
    EXPECT_EQ(ReadFile(log), (Bytes{2, 2}));
    WriteFile(fresh, {3});
    EXPECT_THROW(files.Replace(fresh, Path("no-such-folder/log.dat")), IoError);
    EXPECT_EQ(ReadFile(fresh), (Bytes{3}));

    files.Remove(fresh);
    EXPECT_FALSE(files.Exists(fresh));
}

TEST_F(NativeFiles, ListsTheFilesDirectlyInAFolderAndFailsOnNoFolder) {
    FileSystem& files = NativeFileSystem();
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(files.ListFiles(folder_.string()), std::vector<std::string>{});

    WriteFile(Path("a.dat"), {1});
    WriteFile(Path("B.DAT"), {});
    WriteFile(Path("notes"), {2, 3});
    fs::create_directory(folder_ / "sub.dat");
    WriteFile((folder_ / "sub.dat" / "c.dat").string(), {4});
    const std::vector<std::string> expected{"B.DAT", "a.dat", "notes"};
    EXPECT_EQ(sorted(files.ListFiles(folder_.string())), expected);
    const std::string withSeparator =
        folder_.string() + static_cast<char>(fs::path::preferred_separator);
    EXPECT_EQ(sorted(files.ListFiles(withSeparator)), expected);

    EXPECT_THROW(files.ListFiles(Path("missing")), IoError);
    EXPECT_THROW(files.ListFiles(Path("a.dat")), IoError);  // a file is no folder
}

// Makes a file read-only for as long as it lives. Root ignores permission bits, so there the
// file is made immutable instead; Windows (and Wine as root) also get a handle that shares no
// write access, which shuts writers out wherever the attribute alone is not enforced.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const fs::path& path) : path_(path) {
#ifdef __linux__
        if (::geteuid() == 0) {
            fd_ = ::open(path.c_str(), O_RDONLY);
            int flags = 0;
            if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                immutable_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
            }
            ok_ = immutable_;
            return;
        }
#endif
#ifdef _WIN32
        ok_ = ::SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_READONLY) != 0;
        lock_ = ::CreateFileA(path.string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ok_ = ok_ && lock_ != INVALID_HANDLE_VALUE;
#else
        fs::permissions(path,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        ok_ = true;
#endif
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
#ifdef __linux__
        if (fd_ >= 0) {
            int flags = 0;
            if (immutable_ && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd_);
            return;
        }
#endif
#ifdef _WIN32
        if (lock_ != INVALID_HANDLE_VALUE) ::CloseHandle(lock_);
        ::SetFileAttributesA(path_.string().c_str(), FILE_ATTRIBUTE_NORMAL);
#else
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
#endif
    }
    bool ok() const {
        return ok_;
    }

  private:
    fs::path path_;
    bool ok_ = false;
#ifdef __linux__
    int fd_ = -1;
    bool immutable_ = false;
#endif
#ifdef _WIN32
    HANDLE lock_ = INVALID_HANDLE_VALUE;
#endif
};

TEST_F(NativeFiles, ReadOnlyFileCannotBeOpenedNorCreatedNorReplaced) {
    FileSystem& files = NativeFileSystem();
    const std::string log = Path("log.dat");
    const std::string fresh = Path("log.dat.new");
    WriteFile(log, {5, 6, 7, 8, 9, 10, 11, 12});
    WriteFile(fresh, {1});
    {
        ReadOnlyFile readOnly(log);
        if (!readOnly.ok()) GTEST_SKIP() << "cannot make a read-only file here";
        EXPECT_THROW(files.OpenExisting(log), IoError);
        EXPECT_THROW(files.Create(log), IoError);
        EXPECT_THROW(files.Replace(fresh, log), IoError);
    }
    EXPECT_EQ(ReadFile(log), (Bytes{5, 6, 7, 8, 9, 10, 11, 12}));
}

}  // namespace
