#pragma once

#include <functional>

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Actions after the backups, in the order of the radio group.
enum TShortcutAction { saNone, saPrompt, saStandby, saHibernate, saLogoff, saShutdown, saRestart };

// Chooses groups and the starter's options and gives the command line that runs them (for a
// desktop shortcut or a scheduled task).
class TShortcutDialog : public QDialog {
    Q_OBJECT

public:
    explicit TShortcutDialog(QWidget* parent = nullptr);

    // Runs the dialog. ConfigList: the group names; AName: preset and result name; CmdLine:
    // options and groups to preset from, and the result. Both are changed only on OK (true).
    // An empty ACaption hides the name field; an empty APrompt gives the OK button "OK".
    bool Execute(const QString& ATitle, const QString& ACaption, bool AShowLock,
                 const QStringList& ConfigList, QString& AName, QString& CmdLine,
                 const QString& APrompt = QString());

    // Sets the controls from the group names and options of a command line.
    void Preset(const QString& cmdLine);
    // The command line for the current state of the controls.
    QString CommandLine() const;

    struct TCheck {
        QString message; // empty: the input is fine
        QWidget* focus = nullptr;
    };
    // The first check that fails, with the control to focus.
    TCheck CheckInput() const;

    TShortcutAction Action() const;
    void SetAction(TShortcutAction action);

    QListWidget* lbConfigs;
    QLineEdit* edName;
    QGroupBox* rgAction;
    QCheckBox* cbWritelog;
    QCheckBox* cbTerm;
    QCheckBox* cbLockScreen;
    QLabel* lbIniPath;
    QPushButton* btOk;
    QPushButton* btCancel;

protected:
    void accept() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildActions();
    void UpdateTermBox();
    void ShowIniPath();
    void ApplyOption(const QString& param);
    void SelectGroup(const QString& name);

    QLabel* lbName;
    QButtonGroup* FActions;
    QString FIniPath;
    int FActErr = 0;
};

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetShortcutAnswerHook(std::function<void(TShortcutDialog&)> hook);
