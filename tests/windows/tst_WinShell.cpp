// Shell links written and read back through the shell's COM objects.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "common/platform/WinShell.h"

namespace {

TEST(WinShell, LinkRoundTripsEveryField)
{
    const TTempFolder folder;
    const std::string file = folder.File(L"Daily \u00e4 backup.lnk");
    for (const bool runAsAdmin : {true, false}) {
        const TShortcutLink written = {"C:\\Program Files\\Kelvara \xc3\xa4\\KvStarter.exe",
                                       "Daily,Weekly /force \"/ini:C:\\a b\\x.ini\"", folder.Utf8(),
                                       "Kelvara: Daily \xe2\x82\xac", runAsAdmin};
        ASSERT_EQ(CreateShortcut(file, written.target, written.arguments, written.workingFolder,
                                 written.description, written.runAsAdmin),
                  0);
        TShortcutLink read;
        ASSERT_EQ(ReadShortcut(file, read), 0);
        EXPECT_EQ(read.target, written.target);
        EXPECT_EQ(read.arguments, written.arguments);
        EXPECT_EQ(read.workingFolder, written.workingFolder);
        EXPECT_EQ(read.description, written.description);
        // Wine's link writer leaves the "run as administrator" flag out of the file.
        if (!RunningUnderWine()) {
            EXPECT_EQ(read.runAsAdmin, runAsAdmin);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(Utf8ToWide(file + ".tmp"))));
}

TEST(WinShell, MissingLinkReadsAsTwoAndEmpty)
{
    TShortcutLink link{"x", "y", "z", "d", true};
    EXPECT_EQ(ReadShortcut("C:\\no such folder\\x.lnk", link), 2);
    EXPECT_EQ(link.target, "");
    EXPECT_FALSE(link.runAsAdmin);
}

TEST(WinShell, FailedWriteKeepsTheOldFileAndSaysWhy)
{
    const TTempFolder folder;
    const std::string file = folder.File(L"keep.lnk");
    ASSERT_EQ(CreateShortcut(file, "C:\\old.exe", "", "", "old", false), 0);
    // A folder of the temporary file's name makes the save fail.
    std::filesystem::create_directory(std::filesystem::path(Utf8ToWide(file + ".tmp")));
    const int result = CreateShortcut(file, "C:\\new.exe", "", "", "new", false);
    EXPECT_LT(result, 0);
    EXPECT_FALSE(ShellErrorMessage(result).empty());
    TShortcutLink read;
    ASSERT_EQ(ReadShortcut(file, read), 0);
    EXPECT_EQ(read.description, "old");

    EXPECT_LT(CreateShortcut(folder.File(L"no folder\\x.lnk"), "C:\\x.exe", "", "", "", false), 0);
}

TEST(WinShell, DesktopAndExtension)
{
    EXPECT_EQ(ShortcutExtension(), ".lnk");
    const std::string desktop = GetDesktopFolder();
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(desktop.back(), '\\');
    RefreshDesktop();
}

} // namespace
