#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "common/mail/mMailer10.h"

#include "../../support/smtp/SmtpTestServer.h"
#include "ScopedEnv.h"

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(TSecTransfer)

namespace {

const QString kPassphrase = "TorvanQuelmist";

QString ErrorText(const TmMailer& mailer)
{
    QStringList parts;
    for (const TSendError& e : mailer.ErrorList())
        parts.append(QString::number(e.ErrType) + ':' + e.ErrMsg);
    return parts.join(" | ");
}

QString Header(const QJsonObject& message, const QString& name)
{
    for (const QJsonValue& h : message["headers"].toArray())
        if (h[0].toString().compare(name, Qt::CaseInsensitive) == 0)
            return h[1].toString();
    return {};
}

int HeaderCount(const QJsonObject& message, const QString& name)
{
    int count = 0;
    for (const QJsonValue& h : message["headers"].toArray())
        count += h[0].toString().compare(name, Qt::CaseInsensitive) == 0;
    return count;
}

QStringList Strings(const QJsonValue& array)
{
    QStringList result;
    for (const QJsonValue& v : array.toArray())
        result.append(v.toString());
    return result;
}

QByteArray ReadFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_mMailer10 : public QObject {
    Q_OBJECT

private:
    QTemporaryDir fCerts;
    std::unique_ptr<QTemporaryDir> fWork;

    QString Cert(const QString& name) const { return fCerts.filePath(name); }
    QString LogName() const { return fWork->filePath("smtp.log"); }
    QString Log() const { return QString::fromUtf8(ReadFile(LogName())); }

    std::unique_ptr<TSmtpTestServer> Server(const QStringList& options)
    {
        auto server = std::make_unique<TSmtpTestServer>(fWork->filePath("server"));
        if (!server->Start(options))
            return nullptr;
        return server;
    }
    QStringList TlsServer(const QString& mode, const QString& cert = "server") const
    {
        return {"--tls", mode, "--cert", Cert(cert + ".pem"), "--key", Cert(cert + ".key")};
    }
    // A mailer set up as the starter sets it up, TLS files from the certificate folder.
    std::unique_ptr<TmMailer> Mailer(const QString& root = "ca.pem",
                                     const QString& passphrase = kPassphrase)
    {
        auto mailer = std::make_unique<TmMailer>(nullptr, fCerts.path() + '/', root, "client.crt",
                                                 "client.key", passphrase);
        Address(*mailer, 0);
        return mailer;
    }
    void Address(TmMailer& mailer, quint16 port)
    {
        mailer.SetHost("127.0.0.1");
        mailer.SetPort(port);
        mailer.SetContentType(ctUtf8);
        mailer.SetFrom({"KvStarter", "backup@example.org"});
        mailer.SetRecipients("admin@example.org");
        mailer.SetSubject("Report");
        mailer.AddToBody("Run log");
        mailer.SetReadTimeout(5s);
        mailer.SetLogname(LogName());
        mailer.SetWriteLogFile(true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(fCerts.isValid());
        QVERIFY(MakeTestCertificates(fCerts.path(), kPassphrase));
    }

    void init()
    {
        fWork = std::make_unique<QTemporaryDir>();
        QVERIFY(fWork->isValid());
    }

    void errorReportIsDeliveredAsUtf8Text()
    {
        auto server = Server({});
        QVERIFY(server);
        TmMailer mailer; // no TLS files at all: a plain connection needs none
        Address(mailer, server->Port());
        mailer.SetHeloName("Kelvara");
        mailer.SetSubject(QString::fromUtf8("Fehlerbericht – Sicherung „Täglich“"));
        mailer.SetRecipients("admin@example.org, \"Ops, Night\" <ops@example.org>");
        mailer.SetFrom({"KvStarter", "backup@example.org"});
        mailer.ClearExtraHeaders();
        mailer.AddExtraHeader("User-Agent", "KvStarter 6.2");
        mailer.AddExtraHeader("Sender", "backup@example.org");
        mailer.AddExtraHeader("Reply-To", "first@example.org");
        mailer.AddExtraHeader("reply-to", "admin@example.org");
        mailer.ClearBody();
        const QStringList body{"KvStarter error report 1 error:",
                               "",
                               QString::fromUtf8("  *** Größe überschritten"),
                               ".",
                               "..x",
                               "last line"};
        for (const QString& line : body)
            mailer.AddToBody(line);

        QVERIFY2(mailer.Send(), qPrintable(ErrorText(mailer)));
        mailer.SetWriteLogFile(false);

        const auto messages = server->Messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject& m = messages[0];
        QCOMPARE(m["helo"].toString(), QString("Kelvara"));
        QCOMPARE(m["mail_from"].toString(), QString("backup@example.org"));
        QCOMPARE(Strings(m["rcpt_tos"]), QStringList({"admin@example.org", "ops@example.org"}));
        QVERIFY(Strings(m["mail_options"]).contains("BODY=8BITMIME"));
        QCOMPARE(m["tls"].toBool(), false);
        const QJsonObject msg = m["message"].toObject();
        const QJsonObject part = msg["structure"].toObject();
        QCOMPARE(part["content_type"].toString(), QString("text/plain"));
        QCOMPARE(part["charset"].toString(), QString("utf-8"));
        QCOMPARE(part["cte"].toString(), QString("8bit"));
        QCOMPARE(part["text"].toString().replace("\r\n", "\n"), body.join('\n') + '\n');
        QCOMPARE(Header(msg, "Subject"), mailer.Subject());
        QCOMPARE(Header(msg, "From"), QString("KvStarter <backup@example.org>"));
        QCOMPARE(msg["addresses"]["to"][1][0].toString(), QString("Ops, Night"));
        QCOMPARE(Header(msg, "User-Agent"), QString("KvStarter 6.2"));
        QCOMPARE(Header(msg, "Sender"), QString("backup@example.org"));
        QCOMPARE(HeaderCount(msg, "Reply-To"), 1);
        QCOMPARE(Header(msg, "Reply-To"), QString("admin@example.org"));
        QVERIFY(!Header(msg, "Date").isEmpty());
        QVERIFY(Header(msg, "Message-ID").endsWith("@example.org>"));
        QVERIFY(msg["header_defects"].toArray().isEmpty());

        const QString log = Log();
        QVERIFY(log.startsWith('\n' + QString(46, '=') + '\n'));
        QVERIFY(log.contains(QRegularExpression(R"(Sent \d{4}-\d\d-\d\d [\d:.]+: EHLO Kelvara)")));
        QVERIFY(
            log.contains(QRegularExpression(R"(Recv [\d: .-]+: 250 2\.0\.0 Message accepted)")));
        QVERIFY(log.contains(": ..\n")); // the dot-stuffed body line
        QVERIFY(log.contains(": QUIT\n"));
    }

    void tlsModes_data()
    {
        QTest::addColumn<QString>("serverTls");
        QTest::addColumn<TSecTransfer>("mode");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<bool>("overTls");
        QTest::addColumn<QString>("error");
        QTest::newRow("explicit, offered") << "starttls" << stExplicit << true << true << "";
        QTest::newRow("explicit, not offered") << "none" << stExplicit << true << false << "";
        QTest::newRow("required, offered") << "starttls" << stRequired << true << true << "";
        QTest::newRow("required, not offered")
            << "none" << stRequired << false << false << "1:The server does not offer STARTTLS.";
        QTest::newRow("implicit") << "implicit" << stImplicit << true << true << "";
        QTest::newRow("none ignores STARTTLS") << "starttls" << stNone << true << false << "";
    }

    void tlsModes()
    {
        QFETCH(QString, serverTls);
        QFETCH(TSecTransfer, mode);
        QFETCH(bool, delivered);
        QFETCH(bool, overTls);
        QFETCH(QString, error);
        auto server = Server(TlsServer(serverTls));
        QVERIFY(server);
        auto mailer = Mailer();
        mailer->SetPort(server->Port());
        mailer->SetSecureTransfer(mode);

        QCOMPARE(mailer->Send(), delivered);
        QCOMPARE(ErrorText(*mailer), error);
        const auto messages = server->Messages();
        QCOMPARE(messages.size(), delivered ? 1 : 0);
        if (delivered)
            QCOMPARE(messages[0]["tls"].toBool(), overTls);
        QCOMPARE(Log().contains(": STARTTLS\n"), overTls && mode != stImplicit);
    }

    void certificates_data()
    {
        QTest::addColumn<QString>("serverCert");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("passphrase");
        QTest::addColumn<QString>("callbackPassphrase"); // "-" leaves OnSSLPassword unset
        QTest::addColumn<QString>("error");
        QTest::newRow("trusted") << "server"
                                 << "ca.pem" << kPassphrase << "-"
                                 << "";
        QTest::newRow("unknown CA") << "server"
                                    << "otherca.pem" << kPassphrase << "-"
                                    << "1:The server's certificate could not be verified: ";
        QTest::newRow("other host") << "wronghost"
                                    << "ca.pem" << kPassphrase << "-"
                                    << "1:The server's certificate could not be verified: ";
        QTest::newRow("wrong passphrase") << "server"
                                          << "ca.pem"
                                          << "wrong"
                                          << "-"
                                          << "1:Could not load key, check password.";
        QTest::newRow("passphrase from callback") << "server"
                                                  << "ca.pem"
                                                  << "wrong" << kPassphrase << "";
        QTest::newRow("callback overrides") << "server"
                                            << "ca.pem" << kPassphrase << "bad"
                                            << "1:Could not load key, check password.";
        QTest::newRow("not a certificate") << "server"
                                           << "client.key" << kPassphrase << "-"
                                           << "1:Could not load root certificate.";
    }

    void certificates()
    {
        QFETCH(QString, serverCert);
        QFETCH(QString, root);
        QFETCH(QString, passphrase);
        QFETCH(QString, callbackPassphrase);
        QFETCH(QString, error);
        auto server = Server(TlsServer("implicit", serverCert));
        QVERIFY(server);
        auto mailer = Mailer(root, passphrase);
        mailer->SetPort(server->Port());
        mailer->SetSecureTransfer(stImplicit);
        if (callbackPassphrase != "-")
            mailer->SetOnSSLPassword([&](QString& p) { p = callbackPassphrase; });

        QCOMPARE(mailer->Send(), error.isEmpty());
        QVERIFY2(error.isEmpty() ? ErrorText(*mailer).isEmpty()
                                 : ErrorText(*mailer).startsWith(error),
                 qPrintable(ErrorText(*mailer)));
        QCOMPARE(server->Messages().size(), error.isEmpty() ? 1 : 0);
    }

    void noSecureWithoutTlsFiles_data()
    {
        QTest::addColumn<TSecTransfer>("mode");
        QTest::newRow("explicit") << stExplicit;
        QTest::newRow("required") << stRequired;
        QTest::newRow("implicit") << stImplicit;
    }

    // A mailer made without certificate file names has no TLS: no connection is attempted.
    void noSecureWithoutTlsFiles()
    {
        QFETCH(TSecTransfer, mode);
        auto server = Server(TlsServer("starttls"));
        QVERIFY(server);
        auto mailer = std::make_unique<TmMailer>(nullptr);
        Address(*mailer, server->Port());
        mailer->SetSecureTransfer(mode);
        QVERIFY(!mailer->TlsAvailable());

        QVERIFY(!mailer->Send());
        QCOMPARE(ErrorText(*mailer), QString("3:Error creating SSL session."));
        QVERIFY(server->Messages().isEmpty());
        const QString log = Log();
        QVERIFY(log.contains(QRegularExpression("Error [\\d: .-]+: Error creating SSL session.")));
        QVERIFY(log.contains("*** No certificate files are configured."));
        QVERIFY(!log.contains("Sent ")); // no connection was made
    }

    // Without the root file the system's trusted certificates verify the server (name and
    // chain); without both client files no client certificate is sent.
    void systemStoreWithoutRootFile_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("serverCert");
        QTest::addColumn<QString>("error");
        QTest::newRow("trusted by the store") << "ca.pem"
                                              << "server"
                                              << "";
        QTest::newRow("not in the store") << "otherca.pem"
                                          << "server"
                                          << "1:The server's certificate could not be verified: ";
        QTest::newRow("other host") << "ca.pem"
                                    << "wronghost"
                                    << "1:The server's certificate could not be verified: ";
    }
    void systemStoreWithoutRootFile()
    {
        QFETCH(QString, store);
        QFETCH(QString, serverCert);
        QFETCH(QString, error);
        // OpenSSL's default store is this test's CA file, for this process and this case only.
        const ScopedEnv file("SSL_CERT_FILE", QFile::encodeName(Cert(store)));
        const ScopedEnv dir("SSL_CERT_DIR", QFile::encodeName(fWork->filePath("none")));
        auto server = Server(TlsServer("implicit", serverCert));
        QVERIFY(server);
        auto mailer = std::make_unique<TmMailer>(nullptr, fCerts.path() + '/', "missing.pem",
                                                 "missing.crt", "client.key", kPassphrase);
        Address(*mailer, server->Port());
        mailer->SetSecureTransfer(stImplicit);
        QVERIFY(mailer->TlsAvailable());

        QCOMPARE(mailer->Send(), error.isEmpty());
        QVERIFY2(error.isEmpty() ? ErrorText(*mailer).isEmpty()
                                 : ErrorText(*mailer).startsWith(error),
                 qPrintable(ErrorText(*mailer)));
        QCOMPARE(server->Messages().size(), error.isEmpty() ? 1 : 0);
    }

    void authentication_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("refusing"); // mechanisms that refuse even good credentials
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("used"); // empty: not delivered
        QTest::addColumn<QStringList>("attempts");
        const QString all = "PLAIN,LOGIN,CRAM-MD5,CRAM-SHA1";
        QTest::newRow("PLAIN") << "PLAIN"
                               << ""
                               << "s3cret"
                               << "PLAIN" << QStringList{"PLAIN ok"};
        QTest::newRow("LOGIN") << "LOGIN"
                               << ""
                               << "s3cret"
                               << "LOGIN" << QStringList{"LOGIN ok"};
        QTest::newRow("CRAM-MD5") << "CRAM-MD5"
                                  << ""
                                  << "s3cret"
                                  << "CRAM-MD5" << QStringList{"CRAM-MD5 ok"};
        QTest::newRow("CRAM-SHA1") << "CRAM-SHA1"
                                   << ""
                                   << "s3cret"
                                   << "CRAM-SHA1" << QStringList{"CRAM-SHA1 ok"};
        QTest::newRow("CRAM-SHA1 first") << all << ""
                                         << "s3cret"
                                         << "CRAM-SHA1" << QStringList{"CRAM-SHA1 ok"};
        QTest::newRow("CRAM-MD5 before PLAIN") << "LOGIN,PLAIN,CRAM-MD5"
                                               << ""
                                               << "s3cret"
                                               << "CRAM-MD5" << QStringList{"CRAM-MD5 ok"};
        QTest::newRow("PLAIN before LOGIN") << "LOGIN,PLAIN"
                                            << ""
                                            << "s3cret"
                                            << "PLAIN" << QStringList{"PLAIN ok"};
        QTest::newRow("next after a refusal")
            << all << "CRAM-SHA1,CRAM-MD5"
            << "s3cret"
            << "PLAIN" << QStringList{"CRAM-SHA1 fail", "CRAM-MD5 fail", "PLAIN ok"};
        QTest::newRow("wrong password")
            << all << ""
            << "wrong"
            << "" << QStringList{"CRAM-SHA1 fail", "CRAM-MD5 fail", "PLAIN fail", "LOGIN fail"};
        QTest::newRow("no password, no AUTH") << all << ""
                                              << ""
                                              << "-" << QStringList{};
        QTest::newRow("no common mechanism") << ""
                                             << ""
                                             << "s3cret"
                                             << "" << QStringList{};
    }

    void authentication()
    {
        QFETCH(QString, offered);
        QFETCH(QString, refusing);
        QFETCH(QString, password);
        QFETCH(QString, used);
        QFETCH(QStringList, attempts);
        auto server = Server({"--auth", offered, "--fail-mechanism", refusing, "--user",
                              QString::fromUtf8("nächtlich"), "--password", "s3cret"});
        QVERIFY(server);
        auto mailer = Mailer();
        mailer->SetPort(server->Port());
        mailer->SetUserId(QString::fromUtf8("nächtlich"));
        mailer->SetPassword(password);

        const bool sent = mailer->Send();
        QCOMPARE(sent, !used.isEmpty());
        QCOMPARE(ErrorText(*mailer), used.isEmpty() ? QString("1:Authentication Failed") : "");
        QCOMPARE(server->AuthAttempts(), attempts);
        const auto messages = server->Messages();
        QCOMPARE(messages.size(), used.isEmpty() ? 0 : 1);
        if (!used.isEmpty())
            QCOMPARE(messages[0]["auth_mechanism"].toString(), used == "-" ? QString() : used);
        const QString log = Log();
        QVERIFY(!log.contains("s3cret"));
        QCOMPARE(log.contains(": AUTH "), !attempts.isEmpty());
        for (const QString& line : log.split('\n'))
            if (line.contains("Sent ") && line.contains(": AUTH "))
                QVERIFY2(line.endsWith("****") || !line.contains("PLAIN"), qPrintable(line));
        const QString plainSecret = QByteArray("\0nächtlich\0" + password.toUtf8()).toBase64();
        QVERIFY(password.isEmpty() || !log.contains(plainSecret));
    }

    void refusedRecipient_data()
    {
        QTest::addColumn<bool>("continueOnFailure");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QStringList>("delivered");
        const QString reply = "1:550 5.1.1 <bad@example.org>: Recipient address rejected";
        QTest::newRow("stop") << false << QStringList{"bad@example.org"}
                              << "2:bad@example.org | " + reply << QStringList{};
        QTest::newRow("continue") << true << QStringList{"bad@example.org"} << "2:bad@example.org"
                                  << QStringList{"good@example.org", "copy@example.org",
                                                 "hidden@example.org"};
        QTest::newRow("continue, all refused")
            << true
            << QStringList{"good@example.org", "bad@example.org", "copy@example.org",
                           "hidden@example.org"}
            << "2:good@example.org | 2:bad@example.org | 2:copy@example.org | "
               "2:hidden@example.org | 1:550 5.1.1 <hidden@example.org>: Recipient address "
               "rejected"
            << QStringList{};
    }

    void refusedRecipient()
    {
        QFETCH(bool, continueOnFailure);
        QFETCH(QStringList, refused);
        QFETCH(QString, errors);
        QFETCH(QStringList, delivered);
        QStringList options;
        for (const QString& r : refused)
            options << "--refuse" << r;
        auto server = Server(options);
        QVERIFY(server);
        auto mailer = Mailer();
        mailer->SetPort(server->Port());
        mailer->SetRecipients("good@example.org, bad@example.org");
        mailer->SetCCList("copy@example.org");
        mailer->SetBCCList("Hidden <hidden@example.org>, good@example.org");
        mailer->SetContinueOnFailedRecipient(continueOnFailure);

        QVERIFY(!mailer->Send()); // a refused recipient is never a success
        QCOMPARE(ErrorText(*mailer), errors);
        const auto messages = server->Messages();
        QCOMPARE(messages.size(), delivered.isEmpty() ? 0 : 1);
        if (delivered.isEmpty())
            return;
        QCOMPARE(Strings(messages[0]["rcpt_tos"]), delivered);
        const QJsonObject msg = messages[0]["message"].toObject();
        QCOMPARE(HeaderCount(msg, "Bcc"), 0);
        QVERIFY(!QJsonDocument(msg).toJson().contains("hidden@"));
        QCOMPARE(Header(msg, "Cc"), QString("copy@example.org"));
    }

    void largeAttachmentOverTlsArrivesIntact()
    {
        auto server = Server(TlsServer("implicit"));
        QVERIFY(server);
        auto mailer = Mailer();
        mailer->SetPort(server->Port());
        mailer->SetSecureTransfer(stImplicit);
        mailer->SetWriteLogFile(false);
        QByteArray data(3 * 1024 * 1024, Qt::Uninitialized);
        for (char& c : data)
            c = char(QRandomGenerator::global()->generate());
        const QString path = fWork->filePath("backup.7z");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();
        mailer->Attachments().AttachedFiles() = {path + "|octet-stream"};
        qint64 announced = 0;
        QList<qint64> steps;
        bool ended = false;
        mailer->SetOnBeginSend(
            [&](TmMailer&, TWorkMode, qint64, qint64 size) { announced = size; });
        mailer->SetOnSending([&](TmMailer&, TWorkMode, qint64 done) { steps.append(done); });
        mailer->SetOnEndSend([&](TmMailer&, TWorkMode) { ended = true; });

        QVERIFY2(mailer->Send(), qPrintable(ErrorText(*mailer)));
        const auto messages = server->Messages();
        QCOMPARE(messages.size(), 1);
        const QJsonValue part = messages[0]["message"]["structure"]["parts"][1];
        QCOMPARE(part["content_type"].toString(), QString("application/octet-stream"));
        QVERIFY(QByteArray::fromBase64(part["payload_b64"].toString().toLatin1()) == data);
        QVERIFY(steps.size() > 10);
        QVERIFY(std::is_sorted(steps.begin(), steps.end()));
        QCOMPARE(steps.last(), announced);
        QVERIFY(ended);
    }

    void serverNotListening()
    {
        auto mailer = Mailer();
        mailer->SetPort(UnusedPort());
        QVERIFY(!mailer->Send());
        QCOMPARE(mailer->ErrorList().size(), 1);
        QCOMPARE(mailer->ErrorList()[0].ErrType, seSmtp);
        QVERIFY2(mailer->ErrorList()[0].ErrMsg.startsWith("Could not connect to 127.0.0.1 port"),
                 qPrintable(ErrorText(*mailer)));
    }

    void serverStopsAnswering_data()
    {
        QTest::addColumn<QString>("stallAt");
        QTest::addColumn<int>("readTimeout");
        QTest::addColumn<int>("sendLimit");
        QTest::addColumn<QString>("error");
        QTest::newRow("read time-out after the message")
            << "DATA" << 400 << 60000 << "1:Read timed out.";
        QTest::newRow("read time-out after MAIL") << "MAIL" << 400 << 60000 << "1:Read timed out.";
        QTest::newRow("whole send bounded")
            << "DATA" << 60000 << 600 << "1:Sending took too long and was stopped.";
    }

    void serverStopsAnswering()
    {
        QFETCH(QString, stallAt);
        QFETCH(int, readTimeout);
        QFETCH(int, sendLimit);
        QFETCH(QString, error);
        auto server = Server({"--stall-at", stallAt});
        QVERIFY(server);
        auto mailer = Mailer();
        mailer->SetPort(server->Port());
        mailer->SetReadTimeout(std::chrono::milliseconds(readTimeout));
        mailer->SetSendTimeLimit(std::chrono::milliseconds(sendLimit));
        int disconnected = 0;
        mailer->SetOnDisconnected([&](TmMailer&) { ++disconnected; });
        // The error tells which limit ended the send.
        QVERIFY(!mailer->Send());
        QCOMPARE(ErrorText(*mailer), error);
        QCOMPARE(disconnected, 1);
    }

    void logIsAppendedPerSwitchOn()
    {
        QFile old(LogName());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier\n");
        old.close();
        TmMailer mailer;
        mailer.SetLogname(LogName());
        for (int i = 0; i < 2; ++i) {
            mailer.SetWriteLogFile(true);
            mailer.SetWriteLogFile(true); // already on: no second separator
            QVERIFY(mailer.WriteLogFile());
            mailer.SetWriteLogFile(false);
        }
        const QString separator = '\n' + QString(46, '=') + '\n';
        QCOMPARE(Log(), "earlier\n" + separator + separator);
    }
};

QTEST_GUILESS_MAIN(tst_mMailer10)
#include "tst_mMailer10.moc"
