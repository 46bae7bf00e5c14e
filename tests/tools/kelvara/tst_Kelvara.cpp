// Drives the built backup program over source trees that change between runs.
#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "common/backup/PlaceHolders.h"
#include "common/backup/Volumes.h"
#include "common/infra/SettingsFolder.h"

namespace {

const QString kKelvara = QStringLiteral(KV_BIN_DIR "/Kelvara");

struct TResult {
    int code = -1;
    QString out;
    QString err;
};

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Files and links below the folder, relative, sorted; folders only when empty (with "/").
QStringList Tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = QDir(root).relativeFilePath(path);
        if (!info.isDir() || info.isSymLink())
            entries << rel;
        else if (QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            entries << rel + u'/';
    }
    entries.sort();
    return entries;
}

// Changes file times to a moment after the last backup, as an editor would.
void Touch(const QString& path, const QByteArray& content)
{
    QThread::msleep(30); // past the clock tick of the last backup's start
    WriteFile(path, content);
}

} // namespace

class tst_Kelvara : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FTmp;
    QString FSrc, FDest, FLogs;

    QString P(const QString& rel) const { return FTmp.filePath(rel); }

    QString WriteTask(const QString& name, const QString& text)
    {
        const QString path = P(name);
        WriteFile(path, text.toUtf8());
        return path;
    }

    // A task backing up <tmp>/src/docs into the destination.
    QString DocsTask(const QString& name = QStringLiteral("docs.buj"),
                     const QString& extra = QString())
    {
        return WriteTask(name, QStringLiteral("[Global]\nDestination=%1\nTimeMargin=0\n%2"
                                              "[Dir000]\nFolder=%3/docs\nExclude=*.tmp;cache\n")
                                   .arg(FDest, extra, FSrc));
    }

    TResult Run(const QStringList& args, const QStringList& wrapper = {})
    {
        QProcess p;
        const QStringList all = wrapper + QStringList{kKelvara} + args;
        p.start(all.first(), all.mid(1));
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    TResult Backup(const QString& task, const QString& mode, const QString& folder)
    {
        return Run({task, "/startapp:kvplaner", "/mode:" + mode, "/backupdir:" + folder, "/force",
                    "/hide", "/logmode:1", "/logdir:" + FLogs});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(kKelvara).isExecutable());
        qputenv("XDG_CONFIG_HOME", P("config").toUtf8());
        qputenv("KELVARA_MACHINE_REGISTRY", P("no-registry.ini").toUtf8());
        FSrc = P("src");
        FDest = P("dest");
        FLogs = P("logs");
        QDir().mkpath(FLogs);
    }

    void init()
    {
        QDir(FSrc).removeRecursively();
        QDir(FDest).removeRecursively();
        QDir(FLogs).removeRecursively();
        QDir().mkpath(FLogs);
        WriteFile(FSrc + "/docs/a.txt", "a1");
        WriteFile(FSrc + "/docs/sub/b.txt", "b1");
        WriteFile(FSrc + "/docs/skip.tmp", "never");
        WriteFile(FSrc + "/docs/cache/c.bin", "never");
        QDir().mkpath(FSrc + "/docs/empty");
    }

    // A rotation as the planner runs it; each folder holds exactly what its mode must hold,
    // and a folder used again in the next rotation holds nothing of its earlier contents.
    void rotation()
    {
        const QString task = DocsTask();
        struct Step {
            const char* mode;
            const char* folder;
            std::function<void()> change;
            QStringList expected;
        };
        const QString docs = FSrc + "/docs/";
        const std::vector<Step> steps{
            {"full", "Bu01F", [] {}, {"docs/a.txt", "docs/empty/", "docs/sub/b.txt"}},
            {"differential", "Bu02D", [&] { Touch(docs + "a.txt", "a2"); }, {"docs/a.txt"}},
            {"differential",
             "Bu03D",
             [&] { Touch(docs + "sub/new.txt", "n1"); },
             {"docs/a.txt", "docs/sub/new.txt"}},
            {"incremental",
             "Bu04I",
             [&] {
                 QThread::msleep(30);
                 QFile::remove(docs + "sub/b.txt");
                 QFile::rename(docs + "a.txt", docs + "moved.txt"); // keeps its old times
             },
             {"docs/moved.txt"}},
            {"incremental", "Bu05I", [&] { Touch(docs + "d.txt", "d1"); }, {"docs/d.txt"}},
            {"full",
             "Bu01F",
             [] {},
             {"docs/d.txt", "docs/empty/", "docs/moved.txt", "docs/sub/new.txt"}},
            {"differential", "Bu02D", [] {}, {}},
        };
        for (const Step& step : steps) {
            step.change();
            const TResult r = Backup(task, step.mode, step.folder);
            QVERIFY2(r.code == 0, qPrintable(step.folder + (": " + r.err)));
            QCOMPARE(Tree(FDest + '/' + step.folder), step.expected);
        }
        QCOMPARE(ReadFile(FDest + "/Bu03D/docs/a.txt"), QByteArray("a2"));
        QCOMPARE(ReadFile(FDest + "/Bu01F/docs/moved.txt"), QByteArray("a2"));
    }

    void keepsTimesModesAndLinks()
    {
        const QString a = FSrc + "/docs/a.txt";
        QFile::setPermissions(a, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup);
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
        QFile f(a);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(QFile::link("sub/b.txt", FSrc + "/docs/link"));
        QVERIFY(QFile::link(FSrc + "/nowhere", FSrc + "/docs/dangling"));
        QCOMPARE(Backup(DocsTask(), "full", "Bu01F").code, 0);
        const QFileInfo copy(FDest + "/Bu01F/docs/a.txt");
        QCOMPARE(copy.lastModified(), old);
        QCOMPARE(copy.permissions() & 0x7777, QFileInfo(a).permissions() & 0x7777);
        QCOMPARE(QFileInfo(FDest + "/Bu01F/docs/link").symLinkTarget(),
                 FDest + "/Bu01F/docs/sub/b.txt");
        QVERIFY(QFileInfo(FDest + "/Bu01F/docs/dangling").isSymLink());
    }

    // Symbolic links that another program left in the backup folder are replaced, not
    // followed: nothing outside the backup folder is written.
    void neverWritesThroughLinks()
    {
        WriteFile(P("outside/a.txt"), "keep");
        QDir().mkpath(FDest + "/Bu01F/docs");
        QVERIFY(QFile::link(P("outside/a.txt"), FDest + "/Bu01F/docs/a.txt"));
        QVERIFY(QFile::link(P("outside"), FDest + "/Bu01F/docs/sub"));
        QCOMPARE(Backup(DocsTask(), "full", "Bu01F").code, 0);
        QCOMPARE(ReadFile(P("outside/a.txt")), QByteArray("keep"));
        QCOMPARE(Tree(P("outside")), QStringList{"a.txt"});
        QCOMPARE(ReadFile(FDest + "/Bu01F/docs/a.txt"), QByteArray("a1"));
        QVERIFY(!QFileInfo(FDest + "/Bu01F/docs/sub").isSymLink());
        QCOMPARE(ReadFile(FDest + "/Bu01F/docs/sub/b.txt"), QByteArray("b1"));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QString>("task");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        const QString dir = "[Dir000]\nFolder=%1/docs\n";
        QTest::newRow("task file missing") << "" << QStringList{} << 1;
        QTest::newRow("destination below a missing folder")
            << "[Global]\nDestination=%2/missing/dest\n" + dir << QStringList{} << 2;
        QTest::newRow("destination volume not mounted")
            << "[Global]\nDestination=:NoSuchLabel42:/backup\n" + dir << QStringList{} << 2;
        QTest::newRow("source missing")
            << "[Global]\nDestination=%2/dest\n[Dir000]\nFolder=%1/gone\n"
            << QStringList{} << 3;
        QTest::newRow("no destination") << "[Global]\n" + dir << QStringList{} << 6;
        QTest::newRow("no source folders") << "[Global]\nDestination=%2/dest\n"
                                           << QStringList{} << 6;
        QTest::newRow("relative source") << "[Global]\nDestination=%2/dest\n[Dir000]\nFolder=docs\n"
                                         << QStringList{} << 6;
        QTest::newRow("two sources, one target")
            << "[Global]\nDestination=%2/dest\n" + dir + "[Dir001]\nFolder=%1/../src/docs\n"
            << QStringList{} << 6;
        QTest::newRow("source inside the backup folder")
            << "[Global]\nDestination=%1\n" + dir << QStringList{} << 6;
        QTest::newRow("backup folder leaves the destination")
            << "[Global]\nDestination=%2/dest\n" + dir << QStringList{"/backupdir:../x"} << 6;
        QTest::newRow("unknown mode")
            << "[Global]\nDestination=%2/dest\n" + dir << QStringList{"/mode:copy"} << 6;
    }
    void exitCodes()
    {
        QFETCH(QString, task);
        QFETCH(QStringList, options);
        const QString file =
            task.isEmpty() ? P("missing.buj") : WriteTask("broken.buj", task.arg(FSrc, P(".")));
        const QStringList before = Tree(FTmp.path());
        const TResult r = Run(QStringList{file, "/logdir:" + FLogs} + options);
        QTEST(r.code, "code");
        QVERIFY2(r.err.contains("  *** "), qPrintable(r.err));
        const QStringList after = Tree(FTmp.path());
        QCOMPARE(after.filter("Bu").size(), 0);
        QVERIFY(!QFileInfo::exists(P("missing")));
        QVERIFY(ReadFile(FLogs + "/Kelvara.log").contains("  *** "));
    }

    // A file the backup cannot read: exit code 4, an error line naming it, the other files
    // copied, and the failed full backup does not count as the base of a differential one.
    void unreadableFile()
    {
        const QString secret = FSrc + "/docs/sub/secret.txt";
        WriteFile(secret, "s");
        QVERIFY(QFile::setPermissions(secret, {}));
        QStringList wrapper;
        if (::geteuid() == 0) { // root reads everything unless it gives up those rights
            const QString setpriv = QStandardPaths::findExecutable("setpriv");
            if (setpriv.isEmpty())
                QSKIP("running as root without setpriv");
            wrapper = {setpriv, "--bounding-set=-dac_override,-dac_read_search"};
        }
        const QString task = DocsTask();
        const TResult r =
            Run({task, "/mode:full", "/backupdir:Bu01F", "/logdir:" + FLogs}, wrapper);
        if (r.code == 0 && !wrapper.isEmpty())
            QSKIP("the container does not let root give up its file access rights");
        QCOMPARE(r.code, 4);
        const QString log = QString::fromUtf8(ReadFile(FLogs + "/Kelvara.log"));
        QVERIFY2(log.contains(QRegularExpression("\n  \\*\\*\\* [^\n]*secret\\.txt")),
                 qPrintable(log));
        QCOMPARE(Tree(FDest + "/Bu01F"),
                 (QStringList{"docs/a.txt", "docs/empty/", "docs/sub/b.txt"}));

        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(Backup(task, "differential", "Bu02D").code, 0);
        QCOMPARE(Tree(FDest + "/Bu02D"), (QStringList{"docs/a.txt", "docs/empty/", "docs/sub/b.txt",
                                                      "docs/sub/secret.txt"}));
    }

    // The log lands where the calling programs look for it.
    void logLocation_data()
    {
        QTest::addColumn<QString>("logName");
        QTest::addColumn<QString>("logDir");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("expectedFolder");
        QTest::newRow("default name in logdir") << ""
                                                << "logs"
                                                << ""
                                                << "logs";
        QTest::newRow("logdir missing: settings folder") << ""
                                                         << "nologs"
                                                         << ""
                                                         << "config";
        QTest::newRow("logdir missing: folder of the planner's ini") << ""
                                                                     << "nologs"
                                                                     << "cfg/KvPlaner.ini"
                                                                     << "cfg";
        QTest::newRow("task name and date") << "%taskname%-%date%.log"
                                            << "logs"
                                            << ""
                                            << "logs";
        QTest::newRow("in the destination") << "%dest%/logs/%taskname%.log"
                                            << "logs"
                                            << ""
                                            << "dest/logs";
    }
    void logLocation()
    {
        QFETCH(QString, logName);
        QFETCH(QString, logDir);
        QFETCH(QString, ini);
        QFETCH(QString, expectedFolder);
        QDir().mkpath(P("cfg"));
        const QString task = DocsTask("my task.buj", "LogName=" + logName + "\n");
        QStringList args{task, "/logdir:" + P(logDir)};
        if (!ini.isEmpty())
            args << "/ini:" + P(ini);
        QCOMPARE(Run(args).code, 0);
        const QString defaultFolder = ini.isEmpty() ? SettingsFolder() : P("cfg") + '/';
        const QString expected = GetBackupLogName(task, {kKelvara, P(logDir), defaultFolder},
                                                  QDateTime::currentDateTime(), TVolumeTable());
        const QString folder =
            expectedFolder == "config" ? SettingsFolder() : P(expectedFolder) + '/';
        QCOMPARE(QFileInfo(expected).absolutePath() + '/', folder);
        const QByteArray log = ReadFile(expected);
        QVERIFY2(log.startsWith("Kelvara - my task - "), qPrintable(expected));
        QVERIFY(log.contains("files copied from"));
        QFile::remove(expected);
    }

    // Task files run one after another; the first failure gives the exit code.
    void severalTasks()
    {
        const QString good = DocsTask();
        const TResult r = Run({P("missing.buj"), good, "/backupdir:Bu01F", "/logdir:" + FLogs});
        QCOMPARE(r.code, 1);
        QCOMPARE(Tree(FDest + "/Bu01F").size(), 3);
        const QString log = QString::fromUtf8(ReadFile(FLogs + "/Kelvara.log"));
        QVERIFY(log.contains("Kelvara - missing - "));
        QVERIFY(log.contains("Kelvara - docs - "));
    }

    void abortDuringDelay()
    {
        QProcess p;
        p.start(kKelvara, {DocsTask(), "/delay:30", "/logdir:" + FLogs});
        QVERIFY(p.waitForStarted());
        QThread::msleep(300);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 5);
        QVERIFY(!QFileInfo::exists(FDest));
    }

    void editOpensTheEditor()
    {
        const QString record = P("editor-args");
        const QString editor = P("editor.sh");
        WriteFile(editor,
                  QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(record).toUtf8());
        QFile::setPermissions(editor, QFile::ReadOwner | QFile::ExeOwner);
        const QString task = DocsTask();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VISUAL");
        env.insert("EDITOR", editor + " --wait");
        p.setProcessEnvironment(env);
        p.start(kKelvara, {"/edit", task, "/startapp:kvstarter"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(ReadFile(record), ("--wait\n" + task + "\n").toUtf8());
        QVERIFY(!QFileInfo::exists(FDest));
    }
};

QTEST_GUILESS_MAIN(tst_Kelvara)
#include "tst_Kelvara.moc"
