// The session and power service over a recording table of the system calls: nothing is really
// logged off, shut down or suspended.
#include <gtest/gtest.h>

#include "common/platform/SessionCalls_win.h"

namespace {

void* const kToken = reinterpret_cast<void*>(0x1234);

// Records every call; each call's result is set by the test.
struct TRecorder {
    std::vector<std::string> calls;
    bool tokenOpens = true, privilegeEnabled = true, result = true, hasSuspend = true;

    TSessionCalls Calls()
    {
        TSessionCalls c;
        c.openOwnToken = [this]() -> void* {
            calls.push_back("openToken");
            return tokenOpens ? kToken : nullptr;
        };
        c.enablePrivilege = [this](void* token, const std::wstring& privilege) {
            calls.push_back(std::string("enable ") +
                            (privilege == L"SeShutdownPrivilege" ? "shutdown" : "other") +
                            (token == kToken ? "" : " wrong token"));
            return privilegeEnabled;
        };
        c.closeToken = [this](void* token) {
            calls.push_back(token == kToken ? "closeToken" : "close wrong token");
        };
        c.exitWindows = [this](std::uint32_t flags, std::uint32_t reason) {
            calls.push_back("exitWindows " + std::to_string(flags) + " " + std::to_string(reason));
            return result;
        };
        c.shutdown = [this](bool restart, std::uint32_t reason) {
            calls.push_back("shutdown " + std::to_string(restart) + " " + std::to_string(reason));
            return result;
        };
        if (hasSuspend)
            c.suspend = [this](bool hibernate, bool force, bool noWake) {
                calls.push_back("suspend " + std::to_string(hibernate) + std::to_string(force) +
                                std::to_string(noWake));
                return result;
            };
        c.lockWorkStation = [this] {
            calls.push_back("lock");
            return result;
        };
        c.lastError = [] { return std::uint32_t(5); };
        return c;
    }
};

using TCalls = std::vector<std::string>;

TEST(WinSession, PrivilegeIsEnabledBeforeEveryEnd)
{
    TRecorder recorder;
    auto service = CreateSessionServiceWith(recorder.Calls(), {});
    EXPECT_TRUE(service->ExitWindowsSession({}, kExitLogOff | kExitForceIfHung, kReasonPlanned));
    EXPECT_TRUE(service->ShutdownComputer({}, true, kReasonPlanned));
    EXPECT_EQ(recorder.calls,
              (TCalls{"openToken", "enable shutdown", "closeToken", "exitWindows 16 2147483648",
                      "openToken", "enable shutdown", "closeToken", "shutdown 1 2147483648"}));
    EXPECT_EQ(service->LastError(), "");
}

TEST(WinSession, RefusedPrivilegeCallsNothing)
{
    TRecorder recorder;
    recorder.privilegeEnabled = false;
    auto service = CreateSessionServiceWith(recorder.Calls(), {});
    EXPECT_FALSE(service->ExitWindowsSession({}, kExitShutdown, 0));
    EXPECT_FALSE(service->ShutdownComputer({}, false, 0));
    EXPECT_EQ(recorder.calls, (TCalls{"openToken", "enable shutdown", "closeToken", "openToken",
                                      "enable shutdown", "closeToken"}));
    EXPECT_FALSE(service->LastError().empty()); // the system's text for access denied
}

TEST(WinSession, TokenThatCannotBeOpenedLeavesTheDecisionToTheCall)
{
    TRecorder recorder;
    recorder.tokenOpens = false;
    auto service = CreateSessionServiceWith(recorder.Calls(), {});
    EXPECT_TRUE(service->EnableShutdownPrivilege());
    EXPECT_TRUE(service->ExitWindowsSession({}, kExitReboot, 0));
    EXPECT_EQ(recorder.calls, (TCalls{"openToken", "openToken", "exitWindows 2 0"}));
}

TEST(WinSession, ConfirmationDecides)
{
    for (const bool yes : {false, true}) {
        TRecorder recorder;
        std::vector<std::string> asked;
        auto service = CreateSessionServiceWith(recorder.Calls(), [&](const std::string& text) {
            asked.push_back(text);
            return yes;
        });
        EXPECT_EQ(service->ShutdownComputer("Shut down?", false, 0), yes);
        EXPECT_EQ(asked, TCalls{"Shut down?"});
        EXPECT_EQ(recorder.calls.size(), yes ? 4u : 0u);
    }
    TRecorder recorder;
    auto noHook = CreateSessionServiceWith(recorder.Calls(), {});
    EXPECT_FALSE(noHook->ExitWindowsSession("Log off?", kExitLogOff, 0));
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(WinSession, SuspendAndLockPassTheirFlags)
{
    TRecorder recorder;
    auto service = CreateSessionServiceWith(recorder.Calls(), {});
    EXPECT_TRUE(service->SuspendComputer(true, false, true));
    recorder.result = false;
    EXPECT_FALSE(service->LockWorkStation());
    EXPECT_FALSE(service->LastError().empty());
    EXPECT_EQ(recorder.calls, (TCalls{"suspend 101", "lock"}));

    TRecorder noSuspend;
    noSuspend.hasSuspend = false;
    auto without = CreateSessionServiceWith(noSuspend.Calls(), {});
    EXPECT_FALSE(without->SuspendComputer(false, false, false));
    EXPECT_FALSE(without->LastError().empty());
}

TEST(WinSession, SystemTableIsComplete)
{
    // The real table is only inspected: calling it would end this session.
    const TSessionCalls calls = SystemSessionCalls();
    EXPECT_TRUE(calls.openOwnToken && calls.enablePrivilege && calls.closeToken &&
                calls.exitWindows && calls.shutdown && calls.lockWorkStation && calls.lastError);
    EXPECT_TRUE(calls.suspend); // powrprof.dll offers SetSuspendState
    void* token = calls.openOwnToken();
    ASSERT_NE(token, nullptr);
    EXPECT_TRUE(calls.enablePrivilege(token, L"SeShutdownPrivilege"));
    EXPECT_FALSE(calls.enablePrivilege(token, L"SeNoSuchPrivilege"));
    calls.closeToken(token);
}

} // namespace
