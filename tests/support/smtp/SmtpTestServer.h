#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// The test SMTP server (tests/support/smtp_server.py) for one test: started on 127.0.0.1 with
// the given options, stopped when the object goes.
class TSmtpTestServer {
public:
    explicit TSmtpTestServer(const QString& outDir) : fOutDir(outDir) {}
    ~TSmtpTestServer() { Stop(); }
    TSmtpTestServer(const TSmtpTestServer&) = delete;
    TSmtpTestServer& operator=(const TSmtpTestServer&) = delete;

    // Starts the server and waits until it accepts connections; false (with a warning) if not.
    bool Start(const QStringList& options);
    void Stop();
    quint16 Port() const { return fPort; }
    // The messages accepted so far, in order, each with its envelope.
    QList<QJsonObject> Messages() const;
    // The authentication attempts so far: "MECHANISM ok" or "MECHANISM fail".
    QStringList AuthAttempts() const;

private:
    QString fOutDir;
    QProcess fProcess;
    quint16 fPort = 0;
};

// Certificates made with the openssl tool in `dir`: "ca.pem" (a test CA), "otherca.pem" (an
// unrelated CA), "server.pem"/"server.key" (for 127.0.0.1 and localhost, signed by the test CA),
// "wronghost.pem"/"wronghost.key" (for another host name, same CA) and "client.crt"/"client.key"
// (client certificate, key encrypted with `passphrase`).
bool MakeTestCertificates(const QString& dir, const QString& passphrase);
// The MIME structure of a message file as read by Python's email package.
QJsonObject DescribeMessageFile(const QString& fileName);
// A TCP port on 127.0.0.1 on which nothing listens right now.
quint16 UnusedPort();
