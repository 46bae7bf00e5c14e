#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "common/ui/InpText.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"

namespace {

QStringList Numbered(int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list.append(QString::number(i));
    return list;
}

} // namespace

class tst_InpText : public QObject {
    Q_OBJECT

private slots:
    void init() { SetInputTextAnswerHook({}); }

    void entryOnTop_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("result");
        QTest::newRow("new") << QStringList{"a", "b"} << "c" << QStringList{"c", "a", "b"};
        QTest::newRow("existing moves up")
            << QStringList{"a", "b", "c"} << "c" << QStringList{"c", "a", "b"};
        QTest::newRow("full list drops last")
            << Numbered(15) << "new" << (QStringList{"new"} + Numbered(14));
        QTest::newRow("full list, existing entry")
            << Numbered(15) << "15" << (QStringList{"15"} + Numbered(14));
        QTest::newRow("empty") << QStringList{} << "x" << QStringList{"x"};
    }

    void entryOnTop()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, entry);
        QFETCH(QStringList, result);
        QCOMPARE(WithEntryOnTop(list, entry), result);
    }

    // The suggestions are offered sorted; the confirmed text goes to their top.
    void suggestionsInAndOut()
    {
        QStringList offered;
        SetInputTextAnswerHook([&](TInputTextDialog& d) {
            offered = d.Items();
            d.TextFeld->lineEdit()->clear();
            QTest::keyClicks(d.TextFeld->lineEdit(), "new@example.org");
            QTest::keyClick(d.TextFeld->lineEdit(), Qt::Key_Return);
        });
        QStringList history{"zed@example.org", "amy@example.org"};
        QString text = "amy@example.org";
        QVERIFY(InputText({-1, 0}, "New mail recipient", "Address:", text, true, &history));
        QCOMPARE(offered, (QStringList{"amy@example.org", "zed@example.org"}));
        QCOMPARE(text, QString("new@example.org"));
        QCOMPARE(history, (QStringList{"new@example.org", "amy@example.org", "zed@example.org"}));
    }

    void escapeCancels()
    {
        SetInputTextAnswerHook([](TInputTextDialog& d) {
            QTest::keyClicks(d.TextFeld->lineEdit(), "typed");
            QTest::keyClick(d.TextFeld->lineEdit(), Qt::Key_Escape);
        });
        QStringList history{"a"};
        QString text = "before";
        QVERIFY(!InputText({-1, 0}, "Add new group", "Name:", text, false, &history));
        QCOMPARE(text, QString("before"));
        QCOMPARE(history, QStringList{"a"});
    }

    // A long text widens the dialog; a short one leaves the designed width.
    void widthFollowsLongText()
    {
        int shortWidth = 0, longWidth = 0;
        int* target = &shortWidth;
        SetInputTextAnswerHook([&](TInputTextDialog& d) {
            *target = d.width();
            d.reject();
        });
        QString text = "short";
        InputText({-1, 0}, "Edit item", "Name:", text);
        target = &longWidth;
        text = QString(200, 'W');
        InputText({-1, 0}, "Edit item", "Name:", text);
        QVERIFY2(longWidth > shortWidth + 200,
                 qPrintable(QString("%1 %2").arg(shortWidth).arg(longWidth)));
    }

    // F11 in the field shows its label as the hint.
    void hintKey()
    {
        QStringList shown;
        RecordMessages(shown);
        SetInputTextAnswerHook([](TInputTextDialog& d) {
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QTest::keyClick(d.TextFeld->lineEdit(), Qt::Key_F11);
            d.reject();
        });
        QString text;
        InputText({-1, 0}, "Add new group", "Name:", text);
        SetMessageAnswerHook({});
        QCOMPARE(shown, QStringList{"Name:"});
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        SetInputTextAnswerHook([&](TInputTextDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        QString text;
        QStringList history{"x"};
        InputText({-1, 0}, "Add new group", "Name:", text, false, &history);
        QCOMPARE(missing, QStringList());
    }
};

QTEST_MAIN(tst_InpText)
#include "tst_InpText.moc"
