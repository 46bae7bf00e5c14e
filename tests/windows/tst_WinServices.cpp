// Registry, known folders, version information, event log and names through the Windows calls.
#include <filesystem>

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "common/platform/SystemInfo.h"
#include "common/platform/TaskbarWindows.h"
#include "common/platform/TaskbarWindows_win.h"
#include "common/platform/WinEventLog_win.h"
#include "common/platform/WinFolders_win.h"
#include "common/platform/WinLogonSession_win.h"
#include "common/platform/WinRegistry_win.h"

namespace {

const std::string kTestKey = "Software\\Kelvara6 test \xc3\xa4";

class WinRegistry : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(DeleteRegTree(TRegRoot::CurrentUser, kTestKey)); }
    void TearDown() override { DeleteRegTree(TRegRoot::CurrentUser, kTestKey); }
};

TEST_F(WinRegistry, StringsRoundTripInUtf8)
{
    const std::string value = "C:\\Users\\J\xc3\xb6rg M\xc3\xbcller\\\xd0\x96 settings";
    ASSERT_TRUE(WriteRegString(TRegRoot::CurrentUser, kTestKey, "IniPath \xc3\xa9", value));
    EXPECT_EQ(ReadRegString(TRegRoot::CurrentUser, kTestKey, "IniPath \xc3\xa9"), value);
    ASSERT_TRUE(WriteRegString(TRegRoot::CurrentUser, kTestKey, "Empty", ""));
    EXPECT_EQ(ReadRegString(TRegRoot::CurrentUser, kTestKey, "Empty"), "");
}

TEST_F(WinRegistry, WrongTypeOrMissingReadsAsAbsent)
{
    ASSERT_TRUE(WriteRegDword(TRegRoot::CurrentUser, kTestKey, "Number", 7));
    ASSERT_TRUE(WriteRegString(TRegRoot::CurrentUser, kTestKey, "Text", "7"));
    EXPECT_EQ(ReadRegDword(TRegRoot::CurrentUser, kTestKey, "Number"), 7u);
    EXPECT_EQ(ReadRegString(TRegRoot::CurrentUser, kTestKey, "Number"), std::nullopt);
    EXPECT_EQ(ReadRegDword(TRegRoot::CurrentUser, kTestKey, "Text"), std::nullopt);
    EXPECT_EQ(ReadRegString(TRegRoot::CurrentUser, kTestKey, "Missing"), std::nullopt);
    EXPECT_EQ(ReadRegString(TRegRoot::CurrentUser, kTestKey + "\\none", "Text"), std::nullopt);
    EXPECT_TRUE(RegKeyExists(TRegRoot::CurrentUser, kTestKey));
    EXPECT_TRUE(DeleteRegTree(TRegRoot::CurrentUser, kTestKey));
    EXPECT_FALSE(RegKeyExists(TRegRoot::CurrentUser, kTestKey));
}

TEST(WinFolders, KnownFoldersExistWithTrailingBackslash)
{
    for (const TWinFolder folder :
         {TWinFolder::RoamingAppData, TWinFolder::LocalAppData, TWinFolder::Documents,
          TWinFolder::Desktop, TWinFolder::ProgramFiles}) {
        const std::string path = KnownFolderPath(folder);
        ASSERT_FALSE(path.empty()) << int(folder);
        EXPECT_EQ(path.back(), '\\');
        EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(Utf8ToWide(path)))) << path;
    }
    EXPECT_NE(KnownFolderPath(TWinFolder::RoamingAppData),
              KnownFolderPath(TWinFolder::LocalAppData));
}

TEST(WinFolders, VersionOfSystemLibraryHasFourParts)
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const auto version = FileVersionText(WideToUtf8(system) + "\\kernel32.dll");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(std::count(version->begin(), version->end(), '.'), 3);
    EXPECT_EQ(FileVersionText("C:\\no such file.dll"), std::nullopt);
    const TTempFolder folder;
    std::ofstream(std::filesystem::path(Utf8ToWide(folder.File(L"plain.exe")))) << "MZ";
    EXPECT_EQ(FileVersionText(folder.File(L"plain.exe")), std::nullopt);
}

TEST(WinEventLog, EntriesAreWritten)
{
    EXPECT_EQ(EventSourceKey("Kelvara"),
              "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Kelvara");
    EXPECT_FALSE(WinEventSourceRegistered("Kelvara no such source"));
    EXPECT_TRUE(ReportWinEvent("Kelvara", TWinEventType::Information, 2, 0x40000017,
                               {"Daily \xc3\xa4", "C:\\a b\\c.buj"}));
    EXPECT_TRUE(ReportWinEvent("Kelvara", TWinEventType::Error, 2, 0xC0000020, {}));
}

TEST(WinSystemInfo, NamesAreKnown)
{
    EXPECT_FALSE(GetLoginUserName().empty());
    EXPECT_FALSE(GetLocalComputerName().empty());
    const std::string sam = GetSamUserName();
    EXPECT_NE(sam.find(GetLoginUserName()), std::string::npos) << sam;
    EXPECT_TRUE(IsVistaOrLater());
    EXPECT_EQ(IsNative64BitProcess(), sizeof(void*) == 8);
    EXPECT_EQ(CurrentProcessId(), static_cast<int>(GetCurrentProcessId()));
}

TEST(WinLogonSession, OwnSessionIsNoBatchLogon)
{
    // A test runs in a user's session; the authority may not tell (Wine), never "batch".
    EXPECT_NE(OwnLogonType(), kBatchLogonType);
    HasVisibleWindowStation(); // answers without a display as well
}

TEST(WinTaskbar, RuleOfTheTaskbar)
{
    struct TCase {
        bool visible, owned;
        std::uint32_t style;
        bool shown;
    };
    const TCase cases[] = {
        {true, false, 0, true},
        {false, false, 0, false},
        {true, true, 0, false},
        {true, false, WS_EX_TOOLWINDOW, false},
        {true, false, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, true},
        {true, true, WS_EX_APPWINDOW, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TaskbarShows(c.visible, c.owned, c.style), c.shown)
            << c.visible << c.owned << c.style;
}

TEST(WinTaskbar, OnlyVisibleTitledWindowsAreListed)
{
    const HWND hidden = CreateWindowExW(0, L"STATIC", L"kv hidden", WS_OVERLAPPEDWINDOW, 0, 0, 10,
                                        10, nullptr, nullptr, nullptr, nullptr);
    const HWND tool =
        CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"kv tool", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const HWND shown =
        CreateWindowExW(0, L"STATIC", L"kv shown \u00e4", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                        10, 10, nullptr, nullptr, nullptr, nullptr);
    if (!hidden || !tool || !shown)
        GTEST_SKIP() << "no window station (Wine without a display)";
    std::vector<std::string> titles;
    for (const TTaskbarWindow& window : ListTaskbarWindows()) {
        titles.push_back(window.title);
        if (window.title == "kv shown \xc3\xa4") {
            EXPECT_EQ(window.processId, static_cast<int>(GetCurrentProcessId()));
        }
    }
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "kv shown \xc3\xa4"), 1);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "kv hidden"), 0);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "kv tool"), 0);
    DestroyWindow(hidden);
    DestroyWindow(tool);
    DestroyWindow(shown);
}

} // namespace
