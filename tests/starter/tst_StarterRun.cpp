// Runs the real KvStarter with the test stand-in of the backup program.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <unistd.h>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <QJsonArray>
#include <QJsonObject>

#include "LogindMock.h"
#include "ProgramEnvironment.h"
#include "ScopedEnv.h"
#include "smtp/SmtpTestServer.h"
#include "common/platform/SessionServices.h"
#include "common/platform/WinExecute.h"
#include "starter/StarterRun.h"
#include "starter/StarterSettings.h"

class tst_StarterRun : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString work, calls, settingsDir;

    QString Path(const QString& name) const { return tmp->filePath(name); }
    QString Ini() const { return settingsDir + "KvStarter.ini"; }
    QString Log() const { return settingsDir + "KvStarter.log"; }

    QString MakeTask(const QString& name)
    {
        const QString path = Path(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

    // A group that runs under the current account without asking for a password.
    std::unique_ptr<TTaskProperties> Group(const QString& name, const QStringList& tasks,
                                           bool parallel = false)
    {
        auto g = std::make_unique<TTaskProperties>(name);
        g->Pwd = "unused";
        g->PwdPrompt = false;
        g->ParProc = parallel;
        for (const QString& t : tasks)
            g->AddTask(MakeTask(t.startsWith('#') ? t.mid(1) : t), !t.startsWith('#'));
        return g;
    }

    void Save(TGroupList groups)
    {
        TStarterSettings s;
        s.Groups = std::move(groups);
        SaveStarterSettings(Ini(), s);
    }

    int Run(const QStringList& args, const QStringList& env = {},
            const QString& program = KV_BIN_DIR "/KvStarter")
    {
        QProcess p;
        QProcessEnvironment e = ProgramEnvironment(tmp->path());
        e.insert("XDG_CONFIG_HOME", Path("cfg"));
        e.insert("FAKE_KELVARA_LOG", calls);
        // Never reach the machine's real session services from a test.
        e.insert("DBUS_SYSTEM_BUS_ADDRESS",
                 logind.Address().isEmpty() ? "unix:path=" + Path("no-bus") : logind.Address());
        e.insert("XDG_SESSION_ID", "c7");
        for (const QString& kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(work);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(program, args);
        if (!p.waitForFinished(60000))
            return -99;
        lastStderr = p.readAllStandardError();
        return p.exitCode();
    }

    QList<QStringList> Calls() const
    {
        QList<QStringList> out;
        QFile f(calls);
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& line : f.readAll().split('\n'))
                if (!line.isEmpty())
                    out.append(QString::fromUtf8(line).split('\t').mid(1));
        return out;
    }

    QStringList LogLines() const
    {
        QFile f(Log());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split("\r\n");
    }

    QByteArray lastStderr;
    QByteArray seen; // what a terminal showed
    TLogindMock logind;
    std::optional<QString> logindFailure;

    // The login manager mock, started once; its calls are cleared for every use.
    QString StartLogind()
    {
        if (!logindFailure)
            logindFailure = logind.Start();
        if (logindFailure->isEmpty())
            logind.ClearCalls();
        return *logindFailure;
    }

    // A mail set-up for the report of a run with one error, to the test server.
    TStarterSettings ReportSettings(quint16 port)
    {
        TStarterSettings s;
        s.Groups.push_back(Group("Daily", {"a.buj"}));
        s.MailData.SMTP = "127.0.0.1";
        s.MailData.Port = port;
        s.MailData.Recipients = "ops@example.org";
        s.MailData.Sender = "robot@example.org";
        s.MailData.Enabled = true;
        return s;
    }

    QString QueueDir() const { return settingsDir + "KvStarter.mailqueue"; }
    QStringList Queued() const
    {
        return QDir(QueueDir()).entryList({"*.eml"}, QDir::Files, QDir::Name);
    }
    static QString MessageHeader(const QJsonObject& record, const QString& name)
    {
        for (const QJsonValue& h : record["message"].toObject()["headers"].toArray())
            if (h[0].toString().compare(name, Qt::CaseInsensitive) == 0)
                return h[1].toString();
        return {};
    }
    static QByteArray FileHeader(const QString& file, const QByteArray& name)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith(QByteArray(name + ": ")))
                return line.mid(name.size() + 2).trimmed();
        return {};
    }

private slots:
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        work = Path("work");
        calls = Path("calls.txt");
        settingsDir = Path("cfg") + "/Kelvara6/";
        QDir().mkpath(work);
        QDir().mkpath(settingsDir);
        QVERIFY(QFile::link(KV_BIN_DIR "/fake-kelvara", work + "/Kelvara"));
    }

    void sequentialRunAndLog()
    {
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj", "#b b.buj", "c c.buj"}));
        Save(std::move(groups));
        QFile ini(Ini());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray stored = ini.readAll();
        ini.close();
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}), 0);
        const QList<QStringList> c = Calls();
        QCOMPARE(c.size(), 1);
        QCOMPARE(c[0], (QStringList{"/startapp:kvstarter", "/prompt:delay", "/nosound", "/wait:5",
                                    "/force", "/noaction", Path("a.buj"), Path("c c.buj")}));
        const QStringList log = LogLines();
        QVERIFY2(log.size() == 8, qPrintable(log.join('\n')));
        QVERIFY(
            QRegularExpression("^KvStarter - (32|64)-bit \\(Version \\d+\\.\\d+\\.\\d+\\.\\d+\\)$")
                .match(log[0])
                .hasMatch());
        QVERIFY(log[1].startsWith("  ==> Start: "));
        QCOMPARE(log[2], QString("  ->  Backup group: Daily - User name: "));
        QCOMPARE(log[3], "      Backup task: " + Path("a.buj"));
        QCOMPARE(log[4], "      Backup task: " + Path("c c.buj"));
        QVERIFY(log[5].startsWith("  ==> End: "));
        QCOMPARE(log[6], QString());
        QCOMPARE(log[7], QString());

        // A second run appends, again closed by an empty line.
        QCOMPARE(Run({"Daily", "-f", "/lo:1"}), 0);
        QCOMPARE(LogLines().size(), 15);
        QCOMPARE(LogLines().count(log[0]), 2);
        // A command-line run never rewrites the settings file.
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), stored);
    }

    void parallelDelaysAndInstances()
    {
        TGroupList groups;
        auto g = Group("Par", {"#p0.buj", "p1.buj", "p2.buj"}, true);
        g->StartDelay = 10;
        g->Status = 0;
        groups.push_back(std::move(g));
        Save(std::move(groups));
        QCOMPARE(Run({"Par", "/force", "/logmode:1"}), 0);
        const QList<QStringList> c = Calls();
        QCOMPARE(c.size(), 2);
        const QStringList common{"/startapp:kvstarter", "/prompt:quiet", "/nosound", "/force",
                                 "/noaction"};
        QCOMPARE(c[0], (common + QStringList{"/delay:10", "/xinst:2", Path("p1.buj")}));
        QCOMPARE(c[1], (common + QStringList{"/delay:20", "/xinst:3", Path("p2.buj")}));
    }

    void errorsUnknownGroupsAndExitCodes()
    {
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        groups.push_back(Group("Par", {"p1.buj", "p2.buj"}, true));
        Save(std::move(groups));
        QCOMPARE(Run({"Nope,daily", "Par", "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=4"}), 0);
        const QStringList log = LogLines();
        QCOMPARE(log[2], QString("  *** Unknown group: Nope"));
        QCOMPARE(log[3], QString("  ->  Backup group: Daily - User name: "));
        QCOMPARE(log[5], QString("  *** Error reported by Kelvara: Errors during backup!"));
        QCOMPARE(
            log.filter("  *** Error reported by Kelvara: Errors during backup! - Backup task: ")
                .size(),
            2);
        QCOMPARE(Calls().size(), 3);
    }

    void cancelledPromptSkipsTheRest()
    {
        TGroupList groups;
        auto asks = Group("Asks", {"a.buj"});
        asks->Pwd.clear(); // no stored password: the group must ask
        groups.push_back(std::move(asks));
        groups.push_back(Group("Daily", {"b.buj"}));
        Save(std::move(groups));
        QCOMPARE(Run({"Asks,Daily", "/force", "/logmode:1"}), 0);
        const QStringList log = LogLines();
        QCOMPARE(log[3], QString("  *** Canceled by user"));
        QVERIFY(log[4].startsWith("  ==> End: "));
        QVERIFY(Calls().isEmpty());
    }

    // Without a display but on a terminal the password is asked for there, without echo.
    void passwordOnTheTerminal()
    {
        if (QStandardPaths::findExecutable("script").isEmpty())
            QSKIP("script (util-linux) is not installed");
        TGroupList groups;
        auto asks = Group("Asks", {"a.buj"});
        asks->Pwd.clear();
        groups.push_back(std::move(asks));
        Save(std::move(groups));
        QProcess terminal;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove("DISPLAY");
        e.remove("WAYLAND_DISPLAY");
        e.insert("XDG_CONFIG_HOME", Path("cfg"));
        e.insert("FAKE_KELVARA_LOG", calls);
        e.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + Path("no-bus"));
        terminal.setProcessEnvironment(e);
        terminal.setWorkingDirectory(work);
        terminal.start("script",
                       {"-q", "-e", "-c", QString(KV_BIN_DIR "/KvStarter Asks /force /logmode:1"),
                        "/dev/null"});
        QVERIFY(terminal.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            seen.append(terminal.readAllStandardOutput()).contains("Password: "), 10000);
        terminal.write("typed-secret\n");
        QVERIFY(terminal.waitForFinished(20000));
        seen += terminal.readAllStandardOutput();
        QVERIFY2(!seen.contains("typed-secret"), seen.constData());
        QCOMPARE(Calls().size(), 1);
        QVERIFY(!LogLines().contains("  *** Canceled by user"));
    }

    void noLogWithoutLogmodeAndAllUnselected()
    {
        TGroupList groups;
        groups.push_back(Group("Off", {"#a.buj"}));
        Save(std::move(groups));
        QCOMPARE(Run({"Off", "/force", "/logmode:0"}), 0);
        QVERIFY(!QFile::exists(Log()));
        QCOMPARE(Calls().size(), 1);
        QCOMPARE(Calls()[0].size(), 6);                     // options only
        QCOMPARE(Run({"Off", "/forced", "/logmode:1"}), 0); // no force: nothing runs
        QCOMPARE(Calls().size(), 1);
    }

    void actionsAfterTheRun_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("announcement");
        const QString down = "  ==> The system will be shut down!";
        QTest::newRow("end wins over suspend") << QStringList{"/end:shutdown", "/suspend:standby"}
                                               << QStringList{"PowerOff(false)"} << down;
        QTest::newRow("power off is a shutdown")
            << QStringList{"/end:poweroff", "/s:h"} << QStringList{"PowerOff(false)"} << down;
        QTest::newRow("lockdown locks first")
            << QStringList{"/end:lockdown"} << QStringList{"LockSession(c7)", "PowerOff(false)"}
            << down;
        QTest::newRow("restart") << QStringList{"/end:restart"} << QStringList{"Reboot(false)"}
                                 << "  ==> The system will be restarted!";
        QTest::newRow("log off") << QStringList{"/end:logoff"}
                                 << QStringList{"TerminateSession(c7)"}
                                 << "  ==> The user will be logged off!";
        QTest::newRow("hibernate") << QStringList{"/suspend:hibernate"}
                                   << QStringList{"CanHibernate()", "Hibernate(false)"}
                                   << "  ==> The system will enter the hibernate state!";
        QTest::newRow("standby") << QStringList{"/suspend:standby"}
                                 << QStringList{"CanSuspend()", "Suspend(false)"}
                                 << "  ==> The system will enter the standby state!";
        QTest::newRow("lock only")
            << QStringList{"/lockscreen"} << QStringList{"LockSession(c7)"} << QString();
    }
    void actionsAfterTheRun()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, calls);
        QFETCH(QString, announcement);
        if (const QString why = StartLogind(); !why.isEmpty())
            QSKIP(qPrintable(why));
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        Save(std::move(groups));
        QCOMPARE(Run(QStringList{"Daily", "/force", "/logmode:1"} + options), 0);
        QCOMPARE(logind.Calls(), calls);
        const QStringList log = LogLines();
        QVERIFY(log[4].startsWith("  ==> End: "));
        QCOMPARE(log[5], announcement);
    }

    // The selection before the run: "Only backup" keeps the action of the command line, and the
    // ticked box terminates programs even without /term.
    void selectionKeepsCommandLineAction()
    {
        if (const QString why = StartLogind(); !why.isEmpty())
            QSKIP(qPrintable(why));
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        TStarterState state;
        state.Stored.Groups = std::move(groups);
        state.Options.Force = state.Options.ActPrompt = true;
        state.Options.LogOffMode = dmRestart;
        state.Options.ConfigList = "Daily";
        state.KvPath = KV_BIN_DIR "/fake-kelvara";
        std::unique_ptr<IProcessLauncher> launcher = CreateSystemLauncher();
        const ScopedEnv sessionId("XDG_SESSION_ID", "c7");
        std::unique_ptr<ISessionService> session =
            CreateSessionService(logind.Address().toStdString());
        QString caption;
        int terminations = 0;
        TStarterServices services;
        services.Launcher = launcher.get();
        services.Session = session.get();
        services.SelectAction = [&](const QString& text, const QStringList& buttons,
                                    const QString&) {
            caption = text;
            return buttons.indexOf("Only backup") + 256;
        };
        services.Terminate = [&](QStringList&, int&) { ++terminations; };
        TStarterRun run(state, services);
        QVERIFY(run.CheckForce());
        QCOMPARE(caption, QString("Start configurated backups as different user:\nDaily"));
        QCOMPARE(terminations, 1);
        QCOMPARE(logind.Calls(), QStringList{"Reboot(false)"});
        QCOMPARE(run.LogList().last(), QString("  ==> The system will be restarted!"));

        // Cancelling the selection runs nothing and writes no log.
        services.SelectAction = [](const QString&, const QStringList&, const QString&) {
            return -1;
        };
        logind.ClearCalls();
        TStarterRun cancelled(state, services);
        QVERIFY(cancelled.CheckForce());
        QVERIFY(cancelled.LogList().isEmpty());
        QVERIFY(logind.Calls().isEmpty());
    }

    // A run with errors mails its log to the recipients; a run without errors mails nothing.
    void errorReportIsMailed()
    {
        TSmtpTestServer server(Path("smtp"));
        QDir().mkpath(Path("smtp"));
        QVERIFY(server.Start({}));
        TStarterSettings s;
        s.Groups.push_back(Group("Daily", {"a.buj"}));
        s.MailData.SMTP = "127.0.0.1";
        s.MailData.Port = server.Port();
        s.MailData.Recipients = "ops@example.org, admin@example.org";
        s.MailData.Sender = "Backup Robot";
        s.MailData.ReplyTo = "robot@example.org";
        s.MailData.Enabled = true;
        SaveStarterSettings(Ini(), s);

        QCOMPARE(Run({"Daily", "/force"}), 0);
        QVERIFY(server.Messages().isEmpty());

        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=2"}), 0);
        const QList<QJsonObject> messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject& m = messages[0];
        QCOMPARE(m["helo"].toString(), QString("Kelvara"));
        QCOMPARE(m["mail_from"].toString(), QString("robot@example.org"));
        QCOMPARE(m["rcpt_tos"].toArray().size(), 2);
        const QJsonObject msg = m["message"].toObject();
        const QJsonObject part = msg["structure"].toObject();
        QCOMPARE(part["content_type"].toString(), QString("text/plain"));
        QCOMPARE(part["charset"].toString(), QString("utf-8"));
        QStringList body = part["text"].toString().replace("\r\n", "\n").split('\n');
        QCOMPARE(body.value(0), QString("KvStarter error report 1 error:"));
        QCOMPARE(body.value(1), QString());
        QStringList log = LogLines();
        log.removeAll(QString());
        body.removeAll(QString());
        QCOMPARE(body.mid(1), log);
        QVERIFY(log.contains("  *** Error reported by Kelvara: Destination path not found!"));
        QMap<QString, QString> headers;
        for (const QJsonValue& h : msg["headers"].toArray())
            headers[h[0].toString().toLower()] = h[1].toString();
        QCOMPARE(headers["subject"], QString("KvStarter error report"));
        QCOMPARE(headers["from"], QString("Backup Robot <robot@example.org>"));
        QCOMPARE(headers["sender"], QString("robot@example.org"));
        QCOMPARE(headers["reply-to"], QString("robot@example.org"));
        QVERIFY(headers["user-agent"].startsWith("KvStarter (Version "));
    }

    // A name without an address is sent from the account when that is an address; no empty
    // Reply-To; a recipient with a display name (quoted as the stored comma text has it) is one.
    void reportSenderAndRecipients()
    {
        TSmtpTestServer server(Path("smtp"));
        QDir().mkpath(Path("smtp"));
        QVERIFY(server.Start({}));
        TStarterSettings s = ReportSettings(server.Port());
        s.MailData.Sender = "Backup Robot";
        s.MailData.Username = "robot@example.org"; // no password: no log-on
        s.MailData.Recipients = "\"Ops Team <ops@example.org>\",admin@example.org";
        SaveStarterSettings(Ini(), s);
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=2"}), 0);
        const QList<QJsonObject> messages = server.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0]["mail_from"].toString(), QString("robot@example.org"));
        QCOMPARE(messages[0]["rcpt_tos"].toArray(),
                 (QJsonArray{"ops@example.org", "admin@example.org"}));
        QMap<QString, QStringList> headers;
        for (const QJsonValue& h : messages[0]["message"].toObject()["headers"].toArray())
            headers[h[0].toString().toLower()].append(h[1].toString());
        QCOMPARE(headers["from"], QStringList{"Backup Robot <robot@example.org>"});
        QCOMPARE(headers["to"], QStringList{"Ops Team <ops@example.org>, admin@example.org"});
        QVERIFY(!headers.contains("reply-to"));
        QVERIFY(LogLines().filter("could not be sent").isEmpty());
    }

    // No root file beside the program: the system's trusted certificates verify the server (here
    // a throw-away CA handed to this run alone through OpenSSL's SSL_CERT_FILE).
    void reportOverTlsWithTheSystemStore()
    {
        QVERIFY(!QFile::exists(KV_BIN_DIR "/kelvararoot.pem"));
        const QString certs = Path("certs");
        QVERIFY(QDir().mkpath(certs));
        QVERIFY(MakeTestCertificates(certs, "TorvanQuelmist"));
        TSmtpTestServer server(Path("smtp"));
        QDir().mkpath(Path("smtp"));
        QVERIFY(server.Start({"--tls", "implicit", "--cert", certs + "/server.pem", "--key",
                              certs + "/server.key"}));
        TStarterSettings s = ReportSettings(server.Port());
        s.MailData.SecureMode = stImplicit;
        SaveStarterSettings(Ini(), s);
        const QStringList noCa{"FAKE_KELVARA_EXIT=2", "SSL_CERT_FILE=" + certs + "/otherca.pem",
                               "SSL_CERT_DIR=" + Path("none")};
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, noCa), 0);
        QVERIFY(server.Messages().isEmpty());
        QVERIFY2(
            LogLines()
                    .filter("  *** The error report could not be sent: The server's certificate "
                            "could not be verified")
                    .size() == 1,
            qPrintable(LogLines().join('\n')));

        QStringList trusted = noCa;
        trusted[1] = "SSL_CERT_FILE=" + certs + "/ca.pem";
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, trusted), 0);
        // The report that failed was queued and goes first.
        const QList<QJsonObject> messages = server.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0]["tls"].toBool() && messages[1]["tls"].toBool());
    }

    // Reports that the server did not take are kept and go, oldest first and with the dates
    // of their runs, before the next report that gets through; then the queue is empty.
    void unsentReportsAreQueuedAndSentLater()
    {
        SaveStarterSettings(Ini(), ReportSettings(UnusedPort()));
        const QStringList failing{"FAKE_KELVARA_EXIT=2"};
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, failing), 0);
        QStringList log = LogLines();
        const int failed = log.indexOf(QRegularExpression("^  \\*\\*\\* The error report could not "
                                                          "be sent: .*"));
        QVERIFY(failed > 0);
        QVERIFY2(log.value(failed + 1)
                     .startsWith("  ==> The error report was queued in \"" + QueueDir() + "\""),
                 qPrintable(log.join('\n')));
        QCOMPARE(Queued().size(), 1);
        QCOMPARE(QFileInfo(QueueDir()).permissions() & 0x0777, QFile::Permissions(0x0700));
        const QString first = QueueDir() + '/' + Queued()[0];
        QCOMPARE(QFileInfo(first).permissions() & 0x0777, QFile::Permissions(0x0600));
        const QByteArray firstDate = FileHeader(first, "Date");
        const QByteArray firstId = FileHeader(first, "Message-ID");
        QVERIFY(!firstDate.isEmpty() && !firstId.isEmpty());

        QTest::qWait(1100); // another second in the Date header
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, failing), 0);
        QVERIFY2(LogLines()
                         .filter("  *** The queued error report \"" + Queued()[0] +
                                 "\" could not be sent: ")
                         .size() == 1,
                 qPrintable(LogLines().join('\n')));
        QCOMPARE(Queued().size(), 2);
        const QByteArray secondId = FileHeader(QueueDir() + '/' + Queued()[1], "Message-ID");

        TSmtpTestServer server(Path("smtp"));
        QDir().mkpath(Path("smtp"));
        QVERIFY(server.Start({}));
        SaveStarterSettings(Ini(), ReportSettings(server.Port()));
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, failing), 0);
        QList<QJsonObject> messages = server.Messages();
        QCOMPARE(messages.size(), 3);
        const auto date = [](const QString& text) {
            return QDateTime::fromString(text, Qt::RFC2822Date);
        };
        QVERIFY(date(firstDate).isValid());
        QCOMPARE(date(MessageHeader(messages[0], "Date")), date(firstDate));
        QCOMPARE(MessageHeader(messages[0], "Message-ID").toLatin1(), firstId);
        QCOMPARE(MessageHeader(messages[1], "Message-ID").toLatin1(), secondId);
        QVERIFY(date(MessageHeader(messages[2], "Date")) > date(firstDate));
        for (const QJsonObject& m : messages)
            QCOMPARE(m["rcpt_tos"].toArray(), (QJsonArray{"ops@example.org"}));
        QVERIFY(Queued().isEmpty());
        QCOMPARE(LogLines()
                     .filter(QRegularExpression("^  ==> The queued error report .* was "
                                                "sent\\.$"))
                     .size(),
                 2);

        // Delivered once: the next report goes alone.
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, failing), 0);
        QCOMPARE(server.Messages().size(), 4);
    }

    // A file in the queue that is not a message is renamed aside, neither sent nor deleted, and
    // does not hold up the rest.
    void invalidQueueFileIsMovedAside()
    {
        TSmtpTestServer server(Path("smtp"));
        QDir().mkpath(Path("smtp"));
        QVERIFY(server.Start({}));
        SaveStarterSettings(Ini(), ReportSettings(server.Port()));
        QVERIFY(QDir().mkpath(QueueDir()));
        QFile bad(QueueDir() + "/20200101-000000-000-00.eml");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("RCPT TO:<victim@example.org>\r\n\r\nnot a message\r\n");
        bad.close();
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=2"}), 0);
        QCOMPARE(server.Messages().size(), 1);
        QVERIFY(Queued().isEmpty());
        QVERIFY(QFile::exists(bad.fileName() + ".invalid"));
        QCOMPARE(LogLines()
                     .filter("  *** \"20200101-000000-000-00.eml\" in the mail queue is not "
                             "a valid message")
                     .size(),
                 1);
    }

    // A report that is not sent says why in the run log (written after the attempt) and in the
    // system's log.
    void unsentReportIsLogged_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server stopped") << "robot@example.org"
                                        << "Could not connect to 127.0.0.1 port ";
        QTest::newRow("no sender address") << "Backup Robot"
                                           << "The sender \"Backup Robot\" has no mail address.";
    }
    void unsentReportIsLogged()
    {
        QFETCH(QString, sender);
        QFETCH(QString, reason);
        TStarterSettings s = ReportSettings(UnusedPort());
        s.MailData.Sender = sender;
        SaveStarterSettings(Ini(), s);
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=2"}), 0);
        const QStringList lines = LogLines().filter("  *** The error report could not be sent: ");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(reason), qPrintable(lines[0]));
        // The line comes after the end of the run, before the empty line that closes it.
        QVERIFY(LogLines().indexOf(lines[0]) >
                LogLines().indexOf(QRegularExpression("^  ==> End")));
        // Besides the run's own journal line.
        const QStringList events =
            RecordedSyslog(tmp->path()).filter(QRegularExpression("^Kelvara: event "));
        QCOMPARE(events.size(), 1);
        QVERIFY2(events[0].startsWith("Kelvara: event 0xC000001B (error, category 2): \"") &&
                     events[0].contains(QString(reason).replace("\"", "\\\"")),
                 qPrintable(events[0]));
    }

    // A missing group section below the count is a group of its own, without tasks.
    void missingGroupSectionRunsAsEmptyGroup()
    {
        QFile ini(Ini());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Config]\nTaskCount=2\n[Task00]\nDescription=First\n");
        ini.close();
        QCOMPARE(Run({"Task01", "/force", "/logmode:1"}), 0);
        const QStringList log = LogLines();
        QCOMPARE(log.value(2), QString("  ->  Backup group: Task01 - User name: "));
        QCOMPARE(log.value(3), QString("  *** No backup tasks specified!"));
    }

    // Without a display nobody can answer the action selection: the run goes on with the
    // command line's actions and says so.
    void promptWithoutDisplayRunsWithCommandLineActions()
    {
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        Save(std::move(groups));
        QCOMPARE(Run({"Daily", "/force", "/logmode:1", "/prompt"}), 0);
        QCOMPARE(Calls().size(), 1);
        const QStringList log = LogLines();
        QVERIFY(log.value(1).startsWith("  ==> Start: "));
        QCOMPARE(log.value(2), QString("  ==> No display to offer the action selection: the "
                                       "actions of the command line apply."));
        QCOMPARE(log.value(3), QString("  ->  Backup group: Daily - User name: "));
    }

    // The times of the run log are in the locale's time format.
    void runLogTimesFollowTheLocale()
    {
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        Save(std::move(groups));
        QCOMPARE(Run({"Daily", "/force", "/logmode:1"}, {"LC_ALL=en_US.UTF-8"}), 0);
        const QString start = LogLines().value(1);
        QVERIFY2(QRegularExpression("^  ==> Start: \\d+/\\d+/\\d+ \\d{1,2}:\\d\\d:\\d\\d [AP]M$")
                     .match(start)
                     .hasMatch(),
                 qPrintable(start));
        QCOMPARE(LongTimeFormat(QLocale(QLocale::German, QLocale::Germany)), QString("HH:mm:ss"));
        const QDateTime t(QDate(2025, 3, 4), QTime(15, 4, 5));
        QCOMPARE(RunLogDateTime(t, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QString("3/4/25 3:04:05 PM"));
    }

    // As root the group's account is logged on with its stored password: the backup program runs
    // under that account, in its home folder.
    void groupRunsUnderItsAccount()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and logs on to it");
        const QString name =
            QString("kvst%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
        const QString password = "Grp-pass 42";
        QCOMPARE(QProcess::execute("useradd", {"-m", name}), 0);
        auto removeAccount = qScopeGuard([&] { QProcess::execute("userdel", {"-r", name}); });
        QProcess chpasswd;
        chpasswd.start("chpasswd");
        chpasswd.write((name + ":" + password + "\n").toUtf8());
        chpasswd.closeWriteChannel();
        QVERIFY(chpasswd.waitForFinished() && chpasswd.exitCode() == 0);

        // The backup program here is a script that writes down who runs it and where.
        QFile::remove(work + "/Kelvara");
        const QString who = Path("who.txt");
        QFile script(work + "/Kelvara");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            QString("#!/bin/sh\n{ id -un; pwd; echo \"$@\"; } > %1\nexit 4\n").arg(who).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                              QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                              QFile::ExeOther);
        for (const QString& dir : {tmp->path(), work})
            QFile::setPermissions(dir, QFile::permissions(dir) | QFile::ExeOther |
                                           QFile::ReadOther | QFile::WriteOther);

        TGroupList groups;
        auto g = Group("Night", {"n.buj"});
        g->User = "OFFICE\\" + name;
        g->Pwd = password;
        groups.push_back(std::move(g));
        Save(std::move(groups));
        QCOMPARE(Run({"Night", "/force", "/logmode:1"}), 0);
        QFile out(who);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(out.readAll()).split('\n');
        QCOMPARE(lines.value(0), name);
        QCOMPARE(lines.value(1), work); // the caller's folder, which the account can enter
        QVERIFY(lines.value(2).endsWith(Path("n.buj")));
        const QStringList log = LogLines();
        QCOMPARE(log[2], "  ->  Backup group: Night - User name: OFFICE\\" + name);
        QCOMPARE(log[4], QString("  *** Error reported by Kelvara: Errors during backup!"));

        // A caller's folder closed to the account: the program starts in the account's home.
        // (The backup program is found through the machine registry here, by a copy of
        // KvStarter in a folder without one beside it.)
        const QString bin = Path("bin");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(KV_BIN_DIR "/KvStarter", bin + "/KvStarter"));
        QFile::setPermissions(bin + "/KvStarter", QFile::permissions(KV_BIN_DIR "/KvStarter"));
        QVERIFY(QDir().mkpath(Path("share/kelvara6/pam.d")));
        QFile::copy(KV_BINARY_DIR "/share/kelvara6/pam.d/kvstarter",
                    Path("share/kelvara6/pam.d/kvstarter"));
        QFile::setPermissions(Path("share/kelvara6/pam.d/kvstarter"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        const QString closed = Path("closed");
        QVERIFY(QDir().mkpath(closed));
        QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile registry(Path("machine-registry.ini"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write("[Software\\Kelvara6]\nProgram=" + work.toUtf8() + "/Kelvara\n");
        registry.close();
        QFile::remove(who);
        const QString saved = work;
        work = closed;
        QCOMPARE(Run({"Night", "/force", "/logmode:1"}, {}, bin + "/KvStarter"), 0);
        work = saved;
        QFile home(who);
        QVERIFY(home.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(home.readAll()).split('\n').value(1), "/home/" + name);

        // A wrong stored password is an error of the run, not a crash.
        TGroupList wrong;
        auto w = Group("Night", {"n.buj"});
        w->User = name;
        w->Pwd = "not it";
        wrong.push_back(std::move(w));
        Save(std::move(wrong));
        QFile::remove(who);
        QCOMPARE(Run({"Night", "/force", "/logmode:1"}), 0);
        QVERIFY(!QFile::exists(who));
        QVERIFY(LogLines()
                    .filter(QRegularExpression(
                        "^  \\*\\*\\* Error on starting Kelvara: .+ \\(0x[0-9A-F]{8}\\)$"))
                    .size() == 1);
    }

    void backupProgramMissing()
    {
        const QString bin = Path("bin");
        QDir().mkpath(bin);
        QVERIFY(QFile::copy(KV_BIN_DIR "/KvStarter", bin + "/KvStarter"));
        QFile::setPermissions(bin + "/KvStarter", QFile::permissions(KV_BIN_DIR "/KvStarter"));
        QFile::remove(work + "/Kelvara");
        TGroupList groups;
        groups.push_back(Group("Daily", {"a.buj"}));
        Save(std::move(groups));
        QCOMPARE(
            Run({"Daily", "/force", "/logmode:1"}, {"PATH=" + Path("none")}, bin + "/KvStarter"),
            0);
        QVERIFY(lastStderr.contains("\"Kelvara\" not found on this system!"));
        QVERIFY(!QFile::exists(Log()));
        QVERIFY(Calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_StarterRun)
#include "tst_StarterRun.moc"
