#include <algorithm>
#include <clocale>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "CatalogueFixture.h"
#include "ScopedEnv.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"
#include "common/infra/Translation.h"
#include "common/platform/ProcessEnvironment.h"

class tst_Translation : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScopedEnv> userLanguage;
    std::unique_ptr<QTemporaryDir> tmp;
    TTranslationContext context;
    QString settings; // the settings folder, with trailing "/"

    void WriteConfig(const QString& file, const QString& langId)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        auto ini = TUnicodeIniFile::CreateForWrite(file, true);
        ini->WriteString("Language", "LangID", langId);
        ini->Close();
    }

private slots:
    void initTestCase()
    {
        // The user's own, before any switch; given back when the test ends.
        userLanguage = std::make_unique<ScopedEnv>("LANGUAGE", "sv:en");
    }
    void cleanupTestCase() { userLanguage.reset(); }
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        settings = tmp->filePath("settings/");
        context.Params.clear();
        context.ProgramFolder = tmp->filePath("prog/");
        context.CurrentFolder = tmp->filePath("cwd/");
        context.RoamingFolder = tmp->filePath("roaming/");
    }

    // The language code from the command line wins over "LangID" ("it" here).
    void languageFromCommandLine_data()
    {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("expected");
        QTest::newRow("/l:de") << QStringList{"/l:de"} << "de";
        QTest::newRow("-LANG:de") << QStringList{"-LANG:de"} << "de";
        QTest::newRow("/lang:deutsch") << QStringList{"/lang:deutsch"} << "de";
        QTest::newRow("upper-case value") << QStringList{"/La:FR"} << "fr";
        QTest::newRow("last one wins") << QStringList{"/lang:de", "-l:fr"} << "fr";
        QTest::newRow("empty value") << QStringList{"/lang:"} << "it";
        QTest::newRow("longer than lang") << QStringList{"/language:de"} << "it";
        QTest::newRow("no option sign") << QStringList{"lang:de"} << "it";
        QTest::newRow("other options") << QStringList{"/x:de", "/force", "Group 1"} << "it";
    }
    void languageFromCommandLine()
    {
        QFETCH(QStringList, params);
        QFETCH(QString, expected);
        WriteConfig(settings + "Kelvara.cfg", "it");
        context.Params = params;
        QCOMPARE(DetermineLanguage(settings, "Kelvara.cfg", context), expected);
    }

    void configFileMoves_data()
    {
        qputenv("KV_TEST_FOLDER", "/var/kv test");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("expected"); // <S>ettings, <P>rogram, <C>urrent folder
        QTest::newRow("default") << QStringList{} << "<S>Kelvara.cfg";
        QTest::newRow("/portable") << QStringList{"/portable"} << "<P>Kelvara.cfg";
        QTest::newRow("-P") << QStringList{"-P"} << "<P>Kelvara.cfg";
        QTest::newRow("portable, ini")
            << QStringList{"/portable", "/ini:other.ini"} << "<P>other.cfg";
        QTest::newRow("ini, portable")
            << QStringList{"/ini:other.ini", "/portable"} << "<P>other.cfg";
        QTest::newRow("portable, relative sub folder")
            << QStringList{"/portable", "/i:conf/other"} << "<P>conf/other.cfg";
        QTest::newRow("portable, absolute")
            << QStringList{"/portable", "/ini:/conf/other.ini"} << "/conf/other.cfg";
        QTest::newRow("absolute file")
            << QStringList{"/ini:/conf/other.ini"} << "/conf/Kelvara.cfg";
        QTest::newRow("drive letter")
            << QStringList{"/ini:D:\\conf\\other.ini"} << "D:/conf/Kelvara.cfg";
        QTest::newRow("file name only") << QStringList{"/ini:other.ini"} << "<S>Kelvara.cfg";
        QTest::newRow("relative file")
            << QStringList{"/ini:conf/other.ini"} << "<C>conf/Kelvara.cfg";
        QTest::newRow("folder") << QStringList{"/ini:/conf/"} << "/conf/Kelvara.cfg";
        QTest::newRow("folder with variable")
            << QStringList{"/ini:%KV_TEST_FOLDER%/x/"} << "/var/kv test/x/Kelvara.cfg";
        QTest::newRow("empty path") << QStringList{"/ini:"} << "<S>Kelvara.cfg";
    }
    void configFileMoves()
    {
        QFETCH(QStringList, params);
        QFETCH(QString, expected);
        expected.replace("<S>", settings).replace("<P>", context.ProgramFolder);
        expected.replace("<C>", context.CurrentFolder);
        const TLanguageOptions options = ScanLanguageOptions(params, context.ProgramFolder);
        QCOMPARE(MoveConfigFile(ConfigFilePath(settings, "Kelvara.cfg", context.RoamingFolder),
                                options, context.ProgramFolder, context.CurrentFolder),
                 expected);
    }

    void relativeSettingsFolderCountsFromRoaming()
    {
        QCOMPARE(ConfigFilePath("Kelvara6", "Kelvara.cfg", context.RoamingFolder),
                 context.RoamingFolder + "Kelvara6/Kelvara.cfg");
    }

    void environmentNames_data()
    {
        qputenv("KV_A", "va");
        qputenv("KV_P", "%KV_A%");
        qunsetenv("KV_UNSET");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one") << "%KV_A%/x"
                             << "va/x";
        QTest::newRow("every spelling") << "%KV_A%-%kv_a%"
                                        << "va-va";
        QTest::newRow("unset") << "%KV_UNSET%/y"
                               << "/y";
        QTest::newRow("no partner") << "%KV_A%/50%"
                                    << "va/50%";
        QTest::newRow("value not expanded again") << "%KV_P%"
                                                  << "%KV_A%";
        QTest::newRow("none") << "plain"
                              << "plain";
    }
    void environmentNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ExpandEnvironmentNames(text), expected);
    }

    void languageFromConfigFile()
    {
        const QString cfg = settings + "Kelvara.cfg";
        QCOMPARE(ConfigLanguage(cfg), QString()); // missing
        WriteConfig(cfg, "Deutsch");
        QCOMPARE(ConfigLanguage(cfg), QString("de"));
        QCOMPARE(DetermineLanguage(settings, "Kelvara.cfg", context), QString("de"));
        context.Params = QStringList{"/lang:fr"};
        QCOMPARE(DetermineLanguage(settings, "Kelvara.cfg", context), QString("fr"));
        // The configuration file follows the options.
        WriteConfig(context.ProgramFolder + "other.cfg", "es");
        context.Params = QStringList{"/portable", "/ini:other.ini"};
        QCOMPARE(DetermineLanguage(settings, "Kelvara.cfg", context), QString("es"));
    }

    void unusableConfigFileGivesInterfaceLanguage()
    {
        QDir().mkpath(settings + "Kelvara.cfg"); // a folder, not a file
        QCOMPARE(DetermineLanguage(settings, "Kelvara.cfg", context), SystemUiLanguage());
        WriteConfig(tmp->filePath("empty/Kelvara.cfg"), "");
        QCOMPARE(DetermineLanguage(tmp->filePath("empty"), "Kelvara.cfg", context),
                 SystemUiLanguage());
    }

    void interfaceLanguage_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QString>("expected");
        QTest::newRow("de-DE") << QStringList{"de-DE", "en"} << "de";
        QTest::newRow("underscore") << QStringList{"pt_BR"} << "pt";
        QTest::newRow("script") << QStringList{"zh-Hans-CN"} << "zh";
        QTest::newRow("Norwegian") << QStringList{"nb-NO"} << "no";
        QTest::newRow("three letters") << QStringList{"fil-PH"} << "en";
        QTest::newRow("not in the table") << QStringList{"he-IL"} << "en";
        QTest::newRow("C locale") << QStringList{"C"} << "en";
        QTest::newRow("none") << QStringList{} << "en";
    }
    void interfaceLanguage()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QString, expected);
        QCOMPARE(MapUiLanguage(uiLanguages), expected);
    }

    void lookUpInDomains()
    {
        TCatalogueFixture catalogues;
        QVERIFY(catalogues.Add("de", kDefaultDomain,
                               {{"Start", "Starten"},
                                {"Close", "Schließen"},
                                {"Shared", "Gemeinsam (default)"},
                                {"%s of %s", "%s von %s"}}));
        QVERIFY(catalogues.Add("de", kDialogsDomain, {{"OK", "Gut"}}));
        QVERIFY(catalogues.Add("de", kUnitsDomain,
                               {{"Shared", "Gemeinsam (Units)"}, {"In both", "In Units"}}));
        QVERIFY(
            catalogues.Add("de", "extra2", {{"In both", "In extra2"}, {"Extra", "Nur extra2"}}));
        for (const char* domain : {kDefaultDomain, kDialogsDomain, kUnitsDomain, "extra2"})
            BindDomain(domain, catalogues.Folder());
        AddResourceDomain(kUnitsDomain);
        AddResourceDomain("extra2");
        AddResourceDomain(kUnitsDomain);
        std::setlocale(LC_MESSAGES, "C"); // as on a machine with only the C locales
        const QByteArray numeric = std::setlocale(LC_NUMERIC, nullptr);
        const QByteArray time = std::setlocale(LC_TIME, nullptr);

        SwitchLanguage("de", false);
        QCOMPARE(CurrentLanguage(), QString("de"));
        QCOMPARE(Tr("Start"), QString("Starten"));
        QCOMPARE(TrDialogs("Start"), QString("Start")); // not in the dialogs catalogue
        QCOMPARE(TrDialogs("OK"), QString("Gut"));
        QCOMPARE(Tr("OK"), QString("OK"));
        QCOMPARE(TrDomain(kUnitsDomain, "In both"), QString("In Units"));
        QCOMPARE(Tr("Close"), QString("Schließen")); // UTF-8, not transliterated
        QCOMPARE(TranslateText(kDefaultDomain, QString("Start")), QString("Starten"));
        QCOMPARE(Fmt(Tr("%s of %s"), {"1", "2"}), QString("1 von 2"));
        QCOMPARE(Tr(""), QString()); // not the catalogue header
        QCOMPARE(TranslateText(kDefaultDomain, QString()), QString());

        QCOMPARE(TrResource("Shared"), QString("Gemeinsam (default)"));
        QCOMPARE(TrResource("In both"), QString("In Units"));
        QCOMPARE(TrResource("Extra"), QString("Nur extra2"));
        QCOMPARE(TrResource("Nowhere"), QString("Nowhere"));

        SwitchLanguage("fr", false); // no catalogues
        QCOMPARE(Tr("Start"), QString("Start"));
        QCOMPARE(TrResource("Extra"), QString("Extra"));
        SwitchLanguage("de", false);
        QCOMPARE(Tr("Start"), QString("Starten"));

        QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), numeric);
        QCOMPARE(QByteArray(std::setlocale(LC_TIME, nullptr)), time);
    }

    void germanCatalogueOfTheBuild()
    {
        const QString folder = QStringLiteral(KV_BINARY_DIR "/share/kelvara6/locale");
        QVERIFY(QFile::exists(folder + "/de/LC_MESSAGES/default.mo"));
        BindDomain(kDefaultDomain, folder);
        SwitchLanguage("de", false);
        QCOMPARE(Tr("The file is too large."), QString("Die Datei ist zu groß."));
        QCOMPARE(EWriteError("/x/KvStarter.ini").Message(),
                 QString("Fehler beim Schreiben von \"/x/KvStarter.ini\""));
    }

    void setUpBeforeTheApplicationObject()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C"); // the application object resets the locale from this
        env.remove("LANGUAGE");
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + "/TranslationBeforeApp",
                      {"/lang:de"});
        QVERIFY(program.waitForFinished());
        QCOMPARE(program.readAllStandardOutput().trimmed(),
                 QString("de:Die Datei ist zu groß.").toUtf8());
    }

    void initTranslationSwitchesEverything()
    {
        WriteConfig(settings + "Kelvara.cfg", "de");
        InitTranslation(settings, "Kelvara.cfg", {kRuntimeDomain, kUnitsDomain});
        QCOMPARE(CurrentLanguage(), QString("de"));
        QCOMPARE(qgetenv("LANGUAGE"), QByteArray("de"));
        // The test program has no catalogues beside it: English.
        QCOMPARE(Tr("The file is too large."), QString("The file is too large."));
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));
        QCOMPARE(UserLanguageVariable(), std::optional<std::string>("sv:en"));
        // The programs we start keep the user's language.
        const std::vector<std::string> environment = UserEnvironment();
        QCOMPARE(std::count(environment.begin(), environment.end(), "LANGUAGE=sv:en"), 1);
        QCOMPARE(std::count_if(environment.begin(), environment.end(),
                               [](const std::string& e) { return e.rfind("LANGUAGE=", 0) == 0; }),
                 1);
    }
};

QTEST_GUILESS_MAIN(tst_Translation)
#include "tst_Translation.moc"
