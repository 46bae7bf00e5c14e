// KvStarter --check: the real program on settings of the test, with a real SMTP server, real
// accounts (as root) and the scheduled tasks of the file store.
#include <unistd.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ProgramEnvironment.h"
#include "TestAccounts.h"
#include "TestFiles.h"
#include "common/tasks/TaskFileStore.h"
#include "smtp/SmtpTestServer.h"
#include "starter/StarterSettings.h"

class tst_StarterCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString work;
    QString output;

    QString Path(const QString& name) const { return tmp->filePath(name); }
    QString Ini() const { return Path("settings/KvStarter.ini"); }
    QString Marker() const { return Path("kelvara-ran"); }
    QString TaskFolder() const { return Path("data/Kelvara6/tasks"); }

    // A task file over a small source folder into the destination.
    QString MakeTask(const QString& name, const QString& destination)
    {
        QDir().mkpath(Path("src"));
        QFile data(Path("src/file.txt"));
        data.open(QIODevice::WriteOnly);
        data.write("some data\n");
        QFile task(Path(name));
        task.open(QIODevice::WriteOnly);
        task.write(QString("[Global]\nDestination=%1\n[Dir000]\nFolder=%2\n")
                       .arg(destination, Path("src"))
                       .toUtf8());
        return task.fileName();
    }

    // A group that runs under this account without a password, over one task into "dest".
    std::unique_ptr<TTaskProperties> Group(const QString& name)
    {
        auto group = std::make_unique<TTaskProperties>(name);
        group->PwdPrompt = false;
        QDir().mkpath(Path("dest"));
        group->AddTask(MakeTask(name + ".buj", Path("dest")), true);
        return group;
    }

    void Save(std::unique_ptr<TTaskProperties> group, const TMailData& mail = {})
    {
        TStarterSettings settings;
        settings.MailData = mail;
        settings.Groups.push_back(std::move(group));
        SaveStarterSettings(Ini(), settings);
    }

    // A scheduled task of the file store whose action runs KvStarter with the arguments.
    void RegisterTask(const QString& name, const QString& arguments, bool enabled = true)
    {
        TTaskFileStore store(TaskFolder());
        store.Connect();
        TTaskDefinitionData definition;
        auto action = std::make_shared<TTaskActionData>();
        action->path = KV_BIN_DIR "/KvStarter";
        action->arguments = arguments;
        definition.actions.push_back(action);
        definition.settings.enabled = enabled;
        store.Register(name, definition, QString(), QString());
    }

    // prefix: a command line the program runs in (e.g. in a mount namespace of its own).
    int Check(const QString& groups, const QStringList& prefix = {})
    {
        QProcess p;
        QProcessEnvironment e = ProgramEnvironment(tmp->path());
        e.insert("XDG_CONFIG_HOME", Path("cfg"));
        e.insert("XDG_DATA_HOME", Path("data"));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(work);
        p.setStandardInputFile(QProcess::nullDevice());
        const QStringList command =
            prefix + QStringList{KV_BIN_DIR "/KvStarter", "--check", groups, "/ini:" + Ini()};
        p.start(command.first(), command.mid(1));
        if (!p.waitForFinished(60000))
            return -99;
        output = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }

    // The output line that contains the text; empty when none does.
    QString Line(const QString& text) const
    {
        for (const QString& line : output.split('\n'))
            if (line.contains(text))
                return line;
        return QString();
    }

    int Count(const QString& level) const
    {
        int count = 0;
        for (const QString& line : output.split('\n'))
            count += line.startsWith(level) ? 1 : 0;
        return count;
    }

    // Every file below the test folder but the SMTP server's and the recorded system log (a
    // refused logon is logged), to see that the check changed nothing.
    QStringList Files() const
    {
        QStringList files;
        QDirIterator it(tmp->path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            if (info.filePath().startsWith(Path("smtp")) || info.fileName() == "syslog.txt")
                continue;
            files << info.filePath() + ' ' + QString::number(info.size()) + ' ' +
                         info.lastModified().toString(Qt::ISODateWithMs);
        }
        files.sort();
        return files;
    }

private slots:
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp->isValid());
        work = Path("work");
        QDir().mkpath(work);
        QDir().mkpath(Path("settings"));
        // Scheduled tasks go to the file store of the test, never to a crontab.
        QDir().mkpath(Path("cfg/Kelvara6"));
        QFile registry(Path("cfg/Kelvara6/registry.ini"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write("[Software\\Kelvara6]\nTaskScheduler=files\n");
        registry.close();
        // The backup program found first leaves a mark when anything starts it.
        QFile kelvara(work + "/Kelvara");
        QVERIFY(kelvara.open(QIODevice::WriteOnly));
        kelvara.write(QString("#!/bin/sh\ntouch %1\n").arg(Marker()).toUtf8());
        kelvara.close();
        kelvara.setPermissions(kelvara.permissions() | QFile::ExeOwner | QFile::ExeOther);
    }

    void cleanup() { QVERIFY(!QFile::exists(Marker())); }

    // A group that runs under this account with its task and a scheduled task: every item but
    // the file store's warning is OK.
    void soundGroupWarnsOnlyThatTasksAreNotScheduled()
    {
        Save(Group("Daily"));
        RegisterTask("Nightly backup", "Other,Daily /force /logmode:1");
        QCOMPARE(Check("Daily"), 1);
        QCOMPARE(Count("FAIL"), 0);
        QCOMPARE(Count("WARN"), 1);
        QVERIFY2(Line("Nightly backup").startsWith("WARN"), qPrintable(output));
        QVERIFY(Line("reads as a task").startsWith("OK"));
        QVERIFY(Line("is writable").startsWith("OK"));
        QVERIFY(Line("free in").startsWith("OK"));
    }

    void taskFileAndDestinationFailures_data()
    {
        QTest::addColumn<QString>("breaks");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing task file") << "task"
                                           << "Task file not found";
        QTest::newRow("missing destination") << "destination"
                                             << "Destination";
        QTest::newRow("unknown group") << "group"
                                       << "Group \"Weekly\" not found";
    }

    void taskFileAndDestinationFailures()
    {
        QFETCH(QString, breaks);
        QFETCH(QString, expected);
        auto group = Group("Daily");
        if (breaks == "destination")
            MakeTask("Daily.buj", Path("gone/deeper/dest"));
        Save(std::move(group));
        if (breaks == "task")
            QVERIFY(QFile::remove(Path("Daily.buj")));
        const QStringList before = Files();
        QCOMPARE(Check(breaks == "group" ? "Weekly" : "Daily"), 2);
        QVERIFY2(Line(expected).startsWith("FAIL"), qPrintable(output));
        QCOMPARE(Files(), before);
    }

    // The scheduled task that names the group: found by its group list, disabled, or none (a
    // group started by a shortcut needs none: a warning).
    void scheduledTaskItem_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QString() << true << "WARN No scheduled task runs \"Daily\"";
        QTest::newRow("other group") << "Weekly /force" << true << "WARN No scheduled task";
        QTest::newRow("disabled") << "daily /force" << false
                                  << "FAIL Scheduled task \"T\" is disabled";
        QTest::newRow("not fired")
            << "\"Daily\" /force" << true << "WARN Scheduled task \"T\" exists";
    }

    void scheduledTaskItem()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, enabled);
        QFETCH(QString, expected);
        Save(Group("Daily"));
        if (!arguments.isEmpty())
            RegisterTask("T", arguments, enabled);
        Check("Daily");
        QVERIFY2(output.contains(expected), qPrintable(output));
    }

    // The error report's server: a login that is accepted, a wrong password, a certificate
    // that is not trusted and a server that is down. Nothing is ever sent.
    void mailItem_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("tls");
        QTest::addColumn<bool>("down");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("good login") << "secret"
                                    << "none" << false << 1;
        QTest::newRow("wrong password") << "wrong"
                                        << "none" << false << 2;
        QTest::newRow("untrusted certificate") << "secret"
                                               << "starttls" << false << 2;
        QTest::newRow("server down") << "secret"
                                     << "none" << true << 2;
    }

    void mailItem()
    {
        QFETCH(QString, password);
        QFETCH(QString, tls);
        QFETCH(bool, down);
        QFETCH(int, exitCode);
        QDir().mkpath(Path("smtp"));
        QVERIFY(MakeTestCertificates(Path("smtp"), "pass"));
        TSmtpTestServer server(Path("smtp"));
        QVERIFY(server.Start({"--auth", "PLAIN,LOGIN", "--user", "robot", "--password", "secret",
                              "--tls", tls, "--cert", Path("smtp/server.pem"), "--key",
                              Path("smtp/server.key")}));
        TMailData mail;
        mail.SMTP = "127.0.0.1";
        mail.Port = server.Port();
        mail.Username = "robot";
        mail.Password = password;
        mail.Recipients = "ops@example.org";
        mail.SecureMode = tls == "none" ? stNone : stRequired;
        mail.Enabled = true;
        if (down) {
            server.Stop();
            mail.Port = UnusedPort();
        }
        Save(Group("Daily"), mail);
        RegisterTask("T", "Daily /force");
        QCOMPARE(Check("Daily"), exitCode);
        const QString line = Line("Mail server");
        QVERIFY2(line.startsWith(exitCode == 1 ? "OK" : "FAIL"), qPrintable(output));
        QVERIFY(!output.contains(password));
        QVERIFY(server.Messages().isEmpty());
    }

    // As root: the stored password of a real account logs on or not, and a log folder the
    // account cannot write to fails.
    void accountItems()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account");
        kvtest::RemoveLeftoverAccounts("kvtest");
        kvtest::TTestAccount account("kvtest");
        QVERIFY(account.Create());
        for (const QString& password : {account.password, QString("Wrong-42")}) {
            auto group = Group("Daily");
            group->User = account.name;
            group->Pwd = password;
            group->AltLogDir = Path("logs");
            QDir().mkpath(Path("logs"));
            Save(std::move(group));
            RegisterTask("T", "Daily /force");
            QCOMPARE(Check("Daily"), 2);
            const bool right = password == account.password;
            QVERIFY2(Line("stored password").startsWith(right ? "OK" : "FAIL"), qPrintable(output));
            QVERIFY(!output.contains(password));
            // Root's folders: the account may write to neither the destination nor the logs.
            QVERIFY(Line("cannot write to \"" + Path("dest")).startsWith("FAIL"));
            QVERIFY(Line("cannot write to the log folder").startsWith("FAIL"));
        }
    }

    // A destination on a small file system fails with the space it has and what a full backup
    // needs.
    void tooLittleSpace()
    {
        if (getuid() != 0)
            QSKIP("needs root: mounts a small file system in a namespace of its own");
        Save(Group("Daily"));
        QVERIFY(kvtest::WriteFile(Path("src/big.bin"), QByteArray(512 * 1024, 'x')));
        RegisterTask("T", "Daily /force");
        const QString mount =
            QString("mount -t tmpfs -o size=128k kvcheck '%1' && exec \"$0\" \"$@\"")
                .arg(Path("dest"));
        QCOMPARE(Check("Daily", {"unshare", "-m", "sh", "-c", mount}), 2);
        QVERIFY2(Line("Only ").startsWith("FAIL"), qPrintable(output));
        QVERIFY(Line("Only ").contains("512"));
    }

    // The case of the report: a wrong stored password, a wrong mail password and a missing
    // destination give three failures; nothing is started or sent, no file changes.
    void threeFailuresNothingStarted()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account");
        kvtest::TTestAccount account("kvtest");
        QVERIFY(account.Create());
        QDir().mkpath(Path("smtp"));
        TSmtpTestServer server(Path("smtp"));
        QVERIFY(server.Start({"--auth", "PLAIN,LOGIN", "--user", "robot", "--password", "secret"}));
        TMailData mail;
        mail.SMTP = "127.0.0.1";
        mail.Port = server.Port();
        mail.Username = "robot";
        mail.Password = "wrong";
        mail.Recipients = "ops@example.org";
        mail.Enabled = true;
        auto group = Group("Daily");
        group->User = account.name;
        group->Pwd = "not-" + account.password;
        MakeTask("Daily.buj", Path("gone/dest"));
        Save(std::move(group), mail);
        RegisterTask("T", "Daily /force");
        const QStringList before = Files();
        QCOMPARE(Check("Daily"), 2);
        QCOMPARE(Count("FAIL"), 3);
        QVERIFY(Line("Mail server").startsWith("FAIL"));
        QVERIFY(Line("stored password").startsWith("FAIL"));
        QVERIFY(Line("not found").startsWith("FAIL"));
        QVERIFY(server.Messages().isEmpty());
        QCOMPARE(Files(), before);
    }
};

QTEST_GUILESS_MAIN(tst_StarterCheck)
#include "tst_StarterCheck.moc"
