#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "common/infra/IniFileUtils.h"
#include "common/ui/ShowMemoText.h"

namespace {

QByteArray Fixture(const QString& name)
{
    QFile file(QStringLiteral(KV_SOURCE_DIR "/tests/common/ui/fixtures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FirstLine(const QString& text)
{
    TLineIndex lines;
    lines.Build(text);
    return text.mid(lines.Start(0), lines.Length(0));
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_ShowMemoText : public QObject {
    Q_OBJECT

private slots:
    // One fixture per encoding, read automatically (0) or with the code page chosen.
    void decoding_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<int>("used");
        const QString de = QStringLiteral("Prüfung: Größe 5 €");
        QTest::newRow("utf-8") << "cp_utf8.log" << (0) << de << kCpUtf8;
        QTest::newRow("utf-8 mark") << "cp_utf8_bom.log" << (0) << de << kCpUtf8;
        QTest::newRow("utf-16le mark") << "cp_utf16le_bom.log" << (0) << de << kCpUtf16LE;
        QTest::newRow("utf-16be mark") << "cp_utf16be_bom.log" << (0) << de << kCpUtf16BE;
        QTest::newRow("utf-16le no mark") << "cp_utf16le.log" << (0) << de << kCpUtf16LE;
        QTest::newRow("windows-1252") << "cp_1252.log" << (0) << de << 1252;
        QTest::newRow("utf-16le chosen") << "cp_utf16le_bom.log" << (1200) << de << 1200;
        QTest::newRow("iso-8859-2") << "cp_8859_2.log" << (28592) << "Łódź żółć" << 28592;
        QTest::newRow("ibm 850") << "cp_850.log" << (850) << "Prüfung ÄÖÜ ß" << 850;
        QTest::newRow("windows-1251") << "cp_1251.log" << (1251) << "Привет мир" << 1251;
    }

    void decoding()
    {
        QFETCH(QString, file);
        QFETCH(int, codePage);
        QFETCH(QString, firstLine);
        QFETCH(int, used);
        const TDecodedText decoded = DecodeLogBytes(Fixture(file), codePage);
        QVERIFY(!decoded.invalid);
        QCOMPARE(decoded.codePage, used);
        QCOMPARE(FirstLine(decoded.text), firstLine);
    }

    // Data the chosen code page cannot decode is shown in the ANSI code page, marked invalid.
    void undecodableFallsBackToAnsi()
    {
        const TDecodedText decoded = DecodeLogBytes(Fixture("cp_1252.log"), kCpUtf8);
        QVERIFY(decoded.invalid);
        QCOMPARE(decoded.codePage, kAnsiCodePage);
        QCOMPARE(FirstLine(decoded.text), QStringLiteral("Prüfung: Größe 5 €"));
    }

    void zeroBytesAndBinaryData()
    {
        QCOMPARE(DecodeLogBytes(QByteArray("ab\0\0c\0d", 7), 0).text, QStringLiteral("abcd"));
        QByteArray binary(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(7);
        for (char& c : binary)
            c = char(gen.bounded(256));
        for (int cp : {0, kCpUtf8, kCpUtf16LE, 850}) {
            const TDecodedText decoded = DecodeLogBytes(binary, cp);
            QVERIFY(!decoded.text.contains(QChar(u'\0')));
            QVERIFY(!decoded.text.isEmpty());
        }
        QCOMPARE(DecodeLogBytes(QByteArray(), 0).text, QString());
    }

    void codePageChoice()
    {
        std::vector<int> numbers;
        const QStringList texts = CodePageChoice(numbers);
        QCOMPARE(size_t(texts.size()), numbers.size());
        QCOMPARE(texts.first(), QStringLiteral(" Automatic"));
        QCOMPARE(numbers.front(), 0);
        for (int cp : {1252, 850, 28591, 28592, 1200, 65001}) {
            const auto it = std::find(numbers.begin(), numbers.end(), cp);
            QVERIFY2(it != numbers.end(), qPrintable(QString::number(cp)));
            QVERIFY(texts[it - numbers.begin()].endsWith(QStringLiteral(" - (%1)").arg(cp)));
        }
        QVERIFY(texts.contains(QStringLiteral("ANSI - Latin I - (1252)")));
    }

    void lineIndex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList{""};
        QTest::newRow("mixed ends") << "a\r\nbb\nc\rd" << QStringList{"a", "bb", "c", "d"};
        QTest::newRow("trailing end") << "x\r\n" << QStringList{"x", ""};
        QTest::newRow("empty lines") << "\n\r\n\r" << QStringList{"", "", "", ""};
    }

    void lineIndex()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        TLineIndex index;
        index.Build(text);
        QCOMPARE(index.Count(), lines.size());
        for (qsizetype i = 0; i < index.Count(); ++i) {
            QCOMPARE(text.mid(index.Start(i), index.Length(i)), lines[i]);
            QCOMPARE(index.LineOf(index.Start(i)), i);
            QCOMPARE(index.LineOf(index.Start(i) + index.Length(i)), i);
        }
    }

    void find_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<qsizetype>("found");
        // 0123456789012345678901234567890
        // "*** a\n  *** b\nError error err"
        QTest::newRow("error mark skips bare asterisks")
            << "  *** " << qsizetype(0) << true << false << false << qsizetype(6);
        QTest::newRow("down from after match")
            << "  *** " << qsizetype(7) << true << false << false << qsizetype(-1);
        QTest::newRow("up ends before from")
            << "***" << qsizetype(10) << false << false << false << qsizetype(0);
        QTest::newRow("up sees match ending at from")
            << "***" << qsizetype(11) << false << false << false << qsizetype(8);
        QTest::newRow("case insensitive")
            << "error" << qsizetype(14) << true << false << false << qsizetype(14);
        QTest::newRow("match case")
            << "error" << qsizetype(14) << true << true << false << qsizetype(20);
        QTest::newRow("whole word")
            << "err" << qsizetype(14) << true << false << true << qsizetype(26);
        QTest::newRow("up whole word")
            << "err" << qsizetype(28) << false << false << true << qsizetype(-1);
        QTest::newRow("empty text")
            << "" << qsizetype(0) << true << false << false << qsizetype(-1);
    }

    void find()
    {
        QFETCH(QString, what);
        QFETCH(qsizetype, from);
        QFETCH(bool, down);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(qsizetype, found);
        const QString text = QStringLiteral("*** a\n  *** b\nError error err");
        QCOMPARE(FindInText(text, what, from, {down, matchCase, wholeWord}), found);
    }

    // Rows fit ten characters here.
    void breakPrintLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("fits") << "short" << QStringList{"short"};
        QTest::newRow("after blanks")
            << "one two three four" << QStringList{"one two ", "* three ", "* four"};
        QTest::newRow("after backslash and brace")
            << "C:\\data\\logs}x" << QStringList{"C:\\data\\", "* logs}x"};
        QTest::newRow("no break character")
            << QString(24, u'x')
            << QStringList{QString(10, u'x'), "* " + QString(8, u'x'), "* " + QString(6, u'x')};
        QTest::newRow("empty") << "" << QStringList{""};
    }

    void breakPrintLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, rows);
        QCOMPARE(BreakPrintLine(line, [](const QString& s) { return s.size() <= 10; }), rows);
    }

    void breakNeverStalls()
    {
        const QStringList rows =
            BreakPrintLine(QStringLiteral("abc"), [](const QString&) { return false; });
        QCOMPARE(rows, (QStringList{"a", "* b", "* c"}));
    }

    void shortenPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("shortened");
        QTest::newRow("short") << "/var/log/a.log" << qsizetype(80) << "/var/log/a.log";
        QTest::newRow("middle dropped") << "/home/user/backups/logs/2026/run.log" << qsizetype(28)
                                        << "/home/.../logs/2026/run.log";
        QTest::newRow("windows path") << "C:\\Users\\me\\AppData\\Kelvara\\run.log" << qsizetype(25)
                                      << "C:\\...\\Kelvara\\run.log";
        QTest::newRow("name only")
            << "/a/b/c/very-long-name.log" << qsizetype(20) << ".../very-long-name.log";
    }

    void shortenPath()
    {
        QFETCH(QString, path);
        QFETCH(int, max);
        QFETCH(QString, shortened);
        const QString result = ShortenPath(path, max);
        if (shortened.size() <= max)
            QCOMPARE(result, shortened);
        QVERIFY(result.size() <= max);
    }

    void printFontHeight()
    {
        QCOMPARE(PrintFontHeight(10), 35);
        QCOMPARE(PrintFontHeight(12), 42);
        QCOMPARE(PrintFontHeight(5), 18);
    }

    void printerSettings_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("font");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("orientation");
        QTest::newRow("missing section")
            << QByteArray() << "" << 150 << 200 << "Courier New" << 10 << 0 << 0;
        QTest::newRow("values")
            << QByteArray("Printer=Office\nTopMargin=100\nLeftMargin=$FA\nFontName=Mono\n"
                          "FontSize=12\nFontStyle=3\nOrientation=1\n")
            << "Office" << 100 << 250 << "Mono" << 12 << 3 << 1;
        QTest::newRow("unusable values")
            << QByteArray("TopMargin=-5\nLeftMargin=abc\nFontName=  \nFontSize=99999\n"
                          "FontStyle=99\nOrientation=2\n")
            << "" << 150 << 200 << "Courier New" << 10 << 0 << 0;
    }

    void printerSettings()
    {
        QFETCH(QByteArray, section);
        QFETCH(QString, name);
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(QString, font);
        QFETCH(int, size);
        QFETCH(int, style);
        QFETCH(int, orientation);
        QTemporaryDir dir;
        const QString ini = dir.filePath("Kelvara.ini");
        WriteFile(ini, section.isEmpty() ? QByteArray("[Other]\nA=1\n")
                                         : QByteArray("[Printer]\n") + section);
        TPrinterSettings settings;
        settings.FontName = QStringLiteral("changed before");
        LoadPrinterSettings(ini, QStringLiteral("Printer"), settings);
        QCOMPARE(settings.PrtName, name);
        QCOMPARE(settings.Margins.Top, top);
        QCOMPARE(settings.Margins.Left, left);
        QCOMPARE(settings.Margins.Right, 100);
        QCOMPARE(settings.Margins.Bottom, 150);
        QCOMPARE(settings.FontName, font);
        QCOMPARE(settings.FontSize, size);
        QCOMPARE(settings.FontStyle, style);
        QCOMPARE(settings.Orientation, orientation);
        QCOMPARE(ViewSettingsFile(), ini);
    }

    // Writing the view keys keeps the file's encoding and its other sections; a missing file
    // is not created.
    void viewSettingsRoundTrip()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Kelvara.ini");
        WriteFile(ini,
                  QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(
                                                          u"[Mail]\r\nHost=smtp.example.org\r\n"),
                                                      31 * 2));
        const TViewSettings written{10, 20, 300, 400, "/tmp/x", "Mono", 11, fsItalic};
        QVERIFY(WriteViewSettings(ini, written));
        TViewSettings read;
        QVERIFY(ReadViewSettings(ini, read));
        QCOMPARE(read.Top, 10);
        QCOMPARE(read.Left, 20);
        QCOMPARE(read.Height, 300);
        QCOMPARE(read.Width, 400);
        QCOMPARE(read.FontName, QStringLiteral("Mono"));
        QCOMPARE(read.FontSize, 11);
        QCOMPARE(read.FontStyle, int(fsItalic));
        const TMemIniFile check(ini);
        QCOMPARE(check.Encoding(), TIniEncoding::Utf16LE);
        QCOMPARE(check.ReadString("Mail", "Host", ""), QStringLiteral("smtp.example.org"));

        const QString missing = dir.filePath("none.ini");
        QVERIFY(!WriteViewSettings(missing, written));
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!ReadViewSettings(missing, read));
    }
};

QTEST_GUILESS_MAIN(tst_ShowMemoText)
#include "tst_ShowMemoText.moc"
