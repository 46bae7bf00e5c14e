#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/backup/PlaceHolders.h"
#include "common/backup/Volumes.h"
#include "common/infra/IniFileUtils.h"

namespace {

QDateTime At(int y, int m, int d, int hh = 13, int mm = 5, int ss = 9)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}

} // namespace

class tst_PlaceHolders : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp;

    // A volume "BACKUP" mounted at "<tmp>/media/backup disk", and an unlabelled local one.
    TVolumeTable MakeVolumes()
    {
        QDir().mkpath(tmp.filePath("dev"));
        QDir().mkpath(tmp.filePath("by-label"));
        QDir().mkpath(tmp.filePath("media/backup disk"));
        for (const char* dev : {"dev/sdz1", "dev/sdz2"}) {
            QFile f(tmp.filePath(dev));
            f.open(QIODevice::WriteOnly);
        }
        QFile::link(tmp.filePath("dev/sdz1"), tmp.filePath("by-label/BACKUP"));
        QFile::link(tmp.filePath("dev/sdz1"), tmp.filePath("by-label/My\\x20Disk"));
        QFile mounts(tmp.filePath("mounts"));
        mounts.open(QIODevice::WriteOnly);
        QString media = tmp.filePath("media/backup disk");
        media.replace(" ", "\\040");
        mounts.write(QString("/dev/root / ext4 rw 0 0\n"
                             "%1 %2 ext4 rw 0 0\n"
                             "%3 %4/plain ext4 rw 0 0\n"
                             "server:/export %4/net nfs rw 0 0\n")
                         .arg(tmp.filePath("dev/sdz1"), media, tmp.filePath("dev/sdz2"), tmp.path())
                         .toUtf8());
        mounts.close();
        return TVolumeTable(tmp.filePath("by-label"), tmp.filePath("mounts"));
    }

    QString WriteTask(const QString& name, const QString& content)
    {
        const QString path = tmp.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content.toUtf8());
        return path;
    }

private slots:
    void dates_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QDateTime newYear = At(2021, 1, 1); // a Friday in ISO week 53 of 2020
        QTest::newRow("iso week 53 on 1 January") << newYear << 0 << "%YAW% %week% %day%"
                                                  << "2020-53 53 001";
        QTest::newRow("date words, case-insensitive, every occurrence")
            << newYear << 0 << "%Date%_%date%_%dom%.%month%.%year%"
            << "2021-01-01_2021-01-01_01.01.2021";
        QTest::newRow("day names without dots") << newYear << 0 << "%dow% %ldow% %dnw% %lmonth%"
                                                << "Fri Friday 5 January";
        QTest::newRow("time words") << At(2021, 6, 30, 7, 8, 9) << 0 << "%time% %hour%h%minute%"
                                    << "070809 07h08";
        QTest::newRow("counter v, one digit") << newYear << 9 << "%v#7%"
                                              << "2";
        QTest::newRow("counter d, three digits") << At(2021, 1, 3) << 1 << "%d#100%"
                                                 << "003";
        QTest::newRow("counter m, two digits") << At(2021, 3, 3) << 1 << "%M#12%"
                                               << "03";
        QTest::newRow("counter w wraps") << newYear << 1 << "%w#4%"
                                         << "1";
        QTest::newRow("counter without number") << newYear << 1 << "a%d#x%b"
                                                << "ab";
        QTest::newRow("counter of zero is no number") << newYear << 1 << "a%d#0%b"
                                                      << "ab";
        QTest::newRow("counters wait for a backup counter") << newYear << 0 << "%v#7%"
                                                            << "%v#7%";
        QTest::newRow("literal words vanish") << newYear << 0 << "x%d#?%%volume%%MODE%y"
                                              << "xy";
        QTest::newRow("week of month, month begun on Friday") << newYear << 0 << "%wom%"
                                                              << "5";
        QTest::newRow("week of month, end before Thursday") << At(2021, 3, 31) << 0 << "%wom%"
                                                            << "1";
        QTest::newRow("week of month, middle") << At(2021, 3, 17) << 0 << "%wom%"
                                               << "3";
        // It used to recurse without end.
        QTest::newRow("week of month, no date") << QDateTime() << 0 << "%wom%"
                                                << "0";
    }
    void dates()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, counter);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ExpandDatePlaceholders(text, counter, now), expected);
    }

    void userAndComputerNames()
    {
        const QString user = PlaceholderUserName();
        QVERIFY(!user.isEmpty());
        QCOMPARE(ExpandDatePlaceholders("%user%-%USERNAME%", 0, At(2021, 1, 1)), user + "-" + user);
        QCOMPARE(ExpandDatePlaceholders("%computer%", 0, At(2021, 1, 1)),
                 PlaceholderComputerName());
    }

    void pathPlaceholders()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath("cfg")));
        QCOMPARE(ExpandPathPlaceholders("%APPDATA%/x.ini"), tmp.filePath("cfg") + "/x.ini");
        QCOMPARE(ExpandPathPlaceholders("%apppath%/y"), tmp.filePath("cfg") + "/y");
        QCOMPARE(ExpandPathPlaceholders("%profile%|%userprofile%"),
                 QDir::homePath() + "|" + QDir::homePath());
        QCOMPARE(ExpandPathPlaceholders("a%user%%computer%b"), QString("ab"));
        qputenv("ProgramFiles(x86)", "/opt/x86");
        QCOMPARE(ExpandPathPlaceholders("%programfiles(x86)%/k"), QString("/opt/x86/k"));
        qunsetenv("ProgramFiles(x86)");
    }

    void destination()
    {
        qputenv("KV_TEST_DRIVE", "/mnt/usb");
        QCOMPARE(
            ExpandDestination("%evar(KV_TEST_DRIVE)%/%volume%/%v#3%", "Vol", 4, At(2021, 1, 1)),
            QString("/mnt/usb/Vol/1"));
        QCOMPARE(ExpandDestination("%evar(KV_UNSET_VAR)%/x", "", 1, At(2021, 1, 1)),
                 QString("%evar(KV_UNSET_VAR)%/x"));
    }

    void volumes()
    {
        const TVolumeTable table = MakeVolumes();
        const QString media = tmp.filePath("media/backup disk");
        QCOMPARE(ResolveVolumeLabel(":backup:\\data", table).value_or("-"), media + "/data");
        QCOMPARE(ResolveVolumeLabel(":My Disk:data", table).value_or("-"), media + "/data");
        QCOMPARE(ResolveVolumeLabel(":none:/data", table).value_or("-"), QString("-"));
        QCOMPARE(ResolveVolumeLabel("/plain/path", table).value_or("-"), QString("/plain/path"));
        QCOMPARE(table.MountPointOf(media + "/data/x"), media);
        QCOMPARE(table.LabelOfMountPoint(media).value_or("-"), QString("BACKUP"));
        QCOMPARE(table.LabelOfMountPoint(tmp.filePath("plain")).value_or("-"), QString());
        QCOMPARE(table.LabelOfMountPoint(tmp.filePath("net")).value_or("-"), QString("-"));

        const QDateTime now = At(2021, 1, 1);
        QCOMPARE(ExpandLogName("%drive%|%volume%", media + "/data", now, table), media + "|BACKUP");
        QCOMPARE(ExpandLogName("%volume%", ":Stick:/x", now, table), QString("Stick"));
        QCOMPARE(ExpandLogName("%volume%", tmp.filePath("net/a"), now, table), QString());
        QCOMPARE(ExpandLogName("%yam%-%dest%", "/b", now, table), QString("2021-01-/b"));
    }

    void backupLogName_data()
    {
        QTest::addColumn<QString>("task"); // Global section lines, "|" separated
        QTest::addColumn<bool>("groupFolderExists");
        QTest::addColumn<QString>("expected"); // @ = temporary folder
        QTest::newRow("no LogName: backup program's name in the group folder")
            << "Destination=/b" << true << "@/group/Kelvara.log";
        QTest::newRow("no LogName, group folder missing: default folder")
            << "Destination=/b" << false << "@/default/Kelvara.log";
        QTest::newRow("task name")
            << "LogName=%taskname%-%date%.log" << true << "@/group/Daily Job-2021-01-01.log";
        QTest::newRow("dest with counters and volume")
            << "LogName=%dest%/log/%taskname%.log|Destination=/b/%volume%-%v#3%|BackupCount=5"
            << true << "/b/Vol-2/log/Daily Job.log";
        QTest::newRow("dest without destination: replaced by the empty text")
            << "LogName=%dest%/x.log" << true << "/x.log";
        QTest::newRow("absolute log name")
            << "LogName=/var/log/kv-%year%.log" << true << "/var/log/kv-2021.log";
        QTest::newRow("unresolved label: destination as read")
            << "LogName=%dest%/x.log|Destination=:NOPE:/b" << true << ":NOPE:/b/x.log";
    }
    void backupLogName()
    {
        QFETCH(QString, task);
        QFETCH(bool, groupFolderExists);
        QFETCH(QString, expected);
        QDir(tmp.filePath("group")).removeRecursively();
        if (groupFolderExists)
            QDir().mkpath(tmp.filePath("group"));
        const QString file = WriteTask("Daily Job.buj", "[Global]\n" + task.split('|').join('\n') +
                                                            "\n[Dir000]\nVolume=Vol\n");
        const TLogNameContext context{"/opt/k/bin/Kelvara", tmp.filePath("group"),
                                      tmp.filePath("default")};
        const QString got = GetBackupLogName(file, context, At(2021, 1, 1), MakeVolumes());
        QCOMPARE(got, expected.replace("@", tmp.path()));
    }

    void backupLogNameOfMissingTask()
    {
        const TLogNameContext context{"", tmp.path(), tmp.path()};
        QCOMPARE(GetBackupLogName(tmp.filePath("none.buj"), context, At(2021, 1, 1), MakeVolumes()),
                 QString());
        QCOMPARE(GetBackupLogName("", context, At(2021, 1, 1), MakeVolumes()), QString());
    }
};

QTEST_GUILESS_MAIN(tst_PlaceHolders)
#include "tst_PlaceHolders.moc"
