#include <QTest>

#include "common/backup/Options.h"

namespace {

enum { kForce, kTerm, kLogmode, kPrompt, kLock, kDark, kEnd, kSuspend, kIni };

// The starter's keywords in the order they are tried.
constexpr TOptionKeyword kStarterKeywords[] = {
    {"force", false, kForce},   {"term", false, kTerm},       {"logmode", true, kLogmode},
    {"prompt", false, kPrompt}, {"lockscreen", false, kLock}, {"dark", false, kDark},
    {"end", true, kEnd},        {"suspend", true, kSuspend},  {"ini", true, kIni}};

enum { pIni, pDelay, pInteractive, pDark };
constexpr TOptionKeyword kPlanerKeywords[] = {{"ini", true, pIni},
                                              {"delay", true, pDelay},
                                              {"interactive", false, pInteractive},
                                              {"dark", false, pDark}};

} // namespace

class tst_Options : public QObject {
    Q_OBJECT

private slots:
    void optionTexts_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no value") << "force" << QString() << " /force";
        QTest::newRow("value") << "logmode"
                               << "1"
                               << " /logmode:1";
        QTest::newRow("value with blank") << "ini"
                                          << "/home/a b/x.ini"
                                          << " \"/ini:/home/a b/x.ini\"";
        QTest::newRow("value with quote and blank") << "backupdir"
                                                    << "say \"hi\""
                                                    << " \"/backupdir:say \"\"hi\"\"\"";
        QTest::newRow("value with quote only") << "mode"
                                               << "a\"b"
                                               << " \"/mode:a\"\"b\"";
        QTest::newRow("comma stays bare") << "x"
                                          << "a,b"
                                          << " /x:a,b";
        QTest::newRow("empty value") << "backupdir"
                                     << ""
                                     << " /backupdir:";
    }
    void optionTexts()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(value.isNull() ? OptionText(keyword) : OptionText(keyword, value), expected);
    }

    void numbersAndPaths()
    {
        QCOMPARE(OptionText("xinst", 3), QString(" /xinst:3"));
        QCOMPARE(OptionText("wait", -1), QString(" /wait:-1"));
        QCOMPARE(QuotedPath("/tmp/task.buj"), QString("/tmp/task.buj"));
        QCOMPARE(QuotedPath("/tmp/my task.buj"), QString("\"/tmp/my task.buj\""));
        QCOMPARE(AlwaysQuoted("/opt/K"), QString("\"/opt/K\""));
    }

    void split_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("blanks and tabs") << "  a\tb   c " << QStringList{"a", "b", "c"};
        QTest::newRow("quoted blank") << "\"/a b/K\" x" << QStringList{"/a b/K", "x"};
        QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\"" << QStringList{"say \"hi\""};
        QTest::newRow("quotes inside a word") << "/ini:\"a b\"/c" << QStringList{"/ini:a b/c"};
        QTest::newRow("empty quoted word") << "a \"\" b" << QStringList{"a", "", "b"};
        QTest::newRow("commas are no separators")
            << "Daily,Weekly /f" << QStringList{"Daily,Weekly", "/f"};
        QTest::newRow("unclosed quote runs to the end") << "\"a b" << QStringList{"a b"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void split()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(SplitCommandLine(line), words);
    }

    void builtLinesSplitBack()
    {
        // Whatever the words hold, the built line splits back into exactly them.
        const QStringList paths{"/opt/K/Kelvara", "/home/u/My Jobs/a.buj", "odd\"name", "a,b",
                                "line\nbreak.buj"};
        const QStringList values{"1", "C:\\My \"Folder\"", "x y,z", "", "a\r\nb"};
        QString line = AlwaysQuoted(paths[0]);
        QStringList expected{paths[0]};
        for (const QString& p : paths.mid(1)) {
            line += u' ' + QuotedPath(p);
            expected << p;
        }
        for (const QString& v : values) {
            line += OptionText("opt", v);
            expected << "/opt:" + v;
        }
        line += OptionText("force");
        expected << "/force";
        QCOMPARE(SplitCommandLine(line), expected);
    }

    void starterMatcher_data()
    {
        QTest::addColumn<QString>("param");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("value");
        QTest::newRow("f is force") << "/f" << int(kForce) << "";
        QTest::newRow("minus and capitals") << "-FORCE" << int(kForce) << "";
        QTest::newRow("longer than keyword") << "/forced" << -1 << "";
        QTest::newRow("t is term") << "/t" << int(kTerm) << "";
        QTest::newRow("l without colon is lockscreen") << "/l" << int(kLock) << "";
        QTest::newRow("l with colon is logmode") << "/l:0" << int(kLogmode) << "0";
        QTest::newRow("logmode needs colon") << "/logmode" << -1 << "";
        QTest::newRow("p is prompt") << "/p" << int(kPrompt) << "";
        QTest::newRow("d is dark") << "/d" << int(kDark) << "";
        QTest::newRow("e with value") << "/e:restart" << int(kEnd) << "restart";
        QTest::newRow("s with value") << "/SUS:hib" << int(kSuspend) << "hib";
        QTest::newRow("ini value keeps colons") << "/i:C:\\x.ini" << int(kIni) << "C:\\x.ini";
        QTest::newRow("value keeps blanks") << "/ini:/a b/" << int(kIni) << "/a b/";
        QTest::newRow("bare slash is force") << "/" << int(kForce) << "";
        QTest::newRow("not an option") << "Daily" << -1 << "";
        QTest::newRow("unknown") << "/zap" << -1 << "";
    }
    void starterMatcher()
    {
        QFETCH(QString, param);
        QFETCH(int, id);
        QFETCH(QString, value);
        const TOptionMatch m = MatchOption(param, kStarterKeywords);
        QCOMPARE(m.id, id);
        QCOMPARE(m.value, value);
    }

    void planerMatcher_data()
    {
        QTest::addColumn<QString>("param");
        QTest::addColumn<int>("id");
        QTest::newRow("i is interactive") << "/i" << int(pInteractive);
        QTest::newRow("inter is interactive") << "/inter" << int(pInteractive);
        QTest::newRow("i: is ini") << "/i:x" << int(pIni);
        QTest::newRow("d is dark") << "/d" << int(pDark);
        QTest::newRow("d: is delay") << "-d:10" << int(pDelay);
        QTest::newRow("slash alone is interactive") << "/" << int(pInteractive);
        QTest::newRow("lang is not ours") << "/lang:de" << -1;
    }
    void planerMatcher()
    {
        QFETCH(QString, param);
        QFETCH(int, id);
        QCOMPARE(MatchOption(param, kPlanerKeywords).id, id);
    }

    void values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("index");
        const QStringList ends{"shutdown", "lockdown", "logoff", "restart", "poweroff"};
        QTest::newRow("full") << "restart" << 3;
        QTest::newRow("abbreviated, capitals") << "LOG" << 2;
        QTest::newRow("l is lockdown, tried before logoff") << "l" << 1;
        QTest::newRow("too long") << "shutdowns" << -1;
        QTest::newRow("unknown") << "sleep" << -1;
    }
    void values()
    {
        QFETCH(QString, value);
        QFETCH(int, index);
        QCOMPARE(MatchOptionValue(value, {"shutdown", "lockdown", "logoff", "restart", "poweroff"}),
                 index);
    }

    void leadingInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected"); // -99: no number
        QTest::newRow("plain") << "10" << 10;
        QTest::newRow("up to blank") << "0 x" << 0;
        QTest::newRow("empty") << "" << -99;
        QTest::newRow("word") << "ten" << -99;
    }
    void leadingInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        QCOMPARE(LeadingInteger(value).value_or(-99), expected);
    }
};

QTEST_GUILESS_MAIN(tst_Options)
#include "tst_Options.moc"
