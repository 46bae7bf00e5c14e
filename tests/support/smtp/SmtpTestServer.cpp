#include "SmtpTestServer.h"

#include "PythonServer.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QtDebug>

namespace {

const QString kPython = "/usr/bin/python3";
const QString kSupport = QStringLiteral(KV_SOURCE_DIR) + "/tests/support/";

bool Run(const QString& program, const QStringList& arguments, const QString& dir,
         QByteArray* output = nullptr)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning() << program << arguments << process.readAllStandardError();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

bool WriteText(const QString& fileName, const QByteArray& text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

const QStringList kEcKey{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1"};

bool MakeCa(const QString& dir, const QString& name)
{
    return Run("openssl",
               QStringList{"req", "-x509"} + kEcKey +
                   QStringList{"-nodes", "-keyout", name + ".key", "-out", name + ".pem", "-days",
                               "2", "-subj", "/CN=" + name + " test CA"},
               dir);
}

bool MakeSigned(const QString& dir, const QString& name, const QString& cert,
                const QString& altNames, const QString& passphrase = {})
{
    QStringList request =
        QStringList{"req"} + kEcKey +
        QStringList{"-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name};
    request += passphrase.isEmpty() ? QStringList{"-nodes"}
                                    : QStringList{"-passout", "pass:" + passphrase};
    return WriteText(dir + "/" + name + ".ext", "subjectAltName=" + altNames.toLatin1() + "\n") &&
           Run("openssl", request, dir) &&
           Run("openssl",
               {"x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-out", cert, "-days", "2", "-extfile", name + ".ext"},
               dir);
}

} // namespace

bool TSmtpTestServer::Start(const QStringList& options)
{
    QDir().mkpath(fOutDir);
    fPort =
        StartPythonServer(fProcess, "smtp_server.py", QStringList{"--outdir", fOutDir} + options);
    return fPort != 0;
}

void TSmtpTestServer::Stop()
{
    StopPythonServer(fProcess);
}

QList<QJsonObject> TSmtpTestServer::Messages() const
{
    QList<QJsonObject> result;
    for (int n = 1;; ++n) {
        QFile file(fOutDir + QString("/msg-%1.json").arg(n));
        if (!file.open(QIODevice::ReadOnly))
            return result;
        result.append(QJsonDocument::fromJson(file.readAll()).object());
    }
}

QStringList TSmtpTestServer::AuthAttempts() const
{
    QFile file(fOutDir + "/auth.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

bool MakeTestCertificates(const QString& dir, const QString& passphrase)
{
    return MakeCa(dir, "ca") && MakeCa(dir, "otherca") &&
           MakeSigned(dir, "server", "server.pem", "IP:127.0.0.1,DNS:localhost") &&
           MakeSigned(dir, "wronghost", "wronghost.pem", "DNS:mail.invalid") &&
           MakeSigned(dir, "client", "client.crt", "DNS:client.invalid", passphrase);
}

QJsonObject DescribeMessageFile(const QString& fileName)
{
    QByteArray output;
    if (!Run(kPython, {kSupport + "smtp_mime_dump.py", fileName}, QDir::currentPath(), &output))
        return {};
    return QJsonDocument::fromJson(output).object();
}

quint16 UnusedPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}
