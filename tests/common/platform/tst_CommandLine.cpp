#include <QTest>

#include "common/platform/CommandLine.h"
#include "common/platform/WinShell.h"

using TWords = std::vector<std::string>;
Q_DECLARE_METATYPE(TWords)

class tst_CommandLine : public QObject {
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<TWords>("words");
        QTest::newRow("empty") << "" << TWords{};
        QTest::newRow("only blanks") << " \t " << TWords{};
        QTest::newRow("blanks separate, runs collapse")
            << "  prog  -a\tb  " << TWords{"prog", "-a", "b"};
        QTest::newRow("quoted path with blanks")
            << "\"/opt/my dir/prog\" \"a b\" c" << TWords{"/opt/my dir/prog", "a b", "c"};
        QTest::newRow("doubled quote inside quotes")
            << "prog \"say \"\"hi\"\"\"" << TWords{"prog", "say \"hi\""};
        QTest::newRow("quotes join with the word around them")
            << "x/\"my dir\"/p -o\"a b\"" << TWords{"x/my dir/p", "-oa b"};
        QTest::newRow("empty quoted word is kept")
            << "prog \"\" last" << TWords{"prog", "", "last"};
        QTest::newRow("unterminated quote runs to the end")
            << "prog \"a b" << TWords{"prog", "a b"};
        QTest::newRow("UTF-8 passes through") << "prög \"ü ß\"" << TWords{"prög", "ü ß"};
        QTest::newRow("line breaks separate, quoted ones are kept") << "\"a\nb\" c\rd\r\n"
                                                                    << TWords{"a\nb", "c", "d"};
    }

    void split()
    {
        QFETCH(QString, line);
        QFETCH(TWords, words);
        QCOMPARE(SplitCommandLine(line.toStdString()), words);
    }

    // The words of every line above, joined again, split back into the same words.
    void joinSplitsBack_data() { split_data(); }
    void joinSplitsBack()
    {
        QFETCH(TWords, words);
        QCOMPARE(SplitCommandLine(JoinCommandLine(words)), words);
    }

    // Windows quoting (the round trip through the system's own splitting runs under Wine).
    void windowsQuoting_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("quoted");
        // Written with escapes: raw strings with quotes inside are lost on moc.
        QTest::newRow("plain, backslashes literal") << "C:\\dir\\"
                                                    << "C:\\dir\\";
        QTest::newRow("empty") << ""
                               << "\"\"";
        QTest::newRow("trailing backslash doubled in quotes") << "C:\\Program Files\\"
                                                              << "\"C:\\Program Files\\\\\"";
        QTest::newRow("quote after backslashes") << "a\\\\\"b c"
                                                 << "\"a\\\\\\\\\\\"b c\"";
    }
    void windowsQuoting()
    {
        QFETCH(QString, argument);
        QFETCH(QString, quoted);
        QCOMPARE(QString::fromStdString(QuoteWindowsArgument(argument.toStdString())), quoted);
        QCOMPARE(JoinWindowsCommandLine({"p", argument.toStdString()}),
                 "p " + quoted.toStdString());
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
