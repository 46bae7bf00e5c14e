#pragma once

#include <functional>

#include <QDialog>

#include "planner/DesktopIconOptions.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// Chooses the name, description and the backup program's options of a schedule's desktop
// shortcut.
class TDesktopIconDialog : public QDialog {
    Q_OBJECT

public:
    explicit TDesktopIconDialog(QWidget* parent = nullptr);

    // Runs the dialog. runAs: in 0 or more shows "Run as administrator", out 1 or 0; options:
    // in the options to preset from, out the options for the backup program; description and
    // shortcutName: presets and results. The references change only on OK (true).
    bool Execute(const QString& caption, const QString& tasks, int& runAs, QString& options,
                 QString& description, QString& shortcutName);

    // Sets the controls from options; the options the controls give.
    void Preset(const TIconOptions& options);
    TIconOptions Options() const;
    // The chosen action and the error actions that go with it.
    void SetAction(TIconAction action);
    int ActErr() const { return FActErr; }

    QLineEdit* edShortcut;
    QLineEdit* edDescription;
    QLineEdit* edTasks;
    QGroupBox* gbAction;
    QCheckBox* cbAction;
    QGroupBox* rgStatus;
    QCheckBox* cbSplash;
    QCheckBox* cbRunAs;
    QPushButton* bbErrorAction;
    QPushButton* btOk;
    QPushButton* btCancel;

private:
    QGroupBox* BuildActions();
    QGroupBox* BuildStatus();
    void ActionChosen(int action);
    void bbErrorActionClick();

    QButtonGroup* FActions;
    QButtonGroup* FStatus;
    QString FOpt;
    QString FAct;
    int FActErr = 0;
};

// Creates the dialog, runs it and frees it; see TDesktopIconDialog::Execute.
bool EditDesktopIcon(const QString& caption, const QString& tasks, int& runAs, QString& options,
                     QString& description, QString& shortcutName);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetDesktopIconAnswerHook(std::function<void(TDesktopIconDialog&)> hook);
