#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "starter/AppLaunch.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// Asks which program (or file manager) to start under which account.
class TAppDialog : public QDialog {
    Q_OBJECT

public:
    explicit TAppDialog(QWidget* parent = nullptr);
    // Writes the placement, fields and history back when a settings file was loaded.
    ~TAppDialog() override;

    // Reads the history, placement and fields from the section of the settings file and
    // remembers both for the end.
    void LoadFromIni(const QString& iniName, const QString& section);
    // Shows the dialog for the account and password; true when a program is to be started:
    // user and pwd are then the account and its password, app the command line.
    bool Execute(QString& user, QString& pwd, QString& app);

    // 0: the file manager was chosen, 1: the other application.
    int Mode() const { return FMode; }
    QStringList History() const;
    TAppSettings Values() const;

    struct TCheck {
        QString message; // empty: the program can be started
        QWidget* focus = nullptr;
    };
    // The check of a start button (mode as Mode()).
    TCheck CheckStart(int mode) const;
    // The start buttons: closes with OK when the check passes, else shows its message.
    void StartClicked(int mode);
    // The file dialogs of the two select buttons.
    void SelectFileManager();
    void SelectApplication();
    // Puts a chosen program at the top of the history and into the field.
    void AddToHistory(const QString& program);

    QLineEdit* edFileMgr;
    QToolButton* bbSelFileMgr;
    QPushButton* bbStartFileMgr;
    QComboBox* cbApp;
    QToolButton* bbSelApp;
    QPushButton* bbStartApp;
    QLineEdit* edAccount;
    QPushButton* CloseBtn;

private:
    QString StartFolder(const QString& program) const;
    void SetHistory(const QStringList& history);

    int FMode = 1;
    int FDesignedHeight = 0;
    bool FPlaced = false; // a position was stored or the dialog was shown
    QString FIniName;
    QString FSection;
};

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetAppDialogAnswerHook(std::function<void(TAppDialog&)> hook);
