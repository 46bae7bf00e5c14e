#pragma once

// Test servers written in Python (Debian's interpreter, so its packages are found).

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtDebug>

// Starts the server script of tests/support and waits for its line "READY <port>"; the port,
// or 0 (with a warning) when it did not start.
inline quint16 StartPythonServer(QProcess& process, const QString& script,
                                 const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral(KV_SOURCE_DIR "/tests/support/") + script} +
                      arguments);
    QByteArray line;
    while (!line.endsWith('\n') && process.waitForReadyRead(15000))
        line += process.readLine();
    if (!line.startsWith("READY ")) {
        qWarning() << "test server" << script << "did not start:" << line;
        return 0;
    }
    return quint16(line.mid(6).trimmed().toUInt());
}

// Ends a server started by StartPythonServer.
inline void StopPythonServer(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}
