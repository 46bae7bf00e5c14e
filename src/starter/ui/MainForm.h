#pragma once

#include <memory>

#include <QWidget>

#include "common/tasks/TaskSchedApi.h"
#include "common/ui/ShowMemoText.h"
#include "starter/GroupEdit.h"
#include "starter/StarterWindowContext.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TAppDialog;
class TGroupRunner;
class TTaskScheduleDialog;
class TWinTaskScheduler;
struct TStarterSettings;

// KvStarter's main window: edits the groups, starts them and the programs around them.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    explicit TMainForm(TStarterWindowContext& context, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the group at the position (nothing for a negative one).
    void ShowGroup(int index);
    // Takes the window's values into the shown group.
    void StoreGroup();
    int TaskIndex() const { return FTaskIndex; }
    // The values the controls show, and the controls for values.
    TGroupView View() const;
    void SetView(const TGroupView& view);
    // Writes the settings file; false after the message when that failed.
    bool SaveSettings();
    TStarterSettings& Settings() const;

    // The window's actions.
    void GroupChosen(int index);
    void AddNewGroup();
    void EditGroups();
    void AddTasks();
    void RemoveTask();
    void MoveTask(int delta);
    void EnterPassword();
    void FixedPasswordChosen();
    void PromptPasswordChosen();
    void StatusChosen();
    void UpdateDelayControls();
    void StartDelayTicked(bool ticked);
    void SelectLogFolder();
    void MailTicked(bool ticked);
    void EditMail();
    void StartGroup();
    void EditTask();
    void ShowBackupLog();
    void ShowOwnLog();
    void CreateShortcut();
    void CreateScheduledTask();
    void EditScheduledTask();
    void RunApplication();
    void ShowInfo();
    void ShowHelp();

    QComboBox* cbGroups;
    QToolButton* bbEditGroups;
    QToolButton* bbAddGroup;
    QListWidget* lbTasks;
    QToolButton* bbAddTask;
    QToolButton* bbRemoveTask;
    QToolButton* bbTaskUp;
    QToolButton* bbTaskDown;
    QPushButton* bbShowLog;
    QPushButton* bbEditTask;
    QLineEdit* edUser;
    QToolButton* bbPassword;
    QGroupBox* gbPassword;
    QRadioButton* rbPwdPrompt;
    QRadioButton* rbPwdFixed;
    QCheckBox* cbRunAs;
    QGroupBox* rgStatus;
    QList<QRadioButton*> rbStatus;
    QWidget* pnDisplayTime;
    QSpinBox* edDisplayTime;
    QCheckBox* cbNoSplash;
    QCheckBox* cbPlaySound;
    QCheckBox* cbParProc;
    QCheckBox* cbStartDelay;
    QSpinBox* edStartDelay;
    QLineEdit* edLogDir;
    QToolButton* bbLogDir;
    QCheckBox* cbMail;
    QToolButton* bbMail;
    QLabel* lbVersion;
    QPushButton* bbStart;
    QPushButton* bbShortcut;
    QPushButton* bbNewSchedTask;
    QPushButton* bbEditSchedTask;
    QPushButton* bbOwnLog;
    QPushButton* bbStartApp;
    QPushButton* bbInfo;
    QPushButton* bbHelp;
    QPushButton* bbQuit;
    TAppDialog* AppDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGroupRow();
    QWidget* BuildTaskPanel();
    QWidget* BuildSettingsPanel();
    QWidget* BuildAccountBox();
    QWidget* BuildStatusBox();
    QWidget* BuildOptionsBox();
    QWidget* BuildButtonRow();
    void ConnectActions();
    void FillGroupSelector();
    QStringList GroupNames() const;
    int Status() const;
    TTaskProperties* ShownGroup() const;
    std::unique_ptr<TGroupRunner> MakeRunner() const;
    QString PresetCommandLine() const;
    QString KelvaraSettingsFile() const;
    QString SettingsFolderForLogs() const;
    void AppendTask(const QString& file, bool checked);
    bool AskFixedPassword();
    void RunTaskDialogForNewTask(const QString& commandLine, const QString& name);
    void ShowLogFile(const QString& title, const QString& file, const QString& sectionMark,
                     unsigned buttons);

    TStarterWindowContext& FContext;
    int FTaskIndex = -1;
    QString UserPwd;
    QString JobDir;
    TPrinterSettings FPrinterSettings;
    std::unique_ptr<TWinTaskScheduler> FTaskScheduler;
    HRESULT FTaskSchedStatus = 0;
    std::unique_ptr<TTaskScheduleDialog> FTaskDialog;
    bool FShownOnce = false;
    bool FPlaced = false; // a position was stored
    bool FSaveOnClose = true;
};
