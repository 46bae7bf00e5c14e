#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "starter/StarterOptions.h"

class tst_StarterOptions : public QObject {
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("expected"); // force,term,log,prompt,lock,dark,end,suspend
        QTest::newRow("/F") << QStringList{"/F"} << "1,0,0,0,0,0,0,0";
        QTest::newRow("-force") << QStringList{"-force"} << "1,0,0,0,0,0,0,0";
        QTest::newRow("/fo") << QStringList{"/fo"} << "1,0,0,0,0,0,0,0";
        QTest::newRow("/forced sets nothing") << QStringList{"/forced"} << "0,0,0,0,0,0,0,0";
        QTest::newRow("bare slash is force") << QStringList{"/"} << "1,0,0,0,0,0,0,0";
        QTest::newRow("/l is lockscreen") << QStringList{"/l"} << "0,0,0,0,1,0,0,0";
        QTest::newRow("/logmode:0") << QStringList{"/logmode:1", "/logmode:0"} << "0,0,0,0,0,0,0,0";
        QTest::newRow("/logmode: empty") << QStringList{"/logmode:"} << "0,0,1,0,0,0,0,0";
        QTest::newRow("/lo:x invalid") << QStringList{"/lo:x"} << "0,0,1,0,0,0,0,0";
        QTest::newRow("/end:lo is lockdown") << QStringList{"/end:lo"} << "0,0,0,0,1,0,2,0";
        QTest::newRow("/end:log is logoff") << QStringList{"/end:log"} << "0,0,0,0,0,0,3,0";
        QTest::newRow("/end: empty is shutdown") << QStringList{"/end:"} << "0,0,0,0,0,0,2,0";
        QTest::newRow("/end:poweroff") << QStringList{"/e:p"} << "0,0,0,0,0,0,1,0";
        QTest::newRow("/end:restart") << QStringList{"/end:RESTART"} << "0,0,0,0,0,0,4,0";
        QTest::newRow("suspend") << QStringList{"/s:h", "/su:st"} << "0,0,0,0,0,0,0,1";
        QTest::newRow("term prompt dark") << QStringList{"/t", "/p", "/d"} << "0,1,0,1,0,1,0,0";
        QTest::newRow("unknown ignored") << QStringList{"/x", "/end:zap"} << "0,0,0,0,0,0,0,0";
    }
    void options()
    {
        QFETCH(QStringList, params);
        QFETCH(QString, expected);
        const TStarterOptions o = ParseStarterOptions(params);
        const QString got =
            QStringList{QString::number(o.Force),      QString::number(o.TermProgs),
                        QString::number(o.WriteLog),   QString::number(o.ActPrompt),
                        QString::number(o.LockScreen), QString::number(o.UseDarkMode),
                        QString::number(o.LogOffMode), QString::number(o.SuspendMode)}
                .join(',');
        QCOMPARE(got, expected);
    }

    void groupNames()
    {
        const TStarterOptions a = ParseStarterOptions({"Daily,Weekly", "/f"});
        const TStarterOptions b = ParseStarterOptions({"Daily", "/f", "Weekly"});
        QCOMPARE(a.ConfigList, QString("Daily,Weekly"));
        QCOMPARE(b.ConfigList, QString("Daily,Weekly"));
        QCOMPARE(a.LastTask, QString("Daily,Weekly"));
        QCOMPARE(b.LastTask, QString("Daily"));
        QCOMPARE(ParseStarterOptions({"A, B"}).ConfigList, QString("A, B"));
    }

    void settingsFileChoice()
    {
        QTemporaryDir tmp;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath("cfg")));
        const QString app = tmp.filePath("cfg") + "/Kelvara6/";
        auto choose = [](const QString& ini) {
            TStarterOptions o;
            o.HasIni = !ini.isNull();
            o.IniValue = ini;
            return ChooseSettingsFile(o);
        };
        const TSettingsChoice def = choose(QString());
        QCOMPARE(def.IniName, app + "tst_StarterOptions.ini");
        QCOMPARE(def.AIniPath, QString());
        QCOMPARE(choose("/srv/conf/").IniName, QString("/srv/conf/tst_StarterOptions.ini"));
        QCOMPARE(choose("/srv/conf/").AIniPath, QString("/srv/conf/"));
        QCOMPARE(choose("/srv/conf").IniName, QString("/srv/conf/tst_StarterOptions.ini"));
        QCOMPARE(choose("/srv/my.ini").IniName, QString("/srv/my.ini"));
        QCOMPARE(choose("/srv/my.ini").AIniPath, QString("/srv/"));
        QCOMPARE(choose("other").IniName, app + "other.ini");
        QCOMPARE(choose("other").AIniPath, QString());
        QCOMPARE(choose("sub/x.cfg").IniName, app + "sub/x.cfg");
        QCOMPARE(choose("%appdata%/s.ini").IniName, tmp.filePath("cfg") + "/s.ini");
        QCOMPARE(RunLogName("/srv/my.ini"), QString("/srv/tst_StarterOptions.log"));
    }
};

QTEST_GUILESS_MAIN(tst_StarterOptions)
#include "tst_StarterOptions.moc"
