#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "common/infra/IniFileUtils.h"
#include "common/ui/InpText.h"
#include "common/ui/MailDlg.h"
#include "common/ui/NewPwdDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"

Q_DECLARE_METATYPE(TMailData)

namespace {

TMailData Sample()
{
    TMailData m;
    m.SMTP = "smtp.example.org";
    m.Port = 587;
    m.Username = "robot";
    m.Password = "s3cret";
    m.Sender = "robot@example.org";
    m.ReplyTo = "ops@example.org";
    m.Recipients = "\"Ops Team <ops@example.org>\",admin@example.org";
    m.Subject = "Backup report";
    m.SecureMode = stRequired;
    m.WriteLog = true;
    m.Enabled = true;
    return m;
}

// Answers the recipient input with a text (OK) or cancels it (null text).
void AnswerInput(const QString& text, QStringList* titles = nullptr)
{
    SetInputTextAnswerHook([text, titles](TInputTextDialog& d) {
        if (titles)
            titles->append(d.windowTitle());
        if (text.isNull()) {
            d.reject();
            return;
        }
        d.TextFeld->setEditText(text);
        d.accept();
    });
}

} // namespace

class tst_MailDlg : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> fDir;
    QStringList fMessages;

    QString Ini() const { return fDir->filePath("Kelvara.ini"); }

    // Runs the dialog on the record, driven by `act`, and gives whether it was accepted.
    bool Run(TMailDialog& dialog, TMailData& mail, const std::function<void(TMailDialog&)>& act)
    {
        SetMailDialogAnswerHook([act](TMailDialog& d) {
            act(d);
            if (d.isVisible())
                d.reject();
        });
        return dialog.Execute("Send mail on errors", false, mail);
    }

private slots:
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        fMessages.clear();
        RecordMessages(fMessages);
        SetInputTextAnswerHook({});
        SetNewPasswordAnswerHook({});
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        TMailDialog dialog;
        TMailData mail = Sample();
        Run(dialog, mail, [&](TMailDialog& d) { missing = ControlsWithoutAccessibleName(&d); });
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }

    // The record comes back unchanged through OK; the histories are read from and written to the
    // settings file, the sender and reply address on top of the address history.
    void recordAndHistoriesRoundTrip()
    {
        {
            auto f = TUnicodeIniFile::CreateForWrite(Ini(), true);
            f->WriteString("SmtpServer", "History0", "old.example.org");
            f->WriteString("MailTo", "Address0", "first@example.org");
            f->WriteString("MailTo", "Address1", "OPS@example.org");
            f->WriteString("Viewer", "Font", "Mono");
            f->Close();
        }
        TMailData mail = Sample();
        QStringList recipients, senders;
        QString shownPassword;
        {
            TMailDialog dialog;
            dialog.LoadFromIni(Ini());
            QCOMPARE(dialog.cbServer->currentText(), QString("old.example.org"));
            QVERIFY(Run(dialog, mail, [&](TMailDialog& d) {
                for (int i = 0; i < d.lbRecipients->count(); ++i)
                    recipients.append(d.lbRecipients->item(i)->text());
                for (int i = 0; i < d.cbReply->count(); ++i)
                    senders.append(d.cbReply->itemText(i));
                shownPassword = d.edSmtpPwd->text();
                d.btOk->click();
            }));
        }
        QCOMPARE(mail, Sample());
        QCOMPARE(recipients, (QStringList{"Ops Team <ops@example.org>", "admin@example.org"}));
        QCOMPARE(senders, (QStringList{"first@example.org", "OPS@example.org"}));
        QCOMPARE(shownPassword, QString(6, QChar(0x25CF)));
        TMailHistories h;
        ReadMailHistories(Ini(), h);
        QCOMPARE(h.Servers, (QStringList{"smtp.example.org", "old.example.org"}));
        QCOMPARE(h.Users, QStringList{"robot"});
        QCOMPARE(h.Addresses,
                 (QStringList{"ops@example.org", "robot@example.org", "first@example.org"}));
        auto f = TUnicodeIniFile::CreateForRead(Ini());
        QCOMPARE(f->ReadString("Viewer", "Font", ""), QString("Mono"));
    }

    // Cancel keeps the record and adds no address; an address confirmed in the recipient input
    // has entered the history all the same.
    void cancelKeepsRecord()
    {
        TMailData mail = Sample();
        TMailDialog dialog;
        AnswerInput("new@example.org");
        QVERIFY(!Run(dialog, mail, [](TMailDialog& d) {
            d.cbSender->setEditText("other@example.org");
            d.bbAddRecipient->click();
            d.btCancel->click();
        }));
        QCOMPARE(mail, Sample());
        QCOMPARE(dialog.Histories().Addresses, QStringList{"new@example.org"});
    }

    void okIsChecked_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no server") << ""
                                   << "a@x.org"
                                   << "r@x.org"
                                   << "Please specify an SMTP server!"
                                   << "cbServer";
        QTest::newRow("no recipient") << "smtp"
                                      << ""
                                      << "r@x.org"
                                      << "Please specify at least one recipient!"
                                      << "lbRecipients";
        QTest::newRow("sender without address")
            << "smtp"
            << "a@x.org"
            << "Backup Robot"
            << "Mail delivery needs a sender address: enter an address as sender or as reply "
               "address!"
            << "cbSender";
    }
    // OK with a missing entry says what is missing and keeps the dialog open; without
    // recipients "Add recipient" opens at once.
    void okIsChecked()
    {
        QFETCH(QString, server);
        QFETCH(QString, recipients);
        QFETCH(QString, sender);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TMailData mail = Sample();
        mail.SMTP = server;
        mail.Recipients = recipients;
        mail.Sender = sender;
        mail.ReplyTo.clear();
        QStringList inputs;
        AnswerInput(QString(), &inputs);
        bool open = false;
        QString focused;
        TMailDialog dialog;
        QVERIFY(!Run(dialog, mail, [&](TMailDialog& d) {
            d.btOk->click();
            open = d.isVisible();
            focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
        }));
        QCOMPARE(fMessages, QStringList{message});
        QVERIFY(open);
        QCOMPARE(inputs, recipients.isEmpty() ? QStringList{"New mail recipient"} : QStringList());
        QCOMPARE(focused, focus);
    }

    // Changing the TLS mode sets the port; choosing the same mode again leaves it alone.
    void tlsModeSetsPort()
    {
        TMailData mail = Sample();
        mail.SecureMode = stNone;
        QList<int> ports;
        TMailDialog dialog;
        Run(dialog, mail, [&](TMailDialog& d) {
            QCOMPARE(d.edPort->maximum(), 32767);
            emit d.cbSecure->activated(int(stImplicit));
            ports.append(d.edPort->value());
            d.edPort->setValue(2525);
            emit d.cbSecure->activated(int(stImplicit));
            ports.append(d.edPort->value());
            emit d.cbSecure->activated(int(stExplicit));
            ports.append(d.edPort->value());
        });
        QCOMPARE(ports, (QList<int>{465, 2525, 25}));
    }

    // Recipients: one with a display name is taken, one listed already in other case is not
    // added twice, a text without an address is refused; removal asks first.
    void recipients()
    {
        TMailData mail = Sample();
        mail.Recipients = "admin@example.org";
        TMailDialog dialog;
        QVERIFY(Run(dialog, mail, [&](TMailDialog& d) {
            AnswerInput("\"Last, First\" <first@example.org>");
            d.bbAddRecipient->click();
            AnswerInput("ADMIN@example.org");
            d.bbAddRecipient->click();
            QCOMPARE(d.lbRecipients->currentRow(), 0);
            AnswerInput("no address here");
            d.bbAddRecipient->click();
            SetMessageAnswerHook([](TShowMsgDialog&) { return int(mrYes); });
            d.lbRecipients->setCurrentRow(0);
            d.bbRemoveRecipient->click();
            QCOMPARE(d.lbRecipients->currentRow(), 0);
            AnswerInput("Ops <ops@example.org>");
            d.bbEditRecipient->click();
            d.btOk->click();
        }));
        QCOMPARE(FromCommaText(mail.Recipients), QStringList{"Ops <ops@example.org>"});
        QCOMPARE(fMessages, QStringList{"\"no address here\" is not a mail address."});
    }

    // The password comes from the new-password dialog and shows as bullets only.
    void passwordFromItsDialog()
    {
        SetNewPasswordAnswerHook([](TNewPwdDialog& d) {
            d.edtPwd->setText("Zebra#Flute9");
            d.btOk->click();
        });
        TMailData mail = Sample();
        QString shown;
        TMailDialog dialog;
        QVERIFY(Run(dialog, mail, [&](TMailDialog& d) {
            QVERIFY(d.edSmtpPwd->isReadOnly());
            d.bbPassword->click();
            shown = d.edSmtpPwd->text();
            d.btOk->click();
        }));
        QCOMPARE(mail.Password, QString("Zebra#Flute9"));
        QCOMPARE(shown, QString(12, QChar(0x25CF)));
    }
};

QTEST_MAIN(tst_MailDlg)
#include "tst_MailDlg.moc"
