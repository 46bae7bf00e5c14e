#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QString>

#include "common/mail/MailData.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QWidget;

// Edits the mail settings of the error report and keeps the histories of servers, account
// names and addresses, which live in the backup program's settings file.
class TMailDialog : public QDialog {
    Q_OBJECT

public:
    explicit TMailDialog(QWidget* parent = nullptr);
    // Writes the histories back when a file was loaded.
    ~TMailDialog() override;

    // Only the first call with a file name reads the histories from it.
    void LoadFromIni(const QString& AIniName);
    // Shows the dialog for the record; true on OK, the record then holds the new values.
    // `Prompt` is the caption of the switch that enables mail (hidden when empty).
    bool Execute(const QString& Prompt, bool ShowPwd, TMailData& AMailDat);

    // The record as the controls show it, and the controls for a record.
    TMailData Values() const;
    void SetValues(const TMailData& mail);
    const TMailHistories& Histories() const { return FHist; }

    struct TCheck {
        QString message; // empty: the entries may be stored
        QWidget* focus = nullptr;
        bool addRecipient = false; // open "Add recipient" after the message
    };
    // The first check the entries fail on OK.
    TCheck CheckInput() const;

    // The TLS mode chosen in the list: the port follows a change of mode.
    void SecureModeChosen(int index);
    // Asks for a new password.
    void EnterPassword();
    void AddRecipient();
    void RemoveRecipient();
    void EditRecipient();

    QComboBox* cbServer;
    QSpinBox* edPort;
    QComboBox* cbUser;
    QLineEdit* edSmtpPwd;
    QPushButton* bbPassword;
    QComboBox* cbSender;
    QComboBox* cbReply;
    QListWidget* lbRecipients;
    QPushButton* bbAddRecipient;
    QPushButton* bbRemoveRecipient;
    QPushButton* bbEditRecipient;
    QLineEdit* edSubject;
    QComboBox* cbSecure;
    QCheckBox* cbMailLog;
    QCheckBox* cbMail;
    QPushButton* btOk;
    QPushButton* btCancel;

protected:
    void accept() override;

private:
    void ShowHistories();
    void ShowPassword();
    // Asks for a recipient's text; false when cancelled or not an address.
    bool AskRecipient(const QString& title, QString& text);
    void SelectRecipient(int row);

    QString FIniName;
    QString MailPwd;
    TMailHistories FHist;
    TSecTransfer fSecureMode = stNone;
};

// Shows a dialog for the record with the histories of `iniName` (may be empty) and frees it;
// true on OK.
bool EditMailSettings(const QString& prompt, const QString& iniName, TMailData& mail);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetMailDialogAnswerHook(std::function<void(TMailDialog&)> hook);
