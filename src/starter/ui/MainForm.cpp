#include "starter/ui/MainForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/backup/PlaceHolders.h"
#include "common/backup/Volumes.h"
#include "common/infra/KnownFolders.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/mail/MailData.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/TaskSchedDlg.h"
#include "common/ui/DesktopShortcut.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HelpPage.h"
#include "common/ui/HintKey.h"
#include "common/ui/InpText.h"
#include "common/ui/MailDlg.h"
#include "common/ui/NewPwdDlg.h"
#include "common/ui/PwdDlg.h"
#include "common/ui/ShellDirDlg.h"
#include "common/ui/ShortcutDlg.h"
#include "common/ui/ShowMemo.h"
#include "common/ui/ShowMessageDlg.h"
#include "starter/AppLaunch.h"
#include "starter/GroupRun.h"
#include "starter/StarterRun.h"
#include "starter/ui/AppDlg.h"
#include "starter/ui/FileChoice.h"
#include "starter/ui/GroupListDlg.h"

namespace {

const QString kRunErrorMark = QStringLiteral("  *** ");

QPoint Below(const QWidget* w)
{
    return w->mapToGlobal(QPoint(0, w->height()));
}

// An icon-only button: the icon of the theme, else a symbol; its hint is also its name.
QToolButton* IconButton(QWidget* parent, const char* name, const char* themeIcon,
                        const QString& symbol, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeIcon));
    if (icon.isNull())
        button->setText(symbol);
    else
        button->setIcon(icon);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint = QString())
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QSpinBox* SecondsField(QWidget* parent, const char* name, int min, int max, int step,
                       const QString& accessibleName)
{
    auto* field = new QSpinBox(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setRange(min, max);
    field->setSingleStep(step);
    field->setSuffix(u' ' + Tr("s"));
    field->setToolTip(Tr("Number of seconds"));
    field->setAccessibleName(accessibleName);
    return field;
}

// The folder itself when it exists, else its nearest existing parent; empty for none.
QString ExistingFolderOrParent(const QString& folder)
{
    if (folder.isEmpty() || !IsAbsolutePathText(folder))
        return QString();
    QString path = QDir::cleanPath(folder);
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return QString();
        path = parent;
    }
    return path;
}

QString LogFilter()
{
    return Fmt(Tr("Log files|*.%s|all|*.*"), {QStringLiteral("log")});
}

} // namespace

TMainForm::TMainForm(TStarterWindowContext& context, QWidget* parent)
    : QWidget(parent), FContext(context)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(ProgramName());
    JobDir = GetKnownFolder(TKnownFolder::Documents) + QStringLiteral("Kelvara/");
    LoadPrinterSettings(KelvaraSettingsFile(), QStringLiteral("Printer"), FPrinterSettings);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildGroupRow());
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildTaskPanel(), 1);
    layout->addLayout(middle, 1);
    layout->addWidget(BuildSettingsPanel());
    lbVersion = new QLabel(
        ProgramName() + BitnessText() + QStringLiteral(" (") + VersionText(3) + u')', this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    layout->addWidget(lbVersion);
    layout->addWidget(BuildButtonRow());
    AppDialog = new TAppDialog(this);
    ConnectActions();

    SetDialogMainWindow(this);
    InstallHintKey(this);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TMainForm::ShowHelp);

    FTaskSchedStatus = InitWinTaskScheduler(FTaskScheduler);
    FTaskDialog = std::make_unique<TTaskScheduleDialog>(this);
    if (FTaskSchedStatus >= 0 && FTaskScheduler)
        FTaskDialog->InitTaskScheduler(FTaskScheduler.get());

    const TWindowPlacement& place = Settings().Window;
    // The stored position is the one of the client area, so that it comes back as it was
    // whatever frame the window manager draws around it.
    FPlaced = place.Top >= 0 && place.Left >= 0;
    if (place.Width > 0 && place.Height > 0)
        resize(place.Width, place.Height);
    if (FPlaced)
        setGeometry(QRect(QPoint(place.Left, place.Top), size()));
    if (!FPlaced) {
        adjustSize();
        PlaceDialog(*this, kCentreOnScreen);
    }
    AppDialog->LoadFromIni(FContext.State->Settings.IniName, QString::fromLatin1(kAppSection));

    if (const QString error = SettingsReadError(FContext.State->Settings.IniName);
        !error.isEmpty()) {
        FSaveOnClose = false;
        ErrorMessage(error + QStringLiteral("\r\n") +
                     Tr("The settings file will not be overwritten: changes are not saved."));
    }
    FTaskIndex = EnsureShownGroup(Settings(), ShownGroupIndex(Settings()));
    FillGroupSelector();
    ShowGroup(FTaskIndex);
}

TMainForm::~TMainForm() = default;

TStarterSettings& TMainForm::Settings() const
{
    return FContext.State->Stored;
}

QString TMainForm::SettingsFolderForLogs() const
{
    return EffectiveSettingsFolder(FContext.State->Settings);
}

QString TMainForm::KelvaraSettingsFile() const
{
    return SettingsFolderForLogs() + QStringLiteral("Kelvara.ini");
}

QWidget* TMainForm::BuildGroupRow()
{
    auto* row = new QWidget(this);
    cbGroups = new QComboBox(row);
    cbGroups->setObjectName(QStringLiteral("cbGroups"));
    cbGroups->setToolTip(Tr("Group name"));
    cbGroups->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbGroups->setMinimumContentsLength(20);
    auto* label = Label(row, "lbGroups", Tr("&Group name:"), cbGroups);
    bbEditGroups = IconButton(row, "bbEditGroups", "document-properties", QStringLiteral("…"),
                              Tr("Edit group list"));
    bbAddGroup =
        IconButton(row, "bbAddGroup", "list-add", QStringLiteral("+"), Tr("Add new group"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(cbGroups, 1);
    layout->addWidget(bbEditGroups);
    layout->addWidget(bbAddGroup);
    return row;
}

QWidget* TMainForm::BuildTaskPanel()
{
    auto* panel = new QWidget(this);
    lbTasks = new QListWidget(panel);
    lbTasks->setObjectName(QStringLiteral("lbTasks"));
    lbTasks->setToolTip(Tr("Selected backup tasks"));
    lbTasks->setAccessibleName(Tr("Backup tasks"));
    lbTasks->setUniformItemSizes(true); // long lists stay quick
    auto* label = Label(panel, "lbTaskList", Tr("&Backup tasks:"), lbTasks);
    bbAddTask = IconButton(panel, "bbAddTask", "list-add", QStringLiteral("+"),
                           Tr("Add backup task to list"));
    bbRemoveTask = IconButton(panel, "bbRemoveTask", "list-remove", QStringLiteral("−"),
                              Tr("Remove backup task from list"));
    bbTaskUp =
        IconButton(panel, "bbTaskUp", "go-up", QStringLiteral("↑"), Tr("Move backup task one up"));
    bbTaskDown = IconButton(panel, "bbTaskDown", "go-down", QStringLiteral("↓"),
                            Tr("Move backup task one down"));
    bbShowLog = Button(panel, "bbShowLog", Tr("Show backup &log file"));
    bbEditTask = Button(panel, "bbEditTask", Tr("Edi&t backup task"));

    auto* side = new QVBoxLayout;
    for (QToolButton* b : {bbAddTask, bbRemoveTask, bbTaskUp, bbTaskDown})
        side->addWidget(b);
    side->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lbTasks, 1);
    listRow->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbShowLog);
    buttons->addWidget(bbEditTask);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addLayout(listRow, 1);
    layout->addLayout(buttons);
    return panel;
}

QWidget* TMainForm::BuildAccountBox()
{
    auto* box = new QWidget(this);
    edUser = new QLineEdit(box);
    edUser->setObjectName(QStringLiteral("edUser"));
    edUser->setPlaceholderText(Tr("User account"));
    auto* label = Label(box, "lbUser", Tr("User &account:"), edUser);
    bbPassword = IconButton(box, "bbPassword", "dialog-password", QStringLiteral("🔑"),
                            Tr("Enter fixed password for user account"));
    gbPassword = new QGroupBox(Tr("Password"), box);
    gbPassword->setObjectName(QStringLiteral("gbPassword"));
    rbPwdPrompt = new QRadioButton(Tr("Prompt &for password"), gbPassword);
    rbPwdPrompt->setObjectName(QStringLiteral("rbPwdPrompt"));
    rbPwdFixed = new QRadioButton(Tr("Use fi&xed password"), gbPassword);
    rbPwdFixed->setObjectName(QStringLiteral("rbPwdFixed"));
    // F11 on a radio button tells the caption of its group.
    rbPwdPrompt->setToolTip(gbPassword->title());
    rbPwdFixed->setToolTip(gbPassword->title());
    auto* pwdLayout = new QVBoxLayout(gbPassword);
    pwdLayout->addWidget(rbPwdPrompt);
    pwdLayout->addWidget(rbPwdFixed);
    cbRunAs = CheckBox(box, "cbRunAs", Tr("R&un as administrator"));

    auto* userRow = new QHBoxLayout;
    userRow->addWidget(edUser, 1);
    userRow->addWidget(bbPassword);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addLayout(userRow);
    layout->addWidget(gbPassword);
    layout->addWidget(cbRunAs);
    layout->addStretch();
    return box;
}

QWidget* TMainForm::BuildStatusBox()
{
    rgStatus = new QGroupBox(Tr("Status window"), this);
    rgStatus->setObjectName(QStringLiteral("rgStatus"));
    auto* layout = new QVBoxLayout(rgStatus);
    for (int status = 0; status < 5; ++status) {
        auto* radio = new QRadioButton(StatusCaption(status), rgStatus);
        radio->setObjectName(QStringLiteral("rbStatus%1").arg(status));
        radio->setToolTip(rgStatus->title());
        rbStatus.append(radio);
        layout->addWidget(radio);
    }
    pnDisplayTime = new QWidget(rgStatus);
    pnDisplayTime->setObjectName(QStringLiteral("pnDisplayTime"));
    edDisplayTime = SecondsField(pnDisplayTime, "edDisplayTime", kMinDisplayTime, kMaxDisplayTime,
                                 1, Tr("Status display time"));
    auto* timeRow = new QHBoxLayout(pnDisplayTime);
    timeRow->setContentsMargins(0, 0, 0, 0);
    timeRow->addWidget(
        Label(pnDisplayTime, "lbDisplayTime", Tr("Status &display time:"), edDisplayTime));
    timeRow->addWidget(edDisplayTime);
    timeRow->addStretch();
    layout->addWidget(pnDisplayTime);
    return rgStatus;
}

QWidget* TMainForm::BuildOptionsBox()
{
    auto* box = new QWidget(this);
    cbNoSplash = CheckBox(box, "cbNoSplash", Tr("No splash s&creen"));
    cbPlaySound = CheckBox(box, "cbPlaySound", Tr("Pla&y sound"));
    cbParProc = CheckBox(box, "cbParProc", Tr("Parall&el processing of tasks"));
    cbStartDelay = CheckBox(box, "cbStartDelay", Tr("Delay bet&ween tasks"));
    edStartDelay = SecondsField(box, "edStartDelay", 0, kMaxStartDelay, kStartDelayStep,
                                Tr("Delay between tasks"));
    edLogDir = new QLineEdit(box);
    edLogDir->setObjectName(QStringLiteral("edLogDir"));
    edLogDir->setToolTip(Tr("Directory for log files"));
    auto* logLabel = Label(box, "lbLogDir", Tr("Di&rectory for log files:"), edLogDir);
    bbLogDir =
        IconButton(box, "bbLogDir", "folder-open", QStringLiteral("…"), Tr("Select log directory"));
    cbMail = CheckBox(box, "cbMail", Tr("Send &mail on errors"));
    bbMail = IconButton(box, "bbMail", "mail-send", QStringLiteral("✉"),
                        Tr("Settings for automatic E-Mail delivery after backup"));

    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(cbStartDelay);
    delayRow->addWidget(edStartDelay);
    delayRow->addStretch();
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(edLogDir, 1);
    logRow->addWidget(bbLogDir);
    auto* mailRow = new QHBoxLayout;
    mailRow->addWidget(cbMail);
    mailRow->addWidget(bbMail);
    mailRow->addStretch();
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cbNoSplash);
    layout->addWidget(cbPlaySound);
    layout->addWidget(cbParProc);
    layout->addLayout(delayRow);
    layout->addWidget(logLabel);
    layout->addLayout(logRow);
    layout->addLayout(mailRow);
    layout->addStretch();
    return box;
}

QWidget* TMainForm::BuildSettingsPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnSettings"));
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BuildAccountBox(), 1);
    layout->addWidget(BuildStatusBox(), 1);
    layout->addWidget(BuildOptionsBox(), 1);
    return panel;
}

QWidget* TMainForm::BuildButtonRow()
{
    auto* row = new QWidget(this);
    bbStart = Button(row, "bbStart", Tr("&Start backup"), Tr("Start backup group immediately"));
    bbShortcut =
        Button(row, "bbShortcut", Tr("S&hortcut"), Tr("Create Desktop shortcut to start backups"));
    bbNewSchedTask = Button(row, "bbNewSchedTask", Tr("&New scheduled task"),
                            Tr("Create Windows Scheduled Task"));
    bbEditSchedTask = Button(row, "bbEditSchedTask", Tr("Edit scheduled tas&k"),
                             Tr("Edit Windows scheduled task"));
    bbOwnLog = Button(row, "bbOwnLog", Tr("Run l&og"), Tr("Show KvStarter log file"));
    bbStartApp = Button(row, "bbStartApp", Tr("Start a&pplication"),
                        Tr("Start an application under different user account"));
    bbInfo = Button(row, "bbInfo", Tr("&Info"), Tr("Info about the program"));
    bbHelp = Button(row, "bbHelp", Tr("Help"), Tr("Program help"));
    bbQuit = Button(row, "bbQuit", Tr("&Quit"), Tr("Quit program and save settings"));
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QList<QPushButton*> first{bbStart, bbShortcut, bbNewSchedTask, bbEditSchedTask, bbOwnLog};
    const QList<QPushButton*> second{bbStartApp, bbInfo, bbHelp, bbQuit};
    for (int i = 0; i < first.size(); ++i)
        layout->addWidget(first[i], 0, i);
    for (int i = 0; i < second.size(); ++i)
        layout->addWidget(second[i], 1, i + 1);
    return row;
}

void TMainForm::ConnectActions()
{
    connect(cbGroups, &QComboBox::activated, this, &TMainForm::GroupChosen);
    connect(bbAddGroup, &QToolButton::clicked, this, &TMainForm::AddNewGroup);
    connect(bbEditGroups, &QToolButton::clicked, this, &TMainForm::EditGroups);
    connect(bbAddTask, &QToolButton::clicked, this, &TMainForm::AddTasks);
    connect(bbRemoveTask, &QToolButton::clicked, this, &TMainForm::RemoveTask);
    connect(bbTaskUp, &QToolButton::clicked, this, [this] { MoveTask(-1); });
    connect(bbTaskDown, &QToolButton::clicked, this, [this] { MoveTask(1); });
    connect(bbShowLog, &QPushButton::clicked, this, &TMainForm::ShowBackupLog);
    connect(bbEditTask, &QPushButton::clicked, this, &TMainForm::EditTask);
    connect(lbTasks, &QListWidget::itemActivated, this, &TMainForm::EditTask);
    // The list's own keys for the buttons beside it.
    const std::pair<QKeySequence, std::function<void()>> listKeys[] = {
        {QKeySequence(Qt::Key_Insert), [this] { AddTasks(); }},
        {QKeySequence(Qt::Key_Delete), [this] { RemoveTask(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { MoveTask(-1); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { MoveTask(1); }},
    };
    for (const auto& [keys, action] : listKeys) {
        auto* shortcut = new QShortcut(keys, lbTasks, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }
    connect(bbPassword, &QToolButton::clicked, this, &TMainForm::EnterPassword);
    connect(rbPwdFixed, &QRadioButton::clicked, this, &TMainForm::FixedPasswordChosen);
    connect(rbPwdPrompt, &QRadioButton::clicked, this, &TMainForm::PromptPasswordChosen);
    for (QRadioButton* radio : rbStatus)
        connect(radio, &QRadioButton::toggled, this, &TMainForm::StatusChosen);
    connect(cbParProc, &QCheckBox::clicked, this, &TMainForm::UpdateDelayControls);
    connect(cbStartDelay, &QCheckBox::clicked, this, &TMainForm::StartDelayTicked);
    connect(bbLogDir, &QToolButton::clicked, this, &TMainForm::SelectLogFolder);
    connect(cbMail, &QCheckBox::clicked, this, &TMainForm::MailTicked);
    connect(bbMail, &QToolButton::clicked, this, &TMainForm::EditMail);
    connect(bbStart, &QPushButton::clicked, this, &TMainForm::StartGroup);
    connect(bbShortcut, &QPushButton::clicked, this, &TMainForm::CreateShortcut);
    connect(bbNewSchedTask, &QPushButton::clicked, this, &TMainForm::CreateScheduledTask);
    connect(bbEditSchedTask, &QPushButton::clicked, this, &TMainForm::EditScheduledTask);
    connect(bbOwnLog, &QPushButton::clicked, this, &TMainForm::ShowOwnLog);
    connect(bbStartApp, &QPushButton::clicked, this, &TMainForm::RunApplication);
    connect(bbInfo, &QPushButton::clicked, this, &TMainForm::ShowInfo);
    connect(bbHelp, &QPushButton::clicked, this, &TMainForm::ShowHelp);
    connect(bbQuit, &QPushButton::clicked, this, &QWidget::close);
}

QStringList TMainForm::GroupNames() const
{
    QStringList names;
    for (const auto& group : Settings().Groups)
        names.append(group->Desc);
    return names;
}

void TMainForm::FillGroupSelector()
{
    const QSignalBlocker block(cbGroups);
    cbGroups->clear();
    cbGroups->addItems(GroupNames());
}

TTaskProperties* TMainForm::ShownGroup() const
{
    if (FTaskIndex < 0 || FTaskIndex >= int(Settings().Groups.size()))
        return nullptr;
    return Settings().Groups[size_t(FTaskIndex)].get();
}

int TMainForm::Status() const
{
    for (int i = 0; i < rbStatus.size(); ++i)
        if (rbStatus[i]->isChecked())
            return i;
    return 1;
}

void TMainForm::AppendTask(const QString& file, bool checked)
{
    auto* item = new QListWidgetItem(file, lbTasks);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

TGroupView TMainForm::View() const
{
    TGroupView view;
    view.LogDir = edLogDir->text();
    view.User = edUser->text();
    view.UserPwd = UserPwd;
    view.PwdPrompt = rbPwdPrompt->isChecked();
    view.NoSplash = cbNoSplash->isChecked();
    view.PlaySound = cbPlaySound->isChecked();
    view.ParProc = cbParProc->isChecked();
    view.RunAs = cbRunAs->isChecked();
    view.Status = Status();
    view.Delay = edDisplayTime->value();
    view.DelayBetween = cbStartDelay->isChecked();
    view.StartDelay = edStartDelay->value();
    for (int i = 0; i < lbTasks->count(); ++i)
        view.Tasks.push_back(
            {lbTasks->item(i)->text(), lbTasks->item(i)->checkState() == Qt::Checked});
    return view;
}

void TMainForm::SetView(const TGroupView& view)
{
    edLogDir->setText(view.LogDir);
    edUser->setText(view.User);
    UserPwd = view.UserPwd;
    (view.PwdPrompt ? rbPwdPrompt : rbPwdFixed)->setChecked(true);
    rbStatus[(view.Status >= 0 && view.Status < rbStatus.size()) ? view.Status : 1]->setChecked(
        true);
    cbNoSplash->setChecked(view.NoSplash);
    cbPlaySound->setChecked(view.PlaySound);
    cbParProc->setChecked(view.ParProc);
    cbRunAs->setChecked(view.RunAs);
    edStartDelay->setValue(view.StartDelay);
    edDisplayTime->setValue(view.Delay);
    lbTasks->setUpdatesEnabled(false);
    lbTasks->clear();
    for (const TStoredTask& task : view.Tasks)
        AppendTask(task.File, task.Selected);
    lbTasks->setUpdatesEnabled(true);
    if (lbTasks->count() > 0)
        lbTasks->setCurrentRow(0);
    StatusChosen();
    UpdateDelayControls();
}

void TMainForm::ShowGroup(int index)
{
    if (index < 0 || index >= int(Settings().Groups.size()))
        return;
    FTaskIndex = index;
    const TTaskProperties& group = *Settings().Groups[size_t(index)];
    Settings().LastTask = group.Desc;
    cbGroups->setCurrentIndex(index);
    SetView(ViewOfGroup(group));
    // Without a folder of its own the group's logs go to the default folder.
    bbShowLog->setEnabled(group.AltLogDir.isEmpty() || QFileInfo(group.AltLogDir).isDir());
}

void TMainForm::StoreGroup()
{
    TTaskProperties* group = ShownGroup();
    if (!group)
        return;
    Settings().LastTask = group->Desc;
    StoreView(View(), *group);
}

bool TMainForm::SaveSettings()
{
    if (!FSaveOnClose)
        return false;
    const QString error = SaveSettingsWithMessage(FContext.State->Settings.IniName, Settings());
    if (error.isEmpty())
        return true;
    ErrorMessage(error);
    return false;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    StoreGroup();
    Settings().Window = {geometry().y(), geometry().x(), height(), width()};
    SaveSettings();
    event->accept();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!FShownOnce && FPlaced)
        KeepOnScreen(*this);
    FShownOnce = true;
}

void TMainForm::GroupChosen(int index)
{
    StoreGroup();
    ShowGroup(index);
}

void TMainForm::AddNewGroup()
{
    QString name;
    if (!InputText(Below(bbAddGroup), Tr("Add new group"), Tr("Name:"), name) || name.isEmpty())
        return;
    const TAddedGroup added = AddGroup(Settings(), name);
    if (added.Existed) {
        if (ConfirmMessageAt(Below(bbAddGroup),
                             Fmt(Tr("Group \"%s\" already exists - Edit?"), {name}), mbYes))
            ShowGroup(added.Index);
        return;
    }
    FillGroupSelector();
    ShowGroup(added.Index);
}

void TMainForm::EditGroups()
{
    std::vector<TListEntry> entries;
    int selected = -1;
    if (!EditGroupList(Tr("Edit group list"), Tr("Backup groups"), GroupNames(), FTaskIndex,
                       entries, selected))
        return;
    FTaskIndex = -1; // the shown group may be gone: its values are not taken back
    const int shown = ApplyGroupList(Settings(), entries, selected);
    FillGroupSelector();
    ShowGroup(shown);
}

void TMainForm::AddTasks()
{
    const QString folder = Settings().LastDir.isEmpty() ? JobDir : Settings().LastDir;
    const QStringList files =
        ChooseFiles(this, {Tr("Select backup task"), folder,
                           Fmt(Tr("Backup tasks|*.%s|all|*.*"), {QStringLiteral("buj")}),
                           QStringLiteral("buj"), true, true});
    for (const QString& file : files) {
        AppendTask(QDir::toNativeSeparators(file), true);
        Settings().LastDir = QFileInfo(file).absolutePath();
    }
    if (!files.isEmpty())
        lbTasks->setCurrentRow(lbTasks->count() - 1);
}

void TMainForm::RemoveTask()
{
    const int row = lbTasks->currentRow();
    if (row < 0)
        return;
    delete lbTasks->takeItem(row);
    lbTasks->setCurrentRow(RowAfterRemove(row, lbTasks->count()));
}

void TMainForm::MoveTask(int delta)
{
    const int row = lbTasks->currentRow();
    const int target = SwapTarget(row, delta, lbTasks->count());
    if (target < 0)
        return;
    QListWidgetItem* item = lbTasks->takeItem(row);
    lbTasks->insertItem(target, item);
    lbTasks->setCurrentRow(target);
}

void TMainForm::EnterPassword()
{
    if (!InputNewPassword(Below(bbPassword), Tr("User name: ") + edUser->text(), UserPwd))
        return;
    (PromptAfterPasswordDialog(UserPwd) ? rbPwdPrompt : rbPwdFixed)->setChecked(true);
}

bool TMainForm::AskFixedPassword()
{
    return InputNewPassword(Below(bbPassword), Tr("User name: ") + edUser->text(), UserPwd) &&
           !UserPwd.isEmpty();
}

void TMainForm::FixedPasswordChosen()
{
    if (UserPwd.isEmpty() && !AskFixedPassword())
        rbPwdPrompt->setChecked(true);
}

void TMainForm::PromptPasswordChosen()
{
    UserPwd.clear();
}

void TMainForm::StatusChosen()
{
    pnDisplayTime->setVisible(ShowsDisplayTime(Status()));
}

void TMainForm::UpdateDelayControls()
{
    const TDelayControls c = DelayControlsFor(cbParProc->isChecked(), edStartDelay->value());
    cbStartDelay->setEnabled(c.BoxEnabled);
    cbStartDelay->setChecked(c.BoxTicked);
    edStartDelay->setEnabled(c.FieldEnabled);
}

void TMainForm::StartDelayTicked(bool ticked)
{
    if (ticked)
        edStartDelay->setValue(DelayAfterTicking(edStartDelay->value()));
}

void TMainForm::SelectLogFolder()
{
    QString folder = ExistingFolderOrParent(edLogDir->text());
    if (folder.isEmpty())
        folder = SettingsFolderForLogs();
    if (SelectFolder(Tr("Select log directory"), false, false, folder, QString()))
        edLogDir->setText(folder);
}

void TMainForm::MailTicked(bool ticked)
{
    TMailData& mail = Settings().MailData;
    if (!ticked || mail.Enabled) {
        mail.Enabled = ticked;
        return;
    }
    TMailData edited = mail;
    edited.Enabled = true; // the user has just asked for it
    if (EditMailSettings(Tr("Send mail on errors"), KelvaraSettingsFile(), edited)) {
        mail = edited;
        cbMail->setChecked(mail.Enabled);
    } else {
        cbMail->setChecked(false);
    }
}

void TMainForm::EditMail()
{
    TMailData& mail = Settings().MailData;
    if (EditMailSettings(Tr("Send mail on errors"), KelvaraSettingsFile(), mail))
        cbMail->setChecked(mail.Enabled);
}

std::unique_ptr<TGroupRunner> TMainForm::MakeRunner() const
{
    return std::make_unique<TGroupRunner>(*FContext.Services->Launcher, FContext.Services->Hooks,
                                          FContext.State->KvPath, FContext.State->Settings.AIniPath,
                                          windowTitle());
}

void TMainForm::StartGroup()
{
    StoreGroup();
    TTaskProperties* group = ShownGroup();
    if (!group)
        return;
    SaveSettings();
    // The group is copied: the window stays usable while the backups run.
    const TTaskProperties running = *group;
    MakeRunner()->RunGroup(running, true);
}

void TMainForm::EditTask()
{
    StoreGroup();
    TTaskProperties* group = ShownGroup();
    if (!group)
        return;
    if (group->TaskCount() == 0) {
        ErrorMessage(Tr("No backup tasks specified!"));
        return;
    }
    if (lbTasks->currentRow() < 0)
        lbTasks->setCurrentRow(0);
    const QString file = group->TaskFile(lbTasks->currentRow());
    QString password = group->Pwd;
    if (password.isEmpty() &&
        !InputPassword(kCentreOnMainWindow, windowTitle(),
                       Fmt(Tr("Enter the password for user \"%s\"\r\nto start the backup task "
                              "\"%s\""),
                           {group->User, QFileInfo(file).fileName()}),
                       password))
        return;
    QString message;
    const QString user = group->User;
    const QString commandLine = EditTaskCommandLine(FContext.State->KvPath, group->AltLogDir, file);
    if (MakeRunner()->RunBackupProgram(user, password, commandLine, message) != roSuccess)
        ErrorMessage(message);
}

void TMainForm::ShowLogFile(const QString& title, const QString& file, const QString& sectionMark,
                            unsigned buttons)
{
    ShowTextFile(title, file, Tr("Previous section"), Tr("Next section"), sectionMark,
                 Tr("Previous error"), Tr("Next error"), kRunErrorMark, LogFilter(),
                 kCentreOnMainWindow, 0, stShow, buttons, FPrinterSettings, 0);
}

void TMainForm::ShowBackupLog()
{
    const int row = lbTasks->currentRow();
    if (row < 0)
        return;
    const TLogNameContext where{FContext.State->KvPath, edLogDir->text(), SettingsFolderForLogs()};
    QString file = GetBackupLogName(lbTasks->item(row)->text(), where, QDateTime::currentDateTime(),
                                    TVolumeTable());
    if (file.isEmpty()) {
        ErrorMessageAt(Below(bbShowLog), Tr("Log not available"));
        return;
    }
    if (!QFileInfo::exists(file)) {
        const QString folder = QFileInfo(file).absolutePath();
        const QStringList chosen = ChooseFiles(
            this, {Tr("Select log file"), QFileInfo(folder).isDir() ? folder : AppPath(),
                   LogFilter(), QStringLiteral("log"), false, true});
        if (chosen.isEmpty())
            return;
        file = chosen.front();
    }
    ShowLogFile(ProgVersName(), file, QStringLiteral("Kelvara -"), kBackupLogButtons);
}

void TMainForm::ShowOwnLog()
{
    const QString& logName = FContext.State->LogName;
    if (!QFileInfo::exists(logName)) {
        ErrorMessageAt(Below(edUser), Tr("Log file not found: ") + logName);
        return;
    }
    ShowLogFile(windowTitle(), logName, QStringLiteral("KvStarter"), kRunLogButtons);
}

QString TMainForm::PresetCommandLine() const
{
    QString line;
    if (!FContext.State->Settings.AIniPath.isEmpty())
        line += OptionText(QStringLiteral("ini"), FContext.State->Settings.AIniPath);
    line += OptionText(QStringLiteral("logmode"), 1);
    return line.trimmed();
}

void TMainForm::CreateShortcut()
{
    StoreGroup();
    QString name;
    QString commandLine = PresetCommandLine();
    TShortcutDialog dialog(this);
    if (!dialog.Execute(Tr("Create Desktop shortcut"), Tr("Name of shortcut:"), true, GroupNames(),
                        name, commandLine))
        return;
    PutShortcutOnDesktop(name, commandLine, ProgramFolder(), name, false,
                         Fmt(Tr("Replace existing desktop shortcut \"%s\"?"), {name}));
}

void TMainForm::RunTaskDialogForNewTask(const QString& commandLine, const QString& name)
{
    while (FTaskDialog->Execute(-1, kaStarter, JobDir, name, commandLine) == 4) {
    }
}

void TMainForm::CreateScheduledTask()
{
    if (!FTaskDialog->IsAvailable()) {
        ErrorMessage(TaskSchedulerErrorText(FTaskSchedStatus));
        return;
    }
    StoreGroup();
    QString name;
    QString commandLine = PresetCommandLine();
    TShortcutDialog dialog(this);
    if (!dialog.Execute(Tr("Create Windows Scheduled Task"), Tr("Name of task:"), false,
                        GroupNames(), name, commandLine, Tr("Next")))
        return;
    RunTaskDialogForNewTask(commandLine, name);
}

void TMainForm::EditScheduledTask()
{
    if (!FTaskDialog->IsAvailable()) {
        ErrorMessage(TaskSchedulerErrorText(FTaskSchedStatus));
        return;
    }
    const int result =
        FTaskDialog->Execute(0, kaStarter, JobDir, QString(), ToCommaText(GroupNames()));
    if (result == 7 &&
        ConfirmMessage(Fmt(Tr("No scheduled tasks using %s found!\r\nCreate new task?"),
                           {QStringLiteral("KvStarter")})))
        CreateScheduledTask();
}

void TMainForm::RunApplication()
{
    const TTaskProperties* group = ShownGroup();
    QString user = group ? group->User : QString();
    QString password = group ? group->Pwd : QString();
    QString commandLine;
    // A failed start (a wrong password, say) brings the dialog back with its entries.
    while (AppDialog->Execute(user, password, commandLine)) {
        const QString error =
            ::StartApplication(*FContext.Services->Launcher, user, password, commandLine);
        if (error.isEmpty())
            return;
        ErrorMessageAt(Below(bbStartApp), error);
        password.clear();
    }
}

void TMainForm::ShowInfo()
{
    const QString text = ProgramName() + BitnessText() + QStringLiteral(" (") + VersionText(3) +
                         QStringLiteral(") - ") + ProgVersDate() + QStringLiteral("\r\n") +
                         Tr("Runs groups of Kelvara backup tasks under other accounts.");
    InfoMessageAt(Below(edUser), text);
}

void TMainForm::ShowHelp()
{
    const QString error = ShowHelpPage(QStringLiteral("kv-starter.html"));
    if (!error.isEmpty())
        ErrorMessage(error);
}
