#include "planner/ui/HauptForm.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/infra/Translate.h"
#include "common/tasks/WinTask.h"
#include "common/ui/DesktopShortcut.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/DialogReporter.h"
#include "common/ui/FileNameCheck.h"
#include "common/ui/ShowMessageDlg.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/DesktopIconOptions.h"
#include "planner/ScheduleRun.h"
#include "planner/ui/CalendarDlg.h"
#include "planner/ui/DesktopIconDlg.h"
#include "planner/ui/PlanerHelp.h"

namespace {

constexpr int kScreenMargin = 50; // at 96 dots per inch
const QString kScheduleTaskPrefix = QStringLiteral("Schedule-");

QLineEdit* Edit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QSpinBox* NumberEdit(QWidget* parent, const char* name, int min, int max)
{
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setRange(min, max);
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* button = new QPushButton(Tr(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    if (hint)
        button->setToolTip(Tr(hint));
    return button;
}

// An icon-only button: its hint is its name.
QToolButton* IconButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                        const char* hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(Tr(hint));
    button->setAccessibleName(Tr(hint));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoRaise(false);
    return button;
}

// The scheduled task names that run a schedule: the part after "Schedule-".
QStringList ScheduleNames(const QVector<TActiveTask>& tasks)
{
    QStringList names;
    for (const TActiveTask& task : tasks) {
        const int at = task.Name.indexOf(kScheduleTaskPrefix);
        names << (at < 0 ? task.Name : task.Name.mid(at + kScheduleTaskPrefix.size()));
    }
    return names;
}

} // namespace

QStringList ScheduleRowTexts(const TSchedTask& s)
{
    return {s.SName,
            QFileInfo(s.Task).fileName(),
            s.Active ? QStringLiteral("A") : QString(),
            QString::number(s.Cycles),
            QString::number(s.Steps),
            WeekdayName(s.FirstDay, false),
            s.Diff ? QStringLiteral("Diff") : QStringLiteral("Incr")};
}

QPoint MainWindowPosition(const QRect& frame, const QRect& workArea, int margin)
{
    QPoint pos = frame.topLeft();
    if (frame.right() > workArea.right())
        pos.setX(workArea.right() - margin - frame.width() + 1);
    if (frame.bottom() > workArea.bottom())
        pos.setY(workArea.bottom() - margin - frame.height() + 1);
    if (pos.x() <= workArea.left())
        pos.setX(workArea.left() + margin);
    if (pos.y() <= workArea.top())
        pos.setY(workArea.top() + margin);
    return pos;
}

THauptForm::THauptForm(TPlanerRun& run, const TClock& clock, TProcessLauncher& launcher,
                       QWidget* parent)
    : QWidget(parent), FRun(run), FClock(clock), FLauncher(launcher),
      FReporter(std::make_unique<TDialogReporter>()), FEdits(run.Settings),
      FTaskDialog(std::make_unique<TTaskScheduleDialog>(this))
{
    setObjectName(QStringLiteral("THauptForm"));
    setWindowTitle(Tr("Configure backup schedules") + BitnessText() + QStringLiteral(" (") +
                   VersionText(3) + u')');
    RunTaskWizard = [this](int index, TKvAction action, const QString& path, const QString& task,
                           const QString& options) {
        return FTaskDialog->Execute(index, action, path, task, options);
    };
    SelectFile = [this](const QString& title, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(this, title, folder, filter);
    };
    BuildControls();
    LayOut();
    Connect();
    InstallPlanerKeys(this, "kv-planer.html");
    SetDialogMainWindow(this);
    PlaceWindow();
}

THauptForm::~THauptForm()
{
    if (DialogMainWindow() == this)
        SetDialogMainWindow(nullptr);
}

void THauptForm::BuildControls()
{
    lvSchedules = new QTreeWidget(this);
    lvSchedules->setObjectName(QStringLiteral("lvSchedules"));
    lvSchedules->setAccessibleName(Tr("Backup schedules"));
    lvSchedules->setRootIsDecorated(false);
    lvSchedules->setUniformRowHeights(true);
    lvSchedules->setAllColumnsShowFocus(true);
    lvSchedules->setSelectionMode(QAbstractItemView::SingleSelection);
    lvSchedules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvSchedules->setHeaderLabels(
        {Tr("Name"), Tr("Task"), QString(), Tr("Cycles"), Tr("Steps"), Tr("Start"), Tr("Type")});

    leName = Edit(this, "leName");
    leTask = Edit(this, "leTask");
    edCycles = NumberEdit(this, "edCycles", 1, 499);
    edSteps = NumberEdit(this, "edSteps", 2, 999);
    cbWeekDay = new QComboBox(this);
    cbWeekDay->setObjectName(QStringLiteral("cbWeekDay"));
    cbWeekDay->setToolTip(Tr("Select day of week"));
    cbWeekDay->addItem(QString());
    for (int day = 1; day <= 7; ++day)
        cbWeekDay->addItem(WeekdayName(day, true));

    rgMode = new QGroupBox(Tr("Full backup and"), this);
    rgMode->setObjectName(QStringLiteral("rgMode"));
    rbDifferential = new QRadioButton(Tr("differential"), rgMode);
    rbDifferential->setObjectName(QStringLiteral("rbDifferential"));
    rbIncremental = new QRadioButton(Tr("incremental"), rgMode);
    rbIncremental->setObjectName(QStringLiteral("rbIncremental"));
    cbSilent = new QCheckBox(Tr("Silent operation"), this);
    cbSilent->setObjectName(QStringLiteral("cbSilent"));

    btnReset = Button(this, "btnReset", TrNoop("New"), TrNoop("Clear settings"));
    btnAdd = Button(this, "btnAdd", TrNoop("Add"), TrNoop("Add new schedule"));
    btnReplace = Button(this, "btnReplace", TrNoop("Replace"),
                        TrNoop("Change and restart selected schedule"));
    btnRemove = Button(this, "btnRemove", TrNoop("Remove"), TrNoop("Remove selected schedule"));
    bbEdit =
        IconButton(this, "bbEdit", QStyle::SP_FileDialogDetailedView, TrNoop("Edit backup task"));
    btnSelTask =
        IconButton(this, "btnSelTask", QStyle::SP_DirOpenIcon, TrNoop("Select backup task"));
    btnCreateTask = Button(this, "btnCreateTask", TrNoop("Create Windows Scheduled Task"), nullptr);
    btnShowTasks = Button(this, "btnShowTasks", TrNoop("Edit Windows scheduled task"), nullptr);
    btnShortcut = IconButton(this, "btnShortcut", QStyle::SP_DesktopIcon,
                             TrNoop("Create desktop shortcut for alternating backup"));
    btnCalendar = Button(this, "btnCalendar", TrNoop("Calendar"),
                         TrNoop("Show the next backups of the selected schedule"));
    bbHelp = IconButton(this, "bbHelp", QStyle::SP_DialogHelpButton, TrNoop("Program help"));
    btInfo = IconButton(this, "btInfo", QStyle::SP_MessageBoxInformation,
                        TrNoop("Info about the program"));
    btnQuit = Button(this, "btnQuit", TrNoop("Quit"), TrNoop("Quit program"));
    btnStart = Button(this, "btnStart", TrNoop("Start backup"), nullptr);
    btnStart->hide();
}

void THauptForm::LayOut()
{
    auto* fields = new QGridLayout;
    auto labelOf = [this](QWidget* w, const char* caption) {
        auto* label = new QLabel(Tr(caption), this);
        label->setBuddy(w);
        return label;
    };
    fields->addWidget(labelOf(leName, TrNoop("Name:")), 0, 0);
    fields->addWidget(leName, 0, 1, 1, 3);
    fields->addWidget(labelOf(leTask, TrNoop("Backup task:")), 1, 0);
    auto* taskRow = new QHBoxLayout;
    taskRow->addWidget(leTask, 1);
    taskRow->addWidget(btnSelTask);
    taskRow->addWidget(bbEdit);
    fields->addLayout(taskRow, 1, 1, 1, 3);
    fields->addWidget(labelOf(edCycles, TrNoop("Number of cycles:")), 2, 0);
    fields->addWidget(edCycles, 2, 1);
    fields->addWidget(labelOf(edSteps, TrNoop("Steps per cycle:")), 2, 2);
    fields->addWidget(edSteps, 2, 3);
    fields->addWidget(labelOf(cbWeekDay, TrNoop("Start on:")), 3, 0);
    fields->addWidget(cbWeekDay, 3, 1);
    fields->addWidget(cbSilent, 3, 2, 1, 2);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* modes = new QVBoxLayout(rgMode);
    modes->addWidget(rbDifferential);
    modes->addWidget(rbIncremental);

    auto* editRow = new QHBoxLayout;
    editRow->addLayout(fields, 1);
    editRow->addWidget(rgMode, 0, Qt::AlignTop);

    auto* listButtons = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{btnReset, btnAdd, btnReplace, btnRemove})
        listButtons->addWidget(w);
    listButtons->addStretch();
    listButtons->addWidget(btnCalendar);

    auto* bottom = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{btnCreateTask, btnShowTasks, btnShortcut})
        bottom->addWidget(w);
    bottom->addStretch();
    for (QWidget* w : std::initializer_list<QWidget*>{bbHelp, btInfo, btnQuit, btnStart})
        bottom->addWidget(w);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvSchedules, 1);
    layout->addLayout(editRow);
    layout->addLayout(listButtons);
    layout->addLayout(bottom);
    QHeaderView* header = lvSchedules->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(scName, QHeaderView::Stretch);
    header->setSectionResizeMode(scTask, QHeaderView::Stretch);
    header->setSectionResizeMode(scActive, QHeaderView::Fixed);
    header->setMinimumSectionSize(25);
    lvSchedules->setColumnWidth(scActive, 25);
    // Tab follows the layout: the task's buttons right after the task field.
    QWidget* const order[] = {
        lvSchedules, leName,        leTask,         btnSelTask,  bbEdit, edCycles,   edSteps,
        cbWeekDay,   cbSilent,      rbDifferential, btnReset,    btnAdd, btnReplace, btnRemove,
        btnCalendar, btnCreateTask, btnShowTasks,   btnShortcut, bbHelp, btInfo,     btnQuit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    resize(720, 480);
}

void THauptForm::Connect()
{
    connect(lvSchedules, &QTreeWidget::currentItemChanged, this,
            [this] { ShowSchedule(SelectedIndex()); });
    connect(lvSchedules, &QTreeWidget::itemActivated, this,
            [this] { ShowSchedule(SelectedIndex()); });
    connect(lvSchedules, &QTreeWidget::itemDoubleClicked, this, [this] { bbEditClick(); });
    connect(edSteps, &QSpinBox::valueChanged, this, [this](int steps) { StepsChanged(steps); });
    connect(cbWeekDay, &QComboBox::activated, this, [this](int index) { WeekdayChosen(index); });
    const std::pair<QAbstractButton*, void (THauptForm::*)()> clicks[] = {
        {btnReset, &THauptForm::btnResetClick},
        {btnAdd, &THauptForm::btnAddClick},
        {btnReplace, &THauptForm::btnReplaceClick},
        {btnRemove, &THauptForm::btnRemoveClick},
        {bbEdit, &THauptForm::bbEditClick},
        {btnSelTask, &THauptForm::btnSelTaskClick},
        {btnCreateTask, &THauptForm::btnCreateTaskClick},
        {btnShowTasks, &THauptForm::btnShowTasksClick},
        {btnShortcut, &THauptForm::btnShortcutClick},
        {btnCalendar, &THauptForm::btnCalendarClick},
        {btInfo, &THauptForm::btInfoClick},
        {btnStart, &THauptForm::btnStartClick},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QAbstractButton::clicked, this, handler);
    connect(bbHelp, &QAbstractButton::clicked, this,
            [] { OpenHelpPage(QStringLiteral("kv-planer.html")); });
    connect(btnQuit, &QAbstractButton::clicked, this, &QWidget::close);
}

void THauptForm::PlaceWindow()
{
    move(FRun.Settings.Left, FRun.Settings.Top);
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() != 1)
        return;
    const int margin = kScreenMargin * screens.first()->logicalDotsPerInch() / 96;
    move(MainWindowPosition(frameGeometry(), screens.first()->availableGeometry(), margin));
}

void THauptForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void THauptForm::FormShow()
{
    FShown = true;
    FTaskSchedStatus = InitWinTaskScheduler(FTaskScheduler);
    if (FTaskSchedStatus < 0) {
        ErrorMessage(ProgramName() + BitnessText() + QStringLiteral(" (") + VersionText(3) +
                     QStringLiteral(")\r\n") + TaskSchedulerErrorText(FTaskSchedStatus));
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    FTaskDialog->InitTaskScheduler(FTaskScheduler.get());
    btnCreateTask->setEnabled(FTaskDialog->IsAvailable());
    btnShowTasks->setEnabled(FTaskDialog->IsAvailable());
    RefreshActiveTasks();
    FillList(0);
}

void THauptForm::RefreshActiveTasks()
{
    if (!FTaskScheduler || !FTaskDialog->IsAvailable())
        return;
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    FActiveTasks = ScheduleNames(GetActiveTasks(*FTaskScheduler, program));
    MarkActive();
}

void THauptForm::MarkActive()
{
    for (TSchedTask& s : FEdits.Schedules())
        s.Active = FActiveTasks.contains(s.SName, Qt::CaseInsensitive);
}

void THauptForm::FillList(int wanted)
{
    const QSignalBlocker blocker(lvSchedules);
    lvSchedules->clear();
    for (const TSchedTask& s : FEdits.Schedules())
        lvSchedules->addTopLevelItem(new QTreeWidgetItem(ScheduleRowTexts(s)));
    const int count = lvSchedules->topLevelItemCount();
    btnCalendar->setEnabled(count > 0);
    if (count == 0) {
        btnResetClick();
        return;
    }
    const int row = std::clamp(wanted, 0, count - 1);
    lvSchedules->setCurrentItem(lvSchedules->topLevelItem(row));
    ShowSchedule(row);
}

int THauptForm::SelectedIndex() const
{
    QTreeWidgetItem* item = lvSchedules->currentItem();
    return item ? lvSchedules->indexOfTopLevelItem(item) : -1;
}

void THauptForm::ShowSchedule(int index)
{
    if (index < 0 || size_t(index) >= FEdits.Schedules().size())
        return;
    const TSchedTask& s = FEdits.Schedules()[size_t(index)];
    leName->setText(s.SName);
    leTask->setText(s.Task);
    edCycles->setValue(s.Cycles);
    (s.Diff ? rbDifferential : rbIncremental)->setChecked(true);
    FLastWd = s.FirstDay >= 1 && s.FirstDay <= 7 ? s.FirstDay : 1;
    edSteps->setValue(s.Steps);
    StepsChanged(edSteps->value());
    cbSilent->setChecked(s.Silent);
}

void THauptForm::StepsChanged(int steps)
{
    const bool weekly = steps == 7;
    cbWeekDay->setEnabled(weekly);
    cbWeekDay->setCurrentIndex(weekly ? FLastWd : 0);
}

void THauptForm::WeekdayChosen(int index)
{
    // The blank entry stands for no weekday, which a weekly schedule cannot have.
    if (index == 0)
        cbWeekDay->setCurrentIndex(1);
    FLastWd = cbWeekDay->currentIndex();
}

TSchedTask THauptForm::EditedSchedule() const
{
    TSchedTask s;
    s.SName = leName->text();
    s.Task = leTask->text();
    s.Cycles = edCycles->value();
    s.Steps = edSteps->value();
    s.FirstDay = cbWeekDay->isEnabled() ? std::max(1, cbWeekDay->currentIndex()) : 0;
    s.Diff = rbDifferential->isChecked();
    s.Silent = cbSilent->isChecked();
    return s;
}

void THauptForm::btnResetClick()
{
    leName->clear();
    leTask->clear();
    edCycles->setValue(2);
    FLastWd = 1;
    edSteps->setValue(7);
    StepsChanged(7);
    cbSilent->setChecked(false);
    rbIncremental->setChecked(true);
    leName->setFocus();
}

bool THauptForm::NameIsValid()
{
    if (IsValidFileName(leName->text()))
        return true;
    ErrorMessage(ErrorHint(InvalidFileNameMessage(kDefaultDomain, leName->text())));
    leName->setFocus();
    return false;
}

void THauptForm::FocusFailedRule(int code)
{
    switch (code) {
    case 1:
        leName->setFocus();
        break;
    case 2:
        btnSelTaskClick();
        break;
    case 3:
        edCycles->setFocus();
        break;
    case 4:
        edSteps->setFocus();
        break;
    default:
        break;
    }
}

void THauptForm::btnAddClick()
{
    if (!NameIsValid())
        return;
    const int code = FEdits.Add(EditedSchedule(), *FReporter);
    if (code != 0) {
        FocusFailedRule(code);
        return;
    }
    MarkActive();
    FillList(int(FEdits.Schedules().size()) - 1);
}

void THauptForm::btnReplaceClick()
{
    const int index = SelectedIndex();
    if (index < 0 || !NameIsValid())
        return;
    const int code = FEdits.Replace(index, EditedSchedule(), *FReporter);
    if (code > 0)
        FocusFailedRule(code);
    if (code != 0)
        return;
    MarkActive();
    FillList(index);
}

void THauptForm::btnRemoveClick()
{
    const int index = SelectedIndex();
    if (!FEdits.Remove(index, *FReporter))
        return;
    MarkActive();
    FillList(index);
}

void THauptForm::bbEditClick()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    if (FRun.KvPath.isEmpty()) {
        ErrorMessage(Fmt(Tr("\"%s\" not found on this system!"), {KelvaraFileName()}));
        return;
    }
    const QString commandLine = QuotedPath(FRun.KvPath) + u' ' +
                                QuotedPath(FEdits.Schedules()[size_t(index)].Task) +
                                OptionText(QStringLiteral("startapp"), QStringLiteral("kvplaner")) +
                                OptionText(QStringLiteral("edit"));
    const TLaunchOutcome outcome = FLauncher.Start(commandLine, false, {});
    if (outcome.error != 0)
        ErrorMessage(SystemErrorText(outcome.error));
}

void THauptForm::btnSelTaskClick()
{
    const QString task = leTask->text();
    const QString folder = task.isEmpty() ? FRun.JobDir : QFileInfo(task).absolutePath();
    const QString filter =
        Tr("Backup tasks") + QStringLiteral(" (*.buj);;") + Tr("all") + QStringLiteral(" (*)");
    const QString chosen = SelectFile(Tr("Select backup task"), folder, filter);
    if (!chosen.isEmpty())
        leTask->setText(chosen);
    leTask->setFocus();
}

void THauptForm::btnCreateTaskClick()
{
    if (!NameIsValid())
        return;
    RunTaskWizard(-1, kaSchedule, FRun.JobDir, leName->text(), FRun.DefOptions);
    RefreshActiveTasks();
    FillList(SelectedIndex());
}

void THauptForm::btnShowTasksClick()
{
    while (RunTaskWizard(0, kaSchedule, FRun.JobDir, leName->text(), FRun.DefOptions) == 4) {
    }
    RefreshActiveTasks();
    FillList(SelectedIndex());
}

void THauptForm::btnShortcutClick()
{
    const QString name = leName->text();
    if (name.isEmpty())
        return;
    QString shortcut = ShortcutNamePreset(name);
    QString description = WithoutExtension(name);
    QString options = FRun.DefOptions;
    int runAs = 0;
    if (!EditDesktopIcon(Tr("Create desktop shortcut for alternating backup"), name, runAs, options,
                         description, shortcut))
        return;
    PutShortcutOnDesktop(shortcut, ShortcutArguments(name, options), FRun.JobDir, description,
                         runAs == 1, Fmt(Tr("Replace existing desktop shortcut: %s?"), {shortcut}));
}

void THauptForm::btnCalendarClick()
{
    const int index = SelectedIndex();
    if (index >= 0)
        ShowRotationCalendar(FEdits.Schedules()[size_t(index)], FClock.Today());
}

void THauptForm::btInfoClick()
{
    InfoMessageAt(rgMode->mapToGlobal(QPoint(0, 0)),
                  ProgVersName() + BitnessText() + QStringLiteral("\r\n") + ProgVersDate());
}

void THauptForm::btnStartClick()
{
    const int index = SelectedIndex();
    if (index >= 0)
        FRun.StartSchedule(index, FRun.DefOptions);
}

bool THauptForm::FormClose()
{
    if (FSaved)
        return true;
    FSaved = true;
    FRun.Settings.Left = pos().x();
    FRun.Settings.Top = pos().y();
    return FEdits.Save(FRun.IniName, *FReporter);
}

void THauptForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}
