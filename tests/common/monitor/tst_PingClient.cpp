// Pings of a run against a local server: order, answers, a server that hangs, TLS.
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "common/monitor/PingClient.h"
#include "common/monitor/RunMonitor.h"
#include "ping/PingTestServer.h"
#include "smtp/SmtpTestServer.h"

class tst_PingClient : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp;

    QString Log() const { return tmp->filePath("pings.txt"); }

    // A monitor without metrics whose failures and journal lines are kept.
    TRunMonitor Monitor(QStringList& failures, QStringList& journal, const QString& caFile = {})
    {
        TRunMonitor m(kStarterProgram, {QString(), caFile},
                      [&failures](const TMonitorFailure& f) { failures.append(f.Text); });
        m.Journal = [&journal](bool, const QString& text) { journal.append(text); };
        return m;
    }

private slots:
    void init() { tmp = std::make_unique<QTemporaryDir>(); }

    void addresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("fail");
        QTest::newRow("plain") << "https://ping.example/abc"
                               << "https://ping.example/abc/start"
                               << "https://ping.example/abc"
                               << "https://ping.example/abc/fail";
        QTest::newRow("trailing slash") << "http://h/abc/ "
                                        << "http://h/abc/start"
                                        << "http://h/abc"
                                        << "http://h/abc/fail";
        QTest::newRow("query stays last") << "https://h/p?rid=1"
                                          << "https://h/p/start?rid=1"
                                          << "https://h/p?rid=1"
                                          << "https://h/p/fail?rid=1";
    }
    void addresses()
    {
        QFETCH(QString, url);
        QFETCH(QString, start);
        QFETCH(QString, success);
        QFETCH(QString, fail);
        QCOMPARE(PingAddress(url, TPingKind::Start), start);
        QCOMPARE(PingAddress(url, TPingKind::Success), success);
        QCOMPARE(PingAddress(url, TPingKind::Fail), fail);
    }

    void runOrder()
    {
        // The programs load the client from their module; this test has it linked in.
        SetPingSender(&SendPing);
        TPingTestServer server(Log());
        QVERIFY(server.Start());
        QStringList failures, journal;
        TRunMonitor monitor = Monitor(failures, journal);
        const QString url = server.Url() + "/check/abc";
        TRunRecord ok;
        ok.Name = "Daily";
        monitor.Begin(url);
        monitor.End(ok, url);
        TRunRecord failed = ok;
        failed.Errors = 2;
        failed.ExitCode = 4;
        monitor.Begin(url);
        monitor.End(failed, url);
        QCOMPARE(server.Requests(), (QStringList{"/check/abc/start", "/check/abc",
                                                 "/check/abc/start", "/check/abc/fail"}));
        QCOMPARE(failures, QStringList());
        QCOMPARE(journal.size(), 2);
        QVERIFY2(journal[0].startsWith("KvStarter run: group=\"Daily\" outcome=success errors=0 "
                                       "exit_code=0 duration_seconds="),
                 qPrintable(journal[0]));
        QVERIFY2(journal[1].contains("outcome=failure errors=2 exit_code=4"),
                 qPrintable(journal[1]));
        // No address: no ping, and no failure.
        monitor.Begin(QString());
        monitor.End(ok, QString());
        QCOMPARE(server.Requests().size(), 4);
        QCOMPARE(failures, QStringList());
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server error") << QStringList{"--status", "500"} << "SERVER/x"
                                      << "HTTP 500";
        QTest::newRow("nobody listens") << QStringList{} << "http://127.0.0.1:1/x"
                                        << "refused";
        QTest::newRow("not a web address") << QStringList{} << "file:///etc/passwd"
                                           << "not an http";
        QTest::newRow("no address at all") << QStringList{} << "nonsense"
                                           << "not an http";
    }
    void failuresAreReported()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, url);
        QFETCH(QString, reason);
        TPingTestServer server(Log());
        QVERIFY(server.Start(options));
        url.replace("SERVER", server.Url());
        const QString error = SendPing(url, TPingKind::Success, QString());
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    }

    // A server that never answers costs the limit, then the run goes on.
    void hangingServer()
    {
        TPingTestServer server(Log());
        QVERIFY(server.Start({"--hang", "/slow"}));
        QElapsedTimer timer;
        timer.start();
        const QString error = SendPing(server.Url() + "/slow", TPingKind::Success, QString(), 500);
        QVERIFY2(error.contains("no answer within 0.5 seconds"), qPrintable(error));
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(SendPing(server.Url() + "/slow", TPingKind::Fail, QString(), 500), QString());
    }

    void tlsWithTestCa()
    {
        const QString certs = tmp->filePath("certs");
        QDir().mkpath(certs);
        QVERIFY(MakeTestCertificates(certs, "unused"));
        TPingTestServer server(Log());
        QVERIFY(server.Start({"--cert", certs + "/server.pem", "--key", certs + "/server.key"}));
        const QString url = server.Url() + "/tls";
        QCOMPARE(SendPing(url, TPingKind::Start, certs + "/ca.pem"), QString());
        // Not trusted by the system, nor by an unrelated CA.
        QVERIFY(!SendPing(url, TPingKind::Success, QString()).isEmpty());
        QVERIFY(!SendPing(url, TPingKind::Success, certs + "/otherca.pem").isEmpty());
        const QString noCerts = SendPing(url, TPingKind::Success, tmp->filePath("none.pem"));
        QVERIFY2(noCerts.contains("no certificates"), qPrintable(noCerts));
        QCOMPARE(server.Requests(), QStringList{"/tls/start"});
    }
};

QTEST_GUILESS_MAIN(tst_PingClient)
#include "tst_PingClient.moc"
