#include "common/ui/MailDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtDebug>

#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"
#include "common/mail/MailAddress.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/InpText.h"
#include "common/ui/NewPwdDlg.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TMailDialog&)>& AnswerHook()
{
    static std::function<void(TMailDialog&)> hook;
    return hook;
}

constexpr int kMaxPort = 32767;
constexpr int kImplicitTlsPort = 465;
constexpr int kSmtpPort = 25;
const QChar kBullet(0x25CF);

// The entries of the TLS list; the position is the mode.
const char* const kSecureModes[] = {TrDialogsNoop("None"), TrDialogsNoop("If available (explicit)"),
                                    TrDialogsNoop("Require (explicit)"),
                                    TrDialogsNoop("Always (implicit)")};

QComboBox* HistoryCombo(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

// A combo box for a history: its entries, the text, and a drop-down list only for two or more.
void FillCombo(QComboBox* combo, const QStringList& items, const QString& text)
{
    combo->clear();
    combo->addItems(items);
    combo->setEditText(text);
    ShowAsDropDown(combo, items.size() >= 2);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* Label(QWidget* parent, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

bool IsRecipient(const QString& text)
{
    return IsValidMailbox(ParseAddress(text).Address);
}

} // namespace

TMailDialog::TMailDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TMailDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(TrDialogs("Mail settings"));
    cbServer = HistoryCombo(this, "cbServer");
    edPort = new QSpinBox(this);
    edPort->setObjectName(QStringLiteral("edPort"));
    edPort->setRange(1, kMaxPort);
    cbUser = HistoryCombo(this, "cbUser");
    edSmtpPwd = new QLineEdit(this);
    edSmtpPwd->setObjectName(QStringLiteral("edSmtpPwd"));
    edSmtpPwd->setReadOnly(true);
    edSmtpPwd->setToolTip(TrDialogs("Click button to enter password"));
    bbPassword = Button(this, "bbPassword", TrDialogs("Enter password..."));
    cbSender = HistoryCombo(this, "cbSender");
    cbReply = HistoryCombo(this, "cbReply");
    lbRecipients = new QListWidget(this);
    lbRecipients->setObjectName(QStringLiteral("lbRecipients"));
    bbAddRecipient = Button(this, "bbAddRecipient", TrDialogs("Add recipient"));
    bbRemoveRecipient = Button(this, "bbRemoveRecipient", TrDialogs("Remove recipient"));
    bbEditRecipient = Button(this, "bbEditRecipient", TrDialogs("Edit recipient"));
    edSubject = new QLineEdit(this);
    edSubject->setObjectName(QStringLiteral("edSubject"));
    auto* gbSecure = new QGroupBox(TrDialogs("Use secure data connection"), this);
    gbSecure->setObjectName(QStringLiteral("gbSecure"));
    cbSecure = new QComboBox(gbSecure);
    cbSecure->setObjectName(QStringLiteral("cbSecure"));
    cbSecure->setAccessibleName(gbSecure->title());
    for (const char* mode : kSecureModes)
        cbSecure->addItem(TrDialogs(mode));
    (new QVBoxLayout(gbSecure))->addWidget(cbSecure);
    cbMailLog = new QCheckBox(TrDialogs("Write communication log to file"), this);
    cbMailLog->setObjectName(QStringLiteral("cbMailLog"));
    cbMail = new QCheckBox(TrDialogs("Enable mail delivery"), this);
    cbMail->setObjectName(QStringLiteral("cbMail"));
    const TOkCancel okCancel = AddOkCancel(this, TrDialogs("OK"), TrDialogs("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;
    InstallHintKey(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label(this, TrDialogs("SMTP server:"), cbServer), 0, 0);
    grid->addWidget(cbServer, 0, 1, 1, 2);
    grid->addWidget(Label(this, TrDialogs("Port:"), edPort), 0, 3);
    grid->addWidget(edPort, 0, 4);
    grid->addWidget(Label(this, TrDialogs("User name:"), cbUser), 1, 0);
    grid->addWidget(cbUser, 1, 1, 1, 4);
    grid->addWidget(Label(this, TrDialogs("Password:"), edSmtpPwd), 2, 0);
    grid->addWidget(edSmtpPwd, 2, 1, 1, 3);
    grid->addWidget(bbPassword, 2, 4);
    grid->addWidget(Label(this, TrDialogs("Sender:"), cbSender), 3, 0);
    grid->addWidget(cbSender, 3, 1, 1, 4);
    grid->addWidget(Label(this, TrDialogs("Reply-To:"), cbReply), 4, 0);
    grid->addWidget(cbReply, 4, 1, 1, 4);
    QLabel* recipientsLabel = Label(this, TrDialogs("Recipients:"), lbRecipients);
    // A list takes no name from its label.
    lbRecipients->setAccessibleName(recipientsLabel->text());
    grid->addWidget(recipientsLabel, 5, 0, Qt::AlignTop);
    grid->addWidget(lbRecipients, 5, 1, 3, 3);
    grid->addWidget(bbAddRecipient, 5, 4);
    grid->addWidget(bbRemoveRecipient, 6, 4);
    grid->addWidget(bbEditRecipient, 7, 4, Qt::AlignTop);
    grid->addWidget(Label(this, TrDialogs("Subject:"), edSubject), 8, 0);
    grid->addWidget(edSubject, 8, 1, 1, 4);
    grid->addWidget(gbSecure, 9, 0, 1, 5);
    grid->addWidget(cbMailLog, 10, 0, 1, 5);
    grid->addWidget(cbMail, 11, 0, 1, 5);
    grid->addWidget(okCancel.box, 12, 0, 1, 5);

    connect(cbSecure, &QComboBox::activated, this, &TMailDialog::SecureModeChosen);
    connect(bbPassword, &QPushButton::clicked, this, &TMailDialog::EnterPassword);
    connect(bbAddRecipient, &QPushButton::clicked, this, &TMailDialog::AddRecipient);
    connect(bbRemoveRecipient, &QPushButton::clicked, this, &TMailDialog::RemoveRecipient);
    connect(bbEditRecipient, &QPushButton::clicked, this, &TMailDialog::EditRecipient);
    connect(lbRecipients, &QListWidget::itemDoubleClicked, this, &TMailDialog::EditRecipient);
}

TMailDialog::~TMailDialog()
{
    if (FIniName.isEmpty())
        return;
    try {
        WriteMailHistories(FIniName, FHist);
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
}

void TMailDialog::LoadFromIni(const QString& AIniName)
{
    if (!FIniName.isEmpty() || AIniName.isEmpty())
        return;
    FIniName = AIniName;
    ReadMailHistories(FIniName, FHist);
    ShowHistories();
    for (QComboBox* combo : {cbServer, cbUser})
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
}

void TMailDialog::ShowHistories()
{
    FillCombo(cbServer, FHist.Servers, cbServer->currentText());
    FillCombo(cbUser, FHist.Users, cbUser->currentText());
    FillCombo(cbSender, FHist.Addresses, cbSender->currentText());
    FillCombo(cbReply, FHist.Addresses, cbReply->currentText());
}

void TMailDialog::ShowPassword()
{
    edSmtpPwd->setText(QString(MailPwd.size(), kBullet));
}

void TMailDialog::SetValues(const TMailData& mail)
{
    ShowHistories();
    cbServer->setEditText(mail.SMTP);
    cbUser->setEditText(mail.Username);
    MailPwd = mail.Password;
    ShowPassword();
    cbSender->setEditText(mail.Sender);
    cbReply->setEditText(mail.ReplyTo);
    lbRecipients->clear();
    lbRecipients->addItems(FromCommaText(mail.Recipients));
    fSecureMode = mail.SecureMode;
    cbSecure->setCurrentIndex(int(mail.SecureMode));
    edPort->setValue(mail.Port);
    edSubject->setText(mail.Subject);
    cbMailLog->setChecked(mail.WriteLog);
    cbMail->setChecked(mail.Enabled);
}

TMailData TMailDialog::Values() const
{
    TMailData mail;
    mail.SMTP = cbServer->currentText().trimmed();
    mail.Port = edPort->value();
    mail.Username = cbUser->currentText().trimmed();
    mail.Password = MailPwd;
    mail.Sender = cbSender->currentText().trimmed();
    mail.ReplyTo = cbReply->currentText().trimmed();
    QStringList recipients;
    for (int i = 0; i < lbRecipients->count(); ++i)
        recipients.append(lbRecipients->item(i)->text());
    mail.Recipients = ToCommaText(recipients);
    mail.SecureMode = fSecureMode;
    mail.Subject = edSubject->text();
    mail.WriteLog = cbMailLog->isChecked();
    mail.Enabled = cbMail->isChecked();
    return mail;
}

TMailDialog::TCheck TMailDialog::CheckInput() const
{
    if (cbServer->currentText().trimmed().isEmpty())
        return {TrDialogs("Please specify an SMTP server!"), cbServer, false};
    if (lbRecipients->count() == 0)
        return {TrDialogs("Please specify at least one recipient!"), lbRecipients, true};
    if (cbMail->isChecked() && ReportSender(Values()).Address.isEmpty())
        return {TrDialogs("Mail delivery needs a sender address: enter an address as sender "
                          "or as reply address!"),
                cbSender, false};
    return {};
}

void TMailDialog::accept()
{
    const TCheck check = CheckInput();
    if (check.message.isEmpty()) {
        QDialog::accept();
        return;
    }
    ErrorMessage(check.message);
    if (check.focus)
        check.focus->setFocus();
    if (check.addRecipient)
        AddRecipient();
}

void TMailDialog::SecureModeChosen(int index)
{
    if (index == int(fSecureMode) || index < 0)
        return;
    edPort->setValue(index == int(stImplicit) ? kImplicitTlsPort : kSmtpPort);
    fSecureMode = TSecTransfer(index);
}

void TMailDialog::EnterPassword()
{
    QString pwd;
    if (!InputNewPassword(bbPassword->mapToGlobal(QPoint(0, bbPassword->height())), windowTitle(),
                          pwd))
        return;
    MailPwd = pwd;
    ShowPassword();
}

bool TMailDialog::AskRecipient(const QString& title, QString& text)
{
    QStringList suggestions = FHist.Addresses;
    if (!InputText(QCursor::pos(), title, TrDialogs("Address:"), text, false, &suggestions))
        return false;
    text = text.trimmed();
    // The input dialog keeps fewer entries than the address history: only the new one is taken.
    FHist.Addresses = WithAddressOnTop(FHist.Addresses, text);
    if (IsRecipient(text))
        return true;
    ErrorMessage(Fmt(TrDialogs("\"%s\" is not a mail address."), {text}));
    return false;
}

void TMailDialog::SelectRecipient(int row)
{
    if (row >= 0 && row < lbRecipients->count())
        lbRecipients->setCurrentRow(row);
}

void TMailDialog::AddRecipient()
{
    QString text;
    if (!AskRecipient(TrDialogs("New mail recipient"), text))
        return;
    const auto same = lbRecipients->findItems(text, Qt::MatchFixedString);
    if (same.isEmpty())
        lbRecipients->addItem(text);
    SelectRecipient(lbRecipients->row(same.isEmpty() ? lbRecipients->item(lbRecipients->count() - 1)
                                                     : same.first()));
}

void TMailDialog::RemoveRecipient()
{
    const int row = lbRecipients->currentRow();
    if (row < 0)
        return;
    if (!ConfirmMessage(
            Fmt(TrDialogs("Remove recipient:\n%s\nfrom list?"), {lbRecipients->item(row)->text()})))
        return;
    delete lbRecipients->takeItem(row);
    SelectRecipient(qMin(row, lbRecipients->count() - 1));
}

void TMailDialog::EditRecipient()
{
    QListWidgetItem* item = lbRecipients->currentItem();
    if (!item)
        return;
    QString text = item->text();
    if (AskRecipient(TrDialogs("Edit mail recipient"), text))
        item->setText(text);
}

bool TMailDialog::Execute(const QString& Prompt, bool /*ShowPwd*/, TMailData& AMailDat)
{
    cbMail->setText(Prompt);
    cbMail->setVisible(!Prompt.isEmpty());
    SetValues(AMailDat);
    PlaceDialog(*this, kCentreOnMainWindow);
    cbServer->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    AMailDat = Values();
    FHist.Servers = WithEntryOnTop(FHist.Servers, AMailDat.SMTP, kMaxServerHistory);
    if (!AMailDat.Username.isEmpty())
        FHist.Users = WithEntryOnTop(FHist.Users, AMailDat.Username, kMaxUserHistory);
    FHist.Addresses = WithAddressOnTop(FHist.Addresses, AMailDat.Sender);
    FHist.Addresses = WithAddressOnTop(FHist.Addresses, AMailDat.ReplyTo);
    return true;
}

bool EditMailSettings(const QString& prompt, const QString& iniName, TMailData& mail)
{
    TMailDialog dialog(DialogMainWindow());
    dialog.LoadFromIni(iniName);
    return dialog.Execute(prompt, false, mail);
}

void SetMailDialogAnswerHook(std::function<void(TMailDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}
