#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/infra/IniFileUtils.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Registry.h"
#include "common/infra/SettingsFolder.h"

class tst_SettingsFolder : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    QString config; // $XDG_CONFIG_HOME with trailing "/"

    void SetIniPath(const QString& value)
    {
        QVERIFY(WriteRegistryString(TRegHive::CurrentUser, kProductRegKey, "IniPath", value));
    }
    static void Touch(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        config = home->filePath("config/");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        qputenv("KELVARA_MACHINE_REGISTRY", QFile::encodeName(home->filePath("etc/registry.ini")));
    }

    void registryHivesAreSeparateFiles()
    {
        QCOMPARE(RegistryFile(TRegHive::CurrentUser), config + "Kelvara6/registry.ini");
        QCOMPARE(RegistryFile(TRegHive::LocalMachine), home->filePath("etc/registry.ini"));
        QVERIFY(WriteRegistryString(TRegHive::LocalMachine, kProductRegKey, "Program", "/opt/k"));
        QCOMPARE(ReadRegistryString(TRegHive::LocalMachine, "software\\kelvara6", "program"),
                 QString("/opt/k"));
        QCOMPARE(ReadRegistryString(TRegHive::CurrentUser, kProductRegKey, "Program", "none"),
                 QString("none"));
    }

    void defaultFolderIsCreated()
    {
        QCOMPARE(AppPath(), config + "Kelvara6/");
        QCOMPARE(SettingsFolder(), config + "Kelvara6/");
        QVERIFY(QFileInfo(config + "Kelvara6").isDir());
        QCOMPARE(DefaultSettingsFile(), config + "Kelvara6/" + ProgramBaseName() + ".ini");
        QCOMPARE(ProgramBaseName(), QString("tst_SettingsFolder"));
    }

    void iniPathFromRegistry_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // relative to the temporary home
        QTest::newRow("absolute") << "@/settings"
                                  << "settings/";
        QTest::newRow("absolute with slash") << "@/settings/"
                                             << "settings/";
        QTest::newRow("relative to roaming data") << "Mine"
                                                  << "config/Mine/";
        QTest::newRow("blank is unset") << "  "
                                        << "config/Kelvara6/";
        QTest::newRow("cannot be created") << "@/afile/sub"
                                           << "config/Kelvara6/";
    }

    void iniPathFromRegistry()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Touch(home->filePath("afile"), "x");
        SetIniPath(value.replace("@", home->path()));
        QCOMPARE(SettingsFolder(), home->path() + "/" + expected);
        QVERIFY(QFileInfo(SettingsFolder()).isDir());
    }

    void takeOverOlderSettings_data()
    {
        QTest::addColumn<bool>("elsewhere");     // IniPath points away from AppPath
        QTest::addColumn<QString>("inAppPath");  // content of AppPath's copy, empty: none
        QTest::addColumn<QString>("inVersion5"); // content of Kelvara5's copy, empty: none
        QTest::addColumn<QString>("expected");   // content afterwards, empty: no file
        QTest::newRow("elsewhere: AppPath wins") << true << "app"
                                                 << "v5"
                                                 << "app";
        QTest::newRow("elsewhere: Kelvara5") << true << ""
                                             << "v5"
                                             << "v5";
        QTest::newRow("elsewhere: nothing") << true << ""
                                            << ""
                                            << "";
        QTest::newRow("in AppPath: not taken") << false << ""
                                               << "v5"
                                               << "";
    }

    void takeOverOlderSettings()
    {
        QFETCH(bool, elsewhere);
        QFETCH(QString, inAppPath);
        QFETCH(QString, inVersion5);
        QFETCH(QString, expected);
        const QString name = "KvPlaner.ini";
        if (elsewhere)
            SetIniPath(home->filePath("other"));
        if (!inAppPath.isEmpty())
            Touch(AppPath() + name, inAppPath.toUtf8());
        if (!inVersion5.isEmpty())
            Touch(config + "Kelvara5/" + name, inVersion5.toUtf8());
        const QString target = SettingsFolder() + name;
        TakeOverOlderSettings(target);
        QCOMPARE(QString::fromUtf8(Read(target)), expected);
    }

    void existingSettingsAreNotReplaced()
    {
        SetIniPath(home->filePath("other"));
        Touch(AppPath() + "KvStarter.ini", "old");
        const QString target = SettingsFolder() + "KvStarter.ini";
        Touch(target, "mine");
        TakeOverOlderSettings(target);
        QCOMPARE(Read(target), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsFolder)
#include "tst_SettingsFolder.moc"
