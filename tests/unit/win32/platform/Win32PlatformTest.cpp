// The registry store and the single-instance hand-over against the real Win32 API (run under
// Wine here). Nothing of this exists in the native build.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "core/settings/HandOverText.h"
#include "core/settings/PasswordCodec.h"
#include "win32/platform/RegistryStore.h"
#include "win32/platform/SingleInstance.h"
#include "win32/platform/UniqueHandle.h"

namespace {

// A key of its own per run, removed again at the end.
class RegistryStoreTest : public ::testing::Test {
  protected:
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

    // Writes a value of any type straight into a section, bypassing the store.
    void PutRaw(const char* section, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (path_ + "\\" + section).c_str(), 0, nullptr,
                                    0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        UniqueKey owner(key);
        ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    std::string path_ =
        "Software\\Quillmere\\WorktallyUnitTest" + std::to_string(::GetCurrentProcessId());
    RegistrySettingsStore store_{HKEY_CURRENT_USER, path_};
};

TEST_F(RegistryStoreTest, OpenCreatesTheKeyAndMissingSectionsOrValuesReadAsAbsent) {
    store_.Open();
    HKEY key = nullptr;
    EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    UniqueKey owner(key);

    EXPECT_FALSE(store_.Query("Settings", "Password").has_value());  // no section
    store_.SetString("Settings", "Other", "x");
    EXPECT_FALSE(store_.Query("Settings", "Password").has_value());  // no value
    store_.Close();
}

TEST_F(RegistryStoreTest, StoresStringsWithTheirNulAndReadsThemBack) {
    store_.Open();
    const std::string longText(5000, 'q');  // larger than any first guess of a buffer
    for (const std::string& text : {std::string(), std::string("abc"), longText}) {
        store_.SetString("Main Window", "Top", text);
        DWORD type = 0;
        DWORD size = 0;
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, (path_ + "\\Main Window").c_str(), 0, KEY_READ,
                                  &key),
                  ERROR_SUCCESS);
        UniqueKey owner(key);
        ASSERT_EQ(::RegQueryValueExA(key, "Top", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, text.size() + 1);

        const auto value = store_.Query("Main Window", "Top");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->Type, SettingsStore::ValueType::String);
        EXPECT_EQ(value->Data, text + '\0');
    }
    store_.Close();
}

TEST_F(RegistryStoreTest, ReportsTheTypeOfValuesWrittenByOthers) {
    const DWORD number = 7;
    PutRaw("Settings", "Dword", REG_DWORD, &number, sizeof(number));
    PutRaw("Settings", "Expand", REG_EXPAND_SZ, "%TEMP%", 7);
    PutRaw("Settings", "NoData", REG_SZ, nullptr, 0);
    store_.Open();
    EXPECT_EQ(store_.Query("Settings", "Dword")->Type, SettingsStore::ValueType::Other);
    EXPECT_EQ(store_.Query("Settings", "Expand")->Type, SettingsStore::ValueType::ExpandString);
    EXPECT_EQ(store_.Query("Settings", "Expand")->Data, std::string("%TEMP%") + '\0');
    EXPECT_EQ(store_.Query("Settings", "NoData")->Data, "");
    // The shared rules on top: a value that is no text is a read error, not a default.
    EXPECT_THROW(ReadInteger(store_, "Settings", "Dword", 3), StoreError);
    store_.Close();
}

TEST_F(RegistryStoreTest, SettingsSurviveASaveAndALoad) {
    ProgramState saved;
    saved.EncodedPassword = EncodePassword("secret");
    saved.OneUser = true;
    saved.AutoRunUserName = "Jane Doe";
    SaveSettings(saved, store_);

    ProgramState loaded;
    LoadSettings(loaded, store_);
    EXPECT_EQ(loaded.EncodedPassword, saved.EncodedPassword);
    EXPECT_TRUE(loaded.OneUser);
    EXPECT_EQ(loaded.AutoRunUserName, "Jane Doe");
}

TEST(RegistryStoreFailure, AKeyThatCannotBeOpenedFailsEveryAccess) {
    // Not a key handle at all.
    RegistrySettingsStore broken(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)),
                                 "Software\\Quillmere\\WorktallyUnitTestBroken");
    EXPECT_THROW(broken.Open(), StoreError);
    EXPECT_THROW(broken.Query("Settings", "Password"), StoreError);
    EXPECT_THROW(broken.SetString("Settings", "Password", ""), StoreError);
    broken.Close();  // harmless without an open key

    ProgramState state;
    state.AutoRunUserName = "kept";
    LoadSettings(state, broken);  // silent, and nothing changes
    EXPECT_EQ(state.AutoRunUserName, "kept");
}

// Stands in for the running instance: a window of the main window's class on its own thread
// that records what a second instance hands over.
class RunningInstance {
  public:
    explicit RunningInstance(ParamsChannel& channel) : channel_(channel) {
        thread_ = std::thread([this] { Run(); });
        while (!ready_) std::this_thread::yield();
    }
    ~RunningInstance() {
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    int Received() const { return received_; }
    const std::string& Text() const { return text_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RunningInstance*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_COMMANDPARAMS && self != nullptr) {
            ++self->received_;
            // As the program does: kept in the message, taken out after it.
            self->text_ = KeepHandOverText(self->channel_)
                              ? TakeHandOverText(self->channel_).value_or("<lost>")
                              : "<unterminated>";
            return 0;
        }
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    void Run() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kMainWindowClass;
        ::RegisterClassA(&windowClass);
        hwnd_ = ::CreateWindowA(kMainWindowClass, "Worktally", 0, 0, 0, 0, 0, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ready_ = true;
        MSG message;
        while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
        ::DestroyWindow(hwnd_);
        ::UnregisterClassA(kMainWindowClass, windowClass.hInstance);
    }

    ParamsChannel& channel_;
    std::thread thread_;
    std::atomic<bool> ready_{false};
    HWND hwnd_ = nullptr;
    std::atomic<int> received_{0};
    std::string text_;
};

// Answers the first message box with `caption` and keeps its text.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(const char* caption) {
        thread_ = std::thread([this, caption] {
            for (int i = 0; i < 3000 && !stop_; ++i) {
                if (const HWND box = ::FindWindowA("#32770", caption)) {
                    char buffer[512] = "";
                    ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof(buffer));
                    text_ = buffer;
                    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                    return;
                }
                ::Sleep(10);
            }
        });
    }
    ~BoxAnswerer() { Join(); }
    // The box's text; call after the box was answered.
    std::string Text() {
        Join();
        return text_;
    }

  private:
    void Join() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::string text_;
};

TEST(ReplaceInUse, TheUserGetsTheNewFontWhileTheOldOneStillExists) {
    LOGFONTA description{};
    description.lfHeight = -12;
    UniqueFont owned(::CreateFontIndirectA(&description));
    const HFONT old = owned.Get();
    ASSERT_EQ(::GetObjectType(old), static_cast<DWORD>(OBJ_FONT));
    description.lfHeight = -18;
    HFONT given = nullptr;
    bool oldAliveWhenGiven = false;
    ReplaceInUse(owned, UniqueFont(::CreateFontIndirectA(&description)), [&](HFONT fresh) {
        given = fresh;
        oldAliveWhenGiven = ::GetObjectType(old) == OBJ_FONT;
    });
    EXPECT_TRUE(oldAliveWhenGiven);
    EXPECT_EQ(owned.Get(), given);
    EXPECT_EQ(::GetObjectType(old), 0u) << "the replaced font is freed afterwards";
}

TEST(SingleInstance, ASecondInstanceHandsItsCommandLineOverOrNothingAtAll) {
    // Only in a session where no real instance runs: it would receive our texts.
    if (const HANDLE existing = ::OpenFileMappingA(FILE_MAP_READ, FALSE, kParamsSectionName)) {
        ::CloseHandle(existing);
        GTEST_SKIP() << "a Worktally instance is running";
    }
    ProgramState first;
    ParamsChannel firstChannel;
    EXPECT_FALSE(CheckSingleInstance(first, firstChannel, "ignored "));
    EXPECT_FALSE(first.AlreadyRunning);
    ASSERT_TRUE(firstChannel.View);
    EXPECT_EQ(ReceiveHandOverText(firstChannel), "");  // a fresh section is zero-filled

    RunningInstance running(firstChannel);
    {
        SCOPED_TRACE("a text that fits");
        const std::string prefix = "/L /F \"C:\\My Logs\\w.dat\" ";
        const std::string text = prefix + std::string(1022 - prefix.size(), 'x') + " ";
        ASSERT_EQ(text.size(), 1023u);
        ProgramState second;
        ParamsChannel secondChannel;
        EXPECT_TRUE(CheckSingleInstance(second, secondChannel, text));
        EXPECT_TRUE(second.AlreadyRunning);
        EXPECT_EQ(running.Received(), 1);
        EXPECT_EQ(running.Text(), text);
    }
    {
        SCOPED_TRACE("a text one character too long");
        BoxAnswerer answer("Worktally");
        ProgramState second;
        ParamsChannel secondChannel;
        EXPECT_TRUE(CheckSingleInstance(second, secondChannel, std::string(1024, 'y')));
        EXPECT_NE(answer.Text().find("too long"), std::string::npos);
        EXPECT_EQ(running.Received(), 1);  // the running instance heard nothing
        EXPECT_EQ(ReceiveHandOverText(firstChannel).value_or("").size(), 1023u);
    }
    {
        SCOPED_TRACE("an unterminated section is not trusted");
        std::memset(firstChannel.View.Get(), 'z', kParamsSectionSize);
        EXPECT_FALSE(ReceiveHandOverText(firstChannel).has_value());
        EXPECT_FALSE(KeepHandOverText(firstChannel));
        EXPECT_FALSE(TakeHandOverText(firstChannel).has_value());
    }
    EXPECT_FALSE(ReceiveHandOverText(ParamsChannel{}).has_value());  // no section: nothing
}

TEST(SingleInstance, PollsForTheWindowUntilItIsFoundOrTheLimitHasPassed) {
    const HWND found = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x5678));
    struct Case {
        const char* Name;
        int FoundOnCall;  // 0: never
        std::chrono::milliseconds Limit;
        int MinCalls;
        int MaxCalls;  // a busy loop would make thousands
    };
    const Case cases[] = {
        {"there at once", 1, std::chrono::milliseconds(1000), 1, 1},
        {"there on the fourth try", 4, std::chrono::milliseconds(5000), 4, 4},
        {"never there", 0, std::chrono::milliseconds(200), 2, 2 * 200 / 20 + 2},
        {"no time at all: one try", 0, std::chrono::milliseconds(0), 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        int calls = 0;
        const HWND result =
            PollForWindow([&] { return ++calls == c.FoundOnCall ? found : nullptr; }, c.Limit,
                          std::chrono::milliseconds(20));
        EXPECT_EQ(result, c.FoundOnCall != 0 ? found : nullptr);
        EXPECT_GE(calls, c.MinCalls);
        EXPECT_LE(calls, c.MaxCalls);
    }
}

}  // namespace
