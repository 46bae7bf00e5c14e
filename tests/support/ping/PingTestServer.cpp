#include "ping/PingTestServer.h"

#include <QFile>

#include "PythonServer.h"

TPingTestServer::~TPingTestServer()
{
    StopPythonServer(fProcess);
}

bool TPingTestServer::Start(const QStringList& options)
{
    fTls = options.contains("--cert");
    fPort = StartPythonServer(fProcess, "ping_server.py", QStringList{"--log", fLog} + options);
    return fPort != 0;
}

QString TPingTestServer::Url() const
{
    return QString(fTls ? "https" : "http") + "://127.0.0.1:" + QString::number(fPort);
}

QStringList TPingTestServer::Requests() const
{
    QFile file(fLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}
