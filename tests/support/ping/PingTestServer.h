#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The test ping server (tests/support/ping_server.py) for one test, on 127.0.0.1; stopped when
// the object goes.
class TPingTestServer {
public:
    explicit TPingTestServer(const QString& logFile) : fLog(logFile) {}
    ~TPingTestServer();
    TPingTestServer(const TPingTestServer&) = delete;
    TPingTestServer& operator=(const TPingTestServer&) = delete;

    // Starts the server with the options ("--hang", path; "--status", code; "--cert", file,
    // "--key", file); false (with a warning) when it did not start.
    bool Start(const QStringList& options = {});
    // Its base address, e.g. "http://127.0.0.1:4711".
    QString Url() const;
    // The paths requested so far, in order.
    QStringList Requests() const;

private:
    QString fLog;
    QProcess fProcess;
    quint16 fPort = 0;
    bool fTls = false;
};
