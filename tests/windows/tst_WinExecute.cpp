// Starting, waiting for and ending processes through the Windows calls.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "common/platform/CommandLine.h"
#include "common/platform/LogonCheck.h"
#include "common/platform/ProcessEnvironment.h"
#include "common/platform/SystemEnvironment.h"
#include "common/platform/SystemInfo.h"
#include "common/platform/TaskbarWindows.h"
#include "common/platform/WinExecute.h"

namespace {

std::string ChildLine(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {ChildProgram()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return JoinWindowsCommandLine(words);
}

std::uint32_t RunChild(const std::vector<std::string>& arguments)
{
    TProcessHandle child = StartProcess(ChildLine(arguments), {});
    return WaitForProcess(child, 0);
}

TEST(WinExecute, ExitCodesCarryTheFlag)
{
    EXPECT_EQ(RunChild({"exit", "0"}), 0u);
    EXPECT_EQ(RunChild({"exit", "3"}), 3u | kExitCodeFlag);
    EXPECT_EQ(RunChild({"exit", "255"}), 255u | kExitCodeFlag);
}

TEST(WinExecute, TimeoutKeepsTheHandleOpen)
{
    TProcessHandle child = StartProcess(ChildLine({"sleep", "1500"}), {});
    EXPECT_GT(child.ProcessId(), 0);
    EXPECT_EQ(WaitForProcess(child, 50), kWaitTimeout);
    EXPECT_TRUE(child.IsOpen());
    int slices = 0;
    EXPECT_EQ(WaitForProcess(child, 0, [&] { ++slices; }), 0u);
    EXPECT_FALSE(child.IsOpen());
    EXPECT_GT(slices, 0); // pending events were processed between the slices
}

TEST(WinExecute, ArgumentsAndFolderArriveUnchanged)
{
    const TTempFolder folder;
    const std::string out = folder.File(L"args \u00e9.txt");
    const std::vector<std::string> arguments = {"/ini:C:\\Users\\J\xc3\xb6rg\\a b.ini", "",
                                                "say \"hi\"", "end\\"};
    std::vector<std::string> words = {"args", out};
    words.insert(words.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(RunChild(words), 0u);
    std::string expected;
    for (const std::string& argument : arguments)
        expected += argument + '\n';
    EXPECT_EQ(ReadAll(out), expected);

    const std::string cwdFile = folder.File(L"cwd.txt");
    TProcessHandle child = StartProcess(ChildLine({"cwd", cwdFile}), folder.Utf8());
    EXPECT_EQ(WaitForProcess(child, 0), 0u);
    EXPECT_EQ(ReadAll(cwdFile), folder.Utf8());
}

TEST(WinExecute, MissingProgramRaisesTheSystemsText)
{
    for (const std::string& line :
         {std::string("C:\\no such folder\\nothing.exe /x"), std::string(" ")}) {
        try {
            StartProcess(line, {});
            FAIL() << "started: " << line;
        } catch (const EProcessError& error) {
            EXPECT_EQ(error.Code(), 2u);
            EXPECT_FALSE(error.SystemText().empty());
            EXPECT_EQ(std::string(error.what()), error.SystemText() + " (0x00000002)");
        }
    }
}

TEST(WinExecute, ChildrenGetTheUsersOwnValues)
{
    const TTempFolder folder;
    const std::string out = folder.File(L"env.txt");
    const std::string name = "KV_TEST_LANGUAGE";
    SetOwnVariable(name, "de \xc3\xa4");
    EXPECT_EQ(SystemVariable(name), "de \xc3\xa4");
    EXPECT_EQ(UserVariable(name), std::nullopt);
    EXPECT_EQ(RunChild({"env", name, out}), 0u);
    EXPECT_EQ(ReadAll(out), "(unset)");

    SetSystemVariable("KV_TEST_USER", "\xd0\x96 x");
    EXPECT_EQ(RunChild({"env", "KV_TEST_USER", out}), 0u);
    EXPECT_EQ(ReadAll(out), "\xd0\x96 x");
}

TEST(WinExecute, MissingFolderRaises)
{
    EXPECT_THROW(StartProcess(ChildLine({"exit", "0"}), "C:\\no such folder"), EProcessError);
}

TEST(WinExecute, OwnAccountStartsDirectly)
{
    for (const std::string& user : {std::string(), CurrentAccountName()}) {
        TProcessHandle child =
            StartProcessAsUser(user, {}, "not used", {}, ChildLine({"exit", "4"}));
        EXPECT_EQ(WaitForProcess(child, 0), 4u | kExitCodeFlag) << user;
    }
}

TEST(WinExecute, UnknownAccountIsRefused)
{
    const TLogonCheckResult check = CheckAccountLogon("PC\\no such user \xc3\xa4", "secret");
    EXPECT_EQ(check.result, TLogonCheck::UnknownAccount);
    EXPECT_FALSE(check.text.empty());
}

TEST(WinExecute, LogonStartOfUnknownAccountRaises)
{
    try {
        TProcessHandle child =
            StartProcessAsUser("no such user", "PC", "secret", {}, ChildLine({"exit", "0"}));
        WaitForProcess(child, 0);
        FAIL() << "started under an unknown account";
    } catch (const EProcessError& error) {
        EXPECT_EQ(error.Account(), "PC\\no such user");
        EXPECT_NE(error.Code(), 0u);
    }
}

TEST(WinExecute, TerminateEndsTheProcessWithCode5)
{
    TProcessHandle child = StartProcess(ChildLine({"sleep", "20000"}), {});
    EXPECT_EQ(ProcessProgramName(child.ProcessId()), "kv_wintest_child.exe");
    EXPECT_EQ(TerminateProcessById(child.ProcessId()), std::nullopt);
    EXPECT_EQ(WaitForProcess(child, 5000), 5u | kExitCodeFlag);
}

TEST(WinExecute, OwnAndMissingProcessesAreNotTerminated)
{
    EXPECT_NE(TerminateProcessById(CurrentProcessId()), std::nullopt);
    EXPECT_NE(TerminateProcessById(0), std::nullopt);
    EXPECT_EQ(ProcessProgramName(0), std::nullopt);
}

TEST(WinExecute, ClosedHandleWaitsNot)
{
    TProcessHandle none;
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.ProcessId(), 0);
    EXPECT_NE(WaitForProcess(none, 0), 0u);
}

} // namespace
