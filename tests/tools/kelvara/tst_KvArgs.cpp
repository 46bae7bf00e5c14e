#include <QTest>

#include "KvArgs.h"

Q_DECLARE_METATYPE(std::optional<TBackupMode>)

class tst_KvArgs : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("tasks");
        QTest::addColumn<std::optional<TBackupMode>>("mode");
        QTest::addColumn<bool>("badMode");
        QTest::addColumn<QString>("backupDir");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("delay");
        using M = std::optional<TBackupMode>;
        QTest::newRow("planner's command line")
            << QStringList{"/t/a b.buj",
                           "/startapp:kvplaner",
                           "/mode:differential",
                           "/backupdir:Bu02D",
                           "/force",
                           "/hide",
                           "/logmode:1"}
            << QStringList{"/t/a b.buj"} << M(TBackupMode::Differential) << false << "Bu02D"
            << false << 0;
        QTest::newRow("several tasks, dash options, abbreviations")
            << QStringList{"a.buj", "-MODE:inc", "b.buj", "/del:7", "/back:X"}
            << QStringList{"a.buj", "b.buj"} << M(TBackupMode::Incremental) << false << "X" << false
            << 7;
        QTest::newRow("short /e is harmless, full word edits")
            << QStringList{"/e", "t.buj"} << QStringList{"t.buj"} << M() << false << "" << false
            << 0;
        QTest::newRow("absolute task paths are no options")
            << QStringList{"/home/u/t.buj", "/t.buj", "/mnt/c:/x", "/opt:a/b", "/portable"}
            << QStringList{"/home/u/t.buj", "/t.buj", "/mnt/c:/x"} << M() << false << "" << false
            << 0;
        QTest::newRow("edit") << QStringList{"/edit", "t.buj"} << QStringList{"t.buj"} << M()
                              << false << "" << true << 0;
        QTest::newRow("unknown mode word")
            << QStringList{"/mode:copy"} << QStringList{} << M() << true << "" << false << 0;
        QTest::newRow("empty mode word")
            << QStringList{"/mode:"} << QStringList{} << M() << true << "" << false << 0;
        QTest::newRow("unknown options and a negative delay are ignored")
            << QStringList{"/lang:de", "/portable", "/delay:-5", "/mode", "t"} << QStringList{"t"}
            << M() << false << "" << false << 0;
    }
    void parse()
    {
        QFETCH(QStringList, args);
        const TKelvaraArgs a = ParseKelvaraArgs(args);
        QTEST(a.taskFiles, "tasks");
        QTEST(a.mode, "mode");
        QTEST(a.badMode, "badMode");
        QTEST(a.backupDir, "backupDir");
        QTEST(a.edit, "edit");
        QTEST(a.delaySeconds, "delay");
    }

    void folderNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain");
        QTest::newRow("rotation folder") << "BuMo1F" << true;
        QTest::newRow("with blank") << "Bu 01" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("parent") << ".." << false;
        QTest::newRow("up and out") << "../etc" << false;
        QTest::newRow("absolute") << "/etc" << false;
        QTest::newRow("backslash") << "a\\b" << false;
    }
    void folderNames()
    {
        QFETCH(QString, name);
        QTEST(IsPlainFolderName(name), "plain");
    }
};

QTEST_GUILESS_MAIN(tst_KvArgs)
#include "tst_KvArgs.moc"
