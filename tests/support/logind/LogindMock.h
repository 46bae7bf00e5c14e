#pragma once

#include <memory>

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>

// A private message bus of the test with the login manager mock on it; stopped with the object.
// Nothing here ever talks to the machine's own system bus.
class TLogindMock {
public:
    ~TLogindMock();
    // Empty when it runs, else why it could not be started (a reason to skip).
    QString Start();
    // Only the bus, without a login manager on it.
    QString StartBus();
    const QString& Address() const { return FAddress; }
    // The calls the mock recorded: "Method(arg, arg)".
    QStringList Calls();
    void ClearCalls() { Call("ClearCalls"); }
    // A method of the mock's control interface (AddSession, ClearCalls, ...).
    void Call(const char* method, const QVariantList& args = {});
    QDBusConnection& Control() { return *FControl; }

private:
    QString FAddress;
    qint64 FDaemonPid = 0;
    QProcess FMock;
    std::unique_ptr<QDBusConnection> FControl;
};
