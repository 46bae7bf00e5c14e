#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "common/infra/IniFileUtils.h"
#include "common/ui/LogView.h"
#include "common/ui/ShowMemo.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"

namespace {

QString Fixture(const char* name)
{
    return QStringLiteral(KV_SOURCE_DIR "/tests/common/ui/fixtures/") + QLatin1String(name);
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Show(const QString& file, TShowDlgButtons buttons = kRunLogButtons, int line = 0,
          TShowDlgType type = stShow, const TPrinterSettings& printer = TPrinterSettings())
{
    ShowTextFile(QStringLiteral("KvStarter"), file, QStringLiteral("Previous section"),
                 QStringLiteral("Next section"), QStringLiteral("KvStarter"),
                 QStringLiteral("Previous error"), QStringLiteral("Next error"),
                 QStringLiteral("  *** "), QStringLiteral("Log files|*.log|all|*.*"),
                 QPoint(-1, -1), line, type, buttons, printer, 0);
}

qsizetype SelectedLine(const TShowTextDialog& d)
{
    return d.Memo->Lines().LineOf(d.Memo->SelectionStart());
}

// Answers every question with Yes and keeps the texts.
void AnswerYes(QStringList& shown)
{
    SetMessageAnswerHook([&shown](TShowMsgDialog& box) {
        shown.append(box.Message());
        return int(mrYes);
    });
}

QString PdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class tst_ShowMemo : public QObject {
    Q_OBJECT

    QStringList messages;
    QTemporaryDir dir;

    TShowTextDialog& Dialog()
    {
        TShowTextDialog* d = ShownTextDialog();
        Q_ASSERT(d);
        return *d;
    }

    // Prints through the print-to-PDF path and returns the text of the PDF.
    QString PrintToPdf(TShowTextDialog& d)
    {
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QFile::remove(pdf);
        SetPrintDialogHook([pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        d.PrintText();
        SetPrintDialogHook({});
        return PdfText(pdf);
    }

private slots:
    void init()
    {
        messages.clear();
        RecordMessages(messages);
        TPrinterSettings unused;
        LoadPrinterSettings(QString(), QString(), unused);
        SetShowTextHook({});
    }

    void cleanup()
    {
        FreeShowTextDialog();
        SetMessageAnswerHook({});
    }

    void everyControlHasAName()
    {
        Show(Fixture("run.log"), 0x1FF);
        QCOMPARE(ControlsWithoutAccessibleName(&Dialog()), QStringList());
        Dialog().bbSearch->click();
        QCOMPARE(ControlsWithoutAccessibleName(Dialog().FindDialog), QStringList());
    }

    // The two button sets the starter uses: a backup log with a font button, its run log
    // without; visible buttons follow each other from the left.
    void buttonSets_data()
    {
        QTest::addColumn<uint>("buttons");
        QTest::addColumn<QStringList>("shown");
        const QStringList runLog{"bbOpen",     "bbReload",   "bbCodePage", "bbPrint",  "bbSearch",
                                 "bbPrevSect", "bbNextSect", "bbPrevErr",  "bbNextErr"};
        QStringList backupLog = runLog;
        backupLog.insert(2, "bbFont");
        QTest::newRow("backup log") << uint(kBackupLogButtons) << backupLog;
        QTest::newRow("run log") << uint(kRunLogButtons) << runLog;
        QTest::newRow("sections only")
            << uint(ShowBtn(sbSection)) << QStringList{"bbPrevSect", "bbNextSect"};
    }

    void buttonSets()
    {
        QFETCH(uint, buttons);
        QFETCH(QStringList, shown);
        Show(Fixture("run.log"), buttons);
        QStringList visible;
        int lastX = -1;
        for (QToolButton* b : Dialog().findChildren<QToolButton*>()) {
            if (!b->isVisible())
                continue;
            visible.append(b->objectName());
            QVERIFY(b->x() > lastX);
            lastX = b->x();
        }
        QCOMPARE(visible, shown);
        QVERIFY(Dialog().bbClose->isVisible());
        if (Dialog().bbNextErr->isVisible())
            QCOMPARE(Dialog().bbNextErr->toolTip(), QStringLiteral("Next error"));
    }

    void sectionNavigation()
    {
        Show(Fixture("run.log"), kRunLogButtons, 1);
        TShowTextDialog& d = Dialog();
        QCOMPARE(d.Memo->CaretLine(), 0);
        for (qsizetype line : {0, 4, 8}) {
            d.bbNextSect->click();
            QCOMPARE(SelectedLine(d), line);
            QCOMPARE(d.Memo->SelectedText(), QStringLiteral("KvStarter"));
        }
        d.bbNextSect->click();
        QVERIFY(!d.Memo->HasSelection());
        QCOMPARE(d.Memo->CaretPos(), d.Memo->Text().size());
        QCOMPARE(d.StatusInfo(), QStringLiteral("No further sections!"));
        d.bbPrevSect->click();
        QCOMPARE(SelectedLine(d), 8);
        QCOMPARE(d.StatusInfo(), QString());
        // F3 goes on searching for the mark, Shift+F3 the other way.
        QTest::keyClick(&d, Qt::Key_F3);
        QCOMPARE(SelectedLine(d), 4);
        d.bbNextSect->click();
        QCOMPARE(SelectedLine(d), 8);
        QTest::keyClick(&d, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(SelectedLine(d), 4);
        QVERIFY(messages.isEmpty());
    }

    // Only lines with two blanks before the asterisks are errors.
    void errorNavigation()
    {
        Show(Fixture("run.log"), kRunLogButtons, 1);
        TShowTextDialog& d = Dialog();
        for (qsizetype line : {6, 9}) {
            d.bbNextErr->click();
            QCOMPARE(SelectedLine(d), line);
        }
        d.bbNextErr->click();
        QCOMPARE(d.StatusInfo(), QStringLiteral("No further errors!"));
        d.bbPrevErr->click();
        d.bbPrevErr->click();
        QCOMPARE(SelectedLine(d), 6);
        d.bbPrevErr->click();
        QCOMPARE(d.Memo->CaretPos(), 0);
        QCOMPARE(d.StatusInfo(), QStringLiteral("No further errors!"));
    }

    void opensAtEndOrAtLine_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("caretLine");
        QTest::newRow("0: end") << 0 << 11;
        QTest::newRow("line 5") << 5 << 4;
        QTest::newRow("beyond: end") << 500 << 11;
    }

    void opensAtEndOrAtLine()
    {
        QFETCH(int, line);
        QFETCH(int, caretLine);
        Show(Fixture("run.log"), kRunLogButtons, line);
        QCOMPARE(Dialog().Memo->CaretLine(), caretLine);
        QCOMPARE(Dialog().StatusLine(), QStringLiteral(" Line: %1 of 12").arg(caretLine + 1));
    }

    void search()
    {
        Show(Fixture("run.log"), kRunLogButtons, 1);
        TShowTextDialog& d = Dialog();
        d.FindDialog->SetFindText(QStringLiteral("task c"));
        d.FindDialog->SetDown(true);
        QVERIFY(d.SearchAgain());
        QCOMPARE(SelectedLine(d), 7);
        d.FindDialog->cbCase->setChecked(true);
        d.Memo->SetCaret(0);
        QVERIFY(!d.SearchAgain());
        QCOMPARE(messages, QStringList{"\"task c\" not found!"});
        d.FindDialog->SetFindText(QStringLiteral("Task"));
        d.Memo->SetCaret(d.Memo->Text().size());
        QVERIFY(d.SearchAgain(true)); // Shift+F3: the other way, upward
        QCOMPARE(SelectedLine(d), 9);
    }

    void codePages()
    {
        Show(Fixture("cp_1251.log"));
        TShowTextDialog& d = Dialog();
        QVERIFY(!d.Memo->Text().startsWith(QStringLiteral("Привет")));
        d.ChooseCodePage(1251);
        QVERIFY(d.Memo->Text().startsWith(QStringLiteral("Привет мир")));
        QCOMPARE(d.UsedCodePage(), 1251);
        // The code-page list offers the chosen page, and choosing from it reloads.
        d.bbCodePage->click();
        QVERIFY(d.lbCodePage->isVisible());
        const std::vector<int> numbers = d.CodePageNumbers();
        QCOMPARE(numbers[size_t(d.lbCodePage->currentRow())], 1251);
        d.OpenFile(Fixture("cp_1252.log"));
        const int utf8Row =
            int(std::find(numbers.begin(), numbers.end(), kCpUtf8) - numbers.begin());
        emit d.lbCodePage->itemActivated(d.lbCodePage->item(utf8Row));
        QCOMPARE(messages, QStringList{"Invalid code page - Windows default is used!"});
        QCOMPARE(d.CodePage(), kAnsiCodePage);
        QVERIFY(d.Memo->Text().startsWith(QStringLiteral("Prüfung: Größe 5 €")));
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QByteArray binary(200 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(3);
        for (char& c : binary)
            c = char(gen.bounded(256));
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd\n\re") << 6;
        QTest::newRow("binary") << binary << -1;
    }

    void badInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        const QString file = dir.filePath(QStringLiteral("bad.log"));
        WriteFile(file, bytes);
        Show(file);
        TShowTextDialog& d = Dialog();
        QVERIFY(d.isVisible());
        QVERIFY(!d.Memo->Text().contains(QChar(u'\0')));
        if (lines >= 0)
            QCOMPARE(d.Memo->Lines().Count(), lines);
        d.grab(); // paints every visible line
        QVERIFY(messages.isEmpty() || bytes.size() > 1000);
    }

    void missingFile()
    {
        const QString file = dir.filePath(QStringLiteral("none.log"));
        Show(file);
        QCOMPARE(messages, QStringList{"File: \"" + file + "\" not found!"});
        QVERIFY(!ShownTextDialog()->isVisible());
    }

    void unreadableFile()
    {
        Show(dir.path());
        QCOMPARE(Dialog().Memo->Text(),
                 QStringLiteral("*** Error loading file: \"%1\"").arg(dir.path()));
    }

    // A second call while the window is open only reloads the file.
    void reuseReloads()
    {
        const QString file = dir.filePath(QStringLiteral("grow.log"));
        WriteFile(file, "KvStarter first\r\n");
        Show(file);
        TShowTextDialog* first = ShownTextDialog();
        WriteFile(file, "KvStarter first\r\nKvStarter second\r\n");
        Show(file);
        QCOMPARE(ShownTextDialog(), first);
        QVERIFY(Dialog().Memo->Text().contains(QStringLiteral("second")));
    }

    void printToPdf()
    {
        Show(Fixture("run.log"));
        const QString text = PrintToPdf(Dialog());
        for (const char* expected : {"KvStarter [", "Page: 1", "File: ", "KvStarter - run 1",
                                     "*** Task b.buj: error 3", "Group Daily finished"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
    }

    // Three lines selected and "Print selected lines?" answered Yes: only those are printed.
    void printSelectedLines()
    {
        Show(Fixture("run.log"));
        TShowTextDialog& d = Dialog();
        const TLineIndex& lines = d.Memo->Lines();
        d.Memo->Select(lines.Start(4) + 3, lines.Start(7));
        AnswerYes(messages);
        const QString text = PrintToPdf(d);
        QCOMPARE(messages, QStringList{"Print selected lines?"});
        QVERIFY(text.contains(QStringLiteral("KvStarter - run 2")));
        QVERIFY(text.contains(QStringLiteral("error 3")));
        QVERIFY(!text.contains(QStringLiteral("run 1")));
        QVERIFY(!text.contains(QStringLiteral("Task c.buj")));
    }

    void printLongLineAndManyPages()
    {
        const QString file = dir.filePath(QStringLiteral("long.log"));
        QByteArray bytes = QByteArray(200, 'x') + "\r\n";
        for (int i = 1; i <= 150; ++i)
            bytes += "row " + QByteArray::number(i) + "\r\n";
        WriteFile(file, bytes);
        TPrinterSettings printer;
        printer.Orientation = 1;
        Show(file, kRunLogButtons, 0, stShow, printer);
        const QString text = PrintToPdf(Dialog());
        QVERIFY(text.contains(QStringLiteral("* xxxx")));
        QVERIFY(!text.contains(QString(200, u'x')));
        QVERIFY(text.contains(QStringLiteral("Page: 2")));
        QVERIFY(text.contains(QStringLiteral("row 150")));
    }

    // A modal viewer takes its placement and font from the view settings and writes them
    // back when it closes.
    void viewSettingsOfModalViewer()
    {
        const QString ini = dir.filePath(QStringLiteral("Kelvara.ini"));
        WriteFile(ini, "[Printer]\nFontSize=12\n[View]\nTop=50\nLeft=60\nHeight=480\n"
                       "Width=640\nFontSize=14\n");
        TPrinterSettings printer;
        LoadPrinterSettings(ini, QStringLiteral("Printer"), printer);
        QCOMPARE(printer.FontSize, 12);
        QSize seen;
        int fontSize = 0;
        SetShowTextHook([&](TShowTextDialog& d) {
            seen = d.size();
            fontSize = d.Memo->font().pointSize();
            d.resize(700, 500);
            d.reject();
        });
        Show(Fixture("run.log"), kBackupLogButtons, 0, stModal, printer);
        QCOMPARE(seen, QSize(640, 480));
        QCOMPARE(fontSize, 14);
        QCOMPARE(ShownTextDialog(), nullptr);
        const TMemIniFile check(ini);
        QCOMPARE(check.ReadInteger("View", "Width", 0), 700);
        QCOMPARE(check.ReadInteger("View", "Height", 0), 500);
        QCOMPARE(check.ReadInteger("Printer", "FontSize", 0), 12);
    }

    // Deleting a selection writes the rest back in the code page the file was read with.
    void deleteSelection()
    {
        const QString file = dir.filePath(QStringLiteral("edit.log"));
        WriteFile(file, "erste Zeile\r\nzweite Zeile mit ä\r\ndritte\r\n");
        Show(file, kRunLogButtons | ShowBtn(sbErase));
        TShowTextDialog& d = Dialog();
        const TLineIndex& lines = d.Memo->Lines();
        d.Memo->Select(lines.Start(0), lines.Start(1));
        AnswerYes(messages);
        QTest::keyClick(d.Memo, Qt::Key_Delete);
        QCOMPARE(messages, QStringList{"Delete selected text?"});
        QCOMPARE(ReadFile(file), QByteArray("zweite Zeile mit ä\r\ndritte\r\n"));
    }
};

QTEST_MAIN(tst_ShowMemo)
#include "tst_ShowMemo.moc"
