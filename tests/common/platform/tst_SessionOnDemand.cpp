#include <QTest>

#include "common/platform/SessionOnDemand.h"

namespace {

// Records the calls it gets; fails every one with "refused".
class TRecordingSession : public ISessionService {
public:
    explicit TRecordingSession(std::string& calls) : calls(calls) {}
    bool EnableShutdownPrivilege() override { return Note("privilege"); }
    bool ExitWindowsSession(const std::string&, std::uint32_t, std::uint32_t) override
    {
        return Note("exit");
    }
    bool ShutdownComputer(const std::string&, bool, std::uint32_t) override
    {
        return Note("shutdown");
    }
    bool SuspendComputer(bool, bool, bool) override { return Note("suspend"); }
    bool LockWorkStation() override { return Note("lock"); }
    std::string LastError() const override { return "refused"; }

private:
    bool Note(const char* call)
    {
        calls += std::string(call) + ' ';
        return false;
    }
    std::string& calls;
};

} // namespace

class tst_SessionOnDemand : public QObject {
    Q_OBJECT

private slots:
    // The service is made at its first use, once, and every call reaches it.
    void createdOnFirstUse()
    {
        int made = 0;
        std::string calls;
        const auto session = CreateSessionServiceOnDemand([&] {
            ++made;
            return std::make_unique<TRecordingSession>(calls);
        });
        QCOMPARE(session->LastError(), std::string());
        QCOMPARE(made, 0);
        QVERIFY(!session->LockWorkStation());
        QVERIFY(!session->SuspendComputer(true, false, false));
        QVERIFY(!session->ShutdownComputer({}, false, 0));
        QVERIFY(!session->ExitWindowsSession({}, 0, 0));
        QVERIFY(!session->EnableShutdownPrivilege());
        QCOMPARE(made, 1);
        QCOMPARE(calls, std::string("lock suspend shutdown exit privilege "));
        QCOMPARE(session->LastError(), std::string("refused"));
    }
};

QTEST_GUILESS_MAIN(tst_SessionOnDemand)
#include "tst_SessionOnDemand.moc"
