// --help and --version: which words ask for them, and the usage text's layout.
#include <QtTest>

#include "common/backup/ProgramUsage.h"

namespace {

constexpr const char* kSynopsis[] = {"NAME [/ini:FILE]", "--help | --version"};
constexpr TUsageOption kOptions[] = {
    {"/ini:FILE", "use another settings file"},
    {"/end:shutdown|lockdown|logoff|restart|poweroff", "end with this action"},
    {"--help", "show this help and exit and say a great deal more than fits on one line of a "
               "terminal, so that the text has to be wrapped"},
};
constexpr TProgramUsage kUsage{"Prog", kSynopsis, "Does things.", kOptions, "Settings: %sProg.ini"};

} // namespace

class tst_ProgramUsage : public QObject {
    Q_OBJECT

private slots:
    void findsTheCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("word");
        using R = TProgramRequest;
        QTest::newRow("nothing") << QStringList{} << int(R::None) << "";
        QTest::newRow("names and options")
            << QStringList{"Daily", "/force", "-lo:1", "-"} << int(R::None) << "";
        QTest::newRow("help after options")
            << QStringList{"/lang:de", "--help"} << int(R::Help) << "--help";
        QTest::newRow("version") << QStringList{"--version", "Daily"} << int(R::Version)
                                 << "--version";
        // A program's other long commands are its own business.
        QTest::newRow("own command") << QStringList{"--check", "Daily"} << int(R::None) << "";
        QTest::newRow("help after own command")
            << QStringList{"--check", "--help"} << int(R::Help) << "--help";
        // Long commands are whole words: no abbreviation, no letter case, no value.
        QTest::newRow("abbreviated") << QStringList{"--he"} << int(R::UnknownCommand) << "--he";
        QTest::newRow("upper case") << QStringList{"--HELP"} << int(R::UnknownCommand) << "--HELP";
        QTest::newRow("with value")
            << QStringList{"--help=all"} << int(R::UnknownCommand) << "--help=all";
        QTest::newRow("bare double dash")
            << QStringList{"Daily", "--"} << int(R::UnknownCommand) << "--";
        // The first long word decides.
        QTest::newRow("unknown first")
            << QStringList{"--verbose", "--help"} << int(R::UnknownCommand) << "--verbose";
        // Single-dash words are the program's options, never long commands.
        QTest::newRow("single dash help") << QStringList{"-help", "/help"} << int(R::None) << "";
    }
    void findsTheCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(int, request);
        QFETCH(QString, word);
        const TProgramCommand command = FindProgramCommand(args, {"--check"});
        QCOMPARE(int(command.Request), request);
        QCOMPARE(command.Word, word);
    }

    // Every line fits a terminal of 80 columns; texts of options line up, long options put
    // their text on the next line, and the settings folder is filled in.
    void usageFitsATerminal()
    {
        const QString text = UsageText(kUsage, "/home/me/.config/Kelvara6/");
        const QStringList lines = text.split(u'\n');
        for (const QString& line : lines)
            QVERIFY2(line.size() < 80, qPrintable(line));
        QCOMPARE(lines.value(0), QString("Usage: Prog NAME [/ini:FILE]"));
        QCOMPARE(lines.value(1), QString("       Prog --help | --version"));
        QVERIFY(
            lines.contains(QString("  /ini:FILE").leftJustified(28) + "use another settings file"));
        const qsizetype end = lines.indexOf("  /end:shutdown|lockdown|logoff|restart|poweroff");
        QVERIFY(end > 0);
        QCOMPARE(lines.value(end + 1), QString(28, u' ') + "end with this action");
        const qsizetype help = lines.indexOf(QRegularExpression("  --help +show.*"));
        QVERIFY(help > 0);
        QVERIFY(QRegularExpression("^ {28}\\S").match(lines.value(help + 1)).hasMatch());
        QVERIFY(text.endsWith("\nSettings: /home/me/.config/Kelvara6/Prog.ini\n"));
    }
};

QTEST_GUILESS_MAIN(tst_ProgramUsage)
#include "tst_ProgramUsage.moc"
