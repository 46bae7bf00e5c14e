#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/ui/PwdDlg.h"

class tst_PwdDlg : public QObject {
    Q_OBJECT

private slots:
    void typedPasswordOnEnter()
    {
        SetPasswordAnswerHook([](TPasswordDialog& d) {
            QCOMPARE(d.edtPwd->echoMode(), QLineEdit::Password);
            QTest::keyClicks(d.edtPwd, "s3cret");
            QTest::keyClick(d.edtPwd, Qt::Key_Return);
        });
        QString pwd;
        QVERIFY(InputPassword({-1, 0}, "KvStarter", "Enter the password\r\nfor the group", pwd));
        QCOMPARE(pwd, QString("s3cret"));
    }

    void cancelKeepsPassword()
    {
        SetPasswordAnswerHook([](TPasswordDialog& d) {
            QTest::keyClicks(d.edtPwd, "typed");
            QTest::mouseClick(d.findChild<QPushButton*>("btCancel"), Qt::LeftButton);
        });
        QString pwd = "before";
        QVERIFY(!InputPassword({-1, 0}, "KvStarter", "Prompt", pwd));
        QCOMPARE(pwd, QString("before"));
        SetPasswordAnswerHook({});
    }
};

QTEST_MAIN(tst_PwdDlg)
#include "tst_PwdDlg.moc"
