#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "common/ui/SelectDlg.h"

namespace {

const QStringList kSix{"Only backup",     "Backup + Standby", "Backup + Hibernate",
                       "Backup + Logoff", "Backup + Restart", "Backup + Shutdown"};

} // namespace

class tst_SelectDlg : public QObject {
    Q_OBJECT

private:
    // Runs the dialog; the action is done once it is shown.
    int Run(const QStringList& buttons, int preSelection,
            const std::function<void(TSelectDialog&)>& action, TSelectDialog** seen = nullptr)
    {
        SetSelectAnswerHook([&](TSelectDialog& d) {
            if (seen)
                *seen = &d;
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            action(d);
        });
        TSelectDialog dialog;
        const int result =
            dialog.Execute({-1, 0}, "Kelvara", "Start\r\nDaily, Weekly", 3, true, buttons,
                           "Terminate all running programs", 200, preSelection, QString());
        SetSelectAnswerHook({});
        rows = dialog.Rows();
        return result;
    }
    QList<QList<int>> rows;

private slots:
    void results_data()
    {
        QTest::addColumn<int>("press"); // button number, -1 cancel, -2 Escape
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("expected");
        QTest::newRow("third with box ticked") << 2 << true << 258;
        QTest::newRow("first") << 0 << false << 0;
        QTest::newRow("cancel ticked") << -1 << true << -1;
        QTest::newRow("escape") << -2 << false << -1;
    }
    void results()
    {
        QFETCH(int, press);
        QFETCH(bool, tick);
        QFETCH(int, expected);
        const int result = Run(kSix, -1, [&](TSelectDialog& d) {
            if (tick) {
                auto* box = d.findChild<QCheckBox*>("cbOption");
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
                QVERIFY(box->isChecked());
            }
            if (press == -2)
                QTest::keyClick(&d, Qt::Key_Escape);
            else if (press == -1)
                QTest::mouseClick(d.findChild<QPushButton*>("btCancel"), Qt::LeftButton);
            else
                QTest::mouseClick(d.findChild<QPushButton*>(QString("btSelect%1").arg(press)),
                                  Qt::LeftButton);
        });
        QCOMPARE(result, expected);
    }

    void rowsOfThreeWithCancelLast()
    {
        Run(kSix, -1, [](TSelectDialog& d) { d.reject(); });
        QCOMPARE(rows, (QList<QList<int>>{{0, 1, 2}, {3, 4, 5}, {-1}}));
        Run(kSix.mid(0, 4), -1, [](TSelectDialog& d) { d.reject(); });
        QCOMPARE(rows, (QList<QList<int>>{{0, 1, 2}, {3, -1}}));
    }

    void preselectionTicksAndFocuses()
    {
        bool ticked = false;
        QString focused;
        const int result = Run(kSix, 256 + 1, [&](TSelectDialog& d) {
            ticked = d.findChild<QCheckBox*>("cbOption")->isChecked();
            focused =
                QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        });
        QVERIFY(ticked);
        QCOMPARE(focused, QString("btSelect1"));
        QCOMPARE(result, 257);

        Run(kSix, -1, [&](TSelectDialog& d) {
            focused =
                QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            d.reject();
        });
        QCOMPARE(focused, QString("btCancel"));
    }

    void withoutChoicesCancelGivesZero()
    {
        const int result = Run({}, -1, [](TSelectDialog& d) {
            QTest::mouseClick(d.findChild<QPushButton*>("btCancel"), Qt::LeftButton);
        });
        QCOMPARE(result, 0);
    }
};

QTEST_MAIN(tst_SelectDlg)
#include "tst_SelectDlg.moc"
