#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/ui/NewPwdDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"

class tst_NewPwdDlg : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetNewPasswordAnswerHook({});
        SetMessageAnswerHook({});
    }

    void barFollowsFirstField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("minLen");
        QTest::addColumn<int>("bar");
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("one letter") << "a" << 0 << 2;
        QTest::newRow("shorter than minimum") << "aZ1!" << 8 << 0;
        QTest::newRow("four classes") << "aZ1!" << 2 << 38;
        QTest::newRow("ascending digits") << "12345678" << 2 << 0;
        QTest::newRow("spaces count for the minimum") << "a   " << 4 << 2;
        QTest::newRow("spaces too short") << "a   " << 5 << 0;
    }

    // The bar is redrawn while typing: its value is the strength, 0 below the minimum length.
    void barFollowsFirstField()
    {
        QFETCH(QString, typed);
        QFETCH(int, minLen);
        QFETCH(int, bar);
        int shown = -1;
        SetNewPasswordAnswerHook([&](TNewPwdDialog& d) {
            QTest::keyClicks(d.edtPwd, typed);
            shown = d.imgBar->Value();
            d.reject();
        });
        QString pwd;
        TNewPwdDialog dialog;
        dialog.Execute({-1, 0}, "Title", pwd, false, minLen);
        QCOMPARE(shown, bar);
    }

    // On opening the bar shows the current password, which the fields do not.
    void barShowsCurrentPasswordFirst()
    {
        int shown = -1;
        QString field = "x";
        SetNewPasswordAnswerHook([&](TNewPwdDialog& d) {
            shown = d.imgBar->Value();
            field = d.edtPwd->text();
            d.reject();
        });
        QString pwd = "aZ1!";
        TNewPwdDialog dialog;
        QVERIFY(!dialog.Execute({-1, 0}, "Title", pwd, true, 2));
        QCOMPARE(shown, 38);
        QCOMPARE(field, QString());
        QCOMPARE(pwd, QString("aZ1!"));
    }

    void checks_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<QString>("focus");
        QTest::newRow("too short") << true << "x"
                                   << "x"
                                   << "Minimum length of password is 2 characters"
                                   << "edtPwd";
        QTest::newRow("both empty") << true << ""
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("mismatch") << true << "abc"
                                  << "abd"
                                  << "Passwords do not match!"
                                  << "edtRepPwd";
        QTest::newRow("match") << true << "abc"
                               << "abc"
                               << ""
                               << "";
        QTest::newRow("unconfirmed anything") << false << "x"
                                              << ""
                                              << ""
                                              << "";
        QTest::newRow("too long for storing") << false << QString(65, 'a') << ""
                                              << "The password may have at most 64 characters."
                                              << "edtPwd";
        QTest::newRow("too many bytes")
            << true << QString(33, QChar(0xE4)) << QString(33, QChar(0xE4))
            << "The password may have at most 64 characters."
            << "edtPwd";
        QTest::newRow("64 bytes fit") << true << QString(64, 'b') << QString(64, 'b') << ""
                                      << "";
    }

    void checks()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QStringList shown;
        RecordMessages(shown);
        QString focused;
        SetNewPasswordAnswerHook([&](TNewPwdDialog& d) {
            QCOMPARE(d.edtRepPwd->isVisibleTo(&d), confirm);
            d.edtPwd->setText(first);
            d.edtRepPwd->setText(second);
            QTest::mouseClick(d.btOk, Qt::LeftButton);
            if (d.isVisible()) {
                focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
                d.reject();
            }
        });
        QString pwd = "old";
        TNewPwdDialog dialog;
        const bool ok = dialog.Execute({-1, 0}, "Title", pwd, confirm, 2);
        QCOMPARE(ok, message.isEmpty());
        QCOMPARE(pwd, ok ? first : QString("old"));
        QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(focused, focus);
    }

    // Without confirmation the window holds only the first field and the buttons.
    void repeatFieldOnlyWithConfirmation()
    {
        int withRepeat = 0, without = 0;
        SetNewPasswordAnswerHook([&](TNewPwdDialog& d) {
            (d.edtRepPwd->isVisibleTo(&d) ? withRepeat : without) = d.height();
            d.reject();
        });
        QString pwd;
        TNewPwdDialog dialog;
        dialog.Execute({-1, 0}, "Title", pwd, true, 2);
        QVERIFY(!InputNewPassword({-1, 0}, "Mail", pwd));
        QVERIFY(withRepeat > without && without > 0);
    }

    // Red at the left edge, yellow in the middle, green at the right; the rest of the value
    // is the background.
    void barDrawing()
    {
        QCOMPARE(QualityBarColour(0, 201), QColor(255, 0, 0));
        QCOMPARE(QualityBarColour(100, 201), QColor(255, 255, 0));
        QCOMPARE(QualityBarColour(200, 201), QColor(0, 255, 0));
        QCOMPARE(QualityBarColour(50, 201), QColor(255, 128, 0));
        TQualityBar bar;
        bar.resize(200, 20);
        bar.SetValue(50);
        const QImage image = bar.grab().toImage();
        QCOMPARE(image.pixelColor(0, 10), QColor(Qt::black));
        QCOMPARE(image.pixelColor(1, 1), QualityBarColour(1, 200));
        QCOMPARE(image.pixelColor(90, 1), QualityBarColour(90, 200));
        QCOMPARE(image.pixelColor(150, 1), bar.palette().color(QPalette::Window));
    }

    // F11 shows the empty-field hint of the focused field.
    void hintKey()
    {
        QStringList shown;
        RecordMessages(shown);
        SetNewPasswordAnswerHook([](TNewPwdDialog& d) {
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QTest::keyClick(d.edtPwd, Qt::Key_F11);
            d.edtRepPwd->setFocus();
            QTest::keyClick(d.edtRepPwd, Qt::Key_F11);
            d.reject();
        });
        QString pwd;
        TNewPwdDialog dialog;
        dialog.Execute({-1, 0}, "Title", pwd, true, 2);
        QCOMPARE(shown, (QStringList{"Password", "Confirm password"}));
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        SetNewPasswordAnswerHook([&](TNewPwdDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        QString pwd;
        TNewPwdDialog dialog;
        dialog.Execute({-1, 0}, "Title", pwd, true, 2);
        QCOMPARE(missing, QStringList());
    }
};

QTEST_MAIN(tst_NewPwdDlg)
#include "tst_NewPwdDlg.moc"
