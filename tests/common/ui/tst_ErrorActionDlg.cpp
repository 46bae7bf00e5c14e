#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "common/ui/ErrorActionDlg.h"
#include "support/AccessibleNames.h"

class tst_ErrorActionDlg : public QObject {
    Q_OBJECT

private slots:
    void maskInAndOut_data()
    {
        QTest::addColumn<int>("maskIn");
        QTest::addColumn<int>("shownIn"); // the boxes ticked on opening, as bits
        QTest::addColumn<int>("toggle");  // bits of the boxes clicked
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("maskOut");
        QTest::newRow("untick all") << 3 << 3 << 3 << true << 0;
        QTest::newRow("tick two") << 0 << 0 << 20 << true << 20;
        QTest::newRow("foreign bits cleared") << 0x1FF << 31 << 0 << true << 31;
        QTest::newRow("cancel keeps mask") << 3 << 3 << 12 << false << 3;
    }

    void maskInAndOut()
    {
        QFETCH(int, maskIn);
        QFETCH(int, shownIn);
        QFETCH(int, toggle);
        QFETCH(bool, ok);
        QFETCH(int, maskOut);
        int shown = -1;
        QString title;
        SetErrorActionAnswerHook([&](TErrorActionDialog& d) {
            shown = d.Mask();
            title = d.gbErrors->title();
            for (int i = 0; i < d.cbErrors.size(); ++i)
                if (toggle & (1 << i))
                    QTest::mouseClick(d.cbErrors[i], Qt::LeftButton, {}, QPoint(4, 4));
            QTest::mouseClick(d.findChild<QPushButton*>(ok ? "btOk" : "btCancel"), Qt::LeftButton);
        });
        int mask = maskIn;
        QCOMPARE(EditErrorActions({-1, 0}, "Shutdown", mask), ok);
        QCOMPARE(shown, shownIn);
        QCOMPARE(title, QString("No Shutdown on these errors"));
        QCOMPARE(mask, maskOut);
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        SetErrorActionAnswerHook([&](TErrorActionDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        int mask = 0;
        EditErrorActions({-1, 0}, "Standby", mask);
        QCOMPARE(missing, QStringList());
    }
};

QTEST_MAIN(tst_ErrorActionDlg)
#include "tst_ErrorActionDlg.moc"
