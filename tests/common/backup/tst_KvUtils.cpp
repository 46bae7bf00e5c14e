#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "ScopedEnv.h"
#include "common/backup/KvUtils.h"
#include "common/infra/Registry.h"

class tst_KvUtils : public QObject {
    Q_OBJECT

private:
    static void MakeProgram(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }

private slots:
    void locateKelvaraFirstHitWins()
    {
        QTemporaryDir tmp;
        const ScopedEnv registry("KELVARA_MACHINE_REGISTRY",
                                 QFile::encodeName(tmp.filePath("etc/registry.ini")));
        const ScopedEnv path("PATH", QFile::encodeName(tmp.filePath("path")));
        const QString saved = QDir::currentPath();
        QDir::setCurrent(tmp.path());

        QCOMPARE(LocateKelvara(), QString());
        MakeProgram(tmp.filePath("path/Kelvara"));
        QCOMPARE(LocateKelvara(), tmp.filePath("path/Kelvara"));
        MakeProgram(tmp.filePath("opt/Kelvara"));
        QVERIFY(WriteRegistryString(TRegHive::LocalMachine, kProductRegKey, "Program",
                                    tmp.filePath("opt/Kelvara")));
        QCOMPARE(LocateKelvara(), tmp.filePath("opt/Kelvara"));
        QVERIFY(WriteRegistryString(TRegHive::LocalMachine, kProductRegKey, "Program",
                                    tmp.filePath("opt")));
        QCOMPARE(LocateKelvara(), tmp.filePath("opt/Kelvara"));
        MakeProgram(tmp.filePath("Kelvara"));
        QCOMPARE(LocateKelvara(), tmp.filePath("Kelvara"));

        QDir::setCurrent(saved);
    }

    void exitTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << "Task not found!";
        QTest::newRow("2") << 2 << "Destination path not found!";
        QTest::newRow("3") << 3 << "Source directory not found!";
        QTest::newRow("4") << 4 << "Errors during backup!";
        QTest::newRow("5") << 5 << "The backup was aborted by the user or due to an error!";
        QTest::newRow("6") << 6 << "Invalid task configuration!";
        QTest::newRow("7") << 7 << "Unexpected error!";
        QTest::newRow("low byte counts") << 0x104 << "Errors during backup!";
        QTest::newRow("256 has low byte 0") << 256 << "Unexpected error!";
    }
    void exitTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(KelvaraExitText(code), text);
    }

    void versions()
    {
        QCOMPARE(CutVersion("6.2.0.1", 3), QString("6.2.0"));
        QCOMPARE(CutVersion("6.2.0.1", 4), QString("6.2.0.1"));
        QCOMPARE(CutVersion("6.2", 3), QString("6.2"));
        QCOMPARE(ProgramVersion().count('.'), 3);
        SetProgramName("KvPlaner");
        QCOMPARE(ProgVersName(), "KvPlaner (Version " + CutVersion(ProgramVersion(), 3) + ")");
        QCOMPARE(VersionText(4), "Version " + ProgramVersion());
        QCOMPARE(BitnessText(), QString(sizeof(void*) == 8 ? " - 64-bit" : " - 32-bit"));
        QVERIFY(!ProgVersDate().isEmpty());
    }

    void displayFormatsOfCLocale()
    {
        const TDisplayFormats f = LocaleDisplayFormats();
        QVERIFY(f.clock24);
        QCOMPARE(f.timeLong, QString("HH:mm:ss"));
        QVERIFY(!f.date.isEmpty());
    }

    void absolutePaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("absolute");
        QTest::newRow("slash") << "/etc/x" << true;
        QTest::newRow("backslash") << "\\x" << true;
        QTest::newRow("drive") << "D:\\conf" << true;
        QTest::newRow("relative") << "conf/x.ini" << false;
    }
    void absolutePaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, absolute);
        QCOMPARE(IsAbsolutePathText(path), absolute);
    }
};

QTEST_GUILESS_MAIN(tst_KvUtils)
#include "tst_KvUtils.moc"
